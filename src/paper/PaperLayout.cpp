#include "paper/PaperLayout.h"

#include "base/HalfEdges.h"
#include "model/PolyModel.h"
#include "model/Progress.h"
#include "paper/PaperFlatten.h"
#include "paper/PaperOverlap.h"
#include "paper/PaperPieces.h"
#include "paper/PaperSurface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <unordered_map>
#include <vector>

namespace {

double CornerAngle(const CVector3& at, const CVector3& a, const CVector3& b)
{
    const CVector3 u = a - at;
    const CVector3 w = b - at;
    return std::atan2(u.Cross(w).Length(), u.Dot(w));
}

// Largest |360 - angle sum| over interior vertices (every edge there has two
// sides), in degrees, and the vertex it is at; -1 when there is no interior vertex.
double MaxAngleDefect(const CPaperSurface& s, int64_t& at)
{
    const size_t n = s.vertex.size();
    std::vector<double> sum(n, 0.0);
    std::vector<uint8_t> boundary(n, 0);
    for (size_t t = 0; t < s.Triangles(); ++t) {
        const CVector3 p[3] = {s.Corner(3 * t), s.Corner(3 * t + 1), s.Corner(3 * t + 2)};
        for (int j = 0; j < 3; ++j) {
            const size_t c = 3 * t + j;
            sum[s.vertexOf[c]] += CornerAngle(p[j], p[(j + 1) % 3], p[(j + 2) % 3]);
            if (s.twin[c] < 0) {
                boundary[s.vertexOf[c]] = 1;
                boundary[s.vertexOf[NextInTriangle(static_cast<uint32_t>(c))]] = 1;
            }
        }
    }
    double worst = 0.0;
    at = -1;
    for (size_t v = 0; v < n; ++v) {
        if (boundary[v])
            continue;
        const double defect = std::fabs(360.0 - sum[v] * (180.0 / std::numbers::pi));
        if (at < 0 || defect > worst) {
            worst = defect;
            at = static_cast<int64_t>(v);
        }
    }
    return worst;
}

CVector3 AreaVector(const CPaperSurface& s, size_t t)
{
    const CVector3& p0 = s.Corner(3 * t);
    return (s.Corner(3 * t + 1) - p0).Cross(s.Corner(3 * t + 2) - p0);
}

// The plane of a flat model: normal n, through `origin`. False when some
// vertex is farther than the flat tolerance from it.
bool FlatPlane(const CPaperSurface& s, CVector3& n, CVector3& origin)
{
    // Area vectors summed after turning each to the largest face's side, so
    // pieces wound either way agree on the plane.
    // Worked out twice rather than kept: a million of them would take 24 MB.
    CVector3 largest;
    double largestArea = -1.0;
    for (size_t t = 0; t < s.Triangles(); ++t) {
        const CVector3 area = AreaVector(s, t);
        const double a = area.Length();
        if (a > largestArea) {
            largestArea = a;
            largest = area;
        }
    }
    CVector3 sum;
    for (size_t t = 0; t < s.Triangles(); ++t) {
        const CVector3 a = AreaVector(s, t);
        sum = sum + (a.Dot(largest) >= 0.0 ? a : a * -1.0);
    }
    if (!(sum.Length() > 0.0))
        return false;
    n = sum;
    n.Normalize();
    origin = CVector3{};
    for (const CVector3& p : s.vertex)
        origin = origin + p;
    origin = origin * (1.0 / static_cast<double>(s.vertex.size()));
    const double limit = kFlatTolerance * s.Diagonal();
    for (const CVector3& p : s.vertex)
        if (std::fabs((p - origin).Dot(n)) > limit)
            return false;
    return true;
}

// A face turned over against its neighbours (a sheet folded flat) makes a
// flat model a folded form rather than its own paper.
bool TurnedOver(const CPaperSurface& s, const CVector3& n)
{
    std::vector<int8_t> side(static_cast<size_t>(s.pieces), 0);
    const double tiny = 1e-12 * s.Diagonal() * s.Diagonal();
    for (size_t t = 0; t < s.Triangles(); ++t) {
        const double along = AreaVector(s, t).Dot(n);
        if (std::fabs(along) <= tiny)
            continue;
        int8_t& first = side[static_cast<size_t>(s.pieceOf[t])];
        const int8_t here = along > 0.0 ? 1 : -1;
        if (first == 0)
            first = here;
        else if (first != here)
            return true;
    }
    return false;
}

// Pieces of a flat model lying on one another.
bool PiecesOverlap(const CPaperSurface& s, const std::vector<CPaperPoint>& paper)
{
    if (s.pieces < 2)
        return false;
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    FindPaperOverlaps(paper, {}, pairs);
    for (const auto& [a, b] : pairs)
        if (s.pieceOf[a] != s.pieceOf[b])
            return true;
    return false;
}

bool InAxisPlane(const CVector3& n)
{
    constexpr double kAxis = 1.0 - 1e-12;
    return std::fabs(n.x) >= kAxis || std::fabs(n.y) >= kAxis || std::fabs(n.z) >= kAxis;
}

// The axes a flat model is laid out along, and whether u runs backwards.
struct FlatFrame {
    CVector3 e1, e2;
    bool mirrored = false;
};

CPaperPoint InFrame(const FlatFrame& f, const CVector3& d)
{
    const double u = d.Dot(f.e1);
    return {f.mirrored ? -u : u, d.Dot(f.e2)};
}

// In-plane coordinates of every corner (through its welded vertex, so one
// vertex has one point), turned so that faces come out counter-clockwise.
FlatFrame FlatLayout(const CPaperSurface& s, const CVector3& n, const CVector3& origin,
                     std::vector<CPaperPoint>& paper)
{
    // First axis: the world axis most nearly in the plane, so a sheet drawn
    // in z = 0 keeps its x and y.
    const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    CVector3 axis = ax <= ay && ax <= az ? CVector3{1, 0, 0}
                    : ay <= az           ? CVector3{0, 1, 0}
                                         : CVector3{0, 0, 1};
    FlatFrame frame;
    frame.e1 = axis - n * axis.Dot(n);
    frame.e1.Normalize();
    frame.e2 = n.Cross(frame.e1);
    paper.resize(s.Corners());
    double signedArea = 0.0;
    for (size_t c = 0; c < s.Corners(); ++c)
        paper[c] = InFrame(frame, s.vertex[s.vertexOf[c]] - origin);
    for (size_t t = 0; 3 * t < paper.size(); ++t) {
        const CPaperPoint& a = paper[3 * t];
        const CPaperPoint& b = paper[3 * t + 1];
        const CPaperPoint& c = paper[3 * t + 2];
        signedArea += (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u);
    }
    if (signedArea < 0.0) { // most of the sheet faces away from n: look from its front
        frame.mirrored = true;
        for (CPaperPoint& p : paper)
            p.u = -p.u;
    }
    return frame;
}

// Turns the layout so that its smallest bounding rectangle runs along u and v:
// one side of that rectangle lies on an edge of the convex hull. `p` holds the
// layout's points, each at least once (a vertex's rather than every corner's).
void AlongSmallestRectangle(std::vector<CPaperPoint>& paper, std::vector<CPaperPoint> p)
{
    std::sort(p.begin(), p.end(), [](const CPaperPoint& a, const CPaperPoint& b) {
        return a.u != b.u ? a.u < b.u : a.v < b.v;
    });
    p.erase(std::unique(p.begin(), p.end()), p.end());
    if (p.size() < 3)
        return;
    auto cross = [](const CPaperPoint& o, const CPaperPoint& a, const CPaperPoint& b) {
        return (a.u - o.u) * (b.v - o.v) - (a.v - o.v) * (b.u - o.u);
    };
    std::vector<CPaperPoint> hull;
    for (size_t i = 0; i < p.size(); ++i) {
        while (hull.size() >= 2 && cross(hull[hull.size() - 2], hull.back(), p[i]) <= 0.0)
            hull.pop_back();
        hull.push_back(p[i]);
    }
    for (size_t i = p.size() - 1, lower = hull.size() + 1; i-- > 0;) {
        while (hull.size() >= lower && cross(hull[hull.size() - 2], hull.back(), p[i]) <= 0.0)
            hull.pop_back();
        hull.push_back(p[i]);
    }
    hull.pop_back();
    double bestArea = kDoubleMax, bestC = 1.0, bestS = 0.0;
    for (size_t i = 0; i < hull.size(); ++i) {
        const CPaperPoint& a = hull[i];
        const CPaperPoint& b = hull[(i + 1) % hull.size()];
        const double len = std::hypot(b.u - a.u, b.v - a.v);
        if (!(len > 0.0))
            continue;
        const double c = (b.u - a.u) / len, s = (b.v - a.v) / len;
        double lu = kDoubleMax, hu = -kDoubleMax, lv = kDoubleMax, hv = -kDoubleMax;
        for (const CPaperPoint& q : hull) {
            const double u = c * q.u + s * q.v, v = -s * q.u + c * q.v;
            lu = std::min(lu, u), hu = std::max(hu, u);
            lv = std::min(lv, v), hv = std::max(hv, v);
        }
        if ((hu - lu) * (hv - lv) < bestArea) {
            bestArea = (hu - lu) * (hv - lv);
            bestC = c;
            bestS = s;
        }
    }
    for (CPaperPoint& q : paper)
        q = {bestC * q.u + bestS * q.v, -bestS * q.u + bestC * q.v};
}

void Extent(std::vector<CPaperPoint>& paper, double& width, double& height)
{
    double lu = kDoubleMax, lv = kDoubleMax, hu = -kDoubleMax, hv = -kDoubleMax;
    for (const CPaperPoint& p : paper) {
        lu = std::min(lu, p.u);
        lv = std::min(lv, p.v);
        hu = std::max(hu, p.u);
        hv = std::max(hv, p.v);
    }
    for (CPaperPoint& p : paper) {
        p.u -= lu;
        p.v -= lv;
    }
    width = hu - lu;
    height = hv - lv;
}

std::string WhyNotFlat(double defect, const CVector3& at)
{
    char text[160];
    // One decimal reads well; a defect below 1 degree keeps two digits so it never shows as 0.0.
    char angle[32];
    if (defect >= 1.0)
        std::snprintf(angle, sizeof angle, "%.1f", defect);
    else
        std::snprintf(angle, sizeof angle, "%.2g", defect);
    std::snprintf(
        text, sizeof text,
        "This surface does not unfold flat: angle defect up to %s\xC2\xB0 at (%.3g, %.3g, "
        "%.3g).",
        angle, at.x, at.y, at.z);
    return text;
}

// Flattens by least squares every piece the unfolding stretched past
// kStrainUnnoticed, in the frame the unfolding gave it (its first triangle's
// corner 0 at the origin, edge 0-1 along u). The start is the unfolding
// without snapping, each point where its triangles put it on average: the
// drift round loops is spread instead of piled into the closing triangles.
// False when cancelled.
bool FlattenStrained(const CPaperSurface& s, const std::vector<double>& pieceStrain,
                     std::vector<CPaperPoint>& paper, IProgress* progress)
{
    std::vector<int> strained;
    for (int p = 0; p < s.pieces; ++p)
        if (pieceStrain[static_cast<size_t>(p)] > kStrainUnnoticed)
            strained.push_back(p);
    if (strained.empty())
        return true;
    ProgressScope scope(progress, "File Open");
    scope.SetText("Flattening the paper");
    scope.SetRange(0, 100);
    std::vector<std::vector<uint32_t>> trianglesOf(static_cast<size_t>(s.pieces));
    for (const uint32_t t : s.order)
        trianglesOf[static_cast<size_t>(s.pieceOf[t])].push_back(t);
    std::vector<uint32_t> local(s.points, UINT32_MAX);
    std::vector<CPaperPoint> loose;
    UnfoldSurface(s, loose, false);
    for (size_t i = 0; i < strained.size(); ++i) {
        const std::vector<uint32_t>& triangles = trianglesOf[static_cast<size_t>(strained[i])];
        std::vector<CVector3> corner;
        std::vector<uint32_t> pointOf;
        std::vector<CPaperPoint> point;
        std::vector<int> count;
        corner.reserve(3 * triangles.size());
        pointOf.reserve(3 * triangles.size());
        for (const uint32_t t : triangles)
            for (uint32_t c = 3 * t; c < 3 * t + 3; ++c) {
                uint32_t& k = local[s.pointOf[c]];
                if (k == UINT32_MAX) {
                    k = static_cast<uint32_t>(point.size());
                    point.push_back(CPaperPoint{});
                    count.push_back(0);
                }
                point[k].u += loose[c].u;
                point[k].v += loose[c].v;
                ++count[k];
                corner.push_back(s.Corner(c));
                pointOf.push_back(k);
            }
        for (size_t q = 0; q < point.size(); ++q)
            point[q] = {point[q].u / count[q], point[q].v / count[q]};
        const auto keepGoing = [&](int share) {
            return scope.Update(static_cast<int>((100 * i + share) / strained.size()));
        };
        if (!FlattenByLeastSquares(corner, pointOf, static_cast<uint32_t>(point.size()), point,
                                   keepGoing))
            return false;
        // Back into the unfolding's frame, turned about its first corner.
        const CPaperPoint o = point[pointOf[0]];
        const double du = point[pointOf[1]].u - o.u, dv = point[pointOf[1]].v - o.v;
        const double len = std::hypot(du, dv);
        const double c = len > 0.0 ? du / len : 1.0, sn = len > 0.0 ? dv / len : 0.0;
        for (size_t q = 0; q < corner.size(); ++q) {
            const CPaperPoint& p = point[pointOf[q]];
            const double u = p.u - o.u, v = p.v - o.v;
            paper[3 * triangles[q / 3] + q % 3] = {c * u + sn * v, -sn * u + c * v};
        }
        for (const uint32_t t : triangles)
            for (uint32_t c3 = 3 * t; c3 < 3 * t + 3; ++c3)
                local[s.pointOf[c3]] = UINT32_MAX;
    }
    return true;
}

// The surface as read, welded by position or by the model's vertex records.
bool ReadSurface(const CPolyModel& model, CPaperSurface& s, std::string& whyNot)
{
    const CPolyObject& object = *model.objects[0];
    for (const CPolyFace* f : object.faces)
        if (f->corners.size() != 3) {
            whyNot = "Every face must be a triangle to unfold.";
            return false;
        }
    ReadSurfaceTriangles(s, object.faces);
    if (model.paperFromRecords) {
        std::unordered_map<const CPolyVertex*, uint32_t> number;
        for (size_t c = 0; c < s.Corners(); ++c)
            s.vertexOf[c] =
                number
                    .emplace(object.faces[c / 3]->corners[static_cast<int>(c % 3)]->vertex,
                             static_cast<uint32_t>(number.size()))
                    .first->second;
        KeepVertexNumbers(s, static_cast<uint32_t>(number.size()));
    } else {
        const CVector3 half = (s.hi - s.lo) * 0.5;
        const double unitScale = std::max(half.x, std::max(half.y, half.z)) * 1.0001;
        WeldNearbyCorners(s, kCoincideTolerance * unitScale);
    }
    return true;
}

} // namespace

bool HasPaper(const CPolyModel& model)
{
    return model.paperInfo.has && !model.objects.empty() &&
           model.paper.size() == 3 * model.objects[0]->faces.size();
}

bool AssignPaper(CPolyModel& model, IProgress* progress)
{
    if (model.paperInfo.has)
        return true;
    model.paper.clear();
    CPaperInfo info;
    if (model.objects.empty() || model.objects[0]->faces.empty()) {
        info.whyNot = "There is no surface to unfold.";
        model.paperInfo = info;
        return true;
    }
    CPaperSurface s;
    if (!ReadSurface(model, s, info.whyNot)) {
        model.paperInfo = info;
        return true;
    }
    JoinSurface(s);
    info.pieces = s.pieces;

    CVector3 n, origin;
    std::vector<CPaperPoint> paper;
    bool flat = FlatPlane(s, n, origin) && !TurnedOver(s, n);
    FlatFrame frame;
    if (flat) {
        if (s.pieces < 2) { // it stays flat: the joins are not needed again
            std::vector<int32_t>().swap(s.twin);
            std::vector<uint32_t>().swap(s.pointOf);
            std::vector<uint32_t>().swap(s.order);
            std::vector<int32_t>().swap(s.pieceOf);
        }
        frame = FlatLayout(s, n, origin, paper);
        flat = !PiecesOverlap(s, paper);
    }
    if (flat) {
        std::vector<uint32_t>().swap(s.vertexOf);
        if (!InAxisPlane(n)) {
            // The hull comes from the vertices' points, the same set as the corners'.
            std::vector<CPaperPoint> atVertex(s.vertex.size());
            for (size_t v = 0; v < s.vertex.size(); ++v)
                atVertex[v] = InFrame(frame, s.vertex[v] - origin);
            std::vector<CVector3>().swap(s.vertex);
            AlongSmallestRectangle(paper, std::move(atVertex));
        }
        Extent(paper, info.width, info.height);
    } else {
        int64_t at = -1;
        info.maxAngleDefect = MaxAngleDefect(s, at);
        if (at >= 0)
            info.maxDefectAt = s.vertex[static_cast<size_t>(at)];
        // Nothing from here on needs the welded vertices.
        std::vector<uint32_t>().swap(s.vertexOf);
        std::vector<CVector3>().swap(s.vertex);
        // The unfolding does not need the pieces by triangle: they go while it
        // runs and come back from the order, which lists piece after piece.
        std::vector<uint32_t> pieceStart(static_cast<size_t>(s.pieces) + 1, 0);
        for (const int32_t p : s.pieceOf)
            ++pieceStart[static_cast<size_t>(p) + 1];
        for (size_t p = 0; p < static_cast<size_t>(s.pieces); ++p)
            pieceStart[p + 1] += pieceStart[p];
        std::vector<int32_t>().swap(s.pieceOf);
        UnfoldSurface(s, paper);
        std::vector<uint32_t>().swap(s.pointOf); // the points are down
        s.pieceOf.resize(s.Triangles());
        for (size_t p = 0; p < static_cast<size_t>(s.pieces); ++p)
            for (uint32_t i = pieceStart[p]; i < pieceStart[p + 1]; ++i)
                s.pieceOf[s.order[i]] = static_cast<int32_t>(p);
        std::vector<double> pieceStrain;
        MeasureStrain(s, paper, info.strainMax, info.strainMean, &pieceStrain);
        if (info.strainMax > kStrainUnnoticed && info.maxAngleDefect < kDefectBeyondFlattening) {
            NumberPoints(s);
            if (!FlattenStrained(s, pieceStrain, paper, progress)) {
                model.paperInfo = CPaperInfo{};
                model.paperInfo.whyNot = "Canceled";
                return false;
            }
            MeasureStrain(s, paper, info.strainMax, info.strainMean);
        }
        if (info.strainMax > kStrainRefused) {
            info.whyNot = WhyNotFlat(info.maxAngleDefect, info.maxDefectAt);
            info.pieces = 0;
            info.strainMax = info.strainMean = 0.0;
            model.paperInfo = info;
            return true;
        }
        std::vector<uint32_t>().swap(s.pointOf);
        info.split = SplitOverlappingPieces(s, paper);
        info.pieces = s.pieces;
        SetSideBySide(s, paper, info.width, info.height);
    }
    info.has = true;
    // Back to the corners as read, in place: a corner moves only within its triangle.
    for (size_t t = 0; 3 * t < paper.size(); ++t) {
        const CPaperPoint laid[3] = {paper[3 * t], paper[3 * t + 1], paper[3 * t + 2]};
        for (size_t j = 0; j < 3; ++j)
            paper[s.CornerOf(3 * t + j)] = laid[j];
    }
    model.paper = std::move(paper);
    model.paperInfo = info;
    return true;
}

#include "paper/PaperLayout.h"

#include "model/CellTable.h"
#include "model/PolyModel.h"
#include "paper/MeshEdges.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

// Corners of objects[0] as a soup: 3 per face, welded to vertex numbers.
struct Soup {
    std::vector<CVector3> corner;   // as read
    std::vector<uint32_t> vertexOf; // per corner
    std::vector<CVector3> vertex;   // first corner's position per vertex
    std::vector<int32_t> twin;
    CVector3 lo{kDoubleMax, kDoubleMax, kDoubleMax};
    CVector3 hi{-kDoubleMax, -kDoubleMax, -kDoubleMax};
    double Diagonal() const { return Distance3D(lo, hi); }
};

// Welds corners closer than tol. Cells are four tolerances wide, so a corner
// looks into a neighbouring cell only when it lies within tol of that side.
void Weld(Soup& s, double tol)
{
    CCellTable head; // cell -> latest vertex in it
    head.SetCellSize(4.0 * tol);
    head.Reset(s.corner.size() / 4 + 16);
    std::vector<int32_t> nextInCell;
    s.vertexOf.resize(s.corner.size());
    auto findIn = [&](const CellKey& k, const CVector3& p) -> int32_t {
        for (int32_t v = head.Find(k); v != CCellTable::kNone; v = nextInCell[v])
            if (Distance3D(s.vertex[v], p) <= tol)
                return v;
        return CCellTable::kNone;
    };
    for (size_t c = 0; c < s.corner.size(); ++c) {
        const CVector3& p = s.corner[c];
        const CellKey k = head.KeyOf(p);
        int32_t found = findIn(k, p);
        if (found < 0) {
            // Neighbours only on the sides this corner is close to.
            const CellKey near = head.KeyOf({p.x - tol, p.y - tol, p.z - tol});
            const CellKey far = head.KeyOf({p.x + tol, p.y + tol, p.z + tol});
            for (int64_t x = near.x; x <= far.x && found < 0; ++x)
                for (int64_t y = near.y; y <= far.y && found < 0; ++y)
                    for (int64_t z = near.z; z <= far.z && found < 0; ++z)
                        if (!(CellKey{x, y, z} == k))
                            found = findIn({x, y, z}, p);
        }
        if (found < 0) {
            found = static_cast<int32_t>(s.vertex.size());
            s.vertex.push_back(p);
            int32_t& latest = head.Slot(k);
            nextInCell.push_back(latest);
            latest = found;
        }
        s.vertexOf[c] = static_cast<uint32_t>(found);
    }
}

double CornerAngle(const CVector3& at, const CVector3& a, const CVector3& b)
{
    const CVector3 u = a - at;
    const CVector3 w = b - at;
    return std::atan2(u.Cross(w).Length(), u.Dot(w));
}

// Largest |360 - angle sum| over interior vertices (every edge there has two
// sides), in degrees, and the vertex it is at; -1 when there is no interior vertex.
double MaxAngleDefect(const Soup& s, int64_t& at)
{
    const size_t n = s.vertex.size();
    std::vector<double> sum(n, 0.0);
    std::vector<uint8_t> boundary(n, 0);
    for (size_t t = 0; 3 * t < s.corner.size(); ++t) {
        for (int j = 0; j < 3; ++j) {
            const size_t c = 3 * t + j;
            sum[s.vertexOf[c]] += CornerAngle(s.corner[c], s.corner[3 * t + (j + 1) % 3],
                                              s.corner[3 * t + (j + 2) % 3]);
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

// Piece number per triangle (pieces join across paired edges) and the count.
int Pieces(const Soup& s, std::vector<int32_t>& pieceOf, std::vector<uint32_t>& order)
{
    const size_t triangles = s.corner.size() / 3;
    pieceOf.assign(triangles, -1);
    order.clear(); // breadth-first order, piece after piece
    int pieces = 0;
    for (size_t first = 0; first < triangles; ++first) {
        if (pieceOf[first] >= 0)
            continue;
        pieceOf[first] = pieces;
        size_t head = order.size();
        order.push_back(static_cast<uint32_t>(first));
        while (head < order.size()) {
            const uint32_t t = order[head++];
            for (int j = 0; j < 3; ++j) {
                const int32_t g = s.twin[3 * t + j];
                if (g >= 0 && pieceOf[g / 3] < 0) {
                    pieceOf[g / 3] = pieces;
                    order.push_back(static_cast<uint32_t>(g / 3));
                }
            }
        }
        ++pieces;
    }
    return pieces;
}

CPaperPoint Left(const CPaperPoint& a, const CPaperPoint& b, double t, double h)
{
    const double du = b.u - a.u;
    const double dv = b.v - a.v;
    const double len = std::sqrt(du * du + dv * dv);
    if (len == 0.0)
        return a;
    return {a.u + t * du - h * dv / len, a.v + t * dv + h * du / len};
}

// Where corner c of a triangle goes, left of the paper edge a -> b, from the
// triangle's own shape (foot parameter along a-b and height above it).
CPaperPoint ThirdCorner(const CVector3& pa, const CVector3& pb, const CVector3& pc,
                        const CPaperPoint& a, const CPaperPoint& b)
{
    const CVector3 e = pb - pa;
    const double ee = e.Dot(e);
    if (ee == 0.0)
        return a;
    const double t = (pc - pa).Dot(e) / ee;
    const double h = ((pc - pa) - e * t).Length();
    return Left(a, b, t, h);
}

// Lays out every piece in its own frame across paired edges, breadth first.
void Unfold(const Soup& s, const std::vector<int32_t>& pieceOf, const std::vector<uint32_t>& order,
            std::vector<CPaperPoint>& paper)
{
    const size_t triangles = s.corner.size() / 3;
    paper.assign(3 * triangles, CPaperPoint{});
    std::vector<uint8_t> placed(triangles, 0);
    // A vertex reached again round a closed loop takes the point it already
    // has, so the sheet stays in one piece; one reached round a tube lands
    // far from it and the tube is cut there.
    std::vector<CPaperPoint> vertexPaper(s.vertex.size());
    std::vector<int32_t> vertexPiece(s.vertex.size(), -1);
    const double snap = 1e-3 * s.Diagonal();
    auto settle = [&](uint32_t c, CPaperPoint p) {
        const uint32_t v = s.vertexOf[c];
        const int32_t piece = pieceOf[c / 3];
        if (vertexPiece[v] != piece) {
            vertexPiece[v] = piece;
            vertexPaper[v] = p;
        } else if (std::hypot(p.u - vertexPaper[v].u, p.v - vertexPaper[v].v) <= snap) {
            p = vertexPaper[v];
        }
        paper[c] = p;
    };
    for (const uint32_t t : order) {
        if (!placed[t]) {
            // First triangle of a piece: corner 0 at the origin, edge 0-1 along u.
            const CVector3& p0 = s.corner[3 * t];
            const CVector3& p1 = s.corner[3 * t + 1];
            const CPaperPoint a{0.0, 0.0};
            const CPaperPoint b{Distance3D(p0, p1), 0.0};
            settle(3 * t, a);
            settle(3 * t + 1, b);
            settle(3 * t + 2, ThirdCorner(p0, p1, s.corner[3 * t + 2], a, b));
            placed[t] = 1;
        }
        for (uint32_t j = 0; j < 3; ++j) {
            const int32_t twin = s.twin[3 * t + j];
            if (twin < 0 || placed[twin / 3])
                continue;
            // The neighbour's edge k -> k+1 runs back along ours, so its third
            // corner lies left of it: the neighbour comes out counter-clockwise.
            const uint32_t k = static_cast<uint32_t>(twin);
            const uint32_t k1 = NextInTriangle(k);
            const uint32_t k2 = NextInTriangle(k1);
            paper[k] = paper[NextInTriangle(3 * t + j)];
            paper[k1] = paper[3 * t + j];
            settle(k2, ThirdCorner(s.corner[k], s.corner[k1], s.corner[k2], paper[k], paper[k1]));
            placed[k / 3] = 1;
        }
    }
}

// Sets pieces side by side, each with its lower-left at (cursor, 0).
void SideBySide(const std::vector<int32_t>& pieceOf, int pieces, std::vector<CPaperPoint>& paper,
                double& width, double& height)
{
    std::vector<double> lo(2 * pieces, kDoubleMax), hi(2 * pieces, -kDoubleMax);
    for (size_t c = 0; c < paper.size(); ++c) {
        const int32_t p = pieceOf[c / 3];
        lo[2 * p] = std::min(lo[2 * p], paper[c].u);
        lo[2 * p + 1] = std::min(lo[2 * p + 1], paper[c].v);
        hi[2 * p] = std::max(hi[2 * p], paper[c].u);
        hi[2 * p + 1] = std::max(hi[2 * p + 1], paper[c].v);
    }
    std::vector<double> shift(pieces);
    double cursor = 0.0;
    height = 0.0;
    for (int p = 0; p < pieces; ++p) {
        shift[p] = cursor - lo[2 * p];
        cursor += hi[2 * p] - lo[2 * p] + kPieceGap;
        height = std::max(height, hi[2 * p + 1] - lo[2 * p + 1]);
    }
    width = pieces > 0 ? cursor - kPieceGap : 0.0;
    for (size_t c = 0; c < paper.size(); ++c) {
        const int32_t p = pieceOf[c / 3];
        paper[c].u += shift[p];
        paper[c].v -= lo[2 * p + 1];
    }
}

// The plane of a flat model: normal n, through `origin`. False when some
// vertex is farther than the flat tolerance from it.
bool FlatPlane(const Soup& s, CVector3& n, CVector3& origin)
{
    // Area vectors summed after turning each to the largest face's side, so
    // faces wound either way agree on the plane.
    size_t largest = 0;
    double largestArea = -1.0;
    std::vector<CVector3> area(s.corner.size() / 3);
    for (size_t t = 0; t < area.size(); ++t) {
        area[t] =
            (s.corner[3 * t + 1] - s.corner[3 * t]).Cross(s.corner[3 * t + 2] - s.corner[3 * t]);
        const double a = area[t].Length();
        if (a > largestArea) {
            largestArea = a;
            largest = t;
        }
    }
    CVector3 sum;
    for (const CVector3& a : area)
        sum = sum + (a.Dot(area[largest]) >= 0.0 ? a : a * -1.0);
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

// In-plane coordinates of every corner (through its welded vertex, so one
// vertex has one point), turned so that faces come out counter-clockwise.
void FlatLayout(const Soup& s, const CVector3& n, const CVector3& origin,
                std::vector<CPaperPoint>& paper)
{
    // First axis: the world axis most nearly in the plane, so a sheet drawn
    // in z = 0 keeps its x and y.
    const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    CVector3 axis = ax <= ay && ax <= az ? CVector3{1, 0, 0}
                    : ay <= az           ? CVector3{0, 1, 0}
                                         : CVector3{0, 0, 1};
    CVector3 e1 = axis - n * axis.Dot(n);
    e1.Normalize();
    const CVector3 e2 = n.Cross(e1);
    paper.resize(s.corner.size());
    double signedArea = 0.0;
    for (size_t c = 0; c < s.corner.size(); ++c) {
        const CVector3 d = s.vertex[s.vertexOf[c]] - origin;
        paper[c] = {d.Dot(e1), d.Dot(e2)};
    }
    for (size_t t = 0; 3 * t < paper.size(); ++t) {
        const CPaperPoint& a = paper[3 * t];
        const CPaperPoint& b = paper[3 * t + 1];
        const CPaperPoint& c = paper[3 * t + 2];
        signedArea += (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u);
    }
    if (signedArea < 0.0) // most of the sheet faces away from n: look from its front
        for (CPaperPoint& p : paper)
            p.u = -p.u;
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

} // namespace

bool HasPaper(const CPolyModel& model)
{
    return model.paperInfo.has && !model.objects.empty() &&
           model.paper.size() == 3 * model.objects[0]->faces.size();
}

void AssignPaper(CPolyModel& model)
{
    if (model.paperInfo.has)
        return;
    model.paper.clear();
    CPaperInfo info;
    if (model.objects.empty() || model.objects[0]->faces.empty()) {
        info.whyNot = "There is no surface to unfold.";
        model.paperInfo = info;
        return;
    }
    const CPolyObject& object = *model.objects[0];
    Soup s;
    s.corner.reserve(3 * object.faces.size());
    for (const CPolyFace* f : object.faces) {
        if (f->corners.size() != 3) {
            info.whyNot = "Every face must be a triangle to unfold.";
            model.paperInfo = info;
            return;
        }
        for (const CFaceCorner* c : f->corners) {
            const CVector3& p = c->vertex->pos;
            s.corner.push_back(p);
            s.lo = {std::min(s.lo.x, p.x), std::min(s.lo.y, p.y), std::min(s.lo.z, p.z)};
            s.hi = {std::max(s.hi.x, p.x), std::max(s.hi.y, p.y), std::max(s.hi.z, p.z)};
        }
    }
    const CVector3 half = (s.hi - s.lo) * 0.5;
    const double unitScale = std::max(half.x, std::max(half.y, half.z)) * 1.0001;
    Weld(s, kCoincideTolerance * unitScale);
    CHalfEdgeBuffers buffers;
    PairHalfEdges(s.vertexOf, static_cast<uint32_t>(s.vertex.size()), s.twin, buffers);
    std::vector<int32_t> pieceOf;
    std::vector<uint32_t> order;
    info.pieces = Pieces(s, pieceOf, order);

    CVector3 n, origin;
    std::vector<CPaperPoint> paper;
    if (FlatPlane(s, n, origin)) {
        FlatLayout(s, n, origin, paper);
        Extent(paper, info.width, info.height);
    } else {
        int64_t at = -1;
        info.maxAngleDefect = MaxAngleDefect(s, at);
        if (at >= 0)
            info.maxDefectAt = s.vertex[at];
        if (info.maxAngleDefect > kDevelopableDegrees) {
            info.whyNot = WhyNotFlat(info.maxAngleDefect, info.maxDefectAt);
            info.pieces = 0;
            model.paperInfo = info;
            return;
        }
        Unfold(s, pieceOf, order, paper);
        SideBySide(pieceOf, info.pieces, paper, info.width, info.height);
    }
    info.has = true;
    model.paper = std::move(paper);
    model.paperInfo = info;
}

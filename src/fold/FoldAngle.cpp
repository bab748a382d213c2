#include "fold/FoldAngle.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

namespace {

// Distance from p to the segment a-b.
double SegmentDistance(const CVector3& p, const CVector3& a, const CVector3& b)
{
    const CVector3 ab = b - a;
    const double len2 = ab.Dot(ab);
    double t = len2 > 0.0 ? (p - a).Dot(ab) / len2 : 0.0;
    t = std::fmin(1.0, std::fmax(0.0, t));
    return Distance3D(p, a + ab * t);
}

struct Nearest {
    double distance = std::numeric_limits<double>::infinity();
    int64_t tri = -1;
    bool cut = false; // the plane passes through the face's inside
    // Strictly cut faces win ties: they hold the crease point on both sides.
    void Offer(double d, size_t t, bool strict)
    {
        if (d < distance || (d == distance && strict && !cut)) {
            distance = d;
            tri = static_cast<int64_t>(t);
            cut = strict;
        }
    }
};

// The two faces a step creases at the crease point nearest the start: the
// fixed one's front normal, and the moving one's before the step.
struct CreaseFaces {
    CVector3 fixedFront;
    CVector3 movedFront;
};

// The fold angle, valley positive, of faces `f` creased by the mirror with
// unit normal m pointing to the moving side; +-180 has no sign of its own.
double AngleOf(const CreaseFaces& f, const CVector3& m)
{
    const CVector3& n = f.fixedFront;
    const CVector3 moved = m * (2.0 * f.movedFront.Dot(m)) - f.movedFront;
    // The crease runs along n x m in the fixed face's counter-clockwise
    // order (its inside lies on the side that stays).
    const CVector3 along = n.Cross(m);
    return -std::atan2(n.Cross(moved).Dot(along) / std::fmax(along.Length(), 1e-300),
                       n.Dot(moved)) *
           180.0 / std::numbers::pi;
}

// The smallest r >= 0 with a r^2 + b r + c = 0, or +inf. A root that rounding
// leaves just short of real (a double root) still counts. The roots are
// taken in the form that loses no digits when a is tiny or b dominates.
double FirstRoot(double a, double b, double c)
{
    const double inf = std::numeric_limits<double>::infinity();
    double disc = b * b - 4.0 * a * c;
    if (disc < 0.0) {
        if (disc < -1e-9 * (b * b + std::fabs(4.0 * a * c)))
            return inf;
        disc = 0.0;
    }
    const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));
    double best = inf;
    for (const double r : {q != 0.0 ? c / q : inf, a != 0.0 ? q / a : inf})
        if (r >= 0.0 && r < best)
            best = r;
    return best;
}

} // namespace

CVector3 FrontNormal(const CWorkingShape& mesh, size_t t)
{
    const CPaperPoint& a = mesh.corner[3 * t].paper;
    const CPaperPoint& b = mesh.corner[3 * t + 1].paper;
    const CPaperPoint& c = mesh.corner[3 * t + 2].paper;
    const double turn = (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u);
    return turn < 0.0 ? mesh.tri[t].normal * -1.0 : mesh.tri[t].normal;
}

namespace {

std::optional<CreaseFaces> CreaseFacesOf(const CWorkingShape& base, const CVector3& startPos,
                                         const CVector3& draggedPos)
{
    CVector3 m = startPos - draggedPos;
    if (!(m.Length() > 0.0))
        return std::nullopt;
    m.Normalize();
    const CVector3 mid = (startPos + draggedPos) * 0.5;
    auto sideOf = [](double u) {
        return u > kDesignTolerance ? 1 : (u < -kDesignTolerance ? -1 : 0);
    };

    Nearest fixedFace, movingFace;
    for (size_t t = 0; t < base.TriangleCount(); ++t) {
        CVector3 p[3];
        double u[3]; // plane values, positive on the moving side (the start's)
        int s[3];
        bool moving = false, fixed = false;
        for (int j = 0; j < 3; ++j) {
            p[j] = base.Pos(t, j);
            u[j] = m.Dot(p[j] - mid);
            s[j] = sideOf(u[j]);
            moving |= s[j] > 0;
            fixed |= s[j] < 0;
        }
        if ((s[0] != 0 && s[1] != 0 && s[2] != 0 && !(moving && fixed)) || (!moving && !fixed))
            continue; // wholly on one side, or lying in the plane
        // Where the plane meets the face: the corners on it and the
        // crossings of the edges it cuts.
        CVector3 meet[3];
        int count = 0;
        for (int j = 0; j < 3; ++j) {
            const int k = (j + 1) % 3;
            if (s[j] == 0)
                meet[count++] = p[j];
            else if (s[k] != 0 && s[j] != s[k])
                meet[count++] = p[j] + (p[k] - p[j]) * (u[j] / (u[j] - u[k]));
        }
        double d = Distance3D(startPos, meet[0]);
        for (int i = 1; i < count; ++i)
            d = std::fmin(d, SegmentDistance(startPos, meet[i - 1], meet[i]));
        const bool strict = moving && fixed;
        if (fixed)
            fixedFace.Offer(d, t, strict);
        if (moving)
            movingFace.Offer(d, t, strict);
    }
    if (fixedFace.tri < 0 || movingFace.tri < 0)
        return std::nullopt;
    return CreaseFaces{FrontNormal(base, static_cast<size_t>(fixedFace.tri)),
                       FrontNormal(base, static_cast<size_t>(movingFace.tri))};
}

// The point nearest `raw` on the plane (origin raw, unit axes e1, e2) whose
// fold angle for faces f has the magnitude `degrees`, as the offset (a, b);
// false when the plane holds none. The set is the plane's cut with a cone
// about the start: along each direction from raw the nearest such point is
// the first root of a quadratic, and the nearest of all is found by a sweep
// of the directions refined round the best.
bool NearestWithAngle(const CreaseFaces& f, const CVector3& w0, const CVector3& e1,
                      const CVector3& e2, double degrees, double& a, double& b)
{
    // cos(angle) = 2 (nA.m)(nB.m) - nA.nB with m = w / |w|, w = start - q:
    // w' K w = 0 with K = nA nB' + nB nA' - (nA.nB + cos) I.
    const CVector3& nA = f.fixedFront;
    const CVector3& nB = f.movedFront;
    const double c = nA.Dot(nB) + std::cos(degrees * std::numbers::pi / 180.0);
    auto form = [&](const CVector3& x, const CVector3& y) {
        return nA.Dot(x) * nB.Dot(y) + nB.Dot(x) * nA.Dot(y) - c * x.Dot(y);
    };
    const double kww = form(w0, w0);
    auto reach = [&](double phi) {
        const CVector3 u = e1 * std::cos(phi) + e2 * std::sin(phi);
        // w(r) = w0 - r u
        return FirstRoot(form(u, u), -2.0 * form(u, w0), kww);
    };
    constexpr int kDirections = 720;
    const double step = 2.0 * std::numbers::pi / kDirections;
    double best = std::numeric_limits<double>::infinity(), bestPhi = 0.0;
    for (int i = 0; i < kDirections; ++i) {
        const double r = reach(i * step);
        if (r < best) {
            best = r;
            bestPhi = i * step;
        }
    }
    if (!std::isfinite(best))
        return false;
    double lo = bestPhi - step, hi = bestPhi + step;
    for (int i = 0; i < 80; ++i) {
        const double m1 = lo + (hi - lo) / 3.0, m2 = hi - (hi - lo) / 3.0;
        if (reach(m1) <= reach(m2))
            hi = m2;
        else
            lo = m1;
    }
    double at = (lo + hi) / 2.0;
    double r = reach(at);
    if (!(r <= best)) {
        r = best;
        at = bestPhi;
    }
    a = r * std::cos(at);
    b = r * std::sin(at);
    return std::isfinite(r);
}

} // namespace

std::optional<double> FoldAngleOfStep(const CWorkingShape& base, const CVector3& startPos,
                                      const CVector3& draggedPos, int32_t referenceCorner)
{
    const std::optional<CreaseFaces> faces = CreaseFacesOf(base, startPos, draggedPos);
    if (!faces)
        return std::nullopt;
    CVector3 m = startPos - draggedPos;
    m.Normalize();
    const double degrees = AngleOf(*faces, m);
    if (std::fabs(degrees) < 180.0 - kFlatFoldDegrees || referenceCorner < 0 ||
        static_cast<size_t>(referenceCorner) >= base.CornerCount())
        return degrees;
    const CVector3 reference = FrontNormal(base, static_cast<size_t>(referenceCorner) / 3);
    return faces->movedFront.Dot(reference) >= 0.0 ? std::fabs(degrees) : -std::fabs(degrees);
}

CVector3 SnapFoldAngle(const CWorkingShape& base, const CVector3& startPos, const CVector3& raw,
                       const CVector3& planeNormal, double stepDegrees)
{
    if (!(stepDegrees > 0.0) || !(planeNormal.Length() > 0.0))
        return raw;
    CVector3 normal = planeNormal;
    normal.Normalize();
    // Two unit axes of the plane.
    CVector3 e1 = std::fabs(normal.x) < 0.9 ? CVector3(1, 0, 0) : CVector3(0, 1, 0);
    e1 = e1 - normal * e1.Dot(normal);
    e1.Normalize();
    const CVector3 e2 = normal.Cross(e1);

    CVector3 snapped = raw;
    std::optional<CreaseFaces> faces = CreaseFacesOf(base, startPos, raw);
    for (int round = 0; round < 3 && faces; ++round) {
        // The nearest point for each multiple; the nearest of them whose
        // plane still creases the surface wins.
        std::vector<std::pair<double, CVector3>> candidates;
        for (double target = stepDegrees; target <= 180.0 + 1e-9; target += stepDegrees) {
            double a = 0.0, b = 0.0;
            if (NearestWithAngle(*faces, startPos - raw, e1, e2, target, a, b))
                candidates.emplace_back(std::hypot(a, b), raw + e1 * a + e2 * b);
        }
        std::sort(candidates.begin(), candidates.end(),
                  [](const auto& x, const auto& y) { return x.first < y.first; });
        std::optional<CreaseFaces> there;
        for (const auto& candidate : candidates) {
            there = CreaseFacesOf(base, startPos, candidate.second);
            if (there) {
                snapped = candidate.second;
                break;
            }
        }
        if (!there ||
            (there->fixedFront == faces->fixedFront && there->movedFront == faces->movedFront))
            break;
        faces = there;
    }
    return snapped;
}

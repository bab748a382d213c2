#include "checks/TrianglePair.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTol = kDesignTolerance;
constexpr double kTol2 = kTol * kTol;

bool SameCorner(const CVector3& p, const CVector3& q)
{
    const double dx = p.x - q.x, dy = p.y - q.y, dz = p.z - q.z;
    return dx * dx + dy * dy + dz * dz < kTol2;
}

bool Crosses(double dp, double dq)
{
    return (dp > kTol && dq < -kTol) || (dp < -kTol && dq > kTol);
}

bool AllBeyond(const double* d)
{
    return (d[0] > kTol && d[1] > kTol && d[2] > kTol) ||
           (d[0] < -kTol && d[1] < -kTol && d[2] < -kTol);
}

bool AllOn(const double* d)
{
    return std::fabs(d[0]) <= kTol && std::fabs(d[1]) <= kTol && std::fabs(d[2]) <= kTol;
}

// Whether the edge p-q, whose ends lie dp and dq from the plane of triangle c,
// crosses that plane at least the tolerance inside each of c's borders.
bool EdgeThrough(const CVector3& p, const CVector3& q, double dp, double dq, const CVector3* c,
                 const CVector3& n, CVector3& at)
{
    if (!Crosses(dp, dq))
        return false;
    const CVector3 x = p + (q - p) * (dp / (dp - dq));
    for (int k = 0; k < 3; ++k) {
        const CVector3& a = c[k];
        const CVector3 e = c[k == 2 ? 0 : k + 1] - a;
        // |e| times the distance of x inside the border a-b: positive inside,
        // as the normal is the right-hand normal of the corner order.
        const double s = e.Cross(x - a).Dot(n);
        if (!(s > 0.0 && s * s > kTol2 * e.Dot(e)))
            return false;
    }
    at = x;
    return true;
}

// Whether some pair of the three distances lies beyond the tolerance on
// opposite sides: only then can an edge pass through the plane.
bool AnyCrossing(const double* d)
{
    return ((d[0] > kTol) | (d[1] > kTol) | (d[2] > kTol)) &
           ((d[0] < -kTol) | (d[1] < -kTol) | (d[2] < -kTol));
}

} // namespace

bool CornersIntersect(const CVector3* pa, const CVector3& na, double offa, const CVector3* pb,
                      const CVector3& nb, double offb, CVector3& at)
{
    // Most pairs whose boxes overlap are neighbours on a smooth stretch of
    // paper: no edge of either goes through the other's plane.
    double da[3], db[3];
    for (int k = 0; k < 3; ++k) {
        da[k] = nb.Dot(pa[k]) + offb;
        db[k] = na.Dot(pb[k]) + offa;
    }
    const bool crossA = AnyCrossing(da);
    const bool crossB = AnyCrossing(db);
    if (!(crossA | crossB))
        return false;
    // Either lies beyond the other's plane: nothing of one meets the other.
    if (AllBeyond(da) || AllBeyond(db))
        return false;
    // Layers of a flat fold: one lies in the other's plane.
    if (AllOn(da) || AllOn(db))
        return false;
    // Neighbours across a crease or around a corner.
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k)
            if (SameCorner(pa[j], pb[k]))
                return false;
    for (int k = 0; crossA && k < 3; ++k) {
        const int k1 = k == 2 ? 0 : k + 1;
        if (EdgeThrough(pa[k], pa[k1], da[k], da[k1], pb, nb, at))
            return true;
    }
    for (int k = 0; crossB && k < 3; ++k) {
        const int k1 = k == 2 ? 0 : k + 1;
        if (EdgeThrough(pb[k], pb[k1], db[k], db[k1], pa, na, at))
            return true;
    }
    return false;
}

bool EdgeAlongTriangle(const CVector3* pa, const CVector3* pb, const CVector3& nb, double db,
                       const CVector3& na, double da, int& edge, int& side, CVector3& at)
{
    double toB[3], toA[3];
    for (int k = 0; k < 3; ++k) {
        toB[k] = nb.Dot(pa[k]) + db;
        toA[k] = na.Dot(pb[k]) + da;
    }
    if (!AnyCrossing(toA))
        return false;
    int off = -1, offCount = 0;
    for (int k = 0; k < 3; ++k)
        if (std::fabs(toB[k]) > kTol)
            off = k, ++offCount;
    if (offCount != 1)
        return false;
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k)
            if (SameCorner(pa[j], pb[k]))
                return false;
    const int k0 = off == 2 ? 0 : off + 1;
    const int k1 = k0 == 2 ? 0 : k0 + 1;
    const CVector3& p = pa[k0];
    const CVector3 e = pa[k1] - p;
    const double length = e.Length();
    if (!(length > kTol))
        return false;
    const CVector3 u = e * (1.0 / length);
    // Where b meets a's plane, measured along the edge.
    double lo = INFINITY, hi = -INFINITY;
    for (int k = 0; k < 3; ++k) {
        const int k2 = k == 2 ? 0 : k + 1;
        const double d0 = toA[k], d1 = toA[k2];
        if ((d0 < 0.0) == (d1 < 0.0) && d0 != 0.0 && d1 != 0.0)
            continue;
        const CVector3 x = d0 == d1 ? pb[k] : pb[k] + (pb[k2] - pb[k]) * (d0 / (d0 - d1));
        const double t = (x - p).Dot(u);
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    lo = std::max(lo, 0.0);
    hi = std::min(hi, length);
    if (!(hi - lo > kTol))
        return false;
    edge = k0;
    side = toB[off] > 0.0 ? 1 : -1;
    at = p + u * (0.5 * (lo + hi));
    return true;
}

bool TriangleHasPlane(const CTriangleData& t)
{
    return std::isfinite(t.normal.x) && std::isfinite(t.normal.y) && std::isfinite(t.normal.z) &&
           std::isfinite(t.d);
}

bool TrianglesIntersect(const CWorkingShape& mesh, size_t a, size_t b, CVector3* at)
{
    if (a == b)
        return false;
    if (a > b)
        std::swap(a, b);
    if (!TriangleHasPlane(mesh.tri[a]) || !TriangleHasPlane(mesh.tri[b]))
        return false;
    CVector3 x;
    const CTriangleData& ta = mesh.tri[a];
    const CTriangleData& tb = mesh.tri[b];
    if (!CornersIntersect(&mesh.pos[3 * a], ta.normal, ta.d, &mesh.pos[3 * b], tb.normal, tb.d, x))
        return false;
    if (at)
        *at = x;
    return true;
}

#include "model/WorkingShape.h"

#include "base/Lanes.h"

#include <cstring>

void CWorkingShape::Clear()
{
    pos.clear();
    corner.clear();
    tri.clear();
}

void CWorkingShape::Reserve(size_t triangles)
{
    pos.reserve(3 * triangles);
    corner.reserve(3 * triangles);
    tri.reserve(triangles);
}

void FlatPlaneOf(const CVector3& p0, const CVector3& p1, const CVector3& p2, CVector3& normal,
                 double& d)
{
    CVector3 n = (p0 - p1).Cross(p1 - p2);
    n.Normalize();
    normal = n;
    d = -(normal.x * p0.x + normal.y * p0.y + normal.z * p0.z);
}

void FlatPlanesOf(const CVector3* pos, CTriangleData* tri, size_t count)
{
    size_t t = 0;
    // The same operations in the same order as FlatPlaneOf, one triangle per
    // lane: each lane rounds exactly as the plain code does.
    using lanes::D2;
    for (; t + 2 <= count; t += 2) {
        const CVector3* a = pos + 3 * t;
        const CVector3* b = a + 3;
        const D2 p0x = {a[0].x, b[0].x}, p0y = {a[0].y, b[0].y}, p0z = {a[0].z, b[0].z};
        const D2 p1x = {a[1].x, b[1].x}, p1y = {a[1].y, b[1].y}, p1z = {a[1].z, b[1].z};
        const D2 p2x = {a[2].x, b[2].x}, p2y = {a[2].y, b[2].y}, p2z = {a[2].z, b[2].z};
        const D2 ex = p0x - p1x, ey = p0y - p1y, ez = p0z - p1z;
        const D2 ox = p1x - p2x, oy = p1y - p2y, oz = p1z - p2z;
        D2 nx = ey * oz - ez * oy;
        D2 ny = ez * ox - ex * oz;
        D2 nz = ex * oy - ey * ox;
        const D2 len = lanes::Sqrt(nx * nx + ny * ny + nz * nz);
        nx = nx / len;
        ny = ny / len;
        nz = nz / len;
        const D2 d = -(nx * p0x + ny * p0y + nz * p0z);
        for (int k = 0; k < 2; ++k) {
            CTriangleData& out = tri[t + k];
            out.normal = {nx[k], ny[k], nz[k]};
            out.d = d[k];
        }
    }
    for (; t < count; ++t)
        FlatPlaneOf(pos[3 * t], pos[3 * t + 1], pos[3 * t + 2], tri[t].normal, tri[t].d);
}

void CWorkingShape::Append(const CVector3& p0, const CVector3& p1, const CVector3& p2,
                           const CCornerData& c0, const CCornerData& c1, const CCornerData& c2,
                           int32_t origin, CEdgeMarks marks)
{
    pos.push_back(p0);
    pos.push_back(p1);
    pos.push_back(p2);
    corner.push_back(c0);
    corner.push_back(c1);
    corner.push_back(c2);
    CTriangleData t;
    FlatPlaneOf(p0, p1, p2, t.normal, t.d);
    t.origin = origin;
    for (int j = 0; j < 3; ++j)
        t.edge[j] = marks.e[j];
    tri.push_back(t);
}

void CWorkingShape::UpdatePlane(size_t t)
{
    FlatPlaneOf(pos[3 * t], pos[3 * t + 1], pos[3 * t + 2], tri[t].normal, tri[t].d);
}

size_t CWorkingShape::Bytes() const
{
    return pos.size() * sizeof(CVector3) + corner.size() * sizeof(CCornerData) +
           tri.size() * sizeof(CTriangleData);
}

namespace {

template <class T> bool SameBits(const std::vector<T>& a, const std::vector<T>& b)
{
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

} // namespace

bool CWorkingShape::operator==(const CWorkingShape& o) const
{
    // Bit for bit: the design compares states, and -0.0 versus 0.0 is a difference there.
    if (tri.size() != o.tri.size() || !SameBits(pos, o.pos) || !SameBits(corner, o.corner))
        return false;
    for (size_t t = 0; t < tri.size(); ++t) {
        const CTriangleData& a = tri[t];
        const CTriangleData& b = o.tri[t];
        if (std::memcmp(&a.normal, &b.normal, sizeof a.normal) != 0 ||
            std::memcmp(&a.d, &b.d, sizeof a.d) != 0 || a.origin != b.origin ||
            std::memcmp(a.edge, b.edge, sizeof a.edge) != 0)
            return false;
    }
    return true;
}

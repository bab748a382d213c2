#include "model/FlatMesh.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void CFlatMesh::Clear()
{
    pos.clear();
    corner.clear();
    tri.clear();
}

void CFlatMesh::Reserve(size_t triangles)
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
#if defined(__SSE2__)
    // The same operations in the same order as FlatPlaneOf, one triangle per
    // lane: each lane rounds exactly as the plain code does.
    const __m128d sign = _mm_set1_pd(-0.0);
    for (; t + 2 <= count; t += 2) {
        const CVector3* a = pos + 3 * t;
        const CVector3* b = a + 3;
        const __m128d p0x = _mm_set_pd(b[0].x, a[0].x), p0y = _mm_set_pd(b[0].y, a[0].y),
                      p0z = _mm_set_pd(b[0].z, a[0].z);
        const __m128d p1x = _mm_set_pd(b[1].x, a[1].x), p1y = _mm_set_pd(b[1].y, a[1].y),
                      p1z = _mm_set_pd(b[1].z, a[1].z);
        const __m128d p2x = _mm_set_pd(b[2].x, a[2].x), p2y = _mm_set_pd(b[2].y, a[2].y),
                      p2z = _mm_set_pd(b[2].z, a[2].z);
        const __m128d ex = _mm_sub_pd(p0x, p1x), ey = _mm_sub_pd(p0y, p1y),
                      ez = _mm_sub_pd(p0z, p1z);
        const __m128d ox = _mm_sub_pd(p1x, p2x), oy = _mm_sub_pd(p1y, p2y),
                      oz = _mm_sub_pd(p1z, p2z);
        __m128d nx = _mm_sub_pd(_mm_mul_pd(ey, oz), _mm_mul_pd(ez, oy));
        __m128d ny = _mm_sub_pd(_mm_mul_pd(ez, ox), _mm_mul_pd(ex, oz));
        __m128d nz = _mm_sub_pd(_mm_mul_pd(ex, oy), _mm_mul_pd(ey, ox));
        const __m128d len = _mm_sqrt_pd(
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(nx, nx), _mm_mul_pd(ny, ny)), _mm_mul_pd(nz, nz)));
        nx = _mm_div_pd(nx, len);
        ny = _mm_div_pd(ny, len);
        nz = _mm_div_pd(nz, len);
        const __m128d d =
            _mm_xor_pd(sign, _mm_add_pd(_mm_add_pd(_mm_mul_pd(nx, p0x), _mm_mul_pd(ny, p0y)),
                                        _mm_mul_pd(nz, p0z)));
        _mm_storel_pd(&tri[t].normal.x, nx);
        _mm_storel_pd(&tri[t].normal.y, ny);
        _mm_storel_pd(&tri[t].normal.z, nz);
        _mm_storel_pd(&tri[t].d, d);
        _mm_storeh_pd(&tri[t + 1].normal.x, nx);
        _mm_storeh_pd(&tri[t + 1].normal.y, ny);
        _mm_storeh_pd(&tri[t + 1].normal.z, nz);
        _mm_storeh_pd(&tri[t + 1].d, d);
    }
#endif
    for (; t < count; ++t)
        FlatPlaneOf(pos[3 * t], pos[3 * t + 1], pos[3 * t + 2], tri[t].normal, tri[t].d);
}

void CFlatMesh::Append(const CVector3& p0, const CVector3& p1, const CVector3& p2,
                       const CCornerData& c0, const CCornerData& c1, const CCornerData& c2,
                       int32_t origin)
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
    tri.push_back(t);
}

void CFlatMesh::UpdatePlane(size_t t)
{
    FlatPlaneOf(pos[3 * t], pos[3 * t + 1], pos[3 * t + 2], tri[t].normal, tri[t].d);
}

size_t CFlatMesh::Bytes() const
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

bool CFlatMesh::operator==(const CFlatMesh& o) const
{
    // Bit for bit: the design compares states, and -0.0 versus 0.0 is a difference there.
    if (tri.size() != o.tri.size() || !SameBits(pos, o.pos) || !SameBits(corner, o.corner))
        return false;
    for (size_t t = 0; t < tri.size(); ++t) {
        const CTriangleData& a = tri[t];
        const CTriangleData& b = o.tri[t];
        if (std::memcmp(&a.normal, &b.normal, sizeof a.normal) != 0 ||
            std::memcmp(&a.d, &b.d, sizeof a.d) != 0 || a.origin != b.origin)
            return false;
    }
    return true;
}

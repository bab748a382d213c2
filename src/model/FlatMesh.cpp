#include "model/FlatMesh.h"

#include "model/PolyModel.h"

#include <cstring>

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

void FlatFromObject(const CPolyObject& object, const CPaperPoint* paper, CFlatMesh& out)
{
    out.Clear();
    out.Reserve(object.faces.size());
    for (size_t f = 0; f < object.faces.size(); ++f) {
        const CPolyFace* face = object.faces[f];
        if (face->corners.size() != 3)
            continue;
        CCornerData c[3];
        if (paper)
            for (int j = 0; j < 3; ++j)
                c[j].paper = paper[3 * f + j];
        out.Append(face->corners[0]->vertex->pos, face->corners[1]->vertex->pos,
                   face->corners[2]->vertex->pos, c[0], c[1], c[2], static_cast<int32_t>(f));
    }
}

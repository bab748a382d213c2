#include "render/FaceArrays.h"

#include "model/PolyModel.h"

#include <GL/gl.h>

namespace {

void Push3(std::vector<float>& v, double x, double y, double z)
{
    v.push_back(static_cast<float>(x));
    v.push_back(static_cast<float>(y));
    v.push_back(static_cast<float>(z));
}

} // namespace

void CFaceArrays::Clear()
{
    positions_.clear();
    normals_.clear();
    edges_.clear();
    faceSizes_.clear();
    sideTriangles_ = 0;
    edgesBuilt_ = false;
}

void CFaceArrays::Build(const CPolyObject& obj)
{
    Clear();
    size_t tris = 0;
    for (const CPolyFace* f : obj.faces)
        if (f->corners.size() >= 3)
            tris += f->corners.size() - 2;
    sideTriangles_ = static_cast<int>(tris);
    positions_.reserve(tris * 18);
    normals_.reserve(tris * 18);
    faceSizes_.reserve(obj.faces.size());

    for (const CPolyFace* f : obj.faces) {
        const int n = f->corners.size();
        if (n < 3)
            continue;
        faceSizes_.push_back(static_cast<uint32_t>(n));
        const CVector3& nv = f->normal;
        for (int j = 1; j + 1 < n; ++j) {
            for (int k : {0, j, j + 1}) {
                const CVector3& p = f->corners[k]->vertex->pos;
                Push3(positions_, p.x, p.y, p.z);
                Push3(normals_, nv.x, nv.y, nv.z);
            }
        }
    }
    for (const CPolyFace* f : obj.faces) {
        const int n = f->corners.size();
        if (n < 3)
            continue;
        const CVector3& nv = f->normal;
        // The reversed corner list, fanned from its first entry.
        for (int j = 1; j + 1 < n; ++j) {
            for (int k : {n - 1, n - 1 - j, n - 2 - j}) {
                const CVector3& p = f->corners[k]->vertex->pos;
                Push3(positions_, p.x, p.y, p.z);
                Push3(normals_, -nv.x, -nv.y, -nv.z);
            }
        }
    }
}

void CFaceArrays::Build(const CFlatMesh& mesh)
{
    Clear();
    const size_t tris = mesh.TriangleCount();
    sideTriangles_ = static_cast<int>(tris);
    positions_.resize(tris * 18);
    normals_.resize(tris * 18);
    faceSizes_.assign(tris, 3);
    float* front = positions_.data();
    float* back = positions_.data() + tris * 9;
    float* frontN = normals_.data();
    float* backN = normals_.data() + tris * 9;
    for (size_t t = 0; t < tris; ++t) {
        const CVector3& n = mesh.tri[t].normal;
        // The reversed corner list (2, 1, 0) for the back side.
        for (int k = 0; k < 3; ++k) {
            const CVector3& p = mesh.Pos(t, k);
            const CVector3& q = mesh.Pos(t, 2 - k);
            const size_t o = 9 * t + 3 * k;
            front[o] = static_cast<float>(p.x);
            front[o + 1] = static_cast<float>(p.y);
            front[o + 2] = static_cast<float>(p.z);
            back[o] = static_cast<float>(q.x);
            back[o + 1] = static_cast<float>(q.y);
            back[o + 2] = static_cast<float>(q.z);
            frontN[o] = static_cast<float>(n.x);
            frontN[o + 1] = static_cast<float>(n.y);
            frontN[o + 2] = static_cast<float>(n.z);
            backN[o] = static_cast<float>(-n.x);
            backN[o + 1] = static_cast<float>(-n.y);
            backN[o + 2] = static_cast<float>(-n.z);
        }
    }
}

const std::vector<uint32_t>& CFaceArrays::EdgeIndices()
{
    if (edgesBuilt_)
        return edges_;
    edgesBuilt_ = true;
    size_t total = 0;
    for (uint32_t n : faceSizes_)
        total += 2 * n;
    edges_.reserve(total);
    uint32_t base = 0;
    for (uint32_t n : faceSizes_) {
        // Where corner i of the face sits in its fan.
        auto at = [base](uint32_t i) { return i < 2 ? base + i : base + 3 * (i - 2) + 2; };
        for (uint32_t i = 0; i < n; ++i) {
            edges_.push_back(at(i));
            edges_.push_back(at((i + 1) % n));
        }
        base += 3 * (n - 2);
    }
    return edges_;
}

void CFaceArrays::DrawFaces() const
{
    if (sideTriangles_ == 0)
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions_.data());
    glNormalPointer(GL_FLOAT, 0, normals_.data());
    glDrawArrays(GL_TRIANGLES, 0, sideTriangles_ * 6);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void CFaceArrays::DrawEdges()
{
    const std::vector<uint32_t>& idx = EdgeIndices();
    if (idx.empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions_.data());
    glDrawElements(GL_LINES, static_cast<GLsizei>(idx.size()), GL_UNSIGNED_INT, idx.data());
    glDisableClientState(GL_VERTEX_ARRAY);
}

#include "render/FaceArrays.h"

#include "model/PolyModel.h"

#include <GL/gl.h>

void CFaceArrays::Clear()
{
    positions_.clear();
    normals_.clear();
    edges_.clear();
    faceSizes_.clear();
    trianglesOnly_ = 0;
    triangles_ = 0;
    edgesBuilt_ = false;
}

void CFaceArrays::SetTopology(std::vector<uint32_t>&& faceSizes)
{
    if (trianglesOnly_ != 0 || faceSizes != faceSizes_) {
        edgesBuilt_ = false;
        edges_.clear();
    }
    trianglesOnly_ = 0;
    faceSizes_ = std::move(faceSizes);
}

void CFaceArrays::SetTriangleTopology(size_t triangles)
{
    if (!faceSizes_.empty() || trianglesOnly_ != triangles) {
        edgesBuilt_ = false;
        edges_.clear();
    }
    faceSizes_.clear();
    trianglesOnly_ = triangles;
}

void CFaceArrays::Build(const CPolyObject& obj)
{
    size_t tris = 0;
    std::vector<uint32_t> sizes;
    sizes.reserve(obj.faces.size());
    for (const CPolyFace* f : obj.faces)
        if (f->corners.size() >= 3) {
            tris += f->corners.size() - 2;
            sizes.push_back(static_cast<uint32_t>(f->corners.size()));
        }
    SetTopology(std::move(sizes));
    triangles_ = static_cast<int>(tris);
    positions_.resize(tris * 9);
    normals_.resize(tris * 9);

    float* p = positions_.data();
    float* nrm = normals_.data();
    for (const CPolyFace* f : obj.faces) {
        const int n = f->corners.size();
        if (n < 3)
            continue;
        const float nx = static_cast<float>(f->normal.x), ny = static_cast<float>(f->normal.y),
                    nz = static_cast<float>(f->normal.z);
        for (int j = 1; j + 1 < n; ++j) {
            for (int k : {0, j, j + 1}) {
                const CVector3& q = f->corners[k]->vertex->pos;
                *p++ = static_cast<float>(q.x);
                *p++ = static_cast<float>(q.y);
                *p++ = static_cast<float>(q.z);
                *nrm++ = nx;
                *nrm++ = ny;
                *nrm++ = nz;
            }
        }
    }
}

void CFaceArrays::Build(const CWorkingShape& mesh)
{
    const size_t tris = mesh.TriangleCount();
    SetTriangleTopology(tris);
    triangles_ = static_cast<int>(tris);
    // Same size after a step that split nothing: no reallocation, no zeroing.
    positions_.resize(tris * 9);
    normals_.resize(tris * 9);
    const double* src = &mesh.pos.data()->x;
    float* p = positions_.data();
    for (size_t i = 0, n = tris * 9; i < n; ++i)
        p[i] = static_cast<float>(src[i]);
    float* nrm = normals_.data();
    const CTriangleData* tri = mesh.tri.data();
    for (size_t t = 0; t < tris; ++t, nrm += 9) {
        const float nx = static_cast<float>(tri[t].normal.x);
        const float ny = static_cast<float>(tri[t].normal.y);
        const float nz = static_cast<float>(tri[t].normal.z);
        for (int k = 0; k < 9; k += 3) {
            nrm[k] = nx;
            nrm[k + 1] = ny;
            nrm[k + 2] = nz;
        }
    }
}

const std::vector<uint32_t>& CFaceArrays::EdgeIndices()
{
    if (edgesBuilt_)
        return edges_;
    edgesBuilt_ = true;
    edges_.clear();
    if (trianglesOnly_ != 0) {
        edges_.resize(6 * trianglesOnly_);
        uint32_t* e = edges_.data();
        for (uint32_t b = 0, n = static_cast<uint32_t>(3 * trianglesOnly_); b < n; b += 3, e += 6) {
            e[0] = b;
            e[1] = e[2] = b + 1;
            e[3] = e[4] = b + 2;
            e[5] = b;
        }
        return edges_;
    }
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
    if (triangles_ == 0)
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions_.data());
    glNormalPointer(GL_FLOAT, 0, normals_.data());
    glDrawArrays(GL_TRIANGLES, 0, triangles_ * 3);
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

// Topology construction: the clean-up every reader ends with.

#include "model/CSlicePlane.h"
#include "model/PolyModel.h"
#include "model/Tessellation.h"

#include <algorithm>
#include <array>

namespace {

bool SameCorner(const CFaceCorner* a, const CFaceCorner* b)
{
    if (a->vertex == b->vertex)
        return true;
    return Distance3D(a->vertex->pos, b->vertex->pos) == 0.0;
}

// Corner triples covering a face of four or more corners: a fan from the
// first corner, as quads have always been split; a concave polygon of five or
// more corners goes to the tessellator instead, so no triangle folds over
// another. Should the tessellator give nothing, the fan is the fallback.
std::vector<std::array<int, 3>> SplitPolygon(const CPolyFace& f)
{
    const int n = f.corners.size();
    std::vector<std::array<int, 3>> triangles;
    if (n > 4) {
        std::vector<CVector3> outline;
        outline.reserve(static_cast<size_t>(n));
        for (const CFaceCorner* c : f.corners)
            outline.push_back(c->vertex->pos);
        if (!IsConvexOutline(outline) &&
            TessellatePolygon(outline, OutlineNormal(outline), triangles) && !triangles.empty())
            return triangles;
        triangles.clear();
    }
    for (int k = 1; k + 1 < n; ++k)
        triangles.push_back({0, k, k + 1});
    return triangles;
}

} // namespace

void CPolyFace::CleanCorners()
{
    // Mark followers equal to their predecessor; the walk advances one corner
    // at a time, so a run of equal corners keeps only its first.
    const int n = corners.size();
    if (n >= 2) {
        int kept = 1;
        for (int i = 1; i < n; ++i) {
            if (!SameCorner(corners[i - 1], corners[i]))
                corners.begin()[kept++] = corners[i];
        }
        // Compacting in place is safe: writes land at or below the index being
        // read, so every comparison still sees the original neighbours.
        corners.Truncate(kept);
    }
    if (corners.size() >= 3 && SameCorner(corners.back(), corners.front()))
        corners.Erase(corners.size() - 1);
    const int m = corners.size();
    if (m > 2) {
        for (int i = 0; i < m; ++i) {
            CFaceCorner* c = corners[i];
            CFaceCorner* following = corners[(i + 1) % m];
            c->next = following;
            following->prev = c;
        }
    }
}

bool CPolyModel::BuildTopology()
{
    faceCount = 0;
    for (size_t oi = 0; oi < objects.size();) {
        CPolyObject* obj = objects[oi].get();
        std::vector<CPolyFace*>& faces = obj->faces;
        std::vector<uint8_t> removed(faces.size(), 0);
        bool anyRemoved = false;
        // Fans are appended while we walk, so index rather than iterate.
        for (size_t fi = 0; fi < faces.size(); ++fi) {
            CPolyFace* f = faces[fi];
            f->CleanCorners();
            const int n = f->corners.size();
            if (n < 3) {
                removed[fi] = 1;
                anyRemoved = true;
                continue;
            }
            double area = 0.0;
            const CVector3& p0 = f->corners[0]->vertex->pos;
            for (int k = 1; k + 1 < n; ++k) {
                const CVector3& pk = f->corners[k]->vertex->pos;
                const CVector3& pk1 = f->corners[k + 1]->vertex->pos;
                area += TriangleArea(Distance3D(p0, pk), Distance3D(pk, pk1), Distance3D(pk1, p0));
            }
            if (area == 0.0) {
                removed[fi] = 1;
                anyRemoved = true;
            }
            if (n > 3) {
                removed[fi] = 1;
                anyRemoved = true;
                for (const std::array<int, 3>& t : SplitPolygon(*f)) {
                    CPolyFace* tri = obj->NewFace();
                    for (const int k : t)
                        tri->AddCorner(f->corners[k]->vertex);
                    faces.push_back(
                        tri); // may reallocate: f stays valid, the reference does not matter
                    removed.push_back(0);
                    tri->CleanCorners();
                }
            }
        }
        if (anyRemoved) {
            size_t kept = 0;
            for (size_t fi = 0; fi < faces.size(); ++fi)
                if (!removed[fi])
                    faces[kept++] = faces[fi];
            faces.resize(kept); // records stay in the arena until the object goes
        }
        for (CPolyFace* f : faces) {
            CVector3 centre;
            for (CFaceCorner* c : f->corners) {
                const CVector3& p = c->vertex->pos;
                bboxMin.x = std::min(bboxMin.x, p.x);
                bboxMin.y = std::min(bboxMin.y, p.y);
                bboxMin.z = std::min(bboxMin.z, p.z);
                bboxMax.x = std::max(bboxMax.x, p.x);
                bboxMax.y = std::max(bboxMax.y, p.y);
                bboxMax.z = std::max(bboxMax.z, p.z);
                centre = centre + p;
            }
            f->centre = centre * (1.0 / f->corners.size());
            f->ComputePlane();
            f->id = faceCount++;
        }
        if (faces.empty())
            objects.erase(objects.begin() + static_cast<std::ptrdiff_t>(oi));
        else
            ++oi;
    }
    if (faceCount == 0)
        return false;
    auto plane = std::make_unique<CSlicePlane>(1);
    currentPlane = plane.get();
    pickedPlane = nullptr;
    planes.push_back(std::move(plane));
    return true;
}

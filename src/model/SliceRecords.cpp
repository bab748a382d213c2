#include "model/SliceRecords.h"

#include "model/Tessellation.h"

#include <array>

PartVertex* Spart::AddVertex(double x, double y, double z, double u, double v)
{
    outline.push_back(std::make_unique<PartVertex>(x, y, z, u, v));
    return outline.back().get();
}

void Spart::Triangulate()
{
    triangles.clear();
    std::vector<CVector3> points;
    points.reserve(outline.size());
    for (const auto& pv : outline)
        points.emplace_back(pv->u, pv->v, 0.0);
    std::vector<std::array<int, 3>> indices;
    if (!TessellatePolygon(points, CVector3(), indices))
        return;
    triangles.reserve(indices.size());
    for (const auto& t : indices) {
        PartTriangle tri;
        for (int k = 0; k < 3; ++k)
            tri.v[k] = outline[static_cast<size_t>(t[k])].get();
        triangles.push_back(tri);
    }
}

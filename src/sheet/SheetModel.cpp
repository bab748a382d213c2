#include "sheet/SheetModel.h"

#include "model/PolyModel.h"
#include "sheet/SheetBend.h"

#include <charconv>
#include <cstdint>
#include <vector>

namespace {

// A coordinate as the OBJ file writes it (%.6g) and a reader takes it back.
double AsWrittenToSixDigits(double value)
{
    char text[32];
    const auto written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    double read = value;
    std::from_chars(text, written.ptr, read, std::chars_format::general);
    return read;
}

// Adds the triangles over `points`, a record per grid point for its first
// corner and one per further corner, as the reader makes them.
void AddTriangles(CPolyObject& object, const std::vector<CVector3>& points,
                  const std::vector<std::array<int64_t, 3>>& triangles)
{
    std::vector<CPolyVertex*> first(points.size(), nullptr);
    object.faces.reserve(triangles.size());
    object.vertices.reserve(3 * triangles.size());
    for (const auto& t : triangles) {
        CPolyFace* face = object.AddFace();
        for (const int64_t i : t) {
            CPolyVertex*& v = first[size_t(i)];
            if (v) {
                face->AddCorner(object.AddVertex(points[size_t(i)]));
                continue;
            }
            v = object.NewVertex(points[size_t(i)]);
            object.vertices.push_back(v);
            face->AddCorner(v);
        }
    }
}

} // namespace

bool BuildSheetModel(const SheetLayout& layout, CPolyModel& model)
{
    if (!SheetLayoutValid(layout)) {
        model.whyNotRead = SheetBendProblem(layout);
        return false;
    }
    CSheetMesh mesh;
    if (layout.bend != SheetBend::None) {
        if (!BuildBentSheet(layout, mesh)) {
            model.whyNotRead = SheetBendProblem(layout);
            return false;
        }
    } else {
        mesh.vertices.reserve(size_t(layout.rows + 1) * size_t(layout.cols + 1));
        for (int r = 0; r <= layout.rows; ++r)
            for (int c = 0; c <= layout.cols; ++c) {
                const CVector3 p = SheetPoint(layout, r, c);
                mesh.vertices.push_back({AsWrittenToSixDigits(p.x), AsWrittenToSixDigits(p.y),
                                         AsWrittenToSixDigits(p.z)});
            }
        const int64_t stride = layout.cols + 1;
        mesh.triangles.reserve(2 * size_t(layout.rows) * size_t(layout.cols));
        for (int r = 0; r < layout.rows; ++r)
            for (int c = 0; c < layout.cols; ++c) {
                const int64_t a = r * stride + c, b = a + 1, d = a + stride, e = d + 1;
                mesh.triangles.push_back({a, b, e});
                mesh.triangles.push_back({a, e, d});
            }
    }
    AddTriangles(*model.AddObject(), mesh.vertices, mesh.triangles);
    return model.BuildTopology();
}

#include "export/SheetWriter.h"

#include "export/ExportOBJ.h"

#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

bool SheetLayoutValid(const SheetLayout& layout)
{
    if (layout.rows < 1 || layout.cols < 1 || layout.rows > kSheetMaxSide || layout.cols > kSheetMaxSide)
        return false;
    if (2LL * layout.rows * layout.cols > kSheetMaxTriangles)
        return false;
    return std::isfinite(layout.size) && layout.size > 0.0;
}

bool ParseSheetShape(const std::string& text, SheetShape& shape)
{
    if (text == "flat")
        shape = SheetShape::Flat;
    else if (text == "cylinder")
        shape = SheetShape::Cylinder;
    else if (text == "saddle")
        shape = SheetShape::Saddle;
    else
        return false;
    return true;
}

CVector3 SheetPoint(const SheetLayout& layout, int row, int col)
{
    const double cell = layout.size / layout.cols;
    const double u = col * cell - layout.size / 2.0;
    const double v = row * cell - layout.rows * cell / 2.0;
    switch (layout.shape) {
    case SheetShape::Flat:
        break;
    case SheetShape::Cylinder: {
        // The width becomes a quarter circle: gentle, and no two points meet.
        const double radius = layout.size / (kPi / 2.0);
        const double angle = u / radius;
        return {radius * std::sin(angle), v, radius * (1.0 - std::cos(angle))};
    }
    case SheetShape::Saddle:
        return {u, v, (u * u - v * v) / layout.size};
    }
    return {u, v, 0.0};
}

bool WriteSheetObj(std::FILE* stream, const SheetLayout& layout)
{
    if (!SheetLayoutValid(layout))
        return false;
    ObjTextWriter out(stream);
    for (int r = 0; r <= layout.rows; ++r)
        for (int c = 0; c <= layout.cols; ++c)
            out.Vertex(SheetPoint(layout, r, c));
    const int64_t stride = layout.cols + 1;
    for (int r = 0; r < layout.rows; ++r) {
        for (int c = 0; c < layout.cols; ++c) {
            const int64_t a = r * stride + c + 1; // OBJ numbers from 1
            const int64_t b = a + 1;
            const int64_t d = a + stride;
            const int64_t e = d + 1;
            out.FaceBegin();
            out.FaceIndex(a);
            out.FaceIndex(b);
            out.FaceIndex(e);
            out.FaceEnd();
            out.FaceBegin();
            out.FaceIndex(a);
            out.FaceIndex(e);
            out.FaceIndex(d);
            out.FaceEnd();
        }
    }
    return out.Finish();
}

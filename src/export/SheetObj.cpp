#include "export/SheetObj.h"

#include "export/ExportOBJ.h"
#include "sheet/SheetBend.h"

bool WriteSheetObj(std::FILE* stream, const SheetLayout& layout)
{
    if (!SheetLayoutValid(layout))
        return false;
    ObjTextWriter out(stream);
    if (layout.bend != SheetBend::None) {
        CSheetMesh mesh;
        if (!BuildBentSheet(layout, mesh))
            return false;
        // In full: the sheet unfolds to its rectangle only from exact positions.
        for (const CVector3& p : mesh.vertices)
            out.VertexExact(p);
        for (const auto& t : mesh.triangles) {
            out.FaceBegin();
            for (const int64_t i : t)
                out.FaceIndex(i + 1); // OBJ numbers from 1
            out.FaceEnd();
        }
        return out.Finish();
    }
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

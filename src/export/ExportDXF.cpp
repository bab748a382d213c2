#include "export/ExportDXF.h"

#include "export/PatternDrawing.h"

#include <charconv>
#include <cmath>

namespace {

// AutoCAD colour numbers: white (black on a light background), red, blue, grey.
int AciColour(CreaseKind kind)
{
    switch (kind) {
    case CreaseKind::Mountain:
        return 1;
    case CreaseKind::Valley:
        return 5;
    case CreaseKind::Flat:
        return 8;
    case CreaseKind::Boundary:
        break;
    }
    return 7;
}

class CDxfText {
public:
    explicit CDxfText(std::string& out) : out_(out) {}

    void Code(int code, const char* value)
    {
        Group(code);
        out_ += value;
        out_ += '\n';
    }
    void Code(int code, int value) { Code(code, std::to_string(value).c_str()); }
    void Number(int code, double value)
    {
        if (value == 0.0 || !std::isfinite(value))
            value = 0.0; // no "-0"
        Group(code);
        char text[32];
        const auto res = std::to_chars(text, text + sizeof text, value);
        out_.append(text, res.ptr);
        out_ += '\n';
    }
    void Point(int code, const CDrawnPoint& p, double height)
    {
        Number(code, p.x);
        Number(code + 10, height - p.y);
        Number(code + 20, 0.0);
    }

private:
    void Group(int code)
    {
        // Group codes right-aligned in three columns, as AutoCAD writes them.
        const std::string c = std::to_string(code);
        out_.append(c.size() < 3 ? 3 - c.size() : 0, ' ');
        out_ += c;
        out_ += '\n';
    }
    std::string& out_;
};

void WriteHeader(CDxfText& dxf, const CPatternDrawing& drawing)
{
    dxf.Code(999, "Lintoro crease pattern; coordinates in millimetres");
    dxf.Code(0, "SECTION");
    dxf.Code(2, "HEADER");
    dxf.Code(9, "$ACADVER");
    dxf.Code(1, "AC1009");
    dxf.Code(9, "$EXTMIN");
    dxf.Point(10, {0.0, drawing.height}, drawing.height);
    dxf.Code(9, "$EXTMAX");
    dxf.Point(10, {drawing.width, 0.0}, drawing.height);
    dxf.Code(0, "ENDSEC");
}

void WriteTables(CDxfText& dxf, const CPatternDrawing& drawing)
{
    dxf.Code(0, "SECTION");
    dxf.Code(2, "TABLES");
    dxf.Code(0, "TABLE");
    dxf.Code(2, "LTYPE");
    dxf.Code(70, 1);
    dxf.Code(0, "LTYPE");
    dxf.Code(2, "CONTINUOUS");
    dxf.Code(70, 0);
    dxf.Code(3, "Solid line");
    dxf.Code(72, 65);
    dxf.Code(73, 0);
    dxf.Number(40, 0.0);
    dxf.Code(0, "ENDTAB");
    dxf.Code(0, "TABLE");
    dxf.Code(2, "LAYER");
    dxf.Code(70, static_cast<int>(drawing.layers.size()));
    for (const CDrawnLayer& layer : drawing.layers) {
        dxf.Code(0, "LAYER");
        dxf.Code(2, layer.dxfName);
        dxf.Code(70, 0);
        dxf.Code(62, AciColour(layer.kind));
        dxf.Code(6, "CONTINUOUS");
    }
    dxf.Code(0, "ENDTAB");
    dxf.Code(0, "ENDSEC");
}

void WriteStroke(CDxfText& dxf, const CPatternDrawing& drawing, const CDrawnStroke& stroke)
{
    const char* layer = drawing.layers[stroke.layer].dxfName;
    if (stroke.end - stroke.begin == 2 && !stroke.closed) {
        dxf.Code(0, "LINE");
        dxf.Code(8, layer);
        dxf.Point(10, drawing.points[stroke.begin], drawing.height);
        dxf.Point(11, drawing.points[stroke.begin + 1], drawing.height);
        return;
    }
    dxf.Code(0, "POLYLINE");
    dxf.Code(8, layer);
    dxf.Code(66, 1);
    dxf.Point(10, {0.0, drawing.height}, drawing.height);
    dxf.Code(70, stroke.closed ? 1 : 0);
    for (uint32_t k = stroke.begin; k < stroke.end; ++k) {
        dxf.Code(0, "VERTEX");
        dxf.Code(8, layer);
        dxf.Point(10, drawing.points[k], drawing.height);
    }
    dxf.Code(0, "SEQEND");
    dxf.Code(8, layer);
}

} // namespace

std::string DxfDocument(const CPatternDrawing& drawing)
{
    std::string out;
    CDxfText dxf(out);
    WriteHeader(dxf, drawing);
    WriteTables(dxf, drawing);
    dxf.Code(0, "SECTION");
    dxf.Code(2, "ENTITIES");
    for (const CDrawnStroke& stroke : drawing.strokes)
        WriteStroke(dxf, drawing, stroke);
    dxf.Code(0, "ENDSEC");
    dxf.Code(0, "EOF");
    return out;
}

#include "export/ExportSVG.h"

#include "export/PatternDrawing.h"
#include "paper/CreasePattern.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// Millimetres to a millionth: a 200 mm side reads 200, not 199.9999999992312.
void AppendNumber(std::string& out, double value)
{
    double rounded = std::round(value * 1e6) / 1e6;
    if (rounded == 0.0 || !std::isfinite(rounded))
        rounded = 0.0; // no "-0"
    char text[32];
    const auto res = std::to_chars(text, text + sizeof text, rounded);
    out.append(text, res.ptr);
}

const char* Colour(CreaseKind kind)
{
    switch (kind) {
    case CreaseKind::Mountain:
        return "#ff0000";
    case CreaseKind::Valley:
        return "#0000ff";
    case CreaseKind::Flat:
        return "#999999";
    default:
        return "#000000";
    }
}

} // namespace

std::string SvgDocument(const CCreasePattern& pattern)
{
    CPatternDrawing drawing;
    BuildPatternDrawing(pattern, CPatternOptions(), drawing);
    return SvgDocument(drawing);
}

std::string SvgDocument(const CPatternDrawing& drawing)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                      "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" width=\"";
    AppendNumber(out, drawing.width);
    out += "mm\" height=\"";
    AppendNumber(out, drawing.height);
    out += "mm\" viewBox=\"0 0 ";
    AppendNumber(out, drawing.width);
    out += ' ';
    AppendNumber(out, drawing.height);
    out += "\" fill=\"none\" stroke-linecap=\"round\" stroke-linejoin=\"round\" "
           "stroke-width=\"";
    AppendNumber(out, drawing.strokeWidth);
    out += "\">\n";
    // A group per layer, empty ones too, so that a plotter's software always
    // finds the layers it was set up for.
    for (uint32_t l = 0; l < drawing.layers.size(); ++l) {
        const CDrawnLayer& layer = drawing.layers[l];
        out += "<g id=\"";
        out += layer.name;
        out += "\" inkscape:groupmode=\"layer\" inkscape:label=\"";
        out += layer.name;
        out += "\">\n";
        for (const CDrawnStroke& stroke : drawing.strokes) {
            if (stroke.layer != l)
                continue;
            out += "<path stroke=\"";
            out += Colour(layer.kind);
            if (layer.kind != CreaseKind::Boundary) {
                out += "\" stroke-opacity=\"";
                AppendNumber(out, stroke.opacity);
            }
            out += "\" d=\"";
            for (uint32_t k = stroke.begin; k < stroke.end; ++k) {
                out += k == stroke.begin ? "M " : " L ";
                AppendNumber(out, drawing.points[k].x);
                out += ' ';
                AppendNumber(out, drawing.points[k].y);
            }
            if (stroke.closed)
                out += " Z";
            out += "\"/>\n";
        }
        out += "</g>\n";
    }
    out += "</svg>\n";
    return out;
}

double PatternStrokeWidth(const CCreasePattern& pattern)
{
    return std::max(pattern.hi.u - pattern.lo.u, pattern.hi.v - pattern.lo.v) / 500.0;
}

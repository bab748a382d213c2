#include "export/ExportSVG.h"

#include "paper/CreasePattern.h"
#include "paper/PatternChains.h"

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
    default:
        return "#000000";
    }
}

} // namespace

std::string SvgDocument(const CCreasePattern& pattern)
{
    const double width = pattern.hi.u - pattern.lo.u;
    const double height = pattern.hi.v - pattern.lo.v;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
    AppendNumber(out, width);
    out += "mm\" height=\"";
    AppendNumber(out, height);
    out += "mm\" viewBox=\"0 0 ";
    AppendNumber(out, width);
    out += ' ';
    AppendNumber(out, height);
    // Thin enough not to merge neighbouring creases, thick enough to see.
    out += "\" fill=\"none\" stroke-linecap=\"round\" stroke-linejoin=\"round\" "
           "stroke-width=\"";
    AppendNumber(out, PatternStrokeWidth(pattern));
    out += "\">\n";

    ForEachStroke(pattern, [&](const CPatternChains& chains, const CPatternChains::Chain& chain,
                               const CStrokeRun& run, bool closed) {
        out += "<path stroke=\"";
        out += Colour(chain.kind);
        if (chain.kind != CreaseKind::Boundary) {
            out += "\" stroke-opacity=\"";
            AppendNumber(out, run.opacity);
        }
        out += "\" d=\"";
        const uint32_t last = closed ? run.end - 1 : run.end;
        for (uint32_t k = run.begin; k < last; ++k) {
            out += k == run.begin ? "M " : " L ";
            const CPaperPoint& p = pattern.vertices[chains.vertices[k]];
            AppendNumber(out, p.u - pattern.lo.u);
            out += ' ';
            AppendNumber(out, pattern.hi.v - p.v);
        }
        if (closed)
            out += " Z";
        out += "\"/>\n";
    });
    out += "</svg>\n";
    return out;
}

double PatternStrokeWidth(const CCreasePattern& pattern)
{
    return std::max(pattern.hi.u - pattern.lo.u, pattern.hi.v - pattern.lo.v) / 500.0;
}

#pragma once
// A crease pattern as SVG the way origami simulators read it: boundary
// #000000, mountain #ff0000, valley #0000ff, flat edges left out.

#include <string>

struct CCreasePattern;

// The SVG text: width and height in millimetres, the viewBox in paper units
// (x = u - lo.u, y = hi.v - v, so the paper reads the right way up), every
// number rounded to 1e-6 mm. Each chain of ChainPatternEdges (boundary and
// creases) is one path, cut only where StrokeRuns gives its pieces their own
// stroke-opacity; the boundary is opaque and a closed outline ends in Z.
std::string SvgDocument(const CCreasePattern& pattern);

// The stroke width every output of the pattern uses, in millimetres: thin
// enough not to merge neighbouring creases, thick enough to see.
double PatternStrokeWidth(const CCreasePattern& pattern);

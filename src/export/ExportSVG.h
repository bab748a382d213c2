#pragma once
// A crease pattern as SVG the way origami simulators read it: boundary
// #000000, mountain #ff0000, valley #0000ff, flat edges left out.

#include <string>

struct CCreasePattern;

// The SVG text: width and height in millimetres, the viewBox in paper units
// (x = u - lo.u, y = hi.v - v, so the paper reads the right way up). Each
// straight run of edges of one kind is one path from end to end. Creases get
// stroke-opacity |fold angle| / 180 (the run's length-weighted mean), never
// below 0.1; the boundary is opaque.
std::string SvgDocument(const CCreasePattern& pattern);

// Writes SvgDocument to `path` through a temporary file beside it; false when
// any step fails (an existing file is then untouched).
bool ExportSvgFile(const std::string& path, const CCreasePattern& pattern);

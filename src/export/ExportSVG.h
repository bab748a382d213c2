#pragma once
// A crease pattern as SVG the way origami simulators read it: boundary
// #000000, mountain #ff0000, valley #0000ff, flat edges left out, each kind
// in a layer of its own for cutting machines.

#include <string>

struct CCreasePattern;
struct CPatternDrawing;

// The SVG text: width and height in millimetres, the viewBox in paper units
// (x = u - lo.u, y = hi.v - v, so the paper reads the right way up), every
// number rounded to 1e-6 mm; layers cut, mountain and valley. Each chain of
// ChainPatternEdges (boundary and creases) is one path, cut only where
// StrokeRuns gives its pieces their own stroke-opacity; the boundary is
// opaque and a closed outline ends in Z.
std::string SvgDocument(const CCreasePattern& pattern);
// The same for a drawing made with any options: one group per layer, each
// marked as a layer for Inkscape (groupmode and label), empty ones too;
// dashes are paths of their own; bends are #999999.
std::string SvgDocument(const CPatternDrawing& drawing);

// The stroke width every output of the pattern uses, in millimetres: thin
// enough not to merge neighbouring creases, thick enough to see.
double PatternStrokeWidth(const CCreasePattern& pattern);

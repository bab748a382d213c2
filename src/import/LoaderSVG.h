#pragma once
// SVG crease-pattern reader, in the convention origami simulators share:
// the stroke colour is the crease kind (red mountain, blue valley, black
// boundary, yellow facet, green cut, magenta undriven) and the stroke opacity
// is |fold angle| / 180. The pattern opens as a flat sheet in z = 0 whose
// paper points are the drawing's positions in millimetres, v up.

#include "model/PolyModel.h"

#include <string>
#include <string_view>

class IProgress;

// Reads the SVG file at `path` into `model` (fileName set first). Lines,
// polylines, polygons, rectangles, circles, ellipses and paths are read with
// the transforms of their groups, curves flattened to within 0.05 mm; the
// root's width, height and viewBox give millimetres (a plain number is a CSS
// pixel). Strokes in other colours, and hidden or defined-only elements, are
// left out; style sheets and <use> are not read. Lines are split where they
// cross or touch and the faces they close become the sheet, triangulated;
// each edge keeps its assignment and fold angle (CPolyModel::edgeRecords) as
// a FOLD crease pattern's does. Returns 0, or 1 with whyNotRead set for a
// file that is not XML, has no <svg> root, holds malformed geometry, no
// crease line, no closed face, a hole, too many lines, or a drawing too large
// or too small to be a sheet. On failure the model is exactly as it was
// (apart from fileName and whyNotRead).
ReadResult ReadSVG(CPolyModel& model, const std::string& path, IProgress* progress = nullptr);

// The same for SVG text in memory; fileName is left alone.
ReadResult ReadSVGText(CPolyModel& model, std::string_view text);

#pragma once
// SVG path data as polylines: the commands of the path mini-language, curves
// flattened to a chord tolerance.

#include "import/SvgGeometry.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Every open or closed run of a path's outline, its points in the space the
// transform maps to; a closed run ends on its first point.
using CPolyline = std::vector<CPaperPoint>;

struct CFlattenLimits {
    double tolerance = 0.05;      // largest distance of a chord from its curve, in the output space
    size_t maxPoints = 1'000'000; // over every call sharing this budget
    size_t used = 0;
};

// Path data (M L H V Z C S Q T A, absolute and relative) as polylines, curves
// flattened to within limits.tolerance after the transform. False with `why`
// when the data is not well formed or the point budget runs out; a path with
// an error keeps the runs before it, as a browser draws them.
bool FlattenSvgPath(std::string_view data, const CSvgTransform& toOut, CFlattenLimits& limits,
                    std::vector<CPolyline>& out, std::string& why);

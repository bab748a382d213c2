#pragma once
// The geometry an SVG drawing is written in: transforms, lengths, colours and
// path data, turned into polylines in millimetres for the crease-pattern reader.

#include "model/WorkingShape.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// x' = a x + c y + e, y' = b x + d y + f, as SVG writes a matrix.
struct CSvgTransform {
    double a = 1.0, b = 0.0, c = 0.0, d = 1.0, e = 0.0, f = 0.0;

    CPaperPoint Apply(double x, double y) const { return {a * x + c * y + e, b * x + d * y + f}; }
    // This transform applied after `inner`.
    CSvgTransform Then(const CSvgTransform& inner) const;
    // The largest factor by which the transform stretches a length.
    double MaxStretch() const;
};

// A transform list ("translate(10) rotate(30 5 5) matrix(...)" and so on),
// composed left to right. Nothing when the list is not well formed.
std::optional<CSvgTransform> ParseSvgTransform(std::string_view text);

// A length with its unit (mm, cm, in, pt, pc, px or none) in millimetres; a
// number without unit is a CSS pixel. Nothing for a percentage, an unknown
// unit, or anything that is not a finite length.
std::optional<double> ParseSvgLengthMm(std::string_view text);

struct CRgb {
    int r = 0, g = 0, b = 0;
};

// #rrggbb, #rgb, rgb(r, g, b) (numbers or percentages) and the basic colour
// names. Nothing for "none", other paint and what cannot be read.
std::optional<CRgb> ParseSvgColour(std::string_view text);

// The value of `property` in a style attribute ("stroke:#f00;stroke-opacity:.5").
std::optional<std::string_view> StyleProperty(std::string_view style, std::string_view property);

// One number, alone but for spaces; a trailing % divides it by 100.
std::optional<double> ParseSvgNumber(std::string_view text);

// The numbers of a points attribute (polyline, polygon); false when one is
// not a number or the count is odd.
bool ParseSvgPoints(std::string_view text, std::vector<double>& out);

#include "sheet/SheetLayout.h"

#include <cmath>
#include <numbers>

#include <algorithm>

// splitmix64 of the seed and the point's numbers.
double SheetJitter(uint64_t seed, int row, int col, int axis)
{
    uint64_t z = seed + 0x9E3779B97F4A7C15ull *
                            (1 + (static_cast<uint64_t>(row) << 33) +
                             (static_cast<uint64_t>(col) << 2) + static_cast<uint64_t>(axis));
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / 4503599627370496.0 - 1.0; // 2^52
}

SheetLayout PaperSheet(double width, double height, int cells, bool jittered, SheetBend bend,
                       double bendDegrees)
{
    SheetLayout layout;
    layout.size = width;
    layout.height = height;
    layout.jittered = jittered;
    layout.bend = bend;
    layout.bendDegrees = bendDegrees;
    SheetCellsFor(width, height, std::max(1, cells), layout.rows, layout.cols);
    return layout;
}

void SheetCellsFor(double width, double height, int cells, int& rows, int& cols)
{
    const double shorter = std::min(width, height) / std::max(width, height) * cells;
    const int other = std::max(1, static_cast<int>(std::lround(shorter)));
    cols = width >= height ? cells : other;
    rows = width >= height ? other : cells;
}

bool ParseSheetBend(const std::string& text, SheetBend& bend)
{
    if (text == "none")
        bend = SheetBend::None;
    else if (text == "cylinder")
        bend = SheetBend::Cylinder;
    else if (text == "cone")
        bend = SheetBend::Cone;
    else
        return false;
    return true;
}

bool ParseSheetShape(const std::string& text, SheetShape& shape)
{
    if (text == "flat")
        shape = SheetShape::Flat;
    else if (text == "cylinder")
        shape = SheetShape::QuarterCylinder;
    else if (text == "saddle")
        shape = SheetShape::Saddle;
    else
        return false;
    return true;
}

CVector3 SheetPoint(const SheetLayout& layout, int row, int col)
{
    const double cell = layout.size / layout.cols;
    double u = col * cell - layout.size / 2.0;
    double v = row * cell - layout.rows * cell / 2.0;
    double cellV = cell;
    if (layout.height > 0.0) {
        cellV = layout.height / layout.rows;
        v = row * cellV - layout.height / 2.0;
    }
    if (layout.jittered && row > 0 && row < layout.rows && col > 0 && col < layout.cols) {
        u += kSheetJitter * cell * SheetJitter(layout.seed, row, col, 0);
        v += kSheetJitter * cellV * SheetJitter(layout.seed, row, col, 1);
    }
    switch (layout.shape) {
    case SheetShape::Flat:
        break;
    case SheetShape::QuarterCylinder: {
        // The width becomes a quarter circle: gentle, and no two points meet.
        const double radius = layout.size / (std::numbers::pi / 2.0);
        const double angle = u / radius;
        return {radius * std::sin(angle), v, radius * (1.0 - std::cos(angle))};
    }
    case SheetShape::Saddle:
        return {u, v, (u * u - v * v) / layout.size};
    }
    return {u, v, 0.0};
}

#pragma once
// A triangulated sheet of paper: its layout and the position of every grid
// point. The usual start of a design session, and the generator of benchmark
// and sample models.

#include "model/Geometry.h"

#include <cstdint>
#include <string>

// The grid's own shape: flat, bent a quarter turn about an axis along y
// (grid points moved onto the arc, edges across the rulings included), or a
// saddle. Test and benchmark surfaces; a sheet of paper is flat.
enum class SheetShape { Flat, QuarterCylinder, Saddle };

// A flat sheet rolled so that it still unfolds to its rectangle exactly
// (sheet/SheetBend.h): round a cylinder or a cone, by bendDegrees.
enum class SheetBend { None, Cylinder, Cone };

// Parses "none", "cylinder" or "cone"; false for anything else.
bool ParseSheetBend(const std::string& text, SheetBend& bend);

// Largest bend, in degrees: more would lay the sheet over itself.
constexpr double kMaxBendDegrees = 360.0;

struct SheetLayout {
    int rows = 40;
    int cols = 40;
    SheetShape shape = SheetShape::Flat;
    double size = 1.0;     // width along x (millimetres when the sheet is paper)
    double height = 0.0;   // along y; 0 keeps the cells square
    bool jittered = false; // inner grid points moved at random by up to kSheetJitter of a cell
    uint64_t seed = 1;     // of that randomness: the same seed gives the same sheet
    // A flat sheet may be bent (sheet/SheetBend.h): the width round a cylinder whose
    // axis runs along the height, or round a cone whose apex lies on the
    // centre line a height below the bottom edge, by bendDegrees. Jitter then
    // moves points only along their rulings.
    SheetBend bend = SheetBend::None;
    double bendDegrees = 90.0;
};

// How far a jittered inner grid point may move along each axis, in cells.
constexpr double kSheetJitter = 0.3;

// A number in [-1, 1) from the seed and the grid point alone, so a point's
// jitter does not depend on the order points are asked for.
double SheetJitter(uint64_t seed, int row, int col, int axis);

// A paper sheet in millimetres as New Sheet and `sheet --width` make it:
// `cells` along the longer side, bent as asked.
SheetLayout PaperSheet(double width, double height, int cells, bool jittered,
                       SheetBend bend = SheetBend::None, double bendDegrees = 90.0);

// Cells along each side for `cells` along the longer one, the shorter side
// getting the count that keeps cells nearest to square (at least 1).
void SheetCellsFor(double width, double height, int cells, int& rows, int& cols);

// Largest accepted rows and cols, and largest triangle count.
constexpr int kSheetMaxSide = 10000;
constexpr long long kSheetMaxTriangles = 20000000;

// Parses "flat", "cylinder" or "saddle"; false for anything else.
bool ParseSheetShape(const std::string& text, SheetShape& shape);

// Position of grid point (row, col), 0 <= row <= rows, 0 <= col <= cols. The
// flat sheet lies in z = 0 centred on the origin (jitter moves it within the
// sheet, never its border points); the cylinder bends it a
// quarter turn about an axis parallel to y; the saddle lifts it by
// (x^2 - y^2) / size.
CVector3 SheetPoint(const SheetLayout& layout, int row, int col);

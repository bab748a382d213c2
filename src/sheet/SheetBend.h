#pragma once
// A sheet of paper bent round a cylinder or a cone, as a mesh that is exactly
// developable: every vertex lies on a ruling and no triangle crosses one, so
// each strip between two neighbouring rulings is one flat piece of the sheet
// and the mesh unfolds to the flat rectangle it was made from.

#include "model/Geometry.h"
#include "sheet/SheetLayout.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The turn about the axis that was normal to the flat sheet (z) given to a bent
// sheet, so that its rulings meet two of the axis handles' planes obliquely.
constexpr double kBentSheetTurnDegrees = 30.0;

// The smallest cone bend a width x height sheet takes, in degrees: the angle
// its rectangle spans seen from the apex (a cone bent by that much is flat).
double SmallestConeBend(double width, double height);

// "" when the layout's bend can be made; otherwise why not, in a sentence.
std::string SheetBendProblem(const SheetLayout& layout);

// True when rows and cols are 1..kSheetMaxSide, the triangle count stays
// within kSheetMaxTriangles, size is finite and positive, height finite
// and not negative, and the bend can be made (SheetBendProblem).
bool SheetLayoutValid(const SheetLayout& layout);

struct CSheetMesh {
    std::vector<CVector3> vertices;
    std::vector<std::array<int64_t, 3>> triangles; // counter-clockwise seen from +z when flat
};

// The bent sheet of `layout` (layout.bend != None): cylinder or cone as
// SheetLayout describes, turned kBentSheetTurnDegrees about z. False (mesh
// empty) when the layout is invalid or the bend cannot be made.
bool BuildBentSheet(const SheetLayout& layout, CSheetMesh& mesh);

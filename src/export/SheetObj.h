#pragma once
// A sheet of paper (sheet/SheetLayout.h) written as an OBJ file.

#include "sheet/SheetLayout.h"

#include <cstdio>

// Writes (rows+1)(cols+1) shared vertices row by row, then two triangles per
// cell, counter-clockwise seen from +z; a bent sheet writes BuildBentSheet's
// mesh. False when the layout is invalid or a write fails.
bool WriteSheetObj(std::FILE* stream, const SheetLayout& layout);

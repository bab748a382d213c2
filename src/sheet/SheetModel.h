#pragma once
// A sheet of paper as a model in memory, exactly as reading the OBJ file
// WriteSheetObj (export/SheetObj.h) writes would give it: a flat sheet's
// coordinates rounded to six significant digits as that file has them, a bent
// sheet's in full; one object, a vertex record for the first corner on each
// grid point and another for every further corner, then the topology built.
// What the open routine does after reading (paper, scaling) is left to it.

#include "sheet/SheetLayout.h"

class CPolyModel;

// Fills the empty `model`; false (the model as the failed reader leaves it,
// whyNotRead set) when the layout is invalid or the bend cannot be made.
bool BuildSheetModel(const SheetLayout& layout, CPolyModel& model);

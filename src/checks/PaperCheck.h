#pragma once
// How far the folded form has drifted from its paper. A fold is an isometry,
// so every edge is as long on the form as on the sheet; what differs is
// rounding, and a large figure means a fold went wrong.

#include "model/WorkingShape.h"

#include <cstddef>

struct CPaperEdgeDifference {
    double largest = 0.0; // |form length * unitScale - paper length|, in file units
    size_t triangle = 0;  // where: the edge from corner `edge` of this triangle to the next
    int edge = 0;
    size_t edges = 0; // triangle edges measured (3 per triangle)
};

// Compares every triangle edge of the mesh (positions in unit-cube
// coordinates) with its paper edge. unitScale maps unit lengths back to the
// file's units, as CPolyModel::unitScale does. An empty mesh gives all zeros;
// a non-finite length makes `largest` infinite there.
CPaperEdgeDifference LargestPaperEdgeDifference(const CWorkingShape& mesh, double unitScale);

#pragma once
// Filling a large simple polygon with triangles in n log n: a sweep cuts it
// into pieces monotone in the sweep direction, each filled in one pass. The
// GLU tessellator keeps the edges a sweep crosses in a list, so an outline
// that many edges cross at once (a comb, a spiral) costs it quadratic time.

#include "model/Geometry.h"

#include <array>
#include <vector>

// Appends n - 2 index triples over the corners of a simple closed outline,
// counter-clockwise around `normal` (the side the outline winds
// counter-clockwise around, as OutlineNormal gives). Returns false, with
// nothing appended, when the outline is not a simple polygon seen along the
// normal (it crosses or touches itself) or the triangles do not cover it
// exactly once; the caller then needs a tessellator that copes.
bool TriangulateBySweep(const std::vector<CVector3>& points, const CVector3& normal,
                        std::vector<std::array<int, 3>>& triangles);

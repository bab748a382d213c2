#pragma once
// Where a flat layout lies on itself: pairs of paper triangles whose insides
// overlap. Triangles that only touch (along a shared edge, at a shared
// corner, or within rounding) do not count, nor do triangles without area.

#include "model/WorkingShape.h"

#include <cstdint>
#include <utility>
#include <vector>

// corner: 3 points per triangle. group: one number per triangle; only
// triangles of one group are compared (empty: all are). Fills `pairs` with
// (a, b), a < b, sorted, each pair once. Never fails.
void FindPaperOverlaps(const std::vector<CPaperPoint>& corner, const std::vector<int32_t>& group,
                       std::vector<std::pair<uint32_t, uint32_t>>& pairs);

// The test on one pair: true when their insides overlap by more than
// rounding, relative to their size.
bool PaperTrianglesOverlap(const CPaperPoint* a, const CPaperPoint* b);

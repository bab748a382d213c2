#pragma once
// The fold written the plain way (linear face search, recursion, erase from
// the lists), kept as the oracle that the fast fold must match bit for bit.

#include "fold/ReflectionOperation.h"
#include "model/WorkingShape.h"

#include <gtest/gtest.h>

namespace literal {

// The flood from `point`; `side` is the side that moves (the seed's). The
// creases it lays down take their flat sign from `reference` and `behind`.
void ReflectFrom(CWorkingShape& mesh, const CSlicePlane& plane, const CVector3& point, int side,
                 const CVector3& reference = {}, bool behind = false);
// One drag step: `working` becomes `base` folded from startPos.
ReflectionStepResult ReflectionStep(const CWorkingShape& base, CWorkingShape& working,
                                    CSlicePlane& plane, const CVector3& startPos,
                                    const CVector3& draggedPos, const CVector3& reference = {},
                                    bool behind = false);

} // namespace literal

namespace foldcheck {

// Same triangles, positions, planes, corner data and origins, bit for bit.
::testing::AssertionResult SameMesh(const CWorkingShape& a, const CWorkingShape& b);

} // namespace foldcheck

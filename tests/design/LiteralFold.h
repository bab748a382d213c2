#pragma once
// The fold written the plain way (linear face search, recursion), kept as the
// oracle that the fast fold must match bit for bit.

#include "design/ReflectionOperation.h"
#include "model/PolyModel.h"
#include <gtest/gtest.h>

namespace literal {

void ReflectFrom(CPolyObject& object, const CSlicePlane& plane, const CVector3& point);
ReflectionStepResult ReflectionStep(CPolyModel& model, CPolyVertex* selected,
                                    const CVector3& startPos, const CVector3& draggedPos);

} // namespace literal

namespace foldcheck {

// Index of v in the object's vertex list, -1 when absent.
long IndexOf(const CPolyObject& object, const CPolyVertex* v);
// Same faces, corners, positions, planes and vertex list, compared bit for bit.
::testing::AssertionResult SameObject(const CPolyObject& a, const CPolyObject& b);

} // namespace foldcheck

#pragma once
// Folded forms made by hand for the checks: sheets as flat meshes, and the
// folds the checks must tell apart (pushed through, stacked flat, creased).

#include "model/WorkingShape.h"

namespace checkmesh {

inline void Add(CWorkingShape& m, const CVector3& a, const CVector3& b, const CVector3& c)
{
    m.Append(a, b, c, {}, {}, {}, static_cast<int32_t>(m.TriangleCount()));
}

inline CVector3 Flat(double x, double y)
{
    return {x, y, 0.0};
}

} // namespace checkmesh

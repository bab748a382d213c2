#pragma once
// The second derivatives of a hinge's fold angle (Hinge.h) over its four
// corners, by differentiating the gradient's own formula in forward mode:
// exact to rounding, with no hand-derived cases to get wrong.

#include "model/Geometry.h"

// hessian[12 * r + c]: d2 angle / dx_r dx_c, x = (xa, xb, xc, xd) flattened.
// False when either triangle has no area.
bool HingeAngleHessian(const CVector3& xa, const CVector3& xb, const CVector3& xc,
                       const CVector3& xd, double* hessian);

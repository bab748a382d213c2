#pragma once
// The fold angle of a hinge between two triangles and its gradient: what the
// bar-and-hinge solver drives. The hinge runs from xa to xb; xc is the third
// corner of the triangle (a, b, c), xd that of (b, a, d), both
// counter-clockwise on the paper, whose front faces +z there.

#include "model/Geometry.h"

struct CHingeAngle {
    // Radians in (-pi, pi], FOLD's sign: positive when the triangles turn
    // towards their fronts (a valley), 0 when flat.
    double angle = 0.0;
    // d angle / d x for a, b, c, d. Zero when either triangle has no area.
    CVector3 grad[4];
    bool valid = false;
};

// The angle and its gradient.
CHingeAngle HingeAngleOf(const CVector3& xa, const CVector3& xb, const CVector3& xc,
                         const CVector3& xd);

// The angle alone (as HingeAngleOf gives it), for line searches.
double HingeAngleOnly(const CVector3& xa, const CVector3& xb, const CVector3& xc,
                      const CVector3& xd);

// `angle` moved by whole turns to lie within pi of `near`: an angle followed
// through a fold past 180 degrees keeps growing instead of jumping sign.
double UnwrapNear(double angle, double near);

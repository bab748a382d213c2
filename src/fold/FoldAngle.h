#pragma once
// The fold angle of the crease a drag step makes, read off the state the step
// starts from and its plane, so the design view can show it while the user
// drags and the command line can print it.
//
// The fold mirrors the moving part in the bisector plane of the start and
// dragged positions: at a crease point the fixed face keeps its front normal
// n, and the moved face, mirrored, gets -R n' from its own normal n' before
// the step (a mirror reverses the corner order's turn). The angle between the
// two is the fold angle; for a curved crease it is taken at the point of the
// crease nearest the start, where the plane cuts the surface.

#include "model/WorkingShape.h"

#include <cstdint>
#include <optional>

// The angle, in degrees, in FOLD's convention: positive for a valley (the
// faces' fronts turn towards each other), negative for a mountain, 0 flat;
// within kFlatFoldDegrees of +-180 the fold is flat and the geometry gives no
// sign: it is a valley when the moved face's front faced the same side as
// the front of the triangle holding `referenceCorner` before the step (the
// moving part turns towards that side by default), a mountain when it was
// turned over against it. A face's front is the side from which its corners
// run counter-clockwise on the paper (on the form when it has no paper).
//
// `base` is the state the step starts from, `startPos` the selected corner's
// position in it, `draggedPos` where the step moves it. Empty when the two
// coincide or the plane cuts no face on both of its sides.
std::optional<double> FoldAngleOfStep(const CWorkingShape& base, const CVector3& startPos,
                                      const CVector3& draggedPos, int32_t referenceCorner);

// The point nearest `raw` in the plane through it with normal `planeNormal`
// whose fold angle, for the crease the step to `raw` makes, is a whole
// multiple of `stepDegrees` (0 excluded); `raw` when there is none. The
// crease's faces are taken at `raw` and taken afresh at the answer, a few
// times, so that on a curved surface the answer holds for the faces it
// creases.
CVector3 SnapFoldAngle(const CWorkingShape& base, const CVector3& startPos, const CVector3& raw,
                       const CVector3& planeNormal, double stepDegrees);

// How near 180 degrees a fold counts as flat.
constexpr double kFlatFoldDegrees = 0.5;

// Front normal of triangle t (see FoldAngleOfStep).
CVector3 FrontNormal(const CWorkingShape& mesh, size_t t);

#pragma once
// The flat sheet an opened model unfolds to: paper coordinates for every
// corner of its first object, worked out once from the positions as read.

#include "model/Geometry.h"

class CPolyModel;

// Tolerances of the layout, in one place.
// Every vertex of a flat model lies within this fraction of the bounding-box
// diagonal of one plane.
constexpr double kFlatTolerance = 1e-6;
// Corners coincide within this fraction of the unit-cube scale (the largest
// bounding-box half-extent, as NormalizeToUnit divides by). Positions are still
// as read, so the tolerance is scaled by that half-extent here.
constexpr double kCoincideTolerance = 1e-4;
// An interior vertex whose angle sum misses 360 degrees by more than this does
// not unfold flat.
constexpr double kDevelopableDegrees = 0.01;
// Space left between pieces laid out side by side, millimetres.
constexpr double kPieceGap = 10.0;

// Gives objects[0] of `model` its paper: model.paper (3 points per face, face
// order) and model.paperInfo. Does nothing when paperInfo.has is already set
// (the file brought its own paper). Call it after the reader (faces are
// triangles) and before NormalizeToUnit (positions are as read, taken as mm).
//  - flat model: coordinates in its plane, each face counter-clockwise seen
//    from the side its normal points to (the sheet keeps its drawing);
//  - developable model (every interior angle sum 360 degrees within
//    kDevelopableDegrees): laid out triangle by triangle across shared edges
//    from the first face of each piece; pieces side by side, kPieceGap apart;
//  - otherwise no paper: paper empty, has false and whyNot says where the
//    surface fails to unfold.
// maxAngleDefect and maxDefectAt are always filled (0 for a flat model).
// The sheet's lower-left corner is at (0, 0). A model without objects gets no
// paper and a reason.
void AssignPaper(CPolyModel& model);

// True when the model has paper for every face of its first object: a crease
// pattern can be read off its shape.
bool HasPaper(const CPolyModel& model);

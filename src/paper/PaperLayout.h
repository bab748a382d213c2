#pragma once
// The flat sheet an opened model unfolds to: paper coordinates for every
// corner of its first object, worked out once from the positions as read.

#include "model/Geometry.h"

class CPolyModel;
class IProgress;

// Tolerances of the layout, in one place.
// Every vertex of a flat model lies within this fraction of the bounding-box
// diagonal of one plane.
constexpr double kFlatTolerance = 1e-6;
// Corners coincide within this fraction of the unit-cube scale (the largest
// bounding-box half-extent, as NormalizeToUnit divides by). Positions are still
// as read, so the tolerance is scaled by that half-extent here.
constexpr double kCoincideTolerance = 1e-4;
// Paper stretched or shrunk by no more than this share along every edge is as
// good as exact: the breadth-first unfolding stands.
constexpr double kStrainUnnoticed = 0.001;
// Beyond this share, even a least-squares flattening is no paper.
constexpr double kStrainRefused = 0.01;
// Angles round an inner vertex that miss a full turn by this many degrees or
// more cannot be opened or closed with every edge within kStrainRefused: such
// a surface (a corner, or layers of a folded form welded where they touch) is
// refused without a least-squares solve, which on a large model would take
// minutes only to fail.
constexpr double kDefectBeyondFlattening = 60.0;
// Space left between pieces laid out side by side, millimetres.
constexpr double kPieceGap = 10.0;

// Gives objects[0] of `model` its paper: model.paper (3 points per face, face
// order) and model.paperInfo. Does nothing when paperInfo.has is already set
// (the file brought its own paper). Call it after the reader (faces are
// triangles) and before NormalizeToUnit (positions are as read, taken as mm).
// Faces join across every edge exactly two of them share, whatever their
// winding (at shared vertex records with model.paperFromRecords, else where
// positions coincide); pieces join across edges only.
//  - flat model whose faces agree on their side and do not cover one another:
//    coordinates in its plane, each face counter-clockwise seen from the side
//    most faces face (the sheet keeps its drawing); off the axis planes, laid
//    along its smallest bounding rectangle;
//  - otherwise laid out triangle by triangle across shared edges from the
//    first face of each piece. When that stretches an edge by more than
//    kStrainUnnoticed, the piece is flattened by least squares instead (unless
//    some angle defect reaches kDefectBeyondFlattening); beyond
//    kStrainRefused there is no paper: paper empty, has false and whyNot
//    says where the surface fails to unfold. A piece that lands on itself is
//    split where it does; pieces go side by side, kPieceGap apart.
// maxAngleDefect and maxDefectAt are always filled (0 for a flat model), and
// the strain with every paper. The sheet's lower-left corner is at (0, 0). A
// model without objects gets no paper and a reason. `progress` (may be null)
// shows a flattening and can cancel it: then the model keeps no paper and the
// result is false; true otherwise.
bool AssignPaper(CPolyModel& model, IProgress* progress = nullptr);

// True when the model has paper for every face of its first object: a crease
// pattern can be read off its shape.
bool HasPaper(const CPolyModel& model);

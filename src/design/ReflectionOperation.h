#pragma once
// The fold: mirror the part of the working object that is connected to a seed
// point on its side of the reflection plane, splitting the triangles the plane
// cuts so that both parts stay joined along a crease in the plane.
//
// The result (face order, corner order, positions, planes) is fixed exactly:
// the face searched for a point is the last face in list order with a corner
// closer than 0.0001, positions are searched depth first in corner order, and
// new triangles are appended in creation order. The search runs on a spatial
// index and the flood on an explicit stack, which give the same result.

#include "model/Geometry.h"

class CPolyModel;
class CPolyObject;
class CPolyFace;
struct CPolyVertex;
class CSlicePlane;
class CFoldWorkspace;

struct ReflectionStepResult {
    bool accepted = false;
    // The vertex nearest the mirrored start position (null only when the
    // working object has no vertex at all).
    CPolyVertex* vertex = nullptr;
};

// One drag step: the plane becomes the bisector of startPos and draggedPos; if
// any corner of the working object (first object) as it is now lies within the
// tolerance of that plane, the step is rejected and nothing else changes.
// Otherwise `selected` (may be null) goes back to startPos, the working object
// is rebuilt from the top of the undo stack and folded from startPos.
// draggedPos == startPos defines no plane: the plane is left alone and the
// working object becomes the plain copy of the base state (accepted).
// Rejected without any change when the model has no object, no undo state or
// no current plane.
//
// `workspace` (may be null) keeps the index of the base state and a record of
// what the last step changed, so that the next step only undoes that. It must
// be Invalidate()d when the base state changes (commit, step back), and between
// two steps the working object may change only in the position of `selected`.
ReflectionStepResult ReflectionStep(CPolyModel& model, CPolyVertex* selected,
                                    const CVector3& startPos, const CVector3& draggedPos,
                                    CFoldWorkspace* workspace = nullptr);

// The flood from `point` on `object` as it is now, against `plane`. Faces that
// are not triangles are never matched or changed. The object must have one
// vertex record per corner, as every working copy has: mirroring a shared
// record would also move faces the flood has not reached, so such an object
// is left unchanged.
void ReflectFrom(CPolyObject& object, const CSlicePlane& plane, const CVector3& point,
                 CFoldWorkspace* workspace = nullptr);

// Appends a triangle with three fresh vertices at p1, p2, p3 (also appended to
// the vertex list) and computes its plane.
CPolyFace* AddTriangle(CPolyObject& object, const CVector3& p1, const CVector3& p2,
                       const CVector3& p3);

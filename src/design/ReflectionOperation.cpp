#include "design/ReflectionOperation.h"

#include "design/FoldWorkspace.h"
#include "model/PolyModel.h"

ReflectionStepResult ReflectionStep(CPolyModel& model, CPolyVertex* selected,
                                    const CVector3& startPos, const CVector3& draggedPos,
                                    CFoldWorkspace* workspace) {
    if (workspace)
        return workspace->Step(model, selected, startPos, draggedPos);
    CFoldWorkspace scratch;
    return scratch.Step(model, selected, startPos, draggedPos);
}

void ReflectFrom(CPolyObject& object, const CSlicePlane& plane, const CVector3& point,
                 CFoldWorkspace* workspace) {
    if (workspace) {
        workspace->Flood(object, plane, point);
        return;
    }
    CFoldWorkspace scratch;
    scratch.Flood(object, plane, point);
}

CPolyFace* AddTriangle(CPolyObject& object, const CVector3& p1, const CVector3& p2,
                       const CVector3& p3) {
    CPolyFace* face = object.AddFace();
    CPolyVertex* v1 = object.NewVertex(p1);
    CPolyVertex* v2 = object.NewVertex(p2);
    CPolyVertex* v3 = object.NewVertex(p3);
    face->AddCorner(v1);
    face->AddCorner(v2);
    face->AddCorner(v3);
    face->ComputePlane();
    object.vertices.push_back(v1);
    object.vertices.push_back(v2);
    object.vertices.push_back(v3);
    return face;
}

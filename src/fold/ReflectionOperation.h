#pragma once
// The fold: mirror the part of the working shape that is connected to a seed
// point on its side of the reflection plane, splitting the triangles the plane
// cuts so that both parts stay joined along a crease in the plane.
//
// The result (triangle order, corner order, positions, planes, corner data)
// is fixed exactly: the face searched for a point is the last face in order
// with a corner closer than the tolerance, positions are searched depth first
// in corner order, and new triangles are appended in creation order. The
// search runs on a spatial index and the flood on an explicit stack, which
// give the same result.
//
// Corners on the plane (within the tolerance) do not stop a step. A face with
// such a corner is mirrored when its other corners all lie on the seed's side
// (the corners on the plane stay), split in two through the corner on the
// plane when its other two corners lie on opposite sides, and otherwise left.
//
// A drag step takes the quick way when it can: every searched position lies
// on the seed's side, at least the tolerance off the plane, so no mirrored
// corner (now as far off on the other side) can come within reach of one.
// The search then only marks the faces it mirrors and reads nothing but
// position groups, their sides and face states; one pass afterwards builds
// the working shape from the base. When a face met again would change (which
// the argument above rules out short of rounding on huge coordinates), the
// step starts over on the general flood, which writes as it goes.

#include "base/HelperThread.h"
#include "fold/FoldFlood.h"
#include "fold/FoldIndex.h"
#include "fold/FoldQuickStep.h"
#include "model/WorkingShape.h"

#include <cstdint>
#include <memory>

class CSlicePlane;

struct ReflectionStepResult {
    bool accepted = false;
    // Corner of the working shape nearest the mirrored start position (-1
    // only when the shape has no triangle).
    int32_t corner = -1;
};

// The fold's working memory: the base state and its index (kept across the
// steps of a drag), the general flood and the quick step. A step copies the
// base into the working shape, folds it in place and allocates nothing once
// the first one has run.
class CFoldWorkspace {
public:
    CFoldWorkspace() = default;
    CFoldWorkspace(const CFoldWorkspace&) = delete;
    CFoldWorkspace& operator=(const CFoldWorkspace&) = delete;

    // Makes a copy of `base` the state every step starts from, and indexes it
    // (a large one on a second thread, while the caller goes on).
    void SetBase(const CWorkingShape& base);
    // The same, taking `base` over instead of copying it.
    void SetBase(CWorkingShape&& base);
    bool HasBase() const { return hasBase_; }
    const CWorkingShape& Base() const { return base_; }
    // Forgets the base state and lets go of all memory.
    void Invalidate();

    // One drag step: the plane becomes the bisector of startPos and
    // draggedPos; `working` becomes the base state folded from startPos.
    // Refused (nothing changes but the plane) when startPos lies on that plane,
    // when the positions give no finite plane (the plane is then kept), or
    // without a base state. draggedPos == startPos defines no plane: the plane
    // is left alone and `working` becomes the plain copy of the base state.
    ReflectionStepResult Step(CWorkingShape& working, CSlicePlane& plane, const CVector3& startPos,
                              const CVector3& draggedPos);

    // The flood from `point` on `mesh` as it is now (no base state involved).
    void Flood(CWorkingShape& mesh, const CSlicePlane& plane, const CVector3& point);

    // The sign of the flat creases the following steps lay down (see
    // CFoldFlood::SetFlatSign).
    void SetFlatSign(const CVector3& reference, bool behind)
    {
        flood_.SetFlatSign(reference, behind);
    }

    // For tests: false makes every step take the general flood.
    void SetQuickSteps(bool on) { quickAllowed_ = on; }
    // For tests: quick steps on shapes from this many triangles on use the
    // helper thread (where the machine has a second core).
    void SetHelperFrom(int32_t triangles) { quick_.SetHelperFrom(triangles); }
    // For tests: bases from this many triangles on are indexed on a second thread.
    void SetIndexAsideFrom(size_t triangles) { indexAsideFrom_ = triangles; }
    // Whether the last accepted step took the quick way.
    bool LastStepWasQuick() const { return lastQuick_; }

    ~CFoldWorkspace();

    // Returns once the base state's index is built (a step waits by itself).
    void WaitForIndex();

private:
    // Indexes base_ as SetBase promises.
    void IndexBase();

    CWorkingShape base_;
    CFoldIndex baseIndex_;
    // A large base is indexed beside the caller, which goes on with the
    // click; the first step waits for it.
    std::unique_ptr<CHelperThread> indexer_;
    // Below this the index takes a few milliseconds, less than a thread is worth.
    size_t indexAsideFrom_ = 50000;
    bool hasBase_ = false;
    double baseMaxAbs_ = 0.0;
    // Index of a mesh folded in place by Flood.
    CFoldIndex looseIndex_;
    CFoldFlood flood_;
    CFoldQuickStep quick_{flood_};
    bool quickAllowed_ = true;
    bool lastQuick_ = false;
};

// One drag step on `working` with `workspace`'s base state (see CFoldWorkspace::Step).
ReflectionStepResult ReflectionStep(CWorkingShape& working, CSlicePlane& plane,
                                    CFoldWorkspace& workspace, const CVector3& startPos,
                                    const CVector3& draggedPos);

// The flood from `point` on `mesh` as it is now, against `plane`.
void ReflectFrom(CWorkingShape& mesh, const CSlicePlane& plane, const CVector3& point);

// Appends a triangle at p1, p2, p3 with its plane computed from them.
void AddTriangle(CWorkingShape& mesh, const CVector3& p1, const CVector3& p2, const CVector3& p3,
                 const CCornerData& c1 = {}, const CCornerData& c2 = {}, const CCornerData& c3 = {},
                 int32_t origin = -1);

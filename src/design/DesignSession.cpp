#include "design/DesignSession.h"

#include "design/DesignStates.h"
#include "fold/FoldAngle.h"
#include "model/CSlicePlane.h"
#include "model/PolyModel.h"

#include <cmath>
#include <functional>

CDesignSession::~CDesignSession()
{
    WaitForPrepared();
}

void CDesignSession::AttachModel(CPolyModel* model)
{
    WaitForPrepared();
    model_ = model;
    ClearSelection();
    SetHandle(0);
    acceptedSteps_ = 0;
    rejectedSteps_ = 0;
    workspace_.Invalidate();
    ++shapeRevision_;
    packed_.reset();
    Prepare();
}

void CDesignSession::Prepare()
{
    opened_ = CWorkingShape{};
    if (!model_ || model_->objects.empty() || !CHelperThread::Worthwhile())
        return;
    const bool designing = model_->designing;
    const size_t triangles =
        designing ? model_->working.TriangleCount() : model_->objects.front()->faces.size();
    if (triangles < prepareFrom_)
        return;
    // What the second thread reads is a copy made here, never the model,
    // which the program may change or free meanwhile.
    std::function<void()> job;
    try {
        if (!packer_)
            packer_ = std::make_unique<CHelperThread>();
        if (designing) {
            // The copy is the base; the job packs it.
            workspace_.SetBase(model_->working);
            job = [this] { packedAside_ = PackState(workspace_.Base()); };
        } else {
            // The records as opened, flattened: the working shape of the first
            // click, copied into the base (fresh memory, paid for there) and
            // indexed by the job. They are their own state: nothing to pack.
            model_->CurrentShape(opened_);
            job = [this] {
                try {
                    workspace_.SetBase(opened_);
                } catch (...) {
                    workspace_.Invalidate(); // the click sets the base itself
                }
            };
        }
    } catch (...) {
        opened_ = CWorkingShape{};
        workspace_.Invalidate(); // no thread or no memory: the click does it all
        return;
    }
    preparedRevision_ = shapeRevision_;
    baseRevision_ = shapeRevision_;
    packingAside_ = true;
    packer_->Start(std::move(job));
}

void CDesignSession::WaitForPrepared()
{
    if (!packingAside_)
        return;
    packer_->Wait();
    packingAside_ = false;
    if (packedAside_) {
        packed_ = std::move(packedAside_);
        packedRevision_ = preparedRevision_;
    }
}

PackedShape* CDesignSession::KnownPacked()
{
    if (packedRevision_ != shapeRevision_)
        packed_.reset();
    return &packed_;
}

bool CDesignSession::SetHighlighted(const CShapeCorner& corner)
{
    const CShapeCorner next = corner.seq >= 0 ? corner : CShapeCorner{};
    if (selected_ || next == highlighted_)
        return false;
    highlighted_ = next;
    return true;
}

void CDesignSession::SetHandle(int handle)
{
    const double l = kHandleLength;
    switch (handle) {
    case 1:
        handleVector_ = {l, 0, 0};
        break;
    case 2:
        handleVector_ = {0, l, 0};
        break;
    case 3:
        handleVector_ = {0, 0, l};
        break;
    default:
        handle = 0;
        handleVector_ = {};
        break;
    }
    handle_ = handle;
}

void CDesignSession::ResetPlaneToSquare()
{
    if (model_ && model_->currentPlane)
        model_->currentPlane->UpdateFromCorners();
}

CDesignSession::DragOutcome CDesignSession::DragStep(double l)
{
    if (!selected_ || handle_ == 0 || l == 0.0 || !std::isfinite(l))
        return DragOutcome::kIgnored;
    return DragBy(handleVector_ * l);
}

CDesignSession::DragOutcome CDesignSession::DragBy(const CVector3& displacement)
{
    if (!model_ || !selected_ || !model_->currentPlane)
        return DragOutcome::kIgnored;
    if (!std::isfinite(displacement.x) || !std::isfinite(displacement.y) ||
        !std::isfinite(displacement.z))
        return DragOutcome::kIgnored;
    if (displacement.x == 0.0 && displacement.y == 0.0 && displacement.z == 0.0)
        return DragOutcome::kIgnored;
    dragPos_ = dragPos_ + displacement;
    const ReflectionStepResult r =
        workspace_.Step(model_->working, *model_->currentPlane, startPos_, dragPos_);
    if (!r.accepted) {
        ++rejectedSteps_;
        return DragOutcome::kRejected;
    }
    foldAngle_ = FoldAngleOfStep(workspace_.Base(), startPos_, dragPos_, baseCorner_);
    ++acceptedSteps_;
    ++shapeRevision_;
    document_.Changed();
    selectedCorner_ = r.corner;
    if (r.corner >= 0)
        dragPos_ = model_->working.pos[r.corner];
    lastAccepted_ = dragPos_;
    return DragOutcome::kAccepted;
}

CVector3 CDesignSession::SnappedDragPos(const CVector3& raw, const CVector3& planeNormal) const
{
    if (!selected_ || !workspace_.HasBase())
        return raw;
    return SnapFoldAngle(workspace_.Base(), startPos_, raw, planeNormal, kSnapDegrees);
}

void CDesignSession::BeginDrag()
{
    press_ = PressState();
    if (!selected_ || !model_ || !model_->currentPlane)
        return;
    const CSlicePlane& plane = *model_->currentPlane;
    press_ = {true,          lastAccepted_,          selectedCorner_,     foldAngle_,
              {plane.a, plane.b, plane.c, plane.d}, document_.Changes(), document_.Modified()};
}

bool CDesignSession::CancelDrag()
{
    if (!press_.open)
        return false;
    press_.open = false;
    RestoreSelectedToLastAccepted();
    if (!selected_ || !model_ || !model_->currentPlane)
        return false;
    document_.Reverted(press_.changes, press_.modified);
    if (lastAccepted_ == press_.dragged)
        return false;
    // The same step from the same base gives the same shape as at the press;
    // back at the start it is the base itself.
    CSlicePlane& plane = *model_->currentPlane;
    workspace_.Step(model_->working, plane, startPos_, press_.dragged);
    plane.a = press_.plane[0], plane.b = press_.plane[1];
    plane.c = press_.plane[2], plane.d = press_.plane[3];
    selectedCorner_ = press_.corner;
    foldAngle_ = press_.angle;
    dragPos_ = lastAccepted_ = press_.dragged;
    ++shapeRevision_;
    return true;
}

bool CDesignSession::EndLeftClick()
{
    press_.open = false;
    RestoreSelectedToLastAccepted();
    if (!model_ || highlighted_.seq < 0 || model_->objects.empty())
        return false;
    WaitForPrepared();
    // Before the design begins, the first object's corners come first in
    // shape order, and the working copy keeps their order.
    // Selecting again what was just fixed or stepped to commits the state
    // already packed: the click costs no pack, the stack no second copy.
    // The same holds for the base prepared since the shape last changed.
    const bool basePrepared = workspace_.HasBase() && baseRevision_ == shapeRevision_;
    // The records as opened, flattened when the model was attached, become
    // the working shape without reading the records again.
    const bool opened = !opened_.Empty() && preparedRevision_ == shapeRevision_;
    CommitWorkingCopy(*model_, KnownPacked(), opened ? &opened_ : nullptr);
    opened_ = CWorkingShape{};
    if (!basePrepared)
        workspace_.SetBase(model_->working);
    ++shapeRevision_;
    ShapePacked();
    selected_ = true;
    selectedCorner_ = highlighted_.seq < static_cast<int64_t>(model_->working.CornerCount())
                          ? static_cast<int32_t>(highlighted_.seq)
                          : -1;
    baseCorner_ = selectedCorner_;
    foldAngle_.reset();
    startPos_ = lastAccepted_ = dragPos_ = highlighted_.pos;
    highlighted_ = CShapeCorner{};
    // The face of the very corner record picked, whatever else meets there.
    signReference_ =
        selectedCorner_ >= 0 ? model_->working.tri[selectedCorner_ / 3].normal : CVector3{};
    workspace_.SetFlatSign(signReference_, behind_);
    return true;
}

void CDesignSession::SetFoldFlatBehind(bool behind)
{
    behind_ = behind;
    workspace_.SetFlatSign(signReference_, behind_);
}

void CDesignSession::Deselect()
{
    WaitForPrepared();
    RestoreSelectedToLastAccepted();
    // The next selection commits and sets a new base anyway; without one the
    // base prepared for the shape as it is stays.
    if (selected_)
        workspace_.Invalidate();
    ClearSelection();
}

bool CDesignSession::FixShape()
{
    if (!model_ || !selected_)
        return false;
    WaitForPrepared();
    RestoreSelectedToLastAccepted();
    // The base and the fold's buffers go before the pack: the two never
    // need to be held at once.
    workspace_.Invalidate();
    CommitWorkingCopy(*model_, KnownPacked());
    ++shapeRevision_;
    ShapePacked();
    document_.Changed();
    ClearSelection();
    return true;
}

bool CDesignSession::Undo()
{
    return TakeStep(StepBack);
}

bool CDesignSession::Redo()
{
    return TakeStep(StepForward);
}

bool CDesignSession::TakeStep(bool (*step)(CPolyModel&, PackedShape*))
{
    if (!model_)
        return false;
    WaitForPrepared();
    RestoreSelectedToLastAccepted();
    // The selection ends either way; its base goes before the states are
    // packed and unpacked.
    workspace_.Invalidate();
    PackedShape* packed = KnownPacked();
    const bool stepped = step(*model_, packed);
    if (stepped) {
        ++shapeRevision_;
        ShapePacked();
        document_.Changed();
    }
    ClearSelection();
    return stepped;
}

bool CDesignSession::CanUndo() const
{
    return model_ && !model_->undoStack.empty();
}

bool CDesignSession::CanRedo() const
{
    return model_ && !model_->redoStack.empty();
}

void CDesignSession::ClearSelection()
{
    highlighted_ = CShapeCorner{};
    selected_ = false;
    press_.open = false;
    selectedCorner_ = -1;
    baseCorner_ = -1;
    foldAngle_.reset();
}

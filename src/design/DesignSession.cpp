#include "design/DesignSession.h"

#include "design/CSlicePlane.h"
#include "design/DesignStates.h"
#include "design/FoldWorkspace.h"
#include "design/ReflectionOperation.h"
#include "model/PolyModel.h"

#include <cmath>

CDesignSession::CDesignSession() : workspace_(std::make_unique<CFoldWorkspace>()) {}

CDesignSession::~CDesignSession() = default;

void CDesignSession::AttachModel(CPolyModel* model) {
    model_ = model;
    ClearSelection();
    SetHandle(0);
    acceptedSteps_ = 0;
    rejectedSteps_ = 0;
    BaseStateChanged();
}

bool CDesignSession::SetHighlighted(CPolyVertex* v) {
    if (selected_ || v == highlighted_)
        return false;
    highlighted_ = v;
    return true;
}

void CDesignSession::SetHandle(int handle) {
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

void CDesignSession::ResetPlaneToSquare() {
    if (model_ && model_->currentPlane)
        model_->currentPlane->UpdateFromCorners();
}

CDesignSession::DragOutcome CDesignSession::DragStep(double l) {
    if (!selected_ || handle_ == 0 || l == 0.0 || !std::isfinite(l))
        return DragOutcome::kIgnored;
    return DragBy(handleVector_ * l);
}

CDesignSession::DragOutcome CDesignSession::DragBy(const CVector3& displacement) {
    if (!model_ || !selected_)
        return DragOutcome::kIgnored;
    if (!std::isfinite(displacement.x) || !std::isfinite(displacement.y) ||
        !std::isfinite(displacement.z))
        return DragOutcome::kIgnored;
    if (displacement.x == 0.0 && displacement.y == 0.0 && displacement.z == 0.0)
        return DragOutcome::kIgnored;
    selected_->pos.x += displacement.x;
    selected_->pos.y += displacement.y;
    selected_->pos.z += displacement.z;
    const ReflectionStepResult r =
        ReflectionStep(*model_, selected_, startPos_, selected_->pos, workspace_.get());
    if (!r.accepted || !r.vertex) {
        ++rejectedSteps_;
        return DragOutcome::kRejected;
    }
    ++acceptedSteps_;
    selected_ = r.vertex;
    lastAccepted_ = selected_->pos;
    return DragOutcome::kAccepted;
}

bool CDesignSession::EndLeftClick() {
    RestoreSelectedToLastAccepted();
    if (!model_ || !highlighted_)
        return false;
    CommitWorkingCopy(*model_);
    BaseStateChanged();
    selected_ = highlighted_;
    highlighted_ = nullptr;
    startPos_ = lastAccepted_ = selected_->pos;
    return true;
}

void CDesignSession::Deselect() {
    RestoreSelectedToLastAccepted();
    ClearSelection();
}

bool CDesignSession::FixShape() {
    if (!model_ || !selected_)
        return false;
    RestoreSelectedToLastAccepted();
    CommitWorkingCopy(*model_);
    BaseStateChanged();
    ClearSelection();
    return true;
}

bool CDesignSession::Undo() {
    if (!model_)
        return false;
    RestoreSelectedToLastAccepted();
    const bool stepped = StepBack(*model_);
    if (stepped)
        BaseStateChanged();
    ClearSelection();
    return stepped;
}

bool CDesignSession::CanUndo() const {
    return model_ && !model_->undoStack.empty();
}

void CDesignSession::ClearSelection() {
    highlighted_ = nullptr;
    selected_ = nullptr;
}

void CDesignSession::RestoreSelectedToLastAccepted() {
    if (selected_)
        selected_->pos = lastAccepted_;
}

void CDesignSession::BaseStateChanged() {
    workspace_->Invalidate();
}

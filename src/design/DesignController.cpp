#include "design/DesignController.h"

#include "model/Buckets.h"
#include "model/CSlicePlane.h"
#include "model/PolyModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr uint32_t kNoCell = std::numeric_limits<uint32_t>::max();

} // namespace

CDesignController::CDesignController(CDesignSession& session, CViewCamera& camera)
    : session_(session), camera_(camera)
{
}

void CDesignController::ShapeChanged()
{
    ++shapeRevision_;
    gridValid_ = false;
}

void CDesignController::AttachModel(CPolyModel* model)
{
    session_.AttachModel(model);
    ShapeChanged();
}

double CDesignController::WindowDistance(const CVector3& pos, const WindowPoint& m) const
{
    WindowPoint p;
    if (!camera_.ProjectToWindow(pos, p))
        return kInfinity;
    return Distance2D(p.x, p.y, m.x, m.y);
}

CShapeCorner CDesignController::NearestCornerLinear(int x, int y) const
{
    const CPolyModel* model = session_.Model();
    CShapeCorner found;
    if (!model)
        return found;
    const WindowPoint m = camera_.MouseToWindow(x, y);
    double best = kPickRadius;
    ForEachShapeCorner(*model, [&](int64_t seq, const CVector3& p) {
        const double dist = WindowDistance(p, m);
        if (dist < best) {
            best = dist;
            found = {seq, p};
        }
    });
    return found;
}

void CDesignController::RebuildGridIfStale()
{
    const CPolyModel* model = session_.Model();
    if (gridValid_ && gridModel_ == model && gridCameraRevision_ == camera_.Revision() &&
        gridShapeRevision_ == shapeRevision_)
        return;
    gridValid_ = true;
    gridModel_ = model;
    gridCameraRevision_ = camera_.Revision();
    gridShapeRevision_ = shapeRevision_;
    cornerPos_.clear();
    cellEntries_.clear();

    // The grid spans the window plus the pick radius: a pointer inside the
    // window reaches no corner beyond that.
    const double spanX = camera_.width + 2 * kMargin;
    const double spanY = camera_.height + 2 * kMargin;
    cellsX_ = static_cast<int>(std::ceil(spanX / kCell));
    cellsY_ = static_cast<int>(std::ceil(spanY / kCell));
    const size_t cellCount = static_cast<size_t>(cellsX_) * cellsY_;
    cellStart_.assign(cellCount + 1, 0);
    if (!model)
        return;

    std::vector<uint32_t> cellOf;
    ForEachShapeCorner(*model, [&](int64_t, const CVector3& pos) {
        cornerPos_.push_back(pos);
        WindowPoint p;
        uint32_t cell = kNoCell;
        if (camera_.ProjectToWindow(pos, p)) {
            const double gx = std::floor((p.x + kMargin) / kCell);
            const double gy = std::floor((p.y + kMargin) / kCell);
            if (gx >= 0 && gy >= 0 && gx < cellsX_ && gy < cellsY_)
                cell = static_cast<uint32_t>(gy) * cellsX_ + static_cast<uint32_t>(gx);
        }
        cellOf.push_back(cell);
    });
    FillBuckets(cellCount, cellStart_, cellEntries_, [&](auto&& put) {
        for (uint32_t seq = 0; seq < cellOf.size(); ++seq)
            if (cellOf[seq] != kNoCell)
                put(cellOf[seq], seq);
    });
}

CShapeCorner CDesignController::NearestCorner(int x, int y)
{
    // The grid only holds what a pointer inside the window can reach.
    if (x < 0 || y < 0 || x > camera_.width || y > camera_.height)
        return NearestCornerLinear(x, y);
    RebuildGridIfStale();
    if (cornerPos_.empty())
        return {};

    const WindowPoint m = camera_.MouseToWindow(x, y);
    const int x0 = std::max(0, static_cast<int>(std::floor((m.x - kPickRadius + kMargin) / kCell)));
    const int y0 = std::max(0, static_cast<int>(std::floor((m.y - kPickRadius + kMargin) / kCell)));
    const int x1 =
        std::min(cellsX_ - 1, static_cast<int>(std::floor((m.x + kPickRadius + kMargin) / kCell)));
    const int y1 =
        std::min(cellsY_ - 1, static_cast<int>(std::floor((m.y + kPickRadius + kMargin) / kCell)));

    double best = kPickRadius;
    uint32_t bestSeq = kNoCell;
    for (int gy = y0; gy <= y1; ++gy)
        for (int gx = x0; gx <= x1; ++gx) {
            const size_t cell = static_cast<size_t>(gy) * cellsX_ + gx;
            for (uint32_t i = cellStart_[cell]; i < cellStart_[cell + 1]; ++i) {
                const uint32_t seq = cellEntries_[i];
                const double dist = WindowDistance(cornerPos_[seq], m);
                // Equal distances keep the corner that comes first in model order.
                if (dist < best || (dist == best && bestSeq != kNoCell && seq < bestSeq)) {
                    best = dist;
                    bestSeq = seq;
                }
            }
        }
    if (bestSeq == kNoCell)
        return {};
    return {static_cast<int64_t>(bestSeq), cornerPos_[bestSeq]};
}

bool CDesignController::UpdateHighlight(int x, int y)
{
    camera_.lastX = x;
    camera_.lastY = y;
    if (session_.HasSelection() || !session_.Model())
        return false;
    return session_.SetHighlighted(NearestCorner(x, y));
}

bool CDesignController::LeftButtonDown(int x, int y)
{
    if (!session_.Model())
        return false;
    camera_.downX = x;
    camera_.downY = y;
    freeDrag_ = false;
    dragging_ = false;
    if (session_.HasSelection()) {
        bool free = false;
        const int handle = PressChoice(x, y, free, handleDistance_, handleScreen_);
        session_.SetHandle(free ? 0 : handle);
        if (free) {
            handleScreen_ = WindowPoint();
            freeDrag_ = true;
            freeTrack_ = *session_.SelectedPos();
        }
        dragging_ = true;
        session_.BeginDrag();
        return false;
    }
    session_.ResetPlaneToSquare();
    return true;
}

int CDesignController::NearestTip(const WindowPoint& m, double& distance,
                                  WindowPoint& screen) const
{
    distance = kInfinity;
    screen = WindowPoint();
    const CVector3* v = session_.SelectedPos();
    WindowPoint s0;
    if (!v || !camera_.ProjectToWindow(*v, s0))
        return 0;
    const double L = CDesignSession::kHandleLength;
    const CVector3 axes[3] = {{L, 0, 0}, {0, L, 0}, {0, 0, L}};
    WindowPoint tip[3];
    double d[3];
    for (int i = 0; i < 3; ++i) {
        d[i] = kInfinity;
        if (camera_.ProjectToWindow(*v + axes[i], tip[i]))
            d[i] = Distance2D(m.x, m.y, tip[i].x, tip[i].y);
    }
    int handle = 0;
    if (d[0] <= d[1] && d[0] <= d[2] && d[0] <= kPickRadius)
        handle = 1;
    else if (d[1] <= d[2] && d[1] <= d[0] && d[1] <= kPickRadius)
        handle = 2;
    else if (d[2] <= d[0] && d[2] <= d[1] && d[2] <= kPickRadius)
        handle = 3;
    if (handle != 0) {
        distance = d[handle - 1];
        screen = {tip[handle - 1].x - s0.x, tip[handle - 1].y - s0.y};
    }
    return handle;
}

int CDesignController::PressChoice(int x, int y, bool& freeDrag, double& tipDistance,
                                   WindowPoint& screen) const
{
    freeDrag = false;
    const WindowPoint m = camera_.MouseToWindow(x, y);
    const int handle = NearestTip(m, tipDistance, screen);
    const CVector3* v = session_.SelectedPos();
    if (!v)
        return handle;
    const double nearVertex = WindowDistance(*v, m);
    const bool endOn = std::hypot(screen.x, screen.y) < 2 * kPickRadius;
    freeDrag = nearVertex <= kPickRadius && (handle == 0 || nearVertex < tipDistance || endOn);
    return handle;
}

CDesignController::PressTarget CDesignController::TargetAt(int x, int y) const
{
    if (!session_.Model() || !session_.HasSelection())
        return PressTarget::None;
    bool free = false;
    double distance = 0.0;
    WindowPoint screen;
    const int handle = PressChoice(x, y, free, distance, screen);
    if (free)
        return PressTarget::Vertex;
    return handle != 0 ? PressTarget::Handle : PressTarget::None;
}

int CDesignController::PickHandle(int x, int y)
{
    const int handle = NearestTip(camera_.MouseToWindow(x, y), handleDistance_, handleScreen_);
    session_.SetHandle(handle);
    return handle;
}

bool CDesignController::CancelDrag()
{
    if (!dragging_)
        return false;
    dragging_ = false;
    freeDrag_ = false;
    session_.SetHandle(0);
    handleScreen_ = WindowPoint();
    if (!session_.CancelDrag())
        return false;
    ShapeChanged();
    return true;
}

bool CDesignController::DragHandle(int x, int y)
{
    if (!session_.HasSelection() || session_.Handle() == 0)
        return false;
    const double dx = x - camera_.downX;
    const double dy = camera_.downY - y;
    const double len = std::hypot(handleScreen_.x, handleScreen_.y);
    // A handle seen end-on has no screen direction to drag along.
    if (!(len > 0.0))
        return false;
    const double h = dx * (handleScreen_.x / len) + dy * (handleScreen_.y / len);
    const CDesignSession::DragOutcome outcome = session_.DragStep(h / len);
    if (outcome == CDesignSession::DragOutcome::kIgnored)
        return false;
    camera_.downX = x;
    camera_.downY = y;
    if (outcome == CDesignSession::DragOutcome::kRejected)
        return false;
    ShapeChanged();
    return true;
}

bool CDesignController::Drag(int x, int y, bool snap)
{
    if (!dragging_)
        return false;
    return freeDrag_ ? FreeDrag(x, y, snap) : DragHandle(x, y);
}

bool CDesignController::FreeDrag(int x, int y, bool snap)
{
    const CVector3* v = session_.SelectedPos();
    if (!freeDrag_ || !v)
        return false;
    CVector3 from, to;
    if (!camera_.WindowToPlane(camera_.MouseToWindow(camera_.downX, camera_.downY), freeTrack_,
                               from) ||
        !camera_.WindowToPlane(camera_.MouseToWindow(x, y), freeTrack_, to))
        return false;
    camera_.downX = x;
    camera_.downY = y;
    freeTrack_ = freeTrack_ + (to - from);
    const CVector3 target =
        snap ? session_.SnappedDragPos(freeTrack_, camera_.ViewDirection()) : freeTrack_;
    if (session_.DragBy(target - *v) != CDesignSession::DragOutcome::kAccepted)
        return false;
    ShapeChanged();
    return true;
}

bool CDesignController::EndLeftClick()
{
    freeDrag_ = false;
    dragging_ = false;
    const bool selectedNow = session_.EndLeftClick();
    if (selectedNow)
        ShapeChanged(); // the commit replaced the working object
    return selectedNow;
}

void CDesignController::Space()
{
    session_.Deselect();
}

bool CDesignController::FixShape()
{
    if (!session_.FixShape())
        return false;
    ShapeChanged();
    return true;
}

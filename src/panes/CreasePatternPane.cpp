#include "panes/CreasePatternPane.h"

#include "model/PolyModel.h"
#include "panes/NetViewController.h"

#include <algorithm>
#include <chrono>

CCreasePatternPane::~CCreasePatternPane()
{
    if (helper_)
        helper_->Wait();
}

bool CCreasePatternPane::TakeHelperBuild()
{
    if (!running_)
        return false;
    helper_->Wait();
    running_ = false;
    std::swap(pattern_, pending_);
    std::swap(lines_, pendingLines_);
    bendsStale_ = true;
    ++builds_;
    return true;
}

void CCreasePatternPane::Attach(const CPolyModel* model)
{
    // The helper reads the origin faces about to be replaced.
    if (running_) {
        helper_->Wait();
        running_ = false;
    }
    model_ = model;
    origin_.faces.clear();
    if (model_)
        BuildOriginFaces(*model_, origin_);
    // Keep the pattern's buffers; only its contents go stale.
    pattern_.vertices.clear();
    pattern_.folded.clear();
    pattern_.faces.clear();
    pattern_.edges.clear();
    lines_.chains.clear();
    bends_.chains.clear();
    stale_ = bendsStale_ = true;
}

void CCreasePatternPane::SetShowBends(bool on)
{
    if (on == showBends_)
        return;
    showBends_ = on;
    bends_.chains.clear();
    bendsStale_ = true;
}

bool CCreasePatternPane::HasPaper() const
{
    return model_ && model_->paperInfo.has;
}

void CCreasePatternPane::RefreshOnHelper(std::function<void()> done)
{
    TakeHelperBuild();
    if (!stale_ || !HasPaper())
        return;
    const auto start = std::chrono::steady_clock::now();
    // The caller changes its shape on the next step: the helper gets its own copy.
    const CWorkingShape& shape = model_->CurrentShape(snapshot_);
    if (&shape != &snapshot_)
        snapshot_ = shape;
    buildSeconds_ +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    stale_ = false;
    running_ = true;
    finished_ = false;
    if (!helper_)
        helper_ = std::make_unique<CHelperThread>();
    helper_->Start([this, done = std::move(done)] {
        BuildCreasePattern(snapshot_, origin_, pending_);
        ChainPatternEdges(pending_, IsDrawnEdge, pendingLines_);
        finished_ = true;
        if (done)
            done();
    });
}

bool CCreasePatternPane::RefreshUnlessBuilding()
{
    if (running_ && !finished_)
        return false;
    const bool took = TakeHelperBuild();
    return Refresh() || took;
}

bool CCreasePatternPane::Refresh()
{
    const bool took = TakeHelperBuild();
    if (!HasPaper())
        return took;
    const bool build = stale_;
    if (build) {
        const auto start = std::chrono::steady_clock::now();
        BuildCreasePattern(model_->CurrentShape(scratch_), origin_, pattern_);
        ChainPatternEdges(pattern_, IsDrawnEdge, lines_);
        buildSeconds_ +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        stale_ = false;
        bendsStale_ = true;
        ++builds_;
    }
    if (showBends_ && bendsStale_) {
        ChainPatternEdges(pattern_, IsVisibleBend, bends_);
        bendsStale_ = false;
    }
    return build || took;
}

void CCreasePatternPane::Fit(CNetViewController& view)
{
    view.zoom = 1.0;
    view.panX = view.panY = 0.0;
    if (!HasPaper())
        return;
    const double w = model_->paperInfo.width;
    const double h = model_->paperInfo.height;
    centre_ = {w / 2, h / 2};
    const double perPlane = view.DrawFactor(); // pixels per plane unit at zoom 1
    if (!(perPlane > 0.0))
        return;
    const double usableW = std::max(1.0, double(view.width - 2 * kFitMargin));
    const double usableH = std::max(1.0, double(view.height - 2 * kFitMargin));
    // A degenerate side (a strip of paper) must not make the scale infinite.
    double pixelsPerMm = std::min(w > 0.0 ? usableW / w : 1e300, h > 0.0 ? usableH / h : 1e300);
    if (!(pixelsPerMm < 1e300))
        pixelsPerMm = 1.0;
    planePerMm_ = pixelsPerMm / perPlane;
}

bool CCreasePatternPane::FitUntouched(const CNetViewController& view) const
{
    return view.zoom == 1.0 && view.panX == 0.0 && view.panY == 0.0;
}

void CCreasePatternPane::PaperToPlane(const CPaperPoint& p, double& u, double& v) const
{
    // The controller puts plane (1, 1) at the pane's centre.
    u = 1.0 + (p.u - centre_.u) * planePerMm_;
    v = 1.0 + (p.v - centre_.v) * planePerMm_;
}

std::optional<CPaperPoint> CCreasePatternPane::CornerPaper(const CPolyModel& model, int32_t corner)
{
    if (!model.designing || corner < 0 || size_t(corner) >= model.working.corner.size())
        return std::nullopt;
    return model.working.corner[size_t(corner)].paper;
}

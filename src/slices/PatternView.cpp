#include "slices/PatternView.h"

#include "model/PolyModel.h"
#include "slices/NetViewController.h"

#include <algorithm>
#include <chrono>

void CPatternView::Attach(const CPolyModel* model)
{
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

void CPatternView::SetShowBends(bool on)
{
    if (on == showBends_)
        return;
    showBends_ = on;
    bends_.chains.clear();
    bendsStale_ = true;
}

bool CPatternView::HasPaper() const
{
    return model_ && model_->paperInfo.has;
}

bool CPatternView::Refresh()
{
    if (!HasPaper())
        return false;
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
    return build;
}

void CPatternView::Fit(CNetViewController& view)
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

bool CPatternView::FitUntouched(const CNetViewController& view) const
{
    return view.zoom == 1.0 && view.panX == 0.0 && view.panY == 0.0;
}

void CPatternView::PaperToPlane(const CPaperPoint& p, double& u, double& v) const
{
    // The controller puts plane (1, 1) at the pane's centre.
    u = 1.0 + (p.u - centre_.u) * planePerMm_;
    v = 1.0 + (p.v - centre_.v) * planePerMm_;
}

std::optional<CPaperPoint> CPatternView::CornerPaper(const CPolyModel& model, int32_t corner)
{
    if (!model.designing || corner < 0 || size_t(corner) >= model.working.corner.size())
        return std::nullopt;
    return model.working.corner[size_t(corner)].paper;
}

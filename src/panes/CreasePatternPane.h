#pragma once
// The net pane's picture of the crease pattern while a model is designed by
// folding: which model the pattern belongs to, when it must be rebuilt, and
// where the paper lands in the pane. Drawing reads this; the widget only
// forwards what happened (a new model, an accepted step, a resize).
//
// During a drag the pattern is built on a helper thread from a copy of the
// shape, while the caller goes on (the design view draws); the pattern shown
// is then at most one step behind, since a new build first waits for the one
// still running.

#include "base/HelperThread.h"
#include "paper/CreasePattern.h"
#include "paper/PatternChains.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CNetViewController;
class CPolyModel;

class CCreasePatternPane {
public:
    // Pixels left free around the paper when it is fitted, as the slice sheet has.
    static constexpr int kFitMargin = 15;

    CCreasePatternPane() = default;
    CCreasePatternPane(const CCreasePatternPane&) = delete;
    CCreasePatternPane& operator=(const CCreasePatternPane&) = delete;
    // Waits for a build still running.
    ~CCreasePatternPane();

    // A model became current (null: none). Its origin faces are read once
    // here; the pattern is rebuilt on the next Refresh.
    void Attach(const CPolyModel* model);
    const CPolyModel* Model() const { return model_; }
    // The attached model has paper: there is a pattern to show.
    bool HasPaper() const;

    // The shape changed; nothing is built until the next Refresh.
    void Invalidate() { stale_ = true; }
    // True until the pattern shown is that of the current shape.
    bool Stale() const { return stale_ || running_; }
    // Rebuilds the pattern when it is stale and the model has paper, after
    // taking the helper's build when one runs. True when the pattern changed
    // (at most one build per Invalidate, however often it is asked).
    bool Refresh();
    // When stale, copies the current shape and builds its pattern on a
    // helper thread, after waiting for the build still running (taking it).
    // `done` runs on the helper thread when the build is ready to take.
    void RefreshOnHelper(std::function<void()> done);
    // Takes a finished helper build; while one is still running, the pattern
    // stays as it is (a step behind) and nothing waits. Otherwise as Refresh.
    bool RefreshUnlessBuilding();
    const CCreasePattern& Pattern() const { return pattern_; }
    // The outline and the creases joined into lines (ChainPatternEdges),
    // current after each Refresh.
    const CPatternChains& Lines() const { return lines_; }
    // Whether the bends are drawn too; off at first. Turning it on builds
    // their lines on the next Refresh, without building the pattern again.
    void SetShowBends(bool on);
    bool ShowBends() const { return showBends_; }
    // The bends that have an angle, joined into lines; empty while ShowBends
    // is off.
    const CPatternChains& Bends() const { return bends_; }
    // How many times the pattern was built since construction.
    int BuildCount() const { return builds_; }
    // Seconds spent building (or copying the shape for the helper) on the
    // caller's thread so far.
    double BuildSeconds() const { return buildSeconds_; }

    // Puts the whole paper in the pane with kFitMargin around it: no pan,
    // zoom 1, and the paper's centre at the pane's centre. Without paper, or
    // while the pane has no height, only pan and zoom are reset; the scale
    // follows on the next Fit.
    void Fit(CNetViewController& view);
    // True while the user has neither panned nor zoomed since the last Fit:
    // a resize may then fit again.
    bool FitUntouched(const CNetViewController& view) const;
    // A paper point (millimetres) as the net controller's plane (u, v).
    void PaperToPlane(const CPaperPoint& p, double& u, double& v) const;

    // The paper point of corner `corner` of the working shape (what the design
    // session's SelectedCorner() counts); nullopt when the model is not being
    // designed or the index is out of range.
    static std::optional<CPaperPoint> CornerPaper(const CPolyModel& model, int32_t corner);

private:
    // Joins a running helper build and shows its pattern. True when there was one.
    bool TakeHelperBuild();

    const CPolyModel* model_ = nullptr;
    COriginFaces origin_;
    CCreasePattern pattern_;
    CPatternChains lines_;
    CPatternChains bends_;
    bool showBends_ = false;
    bool bendsStale_ = true;
    CWorkingShape scratch_;
    // The helper's copy of the shape and the pattern it builds.
    CWorkingShape snapshot_;
    CCreasePattern pending_;
    CPatternChains pendingLines_; // pending_ joined, made on the helper too
    std::atomic<bool> finished_{false};
    bool running_ = false;
    bool stale_ = true;
    int builds_ = 0;
    double buildSeconds_ = 0.0;
    CPaperPoint centre_;
    double planePerMm_ = 1.0;
    // Made on the first build there; declared last, so it stops before the
    // data its job writes goes.
    std::unique_ptr<CHelperThread> helper_;
};

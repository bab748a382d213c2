#pragma once
// The design view's "Simulate Fold" mode without a window: the pattern of
// the current model, a fold solver working on a second thread, the fold
// percent and facet targets asked for, and the last solved form, aligned
// onto the designed one for drawing beside it. The window asks with
// Request() as the slider moves and takes results with Collect() on its own
// thread; it never waits for a solve.

#include "simulate/FoldSolver.h"
#include "simulate/FormDeviation.h"
#include "simulate/SimPattern.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class CHelperThread;
class CPolyModel;

class CSimulationMode {
public:
    CSimulationMode();
    // Cancels a solve under way and waits for the worker.
    ~CSimulationMode();
    CSimulationMode(const CSimulationMode&) = delete;
    CSimulationMode& operator=(const CSimulationMode&) = delete;

    // Builds the pattern of `model` (a crease pattern file's own records, or
    // the crease pattern of the current form) and asks for the fold at 100%
    // with the facets "to the design". False, with `why` and nothing kept,
    // when the model has no sheet to fold. The model is read only here.
    bool Begin(const CPolyModel& model, std::string& why);
    // Cancels a solve under way, waits for it and forgets everything.
    void End();
    bool Active() const { return solver_ != nullptr; }

    // Asks for the fold at `percent` (0..100) with `targets`. The worker
    // starts at once when idle; otherwise the newest ask waits for the
    // solve under way, which is cancelled when it no longer matters.
    void Request(double percent, FacetTargets targets);
    // Takes a finished solve and starts the ask that waited; while one runs,
    // takes the newest load step it has converged, so a long solve shows the
    // sheet on its way. True when a new form arrived. Call it from the
    // thread that calls Request.
    bool Collect();
    // A solve is under way or an ask waits for one.
    bool Busy() const { return running_ || pending_.has_value(); }
    // Returns once no solve is under way (the one running is finished, the
    // waiting ask taken); for tests and for leaving the mode.
    void Finish();

    const CSimPattern& Pattern() const { return pattern_; }
    // The last solved fold; null before the first.
    const CSimResult* Result() const { return shown_ ? &result_ : nullptr; }
    double AskedPercent() const { return asked_; }
    FacetTargets AskedTargets() const { return targets_; }
    // The pattern came with bend targets (our own designs): the two facet
    // target kinds differ.
    bool HasBendTargets() const { return pattern_.hasBendTargets; }

    // The solved form in the model's unit space (the design view's), moved
    // rigidly onto the designed form when there is one; per pattern vertex.
    const std::vector<CVector3>& ShownPositions() const { return shownUnit_; }
    // Moves whenever the form shown, its strain or the pattern changes.
    uint64_t ShownRevision() const { return shownRevision_; }
    // The designed form in the model's unit space; empty when the pattern has none.
    const std::vector<CVector3>& DesignPositions() const { return designUnit_; }
    // How far the last fold asked to 100% with the targets asked for lies
    // from the designed form (what the pattern gets to); not valid before one.
    const CFormDeviation& Deviation() const { return deviation_; }
    // "Deviation: 0.12% (max 0.41%)" once there is one to show, else "";
    // "... (max 9.02%) at 79%" where that fold's path ended short of 100%.
    std::string DeviationText() const;

    // Play: from flat to 100% and back, one step of `stepPercent` per solved
    // form. Playing() until it is back at 0 or Stop().
    void Play(double stepPercent = 2.5);
    void Stop() { playing_ = false; }
    bool Playing() const { return playing_; }

private:
    void StartSolve(double percent, FacetTargets targets);
    void AdvancePlay();
    // Shows `result` (moved onto the designed form) as the form solved;
    // returns that fit.
    CFormDeviation Show(CSimResult&& result);

    struct Ask {
        double percent;
        FacetTargets targets;
    };
    class CancelFlag;

    CSimPattern pattern_;
    std::unique_ptr<CFoldSolver> solver_;
    std::unique_ptr<CancelFlag> cancel_;
    std::unique_ptr<CHelperThread> worker_;
    std::atomic<bool> done_{false};
    bool running_ = false;
    Ask runningAsk_{0.0, FacetTargets::Design};
    std::optional<Ask> pending_;
    CSimResult working_; // written by the worker while running_
    // The newest load step the worker converged, and whether it is unseen.
    std::mutex stepMutex_;
    CSimResult step_;
    std::atomic<bool> stepFresh_{false};
    CSimResult result_;
    bool shown_ = false;
    double asked_ = 100.0;
    FacetTargets targets_ = FacetTargets::Design;
    CVector3 unitCentre_;
    double unitScale_ = 1.0;
    std::vector<CVector3> shownUnit_;
    uint64_t shownRevision_ = 1;
    std::vector<CVector3> designUnit_;
    CFormDeviation deviation_;
    FacetTargets deviationTargets_ = FacetTargets::Design;
    double deviationPercent_ = 100.0; // where that fold's path ended
    bool playing_ = false;
    double playStep_ = 2.5;
    double playDirection_ = 1.0;
};

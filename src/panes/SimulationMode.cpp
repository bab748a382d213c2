#include "panes/SimulationMode.h"

#include "base/HelperThread.h"
#include "model/PolyModel.h"
#include "model/Progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

// The solver's progress display on the worker: it shows nothing and says
// "cancelled" once the window no longer wants the solve under way.
class CSimulationMode::CancelFlag : public IProgress {
public:
    std::atomic<bool> cancel{false};

    void Begin(const std::string&) override {}
    void End() override {}
    void SetRange(int, int) override {}
    void SetText(const std::string&) override {}
    void SetPos(int) override {}
    bool PeekAndPump() override { return !cancel.load(std::memory_order_relaxed); }
    bool Cancelled() const override { return cancel.load(std::memory_order_relaxed); }
};

CSimulationMode::CSimulationMode() = default;

CSimulationMode::~CSimulationMode()
{
    End();
}

bool CSimulationMode::Begin(const CPolyModel& model, std::string& why)
{
    End();
    CSimPattern pattern;
    if (!BuildSimPattern(model, pattern, why))
        return false;
    pattern_ = std::move(pattern);
    unitCentre_ = model.unitCentre;
    unitScale_ = model.unitScale > 0.0 ? model.unitScale : 1.0;
    designUnit_.clear();
    for (const CVector3& p : pattern_.form)
        designUnit_.push_back((p - unitCentre_) * (1.0 / unitScale_));
    ++shownRevision_;
    solver_ = std::make_unique<CFoldSolver>(pattern_);
    solver_->SetStepListener([this](const CSimResult& step) {
        const std::lock_guard<std::mutex> lock(stepMutex_);
        step_ = step;
        stepFresh_.store(true, std::memory_order_release);
    });
    cancel_ = std::make_unique<CancelFlag>();
    worker_ = std::make_unique<CHelperThread>();
    Request(100.0, FacetTargets::Design);
    return true;
}

void CSimulationMode::End()
{
    playing_ = false;
    pending_.reset();
    if (running_) {
        cancel_->cancel = true;
        worker_->Wait();
        running_ = false;
    }
    worker_.reset();
    solver_.reset();
    cancel_.reset();
    pattern_ = CSimPattern();
    result_ = CSimResult();
    working_ = CSimResult();
    step_ = CSimResult();
    stepFresh_ = false;
    shown_ = false;
    shownUnit_.clear();
    designUnit_.clear();
    deviation_ = CFormDeviation();
    ++shownRevision_;
}

void CSimulationMode::Request(double percent, FacetTargets targets)
{
    if (!solver_)
        return;
    asked_ = std::clamp(percent, 0.0, 100.0);
    targets_ = targets;
    if (!running_) {
        StartSolve(asked_, targets_);
        return;
    }
    pending_ = Ask{asked_, targets_};
    // A solve towards somewhere else is of no more use: the next one starts
    // from the nearest state solved so far.
    if (runningAsk_.percent != asked_ || runningAsk_.targets != targets_)
        cancel_->cancel = true;
}

void CSimulationMode::StartSolve(double percent, FacetTargets targets)
{
    running_ = true;
    runningAsk_ = {percent, targets};
    cancel_->cancel = false;
    done_ = false;
    worker_->Start([this, percent, targets] {
        working_ = CSimResult();
        solver_->SolveTo(percent, targets, cancel_.get(), working_);
        done_.store(true, std::memory_order_release);
    });
}

CFormDeviation CSimulationMode::Show(CSimResult&& result)
{
    result_ = std::move(result);
    shown_ = true;
    // Drawn over the ghost at the best rigid fit.
    std::vector<CVector3> aligned;
    const CFormDeviation fit = MeasureDeviation(result_.positions, pattern_.form, &aligned);
    const std::vector<CVector3>& mm = fit.valid ? aligned : result_.positions;
    shownUnit_.resize(mm.size());
    for (size_t i = 0; i < mm.size(); ++i)
        shownUnit_[i] = (mm[i] - unitCentre_) * (1.0 / unitScale_);
    ++shownRevision_;
    return fit;
}

bool CSimulationMode::Collect()
{
    if (!running_)
        return false;
    if (!done_.load(std::memory_order_acquire)) {
        if (!stepFresh_.exchange(false, std::memory_order_acq_rel))
            return false;
        CSimResult step;
        {
            const std::lock_guard<std::mutex> lock(stepMutex_);
            step = std::move(step_);
        }
        Show(std::move(step));
        return true;
    }
    worker_->Wait();
    running_ = false;
    stepFresh_.store(false, std::memory_order_relaxed);
    bool arrived = false;
    if (!working_.cancelled) {
        arrived = true;
        const CFormDeviation fit = Show(std::move(working_));
        // The deviation counts only for the whole fold, which is what the
        // design is, and says where its path ended when the sheet could not
        // get there.
        if (runningAsk_.percent >= 100.0) {
            deviation_ = fit;
            deviationTargets_ = runningAsk_.targets;
            deviationPercent_ = result_.percent;
        }
    }
    if (pending_) {
        const Ask next = *pending_;
        pending_.reset();
        StartSolve(next.percent, next.targets);
    } else if (arrived && playing_) {
        AdvancePlay();
    }
    return arrived;
}

void CSimulationMode::Finish()
{
    while (running_) {
        worker_->Wait();
        Collect();
    }
}

void CSimulationMode::Play(double stepPercent)
{
    if (!solver_)
        return;
    playStep_ = stepPercent > 0.0 ? stepPercent : 2.5;
    playing_ = true;
    playDirection_ = 1.0;
    // From flat: the first form shown is the sheet as it lies.
    pending_.reset();
    Request(0.0, targets_);
}

void CSimulationMode::AdvancePlay()
{
    double next = asked_ + playDirection_ * playStep_;
    if (next >= 100.0) {
        next = 100.0;
        if (asked_ >= 100.0) {
            playDirection_ = -1.0;
            next = 100.0 - playStep_;
        }
    }
    if (playDirection_ < 0.0 && asked_ <= 0.0) {
        playing_ = false;
        return;
    }
    Request(std::max(next, 0.0), targets_);
}

std::string CSimulationMode::DeviationText() const
{
    if (!deviation_.valid || deviationTargets_ != targets_)
        return std::string();
    char text[96];
    std::snprintf(text, sizeof text, "Deviation: %.2f%% (max %.2f%%)", deviation_.rmsPercent,
                  deviation_.maxPercent);
    std::string out = text;
    if (deviationPercent_ < 100.0) {
        std::snprintf(text, sizeof text, " at %.0f%%", std::floor(deviationPercent_));
        out += text;
    }
    return out;
}

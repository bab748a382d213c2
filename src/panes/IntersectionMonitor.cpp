#include "panes/IntersectionMonitor.h"

#include "model/PolyModel.h"

CIntersectionMonitor::CIntersectionMonitor(Clock clock) : clock_(std::move(clock))
{
    if (!clock_)
        clock_ = [] { return std::chrono::steady_clock::now(); };
}

void CIntersectionMonitor::BeginStep()
{
    stepStart_ = clock_();
}

bool CIntersectionMonitor::EndStep(const CPolyModel* model, uint64_t revision)
{
    if (!model || Current(model, revision))
        return false;
    if (!scheduler_.StepTaken(clock_() - stepStart_))
        return false;
    Run(*model, revision, false);
    return true;
}

bool CIntersectionMonitor::Released(const CPolyModel* model, uint64_t revision)
{
    // A change the view did not report as a step (a commit on the click that
    // selected, a step driven from elsewhere) is stale all the same.
    if (!model || (!scheduler_.Released() && Current(model, revision)))
        return false;
    Run(*model, revision, true);
    return true;
}

void CIntersectionMonitor::Replaced(const CPolyModel* model, uint64_t revision)
{
    scheduler_.Replaced();
    if (model) {
        Run(*model, revision, true);
        return;
    }
    check_.ForgetBase();
    model_ = nullptr;
    hasResult_ = false;
    count_ = 0;
    warning_.clear();
}

bool CIntersectionMonitor::Current(const CPolyModel* model, uint64_t revision) const
{
    return hasResult_ && model == model_ && revision == revision_;
}

std::string CIntersectionMonitor::PaneText(const CPolyModel* model) const
{
    if (!model)
        return std::string();
    return "Intersections: " + std::to_string(count_);
}

void CIntersectionMonitor::Run(const CPolyModel& model, uint64_t revision, bool whole)
{
    const auto start = clock_();
    const CWorkingShape& shape = model.CurrentShape(scratch_);
    // Only the count and the flags are shown: keep no pairs. A base of
    // another model is no base for this one.
    if (model_ != &model)
        whole = true;
    count_ = whole ? check_.SetBase(shape, 0) : check_.Step(shape, 0);
    warning_.clear();
    const std::vector<uint8_t>& flags = check_.Flags();
    for (size_t t = 0; t < flags.size() && t < shape.TriangleCount(); ++t) {
        if (!flags[t])
            continue;
        for (int j = 0; j < 3; ++j) {
            const CVector3& p = shape.Pos(t, j);
            warning_.push_back(static_cast<float>(p.x));
            warning_.push_back(static_cast<float>(p.y));
            warning_.push_back(static_cast<float>(p.z));
        }
    }
    model_ = &model;
    revision_ = revision;
    hasResult_ = true;
    ++checksRun_;
    if (whole)
        scheduler_.Rebased(clock_() - start);
    else
        scheduler_.Checked(clock_() - start);
}

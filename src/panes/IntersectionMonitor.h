#pragma once
// The design view's live self-intersection result: runs the check on the
// current shape when the scheduler says so, measures both the drag step and
// the check with one clock, and keeps what the view shows (the pair count and
// the corners of every triangle in a colliding pair). The result belongs to
// one model at one shape revision; the view draws the triangles only while
// both still match, so a stale result never colours the wrong faces.
//
// A drag step is checked against the shape of the last whole check (the
// release, a replaced shape): only pairs with a triangle the step moved are
// looked for, which costs about what the step itself costs.

#include "checks/SelfIntersection.h"
#include "model/WorkingShape.h"
#include "panes/CheckScheduler.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CPolyModel;

class CIntersectionMonitor {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // `clock` defaults to the steady clock; tests pass their own.
    explicit CIntersectionMonitor(Clock clock = {});

    // Brackets one drag step: BeginStep before the step, EndStep after it with
    // the model and the shape revision it left. A step that did not change the
    // revision costs nothing; one that did is checked when the scheduler
    // allows. Returns whether a check ran.
    void BeginStep();
    bool EndStep(const CPolyModel* model, uint64_t revision);
    // The left button went up: checks a shape that changed since the last check.
    bool Released(const CPolyModel* model, uint64_t revision);
    // The shape or the model was replaced: always checks (none: clears).
    void Replaced(const CPolyModel* model, uint64_t revision);

    // True when the last result describes this model at this revision.
    bool Current(const CPolyModel* model, uint64_t revision) const;
    // Pairs found by the last check.
    size_t Count() const { return count_; }
    // 9 floats (three corners) per triangle in a colliding pair, in mesh order.
    const std::vector<float>& WarningTriangles() const { return warning_; }
    // "Intersections: N" for the last check; empty without a model.
    std::string PaneText(const CPolyModel* model) const;

    int ChecksRun() const { return checksRun_; }
    const CCheckScheduler& Scheduler() const { return scheduler_; }

private:
    // whole: checks every pair and makes the shape the base of later steps.
    void Run(const CPolyModel& model, uint64_t revision, bool whole);

    Clock clock_;
    CCheckScheduler scheduler_;
    CSelfIntersectionCheck check_;
    CWorkingShape scratch_;
    std::chrono::steady_clock::time_point stepStart_{};
    const CPolyModel* model_ = nullptr;
    uint64_t revision_ = 0;
    bool hasResult_ = false;
    size_t count_ = 0;
    std::vector<float> warning_;
    int checksRun_ = 0;
};

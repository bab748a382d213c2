#pragma once
// When the design view runs the self-intersection check. A drag step is only
// worth checking when the check costs less than the step itself: then the
// check at most doubles the work of a mouse move and the drag never stutters.
// A step that is skipped leaves the result stale until the release. Shapes
// replaced from outside (Fix Shape, Undo, Redo, a new model) are always
// checked. The scheduler only decides; the caller measures and runs.

#include <chrono>

class CCheckScheduler {
public:
    using Duration = std::chrono::steady_clock::duration;

    // An accepted drag step changed the shape and took `step`. True when the
    // check should run now; otherwise the result stays stale until the release.
    // Before any check has been measured the answer is yes, so one is.
    bool StepTaken(Duration step);
    // The mouse button went up: true when a step was left unchecked.
    bool Released() const { return stale_; }
    // The shape was replaced wholesale: always true.
    bool Replaced();
    // A check ran to completion and took `took`; the result is current.
    void Checked(Duration took);
    // A whole check ran (took `took`) that later steps are checked against,
    // each at a fraction of its cost: the result is current, and the next
    // step is checked to measure what such a step check costs.
    void Rebased(Duration took);

    bool Stale() const { return stale_; }
    Duration LastCheck() const { return lastCheck_; }

private:
    Duration lastCheck_{};
    bool measured_ = false;
    bool stale_ = false;
};

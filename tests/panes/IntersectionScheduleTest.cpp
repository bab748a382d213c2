// When the design view checks for intersections during a drag, and what the
// live result shows after real folds of a trough.
#include "support/Meshes.h"

#include "checks/SelfIntersection.h"
#include "design/DesignSession.h"
#include "panes/CheckScheduler.h"
#include "panes/IntersectionMonitor.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using TimePoint = std::chrono::steady_clock::time_point;

TEST(CheckScheduler, ChecksDuringTheDragOnlyWhileTheCheckIsCheaperThanTheStep)
{
    CCheckScheduler s;
    // Nothing measured yet: the first step checks, so there is a measure.
    EXPECT_TRUE(s.StepTaken(milliseconds(1)));
    s.Checked(milliseconds(4));
    EXPECT_FALSE(s.Stale());
    EXPECT_FALSE(s.Released()); // nothing left to check

    EXPECT_TRUE(s.StepTaken(milliseconds(5)));
    s.Checked(milliseconds(4));
    // Equal costs would double the step: skipped, and stale until the release.
    EXPECT_FALSE(s.StepTaken(milliseconds(4)));
    EXPECT_TRUE(s.Stale());
    EXPECT_FALSE(s.StepTaken(milliseconds(2)));
    EXPECT_TRUE(s.Released());
    s.Checked(milliseconds(9)); // the release check on a grown mesh
    EXPECT_FALSE(s.Released());

    // The last check, not the first, decides: a cheaper one lets steps check again.
    EXPECT_FALSE(s.StepTaken(milliseconds(8)));
    s.Checked(microseconds(300));
    EXPECT_TRUE(s.StepTaken(milliseconds(1)));
    EXPECT_EQ(s.LastCheck(), microseconds(300));
}

TEST(CheckScheduler, ReplacedShapesAreAlwaysChecked)
{
    CCheckScheduler s;
    s.Checked(std::chrono::seconds(3));
    EXPECT_TRUE(s.Replaced());
    EXPECT_TRUE(s.Stale());
    EXPECT_FALSE(s.StepTaken(milliseconds(1)));
    EXPECT_TRUE(s.Replaced());
}

// A trough along y, like the sample sheet: folds across y lay layers flat on
// each other, a diagonal fold pushes a flap through the trough's wall.
double Trough(double x, double)
{
    return 0.9 * (x - 0.45) * (x - 0.45);
}

// Each reading of the clock is `cost` later than the one before, so a step or
// a check takes what the test sets before it.
struct Fixture {
    std::unique_ptr<CPolyModel> model;
    CDesignSession session;
    TimePoint now{};
    std::chrono::steady_clock::duration cost = milliseconds(1);
    CIntersectionMonitor monitor{[this] { return now += cost; }};

    Fixture()
    {
        model = testmesh::Grid(20, 20, 0.9, 1.0, Trough);
        testmesh::Build(*model);
        model->NormalizeToUnit();
        session.AttachModel(model.get());
    }
    uint64_t Revision() const { return session.ShapeRevision(); }
    void Select(CVector3 p)
    {
        ASSERT_TRUE(session.SetHighlighted(NearestShapeCorner(*model, p)));
        ASSERT_TRUE(session.EndLeftClick());
    }
    // One drag step costing `stepCost`, bracketed as the view brackets it.
    bool Step(CVector3 by, std::chrono::steady_clock::duration stepCost)
    {
        cost = stepCost;
        monitor.BeginStep();
        EXPECT_EQ(session.DragBy(by), CDesignSession::DragOutcome::kAccepted);
        return monitor.EndStep(model.get(), Revision());
    }
    size_t Flagged() const
    {
        CWorkingShape scratch;
        CSelfIntersectionCheck check;
        check.Run(model->CurrentShape(scratch));
        size_t n = 0;
        for (uint8_t f : check.Flags())
            n += f;
        return n;
    }
};

TEST(IntersectionMonitor, ADiagonalFoldIsCheckedLiveWhenAffordableAndOnReleaseOtherwise)
{
    Fixture fx;
    fx.cost = milliseconds(2);
    fx.monitor.Replaced(fx.model.get(), fx.Revision()); // the open: a 2 ms check
    EXPECT_EQ(fx.monitor.PaneText(fx.model.get()), "Intersections: 0");
    EXPECT_TRUE(fx.monitor.WarningTriangles().empty());

    fx.Select({0.5, -0.5, 0});
    // The click's commit changed the revision: the release looks again.
    fx.cost = milliseconds(1);
    EXPECT_TRUE(fx.monitor.Released(fx.model.get(), fx.Revision()));
    EXPECT_EQ(fx.monitor.Count(), 0u);

    // A 3 ms step against a 1 ms check: checked at once.
    EXPECT_TRUE(fx.Step({0.25, 0, 0}, milliseconds(3)));
    EXPECT_TRUE(fx.monitor.Current(fx.model.get(), fx.Revision()));
    EXPECT_EQ(fx.monitor.Count(), 0u);
    // That check took 3 ms too; a step of 2 ms cannot afford the next one.
    EXPECT_FALSE(fx.Step({0, 0.45, 0}, milliseconds(2)));
    EXPECT_FALSE(fx.monitor.Current(fx.model.get(), fx.Revision()));
    EXPECT_EQ(fx.monitor.Count(), 0u); // the old count stays in the pane meanwhile
    EXPECT_EQ(fx.monitor.ChecksRun(), 3);

    fx.cost = milliseconds(1);
    EXPECT_TRUE(fx.monitor.Released(fx.model.get(), fx.Revision()));
    ASSERT_TRUE(fx.monitor.Current(fx.model.get(), fx.Revision()));
    EXPECT_EQ(fx.monitor.Count(), CountSelfIntersections(fx.model->working));
    EXPECT_GT(fx.monitor.Count(), 0u);
    EXPECT_EQ(fx.monitor.PaneText(fx.model.get()),
              "Intersections: " + std::to_string(fx.monitor.Count()));
    EXPECT_EQ(fx.monitor.WarningTriangles().size(), 9 * fx.Flagged());
    // A second release with nothing new checks nothing.
    EXPECT_FALSE(fx.monitor.Released(fx.model.get(), fx.Revision()));

    // A rejected or empty step leaves the revision and costs no check.
    fx.monitor.BeginStep();
    EXPECT_FALSE(fx.monitor.EndStep(fx.model.get(), fx.Revision()));
    EXPECT_EQ(fx.monitor.ChecksRun(), 4);
}

TEST(IntersectionMonitor, AFlatFoldAndItsUndoShowNoneAndNoModelShowsNothing)
{
    Fixture fx;
    fx.monitor.Replaced(fx.model.get(), fx.Revision());
    fx.Select({0.1, -0.5, 0});
    EXPECT_TRUE(fx.Step({0, 0.6, 0}, milliseconds(50)));
    // The flap lies on the trough, layer on layer: touching is not crossing.
    EXPECT_EQ(fx.monitor.Count(), 0u);
    EXPECT_TRUE(fx.monitor.WarningTriangles().empty());

    fx.session.DragBy({0.25, -0.15, 0});
    ASSERT_TRUE(fx.session.FixShape());
    fx.monitor.Replaced(fx.model.get(), fx.Revision());
    const size_t folded = fx.monitor.Count();
    EXPECT_GT(folded, 0u);
    // Undo after Fix Shape shows the same fold, the next one the trough.
    ASSERT_TRUE(fx.session.Undo());
    fx.monitor.Replaced(fx.model.get(), fx.Revision());
    EXPECT_EQ(fx.monitor.Count(), folded);
    ASSERT_TRUE(fx.session.Undo());
    fx.monitor.Replaced(fx.model.get(), fx.Revision());
    EXPECT_EQ(fx.monitor.Count(), 0u);
    EXPECT_TRUE(fx.monitor.WarningTriangles().empty());

    fx.monitor.Replaced(nullptr, 0);
    EXPECT_EQ(fx.monitor.PaneText(nullptr), "");
    EXPECT_FALSE(fx.monitor.Current(fx.model.get(), fx.Revision()));
    EXPECT_TRUE(fx.monitor.WarningTriangles().empty());
}

} // namespace

#include "panes/CreasePatternPane.h"

#include "model/PolyModel.h"
#include "panes/NetViewController.h"
#include "paper/PaperLayout.h"
#include "support/Meshes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace {

// A w x h mm sheet opened as the program opens one: paper, then unit scale.
std::unique_ptr<CPolyModel> Sheet(double w, double h)
{
    auto m = testmesh::Grid(4, 6, w, h);
    testmesh::Build(*m);
    AssignPaper(*m);
    m->NormalizeToUnit();
    return m;
}

// The sheet folded 90 degrees along its middle line x = w/2, as the design's working shape.
void FoldInHalf(CPolyModel& m, double w)
{
    CWorkingShape form;
    FlatFromObject(*m.objects[0], m.paper.data(), form);
    const double hingeX = (w / 2 - m.unitCentre.x) / m.unitScale;
    for (CVector3& p : form.pos)
        if (p.x > hingeX)
            p = {hingeX, p.y, p.x - hingeX};
    for (size_t t = 0; t < form.TriangleCount(); ++t) {
        form.UpdatePlane(t);
        for (int j = 0; j < 3; ++j) // the hinge is a crease, as a fold step records it
            if (std::fabs(form.corner[3 * t + j].paper.u - w / 2) < 1e-9 &&
                std::fabs(form.corner[3 * t + (j + 1) % 3].paper.u - w / 2) < 1e-9)
                form.tri[t].edge[j] |= EdgeMark::kCrease;
    }
    m.working = form;
    m.designing = true;
}

void Window(const CCreasePatternPane& pv, const CNetViewController& view, CPaperPoint p, double& x,
            double& y)
{
    double u = 0, v = 0;
    pv.PaperToPlane(p, u, v);
    view.ToWindow(u, v, x, y);
}

int Creases(const CCreasePattern& p)
{
    int n = 0;
    for (const CPatternEdge& e : p.edges)
        n += e.kind == CreaseKind::Mountain || e.kind == CreaseKind::Valley;
    return n;
}

} // namespace

TEST(CreasePatternPane, FitPutsThePaperInThePaneWithItsMargin)
{
    auto m = Sheet(210.0, 297.0);
    CNetViewController view;
    view.Resize(400, 300);
    view.zoom = 3.0;
    view.panX = 12.0;
    CCreasePatternPane pv;
    pv.Attach(m.get());
    pv.Fit(view);
    EXPECT_EQ(view.zoom, 1.0);
    EXPECT_EQ(view.panX, 0.0);
    EXPECT_TRUE(pv.FitUntouched(view));

    // Tall paper in a wide pane: the height fills it less the margins, the
    // paper's lower-left corner is at the bottom left, centred across.
    double x0, y0, x1, y1;
    Window(pv, view, {0, 0}, x0, y0);
    Window(pv, view, {210, 297}, x1, y1);
    EXPECT_NEAR(y0, 300 - CCreasePatternPane::kFitMargin, 1e-9);
    EXPECT_NEAR(y1, CCreasePatternPane::kFitMargin, 1e-9);
    EXPECT_NEAR((x0 + x1) / 2, 200.0, 1e-9);
    EXPECT_NEAR(x1 - x0, 210.0 * 270.0 / 297.0, 1e-9);

    // Wide paper in a tall pane: the width limits.
    auto wide = Sheet(300.0, 100.0);
    view.Resize(200, 600);
    pv.Attach(wide.get());
    pv.Fit(view);
    Window(pv, view, {0, 0}, x0, y0);
    Window(pv, view, {300, 100}, x1, y1);
    EXPECT_NEAR(x0, CCreasePatternPane::kFitMargin, 1e-9);
    EXPECT_NEAR(x1, 200 - CCreasePatternPane::kFitMargin, 1e-9);
    EXPECT_NEAR((y0 + y1) / 2, 300.0, 1e-9);
}

TEST(CreasePatternPane, APanMovesThePaperAndEndsTheFit)
{
    auto m = Sheet(100.0, 100.0);
    CNetViewController view;
    view.Resize(300, 300);
    CCreasePatternPane pv;
    pv.Attach(m.get());
    pv.Fit(view);
    double x0, y0;
    Window(pv, view, {0, 0}, x0, y0);

    NetViewButtons middle;
    middle.middle = true;
    view.MiddleDown(10, 10);
    view.MouseMove(30, 5, middle);
    double x1, y1;
    Window(pv, view, {0, 0}, x1, y1);
    EXPECT_NEAR(x1 - x0, 20.0, 1e-9);
    EXPECT_NEAR(y1 - y0, -5.0, 1e-9);
    EXPECT_FALSE(pv.FitUntouched(view));
}

TEST(CreasePatternPane, ACollapsedPaneKeepsTheMappingFinite)
{
    auto m = Sheet(210.0, 297.0);
    CNetViewController view;
    view.Resize(0, 0);
    CCreasePatternPane pv;
    pv.Attach(m.get());
    pv.Fit(view);
    double u, v;
    pv.PaperToPlane({210, 297}, u, v);
    EXPECT_TRUE(std::isfinite(u) && std::isfinite(v));
    // Once the pane has a size the fit follows.
    view.Resize(300, 300);
    pv.Fit(view);
    double x, y;
    Window(pv, view, {0, 297}, x, y);
    EXPECT_NEAR(y, CCreasePatternPane::kFitMargin, 1e-9);
}

TEST(CreasePatternPane, RebuildsOncePerChangeAndOnlyWithPaper)
{
    auto m = Sheet(200.0, 100.0);
    CCreasePatternPane pv;
    pv.Attach(m.get());
    EXPECT_TRUE(pv.HasPaper());
    EXPECT_TRUE(pv.Refresh());
    EXPECT_FALSE(pv.Refresh()); // nothing changed since
    EXPECT_EQ(pv.BuildCount(), 1);
    EXPECT_EQ(Creases(pv.Pattern()), 0);
    EXPECT_EQ(pv.Pattern().FaceCount(), 48u);

    FoldInHalf(*m, 200.0);
    EXPECT_FALSE(pv.Refresh()); // not told yet: still the old pattern
    EXPECT_EQ(Creases(pv.Pattern()), 0);
    pv.Invalidate();
    pv.Invalidate(); // two steps before a frame cost one build
    EXPECT_TRUE(pv.Refresh());
    EXPECT_EQ(pv.BuildCount(), 2);
    EXPECT_EQ(Creases(pv.Pattern()), 4); // the middle column line, 4 cells tall
    for (const CPatternEdge& e : pv.Pattern().edges)
        if (e.kind == CreaseKind::Valley || e.kind == CreaseKind::Mountain) {
            EXPECT_NEAR(pv.Pattern().vertices[e.a].u, 100.0, 1e-9);
            EXPECT_NEAR(pv.Pattern().vertices[e.b].u, 100.0, 1e-9);
        }

    // A model without paper never builds; neither does no model.
    auto cube = testmesh::Cube();
    testmesh::Build(*cube);
    AssignPaper(*cube);
    ASSERT_FALSE(cube->paperInfo.has);
    pv.Attach(cube.get());
    EXPECT_FALSE(pv.HasPaper());
    EXPECT_FALSE(pv.Refresh());
    EXPECT_TRUE(pv.Pattern().edges.empty());
    pv.Attach(nullptr);
    EXPECT_FALSE(pv.Refresh());
    EXPECT_EQ(pv.BuildCount(), 2);
}

TEST(CreasePatternPane, HelperBuildsFromItsOwnCopyAndLagsOneStepAtMost)
{
    auto m = Sheet(200.0, 100.0);
    CCreasePatternPane pv;
    pv.Attach(m.get());
    ASSERT_TRUE(pv.Refresh());
    FoldInHalf(*m, 200.0);
    const CWorkingShape folded = m->working;

    std::atomic<int> done{0};
    pv.Invalidate();
    pv.RefreshOnHelper([&] { ++done; });
    // The caller goes on changing the shape: the build sees the copy.
    m->working = CWorkingShape{};
    ASSERT_TRUE(pv.Stale());
    while (done == 0)
        std::this_thread::yield();
    EXPECT_TRUE(pv.RefreshUnlessBuilding());
    EXPECT_FALSE(pv.Stale());
    EXPECT_EQ(pv.BuildCount(), 2);
    EXPECT_EQ(Creases(pv.Pattern()), 4);

    // A second step while a build runs takes that build first: one behind at most.
    m->working = folded;
    pv.Invalidate();
    pv.RefreshOnHelper(nullptr);
    pv.Invalidate();
    pv.RefreshOnHelper(nullptr);
    EXPECT_EQ(pv.BuildCount(), 3);
    EXPECT_TRUE(pv.Refresh()); // waits for the last one
    EXPECT_EQ(pv.BuildCount(), 4);
    EXPECT_FALSE(pv.Stale());
    EXPECT_EQ(Creases(pv.Pattern()), 4);
    // Nothing stale: no build starts, and a new model waits for none.
    pv.RefreshOnHelper(nullptr);
    EXPECT_FALSE(pv.Stale());
    pv.Attach(nullptr);
    EXPECT_EQ(pv.BuildCount(), 4);
}

TEST(CreasePatternPane, SelectedCornerIsReadOffTheWorkingShape)
{
    auto m = Sheet(200.0, 100.0);
    EXPECT_FALSE(CCreasePatternPane::CornerPaper(*m, 0)); // not designing yet
    FoldInHalf(*m, 200.0);
    const int32_t last = static_cast<int32_t>(m->working.corner.size()) - 1;
    ASSERT_TRUE(CCreasePatternPane::CornerPaper(*m, last));
    EXPECT_EQ(*CCreasePatternPane::CornerPaper(*m, last), m->working.corner.back().paper);
    EXPECT_FALSE(CCreasePatternPane::CornerPaper(*m, last + 1));
    EXPECT_FALSE(CCreasePatternPane::CornerPaper(*m, -1));
}

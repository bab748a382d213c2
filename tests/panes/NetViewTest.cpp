#include "support/SliceFixtures.h"
#include "panes/NetViewController.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

NetViewButtons Middle()
{
    NetViewButtons b;
    b.middle = true;
    return b;
}

NetViewButtons Right(bool ctrl, bool shift)
{
    NetViewButtons b;
    b.right = true;
    b.ctrl = ctrl;
    b.shift = shift;
    return b;
}

// A 400 x 500 pane showing a slice of three unit squares side by side.
class NetView : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.Resize(400, 500);
        slice = slicefix::AddSlice(model, 2);
        p1 = slicefix::AddRect(slice, 0.0, 0.0, 0.5, 0.5);
        p2 = slicefix::AddRect(slice, 0.5, 0.0, 1.0, 0.5); // shares an edge with p1
        p3 = slicefix::AddRect(slice, 1.5, 1.5, 2.0, 2.0);
        model.pickedPlane = slice;
    }
    void Click(int x, int y)
    {
        view.LeftDown(x, y, true);
        EXPECT_TRUE(view.LeftUp(&model, x, y));
    }
    void Window(double u, double v, int& x, int& y)
    {
        double wx = 0, wy = 0;
        view.ToWindow(u, v, wx, wy);
        x = static_cast<int>(std::lround(wx));
        y = static_cast<int>(std::lround(wy));
    }
    CNetViewController view;
    CPolyModel model;
    CSlicePlane* slice = nullptr;
    Spart *p1 = nullptr, *p2 = nullptr, *p3 = nullptr;
};

} // namespace

TEST(NetViewSheet, ScaleFitsAnA4SheetWithMargins)
{
    CNetViewController view;
    view.Resize(330, 900); // tall: the width limits
    EXPECT_DOUBLE_EQ(view.sheetScale, 300.0 / 21.0);
    view.Resize(801, 601); // wide: the height limits
    EXPECT_DOUBLE_EQ(view.sheetScale, 571.0 / 29.7);
    EXPECT_EQ(view.halfWidth, 400);
    EXPECT_EQ(view.halfHeight, 300);
    view.Resize(0, 0); // a collapsed pane stays finite
    EXPECT_TRUE(std::isfinite(view.sheetScale));
    view.Resize(30, 500);
    EXPECT_TRUE(std::isfinite(view.sheetScale));
}

TEST_F(NetView, MappingPutsTheMiddleOfThePlaneAtTheCentre)
{
    double x = 0, y = 0;
    view.ToWindow(1.0, 1.0, x, y);
    EXPECT_EQ(x, 200.0);
    EXPECT_EQ(y, 250.0);
    view.ToWindow(2.0, 2.0, x, y); // one unit spans 0.4 of the height, y goes down
    EXPECT_DOUBLE_EQ(x, 200.0 + 200.0);
    EXPECT_DOUBLE_EQ(y, 250.0 - 200.0);
}

TEST_F(NetView, PanDragsFollowTheMouseAtAnyZoom)
{
    for (double zoom : {1.0, 2.5, 0.5}) {
        view.zoom = zoom;
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        view.ToWindow(0.3, 0.7, x0, y0);
        view.MiddleDown(100, 100);
        EXPECT_TRUE(view.MouseMove(130, 80, Middle()));
        view.ToWindow(0.3, 0.7, x1, y1);
        EXPECT_NEAR(x1 - x0, 30.0, 1e-9);
        EXPECT_NEAR(y1 - y0, -20.0, 1e-9);
        // Ctrl + right pans the same way, from the last position.
        view.RightDown(130, 80, true);
        EXPECT_TRUE(view.MouseMove(140, 90, Right(true, false)));
        view.ToWindow(0.3, 0.7, x0, y0);
        EXPECT_NEAR(x0 - x1, 10.0, 1e-9);
        EXPECT_NEAR(y0 - y1, 10.0, 1e-9);
    }
}

TEST_F(NetView, MovesWithoutADragButtonChangeNothing)
{
    view.MiddleDown(10, 10);
    EXPECT_FALSE(view.MouseMove(50, 50, NetViewButtons{}));
    NetViewButtons rightOnly;
    rightOnly.right = true;
    EXPECT_FALSE(view.MouseMove(60, 60, rightOnly));
    EXPECT_EQ(view.panX, 0.0);
    EXPECT_EQ(view.zoom, 1.0);
}

TEST_F(NetView, ShiftDragZoomsAndStopsAtTheSheetBound)
{
    view.RightDown(100, 100, true);
    EXPECT_TRUE(view.MouseMove(110, 110, Right(false, true)));
    EXPECT_DOUBLE_EQ(view.zoom, 1.2);
    const double floor = 10.0 / (21.0 * view.sheetScale);
    // Dragging far left and up would go below the sheet bound (or to zero).
    EXPECT_FALSE(view.MouseMove(10, 100, Right(false, true)));
    EXPECT_DOUBLE_EQ(view.zoom, 1.2);
    EXPECT_EQ(view.lastX, 10); // the anchor moves anyway
    for (int i = 0; i < 200; ++i) {
        view.MouseMove(view.lastX - 5, view.lastY, Right(false, true));
        ASSERT_GE(view.zoom, floor);
    }
    EXPECT_LT(view.zoom, floor / 0.95 + 1e-12);
}

TEST_F(NetView, WheelNotchesScaleByTwelvePercentAndNeverReachZero)
{
    EXPECT_FALSE(view.Wheel(120, false));
    EXPECT_EQ(view.zoom, 1.0);
    EXPECT_TRUE(view.Wheel(-120, true));
    EXPECT_DOUBLE_EQ(view.zoom, 0.88);
    view.zoom = 1.0;
    view.Wheel(120, true);
    EXPECT_DOUBLE_EQ(view.zoom, 1.12);
    for (int delta : {-1000, -1200, -100000}) {
        view.zoom = 1.0;
        view.Wheel(delta, true);
        EXPECT_GT(view.zoom, 0.0) << delta;
    }
    for (int i = 0; i < 20000; ++i)
        view.Wheel(-120, true);
    EXPECT_GT(view.zoom, 0.0);
    view.MiddleDown(0, 0);
    view.MouseMove(5, 5, Middle());
    EXPECT_TRUE(std::isfinite(view.panX));
    for (int i = 0; i < 20000; ++i)
        view.Wheel(120, true);
    EXPECT_TRUE(std::isfinite(view.DrawFactor()));
}

TEST_F(NetView, ClickOnAnEdgeTogglesItsPart)
{
    int x = 0, y = 0;
    Window(1.75, 1.5, x, y); // bottom edge of p3
    Click(x, y + 4);
    EXPECT_TRUE(p3->marked);
    Click(x, y + 4);
    EXPECT_FALSE(p3->marked);
    EXPECT_FALSE(p1->marked || p2->marked);
}

TEST_F(NetView, ClickToleranceIsThreePixelsOfMovement)
{
    int x = 0, y = 0;
    Window(1.75, 2.0, x, y);
    view.LeftDown(x, y, true);
    EXPECT_TRUE(view.LeftUp(&model, x + 3, y)); // squared distance 9
    EXPECT_TRUE(p3->marked);
    view.LeftDown(x, y, true);
    EXPECT_FALSE(view.LeftUp(&model, x + 2, y + 3)); // 13
    EXPECT_TRUE(p3->marked);
}

TEST_F(NetView, PickRadiusIsTenPixelsAndSharedEdgesGoToTheEarlierPart)
{
    double x = 0, y = 0;
    view.ToWindow(1.5, 1.75, x, y); // left edge of p3
    EXPECT_EQ(view.PartNear(*slice, x - 9.9, y), p3);
    EXPECT_EQ(view.PartNear(*slice, x - 10.0, y), nullptr);
    view.ToWindow(0.5, 0.25, x, y); // the edge p1 and p2 share
    EXPECT_EQ(view.PartNear(*slice, x, y), p1);
    EXPECT_EQ(view.PartNear(*slice, x + 2, y), p1); // p2's side of it: still a tie
    view.ToWindow(0.75, 0.0, x, y);                 // p2's own bottom edge
    EXPECT_EQ(view.PartNear(*slice, x, y + 3), p2);
    // Far from everything: nothing changes, but it was a click.
    Click(5, 5);
    EXPECT_FALSE(p1->marked || p2->marked || p3->marked);
}

TEST_F(NetView, NoPickOrNoSliceFileMeansNoClick)
{
    int x = 0, y = 0;
    Window(1.75, 2.0, x, y);
    model.pickedPlane = nullptr;
    view.LeftDown(x, y, true);
    EXPECT_FALSE(view.LeftUp(&model, x, y));
    EXPECT_FALSE(view.LeftUp(nullptr, x, y));
    model.pickedPlane = slice;
    // A press on a model from another format records nothing, so the
    // release is measured from the old press position.
    view.LeftDown(0, 0, true);
    view.LeftDown(x, y, false);
    EXPECT_FALSE(view.LeftUp(&model, x, y));
    EXPECT_FALSE(p3->marked);
}

TEST_F(NetView, DeleteKeyRemovesMarkedPartsAndShrinksTheRectangle)
{
    EXPECT_FALSE(view.DeleteKey(nullptr));
    p1->marked = p3->marked = true;
    EXPECT_TRUE(view.DeleteKey(&model));
    ASSERT_EQ(slice->parts.size(), 1u);
    EXPECT_EQ(slice->parts[0].get(), p2);
    EXPECT_EQ(slice->minU, 0.5);
    EXPECT_EQ(slice->maxU, 1.0);
    EXPECT_EQ(slice->maxV, 0.5);
    p2->marked = true;
    EXPECT_TRUE(view.DeleteKey(&model));
    EXPECT_EQ(model.pickedPlane, nullptr);
    EXPECT_TRUE(model.planes.empty());
    EXPECT_FALSE(view.DeleteKey(&model));
}

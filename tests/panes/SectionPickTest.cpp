#include "panes/SectionPick.h"
#include "support/SliceFixtures.h"
#include "view3d/ViewCamera.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

// Parts lie at (u, v, 0); this camera puts model (x, y) at window
// (100 + 100 x, 100 + 100 y), y up, in a 400 pixel tall pane.
bool Project(const CVector3& p, double& x, double& y)
{
    x = 100 + 100 * p.x;
    y = 100 + 100 * p.y;
    return true;
}

constexpr int kHeight = 400;

class SectionPick : public ::testing::Test {
protected:
    void SetUp() override
    {
        first = slicefix::AddSlice(model, 0);
        second = slicefix::AddSlice(model, 2);
        slicefix::AddRect(first, 0, 0, 1, 1);  // window x 100..200, y up 100..200
        slicefix::AddRect(second, 1, 0, 2, 1); // shares the edge x = 200
        slicefix::AddSlice(model, 1);          // reflection plane: no parts
    }
    CPolyModel model;
    CSlicePlane *first = nullptr, *second = nullptr;
};

} // namespace

TEST_F(SectionPick, NearestOutlineWithinTenPixelsWins)
{
    // Mouse y is measured downwards: window y up 150 is mouse y 250.
    EXPECT_EQ(NearestSliceOutline(model, 295, 150, Project), second);
    EXPECT_EQ(NearestSliceOutline(model, 290, 150, Project), nullptr); // exactly 10
    EXPECT_EQ(NearestSliceOutline(model, 109.9, 150, Project), first);
    EXPECT_EQ(NearestSliceOutline(model, 110 + 100, 150, Project), nullptr);
    EXPECT_EQ(NearestSliceOutline(model, 90, 150, Project), nullptr);
    EXPECT_EQ(NearestSliceOutline(model, 200, 150, Project), first); // tie: earlier slice
}

TEST_F(SectionPick, ClickPicksAndAnEmptySpotKeepsThePick)
{
    EXPECT_TRUE(SectionViewClick(&model, 295, 250, 295, 250, kHeight, Project));
    EXPECT_EQ(model.pickedPlane, second);
    EXPECT_TRUE(SectionViewClick(&model, 10, 10, 10, 10, kHeight, Project));
    EXPECT_EQ(model.pickedPlane, second);
    // Mouse y 250 is window y 150; mouse y 150 would be window y 250, off the parts.
    EXPECT_TRUE(SectionViewClick(&model, 105, 150, 105, 150, kHeight, Project));
    EXPECT_EQ(model.pickedPlane, second);
    EXPECT_TRUE(SectionViewClick(&model, 105, 250, 105, 250, kHeight, Project));
    EXPECT_EQ(model.pickedPlane, first);
}

TEST_F(SectionPick, MoreThanThreePixelsOfMovementIsNoClick)
{
    EXPECT_TRUE(SectionViewClick(&model, 292, 250, 295, 250, kHeight, Project));
    EXPECT_EQ(model.pickedPlane, second);
    model.pickedPlane = nullptr;
    EXPECT_FALSE(SectionViewClick(&model, 291, 250, 295, 250, kHeight, Project));
    EXPECT_EQ(model.pickedPlane, nullptr);
    EXPECT_FALSE(SectionViewClick(nullptr, 295, 250, 295, 250, kHeight, Project));
}

TEST_F(SectionPick, PointsThatCannotBeProjectedAreLeftOut)
{
    // Everything with x > 1.5 is behind the eye: the second square keeps
    // only its left edge.
    auto partial = [](const CVector3& p, double& x, double& y) {
        if (p.x > 1.5)
            return false;
        return Project(p, x, y);
    };
    EXPECT_EQ(NearestSliceOutline(model, 295, 150, partial), nullptr);
    EXPECT_EQ(NearestSliceOutline(model, 250, 205, partial), nullptr);
    EXPECT_EQ(NearestSliceOutline(model, 250, 205, Project), second);
}

TEST_F(SectionPick, ThroughThePaneCameraWithMouseYDown)
{
    // As the section pane forwards a release: its camera places the outlines.
    const auto ClickThrough = [this](const CViewCamera& cam, int x, int y) {
        const WindowProjection project = [&cam](const CVector3& p, double& wx, double& wy) {
            return cam.ProjectToWindow(p, wx, wy);
        };
        return SectionViewClick(&model, cam.downX, cam.downY, x, y, cam.height, project);
    };
    CViewCamera camera;
    camera.Resize(400, 300);
    // Above the middle of the pane, so a missing flip of the mouse y misses.
    WindowPoint w;
    ASSERT_TRUE(camera.ProjectToWindow(CVector3(0.0, 0.5, 0.0), w));
    ASSERT_GT(w.y, 150.0 + 20.0);
    const int mx = static_cast<int>(std::lround(w.x));
    const int my = static_cast<int>(std::lround(300.0 - w.y));

    camera.downX = mx + 3;
    camera.downY = my;
    EXPECT_TRUE(ClickThrough(camera, mx, my));
    EXPECT_EQ(model.pickedPlane, first);

    // Fifteen pixels left of the left edge: a click, but nothing new picked.
    model.pickedPlane = nullptr;
    camera.downX = mx - 15;
    EXPECT_TRUE(ClickThrough(camera, mx - 15, my));
    EXPECT_EQ(model.pickedPlane, nullptr);

    // A press four pixels away makes it a drag.
    camera.downX = mx + 4;
    EXPECT_FALSE(ClickThrough(camera, mx, my));
    EXPECT_EQ(model.pickedPlane, nullptr);
    EXPECT_FALSE(SectionViewClick(nullptr, camera.downX, camera.downY, mx + 4, my, camera.height,
                                  [](const CVector3&, double&, double&) { return true; }));
}

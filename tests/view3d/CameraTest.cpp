#include "view3d/ViewCamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

namespace {

constexpr MouseState kRight{false, true, false, false, false};
constexpr MouseState kRightShift{false, true, false, true, false};
constexpr MouseState kRightCtrl{false, true, false, false, true};
constexpr MouseState kMiddle{false, false, true, false, false};
constexpr MouseState kNone{};

CViewCamera Sized(int w, int h)
{
    CViewCamera cam;
    cam.Resize(w, h);
    return cam;
}

bool IsIdentity(const float m[16])
{
    for (int i = 0; i < 16; ++i)
        if (m[i] != ((i % 5 == 0) ? 1.0f : 0.0f))
            return false;
    return true;
}

} // namespace

TEST(Camera, WheelStepsMoveTheEyeAndStopAtTheClamp)
{
    CViewCamera cam = Sized(640, 480);
    EXPECT_TRUE(cam.Wheel(120));
    EXPECT_NEAR(cam.distance, -5.0 + 0.24, 1e-12);
    int steps = 1;
    while (cam.distance < -0.7 && steps < 100) {
        cam.Wheel(120);
        ++steps;
    }
    EXPECT_EQ(steps, 18);
    EXPECT_EQ(cam.distance, -0.7);
    const uint64_t rev = cam.Revision();
    EXPECT_FALSE(cam.Wheel(120));
    EXPECT_EQ(cam.distance, -0.7);
    EXPECT_GT(cam.Revision(), rev); // the pane still redraws

    for (int i = 0; i < 200; ++i)
        cam.Wheel(-120);
    EXPECT_EQ(cam.distance, -30.0);
}

TEST(Camera, ShiftDragZoomsByTheSumOfBothMoves)
{
    CViewCamera cam = Sized(640, 480);
    cam.RightButtonDown(100, 100, kRightShift);
    EXPECT_EQ(cam.MouseMove(110, 110, kRightShift), CameraMove::Zoom);
    EXPECT_NEAR(cam.distance, -5.0 + 0.2, 1e-12);
    // Moving right and up cancels.
    cam.MouseMove(120, 100, kRightShift);
    EXPECT_NEAR(cam.distance, -4.8, 1e-12);
    cam.MouseMove(2000, 2000, kRightShift);
    EXPECT_EQ(cam.distance, -0.7);
    EXPECT_TRUE(IsIdentity(cam.trackball.M));
}

TEST(Camera, FrustumHeightUsesTheIntegerHalfHeight)
{
    CViewCamera cam = Sized(800, 601);
    EXPECT_EQ(cam.halfHeight, 300);
    const double t = 0.0375;
    EXPECT_NEAR(cam.projection[5], 2 * 0.134 / (2 * t), 1e-9);
    EXPECT_NEAR(cam.projection[0], 2 * 0.134 / 0.1, 1e-9);
    EXPECT_EQ(cam.viewport[2], 800);
    EXPECT_EQ(cam.viewport[3], 601);
}

TEST(Camera, ProjectionMatchesTheLiteralComposition)
{
    CViewCamera cam = Sized(800, 600);
    // Reset camera: eye 5 units back, no rotation. x_clip = 2.68 x, y_clip = 2n/2t y,
    // w = -(z - 5).
    const CVector3 p{0.3, -0.2, 0.5};
    WindowPoint w;
    ASSERT_TRUE(cam.ProjectToWindow(p, w));
    const double t = 0.1 * 300 / 800;
    const double ew = 5.0 - 0.5;
    EXPECT_NEAR(w.x, 800 * (2.68 * 0.3 / ew + 1) / 2, 1e-6);
    EXPECT_NEAR(w.y, 600 * ((0.268 / (2 * t)) * -0.2 / ew + 1) / 2, 1e-6);

    WindowPoint o;
    ASSERT_TRUE(cam.ProjectToWindow({0, 0, 0}, o));
    EXPECT_NEAR(o.x, 400.0, 1e-9);
    EXPECT_NEAR(o.y, 300.0, 1e-9);
    // Mouse y grows downwards; window y upwards.
    EXPECT_EQ(cam.MouseToWindow(10, 100).y, 500.0);
}

TEST(Camera, PointsBehindTheEyeDoNotProject)
{
    CViewCamera cam = Sized(400, 400);
    for (int i = 0; i < 30; ++i)
        cam.Wheel(120); // eye at z = 0.7
    WindowPoint w{-1, -1};
    EXPECT_FALSE(cam.ProjectToWindow({0, 0, 0.9}, w));
    EXPECT_EQ(w.x, -1.0);
    EXPECT_TRUE(cam.ProjectToWindow({0, 0, 0.5}, w));
}

TEST(Camera, RimStartStillRotates)
{
    CViewCamera cam = Sized(400, 300);
    const CSpherePoint rim = cam.trackball.MapToSphere(0, 0, 200, 150);
    EXPECT_EQ(rim.z, 0.0f);
    EXPECT_NEAR(std::hypot(rim.x, rim.y), 1.0, 1e-6);
    EXPECT_LT(rim.x, 0.0f);
    EXPECT_GT(rim.y, 0.0f);

    cam.RightButtonDown(0, 0, kRight);
    EXPECT_EQ(cam.MouseMove(40, 0, kRight), CameraMove::Rotate);
    EXPECT_FALSE(IsIdentity(cam.trackball.M));
    // Inside the sphere the point is lifted onto it.
    const CSpherePoint mid = cam.trackball.MapToSphere(200, 150, 200, 150);
    EXPECT_EQ(mid.z, 1.0f);
}

TEST(Camera, RotationFollowsTheMouseAndRestartsFromThePressPose)
{
    CViewCamera cam = Sized(400, 400);
    WindowPoint before, after;
    ASSERT_TRUE(cam.ProjectToWindow({0, 0, 0.5}, before));
    cam.RightButtonDown(200, 200, kRight);
    cam.MouseMove(260, 200, kRight);
    ASSERT_TRUE(cam.ProjectToWindow({0, 0, 0.5}, after));
    // A point in front of the centre moves with the pointer.
    EXPECT_GT(after.x, before.x + 1.0);
    EXPECT_NEAR(after.y, before.y, 1e-3);

    // Every move rotates from the press pose, so returning undoes the drag.
    cam.MouseMove(200, 200, kRight);
    EXPECT_TRUE(IsIdentity(cam.trackball.M));

    cam.MouseMove(260, 200, kRight);
    cam.RightButtonUp();
    const CQuaternion base = cam.trackball.qBase;
    EXPECT_EQ(base.y, cam.trackball.qCur.y);
    // The next drag composes onto the released pose.
    cam.RightButtonDown(200, 200, kRight);
    cam.MouseMove(260, 200, kRight);
    const CQuaternion twice = cam.trackball.qCur;
    EXPECT_NEAR(twice.w, base.w * base.w - base.y * base.y, 1e-5);
}

TEST(Camera, ControlRightAndMiddlePanAlike)
{
    CViewCamera a = Sized(400, 400), b = Sized(400, 400);
    a.RightButtonDown(100, 100, kRightCtrl);
    EXPECT_EQ(a.MouseMove(130, 80, kRightCtrl), CameraMove::Pan);

    // The middle press records nothing: the pan runs from the last move.
    EXPECT_EQ(b.MouseMove(100, 100, kNone), CameraMove::None);
    b.lastX = 100;
    b.lastY = 100;
    EXPECT_EQ(b.MouseMove(130, 80, kMiddle), CameraMove::Pan);

    EXPECT_NEAR(a.centre.x, -0.3, 1e-12);
    EXPECT_NEAR(a.centre.y, -0.2, 1e-12);
    EXPECT_EQ(a.centre.x, b.centre.x);
    EXPECT_EQ(a.centre.y, b.centre.y);
    EXPECT_EQ(a.centre.z, b.centre.z);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(a.projection[i], b.projection[i]);

    // The model follows the pointer: the origin moves right and up on screen.
    WindowPoint o;
    ASSERT_TRUE(a.ProjectToWindow({0, 0, 0}, o));
    EXPECT_GT(o.x, 200.0);
    EXPECT_GT(o.y, 200.0);
}

TEST(Camera, MovesWithoutCameraButtonsChangeNothing)
{
    CViewCamera cam = Sized(400, 400);
    const uint64_t rev = cam.Revision();
    const MouseState left{true, false, false, false, false};
    EXPECT_EQ(cam.MouseMove(50, 60, left), CameraMove::None);
    EXPECT_EQ(cam.MouseMove(70, 80, kNone), CameraMove::None);
    EXPECT_EQ(cam.Revision(), rev);
    EXPECT_EQ(cam.distance, -5.0);
}

TEST(Camera, LettingGoOfShiftMidDragRotatesFromThePointer)
{
    CViewCamera cam = Sized(400, 400);
    // An earlier drag leaves a start point far from where the next one begins.
    cam.RightButtonDown(0, 200, kRight);
    cam.RightButtonUp();
    cam.RightButtonDown(300, 200, kRightShift);
    cam.MouseMove(300, 210, kRightShift);
    cam.MouseMove(301, 210, kRight);
    // One pixel of rotation, not a jump to the stale start point.
    EXPECT_GT(cam.trackball.qCur.w, 0.9999f);
}

TEST(Camera, CollapsedPaneKeepsFiniteMatrices)
{
    CViewCamera cam = Sized(0, 0);
    for (double v : cam.projection)
        EXPECT_TRUE(std::isfinite(v));
    cam.RightButtonDown(0, 0, kRight);
    cam.MouseMove(5, 5, kRight);
    for (float v : cam.trackball.M)
        EXPECT_TRUE(std::isfinite(v));
    cam.Resize(1, 1);
    for (double v : cam.projection)
        EXPECT_TRUE(std::isfinite(v));
}

TEST(Camera, ResetRestoresTheInitialCamera)
{
    CViewCamera cam = Sized(500, 300);
    cam.RightButtonDown(10, 10, kRight);
    cam.MouseMove(200, 100, kRight);
    cam.RightButtonUp();
    cam.Wheel(500);
    cam.MouseMove(20, 20, kMiddle);
    cam.ResetCamera();
    EXPECT_TRUE(IsIdentity(cam.trackball.M));
    EXPECT_EQ(cam.trackball.qBase.w, 1.0f);
    EXPECT_EQ(cam.distance, -5.0);
    EXPECT_EQ(cam.centre, CVector3());
    EXPECT_EQ(cam.width, 500);
}

TEST(Camera, FitBoxBringsTheWholeBoxIntoViewAlongTheSameDirection)
{
    for (const auto& [w, h] : {std::pair{640, 480}, std::pair{300, 900}}) {
        CViewCamera cam = Sized(w, h);
        cam.RightButtonDown(100, 100, kRight);
        cam.MouseMove(180, 150, kRight);
        cam.RightButtonUp();
        cam.RightButtonDown(100, 100, kRightCtrl);
        cam.MouseMove(600, -300, kRightCtrl); // panned far away
        const Trackball turned = cam.trackball;
        const CVector3 lo{2.0, -1.0, 0.5}, hi{3.0, 0.0, 0.9};
        cam.FitBox(lo, hi);
        EXPECT_EQ(std::memcmp(cam.trackball.M, turned.M, sizeof turned.M), 0);
        WindowPoint mid;
        ASSERT_TRUE(cam.ProjectToWindow((lo + hi) * 0.5, mid));
        EXPECT_NEAR(mid.x, w / 2.0, 1.0);
        EXPECT_NEAR(mid.y, h / 2.0, 1.0);
        double spanX = 0, spanY = 0;
        for (int c = 0; c < 8; ++c) {
            const CVector3 p{c & 1 ? hi.x : lo.x, c & 2 ? hi.y : lo.y, c & 4 ? hi.z : lo.z};
            WindowPoint q;
            ASSERT_TRUE(cam.ProjectToWindow(p, q));
            EXPECT_TRUE(q.x >= 0 && q.x <= w && q.y >= 0 && q.y <= h) << q.x << " " << q.y;
            spanX = std::max(spanX, std::abs(q.x - mid.x));
            spanY = std::max(spanY, std::abs(q.y - mid.y));
        }
        // Near enough to fill a good part of the narrower side.
        EXPECT_GT(std::max(spanX / w, spanY / h), 0.25);
    }
    CViewCamera cam = Sized(640, 480);
    const double before = cam.distance;
    cam.FitBox({1, 1, 1}, {0, 0, 0}); // an empty box changes nothing
    EXPECT_EQ(cam.distance, before);
    cam.FitBox({0, 0, 0}, {1e-9, 0, 0}); // a point: as near as the clamp lets
    EXPECT_EQ(cam.distance, CViewCamera::kNearest);
}

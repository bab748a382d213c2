#include "design/DesignController.h"

#include "design/DesignSession.h"
#include "model/CSlicePlane.h"
#include "support/Cameras.h"
#include "support/Meshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

// A square pane whose projection maps model (x, y) straight to window
// s/2*(x+1), s/2*(y+1): at 600 pixels the X and Y handles are 60 pixels long.
void FlatProjection(CViewCamera& cam, double xy = 0.0, int size = 600)
{
    cam.Resize(size, size);
    std::fill(cam.projection, cam.projection + 16, 0.0);
    cam.projection[0] = 1.0;
    cam.projection[4] = xy; // window x also takes y: makes the X and Y tips meet
    cam.projection[5] = 1.0;
    cam.projection[10] = 1.0;
    cam.projection[15] = 1.0;
}

// Mouse position (y down) over model point (x, y) under FlatProjection.
int MouseX(double x)
{
    return static_cast<int>(std::lround(300 * (x + 1)));
}
int MouseY(double y)
{
    return static_cast<int>(std::lround(600 - 300 * (y + 1)));
}

struct Rig {
    std::unique_ptr<CPolyModel> model;
    CDesignSession session;
    CViewCamera camera;
    CDesignController controller{session, camera};

    explicit Rig(std::unique_ptr<CPolyModel> m) : model(std::move(m))
    {
        controller.AttachModel(model.get());
    }
};

// A 4x4 sheet over [0,1]^2 in z = 0, built into a model with its plane.
std::unique_ptr<CPolyModel> Sheet()
{
    auto m = testmesh::Grid(4, 4);
    testmesh::Build(*m);
    return m;
}

bool InWorkingShape(const CPolyModel& m, const CShapeCorner& c)
{
    return m.designing && c.seq >= 0 && c.seq < static_cast<int64_t>(m.working.CornerCount()) &&
           m.working.pos[c.seq] == c.pos;
}

// The fold angle read off the folded flat sheet (z = 0, front +z) alone: the
// angle between the part that stayed and the part the selected vertex went
// with, across the crease, valley (the flap on the front side) positive.
double MeasuredFoldAngle(const Rig& rig)
{
    const CSlicePlane& plane = *rig.model->currentPlane;
    CVector3 m(plane.a, plane.b, plane.c);
    const double dist = plane.d / m.Length();
    m.Normalize();
    const CVector3 n(0, 0, 1);
    const CVector3 across = m - n * m.Dot(n); // in the sheet, square to the crease
    const CVector3 onCrease = across * (-dist / across.Dot(across));
    CVector3 along = n.Cross(m);
    along.Normalize();
    CVector3 fixed = across * (m.Dot(rig.session.StartPos()) + dist > 0 ? -1.0 : 1.0);
    fixed.Normalize();
    CVector3 moved = *rig.session.SelectedPos() - onCrease;
    moved = moved - along * moved.Dot(along);
    moved.Normalize();
    const double opening =
        std::acos(std::clamp(fixed.Dot(moved), -1.0, 1.0)) * 180.0 / std::numbers::pi;
    return moved.z >= 0.0 ? 180.0 - opening : opening - 180.0;
}

} // namespace

TEST(DesignHighlight, TenPixelsIsOutNineNineIsIn)
{
    auto m = std::make_unique<CPolyModel>();
    CPolyObject* o = m->AddObject();
    testmesh::AddFace(o, {{0, 0, 0}, {0.5, 0.5, 0}, {-0.5, 0.5, 0}});
    Rig rig(std::move(m));
    FlatProjection(rig.camera);

    EXPECT_FALSE(rig.controller.UpdateHighlight(310, 300));
    EXPECT_EQ(rig.session.HighlightedPos(), nullptr);
    EXPECT_EQ(rig.camera.lastX, 310);
    EXPECT_TRUE(rig.controller.UpdateHighlight(309, 300));
    EXPECT_EQ(rig.session.Highlighted().seq, 0);
    // Staying on the same vertex asks for no redraw.
    EXPECT_FALSE(rig.controller.UpdateHighlight(300, 300));
    EXPECT_TRUE(rig.controller.UpdateHighlight(300, 311));
    EXPECT_EQ(rig.session.HighlightedPos(), nullptr);

    // 9.9 pixels: the corner sits 0.1 px right of the pixel grid.
    o->vertices[0]->pos.x = 0.1 / 300.0;
    rig.controller.AttachModel(rig.model.get());
    EXPECT_TRUE(rig.controller.UpdateHighlight(310, 300));
    EXPECT_EQ(rig.session.Highlighted().seq, 0);
}

TEST(DesignHighlight, EqualDistancesKeepTheFirstCornerInModelOrder)
{
    auto m = std::make_unique<CPolyModel>();
    CPolyObject* a = m->AddObject();
    CPolyObject* b = m->AddObject();
    testmesh::AddFace(a, {{0.5, 0.5, 0}, {0.2, 0, 0}, {0.5390625, 0, 0}});
    testmesh::AddFace(a, {{0.2, 0, 0}, {0.5, 0.5, 0}, {0.9, 0.9, 0}});
    testmesh::AddFace(b, {{0.2, 0, 0}, {0.9, 0.1, 0}, {0.9, 0.3, 0}});
    // Window x = 256(x + 1) at 512 pixels: 0.5 and 0.5390625 sit exactly 5 px
    // either side of pixel 389 on row 256; the right one comes first in order.
    testmesh::AddFace(b, {{0.5, 0, 0}, {0.9, 0.5, 0}, {0.9, 0.7, 0}});
    Rig rig(std::move(m));
    FlatProjection(rig.camera, 0.0, 512);
    // Three corners at (0.2, 0): the one in object a's first face wins.
    ASSERT_TRUE(rig.controller.UpdateHighlight(307, 256));
    EXPECT_EQ(rig.session.Highlighted().seq, 1);
    ASSERT_TRUE(rig.controller.UpdateHighlight(389, 256));
    EXPECT_EQ(rig.session.Highlighted().seq, 2);
    EXPECT_TRUE(rig.controller.NearestCornerLinear(389, 256) == rig.session.Highlighted());
}

TEST(DesignHighlight, GridSearchAgreesWithTheLinearSearch)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1.2, 1.2);
    auto m = std::make_unique<CPolyModel>();
    CPolyObject* o = m->AddObject();
    for (int i = 0; i < 1000; ++i) {
        const CVector3 p{u(rng), u(rng), u(rng)};
        // Every third face repeats a corner of the previous one: ties.
        const CVector3 q = (i % 3 == 0 && i > 0) ? o->faces.back()->corners[2]->vertex->pos
                                                 : CVector3{u(rng), u(rng), u(rng)};
        testmesh::AddFace(o, {p, q, p * 0.5});
    }
    Rig rig(std::move(m));
    rig.camera.Resize(640, 480);
    const MouseState right{false, true, false, false, false};
    rig.camera.RightButtonDown(100, 100, right);
    rig.camera.MouseMove(180, 160, right);
    rig.camera.RightButtonUp();

    std::uniform_int_distribution<int> mx(-30, 670), my(-30, 510);
    int found = 0;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 2000; ++i) {
            const int x = mx(rng), y = my(rng);
            const CShapeCorner fast = rig.controller.NearestCorner(x, y);
            ASSERT_TRUE(fast == rig.controller.NearestCornerLinear(x, y)) << x << "," << y;
            found += fast.seq >= 0;
        }
        // A camera change must reach the grid.
        rig.camera.Wheel(240);
        rig.camera.MouseMove(50, 40, MouseState{false, false, true, false, false});
    }
    EXPECT_GT(found, 300);
}

TEST(DesignHandles, TiesGoToXThenYThenZ)
{
    auto m = Sheet();
    Rig rig(std::move(m));
    FlatProjection(rig.camera, 1.0); // window x = 300(x + y + 1): X and Y tips coincide
    const CPolyVertex* v = rig.model->objects[0]->faces[0]->corners[0]->vertex;
    const CVector3 at = v->pos;
    const int sx = static_cast<int>(std::lround(300 * (at.x + at.y + 1)));
    const int sy = MouseY(at.y);
    rig.controller.UpdateHighlight(sx, sy);
    ASSERT_NE(rig.session.HighlightedPos(), nullptr);
    ASSERT_TRUE(rig.controller.EndLeftClick());
    ASSERT_TRUE(rig.session.HasSelection());

    // The X tip is 60 px right; the Y tip is 60 px right and 60 px up.
    EXPECT_EQ(rig.controller.PickHandle(sx + 60, sy), 1);
    EXPECT_EQ(rig.session.Handle(), 1);
    EXPECT_DOUBLE_EQ(rig.controller.HandleScreen().x, 60.0);
    EXPECT_DOUBLE_EQ(rig.controller.HandleScreen().y, 0.0);
    // Z has no screen length here: its tip sits on the vertex.
    EXPECT_EQ(rig.controller.PickHandle(sx, sy), 3);

    // Make X and Y coincide exactly: a projection where y reads as x.
    FlatProjection(rig.camera, 0.0);
    rig.camera.projection[0] = 1.0;
    rig.camera.projection[1] = 1.0; // window y also takes x
    rig.camera.projection[4] = 1.0;
    rig.camera.projection[5] = 1.0;
    const int tx = static_cast<int>(std::lround(300 * (at.x + at.y + 0.2 + 1)));
    const int ty = static_cast<int>(std::lround(600 - 300 * (at.x + at.y + 0.2 + 1)));
    EXPECT_EQ(rig.controller.PickHandle(tx, ty), 1);
    // Exactly 10 px from the tip still picks; 11 does not.
    EXPECT_EQ(rig.controller.PickHandle(tx + 6, ty + 8), 1);
    EXPECT_EQ(rig.controller.PickHandle(tx + 11, ty), 0);
    EXPECT_EQ(rig.session.Handle(), 0);
}

TEST(DesignHandles, YBeatsZOnATie)
{
    auto m = Sheet();
    Rig rig(std::move(m));
    FlatProjection(rig.camera);
    rig.camera.projection[9] = 1.0; // window y also takes z: the Y and Z tips meet
    const CVector3 at = rig.model->objects[0]->faces[0]->corners[0]->vertex->pos;
    rig.controller.UpdateHighlight(MouseX(at.x), MouseY(at.y));
    ASSERT_TRUE(rig.controller.EndLeftClick());
    EXPECT_EQ(rig.controller.PickHandle(MouseX(at.x), MouseY(at.y + 0.2)), 2);
}

TEST(DesignDrag, ThirtyPixelsOnASixtyPixelHandleFoldsAtHalfTheMove)
{
    Rig rig(Sheet());
    FlatProjection(rig.camera);
    const CVector3 start{0.5, 0.5, 0.0};
    const int vx = MouseX(start.x), vy = MouseY(start.y);

    // Press and release on the vertex selects it and changes nothing.
    ASSERT_TRUE(rig.controller.UpdateHighlight(vx, vy));
    ASSERT_EQ(*rig.session.HighlightedPos(), start);
    EXPECT_TRUE(rig.controller.LeftButtonDown(vx, vy)); // nothing selected: capture
    EXPECT_TRUE(rig.controller.EndLeftClick());
    ASSERT_TRUE(rig.session.HasSelection());
    EXPECT_EQ(*rig.session.SelectedPos(), start);
    EXPECT_EQ(rig.model->undoStack.size(), 1u);
    // While selected the highlight search is off.
    EXPECT_FALSE(rig.controller.UpdateHighlight(vx + 2, vy));
    EXPECT_EQ(rig.session.HighlightedPos(), nullptr);

    // Press on the X tip, drag 30 px to the right.
    EXPECT_FALSE(rig.controller.LeftButtonDown(vx + 60, vy));
    ASSERT_EQ(rig.session.Handle(), 1);
    EXPECT_TRUE(rig.controller.DragHandle(vx + 90, vy));
    EXPECT_EQ(rig.camera.downX, vx + 90);
    ASSERT_GE(rig.session.SelectedCorner(), 0);
    const CVector3 sel = *rig.session.SelectedPos();
    EXPECT_TRUE(rig.model->working.pos[rig.session.SelectedCorner()] == sel);
    EXPECT_NEAR(sel.x, 0.6, 1e-9);
    EXPECT_NEAR(sel.y, 0.5, 1e-9);

    // The crease plane is x = 0.55 and every face left of it went over.
    const CSlicePlane& plane = *rig.model->currentPlane;
    const double n = std::sqrt(plane.a * plane.a + plane.b * plane.b + plane.c * plane.c);
    EXPECT_NEAR(std::fabs(plane.a) / n, 1.0, 1e-12);
    EXPECT_NEAR(plane.Evaluate({0.55, 0.3, 0.0}), 0.0, 1e-12);
    for (const CVector3& p : rig.model->working.pos)
        EXPECT_GE(p.x, 0.55 - 1e-9);

    // Moving across the handle does not move the vertex along it.
    rig.controller.DragHandle(vx + 90, vy - 25);
    EXPECT_NEAR(rig.session.SelectedPos()->x, sel.x, 1e-9);
}

TEST(DesignDrag, PlaneThroughAColumnOfVerticesFolds)
{
    Rig rig(Sheet());
    FlatProjection(rig.camera);
    const int vx = MouseX(0.5), vy = MouseY(0.5);
    rig.controller.UpdateHighlight(vx, vy);
    rig.controller.LeftButtonDown(vx, vy);
    rig.controller.EndLeftClick();
    rig.controller.LeftButtonDown(vx + 60, vy);
    ASSERT_TRUE(rig.controller.DragHandle(vx + 90, vy)); // plane x = 0.55
    const uint64_t revision = rig.controller.ShapeRevision();

    // 120 px more: the vertex reaches x = 1.0 and the plane x = 0.75 runs
    // through a column of the sheet. The crease passes through those
    // vertices: nothing is split and the step is taken.
    EXPECT_TRUE(rig.controller.DragHandle(vx + 210, vy));
    EXPECT_GT(rig.controller.ShapeRevision(), revision);
    EXPECT_EQ(rig.camera.downX, vx + 210);
    EXPECT_NEAR(rig.session.SelectedPos()->x, 1.0, 1e-9);
    EXPECT_EQ(rig.model->working.TriangleCount(), 32u);
    for (const CVector3& p : rig.model->working.pos)
        EXPECT_GE(p.x, 0.75 - 1e-9);
    EXPECT_FALSE(rig.controller.EndLeftClick());
    EXPECT_NEAR(rig.session.SelectedPos()->x, 1.0, 1e-9);
}

TEST(DesignDrag, PressAwayFromTheHandlesDragsNothing)
{
    Rig rig(Sheet());
    FlatProjection(rig.camera);
    const int vx = MouseX(0.5), vy = MouseY(0.5);
    rig.controller.UpdateHighlight(vx, vy);
    rig.controller.LeftButtonDown(vx, vy);
    rig.controller.EndLeftClick();
    rig.controller.LeftButtonDown(vx - 40, vy + 40);
    EXPECT_EQ(rig.session.Handle(), 0);
    EXPECT_FALSE(rig.controller.DragHandle(vx + 50, vy));
    EXPECT_EQ(rig.camera.downX, vx - 40);
    EXPECT_EQ(*rig.session.SelectedPos(), (CVector3{0.5, 0.5, 0}));
}

TEST(DesignSelection, PressWithNothingSelectedPutsThePlaneBackOnItsSquare)
{
    Rig rig(Sheet());
    FlatProjection(rig.camera);
    rig.model->currentPlane->SetBisector({0, 0, 0}, {0, 0, 2});
    EXPECT_TRUE(rig.controller.LeftButtonDown(5, 5));
    EXPECT_EQ(rig.camera.downX, 5);
    EXPECT_DOUBLE_EQ(rig.model->currentPlane->b, -1.0);
    EXPECT_DOUBLE_EQ(rig.model->currentPlane->d, 0.0);

    // Without a model a press does nothing at all.
    rig.controller.AttachModel(nullptr);
    EXPECT_FALSE(rig.controller.LeftButtonDown(40, 40));
    EXPECT_EQ(rig.camera.downX, 5);
    EXPECT_FALSE(rig.controller.UpdateHighlight(300, 300));
    EXPECT_FALSE(rig.controller.EndLeftClick());
}

TEST(DesignSelection, SpaceAndFixShapeEndTheEpisode)
{
    Rig rig(Sheet());
    FlatProjection(rig.camera);
    const int vx = MouseX(0.5), vy = MouseY(0.5);
    EXPECT_FALSE(rig.controller.FixShape());
    EXPECT_FALSE(rig.controller.CanFixShape());

    rig.controller.UpdateHighlight(vx, vy);
    rig.controller.EndLeftClick();
    rig.controller.LeftButtonDown(vx + 60, vy);
    rig.controller.DragHandle(vx + 90, vy);
    rig.controller.EndLeftClick();
    rig.controller.Space();
    EXPECT_FALSE(rig.session.HasSelection());
    EXPECT_EQ(rig.model->undoStack.size(), 1u);

    // The hover after the fold finds corners of the folded working object.
    ASSERT_TRUE(rig.controller.UpdateHighlight(MouseX(0.6), vy));
    EXPECT_TRUE(InWorkingShape(*rig.model, rig.session.Highlighted()));
    EXPECT_NEAR(rig.session.HighlightedPos()->x, 0.6, 1e-9);

    rig.controller.EndLeftClick();
    EXPECT_TRUE(rig.controller.CanFixShape());
    const uint64_t revision = rig.controller.ShapeRevision();
    EXPECT_TRUE(rig.controller.FixShape());
    EXPECT_GT(rig.controller.ShapeRevision(), revision);
    EXPECT_FALSE(rig.session.HasSelection());
    EXPECT_EQ(rig.model->undoStack.size(), 3u);
}

TEST(DesignFreeDrag, OnAFlatSheetTheAngleShownIsTheFoldsOwnAndShiftSnapsIt)
{
    auto sheet = testmesh::Grid(8, 8);
    testmesh::Build(*sheet);
    Rig rig(std::move(sheet));
    testcam::Oblique(rig.camera, -55.0);
    const CVector3 start{0.75, 0.5, 0.0};
    int vx = 0, vy = 0;
    testcam::Mouse(rig.camera, start, vx, vy);
    ASSERT_TRUE(rig.controller.UpdateHighlight(vx, vy));
    rig.controller.LeftButtonDown(vx, vy);
    ASSERT_TRUE(rig.controller.EndLeftClick());

    // A press on the X handle's tip picks the handle; one by the vertex, the free drag.
    int tx = 0, ty = 0;
    testcam::Mouse(rig.camera, start + CVector3(CDesignSession::kHandleLength, 0, 0), tx, ty);
    rig.controller.LeftButtonDown(tx, ty);
    EXPECT_EQ(rig.session.Handle(), 1);
    EXPECT_FALSE(rig.controller.FreeDragging());
    rig.controller.EndLeftClick();
    rig.controller.LeftButtonDown(vx + 3, vy - 2);
    ASSERT_TRUE(rig.controller.FreeDragging());
    EXPECT_EQ(rig.session.Handle(), 0);

    bool valley = false, mountain = false;
    const int moves[][2] = {{-20, 10}, {-45, 40}, {-60, -30}, {-30, -70}, {-80, 5}};
    for (const auto& d : moves) {
        ASSERT_TRUE(rig.controller.FreeDrag(vx + d[0], vy + d[1], false));
        ASSERT_TRUE(rig.session.FoldAngle());
        const double shown = *rig.session.FoldAngle();
        EXPECT_NEAR(shown, MeasuredFoldAngle(rig), 0.1) << d[0] << "," << d[1];
        valley |= shown > 1.0;
        mountain |= shown < -1.0;
        // The vertex moves in the plane through its start that faces the camera.
        EXPECT_NEAR((*rig.session.SelectedPos() - start).Dot(rig.camera.ViewDirection()), 0.0,
                    1e-9);
    }
    EXPECT_TRUE(valley && mountain);

    // Shift: every step lands on a multiple of 15 degrees, and the pointer
    // still carries the fold on to other multiples.
    std::vector<double> snapped;
    for (int k = 1; k <= 12; ++k) {
        if (!rig.controller.FreeDrag(vx - 80 + 5 * k, vy + 5 - 10 * k, true))
            continue;
        ASSERT_TRUE(rig.session.FoldAngle());
        const double shown = *rig.session.FoldAngle();
        EXPECT_NEAR(std::remainder(shown, 15.0), 0.0, 1e-6) << shown;
        EXPECT_NEAR(shown, MeasuredFoldAngle(rig), 0.1);
        snapped.push_back(shown);
    }
    std::sort(snapped.begin(), snapped.end());
    EXPECT_GE(std::unique(snapped.begin(), snapped.end()) - snapped.begin(), 3);
    EXPECT_FALSE(rig.controller.EndLeftClick());
    EXPECT_FALSE(rig.controller.FreeDragging());
}

TEST(DesignFreeDrag, AHandleSeenEndOnGivesWayAndEscapePutsThePressBack)
{
    auto sheet = testmesh::Grid(8, 8);
    testmesh::Build(*sheet);
    Rig rig(std::move(sheet));
    testcam::Oblique(rig.camera, 0.0); // facing the sheet: the Z handle is seen end-on
    const CVector3 start{0.75, 0.5, 0.0};
    int vx = 0, vy = 0, zx = 0, zy = 0;
    testcam::Mouse(rig.camera, start, vx, vy);
    testcam::Mouse(rig.camera, start + CVector3(0, 0, CDesignSession::kHandleLength), zx, zy);
    ASSERT_LT(std::hypot(zx - vx, zy - vy), CDesignController::kPickRadius);
    ASSERT_TRUE(rig.controller.UpdateHighlight(vx, vy));
    rig.controller.LeftButtonDown(vx, vy);
    ASSERT_TRUE(rig.controller.EndLeftClick());
    rig.session.Document().Saved();

    // A press nearer the Z tip than the vertex still takes the vertex.
    const int px = zx, py = zy;
    EXPECT_EQ(rig.controller.TargetAt(px, py), CDesignController::PressTarget::Vertex);
    EXPECT_EQ(rig.controller.TargetAt(vx - 40, vy + 40), CDesignController::PressTarget::None);
    rig.controller.LeftButtonDown(px, py);
    ASSERT_TRUE(rig.controller.FreeDragging());
    ASSERT_TRUE(rig.controller.Drag(px + 30, py + 20, false));
    ASSERT_TRUE(rig.controller.Drag(px + 40, py + 20, false));
    EXPECT_TRUE(rig.session.Document().Modified());
    rig.controller.EndLeftClick();

    // Escape in a second drag: the shape of the press comes back, and with it
    // the fold angle; the selection stays; moves after it drag nothing.
    const std::vector<CVector3> folded = rig.model->working.pos;
    const std::optional<double> angle = rig.session.FoldAngle();
    rig.session.Document().Saved();
    int sx = 0, sy = 0;
    testcam::Mouse(rig.camera, *rig.session.SelectedPos(), sx, sy);
    rig.controller.LeftButtonDown(sx, sy);
    ASSERT_TRUE(rig.controller.Drag(sx - 50, sy - 30, false));
    ASSERT_NE(rig.model->working.pos, folded);
    EXPECT_TRUE(rig.controller.CancelDrag());
    EXPECT_EQ(rig.model->working.pos, folded);
    EXPECT_EQ(rig.session.FoldAngle(), angle);
    EXPECT_FALSE(rig.session.Document().Modified());
    EXPECT_TRUE(rig.session.HasSelection());
    EXPECT_FALSE(rig.controller.Drag(sx - 70, sy - 30, false));
    EXPECT_FALSE(rig.controller.CancelDrag());
    rig.controller.EndLeftClick();
    EXPECT_EQ(rig.model->working.pos, folded);
}

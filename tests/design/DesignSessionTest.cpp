#include "LiteralFold.h"
#include "support/Meshes.h"

#include "design/CSlicePlane.h"
#include "design/DesignSession.h"
#include "design/DesignStates.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

double Wave(double x, double y) {
    return 0.2 * std::sin(2.0 * x) * std::cos(3.0 * y);
}

struct Fixture {
    std::unique_ptr<CPolyModel> model;
    CDesignSession session;
    CPolyObject* loaded = nullptr;

    Fixture() {
        model = testmesh::Grid(10, 10, 1.0, 1.0, Wave);
        testmesh::Build(*model);
        model->NormalizeToUnit();
        loaded = model->objects[0].get();
        session.AttachModel(model.get());
    }
    // Highlights and selects the vertex nearest p, as a left click does.
    void Select(CVector3 p) {
        CPolyVertex* best = nullptr;
        for (CPolyVertex* v : model->objects[0]->vertices)
            if (!best || Distance3D(v->pos, p) < Distance3D(best->pos, p))
                best = v;
        ASSERT_TRUE(session.SetHighlighted(best));
        ASSERT_TRUE(session.EndLeftClick());
    }
    std::vector<CVector3> Positions() const {
        std::vector<CVector3> out;
        for (const CPolyFace* f : model->objects[0]->faces)
            for (const CFaceCorner* c : f->corners)
                out.push_back(c->vertex->pos);
        return out;
    }
};

using Outcome = CDesignSession::DragOutcome;

} // namespace

TEST(DesignSession, SelectingCommitsAndKeepsTheStartPosition) {
    Fixture fx;
    EXPECT_FALSE(fx.session.CanFixShape());
    EXPECT_FALSE(fx.session.CanUndo());
    fx.Select({-0.5, 0, 0});
    CPolyVertex* sel = fx.session.Selected();
    ASSERT_NE(sel, nullptr);
    EXPECT_EQ(fx.session.Highlighted(), nullptr);
    EXPECT_FALSE(fx.session.SetHighlighted(sel)); // never both
    EXPECT_TRUE(fx.session.StartPos() == sel->pos);
    EXPECT_EQ(fx.model->undoStack.size(), 1u);
    EXPECT_TRUE(fx.session.CanFixShape());
    EXPECT_TRUE(fx.session.CanUndo());
}

TEST(DesignSession, DragStepMovesAlongTheHandleAndFolds) {
    Fixture fx;
    fx.Select({-0.5, 0, 0});
    const CVector3 start = fx.session.StartPos();
    fx.session.SetHandle(1);
    EXPECT_TRUE(fx.session.HandleVector() == (CVector3{0.2, 0, 0}));
    ASSERT_EQ(fx.session.DragStep(2.5), Outcome::kAccepted);
    const CVector3 at = fx.session.Selected()->pos;
    EXPECT_NEAR(at.x, start.x + 0.5, 1e-9);
    EXPECT_NEAR(at.y, start.y, 1e-9);
    EXPECT_TRUE(fx.session.LastAccepted() == at);
    EXPECT_GT(fx.model->objects[0]->faces.size(), fx.loaded->faces.size()); // split faces
    EXPECT_EQ(fx.session.AcceptedSteps(), 1);
}

TEST(DesignSession, SecondOfTwoEqualStepsIsRejectedAndTheThirdGoesOn) {
    Fixture fx;
    fx.Select({-0.5, 0.1, 0});
    fx.session.SetHandle(1);
    ASSERT_EQ(fx.session.DragBy({0.1, 0, 0}), Outcome::kAccepted);
    const CVector3 first = fx.session.LastAccepted();
    const auto shape = fx.Positions();
    // The corners the first step mirrored lie exactly on the second step's plane.
    EXPECT_EQ(fx.session.DragBy({0.1, 0, 0}), Outcome::kRejected);
    EXPECT_TRUE(fx.session.LastAccepted() == first);
    EXPECT_FALSE(fx.session.Selected()->pos == first); // keeps its displacement
    fx.session.Selected()->pos = first;
    EXPECT_EQ(fx.Positions(), shape); // the surface itself did not change
    fx.session.Selected()->pos.x += 0.1;
    EXPECT_EQ(fx.session.DragBy({0.1, 0, 0}), Outcome::kAccepted);
    EXPECT_NEAR(fx.session.Selected()->pos.x, fx.session.StartPos().x + 0.3, 1e-9);
    EXPECT_EQ(fx.session.AcceptedSteps(), 2);
    EXPECT_EQ(fx.session.RejectedSteps(), 1);
}

TEST(DesignSession, DragBackToTheStartGivesThePlainCopy) {
    Fixture fx;
    fx.Select({-0.5, 0, 0});
    fx.session.SetHandle(2);
    ASSERT_EQ(fx.session.DragStep(1.0), Outcome::kAccepted);
    CPolyVertex* moved = fx.session.Selected();
    const CVector3 start = fx.session.StartPos();
    // Straight back: no bisector exists.
    moved->pos = start;
    const ReflectionStepResult r = ReflectionStep(*fx.model, moved, start, start);
    ASSERT_TRUE(r.accepted);
    EXPECT_TRUE(r.vertex->pos == start);
    auto plain = testmesh::Grid(10, 10, 1.0, 1.0, Wave);
    testmesh::Build(*plain);
    plain->NormalizeToUnit();
    CommitWorkingCopy(*plain);
    EXPECT_TRUE(foldcheck::SameObject(*fx.model->objects[0], *plain->objects[0]));
}

TEST(DesignSession, ReturningExactlyToTheStartIsAcceptedThroughTheSession) {
    Fixture fx;
    fx.Select({0.2, -0.3, 0});
    fx.session.SetHandle(3);
    ASSERT_EQ(fx.session.DragBy({0, 0, 0.25}), Outcome::kAccepted);
    ASSERT_EQ(fx.session.DragBy({0, 0, -0.25}), Outcome::kAccepted); // 0.25 is exact
    EXPECT_TRUE(fx.session.Selected()->pos == fx.session.StartPos());
    EXPECT_EQ(fx.model->objects[0]->faces.size(), fx.loaded->faces.size());
}

TEST(DesignSession, ZeroOrUnusableDisplacementMovesNothing) {
    Fixture fx;
    fx.Select({-0.5, 0, 0});
    const CVector3 start = fx.session.Selected()->pos;
    EXPECT_EQ(fx.session.DragStep(1.0), Outcome::kIgnored); // no handle picked yet
    fx.session.SetHandle(1);
    EXPECT_EQ(fx.session.DragStep(0.0), Outcome::kIgnored); // handle seen end-on
    EXPECT_EQ(fx.session.DragStep(std::nan("")), Outcome::kIgnored);
    EXPECT_EQ(fx.session.DragStep(INFINITY), Outcome::kIgnored);
    EXPECT_TRUE(fx.session.Selected()->pos == start);
    fx.session.SetHandle(7);
    EXPECT_EQ(fx.session.Handle(), 0);
    EXPECT_EQ(fx.session.DragStep(1.0), Outcome::kIgnored);
}

TEST(DesignSession, EndingTheSelectionAfterRejectedStepsRestoresTheLastAccepted) {
    enum { kRelease, kSpace, kFix, kUndo };
    for (int how : {kRelease, kSpace, kFix, kUndo}) {
        SCOPED_TRACE(how);
        Fixture fx;
        fx.Select({-0.5, 0.1, 0});
        fx.session.SetHandle(1);
        ASSERT_EQ(fx.session.DragBy({0.1, 0, 0}), Outcome::kAccepted);
        CPolyVertex* sel = fx.session.Selected();
        const CVector3 last = fx.session.LastAccepted();
        ASSERT_EQ(fx.session.DragBy({0.1, 0, 0}), Outcome::kRejected);
        EXPECT_FALSE(sel->pos == last); // displaced by the rejected step
        switch (how) {
        case kRelease:
            fx.session.EndLeftClick();
            EXPECT_EQ(fx.session.Selected(), sel);
            break;
        case kSpace:
            fx.session.Deselect();
            break;
        case kFix:
            ASSERT_TRUE(fx.session.FixShape());
            EXPECT_TRUE(fx.model->undoStack.back()->vertices.size() > 0);
            break;
        case kUndo:
            break;
        }
        if (how != kUndo) {
            EXPECT_TRUE(sel->pos == last);
            continue;
        }
        // Before the first accepted step the selected vertex belongs to the base
        // state; undoing after a rejected step must not leave it displaced there.
        Fixture fresh;
        fresh.Select({-0.5, 0.1, 0});
        CPolyVertex* base = fresh.session.Selected();
        const CVector3 start = base->pos;
        fresh.session.SetHandle(1);
        ASSERT_EQ(fresh.session.DragBy({0.0, 0, 0.0}), Outcome::kIgnored);
        fresh.session.SetHandle(2);
        // A tiny drag puts the plane next to the vertex itself: rejected.
        ASSERT_EQ(fresh.session.DragBy({0, 1e-5, 0}), Outcome::kRejected);
        EXPECT_FALSE(base->pos == start);
        ASSERT_TRUE(fresh.session.Undo());
        EXPECT_EQ(fresh.model->objects[0].get(), fresh.loaded);
        EXPECT_TRUE(base->pos == start);
        EXPECT_EQ(fresh.session.Selected(), nullptr);
    }
}

TEST(DesignSession, FixShapeThenUndoTwice) {
    Fixture fx;
    const auto loadedShape = fx.Positions();
    fx.Select({-0.5, 0, 0});
    fx.session.SetHandle(1);
    ASSERT_EQ(fx.session.DragStep(3.3), Outcome::kAccepted);
    const auto dragged = fx.Positions();
    ASSERT_NE(dragged, loadedShape);
    ASSERT_TRUE(fx.session.FixShape());
    EXPECT_EQ(fx.session.Selected(), nullptr);
    EXPECT_FALSE(fx.session.CanFixShape());
    EXPECT_FALSE(fx.session.FixShape());
    ASSERT_TRUE(fx.session.Undo());
    EXPECT_EQ(fx.Positions(), dragged);
    ASSERT_TRUE(fx.session.Undo());
    EXPECT_EQ(fx.model->objects[0].get(), fx.loaded);
    EXPECT_EQ(fx.Positions(), loadedShape);
    EXPECT_FALSE(fx.session.CanUndo());
    EXPECT_FALSE(fx.session.Undo());
}

TEST(DesignSession, SpaceThenUndoReturnsTheLoadedShape) {
    Fixture fx;
    const auto loadedShape = fx.Positions();
    fx.Select({0.3, 0.3, 0});
    fx.session.SetHandle(2);
    ASSERT_EQ(fx.session.DragStep(-2.7), Outcome::kAccepted);
    fx.session.Deselect();
    EXPECT_EQ(fx.session.Selected(), nullptr);
    EXPECT_EQ(fx.model->undoStack.size(), 1u);
    ASSERT_TRUE(fx.session.Undo());
    EXPECT_EQ(fx.Positions(), loadedShape);
    EXPECT_FALSE(fx.session.CanUndo());
}

TEST(DesignSession, VertexOfARetiredObjectStaysUsable) {
    auto model = testmesh::Grid(4, 4);
    CPolyObject* second = model->AddObject();
    testmesh::AddFace(second, {{2, 2, 0}, {3, 2, 0}, {2, 3, 0}});
    testmesh::Build(*model);
    CDesignSession session;
    session.AttachModel(model.get());
    CPolyVertex* far = model->objects[1]->vertices[0];
    ASSERT_TRUE(session.SetHighlighted(far));
    ASSERT_TRUE(session.EndLeftClick());
    EXPECT_EQ(model->objects.size(), 1u);
    session.SetHandle(1);
    // The start lies on no face of the working object: nothing folds.
    EXPECT_EQ(session.DragStep(1.0), Outcome::kAccepted);
    EXPECT_EQ(model->objects[0]->faces.size(), 32u);
    session.Deselect();
    EXPECT_TRUE(far->pos == (CVector3{2, 2, 0}));
}

TEST(DesignSession, AttachingAnotherModelForgetsTheSelection) {
    Fixture fx;
    fx.Select({0, 0, 0});
    fx.session.SetHandle(1);
    auto other = testmesh::Strip();
    testmesh::Build(*other);
    fx.session.AttachModel(other.get());
    EXPECT_EQ(fx.session.Selected(), nullptr);
    EXPECT_EQ(fx.session.Handle(), 0);
    EXPECT_FALSE(fx.session.CanUndo());
    fx.session.ResetPlaneToSquare();
    EXPECT_EQ(other->currentPlane->b, -1.0);
}

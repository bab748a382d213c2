// The design session as the design view and the command line drive it.
#include "support/LiteralFold.h"
#include "support/Meshes.h"

#include "design/DesignSession.h"
#include "design/DesignStates.h"
#include "model/CSlicePlane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr auto Wave = testmesh::Wave<0.2, 2.0, 3.0>;

struct Fixture {
    std::unique_ptr<CPolyModel> model;
    CDesignSession session;

    Fixture()
    {
        model = testmesh::Grid(10, 10, 1.0, 1.0, Wave);
        testmesh::Build(*model);
        model->NormalizeToUnit();
        session.AttachModel(model.get());
    }
    // Highlights and selects the corner nearest p, as a click on it does.
    void Select(CVector3 p)
    {
        ASSERT_TRUE(session.SetHighlighted(NearestShapeCorner(*model, p)));
        ASSERT_TRUE(session.EndLeftClick());
    }
    CWorkingShape Shape() const
    {
        CWorkingShape scratch;
        return model->CurrentShape(scratch);
    }
};

using Outcome = CDesignSession::DragOutcome;

} // namespace

TEST(DesignSession, SelectingCommitsAndKeepsTheStartPosition)
{
    Fixture fx;
    const CShapeCorner c = NearestShapeCorner(*fx.model, {0.1, 0.2, 0});
    fx.Select({0.1, 0.2, 0});
    EXPECT_TRUE(fx.session.HasSelection());
    EXPECT_EQ(fx.session.HighlightedPos(), nullptr);
    EXPECT_FALSE(fx.session.SetHighlighted(c)); // never both
    EXPECT_TRUE(fx.session.StartPos() == c.pos);
    EXPECT_EQ(fx.session.SelectedCorner(), c.seq);
    EXPECT_EQ(fx.model->undoStack.size(), 1u);
    EXPECT_TRUE(fx.session.CanFixShape());
}

TEST(DesignSession, DragStepsFoldAsThePlainFoldDoes)
{
    Fixture fx;
    fx.Select({-0.5, 0.1, 0});
    fx.session.SetHandle(1);
    CWorkingShape base;
    UnpackMesh(*fx.model->undoStack.back(), base);
    CSlicePlane plane(1);
    CWorkingShape expected;
    // Creases are signed from the selected corner's face.
    const CVector3 reference = base.tri[fx.session.SelectedCorner() / 3].normal;
    for (int step = 1; step <= 5; ++step) {
        // Each move adds to where the last accepted step put the vertex.
        const CVector3 dragged = *fx.session.SelectedPos() + CVector3{0.1, 0, 0};
        ASSERT_EQ(fx.session.DragStep(0.5), Outcome::kAccepted) << step;
        const ReflectionStepResult r = literal::ReflectionStep(
            base, expected, plane, fx.session.StartPos(), dragged, reference);
        ASSERT_TRUE(r.accepted);
        EXPECT_TRUE(foldcheck::SameMesh(fx.model->working, expected));
        // The selected vertex is the fold's image of the start, at the dragged position.
        EXPECT_NEAR(fx.session.SelectedPos()->x, dragged.x, 1e-9);
        EXPECT_TRUE(*fx.session.SelectedPos() == fx.session.LastAccepted());
    }
    EXPECT_EQ(fx.session.AcceptedSteps(), 5);
}

TEST(DesignSession, RefusedStepsKeepTheShapeAndTheReleaseUndoesTheirDisplacement)
{
    Fixture fx;
    fx.Select({0.3, -0.2, 0});
    const CPackedMesh committed = *fx.model->undoStack.back();
    const CWorkingShape before = fx.Shape();
    // A first step of less than the tolerance puts the start on its own plane.
    EXPECT_EQ(fx.session.DragBy({0.00005, 0, 0}), Outcome::kRejected);
    EXPECT_TRUE(foldcheck::SameMesh(fx.Shape(), before));
    EXPECT_FALSE(*fx.session.SelectedPos() == fx.session.StartPos()); // displaced
    CWorkingShape top;
    UnpackMesh(*fx.model->undoStack.back(), top);
    CWorkingShape first;
    UnpackMesh(committed, first);
    EXPECT_TRUE(foldcheck::SameMesh(top, first)); // the committed state is untouched
    ASSERT_TRUE(fx.session.EndLeftClick() == false);
    EXPECT_TRUE(*fx.session.SelectedPos() == fx.session.StartPos());
    // The next real step goes on from there.
    EXPECT_EQ(fx.session.DragBy({0.2, 0, 0}), Outcome::kAccepted);
    EXPECT_EQ(fx.session.RejectedSteps(), 1);
}

TEST(DesignSession, DragBackToTheStartGivesThePlainCopy)
{
    Fixture fx;
    fx.Select({0.2, 0.2, 0});
    const CWorkingShape copy = fx.Shape();
    ASSERT_EQ(fx.session.DragBy({0, 0.3, 0}), Outcome::kAccepted);
    EXPECT_FALSE(foldcheck::SameMesh(fx.Shape(), copy));
    const CVector3 back = fx.session.StartPos() - *fx.session.SelectedPos();
    ASSERT_EQ(fx.session.DragBy(back), Outcome::kAccepted);
    EXPECT_TRUE(*fx.session.SelectedPos() == fx.session.StartPos());
    EXPECT_TRUE(foldcheck::SameMesh(fx.Shape(), copy));
}

TEST(DesignSession, ZeroOrUnusableDisplacementMovesNothing)
{
    Fixture fx;
    fx.Select({0, 0, 0});
    fx.session.SetHandle(2);
    const CVector3 start = *fx.session.SelectedPos();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(fx.session.DragStep(0.0), Outcome::kIgnored);
    EXPECT_EQ(fx.session.DragStep(nan), Outcome::kIgnored);
    EXPECT_EQ(fx.session.DragBy({0, 0, 0}), Outcome::kIgnored);
    EXPECT_EQ(fx.session.DragBy({std::numeric_limits<double>::infinity(), 0, 0}),
              Outcome::kIgnored);
    EXPECT_TRUE(*fx.session.SelectedPos() == start);
    fx.session.SetHandle(0);
    EXPECT_EQ(fx.session.DragStep(1.0), Outcome::kIgnored);
}

TEST(DesignSession, FixShapeThenUndoTwiceThenRedo)
{
    Fixture fx;
    const CWorkingShape loaded = fx.Shape();
    fx.Select({0.4, 0.4, 0});
    ASSERT_EQ(fx.session.DragBy({-0.3, 0, 0.2}), Outcome::kAccepted);
    const CWorkingShape folded = fx.Shape();
    ASSERT_TRUE(fx.session.FixShape());
    EXPECT_FALSE(fx.session.HasSelection());
    EXPECT_FALSE(fx.session.FixShape()); // nothing selected now
    ASSERT_TRUE(fx.session.Undo());
    EXPECT_TRUE(foldcheck::SameMesh(fx.Shape(), folded)); // the fixed shape, unchanged
    ASSERT_TRUE(fx.session.Undo());
    EXPECT_TRUE(foldcheck::SameMesh(fx.Shape(), loaded));
    EXPECT_FALSE(fx.session.CanUndo());
    EXPECT_FALSE(fx.session.Undo());
    ASSERT_TRUE(fx.session.CanRedo());
    ASSERT_TRUE(fx.session.Redo());
    ASSERT_TRUE(fx.session.Redo());
    EXPECT_TRUE(foldcheck::SameMesh(fx.Shape(), folded));
    EXPECT_FALSE(fx.session.Redo());
    // A new selection commits and clears what could be redone.
    ASSERT_TRUE(fx.session.Undo());
    fx.Select({0, 0, 0});
    EXPECT_FALSE(fx.session.CanRedo());
}

TEST(DesignSession, ASelectionOfAnUnchangedShapeSharesItsPackedState)
{
    Fixture fx;
    const CWorkingShape loaded = fx.Shape();
    fx.Select({0.4, 0.4, 0});
    ASSERT_EQ(fx.session.DragBy({-0.3, 0, 0.2}), Outcome::kAccepted);
    const CWorkingShape folded = fx.Shape();
    ASSERT_TRUE(fx.session.FixShape());
    fx.Select({-0.3, 0.2, 0}); // right after Fix Shape
    ASSERT_EQ(fx.model->undoStack.size(), 3u);
    EXPECT_EQ(fx.model->undoStack[2], fx.model->undoStack[1]);
    ASSERT_EQ(fx.session.DragBy({0, 0.2, 0.3}), Outcome::kAccepted);
    const CWorkingShape twice = fx.Shape();
    fx.session.Deselect();
    // Back and forth: each shape comes back, and the one stepped to is what
    // the next selection commits.
    ASSERT_TRUE(fx.session.Undo());
    EXPECT_TRUE(foldcheck::SameMesh(fx.Shape(), folded));
    ASSERT_TRUE(fx.session.Redo());
    EXPECT_TRUE(foldcheck::SameMesh(fx.Shape(), twice));
    for (const CWorkingShape* want : {&folded, &folded, &loaded}) {
        ASSERT_TRUE(fx.session.Undo());
        EXPECT_TRUE(foldcheck::SameMesh(fx.Shape(), *want));
    }
    EXPECT_FALSE(fx.session.CanUndo());
    ASSERT_TRUE(fx.session.Redo());
    fx.Select({0, 0, 0});
    CWorkingShape top;
    UnpackMesh(*fx.model->undoStack.back(), top);
    EXPECT_TRUE(foldcheck::SameMesh(top, folded));
    EXPECT_TRUE(foldcheck::SameMesh(fx.Shape(), folded));
}

TEST(DesignSession, WorkBegunOnAttachingChangesNoResult)
{
    // One session prepares the first click on a second thread, the other
    // leaves it all to the click; clicking at once or after that work ends,
    // both keep the same shapes and states, also after an Undo that the
    // program follows with attaching the model again.
    for (const bool wait : {false, true}) {
        Fixture plain, aside;
        aside.session.SetPrepareFrom(1);
        aside.session.Workspace().SetIndexAsideFrom(1);
        auto same = [&](const char* when) {
            ASSERT_TRUE(foldcheck::SameMesh(plain.Shape(), aside.Shape())) << when;
            ASSERT_EQ(plain.model->undoStack.size(), aside.model->undoStack.size()) << when;
            for (size_t i = 0; i < plain.model->undoStack.size(); ++i) {
                CWorkingShape a, b;
                UnpackMesh(*plain.model->undoStack[i], a);
                UnpackMesh(*aside.model->undoStack[i], b);
                ASSERT_TRUE(foldcheck::SameMesh(a, b)) << when << " state " << i;
            }
        };
        auto attach = [&] {
            plain.session.AttachModel(plain.model.get());
            aside.session.AttachModel(aside.model.get());
            if (wait)
                aside.session.WaitForPrepared();
        };
        auto both = [&](auto&& act) {
            act(plain);
            act(aside);
        };
        attach();
        both([](Fixture& fx) { fx.Select({0.4, 0.4, 0}); });
        both([](Fixture& fx) { ASSERT_EQ(fx.session.DragBy({-0.3, 0, 0.2}), Outcome::kAccepted); });
        both([](Fixture& fx) { ASSERT_TRUE(fx.session.FixShape()); });
        both([](Fixture& fx) { fx.Select({-0.3, 0.2, 0}); });
        both([](Fixture& fx) { ASSERT_EQ(fx.session.DragBy({0, 0.2, 0.3}), Outcome::kAccepted); });
        both([](Fixture& fx) { fx.session.Deselect(); });
        same("drags");
        both([](Fixture& fx) { ASSERT_TRUE(fx.session.Undo()); });
        attach(); // a folded shape whose packed form the session no longer knows
        both([](Fixture& fx) { fx.Select({0.1, -0.3, 0}); });
        same("select after undo");
        both([](Fixture& fx) { ASSERT_EQ(fx.session.DragBy({0.2, 0.1, 0}), Outcome::kAccepted); });
        same("drag after undo");
    }
}

TEST(DesignSession, SpaceThenUndoReturnsTheLoadedShape)
{
    Fixture fx;
    const CWorkingShape loaded = fx.Shape();
    fx.Select({-0.2, 0.3, 0});
    ASSERT_EQ(fx.session.DragBy({0, 0, 0.4}), Outcome::kAccepted);
    fx.session.Deselect();
    EXPECT_FALSE(fx.session.HasSelection());
    ASSERT_TRUE(fx.session.Undo());
    EXPECT_TRUE(foldcheck::SameMesh(fx.Shape(), loaded));
    EXPECT_FALSE(fx.model->designing);
    EXPECT_FALSE(fx.session.CanUndo());
}

TEST(DesignSession, CornerOfASecondObjectSeedsTheFoldOfTheFirst)
{
    // The second object leaves the design at the first commit; its corner
    // is no corner of the working shape, but its position still seeds.
    auto model = testmesh::Grid(2, 2);
    testmesh::AddFace(model->AddObject(), {{0.5, 0.5, 0}, {2, 2, 0}, {0.5, 2, 0}});
    testmesh::Build(*model);
    CDesignSession session;
    session.AttachModel(model.get());
    const CShapeCorner far = NearestShapeCorner(*model, {2, 2, 0});
    ASSERT_GE(far.seq, 24);
    ASSERT_TRUE(session.SetHighlighted(far));
    ASSERT_TRUE(session.EndLeftClick());
    EXPECT_EQ(session.SelectedCorner(), -1);
    EXPECT_EQ(model->objects.size(), 1u);
    EXPECT_EQ(session.DragBy({0.1, 0, 0}), Outcome::kAccepted);
}

TEST(DesignSession, AttachingAnotherModelForgetsTheSelection)
{
    Fixture fx;
    fx.Select({0, 0, 0});
    fx.session.SetHandle(1);
    Fixture other;
    fx.session.AttachModel(other.model.get());
    EXPECT_FALSE(fx.session.HasSelection());
    EXPECT_EQ(fx.session.Handle(), 0);
    EXPECT_EQ(fx.session.DragStep(1.0), Outcome::kIgnored);
}

TEST(DesignSession, CountsTheChangesTheUserMakesAndNothingElse)
{
    Fixture fx;
    const CDocumentState& doc = fx.session.Document();
    fx.Select({0.1, 0.2, 0}); // a click commits, yet the shape is as it was
    EXPECT_FALSE(doc.Modified());
    fx.session.SetHandle(3);
    ASSERT_EQ(fx.session.DragStep(0.5), Outcome::kAccepted);
    EXPECT_TRUE(doc.Modified());
    fx.session.Document().Saved();
    EXPECT_FALSE(doc.Modified());
    ASSERT_TRUE(fx.session.FixShape());
    ASSERT_TRUE(fx.session.Undo());
    ASSERT_TRUE(fx.session.Redo());
    EXPECT_EQ(doc.Changes(), 4u);
    EXPECT_FALSE(fx.session.Redo()); // nothing to redo: no change
    fx.session.AttachModel(fx.model.get());
    EXPECT_EQ(doc.Changes(), 4u);
    EXPECT_TRUE(doc.Modified());
    fx.session.Document().Saved();
    fx.session.Document().MarkUnsaved(); // a recovered design
    EXPECT_TRUE(doc.Modified());
}

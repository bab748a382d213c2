// Undo as the main window runs it, going through the design session.

#include "app/CoreAdapters.h"
#include "design/DesignSession.h"
#include "design/DesignStates.h"
#include "model/PolyModel.h"
#include "support/Meshes.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<CPolyModel> BuiltGrid()
{
    auto m = testmesh::Grid(4, 4);
    testmesh::Build(*m);
    return m;
}

CShapeCorner VertexAt(const CPolyModel& m, const CVector3& p)
{
    const CShapeCorner c = NearestShapeCorner(m, p);
    return c.pos == p ? c : CShapeCorner{};
}

} // namespace

TEST(UndoThroughSession, HeldVertexIsPutBackAndSelectionCleared)
{
    auto m = BuiltGrid();
    CPolyObject* loaded = m->objects[0].get();
    CDesignSession session;
    session.AttachModel(m.get());
    ASSERT_TRUE(session.SetHighlighted(VertexAt(*m, {0.5, 0.5, 0})));
    ASSERT_TRUE(session.EndLeftClick()); // commits: the loaded shape is on the stack
    session.SetHandle(1);
    ASSERT_EQ(session.DragStep(0.5), CDesignSession::DragOutcome::kAccepted);
    // A refused step (a move too small to part the start from its plane)
    // leaves the vertex displaced while the button is held.
    ASSERT_EQ(session.DragBy({-0.1 + 0.00005, 0, 0}), CDesignSession::DragOutcome::kRejected);

    EXPECT_TRUE(StepBackShape(*m, &session));
    EXPECT_EQ(m->objects[0].get(), loaded);
    EXPECT_TRUE(m->undoStack.empty());
    EXPECT_FALSE(session.HasSelection());
    EXPECT_EQ(session.HighlightedPos(), nullptr);
    EXPECT_FALSE(StepBackShape(*m, &session)); // empty stack: nothing changes
    EXPECT_EQ(m->objects[0].get(), loaded);

    // The session works on the restored shape: the next fold starts from it.
    ASSERT_TRUE(session.SetHighlighted(VertexAt(*m, {0.25, 0.5, 0})));
    ASSERT_TRUE(session.EndLeftClick());
    session.SetHandle(1);
    EXPECT_EQ(session.DragStep(0.3), CDesignSession::DragOutcome::kAccepted);
}

TEST(UndoThroughSession, SessionOnAnotherModelIsNotAsked)
{
    auto a = BuiltGrid();
    auto b = BuiltGrid();
    CDesignSession session;
    session.AttachModel(a.get());
    ASSERT_TRUE(session.SetHighlighted(VertexAt(*a, {0.5, 0.5, 0})));
    ASSERT_TRUE(session.EndLeftClick());

    CPolyObject* bLoaded = b->objects[0].get();
    CommitWorkingCopy(*b);
    EXPECT_TRUE(StepBackShape(*b, &session));
    EXPECT_EQ(b->objects[0].get(), bLoaded);
    // The session's own model and selection are untouched.
    EXPECT_TRUE(session.HasSelection());
    EXPECT_EQ(a->undoStack.size(), 1u);
}

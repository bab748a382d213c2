// Commits, undo and redo on packed states: every state must come back bit for bit.
#include "support/LiteralFold.h"
#include "support/Meshes.h"

#include "design/DesignStates.h"
#include "model/CSlicePlane.h"
#include "model/PolyModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

std::unique_ptr<CPolyModel> Sheet(int n = 6)
{
    auto m = testmesh::Grid(n, n, 1.0, 1.0, [](double x, double y) { return 0.2 * x * y; });
    testmesh::Build(*m);
    return m;
}

// Some fold of the working shape, different each time.
void FoldSomehow(CPolyModel& m, std::mt19937& rng)
{
    CSlicePlane plane(1);
    const CVector3 seed = m.working.pos[rng() % m.working.CornerCount()];
    std::uniform_real_distribution<double> u(-0.5, 0.5);
    plane.SetBisector(seed, seed + CVector3{u(rng), u(rng), u(rng)});
    ReflectFrom(m.working, plane, seed);
}

} // namespace

TEST(DesignStates, FirstCommitStartsTheDesignOnACopyOfTheFirstObject)
{
    auto m = testmesh::Grid(2, 2);
    CPolyObject* second = m->AddObject();
    testmesh::AddFace(second, {{5, 5, 5}, {6, 5, 5}, {5, 6, 5}});
    testmesh::Build(*m);
    m->paper.assign(3 * m->objects[0]->faces.size(), CPaperPoint{1.0, 2.0});
    CPolyObject* loaded = m->objects[0].get();
    CommitWorkingCopy(*m);
    ASSERT_TRUE(m->designing);
    ASSERT_EQ(m->undoStack.size(), 1u);
    ASSERT_EQ(m->objects.size(), 1u); // the second object left the design
    EXPECT_EQ(m->objects[0].get(), loaded);
    ASSERT_EQ(m->working.TriangleCount(), loaded->faces.size());
    for (size_t f = 0; f < loaded->faces.size(); ++f) {
        EXPECT_EQ(m->working.tri[f].origin, static_cast<int32_t>(f));
        EXPECT_TRUE(m->working.tri[f].normal == loaded->faces[f]->normal);
        for (int j = 0; j < 3; ++j) {
            EXPECT_TRUE(m->working.Pos(f, j) == loaded->faces[f]->corners[j]->vertex->pos);
            EXPECT_EQ(m->working.corner[3 * f + j].paper.v, 2.0);
        }
    }
    // Back to the bottom: the records as opened are the shape again.
    EXPECT_TRUE(StepBack(*m));
    EXPECT_FALSE(m->designing);
    EXPECT_TRUE(m->undoStack.empty());
    EXPECT_EQ(m->objects[0].get(), loaded);
    EXPECT_FALSE(StepBack(*m));
}

TEST(DesignStates, PackingKeepsEveryBitAndWeldsSharedCorners)
{
    std::mt19937 rng(5);
    auto m = Sheet(10);
    CommitWorkingCopy(*m);
    for (int i = 0; i < 4; ++i)
        FoldSomehow(*m, rng);
    CPackedMesh packed;
    PackMesh(m->working, packed);
    CWorkingShape back;
    UnpackMesh(packed, back);
    EXPECT_TRUE(foldcheck::SameMesh(back, m->working));
    // A grid's corners meet six at a vertex: far fewer stored than corners.
    EXPECT_LT(packed.vertices.size(), m->working.CornerCount() / 3);
    EXPECT_LE(packed.Bytes(), 100 * m->working.TriangleCount());
}

TEST(DesignStates, UndoAndRedoGiveBackEveryStateBitForBit)
{
    std::mt19937 rng(11);
    auto m = Sheet();
    std::vector<CWorkingShape> shapes; // the shape after commit k
    CommitWorkingCopy(*m);
    for (int k = 0; k < 5; ++k) {
        FoldSomehow(*m, rng);
        shapes.push_back(m->working);
        CommitWorkingCopy(*m);
    }
    // Undo: each step shows the previous commit's shape.
    for (int k = 4; k >= 1; --k) {
        ASSERT_TRUE(StepBack(*m));
        EXPECT_TRUE(foldcheck::SameMesh(m->working, shapes[k])) << k;
    }
    ASSERT_EQ(m->redoStack.size(), 4u);
    // Redo walks forward again through the same shapes.
    for (int k = 2; k <= 4; ++k) {
        ASSERT_TRUE(StepForward(*m));
        EXPECT_TRUE(foldcheck::SameMesh(m->working, shapes[k])) << k;
    }
    ASSERT_TRUE(StepForward(*m)); // the last folded shape, committed
    EXPECT_TRUE(foldcheck::SameMesh(m->working, shapes[4]));
    EXPECT_FALSE(StepForward(*m));
    // A commit after Undo clears what could be redone.
    ASSERT_TRUE(StepBack(*m));
    CommitWorkingCopy(*m);
    EXPECT_TRUE(m->redoStack.empty());
    EXPECT_FALSE(StepForward(*m));
}

TEST(DesignStates, UndoToTheBottomAndRedoFromIt)
{
    std::mt19937 rng(3);
    auto m = Sheet();
    CWorkingShape opened;
    FlatFromObject(*m->objects[0], nullptr, opened);
    CommitWorkingCopy(*m);
    FoldSomehow(*m, rng);
    const CWorkingShape folded = m->working;
    ASSERT_TRUE(StepBack(*m)); // SPACE-ended episode: straight back to the file's shape
    EXPECT_FALSE(m->designing);
    ASSERT_TRUE(StepForward(*m));
    EXPECT_TRUE(m->designing);
    EXPECT_TRUE(foldcheck::SameMesh(m->working, folded));
    ASSERT_TRUE(RestoreWorkingCopy(*m)); // the top is the shape as opened
    EXPECT_TRUE(foldcheck::SameMesh(m->working, opened));
}

TEST(DesignStates, CommittedStatesStayCompact)
{
    // A fixed shape costs its packed size, not a copy of records.
    std::mt19937 rng(8);
    auto m = Sheet(30);
    CommitWorkingCopy(*m);
    for (int k = 0; k < 6; ++k) {
        FoldSomehow(*m, rng);
        CommitWorkingCopy(*m);
    }
    for (const auto& state : m->undoStack)
        EXPECT_LE(state->Bytes(), 100 * state->TriangleCount());
}

TEST(DesignStates, StackedStatesAreSmallerThanPlainPacksAndExact)
{
    // The bottom state refers to the records; later ones keep index deltas
    // (up to three bytes here, both signs) and sparse crease marks.
    std::mt19937 rng(17);
    auto m = Sheet(100);
    CommitWorkingCopy(*m);
    EXPECT_EQ(m->undoStack[0]->Bytes(), 0u);
    for (int k = 0; k < 4; ++k) {
        FoldSomehow(*m, rng);
        CommitWorkingCopy(*m);
        const CPackedMesh& state = *m->undoStack.back();
        ASSERT_FALSE(state.markedEdges.empty()) << k;
        CWorkingShape back;
        UnpackMesh(state, back);
        EXPECT_TRUE(foldcheck::SameMesh(back, m->working)) << k;
        CPackedMesh plain;
        PackMesh(m->working, plain);
        EXPECT_LT(state.Bytes(), plain.Bytes() * 3 / 4) << k;
    }
}

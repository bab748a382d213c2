#include "LiteralFold.h"
#include "support/Meshes.h"

#include "design/DesignStates.h"

#include <gtest/gtest.h>

#include <set>

namespace {

std::unique_ptr<CPolyModel> Sheet() {
    auto m = testmesh::Grid(3, 3);
    testmesh::Build(*m);
    return m;
}

} // namespace

TEST(DesignStates, CommitPushesTheObjectAndCopiesItCornerByCorner) {
    auto m = testmesh::Cube(); // corners share vertex records
    testmesh::Build(*m);
    CPolyObject* loaded = m->objects[0].get();
    m->objects[0]->faces[0]->material = 3;
    CommitWorkingCopy(*m);
    ASSERT_EQ(m->undoStack.size(), 1u);
    EXPECT_EQ(m->undoStack[0].get(), loaded);
    ASSERT_EQ(m->objects.size(), 1u);
    const CPolyObject& copy = *m->objects[0];
    ASSERT_EQ(copy.faces.size(), loaded->faces.size());
    EXPECT_EQ(copy.vertices.size(), 3 * copy.faces.size()); // one fresh vertex per corner
    std::set<const CPolyVertex*> seen;
    for (size_t i = 0; i < copy.faces.size(); ++i) {
        const CPolyFace* f = copy.faces[i];
        EXPECT_EQ(f->material, -1);
        EXPECT_EQ(f->id, 0);
        for (int j = 0; j < 3; ++j) {
            const CFaceCorner* c = f->corners[j];
            EXPECT_TRUE(c->vertex->pos == loaded->faces[i]->corners[j]->vertex->pos);
            EXPECT_EQ(c->tex, nullptr);
            EXPECT_EQ(c->next, nullptr);
            EXPECT_TRUE(seen.insert(c->vertex).second);
        }
    }
}

TEST(DesignStates, RestoreRebuildsTheSameRecordFromTheBase) {
    auto m = Sheet();
    CommitWorkingCopy(*m);
    auto reference = Sheet();
    CommitWorkingCopy(*reference);
    CPolyObject* working = m->objects[0].get();
    working->vertices[4]->pos = {9, 9, 9};
    AddTriangle(*working, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    ASSERT_TRUE(RestoreWorkingCopy(*m));
    EXPECT_EQ(m->objects[0].get(), working);
    EXPECT_TRUE(foldcheck::SameObject(*working, *reference->objects[0]));
    for (const CPolyVertex* v : working->vertices)
        for (const CPolyVertex* b : m->undoStack[0]->vertices)
            ASSERT_NE(v, b);
}

TEST(DesignStates, StepBackReturnsTheCommittedRecord) {
    auto m = Sheet();
    CPolyObject* loaded = m->objects[0].get();
    CommitWorkingCopy(*m);
    CommitWorkingCopy(*m);
    ASSERT_TRUE(StepBack(*m));
    ASSERT_TRUE(StepBack(*m));
    ASSERT_EQ(m->objects.size(), 1u);
    EXPECT_EQ(m->objects[0].get(), loaded);
    EXPECT_TRUE(m->undoStack.empty());
    EXPECT_FALSE(StepBack(*m)); // empty stack: nothing changes
    EXPECT_EQ(m->objects[0].get(), loaded);
    EXPECT_FALSE(RestoreWorkingCopy(*m));
}

TEST(DesignStates, FurtherObjectsAreRetiredNotDestroyed) {
    auto m = Sheet();
    CPolyObject* second = m->AddObject();
    testmesh::AddFace(second, {{5, 5, 5}, {6, 5, 5}, {5, 6, 5}});
    CPolyVertex* kept = second->vertices[0];
    CPolyObject* first = m->objects[0].get();
    CommitWorkingCopy(*m);
    ASSERT_EQ(m->objects.size(), 1u);
    ASSERT_EQ(m->retiredObjects.size(), 1u);
    EXPECT_EQ(m->retiredObjects[0].get(), second);
    EXPECT_TRUE(kept->pos == (CVector3{5, 5, 5})); // still alive (the sanitizer would object)
    ASSERT_TRUE(StepBack(*m));
    ASSERT_EQ(m->objects.size(), 1u);
    EXPECT_EQ(m->objects[0].get(), first); // the first object alone
}

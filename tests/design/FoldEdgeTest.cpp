// Folds whose result can be worked out by hand, checked on the fast fold and
// on the plain one alike.
#include "LiteralFold.h"
#include "support/Meshes.h"

#include "design/CSlicePlane.h"
#include "design/DesignStates.h"
#include "design/FoldWorkspace.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Flood = std::function<void(CPolyObject&, const CSlicePlane&, const CVector3&)>;

std::vector<std::pair<const char*, Flood>> Floods() {
    return {{"fast",
             [](CPolyObject& o, const CSlicePlane& p, const CVector3& q) { ReflectFrom(o, p, q); }},
            {"plain", [](CPolyObject& o, const CSlicePlane& p, const CVector3& q) {
                 literal::ReflectFrom(o, p, q);
             }}};
}

void ExpectCorner(const CPolyFace* f, int j, CVector3 p) {
    const CVector3& q = f->corners[j]->vertex->pos;
    EXPECT_NEAR(q.x, p.x, 1e-12);
    EXPECT_NEAR(q.y, p.y, 1e-12);
    EXPECT_NEAR(q.z, p.z, 1e-12);
}

// The strip of two triangles as a working copy.
std::unique_ptr<CPolyModel> StripCopy() {
    auto m = testmesh::Strip();
    testmesh::Build(*m);
    CommitWorkingCopy(*m);
    return m;
}

} // namespace

TEST(FoldEdges, StripMirrorsFirstTriangleAndSplitsTheSecond) {
    for (auto& [name, flood] : Floods()) {
        SCOPED_TRACE(name);
        auto m = StripCopy();
        CSlicePlane plane(1);
        plane.SetBisector({0, 0, 0}, {1.5, 1.5, 0}); // x + y = 1.5
        CPolyObject& o = *m->objects[0];
        CPolyFace* first = o.faces[0];
        flood(o, plane, {0, 0, 0});
        ASSERT_EQ(o.faces.size(), 4u);
        EXPECT_EQ(o.faces[0], first); // mirrored whole, in place
        ExpectCorner(first, 0, {1.5, 1.5, 0});
        ExpectCorner(first, 1, {1.5, 0.5, 0});
        ExpectCorner(first, 2, {0.5, 1.5, 0});
        EXPECT_NEAR(first->normal.z, -1.0, 1e-12); // mirrored winding
        // Sides (+1, -1, +1): S = (0,1,0), R = (1,0,0), V = (1,1,0); S and R move.
        ExpectCorner(o.faces[1], 0, {1.5, 0.5, 0}); // R'
        ExpectCorner(o.faces[1], 1, {1, 0.5, 0});   // P2
        ExpectCorner(o.faces[1], 2, {0.5, 1.5, 0}); // S'
        ExpectCorner(o.faces[2], 0, {1, 0.5, 0});
        ExpectCorner(o.faces[2], 1, {0.5, 1, 0}); // P1
        ExpectCorner(o.faces[2], 2, {0.5, 1.5, 0});
        ExpectCorner(o.faces[3], 0, {1, 0.5, 0});
        ExpectCorner(o.faces[3], 1, {1, 1, 0}); // V stays
        ExpectCorner(o.faces[3], 2, {0.5, 1, 0});
        // The crease points lie on the plane; the crossed face's vertices stay listed.
        EXPECT_EQ(plane.ClassifyPoint(o.faces[3]->corners[0]->vertex->pos), 0);
        EXPECT_EQ(plane.ClassifyPoint(o.faces[3]->corners[2]->vertex->pos), 0);
        EXPECT_EQ(o.vertices.size(), 6u + 9u);
        for (const CPolyFace* f : o.faces)
            EXPECT_EQ(f->material, -1);
    }
}

TEST(FoldEdges, LoneCornerSeedMirrorsOnlyTheSmallTriangle) {
    for (auto& [name, flood] : Floods()) {
        SCOPED_TRACE(name);
        auto m = StripCopy();
        CSlicePlane plane(1);
        plane.SetBisector({1, 1, 0}, {0.5, 0.5, 0}); // x + y = 1.5, seed alone on its side
        CPolyObject& o = *m->objects[0];
        flood(o, plane, {1, 1, 0});
        ASSERT_EQ(o.faces.size(), 4u);
        ExpectCorner(o.faces[0], 0, {0, 0, 0}); // the first triangle is not reached
        ExpectCorner(o.faces[1], 0, {1, 0, 0}); // (R, P2, S) stays
        ExpectCorner(o.faces[1], 2, {0, 1, 0});
        ExpectCorner(o.faces[3], 1, {0.5, 0.5, 0}); // only V is mirrored
    }
}

TEST(FoldEdges, PlaneOnEverySeedSideMirrorsTheWholeSurface) {
    for (auto& [name, flood] : Floods()) {
        SCOPED_TRACE(name);
        auto m = testmesh::Grid(4, 4);
        testmesh::Build(*m);
        CommitWorkingCopy(*m);
        CPolyObject& o = *m->objects[0];
        CSlicePlane plane(2);
        plane.SetBisector({0, 0, 0}, {0, 0, 2}); // z = 1, the sheet lies at z = 0
        flood(o, plane, {0, 0, 0});
        ASSERT_EQ(o.faces.size(), 32u);
        for (const CPolyFace* f : o.faces)
            for (const CFaceCorner* c : f->corners)
                EXPECT_NEAR(c->vertex->pos.z, 2.0, 1e-12);
    }
}

TEST(FoldEdges, CornerWithinToleranceStopsTheFlood) {
    // A 1 x 3 strip of cells along x; the plane x = 2.00005 is within the
    // tolerance of the corners at x = 2, so the faces touching them stay.
    for (double offset : {0.00005, 0.0003}) {
        for (auto& [name, flood] : Floods()) {
            SCOPED_TRACE(name);
            auto m = testmesh::Grid(1, 3, 3.0, 1.0);
            testmesh::Build(*m);
            CommitWorkingCopy(*m);
            CPolyObject& o = *m->objects[0];
            CSlicePlane plane(0);
            plane.a = 1, plane.b = 0, plane.c = 0, plane.d = -(2.0 + offset);
            flood(o, plane, {0, 0, 0});
            int moved = 0;
            for (const CPolyFace* f : o.faces)
                moved += f->corners[0]->vertex->pos.x > 2.0 + offset;
            if (offset < 0.0001) {
                EXPECT_EQ(o.faces.size(), 6u); // nothing split
                EXPECT_EQ(moved, 2);           // only the first cell
            } else {
                EXPECT_GT(o.faces.size(), 6u); // the plane now cuts the third cell
                EXPECT_GE(moved, 4);
            }
        }
    }
}

TEST(FoldEdges, SeedMatchingNoFaceLeavesTheCopy) {
    auto m = StripCopy();
    auto before = StripCopy();
    CSlicePlane plane(1);
    plane.SetBisector({5, 5, 5}, {6, 5, 5});
    ReflectFrom(*m->objects[0], plane, {5, 5, 5});
    EXPECT_TRUE(foldcheck::SameObject(*m->objects[0], *before->objects[0]));
}

TEST(FoldEdges, SharedVertexRecordsAreLeftAlone) {
    // The cube shares vertex records between faces; mirroring one would move
    // its neighbours behind the flood's back, so the object is not changed.
    auto m = testmesh::Cube();
    testmesh::Build(*m);
    const CVector3 before = m->objects[0]->vertices[0]->pos;
    CSlicePlane plane(0);
    plane.SetBisector({0, 0, 0}, {-1, 0, 0});
    ReflectFrom(*m->objects[0], plane, {0, 0, 0});
    EXPECT_EQ(m->objects[0]->faces.size(), 12u);
    EXPECT_TRUE(m->objects[0]->vertices[0]->pos == before);
}

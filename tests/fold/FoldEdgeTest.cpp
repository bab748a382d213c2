// Folds whose result can be worked out by hand, checked on the fast fold and
// on the plain one alike.
#include "support/LiteralFold.h"
#include "support/Meshes.h"

#include "design/DesignStates.h"
#include "model/CSlicePlane.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>

namespace {

using Flood = std::function<void(CWorkingShape&, const CSlicePlane&, const CVector3&)>;

std::vector<std::pair<const char*, Flood>> Floods()
{
    return {{"fast", [](CWorkingShape& m, const CSlicePlane& p,
                        const CVector3& q) { ReflectFrom(m, p, q); }},
            {"plain", [](CWorkingShape& m, const CSlicePlane& p, const CVector3& q) {
                 literal::ReflectFrom(m, p, q, p.ClassifyPoint(q));
             }}};
}

void ExpectCorner(const CWorkingShape& m, size_t f, int j, CVector3 p)
{
    const CVector3& q = m.Pos(f, j);
    EXPECT_NEAR(q.x, p.x, 1e-12);
    EXPECT_NEAR(q.y, p.y, 1e-12);
    EXPECT_NEAR(q.z, p.z, 1e-12);
}

CWorkingShape Flat(std::unique_ptr<CPolyModel> m)
{
    testmesh::Build(*m);
    CWorkingShape out;
    FlatFromObject(*m->objects[0], nullptr, out);
    return out;
}

// The strip of two triangles as a working copy.
CWorkingShape StripCopy()
{
    return Flat(testmesh::Strip());
}

} // namespace

TEST(FoldEdges, StripMirrorsFirstTriangleAndSplitsTheSecond)
{
    for (auto& [name, flood] : Floods()) {
        SCOPED_TRACE(name);
        CWorkingShape o = StripCopy();
        for (size_t k = 0; k < o.CornerCount(); ++k)
            o.corner[k].paper = {o.pos[k].x, o.pos[k].y};
        CSlicePlane plane(1);
        plane.SetBisector({0, 0, 0}, {1.5, 1.5, 0}); // x + y = 1.5
        flood(o, plane, {0, 0, 0});
        ASSERT_EQ(o.TriangleCount(), 4u);
        ExpectCorner(o, 0, 0, {1.5, 1.5, 0}); // mirrored whole, in place
        ExpectCorner(o, 0, 1, {1.5, 0.5, 0});
        ExpectCorner(o, 0, 2, {0.5, 1.5, 0});
        EXPECT_NEAR(o.tri[0].normal.z, -1.0, 1e-12); // mirrored winding
        // Sides (+1, -1, +1): S = (0,1,0), R = (1,0,0), V = (1,1,0); S and R move.
        ExpectCorner(o, 1, 0, {1.5, 0.5, 0}); // R'
        ExpectCorner(o, 1, 1, {1, 0.5, 0});   // P2
        ExpectCorner(o, 1, 2, {0.5, 1.5, 0}); // S'
        ExpectCorner(o, 2, 0, {1, 0.5, 0});
        ExpectCorner(o, 2, 1, {0.5, 1, 0}); // P1
        ExpectCorner(o, 2, 2, {0.5, 1.5, 0});
        ExpectCorner(o, 3, 0, {1, 0.5, 0});
        ExpectCorner(o, 3, 1, {1, 1, 0}); // V stays
        ExpectCorner(o, 3, 2, {0.5, 1, 0});
        EXPECT_EQ(plane.ClassifyPoint(o.Pos(3, 0)), 0);
        EXPECT_EQ(plane.ClassifyPoint(o.Pos(3, 2)), 0);
        // Paper rides along: a mirrored corner keeps its own, a crossing point
        // gets the point on the paper edge.
        EXPECT_DOUBLE_EQ(o.corner[0].paper.u, 0.0);
        EXPECT_DOUBLE_EQ(o.corner[4].paper.u, 1.0); // P2 on the edge (1,0)-(1,1)
        EXPECT_DOUBLE_EQ(o.corner[4].paper.v, 0.5);
        EXPECT_DOUBLE_EQ(o.corner[7].paper.u, 0.5); // P1 on the edge (0,1)-(1,1)
        EXPECT_DOUBLE_EQ(o.corner[7].paper.v, 1.0);
        for (size_t t = 1; t < 4; ++t)
            EXPECT_EQ(o.tri[t].origin, 1); // the pieces of the second face
    }
}

TEST(FoldEdges, LoneCornerSeedMirrorsOnlyTheSmallTriangle)
{
    for (auto& [name, flood] : Floods()) {
        SCOPED_TRACE(name);
        CWorkingShape o = StripCopy();
        CSlicePlane plane(1);
        plane.SetBisector({1, 1, 0}, {0.5, 0.5, 0}); // x + y = 1.5, seed alone on its side
        flood(o, plane, {1, 1, 0});
        ASSERT_EQ(o.TriangleCount(), 4u);
        ExpectCorner(o, 0, 0, {0, 0, 0}); // the first triangle is not reached
        ExpectCorner(o, 1, 0, {1, 0, 0}); // (R, P2, S) stays
        ExpectCorner(o, 1, 2, {0, 1, 0});
        ExpectCorner(o, 3, 1, {0.5, 0.5, 0}); // only V is mirrored
    }
}

TEST(FoldEdges, PlaneOnEverySeedSideMirrorsTheWholeSurface)
{
    for (auto& [name, flood] : Floods()) {
        SCOPED_TRACE(name);
        CWorkingShape o = Flat(testmesh::Grid(4, 4));
        CSlicePlane plane(2);
        plane.SetBisector({0, 0, 0}, {0, 0, 2}); // z = 1, the sheet lies at z = 0
        flood(o, plane, {0, 0, 0});
        ASSERT_EQ(o.TriangleCount(), 32u);
        for (const CVector3& p : o.pos)
            EXPECT_NEAR(p.z, 2.0, 1e-12);
    }
}

TEST(FoldEdges, CornersOnThePlaneTurnWithTheirFaces)
{
    // A 1 x 3 strip of cells along x; the plane x = 2.00005 is within the
    // tolerance of the corners at x = 2. The faces touching them turn about
    // them, so the crease runs through those corners and nothing is split.
    for (double offset : {0.00005, 0.0003}) {
        for (auto& [name, flood] : Floods()) {
            SCOPED_TRACE(name);
            CWorkingShape o = Flat(testmesh::Grid(1, 3, 3.0, 1.0));
            CSlicePlane plane(0);
            plane.a = 1, plane.b = 0, plane.c = 0, plane.d = -(2.0 + offset);
            flood(o, plane, {0, 0, 0});
            int beyond = 0;
            for (const CVector3& p : o.pos)
                beyond += p.x > 2.0 + offset + 1e-3;
            if (offset < 0.0001) {
                EXPECT_EQ(o.TriangleCount(), 6u); // nothing split
                EXPECT_EQ(beyond, 12);            // both cells before x = 2 turned over
            } else {
                EXPECT_GT(o.TriangleCount(), 6u); // the plane now cuts the third cell
            }
        }
    }
}

TEST(FoldEdges, CornerOnThePlaneSplitsAFaceThatStraddlesIt)
{
    // One triangle with a corner on the plane and the other two on either side.
    for (auto& [name, flood] : Floods()) {
        SCOPED_TRACE(name);
        CWorkingShape o;
        o.Append({0, 0, 0}, {1, -1, 0}, {1, 1, 0}, {}, {}, {}, 7);
        CSlicePlane plane(1);
        plane.a = 0, plane.b = 1, plane.c = 0, plane.d = 0; // y = 0 through the first corner
        flood(o, plane, {1, 1, 0});
        ASSERT_EQ(o.TriangleCount(), 2u);
        // (Z, A, P) stays, (Z, P, B') turns: B = (1, 1) is the moving corner.
        ExpectCorner(o, 0, 0, {0, 0, 0});
        ExpectCorner(o, 0, 1, {1, -1, 0});
        ExpectCorner(o, 0, 2, {1, 0, 0});
        ExpectCorner(o, 1, 0, {0, 0, 0});
        ExpectCorner(o, 1, 1, {1, 0, 0});
        ExpectCorner(o, 1, 2, {1, -1, 0});
        EXPECT_EQ(o.tri[1].origin, 7);
    }
}

TEST(FoldEdges, FoldThroughVerticesLeavesNoGap)
{
    // A plane through a row of vertices: every edge on the crease must be an
    // edge of a turned face and of a face that stayed, with both ends shared.
    for (auto& [name, flood] : Floods()) {
        SCOPED_TRACE(name);
        CWorkingShape o = Flat(testmesh::Grid(6, 6, 1.2, 1.2));
        CSlicePlane plane(0);
        plane.a = 1, plane.b = 0, plane.c = 0, plane.d = -0.6; // x = 0.6, a grid line
        flood(o, plane, {0, 0, 0});
        EXPECT_EQ(o.TriangleCount(), 72u);
        std::map<std::pair<double, double>, int> creaseEdges; // (y0, y1) -> faces using it
        for (size_t t = 0; t < o.TriangleCount(); ++t)
            for (int j = 0; j < 3; ++j) {
                const CVector3& a = o.Pos(t, j);
                const CVector3& b = o.Pos(t, (j + 1) % 3);
                if (std::fabs(a.x - 0.6) < 1e-12 && std::fabs(b.x - 0.6) < 1e-12)
                    ++creaseEdges[{std::min(a.y, b.y), std::max(a.y, b.y)}];
            }
        EXPECT_EQ(creaseEdges.size(), 6u);
        for (const auto& [edge, faces] : creaseEdges)
            EXPECT_EQ(faces, 2) << edge.first << " " << edge.second;
        for (const CVector3& p : o.pos)
            EXPECT_GE(p.x, 0.6 - 1e-12); // everything left of the line turned over it
    }
}

TEST(FoldEdges, SeedMatchingNoFaceLeavesTheCopy)
{
    CWorkingShape m = StripCopy();
    const CWorkingShape before = StripCopy();
    CSlicePlane plane(1);
    plane.SetBisector({5, 5, 5}, {6, 5, 5});
    ReflectFrom(m, plane, {5, 5, 5});
    EXPECT_TRUE(foldcheck::SameMesh(m, before));
}

TEST(FoldEdges, RefusedStepsLeaveShapeAndBase)
{
    CWorkingShape base = Flat(testmesh::Grid(3, 3));
    CFoldWorkspace workspace;
    CWorkingShape working = base;
    CSlicePlane plane(1);
    // Without a base state there is nothing to fold from.
    EXPECT_FALSE(workspace.Step(working, plane, {0, 0, 0}, {1, 0, 0}).accepted);
    workspace.SetBase(base);
    const double before[4] = {plane.a, plane.b, plane.c, plane.d};
    // Too far apart to give a finite plane: the plane is kept.
    EXPECT_FALSE(workspace.Step(working, plane, {0, 0, 0}, {1e308, -1e308, 0}).accepted);
    EXPECT_EQ(0, std::memcmp(before, &plane.a, sizeof before));
    // The start on its own plane (a drag of less than the tolerance).
    EXPECT_FALSE(workspace.Step(working, plane, {0, 0, 0}, {0.00005, 0, 0}).accepted);
    EXPECT_TRUE(foldcheck::SameMesh(working, base));
    EXPECT_TRUE(foldcheck::SameMesh(workspace.Base(), base));
    // A real step folds; dragging back exactly to the start gives the copy.
    EXPECT_TRUE(workspace.Step(working, plane, {0, 0, 0}, {0.5, 0, 0}).accepted);
    EXPECT_FALSE(foldcheck::SameMesh(working, base));
    EXPECT_TRUE(workspace.Step(working, plane, {0, 0, 0}, {0, 0, 0}).accepted);
    EXPECT_TRUE(foldcheck::SameMesh(working, base));
}

TEST(FoldEdges, FarFromTheOriginStepsTakeTheGeneralFloodAndAgree)
{
    // Rounding on huge coordinates could eat the margin the quick step relies
    // on, so such shapes fold the general way, with the same result as the
    // plain fold; near the origin the quick way is taken. (Far out, the plane
    // is scaled down with its offset, so the shape is large enough for its
    // drags to clear the tolerance.)
    for (const double offset : {0.0, 3e6}) {
        SCOPED_TRACE(offset);
        const double size = offset == 0.0 ? 1.0 : 1e4;
        CWorkingShape base = Flat(testmesh::Grid(8, 8, size, size));
        for (CVector3& p : base.pos)
            p.x += offset;
        CFoldWorkspace workspace;
        workspace.SetBase(base);
        CWorkingShape fast = base, slow = base;
        CSlicePlane fastPlane(1), slowPlane(1);
        const CVector3 start = base.pos[0];
        for (const double dx : {0.3, 0.55, 0.8}) {
            const CVector3 to{start.x + dx * size, start.y + 0.1 * size, start.z};
            const ReflectionStepResult rf = workspace.Step(fast, fastPlane, start, to);
            const ReflectionStepResult rs =
                literal::ReflectionStep(base, slow, slowPlane, start, to);
            ASSERT_TRUE(rf.accepted);
            ASSERT_TRUE(rs.accepted);
            EXPECT_EQ(workspace.LastStepWasQuick(), offset == 0.0);
            EXPECT_TRUE(foldcheck::SameMesh(fast, slow));
            EXPECT_EQ(rf.corner, rs.corner);
            EXPECT_GT(fast.TriangleCount(), base.TriangleCount()); // the plane split faces
        }
    }
}

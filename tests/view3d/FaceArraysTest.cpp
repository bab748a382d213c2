#include "render/FaceArrays.h"

#include "support/Meshes.h"

#include <gtest/gtest.h>

namespace {

CVector3 At(const std::vector<float>& v, size_t vertex)
{
    return {v[vertex * 3], v[vertex * 3 + 1], v[vertex * 3 + 2]};
}

} // namespace

TEST(FaceArrays, EachTriangleOnceWithItsNormalFromObjectAndWorkingShape)
{
    auto m = testmesh::Strip();
    CPolyObject& obj = *m->objects[0];
    for (CPolyFace* f : obj.faces)
        f->ComputePlane();
    CFaceArrays a;
    a.Build(obj);
    ASSERT_EQ(a.TriangleCount(), 2);
    ASSERT_EQ(a.Positions().size(), 2u * 3 * 3);
    for (int f = 0; f < 2; ++f) {
        const CPolyFace* face = obj.faces[f];
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(At(a.Positions(), f * 3 + k), face->corners[k]->vertex->pos);
            EXPECT_EQ(At(a.Normals(), f * 3 + k), face->normal);
        }
    }
    const std::vector<uint32_t> want = {0, 1, 1, 2, 2, 0, 3, 4, 4, 5, 5, 3};
    EXPECT_EQ(a.EdgeIndices(), want);

    // The flat mesh of the same object gives the same arrays and outlines.
    CWorkingShape flat;
    FlatFromObject(obj, nullptr, flat);
    CFaceArrays b;
    b.Build(flat);
    EXPECT_EQ(b.Positions(), a.Positions());
    EXPECT_EQ(b.Normals(), a.Normals());
    EXPECT_EQ(b.EdgeIndices(), want);

    // A refresh with other positions keeps the outlines; a new triangle count rebuilds them.
    flat.pos[0] = {0.5, 0.5, 1.0};
    flat.UpdatePlane(0);
    b.Build(flat);
    EXPECT_EQ(At(b.Positions(), 0), flat.pos[0]);
    EXPECT_NEAR(At(b.Normals(), 2).Dot(flat.tri[0].normal), 1.0, 1e-6);
    EXPECT_EQ(b.EdgeIndices(), want);
    const CVector3 p0 = flat.pos[0], p1 = flat.pos[1], p2 = flat.pos[2];
    flat.Append(p0, p1, p2, {}, {}, {}, 0);
    b.Build(flat);
    EXPECT_EQ(b.TriangleCount(), 3);
    EXPECT_EQ(b.EdgeIndices().size(), 18u);
    EXPECT_EQ(b.EdgeIndices()[12], 6u);
}

TEST(FaceArrays, PolygonsAreFannedAndOutlinedAroundTheirCorners)
{
    CPolyModel m;
    CPolyObject* obj = m.AddObject();
    const std::vector<CVector3> quad = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    CPolyFace* q = testmesh::AddFace(obj, quad);
    q->ComputePlane();
    CPolyFace* line = testmesh::AddFace(obj, {{0, 0, 0}, {1, 0, 0}}); // no area to draw
    (void)line;
    testmesh::AddFace(obj, {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}})->ComputePlane();

    CFaceArrays a;
    a.Build(*obj);
    ASSERT_EQ(a.TriangleCount(), 3);
    // The quad's fan: (0,1,2) (0,2,3).
    const int front[] = {0, 1, 2, 0, 2, 3};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(At(a.Positions(), i), quad[front[i]]) << i;

    // The quad's outline goes around its four corners, not along the fan's diagonal.
    const std::vector<uint32_t>& e = a.EdgeIndices();
    ASSERT_EQ(e.size(), 2u * 4 + 2 * 3);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(At(a.Positions(), e[2 * i]), quad[i]);
        EXPECT_EQ(At(a.Positions(), e[2 * i + 1]), quad[(i + 1) % 4]);
    }
    EXPECT_EQ(e[8], 6u);

    a.Build(*obj); // rebuilding replaces, never appends
    EXPECT_EQ(a.Positions().size(), 3u * 3 * 3);
    EXPECT_EQ(a.EdgeIndices().size(), 14u);
}

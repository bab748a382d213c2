#include "render/FaceArrays.h"

#include "support/Meshes.h"

#include <gtest/gtest.h>

namespace {

CVector3 At(const std::vector<float>& v, size_t vertex)
{
    return {v[vertex * 3], v[vertex * 3 + 1], v[vertex * 3 + 2]};
}

} // namespace

TEST(FaceArrays, FrontThenReversedBackWithNegatedNormals)
{
    auto m = testmesh::Strip();
    CPolyObject& obj = *m->objects[0];
    for (CPolyFace* f : obj.faces)
        f->ComputePlane();
    CFaceArrays a;
    a.Build(obj);
    ASSERT_EQ(a.SideTriangleCount(), 2);
    ASSERT_EQ(a.Positions().size(), 2u * 2 * 3 * 3);
    for (int f = 0; f < 2; ++f) {
        const CPolyFace* face = obj.faces[f];
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(At(a.Positions(), f * 3 + k), face->corners[k]->vertex->pos);
            EXPECT_EQ(At(a.Normals(), f * 3 + k), face->normal);
            // The back block starts after both fronts and runs the corners backwards.
            EXPECT_EQ(At(a.Positions(), 6 + f * 3 + k), face->corners[2 - k]->vertex->pos);
            EXPECT_EQ(At(a.Normals(), 6 + f * 3 + k), face->normal * -1.0);
        }
    }
    const std::vector<uint32_t>& e = a.EdgeIndices();
    const std::vector<uint32_t> want = {0, 1, 1, 2, 2, 0, 3, 4, 4, 5, 5, 3};
    EXPECT_EQ(e, want);
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
    ASSERT_EQ(a.SideTriangleCount(), 3);
    // Front fan of the quad: (0,1,2) (0,2,3).
    const int front[] = {0, 1, 2, 0, 2, 3};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(At(a.Positions(), i), quad[front[i]]) << i;
    // Back fan of the reversed list (3,2,1,0): (3,2,1) (3,1,0).
    const int back[] = {3, 2, 1, 3, 1, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(At(a.Positions(), 9 + i), quad[back[i]]) << i;

    // The quad's outline goes around its four corners, not along the fan's diagonal.
    const std::vector<uint32_t>& e = a.EdgeIndices();
    ASSERT_EQ(e.size(), 2u * 4 + 2 * 3);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(At(a.Positions(), e[2 * i]), quad[i]);
        EXPECT_EQ(At(a.Positions(), e[2 * i + 1]), quad[(i + 1) % 4]);
    }
    EXPECT_EQ(e[8], 6u);

    a.Build(*obj); // rebuilding replaces, never appends
    EXPECT_EQ(a.Positions().size(), 3u * 2 * 3 * 3);
    EXPECT_EQ(a.EdgeIndices().size(), 14u);
}

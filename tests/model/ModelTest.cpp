#include "model/CSlicePlane.h"
#include "model/PolyModel.h"
#include "support/Meshes.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(PolyModel, NewModelHasInvertedBoundingBox)
{
    CPolyModel m;
    EXPECT_EQ(m.bboxMin.x, 1.7976931348623157e308);
    EXPECT_EQ(m.bboxMax.z, -1.7976931348623157e308);
    EXPECT_EQ(m.faceCount, 0);
    EXPECT_EQ(m.currentPlane, nullptr);
    EXPECT_EQ(m.pickedPlane, nullptr);
    EXPECT_EQ(m.hasTexCoords, 0);
}

TEST(PolyModel, RecordsStartAsDocumented)
{
    CPolyObject obj;
    CPolyFace* f = obj.AddFace();
    EXPECT_EQ(f->material, -1);
    EXPECT_EQ(f->object, &obj);
    EXPECT_EQ(f->sel, 0);
    CPolyVertex* v = obj.AddVertex({1, 2, 3});
    EXPECT_EQ(v->mark, 0);
    CFaceCorner* c = f->AddCorner(v);
    EXPECT_EQ(c->enabled, 1);
    EXPECT_EQ(c->face, f);
    EXPECT_EQ(c->next, nullptr);
    EXPECT_EQ(c->tex, nullptr);
}

TEST(PolyModel, CornerListGrowsBeyondInlineStorageAndRemovesByIdentity)
{
    CPolyObject obj;
    CPolyFace* f = obj.AddFace();
    std::vector<CFaceCorner*> added;
    for (int i = 0; i < 40; ++i)
        added.push_back(f->AddCorner(obj.AddVertex({double(i), 0, 0})));
    ASSERT_EQ(f->corners.size(), 40);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(f->corners[i], added[i]);
    f->corners.Remove(added[5]);
    EXPECT_EQ(f->corners.size(), 39);
    EXPECT_EQ(f->corners[5], added[6]);
    obj.RemoveFace(f);
    EXPECT_TRUE(obj.faces.empty());
}

TEST(PolyModel, NormalizeToUnitCentresAndScales)
{
    auto m = testmesh::Grid(2, 4, 8.0, 4.0);
    m->objects[0]->vertices[0]->pos.z = -2.0;
    testmesh::Build(*m);
    m->NormalizeToUnit();
    CVector3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (CPolyVertex* v : m->objects[0]->vertices) {
        lo = {std::min(lo.x, v->pos.x), std::min(lo.y, v->pos.y), std::min(lo.z, v->pos.z)};
        hi = {std::max(hi.x, v->pos.x), std::max(hi.y, v->pos.y), std::max(hi.z, v->pos.z)};
    }
    EXPECT_DOUBLE_EQ(hi.x, 1.0 / 1.0001);
    EXPECT_DOUBLE_EQ(lo.x, -1.0 / 1.0001);
    EXPECT_NEAR((hi.y + lo.y) / 2, 0.0, 1e-15);
    EXPECT_NEAR((hi.z + lo.z) / 2, 0.0, 1e-15);
    // The bounding box keeps the values as read.
    EXPECT_EQ(m->bboxMax.x, 8.0);
}

TEST(PolyModel, FlipOrientationTwiceRestoresEveryFace)
{
    auto m = testmesh::Cube();
    m->objects[0]->AddTexCoord(0.5, 0.25);
    testmesh::Build(*m);
    struct Snap {
        std::vector<CPolyVertex*> v;
        CVector3 n;
        double d;
    };
    std::vector<Snap> before;
    for (CPolyFace* f : m->objects[0]->faces) {
        Snap s{{}, f->normal, f->d};
        for (CFaceCorner* c : f->corners)
            s.v.push_back(c->vertex);
        before.push_back(s);
    }
    m->FlipOrientation();
    CPolyFace* f0 = m->objects[0]->faces[0];
    EXPECT_EQ(f0->normal.z, -before[0].n.z);
    // Corners keep their records but run the other way round.
    EXPECT_EQ(f0->corners[0]->vertex, before[0].v[0]);
    EXPECT_EQ(f0->corners[1]->vertex, before[0].v[2]);
    EXPECT_EQ(f0->corners[2]->vertex, before[0].v[1]);
    EXPECT_EQ(f0->corners[0]->next->vertex, before[0].v[2]);
    m->FlipOrientation();
    for (size_t i = 0; i < before.size(); ++i) {
        CPolyFace* f = m->objects[0]->faces[i];
        EXPECT_EQ(f->normal, before[i].n);
        EXPECT_EQ(f->d, before[i].d);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(f->corners[k]->vertex, before[i].v[k]);
    }
}

TEST(PolyModel, SixKsStubFails)
{
    CPolyModel m;
    EXPECT_EQ(m.Read6KS("/tmp/x.6ks"), kReadFailed);
    EXPECT_EQ(m.fileName, "/tmp/x.6ks");
}

#include "model/CSlicePlane.h"
#include "model/PolyModel.h"
#include "model/SweepTriangulation.h"
#include "model/Tessellation.h"
#include "support/Meshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

using testmesh::AddFace;
using testmesh::AddFaceOn;

namespace {

// The invariants every built model keeps, checked over whole groups of meshes.
void ExpectBuiltInvariants(const CPolyModel& m)
{
    int nextId = 0;
    ASSERT_FALSE(m.objects.empty());
    for (const auto& obj : m.objects) {
        EXPECT_FALSE(obj->faces.empty());
        for (const CPolyFace* f : obj->faces) {
            ASSERT_EQ(f->corners.size(), 3);
            for (int k = 0; k < 3; ++k) {
                const CFaceCorner* c = f->corners[k];
                EXPECT_EQ(c->next, f->corners[(k + 1) % 3]);
                EXPECT_EQ(c->prev, f->corners[(k + 2) % 3]);
                EXPECT_NE(c->vertex->pos, c->next->vertex->pos);
                const CVector3& p = c->vertex->pos;
                EXPECT_TRUE(p.x >= m.bboxMin.x && p.x <= m.bboxMax.x);
                EXPECT_TRUE(p.z >= m.bboxMin.z && p.z <= m.bboxMax.z);
            }
            EXPECT_EQ(f->id, nextId++);
            EXPECT_NEAR(f->normal.Length(), 1.0, 1e-12);
        }
    }
    EXPECT_EQ(m.faceCount, nextId);
    ASSERT_NE(m.currentPlane, nullptr);
    EXPECT_EQ(m.planes.back().get(), m.currentPlane);
    EXPECT_EQ(m.currentPlane->axisType, 1);
}

std::vector<CPolyVertex*> CornerVertices(const CPolyFace* f)
{
    std::vector<CPolyVertex*> out;
    for (CFaceCorner* c : f->corners)
        out.push_back(c->vertex);
    return out;
}

} // namespace

TEST(BuildTopology, InvariantsHoldOverMeshGroup)
{
    std::vector<std::function<std::unique_ptr<CPolyModel>()>> makers = {
        [] { return testmesh::Triangle(); }, [] { return testmesh::Strip(); },
        [] { return testmesh::Cube(); }, [] { return testmesh::Grid(5, 7); },
        [] {
            return testmesh::Grid(6, 6, 2.0, 1.0,
                                  [](double x, double y) { return 0.3 * x * x - 0.2 * y; });
        }};
    for (auto& make : makers) {
        auto m = make();
        ASSERT_TRUE(m->BuildTopology());
        ExpectBuiltInvariants(*m);
    }
}

TEST(BuildTopology, QuadFansAfterExistingFacesAndDropsMaterial)
{
    CPolyModel m;
    CPolyObject* o = m.AddObject();
    auto a = o->AddVertex({0, 0, 0}), b = o->AddVertex({1, 0, 0}), c = o->AddVertex({1, 1, 0}),
         d = o->AddVertex({0, 1, 0}), e = o->AddVertex({2, 0, 0});
    CPolyFace* quad = AddFaceOn(o, {a, b, c, d});
    quad->material = 3;
    AddFaceOn(o, {b, e, c});
    ASSERT_TRUE(m.BuildTopology());
    ASSERT_EQ(o->faces.size(), 3u);
    EXPECT_EQ(CornerVertices(o->faces[0]), (std::vector<CPolyVertex*>{b, e, c}));
    EXPECT_EQ(CornerVertices(o->faces[1]), (std::vector<CPolyVertex*>{a, b, c}));
    EXPECT_EQ(CornerVertices(o->faces[2]), (std::vector<CPolyVertex*>{a, c, d}));
    EXPECT_EQ(o->faces[1]->material, -1);
    EXPECT_EQ(o->faces[2]->id, 2);
    ExpectBuiltInvariants(m);
}

TEST(BuildTopology, PentagonFansFromFirstCorner)
{
    CPolyModel m;
    CPolyObject* o = m.AddObject();
    std::vector<CPolyVertex*> v;
    for (int i = 0; i < 5; ++i)
        v.push_back(o->AddVertex({std::cos(i * 1.2566), std::sin(i * 1.2566), 0}));
    AddFaceOn(o, v);
    ASSERT_TRUE(m.BuildTopology());
    ASSERT_EQ(o->faces.size(), 3u);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(CornerVertices(o->faces[k]),
                  (std::vector<CPolyVertex*>{v[0], v[k + 1], v[k + 2]}));
}

TEST(BuildTopology, RepeatedAndDegenerateCorners)
{
    CPolyModel m;
    CPolyObject* o = m.AddObject();
    auto a = o->AddVertex({0, 0, 0}), b = o->AddVertex({1, 0, 0}), c = o->AddVertex({0, 1, 0});
    AddFaceOn(o, {a, b, a});                                  // last repeats first: two corners
    AddFace(o, {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});            // collinear: zero area
    AddFaceOn(o, {a, a, b, c});                               // a, a, b, c -> a, b, c
    AddFace(o, {{5, 5, 5}, {5, 5, 5}, {6, 5, 5}, {5, 6, 5}}); // equal positions, other records
    ASSERT_TRUE(m.BuildTopology());
    ASSERT_EQ(o->faces.size(), 2u);
    EXPECT_EQ(CornerVertices(o->faces[0]), (std::vector<CPolyVertex*>{a, b, c}));
    EXPECT_EQ(o->faces[1]->corners[0]->vertex->pos, (CVector3{5, 5, 5}));
    ExpectBuiltInvariants(m);
}

TEST(BuildTopology, RunOfEqualCornersKeepsOnlyTheFirst)
{
    CPolyObject obj;
    CPolyFace* f = AddFace(&obj, {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    CFaceCorner* first = f->corners[1];
    f->CleanCorners();
    ASSERT_EQ(f->corners.size(), 3);
    EXPECT_EQ(f->corners[1], first);
}

TEST(BuildTopology, TwoCornerFaceKeepsItsLinks)
{
    CPolyObject obj;
    CPolyFace* f = AddFace(&obj, {{0, 0, 0}, {1, 0, 0}});
    f->CleanCorners();
    EXPECT_EQ(f->corners[0]->next, nullptr);
}

TEST(BuildTopology, EmptyObjectsVanishAndIdsStayDense)
{
    CPolyModel m;
    AddFace(m.AddObject(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    AddFace(m.AddObject(), {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    CPolyObject* third = m.AddObject();
    AddFace(third, {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}});
    ASSERT_TRUE(m.BuildTopology());
    ASSERT_EQ(m.objects.size(), 2u);
    EXPECT_EQ(m.objects[1].get(), third);
    EXPECT_EQ(third->faces[0]->id, 1);
    EXPECT_EQ(m.bboxMax.z, 1.0);
    EXPECT_EQ(m.bboxMin.z, 0.0);
}

TEST(BuildTopology, NothingLeftFails)
{
    CPolyModel m;
    AddFace(m.AddObject(), {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
    EXPECT_FALSE(m.BuildTopology());
    EXPECT_TRUE(m.objects.empty());
    EXPECT_EQ(m.currentPlane, nullptr);
    CPolyModel empty;
    EXPECT_FALSE(empty.BuildTopology());
}

TEST(BuildTopology, CentreAndPlane)
{
    auto m = testmesh::Triangle();
    testmesh::Build(*m);
    const CPolyFace* f = m->objects[0]->faces[0];
    EXPECT_DOUBLE_EQ(f->centre.x, 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(f->centre.y, 1.0 / 3.0);
    // Counter-clockwise seen from +z: the normal points to +z.
    EXPECT_EQ(f->normal, (CVector3{0, 0, 1}));
    EXPECT_EQ(f->d, 0.0);
}

namespace {

// Twice the signed area of a triangle, measured along `normal`.
double SignedArea(const CVector3& a, const CVector3& b, const CVector3& c, const CVector3& normal)
{
    return (b - a).Cross(c - a).Dot(normal);
}

// Concave outlines of five and more corners, each with its reflex corner in
// every position (a fan from the first corner folds over for some of them).
std::vector<std::vector<CVector3>> ConcaveOutlines()
{
    const std::vector<std::vector<CVector3>> shapes = {
        {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {2, 1, 0}, {0, 3, 0}},            // dented pentagon
        {{0, 0, 0}, {3, 0, 0}, {3, 1, 0}, {1, 1, 0}, {1, 3, 0}, {0, 3, 0}}, // L
        {{0, 0, 0}, {5, 0, 0}, {5, 4, 0}, {4, 4, 0}, {2.5, 0.5, 0}, {1, 4, 0}, {0, 4, 0}},
    };
    std::vector<std::vector<CVector3>> out;
    for (const auto& shape : shapes) {
        for (size_t r = 0; r < shape.size(); ++r) {
            std::vector<CVector3> rotated(shape.begin() + r, shape.end());
            rotated.insert(rotated.end(), shape.begin(), shape.begin() + r);
            out.push_back(rotated);
            // Wound the other way, and tilted out of the xy plane.
            std::vector<CVector3> other(rotated.rbegin(), rotated.rend());
            for (CVector3& p : other)
                p = {p.x, 0.6 * p.y, 0.8 * p.y + 0.25 * p.x};
            out.push_back(other);
        }
    }
    return out;
}

} // namespace

TEST(BuildTopology, ConcavePolygonsAreCoveredOnceWithTheirOwnWinding)
{
    for (const auto& outline : ConcaveOutlines()) {
        ASSERT_FALSE(IsConvexOutline(outline));
        CPolyModel m;
        CPolyObject* o = m.AddObject();
        const CPolyFace* f = AddFace(o, outline);
        const std::vector<CPolyVertex*> own = CornerVertices(f);
        ASSERT_TRUE(m.BuildTopology());
        ExpectBuiltInvariants(m);
        const CVector3 normal = OutlineNormal(outline);
        double covered = 0.0;
        for (const CPolyFace* t : o->faces) {
            const CVector3& a = t->corners[0]->vertex->pos;
            const CVector3& b = t->corners[1]->vertex->pos;
            const CVector3& c = t->corners[2]->vertex->pos;
            // Every triangle turns the way the polygon does, so none folds over.
            const double area = SignedArea(a, b, c, normal);
            EXPECT_GT(area, 0.0);
            covered += area;
            for (const CFaceCorner* corner : t->corners)
                EXPECT_NE(std::find(own.begin(), own.end(), corner->vertex), own.end());
        }
        // A fold-over would count some of the area twice.
        EXPECT_NEAR(covered, normal.Dot(normal), 1e-9 * normal.Dot(normal));
        EXPECT_LE(o->faces.size(), outline.size() - 2);
    }
}

TEST(Tessellation, ConvexityOfOutlines)
{
    std::vector<CVector3> hexagon, star;
    for (int i = 0; i < 6; ++i)
        hexagon.push_back({std::cos(i * 1.0472), std::sin(i * 1.0472), 0.3});
    for (int i = 0; i < 5; ++i) // a pentagram turns the same way at every corner
        star.push_back({std::cos(i * 2.5133), std::sin(i * 2.5133), 0});
    EXPECT_TRUE(IsConvexOutline(hexagon));
    EXPECT_TRUE(IsConvexOutline({hexagon.rbegin(), hexagon.rend()}));
    EXPECT_FALSE(IsConvexOutline(star));
    EXPECT_FALSE(IsConvexOutline({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}})); // no area

    std::vector<std::array<int, 3>> triangles;
    EXPECT_TRUE(TessellatePolygon({{0, 0, 0}, {1, 0, 0}}, CVector3(), triangles));
    EXPECT_TRUE(triangles.empty());
}

namespace {

// Large outlines a sweep must fill: combs whose teeth run across and along
// the sweep, a spiral band, and stars with random and stepped radii, in
// various planes and windings.
std::vector<std::vector<CVector3>> LargeOutlines()
{
    std::vector<std::vector<CVector3>> out;
    for (const bool across : {true, false}) {
        std::vector<CVector3> comb;
        for (int i = 0; i < 1500; ++i) {
            const double tip = i % 2 ? 10.0 : 1.0;
            comb.push_back(across ? CVector3{tip, i * 1.0, 0} : CVector3{i * 1.0, tip, 0});
            comb.push_back(across ? CVector3{tip, i + 0.5, 0} : CVector3{i + 0.5, tip, 0});
        }
        comb.push_back(across ? CVector3{0, 1500, 0} : CVector3{1500, 0, 0});
        comb.push_back({0, 0, 0});
        if (!across)
            std::reverse(comb.begin(), comb.end());
        out.push_back(comb);
    }
    std::vector<CVector3> spiral, inner;
    for (int i = 0; i < 1200; ++i) {
        const double a = i * 0.02, r = 1.0 + 0.3 * a;
        spiral.push_back({r * std::cos(a), r * std::sin(a), 0});
        inner.push_back({(r - 0.2) * std::cos(a), (r - 0.2) * std::sin(a), 0});
    }
    spiral.insert(spiral.end(), inner.rbegin(), inner.rend());
    out.push_back(spiral);
    std::mt19937 random(7);
    for (int k = 0; k < 6; ++k) {
        const int n = 1000 + static_cast<int>(random() % 2000);
        std::vector<CVector3> star;
        for (int i = 0; i < n; ++i) {
            const double a = 2 * 3.141592653589793 * i / n;
            const double r = k % 2 ? 0.2 + (random() % 1000) / 1250.0 : (random() % 4 + 1) / 4.0;
            star.push_back({r * std::cos(a), r * std::sin(a), 0});
        }
        if (k % 3 == 1)
            std::reverse(star.begin(), star.end());
        if (k % 3 == 2)
            for (CVector3& p : star)
                p = {p.x, 0.6 * p.y, 0.8 * p.y + 0.25 * p.x};
        out.push_back(star);
    }
    return out;
}

} // namespace

TEST(Tessellation, LargeOutlinesAreCoveredOnceInSweepTime)
{
    for (const auto& outline : LargeOutlines()) {
        const CVector3 normal = OutlineNormal(outline);
        std::vector<std::array<int, 3>> triangles;
        TriangulateOutline(outline, triangles);
        ASSERT_EQ(triangles.size(), outline.size() - 2);
        std::vector<int> uses(outline.size(), 0);
        double covered = 0.0;
        for (const auto& t : triangles) {
            const double area = SignedArea(outline[t[0]], outline[t[1]], outline[t[2]], normal);
            EXPECT_GE(area, 0.0);
            covered += area;
            for (const int i : t)
                ++uses[static_cast<size_t>(i)];
        }
        EXPECT_NEAR(covered, normal.Dot(normal), 1e-9 * normal.Dot(normal));
        EXPECT_EQ(std::count(uses.begin(), uses.end(), 0), 0);
    }
    // A bow tie is no simple polygon: the sweep declines it and the
    // tessellator still fills it.
    std::vector<CVector3> bowTie;
    for (int i = 0; i <= 600; ++i)
        bowTie.push_back({i / 600.0, i / 600.0 + (i % 2) * 1e-3, 0});
    for (int i = 0; i <= 600; ++i)
        bowTie.push_back({i / 600.0, 1.0 - i / 600.0 + (i % 2) * 1e-3, 0});
    std::vector<std::array<int, 3>> triangles;
    EXPECT_FALSE(TriangulateBySweep(bowTie, OutlineNormal(bowTie), triangles));
    EXPECT_TRUE(triangles.empty());
    TriangulateOutline(bowTie, triangles);
    EXPECT_FALSE(triangles.empty());
}

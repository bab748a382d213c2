#include "support/SliceFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <set>

namespace {

double SignedArea(const PartTriangle& t)
{
    return 0.5 * ((t.v[1]->u - t.v[0]->u) * (t.v[2]->v - t.v[0]->v) -
                  (t.v[2]->u - t.v[0]->u) * (t.v[1]->v - t.v[0]->v));
}

double OutlineArea(const Spart& part)
{
    double a = 0.0;
    const auto& o = part.outline;
    for (size_t i = 0; i < o.size(); ++i) {
        const PartVertex& p = *o[i];
        const PartVertex& q = *o[(i + 1) % o.size()];
        a += p.u * q.v - q.u * p.v;
    }
    return 0.5 * a;
}

// Every triangle uses the part's own vertices, all non-degenerate triangles
// turn the same way, and together they cover exactly the outline's area.
void ExpectCovers(const Spart& part)
{
    std::set<const PartVertex*> own;
    for (const auto& pv : part.outline)
        own.insert(pv.get());
    double sum = 0.0;
    int positive = 0, negative = 0;
    for (const PartTriangle& t : part.triangles) {
        for (const PartVertex* v : t.v)
            ASSERT_TRUE(own.count(v)) << "triangle on a foreign vertex";
        const double a = SignedArea(t);
        sum += std::fabs(a);
        positive += a > 1e-12;
        negative += a < -1e-12;
    }
    EXPECT_TRUE(positive == 0 || negative == 0) << positive << " vs " << negative;
    EXPECT_NEAR(sum, std::fabs(OutlineArea(part)), 1e-9);
}

} // namespace

TEST(Triangulate, SquareGivesTwoTrianglesCoveringIt)
{
    CPolyModel model;
    CSlicePlane* s = slicefix::AddSlice(model, 2);
    Spart* part = slicefix::AddRect(s, 0, 0, 1, 1, false);
    ASSERT_EQ(part->triangles.size(), 2u);
    ExpectCovers(*part);
    // A closed outline repeats its first vertex: the fill may gain a
    // zero-area triangle on it but still covers the square exactly.
    Spart* closed = slicefix::AddRect(s, 0, 0, 1, 1, true);
    EXPECT_GE(closed->triangles.size(), 2u);
    ExpectCovers(*closed);
}

TEST(Triangulate, LShapeIsCoveredWithoutSpillingIntoTheNotch)
{
    CPolyModel model;
    CSlicePlane* s = slicefix::AddSlice(model, 0);
    s->parts.push_back(std::make_unique<Spart>(s));
    Spart& part = *s->parts.back();
    const double pts[6][2] = {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
    for (const auto& p : pts)
        part.AddVertex(p[0], p[1], 0, p[0], p[1]);
    part.Triangulate();
    EXPECT_EQ(part.triangles.size(), 4u);
    ExpectCovers(part); // area 3: a triangle across the notch would add to it
}

TEST(Triangulate, FewerThanThreeVerticesGiveNothingAndRepeatingReplaces)
{
    CPolyModel model;
    CSlicePlane* s = slicefix::AddSlice(model, 0);
    s->parts.push_back(std::make_unique<Spart>(s));
    Spart& part = *s->parts.back();
    part.Triangulate();
    EXPECT_TRUE(part.triangles.empty());
    part.AddVertex(0, 0, 0, 0, 0);
    part.AddVertex(1, 0, 0, 1, 0);
    part.Triangulate();
    EXPECT_TRUE(part.triangles.empty());
    part.AddVertex(1, 1, 0, 1, 1);
    part.AddVertex(0, 1, 0, 0, 1);
    part.Triangulate();
    part.Triangulate();
    EXPECT_EQ(part.triangles.size(), 2u);
    // Three collinear points enclose nothing.
    Spart* flat = slicefix::AddRect(s, 0, 0, 1, 0, false);
    double area = 0.0;
    for (const PartTriangle& t : flat->triangles)
        area += std::fabs(SignedArea(t));
    EXPECT_EQ(area, 0.0);
}

TEST(Triangulate, RandomStarShapesAreCoveredConsistently)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> radius(0.3, 1.0);
    CPolyModel model;
    CSlicePlane* s = slicefix::AddSlice(model, 1);
    for (int round = 0; round < 60; ++round) {
        s->parts.push_back(std::make_unique<Spart>(s));
        Spart& part = *s->parts.back();
        const int n = 3 + round * 3;
        const bool clockwise = round % 2 == 1;
        for (int i = 0; i < n; ++i) {
            const double a = (clockwise ? -1 : 1) * 2 * std::numbers::pi * i / n;
            const double r = radius(rng);
            part.AddVertex(0, 0, 0, 1 + r * std::cos(a), 1 + r * std::sin(a));
        }
        part.Triangulate();
        ASSERT_EQ(part.triangles.size(), static_cast<size_t>(n - 2)) << "round " << round;
        ExpectCovers(part);
    }
}

TEST(Triangulate, SelfCrossingOutlineDoesNotInventVertices)
{
    CPolyModel model;
    CSlicePlane* s = slicefix::AddSlice(model, 0);
    s->parts.push_back(std::make_unique<Spart>(s));
    Spart& bowtie = *s->parts.back();
    const double pts[4][2] = {{0, 0}, {1, 1}, {1, 0}, {0, 1}};
    for (const auto& p : pts)
        bowtie.AddVertex(p[0], p[1], 0, p[0], p[1]);
    bowtie.Triangulate();
    for (const PartTriangle& t : bowtie.triangles)
        for (const PartVertex* v : t.v)
            ASSERT_NE(v, nullptr);
    EXPECT_EQ(bowtie.outline.size(), 4u);
}

TEST(SliceBounds, CoverEveryPartVertexWithPadding)
{
    CPolyModel model;
    CSlicePlane* s = slicefix::AddSlice(model, 0);
    s->UpdatePartBounds();
    EXPECT_EQ(s->minU, kDoubleMax);
    EXPECT_EQ(s->maxV, -kDoubleMax);
    slicefix::AddRect(s, 0.5, 0.25, 1.0, 0.75);
    slicefix::AddRect(s, -0.5, 0.5, 0.0, 1.5);
    EXPECT_EQ(s->minU, -0.5);
    EXPECT_EQ(s->maxU, 1.0);
    EXPECT_EQ(s->minV, 0.25);
    EXPECT_EQ(s->maxV, 1.5);
    EXPECT_DOUBLE_EQ(s->paddedWidth, 1.5 + 0.2);
    EXPECT_DOUBLE_EQ(s->paddedHeight, 1.25 + 0.2);
}

TEST(SliceBounds, RemovingMarkedPartsShrinksToTheRestOrKeepsTheLastBounds)
{
    CPolyModel model;
    CSlicePlane* s = slicefix::AddSlice(model, 0);
    Spart* a = slicefix::AddRect(s, 0, 0, 1, 1);
    Spart* b = slicefix::AddRect(s, 2, 2, 3, 4);
    Spart* c = slicefix::AddRect(s, 0.5, 0.5, 0.7, 0.6);
    EXPECT_EQ(s->RemoveMarkedParts(), 0);
    ASSERT_EQ(s->parts.size(), 3u);

    b->marked = true;
    EXPECT_EQ(s->RemoveMarkedParts(), 1);
    ASSERT_EQ(s->parts.size(), 2u);
    EXPECT_EQ(s->parts[0].get(), a); // order kept
    EXPECT_EQ(s->parts[1].get(), c);
    EXPECT_EQ(s->maxU, 1.0);
    EXPECT_EQ(s->maxV, 1.0);
    EXPECT_DOUBLE_EQ(s->paddedWidth, 1.2);
    EXPECT_DOUBLE_EQ(s->paddedHeight, 1.2);

    a->marked = c->marked = true;
    EXPECT_EQ(s->RemoveMarkedParts(), 2);
    EXPECT_TRUE(s->parts.empty());
    EXPECT_EQ(s->maxU, 1.0); // left as they were
    EXPECT_DOUBLE_EQ(s->paddedWidth, 1.2);
}

class DeleteParts : public ::testing::Test {
protected:
    void SetUp() override
    {
        a = slicefix::AddSlice(model, 0);
        b = slicefix::AddSlice(model, 2);
        reflection = slicefix::AddSlice(model, 1);
        model.currentPlane = reflection;
        a1 = slicefix::AddRect(a, 0, 0, 1, 1);
        a2 = slicefix::AddRect(a, 2, 0, 3, 1);
        slicefix::AddRect(b, 0, 0, 2, 2);
        // a's line 1 pairs b's line 3, a's line 2 has no partner, b's line 4
        // pairs nothing either.
        slicefix::AddLine(a, 1, 3);
        slicefix::AddLine(a, 2, 4);
        slicefix::AddLine(b, 3, 1);
        slicefix::AddLine(b, 4, 4);
        PairIntersectionLines(model, 4);
    }
    CPolyModel model;
    CSlicePlane *a = nullptr, *b = nullptr, *reflection = nullptr;
    Spart *a1 = nullptr, *a2 = nullptr;
};

TEST_F(DeleteParts, PairingLinksOnlyMutualDistinctLines)
{
    EXPECT_EQ(a->lines[0]->partner, b->lines[0].get());
    EXPECT_EQ(b->lines[0]->partner, a->lines[0].get());
    EXPECT_EQ(a->lines[1]->partner, nullptr); // names 4, which names itself
    EXPECT_EQ(b->lines[1]->partner, nullptr); // self reference
}

TEST_F(DeleteParts, NothingMarkedRemovesNothingButStillAsksForRedraw)
{
    EXPECT_FALSE(DeleteMarkedParts(nullptr));
    EXPECT_FALSE(DeleteMarkedParts(&model)); // nothing picked
    model.pickedPlane = a;
    a->minU = -7; // stale bounds are recomputed
    EXPECT_TRUE(DeleteMarkedParts(&model));
    EXPECT_EQ(a->parts.size(), 2u);
    EXPECT_EQ(a->minU, 0.0);
    EXPECT_EQ(model.pickedPlane, a);
    EXPECT_EQ(model.planes.size(), 3u);
}

TEST_F(DeleteParts, LastPartTakesTheSliceItsLinesAndTheirPartners)
{
    model.pickedPlane = a;
    a1->marked = true;
    EXPECT_TRUE(DeleteMarkedParts(&model));
    EXPECT_TRUE(slicefix::Contains(model, a));
    EXPECT_EQ(a->parts.size(), 1u);
    EXPECT_EQ(a->minU, 2.0);

    a2->marked = true;
    EXPECT_TRUE(DeleteMarkedParts(&model));
    EXPECT_FALSE(slicefix::Contains(model, a));
    EXPECT_EQ(model.pickedPlane, nullptr);
    ASSERT_EQ(model.planes.size(), 2u);
    ASSERT_EQ(b->lines.size(), 1u); // the partner of line 1 is gone
    EXPECT_EQ(b->lines[0]->id, 4);
    EXPECT_EQ(model.currentPlane, reflection);
}

TEST_F(DeleteParts, OneSidedReferencesNeverDangleAfterDeletion)
{
    // Line 5 on b names line 1 on a, which names line 3: not mutual.
    slicefix::AddLine(b, 5, 1);
    PairIntersectionLines(model, 5);
    EXPECT_EQ(b->lines[2]->partner, nullptr);
    // A partner link set by hand, not by pairing, is cut as well.
    b->lines[2]->partner = a->lines[1].get();
    model.pickedPlane = a;
    a1->marked = a2->marked = true;
    EXPECT_TRUE(DeleteMarkedParts(&model));
    for (const auto& plane : model.planes)
        for (const auto& line : plane->lines) {
            if (line->partner) {
                EXPECT_TRUE(slicefix::Contains(model, line->partner->owner));
            }
        }
    EXPECT_EQ(b->lines.size(), 2u);
    EXPECT_EQ(b->lines[1]->partner, nullptr);
}

TEST_F(DeleteParts, PartnersOnTheSameSliceGoWithIt)
{
    slicefix::AddLine(a, 5, 6);
    slicefix::AddLine(a, 6, 5);
    PairIntersectionLines(model, 6);
    ASSERT_EQ(a->lines[2]->partner, a->lines[3].get());
    model.pickedPlane = a;
    a1->marked = a2->marked = true;
    EXPECT_TRUE(DeleteMarkedParts(&model));
    EXPECT_FALSE(slicefix::Contains(model, a));
    EXPECT_EQ(b->lines.size(), 1u);
}

TEST_F(DeleteParts, TheReflectionPlaneIsNeverDeleted)
{
    model.pickedPlane = reflection;
    EXPECT_TRUE(DeleteMarkedParts(&model));
    EXPECT_TRUE(slicefix::Contains(model, reflection));
    EXPECT_EQ(model.currentPlane, reflection);
}

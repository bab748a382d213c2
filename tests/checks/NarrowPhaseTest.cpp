// The pair test on its own: contacts that must not count, and random pairs in
// general position against the overlap of the two triangles' chords.

#include "checks/CheckMeshes.h"
#include "checks/SelfIntersection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

using checkmesh::Add;

// Triangle 0 is the unit right triangle in z = 0; triangle 1 is (a, b, c).
bool HitsBase(const CVector3& a, const CVector3& b, const CVector3& c, CVector3* at = nullptr)
{
    CWorkingShape m;
    Add(m, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    Add(m, a, b, c);
    const bool forward = TrianglesIntersect(m, 0, 1, at);
    EXPECT_EQ(forward, TrianglesIntersect(m, 1, 0)); // order does not matter
    return forward;
}

TEST(NarrowPhase, CrossingsCount)
{
    CVector3 at;
    // An edge straight through the interior.
    EXPECT_TRUE(HitsBase({0.2, 0.2, -1}, {0.3, 0.2, 1}, {0.2, 0.3, 1}, &at));
    EXPECT_NEAR(at.z, 0.0, 1e-15);
    EXPECT_NEAR(at.x, 0.25, 1e-15);
    // The base's edge through the other's interior (the other is much larger).
    EXPECT_TRUE(HitsBase({0.5, -5, -1}, {0.5, 5, -1}, {0.5, 0, 5}));
    // A vertex on the plane inside the base, its other corners on both sides.
    EXPECT_TRUE(HitsBase({0.2, 0.2, 0}, {0.3, 0.25, 1}, {0.25, 0.3, -1}));
    // Just deeper than the tolerance, and just farther inside than it.
    EXPECT_TRUE(HitsBase({0.2, 0.2, -0.0002}, {0.3, 0.2, 1}, {0.2, 0.3, 1}));
    EXPECT_TRUE(HitsBase({0.0002, 0.5, -1}, {0.0002, 0.5, 1}, {0.0002, 0.6, 1}));
}

TEST(NarrowPhase, ContactsDoNotCount)
{
    // A corner resting on the interior from above.
    EXPECT_FALSE(HitsBase({0.2, 0.2, 0}, {0.3, 0.2, 1}, {0.2, 0.3, 1}));
    // Resting a rounding error below it, or sunk by less than the tolerance.
    EXPECT_FALSE(HitsBase({0.2, 0.2, -1e-15}, {0.3, 0.2, 1}, {0.2, 0.3, 1}));
    EXPECT_FALSE(HitsBase({0.2, 0.2, -0.00005}, {0.3, 0.2, 1}, {0.2, 0.3, 1}));
    // A fin standing on the base along a line through its interior.
    EXPECT_FALSE(HitsBase({0.1, 0.1, 0}, {0.6, 0.2, 0}, {0.3, 0.2, 1}));
    // An edge through the base's border, and one within the tolerance of it.
    EXPECT_FALSE(HitsBase({0.5, 0.0, -1}, {0.6, 0.0, 1}, {0.5, -0.1, 1}));
    EXPECT_FALSE(HitsBase({0.5, 0.00005, -1}, {0.6, 0.00005, 1}, {0.5, -0.1, 1}));
    EXPECT_TRUE(HitsBase({0.5, 0.0002, -1}, {0.6, 0.0002, 1}, {0.5, -0.1, 1}));
    // Through the plane beside the base.
    EXPECT_FALSE(HitsBase({0.8, 0.8, -1}, {0.9, 0.8, 1}, {0.8, 0.9, 1}));
    // A neighbour across a crease, folded right through the base: a shared
    // corner (here within the tolerance of the base's) means a crease.
    EXPECT_FALSE(HitsBase({1.00005, 0, 0}, {0, 1, 0}, {0.1, 0.1, -1}));
    EXPECT_FALSE(HitsBase({0, 0, 0}, {0.5, 0.5, 1}, {0.5, 0.4, -1}));
    // Layers in one plane, overlapping, also within the tolerance of it.
    EXPECT_FALSE(HitsBase({0.2, 0.2, 0}, {2, 0.2, 0}, {0.2, 2, 0}));
    EXPECT_FALSE(HitsBase({0.2, 0.2, 0.00009}, {2, 0.2, -0.00009}, {0.2, 2, 0}));
    // A triangle without area through the base.
    EXPECT_FALSE(HitsBase({0.2, 0.2, -1}, {0.2, 0.2, 0}, {0.2, 0.2, 1}));
}

// Signed distance of p from the plane of triangle t.
double Side(const CWorkingShape& m, size_t t, const CVector3& p)
{
    return m.tri[t].normal.Dot(p) + m.tri[t].d;
}

// Where triangle t meets the plane of triangle o, as an interval of
// parameters along the direction dir; false when it does not meet it in a
// segment (a corner too near the plane to tell).
bool Chord(const CWorkingShape& m, size_t t, size_t o, const CVector3& dir, double& lo, double& hi)
{
    double d[3];
    for (int j = 0; j < 3; ++j) {
        d[j] = Side(m, o, m.Pos(t, j));
        if (std::fabs(d[j]) < 1e-3)
            return false;
    }
    lo = INFINITY, hi = -INFINITY;
    for (int j = 0; j < 3; ++j) {
        const int k = (j + 1) % 3;
        if ((d[j] > 0) == (d[k] > 0))
            continue;
        const CVector3 x = m.Pos(t, j) + (m.Pos(t, k) - m.Pos(t, j)) * (d[j] / (d[j] - d[k]));
        lo = std::min(lo, x.Dot(dir));
        hi = std::max(hi, x.Dot(dir));
    }
    return lo <= hi;
}

TEST(NarrowPhase, RandomPairsAgreeWithTheOverlapOfTheirChords)
{
    // Two triangles in general position meet in a segment of the line where
    // their planes meet: the overlap of the pieces of that line inside each.
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    int decided = 0, hits = 0;
    for (int round = 0; round < 20000; ++round) {
        CWorkingShape m;
        for (int t = 0; t < 2; ++t) {
            CVector3 p[3];
            for (CVector3& q : p)
                q = {unit(rng), unit(rng), unit(rng)};
            Add(m, p[0], p[1], p[2]);
        }
        CVector3 dir = m.tri[0].normal.Cross(m.tri[1].normal);
        if (dir.Length() < 0.2)
            continue; // nearly parallel: the tolerance decides, not the chords
        dir.Normalize();
        bool expect = false;
        double a0 = 0.0, a1 = 0.0, b0 = 0.0, b1 = 0.0;
        const bool meetA = Chord(m, 0, 1, dir, a0, a1);
        const bool meetB = Chord(m, 1, 0, dir, b0, b1);
        const bool apart = [&] {
            double da[3], db[3];
            for (int j = 0; j < 3; ++j)
                da[j] = Side(m, 1, m.Pos(0, j)), db[j] = Side(m, 0, m.Pos(1, j));
            auto oneSide = [](const double* d) {
                return (d[0] > 1e-3 && d[1] > 1e-3 && d[2] > 1e-3) ||
                       (d[0] < -1e-3 && d[1] < -1e-3 && d[2] < -1e-3);
            };
            return oneSide(da) || oneSide(db);
        }();
        if (apart) {
            expect = false;
        } else if (meetA && meetB) {
            const double overlap = std::min(a1, b1) - std::max(a0, b0);
            if (std::fabs(overlap) < 0.01)
                continue; // touching, within what the chords can tell
            expect = overlap > 0;
        } else {
            continue;
        }
        ++decided;
        hits += expect;
        CVector3 at;
        ASSERT_EQ(TrianglesIntersect(m, 0, 1, &at), expect) << round;
        if (expect) {
            EXPECT_LT(std::fabs(Side(m, 0, at)), 1e-9);
            EXPECT_LT(std::fabs(Side(m, 1, at)), 1e-9);
        }
    }
    // Enough of both kinds were decided for the comparison to mean something.
    EXPECT_GT(hits, 1000);
    EXPECT_GT(decided - hits, 1000);
}

} // namespace

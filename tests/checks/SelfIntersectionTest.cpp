// The self-intersection check on folded forms and against an all-pairs oracle.

#include "checks/SelfIntersection.h"
#include "checks/CheckMeshes.h"
#include "checks/TrianglePair.h"
#include "support/Meshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

using checkmesh::Add;

// Whether triangle a's edge lies in b's plane with a neighbour across it on
// the other side of that plane: every other triangle with an interior
// searched for the edge.
bool CrossesAlongEdge(const CWorkingShape& m, size_t a, size_t b, CVector3& at)
{
    int edge = 0, side = 0;
    const CTriangleData &ta = m.tri[a], &tb = m.tri[b];
    if (!TriangleHasPlane(ta) || !TriangleHasPlane(tb) ||
        !EdgeAlongTriangle(&m.pos[3 * a], &m.pos[3 * b], tb.normal, tb.d, ta.normal, ta.d, edge,
                           side, at))
        return false;
    const CVector3 p = m.Pos(a, edge), q = m.Pos(a, (edge + 1) % 3);
    for (size_t t = 0; t < m.TriangleCount(); ++t)
        for (int j = 0; j < 3 && t != a && TriangleHasPlane(m.tri[t]); ++j) {
            const CVector3 &s = m.Pos(t, j), &e = m.Pos(t, (j + 1) % 3);
            if (!((s == p && e == q) || (s == q && e == p)))
                continue;
            const double d = tb.normal.Dot(m.Pos(t, (j + 2) % 3)) + tb.d;
            if (std::fabs(d) > kDesignTolerance && (d > 0) != (side > 0))
                return true;
        }
    return false;
}

// Every pair the literal way: each unordered pair through the narrow phase,
// then through the edge rule both ways round.
std::vector<CIntersectingPair> AllPairs(const CWorkingShape& m)
{
    std::vector<CIntersectingPair> out;
    for (size_t a = 0; a < m.TriangleCount(); ++a)
        for (size_t b = a + 1; b < m.TriangleCount(); ++b) {
            CIntersectingPair p{uint32_t(a), uint32_t(b), {}};
            if (TrianglesIntersect(m, a, b, &p.at) || CrossesAlongEdge(m, a, b, p.at) ||
                CrossesAlongEdge(m, b, a, p.at))
                out.push_back(p);
        }
    return out;
}

void ExpectSamePairs(const std::vector<CIntersectingPair>& got,
                     const std::vector<CIntersectingPair>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].a, want[i].a) << i;
        EXPECT_EQ(got[i].b, want[i].b) << i;
        EXPECT_EQ(std::memcmp(&got[i].at, &want[i].at, sizeof(CVector3)), 0) << i;
    }
}

// The checker's result agrees with the oracle in pairs, points, count and flags.
void ExpectMatchesOracle(CSelfIntersectionCheck& check, const CWorkingShape& m)
{
    const std::vector<CIntersectingPair> want = AllPairs(m);
    EXPECT_EQ(check.Run(m), want.size());
    EXPECT_EQ(check.Count(), want.size());
    ExpectSamePairs(check.Pairs(), want);
    std::vector<uint8_t> flags(m.TriangleCount(), 0);
    for (const CIntersectingPair& p : want)
        flags[p.a] = flags[p.b] = 1;
    EXPECT_EQ(check.Flags(), flags);
}

constexpr auto Wave = testmesh::Wave<0.15, 5.0, 3.0>;

// A wavy sheet over [-1, 1]^2 whose part beyond x = 0.2 is mirrored through
// that plane: the flap lands on the sheet, and the waves cross it along lines.
CWorkingShape MirroredFlap(int side)
{
    CWorkingShape m;
    testmesh::AddSheet(m, side, side, -1.0, 1.0, -1.0, 1.0, [](double x, double y) {
        return x <= 0.2 ? CVector3{x, y, Wave(x, y)} : CVector3{0.4 - x, y, Wave(x, y)};
    });
    return m;
}

TEST(SelfIntersection, FlapPushedThroughASheetIsFound)
{
    CWorkingShape m;
    testmesh::AddSheet(m, 4, 4, 0.0, 1.0, 0.0, 1.0, checkmesh::Flat);
    const size_t sheet = m.TriangleCount();
    // An upright flap through the sheet along x = 0.3, reaching past it in y;
    // none of its corners or edges meets a sheet edge.
    testmesh::AddSheet(m, 1, 2, -0.13, 1.07, -0.2, 0.25, [](double y, double z) {
        return CVector3{0.3, y, z};
    });
    CSelfIntersectionCheck check;
    const size_t n = check.Run(m);
    EXPECT_GT(n, 0u);
    for (const CIntersectingPair& p : check.Pairs()) {
        EXPECT_LT(p.a, sheet); // one of the sheet, one of the flap
        EXPECT_GE(p.b, sheet);
        EXPECT_NEAR(p.at.z, 0.0, 1e-12);
        EXPECT_NEAR(p.at.x, 0.3, 1e-12);
    }
    // The flap's line crosses the interior of every sheet triangle of the
    // column 0.25 < x < 0.5, and of no other.
    for (size_t t = 0; t < sheet; ++t) {
        double lo = 1.0, hi = 0.0;
        for (int j = 0; j < 3; ++j)
            lo = std::min(lo, m.Pos(t, j).x), hi = std::max(hi, m.Pos(t, j).x);
        EXPECT_EQ(check.Flags()[t], lo < 0.3 && hi > 0.3) << t;
    }
    // The same flap lifted clear of the sheet touches nothing.
    for (size_t c = 3 * sheet; c < m.CornerCount(); ++c)
        m.pos[c].z += 0.25;
    for (size_t t = sheet; t < m.TriangleCount(); ++t)
        m.UpdatePlane(t);
    EXPECT_EQ(check.Run(m), 0u);
}

TEST(SelfIntersection, StackedLayersCreasesAndContactsAreNotCollisions)
{
    CSelfIntersectionCheck check;
    // A flat fold: the half beyond x = 0.5 laid back onto the other half, then
    // a third layer a hair above it (within the tolerance).
    CWorkingShape flat;
    testmesh::AddSheet(flat, 5, 6, 0.0, 1.0, 0.0, 1.0, [](double x, double y) {
        return CVector3{x <= 0.5 ? x : 1.0 - x, y, 0.0};
    });
    testmesh::AddSheet(flat, 3, 3, 0.1, 0.4, 0.1, 0.9, [](double x, double y) {
        return CVector3{x, y, 0.00005};
    });
    EXPECT_EQ(check.Run(flat), 0u);
    // Creases at right angles, and a smooth wavy sheet: only neighbours touch.
    CWorkingShape creased;
    testmesh::AddSheet(creased, 6, 6, 0.0, 1.0, 0.0, 1.0, [](double x, double y) {
        return x <= 0.5 ? CVector3{x, y, 0.0} : CVector3{0.5, y, x - 0.5};
    });
    testmesh::AddSheet(creased, 20, 20, 2.0, 3.0, 0.0, 1.0, [](double x, double y) {
        return CVector3{x, y, Wave(x, y)};
    });
    EXPECT_EQ(check.Run(creased), 0u);
    // The flap folded by 180 degrees about the crease and a little more: it
    // swings below the sheet and touches it only along the crease.
    CWorkingShape over;
    testmesh::AddSheet(over, 4, 8, 0.0, 1.0, 0.0, 1.0, [](double x, double y) {
        const double r = x - 0.5, a = 3.3;
        return x <= 0.5 ? CVector3{x, y, 0.0} : CVector3{0.5 + r * std::cos(a), y, r * std::sin(a)};
    });
    EXPECT_EQ(check.Run(over), 0u);
}

TEST(SelfIntersection, MirroredFlapOnAWavySheetMatchesTheOracle)
{
    const CWorkingShape m = MirroredFlap(24);
    CSelfIntersectionCheck check;
    ExpectMatchesOracle(check, m);
    EXPECT_GT(check.Count(), 20u);
    for (const CIntersectingPair& p : check.Pairs()) {
        // The point lies on both triangles' planes.
        for (uint32_t t : {p.a, p.b})
            EXPECT_LT(std::fabs(m.tri[t].normal.Dot(p.at) + m.tri[t].d), 1e-9);
    }
}

// Random triangle soups: many crossings, plus the cases the check must skip
// (copies moved within their plane, triangles sharing a corner with another,
// triangles without area).
CWorkingShape RandomSoup(std::mt19937& rng, int count, double size)
{
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    auto point = [&] { return CVector3{unit(rng), unit(rng), unit(rng)}; };
    CWorkingShape m;
    for (int i = 0; i < count; ++i) {
        const CVector3 c = point();
        const int kind = static_cast<int>(rng() % 8);
        if (kind == 0 && m.TriangleCount() > 0) {
            // A copy of an earlier triangle slid within its plane.
            const size_t t = rng() % m.TriangleCount();
            const CVector3 n = m.tri[t].normal;
            CVector3 s = point().Cross(n) * (0.3 * size);
            Add(m, m.Pos(t, 0) + s, m.Pos(t, 1) + s, m.Pos(t, 2) + s);
        } else if (kind == 1 && m.TriangleCount() > 0) {
            // A triangle on an earlier triangle's corner.
            const CVector3 p = m.Pos(rng() % m.TriangleCount(), 0);
            Add(m, p, p + point() * size, p + point() * size);
        } else if (kind == 2) {
            Add(m, c, c + CVector3{size, 0, 0}, c + CVector3{2 * size, 0, 0});
        } else {
            Add(m, c + point() * size, c + point() * size, c + point() * size);
        }
    }
    return m;
}

TEST(SelfIntersection, RandomSoupsMatchTheAllPairsOracle)
{
    std::mt19937 rng(7);
    CSelfIntersectionCheck check; // one checker: buffers carried from run to run
    for (int round = 0; round < 30; ++round) {
        const int count = 2 + static_cast<int>(rng() % 400);
        CWorkingShape m = RandomSoup(rng, count, round % 2 ? 0.3 : 0.08);
        if (round % 3 == 2) {
            // Far from the origin and large: floats no longer resolve the tolerance there.
            for (CVector3& p : m.pos)
                p = p * 900.0 + CVector3{5000.0, -3000.0, 70.0};
            for (size_t t = 0; t < m.TriangleCount(); ++t)
                m.UpdatePlane(t);
        }
        SCOPED_TRACE(round);
        ExpectMatchesOracle(check, m);
    }
}

// A step's result, taken against the base, equals a full run on the stepped mesh.
void ExpectStepMatchesRun(CSelfIntersectionCheck& step, const CWorkingShape& m)
{
    CSelfIntersectionCheck full;
    EXPECT_EQ(step.Step(m), full.Run(m));
    ExpectSamePairs(step.Pairs(), full.Pairs());
    EXPECT_EQ(step.Flags(), full.Flags());
}

TEST(SelfIntersection, SurfacesCrossingAlongAnEdgeCount)
{
    // A unit square split along its diagonal, pierced by an upright square
    // (split along its own diagonal) standing in the diagonal's plane: every
    // crossing lands on a border, yet each half crosses each half.
    CWorkingShape m;
    Add(m, {0, 0, 0}, {1, 0, 0}, {1, 1, 0});
    Add(m, {0, 0, 0}, {1, 1, 0}, {0, 1, 0});
    Add(m, {0, 0, -1}, {1, 1, -1}, {1, 1, 1});
    Add(m, {0, 0, -1}, {1, 1, 1}, {0, 0, 1});
    CSelfIntersectionCheck check;
    ExpectMatchesOracle(check, m);
    EXPECT_EQ(check.Count(), 4u);
    // The square folded up along the diagonal, both halves on one side of the
    // upright one: it only touches.
    m.pos[5] = {0.8, 0.2, 0.5};
    m.UpdatePlane(1);
    EXPECT_EQ(check.Run(m), 0u);
    // Both surfaces as sheets of many triangles, the crossing along a row of edges.
    CWorkingShape sheets;
    testmesh::AddSheet(sheets, 6, 6, 0.0, 1.0, 0.0, 1.0, checkmesh::Flat);
    testmesh::AddSheet(sheets, 3, 4, -0.05, 1.03, -0.5, 0.5, [](double x, double z) {
        return CVector3{x, 0.5, z + 0.01 * (x - 0.4)}; // tilted: no corner on the sheet
    });
    ExpectMatchesOracle(check, sheets);
    EXPECT_GT(check.Count(), 6u);
    // Stepped from there: the upright sheet raised, then the flat one raised.
    check.SetBase(sheets);
    const size_t flat = 72;
    for (size_t from : {flat, size_t(0)}) {
        for (size_t c = 3 * from; c < 3 * (from ? sheets.TriangleCount() : flat); ++c)
            sheets.pos[c].z += 0.1;
        for (size_t t = 0; t < sheets.TriangleCount(); ++t)
            sheets.UpdatePlane(t);
        ExpectStepMatchesRun(check, sheets);
        ExpectMatchesOracle(check, sheets);
        EXPECT_GT(check.Count(), 6u);
    }
}

TEST(SelfIntersection, FanIsNotPairedTriangleByTriangle)
{
    // Thin triangles round one corner, all meeting there; one triangle through
    // the fan away from the hub.
    CWorkingShape m;
    const int n = 1500;
    const double pi = std::acos(-1.0);
    for (int i = 0; i < n; ++i) {
        const double a0 = 2 * pi * i / n, a1 = 2 * pi * (i + 1) / n;
        Add(m, {0, 0, 0}, {std::cos(a0), std::sin(a0), 0.1 * std::sin(7 * a0)},
            {std::cos(a1), std::sin(a1), 0.1 * std::sin(7 * a1)});
    }
    Add(m, {0.5, 0.01, -1}, {0.51, 0.02, 1}, {0.49, 0.03, 1});
    CSelfIntersectionCheck check;
    ExpectMatchesOracle(check, m);
    EXPECT_GT(check.Count(), 0u);
    EXPECT_LT(check.CandidatePairs(), 2000u); // against a million pairs round the hub
}

// Takes out `count` triangles from `from` on, as a fold takes out the ones it splits.
void Erase(CWorkingShape& m, size_t from, size_t count)
{
    m.pos.erase(m.pos.begin() + 3 * from, m.pos.begin() + 3 * (from + count));
    m.corner.erase(m.corner.begin() + 3 * from, m.corner.begin() + 3 * (from + count));
    m.tri.erase(m.tri.begin() + from, m.tri.begin() + from + count);
}

TEST(SelfIntersection, StepsAgainstABaseMatchFullRuns)
{
    const CWorkingShape base = MirroredFlap(20);
    CSelfIntersectionCheck check;
    const size_t before = check.SetBase(base);
    EXPECT_GT(before, 0u);
    EXPECT_EQ(check.Step(base), before);
    EXPECT_EQ(check.MovedTriangles(), 0u);
    // Folds of a growing corner through the sheet (the moved part also
    // crosses itself and what stayed), with runs of triangles taken out and
    // new ones at the end; then a mesh cut short, then the base again.
    for (const auto& [cut, gone] : {std::pair{0.9, 0}, {0.5, 3}, {-0.2, 10}, {0.6, 150}}) {
        CWorkingShape m = base;
        size_t moved = 1; // the one added
        for (size_t t = 0; t < m.TriangleCount(); ++t) {
            if (m.Pos(t, 0).y < cut)
                continue;
            ++moved;
            for (int j = 0; j < 3; ++j) {
                CVector3& p = m.pos[3 * t + j];
                p = {p.x, cut - 0.3 * (p.y - cut), p.z + 0.4 * (p.y - cut)};
            }
            m.UpdatePlane(t);
        }
        Erase(m, 200, gone);
        Erase(m, 500, gone / 2);
        Add(m, {0.1, 0.1, -1}, {0.15, 0.1, 1}, {0.1, 0.15, 1});
        SCOPED_TRACE(cut);
        ExpectStepMatchesRun(check, m);
        // Found again within a look-up's distance after a long run taken out.
        EXPECT_LE(check.MovedTriangles(), moved + 64);
    }
    CWorkingShape shorter = base;
    Erase(shorter, shorter.TriangleCount() - 10, 10);
    ExpectStepMatchesRun(check, shorter);
    ExpectStepMatchesRun(check, base);
    check.ForgetBase();
    EXPECT_FALSE(check.HasBase());
    EXPECT_EQ(check.Step(base), before);
}

TEST(SelfIntersection, CapKeepsTheFirstPairsAndStillCountsAll)
{
    std::mt19937 rng(11);
    const CWorkingShape m = RandomSoup(rng, 300, 0.3);
    CSelfIntersectionCheck check;
    const size_t all = check.Run(m);
    ASSERT_GT(all, 10u);
    const std::vector<CIntersectingPair> full = check.Pairs();
    const std::vector<uint8_t> flags = check.Flags();
    for (size_t cap : {size_t(0), size_t(1), size_t(7), all, all + 5}) {
        EXPECT_EQ(check.Run(m, cap), all);
        const size_t kept = std::min(cap, all);
        ExpectSamePairs(check.Pairs(), {full.begin(), full.begin() + kept});
        EXPECT_EQ(check.Flags(), flags);
    }
    EXPECT_EQ(CountSelfIntersections(m), all);
    // A smaller mesh after a larger one: nothing of the larger is left over.
    CWorkingShape two;
    Add(two, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    Add(two, {0.2, 0.2, -1}, {0.3, 0.2, 1}, {0.2, 0.3, 1});
    EXPECT_EQ(check.Run(two), 1u);
    EXPECT_EQ(check.Flags(), (std::vector<uint8_t>{1, 1}));
    EXPECT_EQ(check.Run(CWorkingShape{}), 0u);
    EXPECT_TRUE(check.Pairs().empty() && check.Flags().empty());
}

} // namespace

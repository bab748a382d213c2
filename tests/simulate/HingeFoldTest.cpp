// The bar-and-hinge solver on patterns small enough to work out by hand.
#include "simulate/FoldSolver.h"
#include "simulate/Hinge.h"
#include "simulate/SimPattern.h"
#include "support/RecordingProgress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

CEdgeRecord Record(EdgeAssignment a, double fold = 0.0)
{
    CEdgeRecord r;
    r.assignment = a;
    r.foldAngle = fold;
    r.hasFoldAngle = a == EdgeAssignment::Mountain || a == EdgeAssignment::Valley;
    return r;
}

CSimPattern Pattern(const std::vector<CVector3>& paper, const std::vector<uint32_t>& tris,
                    const std::vector<CEdgeRecord>& records)
{
    CSimPattern p;
    std::string why;
    EXPECT_TRUE(BuildSimPatternFromRecords(paper, {}, tris, records, p, why)) << why;
    return p;
}

CVector3 Rotate(const CVector3& v, const CVector3& axis, double angle)
{
    // Rodrigues about a unit axis through the origin.
    return v * std::cos(angle) + axis.Cross(v) * std::sin(angle) +
           axis * (axis.Dot(v) * (1.0 - std::cos(angle)));
}

// The hinge angle of every inner edge at x, as the solver measures it.
std::vector<double> EdgeAngles(const CSimPattern& p, const std::vector<CVector3>& x)
{
    std::vector<double> out(p.edges.size(), 0.0);
    for (size_t i = 0; i < p.edges.size(); ++i) {
        const CSimEdge& e = p.edges[i];
        if (e.right < 0)
            continue;
        const auto third = [&](int32_t t) {
            for (int j = 0; j < 3; ++j)
                if (p.tris[3 * t + j] != e.a && p.tris[3 * t + j] != e.b)
                    return p.tris[3 * t + j];
            return e.a;
        };
        out[i] = HingeAngleOnly(x[e.a], x[e.b], x[third(e.left)], x[third(e.right)]) / kDeg;
    }
    return out;
}

// A degree-4 vertex at the origin, each sector one triangle out to radius 50.
struct Degree4 {
    CSimPattern pattern;
    std::vector<CVector3> folded; // on the rigid-folding path
};

Degree4 RigidDegree4(double foldDegrees)
{
    const double dirs[4] = {0.0, 70.0, 165.0, 260.0}; // no two sectors alike
    std::vector<CVector3> paper = {{0, 0, 0}};
    for (const double d : dirs)
        paper.push_back({50.0 * std::cos(d * kDeg), 50.0 * std::sin(d * kDeg), 0.0});
    Degree4 v;
    v.pattern = Pattern(paper, {0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 1},
                        std::vector<CEdgeRecord>(12, Record(EdgeAssignment::Flat)));
    // Sector 1-2 stays; 2-3 turns about crease 2 by the fold, 4-1 about
    // crease 1 by whatever keeps sector 3-4 its own angle.
    const CVector3 c1 = paper[1] * (1.0 / 50.0), c2 = paper[2] * (1.0 / 50.0);
    const CVector3 c3 = Rotate(paper[3] * (1.0 / 50.0), c2, foldDegrees * kDeg);
    const CVector3 c4 = paper[4] * (1.0 / 50.0);
    const double want = std::cos((dirs[3] - dirs[2]) * kDeg);
    const auto gap = [&](double b) { return c3.Dot(Rotate(c4, c1, b)) - want; };
    double best = 0.0, bestAbs = kDoubleMax;
    for (int k = -3600; k < 3600; ++k) {
        double lo = k * kPi / 3600.0, hi = (k + 1) * kPi / 3600.0;
        if ((gap(lo) > 0) == (gap(hi) > 0))
            continue;
        for (int i = 0; i < 80; ++i) {
            const double mid = 0.5 * (lo + hi);
            ((gap(mid) > 0) == (gap(lo) > 0) ? lo : hi) = mid;
        }
        if (std::fabs(lo) > 1e-6 && std::fabs(lo) < bestAbs) {
            bestAbs = std::fabs(lo);
            best = lo;
        }
    }
    v.folded = {{0, 0, 0}, paper[1], paper[2], c3 * 50.0, Rotate(c4, c1, best) * 50.0};
    const std::vector<double> angles = EdgeAngles(v.pattern, v.folded);
    for (size_t i = 0; i < v.pattern.edges.size(); ++i)
        if (v.pattern.edges[i].right >= 0) {
            v.pattern.edges[i].kind = SimEdgeKind::Crease;
            v.pattern.edges[i].target = angles[i];
        }
    return v;
}

} // namespace

TEST(HingeFold, OneHingeFoldsToItsAngle)
{
    const std::vector<CVector3> square = {{0, 0, 0}, {40, 0, 0}, {40, 40, 0}, {0, 40, 0}};
    for (const double target : {90.0, -135.0, 30.0}) {
        const CSimPattern p =
            Pattern(square, {0, 1, 2, 0, 2, 3},
                    {Record(EdgeAssignment::Boundary), Record(EdgeAssignment::Boundary),
                     Record(EdgeAssignment::Valley, target), Record(EdgeAssignment::None),
                     Record(EdgeAssignment::Boundary), Record(EdgeAssignment::Boundary)});
        CFoldSolver solver(p);
        // Every load step is told as it converges, on the way to the goal.
        std::vector<double> told;
        solver.SetStepListener([&](const CSimResult& step) {
            EXPECT_EQ(step.positions.size(), p.VertexCount());
            EXPECT_EQ(step.strain.size(), p.VertexCount());
            told.push_back(step.percent);
        });
        CSimResult r;
        ASSERT_TRUE(solver.SolveTo(100.0, FacetTargets::Design, nullptr, r));
        EXPECT_TRUE(r.converged);
        EXPECT_EQ(r.percent, 100.0);
        EXPECT_LT(r.angleErrorMax, 0.01);
        ASSERT_GT(told.size(), 1u);
        EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
        EXPECT_EQ(told.back(), 100.0);
        solver.SetStepListener(nullptr);
        const std::vector<double> angles = EdgeAngles(p, r.positions);
        for (size_t i = 0; i < angles.size(); ++i) {
            if (p.edges[i].kind == SimEdgeKind::Crease) {
                EXPECT_NEAR(angles[i], target, 0.01);
            }
        }
        EXPECT_LT(r.strainMax, 1e-6);
        // Half way is half the angle, reached from the solved state.
        ASSERT_TRUE(solver.SolveTo(50.0, FacetTargets::Design, nullptr, r));
        EXPECT_LT(r.angleErrorMax, 0.01);
    }
}

TEST(HingeFold, ASliderWorkingOneSpotKeepsTheWholeFold)
{
    const Degree4 v = RigidDegree4(60.0);
    CFoldSolver solver(v.pattern);
    CSimResult r;
    ASSERT_TRUE(solver.SolveTo(100.0, FacetTargets::Design, nullptr, r));
    // Far more stops round the middle than the solver keeps states.
    for (int k = 0; k < 60; ++k)
        ASSERT_TRUE(solver.SolveTo(45.0 + 0.1 * k, FacetTargets::Design, nullptr, r));
    // The whole fold is still solved: asking it again costs nothing.
    ASSERT_TRUE(solver.SolveTo(100.0, FacetTargets::Design, nullptr, r));
    EXPECT_EQ(r.iterations, 0);
    EXPECT_LT(r.angleErrorMax, 0.01);
}

TEST(HingeFold, Degree4VertexFollowsItsRigidPathAndOffPathIsReported)
{
    const Degree4 v = RigidDegree4(60.0);
    CFoldSolver solver(v.pattern);
    CSimResult r;
    ASSERT_TRUE(solver.SolveTo(100.0, FacetTargets::Design, nullptr, r));
    EXPECT_TRUE(r.converged);
    EXPECT_LT(r.angleErrorMax, 0.01);
    EXPECT_LT(r.strainMax, 1e-4);
    EXPECT_LT(r.offTargetFrom, 0.0);
    // Part of the way along the path is the same path at a smaller angle.
    ASSERT_TRUE(solver.SolveTo(40.0, FacetTargets::Design, nullptr, r));
    EXPECT_LT(r.strainMax, 1e-4);

    // Off the path: one crease asked for 15 degrees more than the others allow.
    Degree4 off = RigidDegree4(60.0);
    for (CSimEdge& e : off.pattern.edges)
        if (e.kind == SimEdgeKind::Crease) {
            e.target += 15.0;
            break;
        }
    CFoldSolver offSolver(off.pattern);
    ASSERT_TRUE(offSolver.SolveTo(100.0, FacetTargets::Design, nullptr, r));
    EXPECT_TRUE(r.converged);
    EXPECT_GT(r.angleErrorMax, 1.0);
    // The path says where it first left a crease off target.
    EXPECT_GT(r.offTargetFrom, 0.0);
    EXPECT_LE(r.offTargetFrom, 100.0);
    EXPECT_LT(r.strainMax, 5e-4);
}

TEST(HingeFold, ACutSplitsTheSheet)
{
    // Three squares in a row: the first seam cut, the second a valley of 90.
    const std::vector<CVector3> pts = {{0, 0, 0},  {10, 0, 0},  {20, 0, 0},  {30, 0, 0},
                                       {0, 10, 0}, {10, 10, 0}, {20, 10, 0}, {30, 10, 0}};
    std::vector<uint32_t> tris;
    for (uint32_t c = 0; c < 3; ++c)
        tris.insert(tris.end(), {c, c + 1, c + 5, c, c + 5, c + 4});
    std::vector<CEdgeRecord> records(tris.size());
    for (size_t k = 0; k < tris.size(); ++k) {
        const uint32_t a = tris[k], b = tris[k % 3 == 2 ? k - 2 : k + 1];
        if ((a == 1 && b == 5) || (a == 5 && b == 1))
            records[k] = Record(EdgeAssignment::Cut);
        else if ((a == 2 && b == 6) || (a == 6 && b == 2))
            records[k] = Record(EdgeAssignment::Valley, 90.0);
        else
            records[k] = CEdgeRecord{};
    }
    const CSimPattern p = Pattern(pts, tris, records);
    ASSERT_EQ(p.VertexCount(), 10u); // 1 and 5 have a copy on each side
    ASSERT_EQ(p.sourceOf.size(), 2u);
    size_t hinges = 0, creases = 0;
    for (const CSimEdge& e : p.edges) {
        hinges += e.right >= 0;
        creases += e.kind == SimEdgeKind::Crease;
    }
    EXPECT_EQ(hinges, 4u); // three diagonals and the crease: the cut is no hinge
    EXPECT_EQ(creases, 1u);
    CFoldSolver solver(p);
    CSimResult r;
    ASSERT_TRUE(solver.SolveTo(100.0, FacetTargets::Paper, nullptr, r));
    EXPECT_TRUE(r.converged);
    EXPECT_LT(r.angleErrorMax, 0.01);
    // The left square is a piece of its own: held, so it lies as it was.
    for (int v : {0, 4})
        EXPECT_EQ(r.positions[v].z, 0.0);
}

TEST(HingeFold, FlatFoldsWithAFoldAcrossThemGetThereOnSofterBars)
{
    // Two columns of squares: an accordion of flat folds between the rows,
    // and the middle line across them folded by 90, one way or the other
    // as each layer lies. The folds cannot all start at once on stiff
    // paper: the stiff path is stuck before the goal.
    const uint32_t rows = 3;
    std::vector<CVector3> pts;
    for (uint32_t y = 0; y <= rows; ++y)
        for (int x = 0; x <= 2; ++x)
            pts.push_back({20.0 * x, 20.0 * y, 0.0});
    std::vector<uint32_t> tris;
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t x = 0; x < 2; ++x) {
            const uint32_t a = 3 * y + x;
            tris.insert(tris.end(), {a, a + 1, a + 4, a, a + 4, a + 3});
        }
    std::vector<CEdgeRecord> records(tris.size());
    for (size_t k = 0; k < tris.size(); ++k) {
        const uint32_t a = std::min(tris[k], tris[k % 3 == 2 ? k - 2 : k + 1]);
        const uint32_t b = std::max(tris[k], tris[k % 3 == 2 ? k - 2 : k + 1]);
        const bool even = (a / 3) % 2 == 0;
        if (b == a + 1 && a % 3 != 2 && a / 3 > 0 && a / 3 < rows)
            records[k] = even ? Record(EdgeAssignment::Valley, 180.0)
                              : Record(EdgeAssignment::Mountain, -180.0);
        else if (a % 3 == 1 && b == a + 3)
            records[k] = even ? Record(EdgeAssignment::Valley, 90.0)
                              : Record(EdgeAssignment::Mountain, -90.0);
    }
    const CSimPattern p = Pattern(pts, tris, records);
    CFoldSolver solver(p);
    CSimResult r;
    ASSERT_TRUE(solver.SolveTo(100.0, FacetTargets::Design, nullptr, r));
    EXPECT_TRUE(r.converged);
    EXPECT_GT(r.relaxedFrom, 0.0);
    EXPECT_LT(r.relaxedFrom, 100.0);
    EXPECT_LT(r.angleErrorMax, 0.01);
    EXPECT_LT(r.strainMax, 1e-6);
    // Every frame of the way converges too, those past where the stiff path
    // stuck reached from the whole fold or on softer bars.
    for (int percent = 5; percent < 100; percent += 10) {
        ASSERT_TRUE(solver.SolveTo(percent, FacetTargets::Design, nullptr, r));
        EXPECT_TRUE(r.converged) << percent;
        EXPECT_NEAR(r.percent, percent, 1e-9);
    }
}

TEST(HingeFold, CancelLeavesNothingBehind)
{
    const Degree4 v = RigidDegree4(60.0);
    CFoldSolver solver(v.pattern);
    RecordingProgress progress;
    progress.cancelAfterPumps = 2;
    CSimResult r;
    EXPECT_FALSE(solver.SolveTo(100.0, FacetTargets::Design, &progress, r));
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.positions.empty());
    EXPECT_EQ(solver.SolvedStates(), 1u); // the flat sheet alone
    EXPECT_EQ(progress.begins, progress.ends);
    // And the solver still folds as if nothing had happened.
    ASSERT_TRUE(solver.SolveTo(100.0, FacetTargets::Design, nullptr, r));
    EXPECT_LT(r.angleErrorMax, 0.01);
}

// The paper edge-length check on a sheet whose paper is known.

#include "checks/PaperCheck.h"
#include "checks/CheckMeshes.h"
#include "paper/PaperOverlap.h"
#include "support/Meshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TEST(PaperCheck, FoldedSheetMatchesItsPaperUntilAPaperPointMoves)
{
    // A 3 x 4 sheet of 60 x 40 mm, folded by 90 degrees at x = 30 mm and scaled
    // into unit coordinates as the open routine does (unit = mm / 30).
    const double unitScale = 30.0;
    CWorkingShape m;
    testmesh::AddSheet(m, 3, 4, 0.0, 60.0, 0.0, 40.0, [&](double x, double y) {
        const CVector3 form = x <= 30.0 ? CVector3{x, y, 0} : CVector3{30.0, y, x - 30.0};
        return form * (1.0 / unitScale);
    });
    // Paper points: the sheet as laid flat, corner by corner in the same order.
    for (size_t t = 0; t < m.TriangleCount(); ++t)
        for (int j = 0; j < 3; ++j) {
            const CVector3 p = m.Pos(t, j) * unitScale;
            const double x = p.z > 0 ? 30.0 + p.z : p.x;
            m.corner[3 * t + j].paper = {x, p.y};
        }
    CPaperEdgeDifference d = LargestPaperEdgeDifference(m, unitScale);
    EXPECT_EQ(d.edges, 3 * m.TriangleCount());
    EXPECT_LT(d.largest, 1e-12);
    // One paper point off by 0.5 mm along its triangle's first edge.
    m.corner[3 * 7 + 1].paper.u += 0.5;
    d = LargestPaperEdgeDifference(m, unitScale);
    EXPECT_EQ(d.triangle, 7u);
    EXPECT_GT(d.largest, 0.25);
    EXPECT_LE(d.largest, 0.5 + 1e-12);
    // A corner at NaN is reported, not skipped.
    m.pos[3 * 9 + 2].x = NAN;
    d = LargestPaperEdgeDifference(m, unitScale);
    EXPECT_TRUE(std::isinf(d.largest));
    EXPECT_EQ(d.triangle, 9u);
    EXPECT_EQ(d.edge, 1);
    EXPECT_EQ(LargestPaperEdgeDifference(CWorkingShape{}, 1.0).edges, 0u);
}

} // namespace

TEST(PaperOverlap, LargeLayoutsAgreeWithEveryPairTried)
{
    // Six hundred large triangles strewn over a square, and enough slivers
    // without area to make the grid fine: each large one covers thousands of
    // cells, so the search runs in several bands of columns.
    std::mt19937 random(3);
    std::uniform_real_distribution<double> at(0.0, 10.0), turn(0.0, 6.283185307179586);
    std::vector<CPaperPoint> corner;
    const int large = 600;
    for (int t = 0; t < large; ++t) {
        const double u = at(random), v = at(random), a = turn(random);
        corner.push_back({u, v});
        corner.push_back({u + std::cos(a), v + std::sin(a)});
        corner.push_back({u + std::cos(a + 1.2) * 0.8, v + std::sin(a + 1.2) * 0.8});
    }
    for (int t = 0; t < 100000; ++t) {
        const double u = at(random), v = at(random);
        corner.push_back({u, v});
        corner.push_back({u + 0.002, v});
        corner.push_back({u + 0.001, v});
    }
    std::vector<std::pair<uint32_t, uint32_t>> pairs, expected;
    FindPaperOverlaps(corner, {}, pairs);
    for (uint32_t a = 0; a < large; ++a)
        for (uint32_t b = a + 1; b < large; ++b)
            if (PaperTrianglesOverlap(&corner[3 * a], &corner[3 * b]))
                expected.push_back({a, b});
    ASSERT_GT(expected.size(), 100u);
    EXPECT_EQ(pairs, expected);
}

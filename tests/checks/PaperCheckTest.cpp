// The paper edge-length check on a sheet whose paper is known.

#include "checks/PaperCheck.h"
#include "checks/CheckMeshes.h"
#include "support/Meshes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(PaperCheck, FoldedSheetMatchesItsPaperUntilAPaperPointMoves)
{
    // A 3 x 4 sheet of 60 x 40 mm, folded by 90 degrees at x = 30 mm and scaled
    // into unit coordinates as the open routine does (unit = mm / 30).
    const double unitScale = 30.0;
    CFlatMesh m;
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
    EXPECT_EQ(LargestPaperEdgeDifference(CFlatMesh{}, 1.0).edges, 0u);
}

} // namespace

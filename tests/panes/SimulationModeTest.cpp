// The design view's simulation mode without a window: asks answered on the
// worker, the newest ask winning, Play there and back, and leaving mid-solve.

#include "panes/SimulationMode.h"

#include "import/ModelFile.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

// A 100 mm square creased along its diagonal as a valley of 90 degrees.
std::unique_ptr<CPolyModel> CreasedSquare()
{
    const std::string path = testfiles::WriteScratch("creased-square.fold", R"({
  "file_spec": 1.1, "frame_classes": ["creasePattern"],
  "vertices_coords": [[0,0],[100,0],[100,100],[0,100]],
  "faces_vertices": [[0,1,2],[0,2,3]],
  "edges_vertices": [[0,1],[1,2],[2,3],[3,0],[0,2]],
  "edges_assignment": ["B","B","B","B","V"],
  "edges_foldAngle": [0,0,0,0,90]
})");
    OpenOutcome out = OpenModel(path, nullptr, {});
    EXPECT_TRUE(out.model) << out.message;
    return std::move(out.model);
}

// The angle between the two triangles' normals, degrees.
double FoldOf(const CSimulationMode& sim)
{
    const std::vector<CVector3>& p = sim.ShownPositions();
    const std::vector<uint32_t>& t = sim.Pattern().tris;
    CVector3 n[2];
    for (int f = 0; f < 2; ++f) {
        n[f] = (p[t[3 * f + 1]] - p[t[3 * f]]).Cross(p[t[3 * f + 2]] - p[t[3 * f]]);
        n[f].Normalize();
    }
    return std::acos(std::clamp(n[0].Dot(n[1]), -1.0, 1.0)) * 180.0 / 3.14159265358979;
}

} // namespace

TEST(SimulationMode, AsksAreSolvedBesideTheCallerAndTheNewestWins)
{
    auto model = CreasedSquare();
    ASSERT_TRUE(model);
    CSimulationMode sim;
    std::string why;
    ASSERT_TRUE(sim.Begin(*model, why)) << why;
    EXPECT_TRUE(sim.Active());
    sim.Finish();
    ASSERT_TRUE(sim.Result());
    EXPECT_TRUE(sim.Result()->converged);
    EXPECT_DOUBLE_EQ(sim.Result()->percent, 100.0);
    ASSERT_EQ(sim.ShownPositions().size(), sim.Pattern().VertexCount());
    EXPECT_NEAR(FoldOf(sim), 90.0, 0.1);

    // Two asks before the first is taken: the second is what shows.
    sim.Request(70.0, FacetTargets::Design);
    sim.Request(40.0, FacetTargets::Design);
    sim.Finish();
    EXPECT_FALSE(sim.Busy());
    EXPECT_DOUBLE_EQ(sim.Result()->percent, 40.0);
    EXPECT_NEAR(FoldOf(sim), 36.0, 0.1);

    // Play goes up to 100% and back down to flat, then stops.
    sim.Play(25.0);
    EXPECT_TRUE(sim.Playing());
    double highest = 0.0;
    while (sim.Busy()) {
        if (sim.Collect())
            highest = std::max(highest, sim.Result()->percent);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_DOUBLE_EQ(highest, 100.0);
    EXPECT_FALSE(sim.Playing());
    EXPECT_DOUBLE_EQ(sim.Result()->percent, 0.0);
    EXPECT_NEAR(FoldOf(sim), 0.0, 0.1);

    // Leaving while a solve runs waits for it and keeps nothing.
    sim.Request(100.0, FacetTargets::Paper);
    sim.End();
    EXPECT_FALSE(sim.Active());
    EXPECT_FALSE(sim.Result());
    EXPECT_TRUE(sim.ShownPositions().empty());
}

TEST(SimulationMode, AModelWithoutASheetIsRefused)
{
    CPolyModel empty;
    CSimulationMode sim;
    std::string why;
    EXPECT_FALSE(sim.Begin(empty, why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(sim.Active());
}

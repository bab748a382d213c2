// Runs lintoro-cli simulate on designs made by sheet and fold, and on other
// programs' crease patterns, and checks what it prints and writes.

#include "CliRunner.h"
#include "import/LoaderFOLD.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// The numbers after `key` on its line of `out` (at most 2); false when absent.
bool Figures(const std::string& out, const std::string& key, double& a, double& b)
{
    const size_t at = out.find(key);
    return at != std::string::npos &&
           std::sscanf(out.c_str() + at + key.size(), "%lf%% max %lf", &a, &b) >= 1;
}

size_t CountLines(const std::string& text, const std::string& start)
{
    size_t n = 0;
    for (size_t at = 0; (at = text.find("\n" + start, at)) != std::string::npos; ++at)
        ++n;
    return n;
}

} // namespace

TEST(SimulateCommand, AFoldedSheetFoldsBackToItsDesign)
{
    // 2048 triangles bent round a cylinder, folded once along a curved crease.
    const std::string sheet = testfiles::ScratchDir() + "/sim-sheet.obj";
    const std::string design = testfiles::ScratchDir() + "/sim-design.fold";
    ASSERT_EQ(
        Cli("sheet --width 100 --cells 32 --bend cylinder --angle 60 -o " + Quote(sheet)).status,
        0);
    ASSERT_EQ(Cli("fold " + Quote(sheet) + " -o " + Quote(sheet + ".out.obj") +
                  " --select -1,-1,0 --drag-by 0.5,0.2,0.6 --crease-pattern " + Quote(design))
                  .status,
              0);
    const std::string obj = testfiles::ScratchDir() + "/sim-out.obj";
    const std::string frames = testfiles::ScratchDir() + "/sim-frames.fold";
    const CliRun r = Cli("simulate " + Quote(design) + " --compare-design -o " + Quote(obj) +
                         " --frames 2 --fold-frames " + Quote(frames));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("percent 100 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("converged yes"), std::string::npos) << r.out;
    double rms = 1.0, largest = 1.0, strain = 1.0, mean = 1.0;
    ASSERT_TRUE(Figures(r.out, "deviation rms ", rms, largest)) << r.out;
    EXPECT_LE(rms, 0.01);
    EXPECT_LE(largest, 0.05);
    ASSERT_TRUE(Figures(r.out, "strain max ", strain, mean)) << r.out;
    EXPECT_LE(strain, 0.05);

    // One v per pattern vertex, and frames that reopen with every vertex.
    CPolyModel pattern, animation;
    ASSERT_EQ(ReadFOLD(pattern, design), kReadOk);
    ASSERT_EQ(ReadFOLD(animation, frames), kReadOk);
    const std::string text = "\n" + testfiles::ReadWhole(obj);
    EXPECT_EQ(CountLines(text, "v "), pattern.objects[0]->vertices.size());
    EXPECT_EQ(CountLines(text, "f "), static_cast<size_t>(pattern.faceCount));
    EXPECT_EQ(animation.objects[0]->vertices.size(), pattern.objects[0]->vertices.size());
    EXPECT_NE(testfiles::ReadWhole(frames).find("\"foldedForm\""), std::string::npos);

    // Paper alone converges too, and says where it lands (a coarser sheet:
    // it follows the fold in twenty steps).
    const std::string coarse = testfiles::ScratchDir() + "/sim-coarse.fold";
    ASSERT_EQ(Cli("sheet --width 100 --cells 8 --bend cone --angle 60 -o " + Quote(sheet)).status,
              0);
    ASSERT_EQ(Cli("fold " + Quote(sheet) + " -o " + Quote(sheet + ".out.obj") +
                  " --select -1,-1,0 --drag-by 0.5,0.2,0.6 --crease-pattern " + Quote(coarse))
                  .status,
              0);
    const CliRun paper = Cli("simulate " + Quote(coarse) + " --compare-design --targets paper");
    ASSERT_EQ(paper.status, 0) << paper.err;
    EXPECT_NE(paper.out.find("converged yes"), std::string::npos) << paper.out;
    EXPECT_TRUE(Figures(paper.out, "deviation rms ", rms, largest)) << paper.out;
}

TEST(SimulateCommand, OtherProgramsPatternsReachTheirFoldedState)
{
    // The panels fold flat along one line and at right angles across it at
    // the same vertices: the stiff sheet is stuck on the way and softer bars
    // carry it on.
    for (const char* name : {"re-strip-with-angle.fold", "re-panels-6x2-90deg.fold"}) {
        const std::string file = std::string(LINTORO_TESTDATA_DIR) + "/fold/" + name;
        if (!std::filesystem::exists(file))
            GTEST_SKIP() << "no test data at " << file;
        const CliRun r = Cli("simulate " + Quote(file) + " --compare-design");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("converged yes"), std::string::npos) << name << "\n" << r.out;
        double rms = 100.0, largest = 100.0;
        ASSERT_TRUE(Figures(r.out, "deviation rms ", rms, largest)) << r.out;
        EXPECT_LE(rms, 1.0) << name;
    }
}

TEST(SimulateCommand, WhatIsNoSheetFailsAndWritesNothing)
{
    const std::string obj = testfiles::ScratchDir() + "/sim-none.obj";
    std::filesystem::remove(obj);
    const std::string edgesOnly = testfiles::WriteScratch(
        "sim-edges.fold", R"({"vertices_coords": [[0,0],[1,0]], "edges_vertices": [[0,1]]})");
    const std::string garbage = testfiles::WriteScratch("sim-garbage.fold", "{ not json");
    for (const std::string& in : {edgesOnly, garbage, testfiles::ScratchDir() + "/absent.fold"}) {
        const CliRun r = Cli("simulate " + Quote(in) + " -o " + Quote(obj));
        EXPECT_EQ(r.status, 1) << in;
        EXPECT_FALSE(r.err.empty()) << in;
        EXPECT_FALSE(std::filesystem::exists(obj)) << in;
    }
    EXPECT_EQ(Cli("simulate").status, 1);
    EXPECT_EQ(Cli("simulate x.fold --frames 3").status, 1); // no --fold-frames
    EXPECT_EQ(Cli("simulate x.fold --percent 120").status, 1);
}

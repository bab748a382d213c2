// Runs lintoro-cli check on small files and reads what it prints.

#include "CliRunner.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {

// A 2 x 2 square in z = 0 (two faces on the diagonal from (0, 0) to (2, 2)) and
// a face pushed through it; the diagonal, an edge of both, passes through
// that face at (0.55, 0.55, 0).
constexpr const char* kPierced = "v 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\n"
                                 "v 0.5 0.5 -1\nv 0.7 0.5 1\nv 0.5 0.7 1\n"
                                 "f 1 2 3\nf 1 3 4\nf 5 6 7\n";

TEST(CliCheck, FindsAFacePushedThroughASquare)
{
    const std::string path = testfiles::WriteScratch("pierced.obj", kPierced);
    CliRun r = Cli("check --json " + Quote(path));
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["file"], "pierced.obj");
    EXPECT_EQ(j["faces"], 3);
    EXPECT_EQ(j["intersections"], 2);
    ASSERT_EQ(j["pairs"].size(), 2u);
    // Points come back in the file's units.
    for (int i = 0; i < 2; ++i) {
        const nlohmann::json& p = j["pairs"][i];
        EXPECT_EQ(p["faces"], nlohmann::json::array({i, 2}));
        EXPECT_NEAR(p["at"][0].get<double>(), 0.55, 1e-12);
        EXPECT_NEAR(p["at"][1].get<double>(), 0.55, 1e-12);
        EXPECT_NEAR(p["at"][2].get<double>(), 0.0, 1e-12);
    }
    // Two flat pieces: the form is its own paper, to rounding.
    EXPECT_EQ(j["paper"], true);
    EXPECT_LT(j["paperEdge"]["largest"].get<double>(), 1e-9);
    EXPECT_LT(j["strain"]["max"].get<double>(), 1e-9);

    r = Cli("check --pairs=1 " + Quote(path));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("faces 3\nintersections 2\npair 0 2 at 0.55 0.55 0\n", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find("pair 1 2"), std::string::npos);
}

TEST(CliCheck, SheetsAndFlatFoldsHaveNone)
{
    const std::string sheet = testfiles::ScratchDir() + "/saddle.obj";
    ASSERT_EQ(Cli("sheet --rows 12 --cols 9 --shape saddle -o " + Quote(sheet)).status, 0);
    CliRun r = Cli("check " + Quote(sheet));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("faces 216\nintersections 0\n", 0), 0u) << r.out;
    // The square folded flat onto itself: the layers share one plane.
    const std::string flat = testfiles::WriteScratch(
        "flat.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 0.1 0\nv 0.5 0.9 0\nv 1.2 0.5 0\n"
                    "f 1 2 3\nf 1 3 4\nf 5 7 6\n");
    r = Cli("check --json " + Quote(flat));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["intersections"], 0);
}

TEST(CliCheck, BadCommandLinesAndFiles)
{
    const std::string path = testfiles::WriteScratch("one.obj", kPierced);
    EXPECT_EQ(Cli("check").status, 1);
    EXPECT_EQ(Cli("check " + Quote(path) + " " + Quote(path)).status, 1);
    EXPECT_EQ(Cli("check --pairs=-1 " + Quote(path)).status, 1);
    EXPECT_EQ(Cli("check --pairs " + Quote(path)).status, 1);
    const CliRun r = Cli("check --color " + Quote(path));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("unknown option '--color'"), std::string::npos);
    const std::string absent = testfiles::ScratchDir() + "/absent.obj";
    EXPECT_EQ(Cli("check " + Quote(absent)).err,
              "File open failed\n" + absent + ": No such file or directory\n");
    const CliRun help = Cli("check --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: lintoro-cli check", 0), 0u);
}

} // namespace

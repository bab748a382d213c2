// lintoro-cli fold's crease pattern options on a square folded twice: the
// back side read out of the SVG against the FOLD file of the same run.

#include "CliRunner.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Scratch(const std::string& name)
{
    return testfiles::ScratchDir() + "/" + name;
}

// A segment with its ends in order, at the SVG's precision.
using Segment = std::pair<std::pair<long, long>, std::pair<long, long>>;

Segment Key(double x0, double y0, double x1, double y1)
{
    const auto at = [](double x, double y) {
        return std::pair<long, long>(std::lround(x * 1e4), std::lround(y * 1e4));
    };
    return std::minmax(at(x0, y0), at(x1, y1));
}

// Every segment of every path in the SVG group `id`.
std::vector<Segment> GroupSegments(const std::string& svg, const std::string& id)
{
    std::vector<Segment> out;
    const size_t at = svg.find("<g id=\"" + id + "\"");
    if (at == std::string::npos)
        return out;
    const size_t end = svg.find("</g>", at);
    for (size_t d = svg.find(" d=\"", at); d < end; d = svg.find(" d=\"", d + 1)) {
        std::istringstream path(svg.substr(d + 4, svg.find('"', d + 4) - d - 4));
        std::string op;
        double x = 0, y = 0, x0 = 0, y0 = 0, px = 0, py = 0;
        while (path >> op) {
            if (op == "Z") {
                out.push_back(Key(px, py, x0, y0));
                continue;
            }
            path >> x >> y;
            if (op == "M")
                x0 = x, y0 = y;
            else
                out.push_back(Key(px, py, x, y));
            px = x, py = y;
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(CliPatternSides, TheBackOfASquareFoldedTwiceIsItsMirrorWithMountainAndValleySwapped)
{
    const std::string in = Scratch("square.obj");
    ASSERT_EQ(Cli("sheet --width 200 --height 200 --cells 20 -o " + Quote(in)).status, 0);
    const std::string fold = Scratch("square.fold"), back = Scratch("square-back.svg");
    const CliRun r = Cli("fold " + Quote(in) + " -o " + Quote(Scratch("square-out.obj")) +
                         " --select 0.5,0.5,0 --drag x:-0.5:3 --fix --select 0.5,-0.5,0"
                         " --drag y:0.5:3 --fix --side back --crease-pattern " +
                         Quote(fold) + " --crease-pattern " + Quote(back));
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(testfiles::ReadWhole(fold));
    const auto& coords = doc["vertices_coords"];
    double loU = 1e300, hiU = -1e300, hiV = -1e300;
    for (const auto& c : coords) {
        loU = std::min(loU, c[0].get<double>());
        hiU = std::max(hiU, c[0].get<double>());
        hiV = std::max(hiV, c[1].get<double>());
    }
    const double width = hiU - loU;
    EXPECT_NEAR(width, 200.0, 1e-6);
    // Seen from the back: x' = width - x, a mountain is a valley and a valley a mountain.
    std::map<std::string, std::vector<Segment>> expected;
    const std::map<std::string, std::string> layerOf = {
        {"B", "back-cut"}, {"M", "back-valley"}, {"V", "back-mountain"}};
    for (size_t e = 0; e < doc["edges_vertices"].size(); ++e) {
        const auto it = layerOf.find(doc["edges_assignment"][e].get<std::string>());
        if (it == layerOf.end())
            continue;
        const auto& a = coords[doc["edges_vertices"][e][0].get<size_t>()];
        const auto& b = coords[doc["edges_vertices"][e][1].get<size_t>()];
        expected[it->second].push_back(
            Key(width - (a[0].get<double>() - loU), hiV - a[1].get<double>(),
                width - (b[0].get<double>() - loU), hiV - b[1].get<double>()));
    }
    const std::string svg = testfiles::ReadWhole(back);
    ASSERT_GT(expected["back-valley"].size(), 0u);
    ASSERT_GT(expected["back-mountain"].size(), 0u);
    for (auto& [layer, segments] : expected) {
        SCOPED_TRACE(layer);
        std::sort(segments.begin(), segments.end());
        EXPECT_EQ(GroupSegments(svg, layer), segments);
    }
    EXPECT_EQ(svg.find("<g id=\"valley\""), std::string::npos); // no front in a back-only file
}

TEST(CliPatternSides, BadOptionsWriteNothing)
{
    const std::string in = Scratch("square-small.obj");
    ASSERT_EQ(Cli("sheet --width 100 --height 100 --cells 4 -o " + Quote(in)).status, 0);
    const std::string out = Scratch("never.obj"), svg = Scratch("never.svg");
    for (const char* bad : {"--side left", "--side", "--dash 3", "--dash 0,1", "--dash 3,1,-1",
                            "--dash 3,x", "--dash 1,2,3,4", "--bends=1"}) {
        SCOPED_TRACE(bad);
        const CliRun r = Cli("fold " + Quote(in) + " -o " + Quote(out) + " " + bad +
                             " --crease-pattern " + Quote(svg));
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("lintoro-cli fold"), std::string::npos);
        EXPECT_FALSE(fs::exists(out));
        EXPECT_FALSE(fs::exists(svg));
    }
    const CliRun r = Cli("fold " + Quote(in) + " -o " + Quote(out) +
                         " --side both --dash 3,1.5 --bends --crease-pattern " + Quote(svg) +
                         " --crease-pattern " + Quote(Scratch("sides.dxf")));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(testfiles::ReadWhole(svg).find("<g id=\"back-bend\""), std::string::npos);
    EXPECT_NE(testfiles::ReadWhole(Scratch("sides.dxf")).find("AC1009"), std::string::npos);
}

} // namespace

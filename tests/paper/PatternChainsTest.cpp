#include "paper/PatternChains.h"

#include "paper/PaperFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr CreaseKind B = CreaseKind::Boundary;
constexpr CreaseKind M = CreaseKind::Mountain;
constexpr CreaseKind V = CreaseKind::Valley;

struct EdgeSpec {
    uint32_t a, b;
    CreaseKind kind;
    double angle = 90.0;
};

CCreasePattern Pattern(const std::vector<CPaperPoint>& points, const std::vector<EdgeSpec>& edges)
{
    CCreasePattern p;
    p.vertices = points;
    for (const EdgeSpec& s : edges) {
        CPatternEdge e;
        e.a = s.a;
        e.b = s.b;
        e.kind = s.kind;
        e.foldAngle = s.angle;
        p.edges.push_back(e);
    }
    return p;
}

// Every accepted edge lies on exactly one chain, between the chain's
// neighbouring vertices; returns the chains' vertex lists.
std::vector<std::vector<uint32_t>> CheckedLines(const CCreasePattern& p,
                                                const PatternEdgeFilter& include)
{
    CPatternChains c;
    ChainPatternEdges(p, include, c);
    std::vector<int> seen(p.edges.size(), 0);
    std::vector<std::vector<uint32_t>> lines;
    for (const CPatternChains::Chain& chain : c.chains) {
        EXPECT_GE(chain.VertexCount(), 2u);
        EXPECT_EQ(c.edges[chain.end - 1], CPatternChains::kNoEdge);
        for (uint32_t k = chain.begin; k + 1 < chain.end; ++k) {
            const CPatternEdge& e = p.edges[c.edges[k]];
            ++seen[c.edges[k]];
            EXPECT_EQ(e.kind, chain.kind);
            EXPECT_TRUE((e.a == c.vertices[k] && e.b == c.vertices[k + 1]) ||
                        (e.b == c.vertices[k] && e.a == c.vertices[k + 1]));
        }
        lines.emplace_back(c.vertices.begin() + chain.begin, c.vertices.begin() + chain.end);
    }
    for (size_t i = 0; i < p.edges.size(); ++i)
        EXPECT_EQ(seen[i], include(p.edges[i]) ? 1 : 0) << "edge " << i;
    return lines;
}

TEST(PatternChains, OutlineIsOneClosedLineAndAHingeOneOpenLine)
{
    const CWorkingShape flat = paperfix::FlatSheet(4, 6, 3.0, 2.0);
    COriginFaces opened;
    BuildOriginFaces(flat, opened);
    CWorkingShape form = flat;
    paperfix::Refold(form, [](double x, double y) { return paperfix::HingeAt(x, y, 1.5, 120.0); });
    paperfix::MarkCreasesAt(form, 1.5);
    CCreasePattern p;
    BuildCreasePattern(form, opened, p);
    const auto lines = CheckedLines(p, IsDrawnEdge);
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& line : lines) {
        if (line.size() == 21u) { // 20 boundary edges, round and back to the start
            EXPECT_EQ(line.front(), line.back());
            continue;
        }
        ASSERT_EQ(line.size(), 5u); // the valley, from edge to edge of the sheet
        const double v0 = p.vertices[line.front()].v, v1 = p.vertices[line.back()].v;
        EXPECT_DOUBLE_EQ(std::min(v0, v1), 0.0);
        EXPECT_DOUBLE_EQ(std::max(v0, v1), 2.0);
    }
    // Flat and unbent: no bend to show.
    EXPECT_TRUE(CheckedLines(p, IsVisibleBend).empty());
}

TEST(PatternChains, LinesGoStraightThroughCrossingsOfTheirKind)
{
    // A plus of valleys through vertex 0, a mountain T-stub, and a valley
    // that turns 45 degrees where nothing else of its kind meets it.
    const std::vector<CPaperPoint> pts = {{0, 0}, {-1, 0}, {1, 0.05}, {0, -1},
                                          {0, 1}, {1, 1},  {2, 2},    {3, 2}};
    CCreasePattern plus =
        Pattern(pts, {{1, 0, V}, {0, 2, V}, {3, 0, V}, {0, 4, V}, {5, 6, V}, {6, 7, V}});
    auto lines = CheckedLines(plus, IsDrawnEdge);
    ASSERT_EQ(lines.size(), 3u);
    for (const auto& line : lines)
        EXPECT_EQ(line.size(), 3u);

    // Three valleys at one vertex: the straight pair is one line, the stub
    // another; a mountain across them does not interrupt them.
    CCreasePattern tee = Pattern(pts, {{1, 0, V}, {0, 2, V}, {0, 4, V}, {3, 0, M}, {0, 5, M}});
    lines = CheckedLines(tee, IsDrawnEdge);
    ASSERT_EQ(lines.size(), 3u);
    std::vector<size_t> sizes;
    for (const auto& line : lines)
        sizes.push_back(line.size());
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<size_t>{2, 3, 3}));
}

TEST(PatternChains, StrokeRunsCutWhereTheAngleMovesMoreThanADegree)
{
    const std::vector<CPaperPoint> pts = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {6, 0}};
    const CCreasePattern p = Pattern(pts, {{0, 1, V, 90.0},
                                           {1, 2, V, 90.5},
                                           {2, 3, V, 90.9},
                                           {3, 4, V, 91.2},
                                           {4, 5, V, 135.0},
                                           {0, 5, B}});
    CPatternChains c;
    ChainPatternEdges(
        p, [](const CPatternEdge& e) { return e.kind == V; }, c);
    ASSERT_EQ(c.chains.size(), 1u);
    std::vector<CStrokeRun> runs;
    StrokeRuns(p, c, c.chains[0], runs);
    ASSERT_EQ(runs.size(), 3u);
    // Each run starts where the last ended, so the line stays joined.
    EXPECT_EQ(runs[0].begin, c.chains[0].begin);
    EXPECT_EQ(runs[0].end - runs[0].begin, 4u); // 90 .. 90.9
    EXPECT_EQ(runs[1].begin, runs[0].end - 1);
    EXPECT_EQ(runs[2].end, c.chains[0].end);
    EXPECT_NEAR(runs[0].opacity, (90.0 + 90.5 + 90.9) / 3 / 180.0, 1e-12);
    EXPECT_NEAR(runs[1].opacity, 91.2 / 180.0, 1e-12);
    EXPECT_NEAR(runs[2].opacity, 0.75, 1e-12);
    // The boundary is one opaque run.
    ChainPatternEdges(p, IsDrawnEdge, c);
    for (const CPatternChains::Chain& chain : c.chains)
        if (chain.kind == B) {
            StrokeRuns(p, c, chain, runs);
            ASSERT_EQ(runs.size(), 1u);
            EXPECT_EQ(runs[0].opacity, 1.0);
        }
}

} // namespace

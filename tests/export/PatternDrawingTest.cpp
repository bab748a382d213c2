// Sides, dashes and layers of the crease pattern's drawings, on a pattern
// laid out by hand so that every crease's ends are known.

#include "export/PatternDrawing.h"
#include "export/ExportDXF.h"
#include "export/ExportPDF.h"
#include "export/ExportSVG.h"
#include "export/PrintSides.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr double kW = 200.0;
constexpr double kH = 150.0;
constexpr double kPi = 3.14159265358979323846;

// A 200 x 150 mm sheet: a curved valley from edge to edge, a straight
// mountain across it at (100, 75), a bend beside them. Paper v grows upwards,
// so the page's y is kH - v.
CCreasePattern HandPattern()
{
    CCreasePattern p;
    const auto vertex = [&](double u, double v) {
        p.vertices.push_back({u, v});
        return static_cast<uint32_t>(p.vertices.size() - 1);
    };
    const auto edge = [&](uint32_t a, uint32_t b, CreaseKind kind, double angle) {
        CPatternEdge e;
        e.a = a;
        e.b = b;
        e.kind = kind;
        (kind == CreaseKind::Flat ? e.bendAngle : e.foldAngle) = angle;
        p.edges.push_back(e);
    };
    const uint32_t corners[4] = {vertex(0, 0), vertex(kW, 0), vertex(kW, kH), vertex(0, kH)};
    const uint32_t valleyStart = vertex(0, 75.0);
    uint32_t prev = valleyStart;
    uint32_t middle = 0;
    for (int i = 1; i <= 40; ++i) {
        const double u = 5.0 * i;
        const uint32_t v = vertex(u, 75.0 + 30.0 * std::sin(u / kW * 2.0 * kPi));
        if (i == 20)
            middle = v;
        edge(prev, v, CreaseKind::Valley, 90.0);
        prev = v;
    }
    edge(corners[0], valleyStart, CreaseKind::Boundary, 0.0);
    edge(valleyStart, corners[3], CreaseKind::Boundary, 0.0);
    edge(corners[0], corners[1], CreaseKind::Boundary, 0.0);
    edge(corners[1], prev, CreaseKind::Boundary, 0.0);
    edge(prev, corners[2], CreaseKind::Boundary, 0.0);
    edge(corners[2], corners[3], CreaseKind::Boundary, 0.0);
    const uint32_t bottom = vertex(100, 0), top = vertex(100, kH);
    const uint32_t q1 = vertex(100, 37.5), q3 = vertex(100, 112.5);
    edge(bottom, q1, CreaseKind::Mountain, -120.0);
    edge(q1, middle, CreaseKind::Mountain, -120.0);
    edge(middle, q3, CreaseKind::Mountain, -120.0);
    edge(q3, top, CreaseKind::Mountain, -120.0);
    edge(vertex(50, 10), vertex(50, 20), CreaseKind::Flat, 5.0);
    p.lo = {0, 0};
    p.hi = {kW, kH};
    return p;
}

double Length(const CPatternDrawing& d, const CDrawnStroke& s)
{
    return PolylineLength(d.points.data() + s.begin, s.end - s.begin);
}

TEST(PatternDrawing, BackMirrorsEveryLineAndSwapsMountainAndValley)
{
    const CCreasePattern pattern = HandPattern();
    CPatternOptions options;
    CPatternDrawing front, back, both;
    BuildPatternDrawing(pattern, options, front);
    options.side = PatternSide::kBack;
    BuildPatternDrawing(pattern, options, back);
    options.side = PatternSide::kBoth;
    BuildPatternDrawing(pattern, options, both);
    ASSERT_EQ(front.strokes.size(), back.strokes.size());
    ASSERT_EQ(both.strokes.size(), 2 * front.strokes.size());
    const auto swapped = [](CreaseKind k) {
        return k == CreaseKind::Mountain ? CreaseKind::Valley
               : k == CreaseKind::Valley ? CreaseKind::Mountain
                                         : k;
    };
    for (size_t i = 0; i < front.strokes.size(); ++i) {
        const CDrawnStroke& f = front.strokes[i];
        const CDrawnStroke& b = back.strokes[i];
        EXPECT_FALSE(front.layers[f.layer].back);
        EXPECT_TRUE(back.layers[b.layer].back);
        EXPECT_EQ(back.layers[b.layer].kind, swapped(front.layers[f.layer].kind));
        ASSERT_EQ(f.end - f.begin, b.end - b.begin);
        for (uint32_t k = 0; k < f.end - f.begin; ++k) {
            EXPECT_DOUBLE_EQ(back.points[b.begin + k].x, kW - front.points[f.begin + k].x);
            EXPECT_DOUBLE_EQ(back.points[b.begin + k].y, front.points[f.begin + k].y);
        }
    }
    // Split: the valley on the front, the mountain on the back as a valley.
    options.side = PatternSide::kSplit;
    CPatternDrawing split;
    BuildPatternDrawing(pattern, options, split);
    std::map<std::string, int> perLayer;
    for (const CDrawnStroke& s : split.strokes)
        ++perLayer[split.layers[s.layer].name];
    EXPECT_EQ(perLayer, (std::map<std::string, int>{
                            {"cut", 1}, {"valley", 1}, {"back-cut", 1}, {"back-valley", 1}}));
}

TEST(PatternDrawing, DashesFillEachCreaseAndKeepTheirMargins)
{
    const CCreasePattern pattern = HandPattern();
    // The four pieces between the creases' ends and where they cross.
    const CDrawnPoint ends[5] = {{0, 75}, {kW, 75}, {100, 75}, {100, 0}, {100, kH}};
    for (const auto& [dash, gap, margin] : {std::tuple{3.0, 1.5, 1.0}, {5.0, 2.0, 4.0}}) {
        SCOPED_TRACE(dash);
        CPatternOptions options;
        options.dashed = true;
        options.dash = dash;
        options.gap = gap;
        options.margin = margin;
        options.bends = true;
        CPatternDrawing d;
        BuildPatternDrawing(pattern, options, d);
        double total[4] = {};
        for (const CDrawnStroke& s : d.strokes) {
            const CDrawnLayer& layer = d.layers[s.layer];
            if (layer.kind == CreaseKind::Boundary || layer.kind == CreaseKind::Flat) {
                EXPECT_EQ(s.end - s.begin, layer.kind == CreaseKind::Flat ? 2u : 6u);
                continue;
            }
            const double length = Length(d, s);
            EXPECT_LE(length, dash + 1e-9);
            for (uint32_t k = s.begin; k < s.end; ++k) {
                const CDrawnPoint& p = d.points[k];
                for (const CDrawnPoint& e : ends)
                    EXPECT_GE(std::hypot(p.x - e.x, p.y - e.y), margin - 1e-9);
                EXPECT_TRUE(p.x >= margin - 1e-9 && p.x <= kW - margin + 1e-9 &&
                            p.y >= margin - 1e-9 && p.y <= kH - margin + 1e-9);
            }
            const CDrawnPoint& mid = d.points[(s.begin + s.end) / 2];
            const int piece =
                layer.kind == CreaseKind::Valley ? (mid.x < 100 ? 0 : 1) : (mid.y < 75 ? 2 : 3);
            total[piece] += length;
        }
        // The valley's halves are as long as each other, the mountain's 75 mm.
        double valleyHalf = 0.0;
        for (size_t e = 0; e < 20; ++e) {
            const CPaperPoint& a = pattern.vertices[pattern.edges[e].a];
            const CPaperPoint& b = pattern.vertices[pattern.edges[e].b];
            valleyHalf += std::hypot(b.u - a.u, b.v - a.v);
        }
        const double lengths[4] = {valleyHalf, valleyHalf, 75.0, 75.0};
        for (int i = 0; i < 4; ++i) {
            const double expected = (lengths[i] - 2 * margin) * dash / (dash + gap);
            EXPECT_NEAR(total[i], expected, dash) << i;
            EXPECT_GT(total[i], 0.0);
        }
    }
}

TEST(PatternDrawing, DashesKeepOffTheOutlineOfPaperOfAnyShape)
{
    // A right triangle of paper, a valley 10 mm from its left edge and
    // meeting the slanted edge at 45 degrees.
    CCreasePattern p;
    p.vertices = {{0, 0}, {10, 0}, {200, 0}, {10, 190}, {0, 200}};
    const auto edge = [&](uint32_t a, uint32_t b, CreaseKind kind) {
        CPatternEdge e;
        e.a = a;
        e.b = b;
        e.kind = kind;
        e.foldAngle = kind == CreaseKind::Valley ? 90.0 : 0.0;
        p.edges.push_back(e);
    };
    for (const auto& [a, b] : {std::pair{0u, 1u}, {1u, 2u}, {2u, 3u}, {3u, 4u}, {4u, 0u}})
        edge(a, b, CreaseKind::Boundary);
    edge(1, 3, CreaseKind::Valley);
    p.lo = {0, 0};
    p.hi = {200, 200};
    const CDrawnPoint outline[] = {{0, 200}, {200, 200}, {0, 0}};
    for (const double margin : {1.0, 4.0, 12.0}) {
        SCOPED_TRACE(margin);
        CPatternOptions options;
        options.dashed = true;
        options.margin = margin;
        CPatternDrawing d;
        BuildPatternDrawing(p, options, d);
        double total = 0.0;
        for (const CDrawnStroke& s : d.strokes) {
            if (d.layers[s.layer].kind != CreaseKind::Valley)
                continue;
            total += Length(d, s);
            for (uint32_t k = s.begin; k < s.end; ++k)
                for (int i = 0; i < 3; ++i) {
                    const CDrawnPoint& a = outline[i];
                    const CDrawnPoint& b = outline[(i + 1) % 3];
                    const double t =
                        std::clamp(((d.points[k].x - a.x) * (b.x - a.x) +
                                    (d.points[k].y - a.y) * (b.y - a.y)) /
                                       (std::pow(b.x - a.x, 2) + std::pow(b.y - a.y, 2)),
                                   0.0, 1.0);
                    EXPECT_GE(std::hypot(d.points[k].x - (a.x + t * (b.x - a.x)),
                                         d.points[k].y - (a.y + t * (b.y - a.y))),
                              margin - 1e-9);
                }
        }
        if (margin > 10.0)
            EXPECT_EQ(total, 0.0); // the whole crease lies within the margin of the left edge
        else
            EXPECT_NEAR(total, (190.0 - 2 * margin) * 3.0 / 4.5, 3.0);
    }
}

TEST(PatternDrawing, SvgKeepsEachKindOnItsOwnLayer)
{
    CPatternOptions options;
    options.side = PatternSide::kBoth;
    options.bends = true;
    options.dashed = true;
    CPatternDrawing d;
    BuildPatternDrawing(HandPattern(), options, d);
    const std::string svg = SvgDocument(d);
    const std::map<std::string, std::string> colours = {
        {"cut", "#000000"},         {"mountain", "#ff0000"}, {"valley", "#0000ff"},
        {"bend", "#999999"},        {"back-cut", "#000000"}, {"back-mountain", "#ff0000"},
        {"back-valley", "#0000ff"}, {"back-bend", "#999999"}};
    size_t paths = 0;
    for (const auto& [name, colour] : colours) {
        SCOPED_TRACE(name);
        const std::string open = "<g id=\"" + name +
                                 "\" inkscape:groupmode=\"layer\" "
                                 "inkscape:label=\"" +
                                 name + "\">\n";
        const size_t at = svg.find(open);
        ASSERT_NE(at, std::string::npos);
        const std::string group =
            svg.substr(at + open.size(), svg.find("</g>", at) - at - open.size());
        size_t inGroup = 0;
        for (size_t p = group.find("<path stroke=\""); p != std::string::npos;
             p = group.find("<path stroke=\"", p + 1), ++inGroup)
            EXPECT_EQ(group.substr(p + 14, 7), colour);
        EXPECT_GT(inGroup, 0u);
        paths += inGroup;
    }
    EXPECT_EQ(paths, d.strokes.size());
    EXPECT_NE(svg.find("xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\""),
              std::string::npos);
}

TEST(PatternDrawing, PdfHasAPagePerSideAndDxfALayerPerKind)
{
    const CCreasePattern pattern = HandPattern();
    const auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    for (const auto& [side, pages] : {std::pair{PatternSide::kFront, 1u},
                                      {PatternSide::kBack, 1u},
                                      {PatternSide::kBoth, 2u},
                                      {PatternSide::kSplit, 2u}}) {
        SCOPED_TRACE(PatternSideName(side));
        CPatternOptions options;
        options.side = side;
        CPatternDrawing d;
        BuildPatternDrawing(pattern, options, d);
        std::string pdf;
        ASSERT_TRUE(PdfDocument(d, pdf));
        EXPECT_EQ(count(pdf, "/Type /Page\n") + count(pdf, "/Type /Page "), pages);
        const std::string dxf = DxfDocument(d);
        EXPECT_EQ(dxf.find("  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n"),
                  dxf.find("  0\nSECTION"));
        EXPECT_EQ(count(dxf, "\n  0\nLAYER\n"), d.layers.size());
        EXPECT_EQ(count(dxf, "\nBACK_VALLEY\n") > 0, side != PatternSide::kFront);
    }
}

TEST(PrintSides, EachBackPageLiesBehindItsFrontAfterALongEdgeFlip)
{
    // 420 x 300 mm on A4's printable area: tiled both ways, in each orientation.
    for (const bool landscape : {false, true}) {
        SCOPED_TRACE(landscape);
        const CPageArea area = landscape ? CPageArea{287, 200} : CPageArea{200, 287};
        CPrintTiling tiles = PlanPrintTiles(420, 300, area, area);
        tiles.landscape = landscape;
        std::vector<CPrintPage> pages;
        PlanPrintPages(tiles, 420, true, true, pages);
        ASSERT_EQ(pages.size(), 2u * tiles.PageCount());
        ASSERT_GT(tiles.columns, 1);
        for (size_t i = 0; i < pages.size(); i += 2) {
            const CPrintPage& front = pages[i];
            const CPrintPage& back = pages[i + 1];
            EXPECT_FALSE(front.back);
            EXPECT_TRUE(back.back);
            EXPECT_EQ(back.column, front.column);
            for (const auto& [px, py] : {std::pair{0.0, 0.0}, {37.0, 150.0}, {199.0, 5.0}}) {
                const double x = px - front.tx, y = py - front.ty; // on the paper, front frame
                // A portrait page turns over left to right, a landscape one top to bottom.
                const double qx = landscape ? px : area.width - px;
                const double qy = landscape ? area.height - py : py;
                EXPECT_NEAR(back.PageX(420 - x), qx, 1e-9);
                EXPECT_NEAR(back.PageY(y), qy, 1e-9);
            }
        }
        // The front alone: one page a tile, no backs.
        PlanPrintPages(tiles, 420, true, false, pages);
        EXPECT_EQ(pages.size(), static_cast<size_t>(tiles.PageCount()));
    }
    // A label goes beside the pattern, or nowhere when the pattern fills the page.
    CPrintPage page;
    double x = -1, y = -1;
    ASSERT_TRUE(SideLabelPlace(page, {200, 287}, 200, 250, 12, 4, x, y));
    EXPECT_GE(y, 250.0);
    EXPECT_FALSE(SideLabelPlace(page, {200, 287}, 200, 287, 12, 4, x, y));
}

TEST(PatternOptions, SideNamesAndDashLengths)
{
    for (const PatternSide side :
         {PatternSide::kFront, PatternSide::kBack, PatternSide::kBoth, PatternSide::kSplit}) {
        PatternSide read = PatternSide::kFront;
        EXPECT_TRUE(ParsePatternSide(PatternSideName(side), read));
        EXPECT_EQ(read, side);
    }
    PatternSide read = PatternSide::kBoth;
    EXPECT_TRUE(ParsePatternSide("SPLIT", read));
    EXPECT_FALSE(ParsePatternSide("left", read));
    EXPECT_EQ(read, PatternSide::kSplit);
    EXPECT_TRUE(ValidDashLengths(3, 1.5, 0));
    EXPECT_FALSE(ValidDashLengths(0, 1.5, 1));
    EXPECT_FALSE(ValidDashLengths(3, -1, 1));
    EXPECT_FALSE(ValidDashLengths(3, 1, NAN));
}

} // namespace

#include "import/CreaseArrangement.h"
#include "import/LoaderSVG.h"
#include "import/ModelFile.h"
#include "import/SvgPath.h"
#include "model/EdgeRecords.h"
#include "model/PolyModel.h"
#include "support/TestFiles.h"

#include "support/Meshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <string>

namespace {

std::string Svg(const std::string& body,
                const std::string& root = R"x(width="100mm" height="100mm" viewBox="0 0 100 100")x")
{
    return R"x(<?xml version="1.0"?><!-- a pattern --><svg xmlns="http://www.w3.org/2000/svg" )x" +
           root + ">" + body + "</svg>";
}

const char* kSquare = R"x(<rect x="0" y="0" width="100" height="100" stroke="#000"/>)x";

// Each triangle edge's record, keyed by its paper midpoint rounded to 0.01 mm.
std::map<std::pair<long, long>, CEdgeRecord> RecordsByMidpoint(const CPolyModel& m)
{
    std::map<std::pair<long, long>, CEdgeRecord> out;
    for (size_t k = 0; k < m.paper.size(); ++k) {
        const CPaperPoint& a = m.paper[k];
        const CPaperPoint& b = m.paper[k % 3 == 2 ? k - 2 : k + 1];
        out[{std::lround(50 * (a.u + b.u)), std::lround(50 * (a.v + b.v))}] = m.edgeRecords[k];
    }
    return out;
}

TEST(SvgReader, ColoursAreKindsAndOpacityIsTheAngle)
{
    // Two diagonals cross at the centre; the other lines run to the middles
    // of the sides, in every colour notation, some in a transformed group.
    const std::string body =
        std::string(kSquare) +
        R"x(<line x1="0" y1="0" x2="100" y2="100" stroke="red" stroke-opacity="0.5"/>
        <path d="M 100 0 L 0 100" style="stroke:#0000ff"/>
        <g transform="translate(50 0) scale(2)" stroke="rgb(255, 255, 0)">
          <polyline points="0,0 0,25"/>
        </g>
        <line x1="50" y1="50" x2="50" y2="100" style="stroke: #0f0; fill: none"/>
        <line x1="0" y1="50" x2="50" y2="50" stroke="#ff00ff"/>
        <line x1="50" y1="50" x2="100" y2="50" stroke="#777"/>)x";
    CPolyModel m;
    ASSERT_EQ(ReadSVGText(m, Svg(body)), kReadOk) << m.whyNotRead;
    ASSERT_EQ(m.edgeRecords.size(), m.paper.size());
    EXPECT_NEAR(testmesh::PaperArea(m), 100.0 * 100.0, 1e-9);
    EXPECT_TRUE(m.paperInfo.has);
    const auto at = RecordsByMidpoint(m);
    const auto kind = [&](double u, double v) {
        const auto it = at.find({std::lround(100 * u), std::lround(100 * v)});
        return it == at.end() ? CEdgeRecord{} : it->second;
    };
    // v is up: the drawing's top edge (y = 0) is at v = 100.
    EXPECT_EQ(kind(25, 75).assignment, EdgeAssignment::Mountain);
    EXPECT_DOUBLE_EQ(kind(25, 75).foldAngle, -90.0);
    EXPECT_EQ(kind(75, 25).assignment, EdgeAssignment::Mountain); // split at the crossing
    EXPECT_EQ(kind(75, 75).assignment, EdgeAssignment::Valley);
    EXPECT_DOUBLE_EQ(kind(75, 75).foldAngle, 180.0);
    EXPECT_EQ(kind(50, 75).assignment, EdgeAssignment::Flat);
    EXPECT_EQ(kind(50, 25).assignment, EdgeAssignment::Cut);
    EXPECT_EQ(kind(25, 50).assignment, EdgeAssignment::Unassigned);
    EXPECT_EQ(kind(25, 100).assignment, EdgeAssignment::Boundary); // split by the facet line
    EXPECT_EQ(kind(75, 50).assignment, EdgeAssignment::None);      // grey is a guide, not a line
    // Corners, centre, and where the facet, cut and undriven lines meet the sides.
    EXPECT_EQ(m.objects[0]->vertices.size(), 8u);
}

TEST(SvgReader, SizesComeFromTheRootsUnitsAndViewBox)
{
    const struct {
        const char* root;
        double width, height;
    } cases[] = {
        {R"x(width="100mm" height="50mm" viewBox="0 0 200 100")x", 50.0, 25.0},
        {R"x(width="10cm" viewBox="0 0 200 100")x", 50.0, 25.0},
        {R"x(width="4in" height="2in" viewBox="0 0 100 100")x", 50.8, 25.4}, // fitted, centred
        {R"x(width="400" height="200")x", 100 * 25.4 / 96, 50 * 25.4 / 96},
        {R"x(viewBox="50 50 100 100")x", 100 * 25.4 / 96, 50 * 25.4 / 96},
        {R"x(width="72pt" height="6pc" viewBox="0 0 100 100" preserveAspectRatio="none")x", 25.4,
         12.7},
    };
    for (const auto& c : cases) {
        CPolyModel m;
        ASSERT_EQ(
            ReadSVGText(m, Svg(R"x(<rect x="50" y="50" width="100" height="50" stroke="black"/>)x"
                               R"x(<rect x="50" y="50" width="50" height="50" stroke="black"/>)x",
                               c.root)),
            kReadOk)
            << c.root << ": " << m.whyNotRead;
        EXPECT_NEAR(m.paperInfo.width, c.width, 1e-9) << c.root;
        EXPECT_NEAR(m.paperInfo.height, c.height, 1e-9) << c.root;
        EXPECT_EQ(m.faceCount, 4) << c.root; // two squares side by side, two triangles each
    }
}

TEST(SvgReader, CurvesAreFlattenedWithinTheTolerance)
{
    // A half disc of radius 40 mm, drawn as an arc and as two cubics; a whole one.
    const double r = 40.0;
    for (const char* boundary :
         {R"x(<path d="M 10 50 a 40 40 0 0 1 80 0 z" stroke="black"/>)x",
          R"x(<path d="M10 50C10 27.9 27.9 10 50 10S90 27.9 90 50Z" stroke="black"/>)x",
          R"x(<circle cx="50" cy="50" r="40" stroke="black"/>)x"}) {
        CPolyModel m;
        ASSERT_EQ(ReadSVGText(m, Svg(boundary)), kReadOk) << m.whyNotRead;
        // Paper centre of the disc: (50, 50) in the drawing, v = 100 - y.
        double worst = 0.0;
        for (size_t k = 0; k < m.paper.size(); ++k) {
            const CPaperPoint& a = m.paper[k];
            const CPaperPoint& b = m.paper[k % 3 == 2 ? k - 2 : k + 1];
            if (m.edgeRecords[k].assignment != EdgeAssignment::Boundary ||
                (a.v == 50.0 && b.v == 50.0))
                continue; // inside, or the straight side
            const double ra = std::hypot(a.u - 50, a.v - 50), rb = std::hypot(b.u - 50, b.v - 50);
            const double mid = std::hypot((a.u + b.u) / 2 - 50, (a.v + b.v) / 2 - 50);
            worst = std::max({worst, std::fabs(ra - r), std::fabs(rb - r), std::fabs(mid - r)});
        }
        // The cubics are off the circle by 0.03% of r themselves.
        EXPECT_LT(worst, 0.05 + (boundary[9] == 'C' ? 0.0003 * r : 0.0)) << boundary;
        EXPECT_GT(worst, 0.005) << "flattened much finer than asked";
    }
}

TEST(SvgReader, ANonConvexSheetIsTriangulatedWhole)
{
    // An L with a valley from its inner corner; then a C-shaped sheet.
    for (const char* body : {R"x(<polygon points="0,0 60,0 60,30 30,30 30,60 0,60" stroke="#000"/>
             <line x1="30" y1="30" x2="0" y2="0" stroke="#00f"/>)x",
                             R"x(<path d="M0 0H60V20H20V40H60V60H0Z" stroke="#000"/>)x"}) {
        CPolyModel m;
        ASSERT_EQ(ReadSVGText(m, Svg(body)), kReadOk) << m.whyNotRead;
        EXPECT_NEAR(testmesh::PaperArea(m), body[2] == 'o' ? 2700.0 : 2800.0, 1e-9) << body;
        for (size_t k = 0; k + 2 < m.paper.size(); k += 3) {
            const CPaperPoint &a = m.paper[k], &b = m.paper[k + 1], &c = m.paper[k + 2];
            EXPECT_GT((b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u), 0.0);
        }
    }
}

TEST(SvgReader, ARunOfTinyStepsStaysOneLine)
{
    // The left side drawn in steps of 0.004 mm, under the snap distance.
    std::string side = "0,100";
    for (int k = 1; k <= 25000; ++k)
        side += " 0," + std::to_string(100.0 - 0.004 * k);
    CPolyModel m;
    ASSERT_EQ(ReadSVGText(m, Svg(R"x(<polyline points="0,0 100,0 100,100 0,100" stroke="#000"/>)x"
                                 R"x(<polyline stroke="#000" points=")x" +
                                 side + R"x("/>)x")),
              kReadOk)
        << m.whyNotRead;
    EXPECT_NEAR(testmesh::PaperArea(m), 10000.0, 1e-6);
}

TEST(SvgReader, CrossingsAndTouchingEndsBecomeVertices)
{
    // A square with a cross whose arms stop 0.004 mm short of the sides, and a
    // line that ends on another's middle.
    std::vector<CCreaseLine> lines = {{{0, 0}, {10, 0}, 'B'},
                                      {{10, 0}, {10, 10}, 'B'},
                                      {{10, 10}, {0, 10}, 'B'},
                                      {{0, 10}, {0, 0}, 'B'},
                                      {{0.004, 5}, {9.996, 5}, 'M', -180.0},
                                      {{5, 0}, {5, 10}, 'V', 180.0},
                                      {{5, 5}, {10, 10}, 'F'},
                                      {{2, 8}, {3, 9}, 'U'}};
    CCreaseGraph g;
    std::string why;
    ASSERT_TRUE(ArrangeCreases(lines, 0.01, g, why)) << why;
    EXPECT_EQ(g.vertices.size(), 9u);
    EXPECT_EQ(g.faces.size(), 5u);
    EXPECT_EQ(g.droppedLines, 1u); // the loose undriven line
    size_t mountains = 0;
    for (const CCreaseEdge& e : g.edges)
        mountains += e.assignment == 'M';
    EXPECT_EQ(mountains, 2u);
    // Nothing closed, or a piece inside a face, is refused.
    EXPECT_FALSE(ArrangeCreases({{{0, 0}, {1, 1}, 'M'}}, 0.01, g, why));
    EXPECT_EQ(why, "the lines close no face");
    lines.push_back({{3, 3}, {4, 3}, 'C'});
    lines.push_back({{4, 3}, {4, 4}, 'C'});
    lines.push_back({{4, 4}, {3, 3}, 'C'});
    EXPECT_FALSE(ArrangeCreases(lines, 0.01, g, why));
    EXPECT_NE(why.find("holes are not read"), std::string::npos);
}

TEST(SvgReader, BadFilesAreRefusedAndChangeNothing)
{
    const struct {
        std::string text;
        const char* why;
    } bad[] = {
        {"not xml at all", "not an SVG file: line 1: not XML"},
        {"<svg><line></svg>", "does not close the open element"},
        {"<svg>", "the file ends inside <svg>"},
        {"<svg a=1/>", "without quotes"},
        {"<html><line x2='5' stroke='red'/></html>", "the root element is not <svg>"},
        {Svg(""), "no crease lines"},
        {Svg(R"x(<line x2="50" y2="50" stroke="red"/>)x"), "the lines close no face"},
        {Svg(R"x(<path d="M 0 0 L 10 Q" stroke="red"/>)x"), "<path>: path data"},
        {Svg(R"x(<path d="L 10 10" stroke="red"/>)x"), "does not start with a move"},
        {Svg(R"x(<g transform="spin(3)"><rect width="9" height="9" stroke="red"/></g>)x"),
         "transform that cannot be read"},
        {Svg(R"x(<rect width="9e9" height="9" stroke="#000"/>)x",
             R"x(width="9e9mm" viewBox="0 0 1 1")x"),
         "too large"},
        {Svg(R"x(<rect width="0.5" height="0.5" stroke="#000"/>)x"), "too small"},
        {Svg(R"x(<line x1="a" x2="50" y2="50" stroke="red"/>)x"), "cannot be read"},
    };
    for (const auto& b : bad) {
        CPolyModel m;
        EXPECT_EQ(ReadSVGText(m, b.text), kReadFailed) << b.text;
        EXPECT_NE(m.whyNotRead.find(b.why), std::string::npos) << b.text << " -> " << m.whyNotRead;
        EXPECT_TRUE(m.objects.empty());
        EXPECT_TRUE(m.paper.empty());
    }
}

TEST(SvgReader, CutShortOrScrambledFilesNeverCrash)
{
    const std::string good =
        Svg(std::string(kSquare) +
            R"x(<g transform="rotate(10 50 50)"><path d="M0 0c20 30 40 40 100 100" stroke="red"/>
                                 <path d="M100 0 A 80 60 30 1 0 0 100" stroke="#00f" stroke-opacity=".3"/></g>)x");
    CPolyModel ok;
    ASSERT_EQ(ReadSVGText(ok, good), kReadOk) << ok.whyNotRead;
    for (size_t n = 0; n < good.size(); ++n) {
        CPolyModel m;
        const ReadResult r = ReadSVGText(m, good.substr(0, n));
        EXPECT_TRUE(r == kReadFailed || r == kReadOk);
        EXPECT_TRUE(r == kReadOk || !m.whyNotRead.empty());
    }
    std::mt19937 rng(28);
    const char alphabet[] = "<>/=\"' .-0123456789eMmCcAaZz#";
    for (int trial = 0; trial < 400; ++trial) {
        std::string text = good;
        for (int k = 0; k < 3; ++k)
            text[rng() % text.size()] = alphabet[rng() % (sizeof alphabet - 1)];
        CPolyModel m;
        const ReadResult r = ReadSVGText(m, text);
        EXPECT_TRUE(r == kReadFailed || r == kReadOk);
    }
}

TEST(SvgReader, TheOpenRoutineTakesSvg)
{
    const std::string path = testfiles::WriteScratch(
        "pattern.svg", Svg(std::string(kSquare) + R"x(<line x2="100" y2="100" stroke="#f00"/>)x"));
    OpenOptions keep;
    keep.normalize = false;
    const OpenOutcome out = OpenModel(path, nullptr, keep);
    ASSERT_EQ(out.result, kReadOk) << out.reason;
    EXPECT_EQ(out.model->faceCount, 2);
    EXPECT_EQ(out.model->fileName, path);
    const OpenOutcome bad = OpenModel(testfiles::WriteScratch("bad.svg", "<svg>"), nullptr, keep);
    EXPECT_EQ(bad.result, kReadFailed);
    EXPECT_NE(bad.reason.find("ends inside <svg>"), std::string::npos) << bad.reason;
}

TEST(SvgGeometry, ColoursAndTransformsReadAsWritten)
{
    EXPECT_EQ(ParseSvgColour("#F00")->r, 255);
    EXPECT_NEAR(ParseSvgColour(" rgb(0%, 50%, 100%) ")->g, 128, 1);
    EXPECT_EQ(ParseSvgColour("Magenta")->b, 255);
    EXPECT_FALSE(ParseSvgColour("none"));
    EXPECT_FALSE(ParseSvgColour("#12345"));
    const CSvgTransform t = *ParseSvgTransform("translate(10,20) rotate(90) scale(2 3)");
    const CPaperPoint p = t.Apply(1, 1);
    EXPECT_NEAR(p.u, 10 - 3, 1e-12);
    EXPECT_NEAR(p.v, 20 + 2, 1e-12);
    EXPECT_NEAR(t.MaxStretch(), 3.0, 1e-12);
    EXPECT_FALSE(ParseSvgTransform("matrix(1 2 3)"));
    std::vector<double> xy;
    EXPECT_TRUE(ParseSvgPoints("1.5.5-2e1,3", xy));
    EXPECT_EQ(xy, (std::vector<double>{1.5, 0.5, -20, 3}));
}

} // namespace

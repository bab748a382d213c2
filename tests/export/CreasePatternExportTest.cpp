#include "export/CreasePatternFile.h"
#include "export/ExportSVG.h"
#include "import/LoaderFOLD.h"
#include "model/PolyModel.h"
#include "paper/PaperLayout.h"
#include "support/Meshes.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include <cmath>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A 300 x 200 mm sheet (6 x 4 cells) opened, scaled to the unit cube, and
// folded 90 degrees (valley) along x = 150 mm.
std::unique_ptr<CPolyModel> FoldedSheet()
{
    auto m = testmesh::Grid(4, 6, 300.0, 200.0);
    testmesh::Build(*m);
    AssignPaper(*m);
    m->NormalizeToUnit();
    CWorkingShape form;
    FlatFromObject(*m->objects[0], m->paper.data(), form);
    const double hingeX = (150.0 - m->unitCentre.x) / m->unitScale;
    for (CVector3& p : form.pos)
        if (p.x > hingeX)
            p = {hingeX, p.y, p.x - hingeX}; // turned up about the line: a valley
    for (size_t t = 0; t < form.TriangleCount(); ++t) {
        form.UpdatePlane(t);
        for (int j = 0; j < 3; ++j) // the hinge is a crease, as a fold step records it
            if (std::fabs(form.corner[3 * t + j].paper.u - 150.0) < 1e-9 &&
                std::fabs(form.corner[3 * t + (j + 1) % 3].paper.u - 150.0) < 1e-9)
                form.tri[t].edge[j] |= EdgeMark::kCrease;
    }
    m->working = form;
    m->designing = true;
    return m;
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(CreasePatternExport, FoldFileHoldsThePatternAndTheFoldedForm)
{
    auto m = FoldedSheet();
    const std::string path = testfiles::ScratchDir() + "/fold.fold";
    std::string error;
    ASSERT_TRUE(WriteCreasePatternFile(*m, path, error)) << error;
    const nlohmann::json doc = nlohmann::json::parse(testfiles::ReadWhole(path));
    EXPECT_EQ(doc["file_spec"], 1.2);
    EXPECT_EQ(doc["file_creator"], "Lintoro");
    EXPECT_EQ(doc["file_classes"], nlohmann::json({"singleModel"}));
    EXPECT_EQ(doc["frame_classes"], nlohmann::json({"creasePattern"}));
    EXPECT_EQ(doc["frame_unit"], "mm");
    EXPECT_LT(doc["lintoro:strain"]["max"].get<double>(), 1e-9);
    EXPECT_LE(doc["lintoro:strain"]["mean"], doc["lintoro:strain"]["max"]);
    const auto& coords = doc["vertices_coords"];
    ASSERT_EQ(coords.size(), 35u);
    for (const auto& c : coords)
        EXPECT_EQ(c.size(), 2u);
    EXPECT_EQ(doc["faces_vertices"].size(), 48u);
    const auto& edges = doc["edges_vertices"];
    const auto& kinds = doc["edges_assignment"];
    const auto& angles = doc["edges_foldAngle"];
    ASSERT_EQ(kinds.size(), edges.size());
    ASSERT_EQ(angles.size(), edges.size());
    int valleys = 0, boundary = 0;
    for (size_t e = 0; e < edges.size(); ++e) {
        ASSERT_LT(edges[e][0].get<size_t>(), coords.size());
        ASSERT_LT(edges[e][1].get<size_t>(), coords.size());
        if (kinds[e] == "V") {
            ++valleys;
            EXPECT_NEAR(angles[e].get<double>(), 90.0, 1e-9);
            EXPECT_NEAR(coords[edges[e][0].get<size_t>()][0].get<double>(), 150.0, 1e-9);
        }
        boundary += kinds[e] == "B";
    }
    EXPECT_EQ(valleys, 4);
    EXPECT_EQ(boundary, 20);
    const auto& frame = doc["file_frames"][0];
    EXPECT_EQ(frame["frame_classes"], nlohmann::json({"foldedForm"}));
    EXPECT_EQ(frame["frame_parent"], 0);
    EXPECT_EQ(frame["frame_inherit"], true);
    const auto& folded = frame["vertices_coords"];
    ASSERT_EQ(folded.size(), coords.size());
    for (size_t v = 0; v < folded.size(); ++v) {
        // The form in millimetres: x beyond the hinge went up into z.
        const double u = coords[v][0].get<double>(), w = coords[v][1].get<double>();
        EXPECT_NEAR(folded[v][0].get<double>(), std::min(u, 150.0), 1e-9);
        EXPECT_NEAR(folded[v][1].get<double>(), w, 1e-9);
        EXPECT_NEAR(folded[v][2].get<double>(), std::max(u - 150.0, 0.0), 1e-9);
    }
}

TEST(CreasePatternExport, FoldReadBackGivesTheSameFormAndPaper)
{
    auto m = FoldedSheet();
    const std::string path = testfiles::ScratchDir() + "/again.fold";
    std::string error;
    ASSERT_TRUE(WriteCreasePatternFile(*m, path, error)) << error;
    CPolyModel back;
    ASSERT_EQ(ReadFOLD(back, path), kReadOk);
    ASSERT_TRUE(back.paperInfo.has);
    EXPECT_DOUBLE_EQ(back.paperInfo.width, 300.0);
    EXPECT_DOUBLE_EQ(back.paperInfo.height, 200.0);
    EXPECT_EQ(back.paperInfo.pieces, 1);
    const auto& faces = back.objects[0]->faces;
    ASSERT_EQ(faces.size(), m->working.TriangleCount());
    for (size_t f = 0; f < faces.size(); ++f)
        for (int j = 0; j < 3; ++j) {
            const CVector3 mm = m->working.Pos(f, j) * m->unitScale + m->unitCentre;
            const CVector3& read = faces[f]->corners[j]->vertex->pos;
            EXPECT_NEAR(Distance3D(mm, read), 0.0, 1e-9);
            EXPECT_EQ(back.paper[3 * f + j], m->working.corner[3 * f + j].paper);
        }
    // Written again, the reopened form gives the same pattern: its crease is
    // the design's, measured from the flat sheet, not part of the form as opened.
    back.NormalizeToUnit();
    const std::string again = testfiles::ScratchDir() + "/again-again.fold";
    ASSERT_TRUE(WriteCreasePatternFile(back, again, error)) << error;
    const nlohmann::json first = nlohmann::json::parse(testfiles::ReadWhole(path));
    const nlohmann::json second = nlohmann::json::parse(testfiles::ReadWhole(again));
    EXPECT_EQ(second["edges_assignment"], first["edges_assignment"]);
    EXPECT_EQ(second["edges_vertices"], first["edges_vertices"]);
    EXPECT_EQ(second["vertices_coords"], first["vertices_coords"]);
    EXPECT_EQ(Count(second["edges_assignment"].dump(), "\"V\""), 4u);
}

TEST(CreasePatternExport, SvgDrawsEachLineOnceWithTidyNumbers)
{
    auto m = FoldedSheet();
    const std::string path = testfiles::ScratchDir() + "/pattern.svg";
    std::string error;
    ASSERT_TRUE(WriteCreasePatternFile(*m, path, error)) << error;
    const std::string svg = testfiles::ReadWhole(path);
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("width=\"300mm\" height=\"200mm\" viewBox=\"0 0 300 200\""),
              std::string::npos);
    // Well formed: one root, every path element closes itself.
    EXPECT_EQ(Count(svg, "<svg "), 1u);
    EXPECT_EQ(Count(svg, "</svg>"), 1u);
    EXPECT_EQ(Count(svg, "<path "), Count(svg, "/>"));
    // The outline is one closed path, the valley one joined line; flat edges
    // are not drawn. The sheet went through the unit cube and back, yet no
    // number carries its rounding noise.
    EXPECT_EQ(Count(svg, "stroke=\"#000000\""), 1u);
    EXPECT_EQ(Count(svg, " Z\""), 1u);
    EXPECT_EQ(Count(svg, "stroke=\"#0000ff\""), 1u);
    EXPECT_EQ(Count(svg, "stroke=\"#ff0000\""), 0u);
    for (size_t dot = svg.find('.'); dot != std::string::npos; dot = svg.find('.', dot + 1))
        EXPECT_LE(svg.find_first_not_of("0123456789", dot + 1) - dot - 1, 6u) << svg.substr(dot);
    const size_t valley = svg.find("stroke=\"#0000ff\" stroke-opacity=\"0.5\" d=\"M 150 ");
    ASSERT_NE(valley, std::string::npos) << svg;
    const std::string d = svg.substr(valley, svg.find('\n', valley) - valley);
    EXPECT_EQ(Count(d, " L 150 "), 4u) << d; // 90 of 180 degrees, edge to edge of the sheet
}

TEST(CreasePatternExport, PdfIsOnePageOfVectorLines)
{
    auto m = FoldedSheet();
    const std::string path = testfiles::ScratchDir() + "/pattern.pdf";
    std::string error;
    ASSERT_TRUE(WriteCreasePatternFile(*m, path, error)) << error;
    const std::string pdf = testfiles::ReadWhole(path);
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    EXPECT_EQ(Count(pdf, "/Type /Page\n") + Count(pdf, "/Type /Page "), 1u);
    EXPECT_EQ(Count(pdf, "/Image"), 0u);
}

TEST(CreasePatternExport, RefusesWithoutPaperOrAKnownExtension)
{
    auto m = FoldedSheet();
    std::string error;
    EXPECT_FALSE(WriteCreasePatternFile(*m, testfiles::ScratchDir() + "/x.obj", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(WriteCreasePatternFile(*m, "/nonexistent-folder/x.svg", error));
    auto saddle = testmesh::Grid(4, 4, 1.0, 1.0, [](double x, double y) { return x * x - y * y; });
    testmesh::Build(*saddle);
    AssignPaper(*saddle);
    ASSERT_FALSE(saddle->paperInfo.has);
    EXPECT_FALSE(WriteCreasePatternFile(*saddle, testfiles::ScratchDir() + "/s.fold", error));
    EXPECT_EQ(error, saddle->paperInfo.whyNot);
    (void)kPi;
}

} // namespace

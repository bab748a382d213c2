#include "import/LoaderFOLD.h"
#include "import/ModelFile.h"
#include "model/PolyModel.h"
#include "support/Meshes.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

TEST(FoldReader, BadFilesFailWithTheirReasonAndChangeNothing)
{
    const struct {
        const char* text;
        const char* why;
    } bad[] = {
        {"", "line 1: not valid JSON"},
        {"{\n\"a\": 1,\n", "line 3: not valid JSON"},
        {"[1, 2]", "the top level is not a JSON object"},
        {R"({"faces_vertices": [[0, 1, 2]]})", "no vertices_coords"},
        {R"({"vertices_coords": [[0, 0], [1, 0], [0, 1]]})", "no faces_vertices"},
        {R"({"vertices_coords": [[0, 0], [1, 0], [0, 1]], "edges_vertices": [[0, 1]]})",
         "edges_vertices but no faces_vertices"},
        {R"({"vertices_coords": [[0, 0], [1, 0], [0, 1]], "faces_vertices": [[0, 1, 3]]})",
         "faces_vertices[0] names vertex 3, but there are 3 vertices"},
        {R"({"vertices_coords": [[0, 0], [1, 0], [0, 1]], "faces_vertices": [[0, 1, -1]]})",
         "faces_vertices[0] holds something other than a vertex number"},
        {R"({"vertices_coords": [[0, 0], [1, 0], [0, 1]], "faces_vertices": [[0, 1]]})",
         "faces_vertices[0] has fewer than 3 vertices"},
        {R"({"vertices_coords": [[0, 0], [1, 0], [0, 1e999]], "faces_vertices": [[0, 1, 2]]})",
         "a number is out of range"},
        {R"({"vertices_coords": [[0, 0], [1, 0], [0, "1"]], "faces_vertices": [[0, 1, 2]]})",
         "vertices_coords[2] is not a list of 2 or 3 numbers"},
        {R"({"vertices_coords": [[0, 0], [1, 0], [0, 1, 0, 0]], "faces_vertices": [[0, 1, 2]]})",
         "vertices_coords[2] is not a list of 2 or 3 numbers"},
        {R"({"vertices_coords": [[0, 0], [1, 0], [0, 1]], "faces_vertices": [[0, 1, 2]],
            "file_frames": [{"frame_classes": ["foldedForm"], "frame_parent": 0,
                             "frame_inherit": true, "vertices_coords": [[0, 0, 0], [1, 0, 0]]}]})",
         "the folded form has 2 vertices, the crease pattern 3"},
        {R"({"vertices_coords": [[0, 0], [1, 0], [2, 0]], "faces_vertices": [[0, 1, 2]]})",
         "no face has three distinct corners"},
        {R"({"file_frames": [{"frame_inherit": true, "frame_parent": 1,
                             "frame_classes": ["creasePattern"]}]})",
         "file_frames[0]: no vertices_coords"},
        {R"({"frame_unit": "furlong", "vertices_coords": [[0, 0], [1, 0], [0, 1]],
             "faces_vertices": [[0, 1, 2]]})",
         "frame_unit \"furlong\" is not a unit this reader knows"},
        {R"({"frame_classes": ["creasePattern"], "faces_vertices": [[0, 1, 2, 3]],
             "vertices_coords": [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 1]]})",
         "the crease pattern does not lie in one plane"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.text);
        auto m = testmesh::Triangle();
        testmesh::Build(*m);
        const int faces = m->faceCount;
        EXPECT_EQ(ReadFOLDText(*m, b.text), kReadFailed);
        EXPECT_NE(m->whyNotRead.find(b.why), std::string::npos) << m->whyNotRead;
        EXPECT_EQ(m->objects.size(), 1u);
        EXPECT_EQ(m->faceCount, faces);
        EXPECT_EQ(m->planes.size(), 1u);
        EXPECT_TRUE(m->paper.empty());
        EXPECT_FALSE(m->paperInfo.has);
    }
    CPolyModel m;
    EXPECT_EQ(ReadFOLD(m, testfiles::ScratchDir() + "/absent.fold"), kReadFailed);
}

TEST(FoldReader, APatternAloneOpensFlatAsItsOwnPaper)
{
    // An L-shaped hexagon (concave) and a triangle beside it, one vertex shared.
    const std::string text = R"({"file_spec": 1.2, "frame_classes": ["creasePattern"],
        "vertices_coords": [[0,0],[20,0],[20,10],[10,10],[10,20],[0,20],[30,0]],
        "faces_vertices": [[0,1,2,3,4,5],[1,6,2]],
        "edges_vertices": [[0,1]], "edges_assignment": ["B"]})";
    CPolyModel m;
    ASSERT_EQ(ReadFOLDText(m, text), kReadOk);
    ASSERT_TRUE(m.paperInfo.has);
    EXPECT_EQ(m.faceCount, 5);
    EXPECT_DOUBLE_EQ(m.paperInfo.width, 30.0);
    EXPECT_DOUBLE_EQ(m.paperInfo.height, 20.0);
    EXPECT_EQ(m.paperInfo.pieces, 1);
    EXPECT_DOUBLE_EQ(testmesh::PaperArea(m),
                     300.0 + 50.0); // every triangle counter-clockwise, none overlapping
    const auto& faces = m.objects[0]->faces;
    ASSERT_EQ(m.paper.size(), 3 * faces.size());
    for (size_t f = 0; f < faces.size(); ++f) {
        EXPECT_GT(faces[f]->normal.z, 0.0);
        for (int j = 0; j < 3; ++j) {
            const CVector3& p = faces[f]->corners[j]->vertex->pos;
            EXPECT_EQ(p.z, 0.0);
            EXPECT_EQ(m.paper[3 * f + j], (CPaperPoint{p.x, p.y}));
        }
    }
}

TEST(FoldReader, TheFoldedFrameIsTheFormAndDroppedFacesTakeTheirPaper)
{
    // The first face is degenerate (a repeated vertex) and goes; the paper of
    // the two that stay must stay with them.
    const std::string text = R"({"vertices_coords": [[0,0],[1,0],[1,1],[0,1]],
        "faces_vertices": [[0,1,1],[0,1,2],[0,2,3]],
        "file_frames": [{"frame_classes": ["foldedForm"], "frame_parent": 0,
                         "frame_inherit": true,
                         "vertices_coords": [[0,0,0],[1,0,0],[1,0,1],[0,0,1]]}]})";
    CPolyModel m;
    ASSERT_EQ(ReadFOLDText(m, text), kReadOk);
    const auto& faces = m.objects[0]->faces;
    ASSERT_EQ(faces.size(), 2u);
    ASSERT_EQ(m.paper.size(), 6u);
    const CPaperPoint expected[6] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(m.paper[k], expected[k]);
        const CVector3& p = faces[k / 3]->corners[k % 3]->vertex->pos;
        EXPECT_EQ(p, (CVector3{expected[k].u, 0.0, expected[k].v})); // stood up into x-z
    }
    EXPECT_EQ(m.bboxMax.z, 1.0);

    // A form without a pattern opens as it stands, for the layout to give it paper.
    const std::string formOnly = R"({"frame_classes": ["foldedForm"],
        "vertices_coords": [[0,0,0],[1,0,0],[1,0,1]], "faces_vertices": [[0,1,2]]})";
    CPolyModel f;
    ASSERT_EQ(ReadFOLDText(f, formOnly), kReadOk);
    EXPECT_FALSE(f.paperInfo.has);
    EXPECT_TRUE(f.paper.empty());
    EXPECT_EQ(f.faceCount, 1);
}

TEST(FoldReader, UnitsBecomeMillimetresFrameByFrame)
{
    // A letter sheet in inches; the folded frame inherits the unit.
    const std::string letter = R"({"frame_unit": "in", "frame_classes": ["creasePattern"],
        "vertices_coords": [[0,0],[8.5,0],[8.5,11],[0,11]], "faces_vertices": [[0,1,2,3]],
        "file_frames": [{"frame_classes": ["foldedForm"], "frame_parent": 0,
           "frame_inherit": true, "vertices_coords": [[0,0,0],[8.5,0,0],[8.5,0,11],[0,0,11]]}]})";
    CPolyModel m;
    ASSERT_EQ(ReadFOLDText(m, letter), kReadOk);
    EXPECT_DOUBLE_EQ(m.paperInfo.width, 215.9);
    EXPECT_DOUBLE_EQ(m.paperInfo.height, 279.4);
    EXPECT_DOUBLE_EQ(m.bboxMax.z, 279.4);
    EXPECT_NEAR(testmesh::PaperArea(m), 215.9 * 279.4, 1e-9);

    // Each frame its own: a pattern in points, its form in centimetres.
    const std::string mixed = R"({"frame_unit": "pt", "frame_classes": ["creasePattern"],
        "vertices_coords": [[0,0],[72,0],[0,72]], "faces_vertices": [[0,1,2]],
        "file_frames": [{"frame_classes": ["foldedForm"], "frame_parent": 0, "frame_unit": "cm",
           "frame_inherit": true, "vertices_coords": [[0,0,0],[2.54,0,0],[0,0,2.54]]}]})";
    CPolyModel p;
    ASSERT_EQ(ReadFOLDText(p, mixed), kReadOk);
    EXPECT_DOUBLE_EQ(p.paperInfo.width, 25.4);
    EXPECT_DOUBLE_EQ(p.bboxMax.z, 25.4);
}

TEST(FoldReader, EveryFaceOpensWholeWhereverItsListStarts)
{
    // A square with a vertex on its first side, next to a triangle below that
    // side's two halves: a fan from vertex 0 would start on a straight run.
    const std::string text = R"({"frame_classes": ["creasePattern"],
        "vertices_coords": [[0,0],[5,0],[10,0],[10,10],[0,10],[5,-5]],
        "faces_vertices": [[0,1,2,3,4],[0,5,1],[1,5,2]]})";
    CPolyModel m;
    ASSERT_EQ(ReadFOLDText(m, text), kReadOk);
    EXPECT_EQ(m.faceCount, 5);
    EXPECT_DOUBLE_EQ(testmesh::PaperArea(m), 100.0 + 25.0);
    EXPECT_EQ(m.paperInfo.pieces, 1); // no false cut along the side
}

TEST(FoldReader, PiecesFormsAndPatternsOutOfTheUsualPlace)
{
    // Two triangles touching at one vertex are two pieces.
    CPolyModel bowtie;
    ASSERT_EQ(ReadFOLDText(bowtie, R"({"vertices_coords": [[0,0],[1,0],[0,1],[-1,0],[0,-1]],
        "faces_vertices": [[0,1,2],[0,3,4]]})"),
              kReadOk);
    EXPECT_EQ(bowtie.paperInfo.pieces, 2);
    const OpenOutcome obj = OpenModel(
        testfiles::WriteScratch("bowtie.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv -1 0 0\nv 0 -1 0\n"
                                              "f 1 2 3\nf 1 4 5\n"),
        nullptr);
    ASSERT_EQ(obj.result, kReadOk);
    EXPECT_EQ(obj.model->paperInfo.pieces, 2);

    // The key frame holds no geometry; the form is in file_frames.
    CPolyModel form;
    ASSERT_EQ(ReadFOLDText(form, R"({"file_spec": 1.2, "file_frames": [
        {"frame_classes": ["foldedForm"], "vertices_coords": [[0,0,0],[1,0,0],[0,1,1]],
         "faces_vertices": [[0,1,2]]}]})"),
              kReadOk);
    EXPECT_EQ(form.faceCount, 1);
    EXPECT_FALSE(form.paperInfo.has);

    // A 10 x 20 pattern drawn in the plane x = 5 is laid flat in that plane.
    CPolyModel tilted;
    ASSERT_EQ(ReadFOLDText(tilted, R"({"frame_classes": ["creasePattern"],
        "vertices_coords": [[5,0,0],[5,10,0],[5,10,20],[5,0,20]], "faces_vertices": [[0,1,2,3]]})"),
              kReadOk);
    EXPECT_NEAR(tilted.paperInfo.width * tilted.paperInfo.height, 200.0, 1e-9);
    EXPECT_NEAR(testmesh::PaperArea(tilted), 200.0, 1e-9);
    for (const auto& f : tilted.objects[0]->faces)
        EXPECT_EQ(f->centre.z, 0.0);
}

TEST(FoldReader, AFormWhoseCornersMeetOpensWithItsPaper)
{
    // A 3 x 1 strip: the left square stood up, the right one folded flat back
    // over the middle, so its far corners lie on the left square's. Joined
    // by position this would not unfold at all.
    const std::string path = testfiles::WriteScratch("meet.fold", R"({
        "frame_classes": ["foldedForm"],
        "vertices_coords": [[0,0,1],[0,1,1],[0,0,0],[0,1,0],[1,0,0],[1,1,0],[0,0,0],[0,1,0]],
        "faces_vertices": [[0,2,3],[0,3,1],[2,4,5],[2,5,3],[4,6,7],[4,7,5]]})");
    OpenOptions keep;
    keep.normalize = false;
    const OpenOutcome out = OpenModel(path, nullptr, keep);
    ASSERT_EQ(out.result, kReadOk) << out.reason;
    const CPolyModel& m = *out.model;
    ASSERT_TRUE(m.paperInfo.has) << m.paperInfo.whyNot;
    EXPECT_EQ(m.paperInfo.pieces, 1);
    EXPECT_NEAR(std::max(m.paperInfo.width, m.paperInfo.height), 3.0, 1e-9);
    EXPECT_NEAR(std::min(m.paperInfo.width, m.paperInfo.height), 1.0, 1e-9);
    EXPECT_NEAR(testmesh::PaperArea(m), 3.0, 1e-9);
}

} // namespace

TEST(FoldReader, EveryEdgeKeepsItsAssignmentAndAngles)
{
    // A square of two triangles and a quad beside it: the diagonal is a
    // valley of 90, the shared side undriven, the quad's outer side a cut,
    // one side a mountain without an angle; the quad's own diagonal is ours.
    const std::string text = R"({"frame_classes": ["creasePattern"],
        "vertices_coords": [[0,0],[1,0],[1,1],[0,1],[2,0],[2,1]],
        "faces_vertices": [[0,1,2],[0,2,3],[1,4,5,2]],
        "edges_vertices": [[0,2],[1,2],[4,5],[0,1],[2,3],[3,0],[1,4],[5,2]],
        "edges_assignment": ["v","U","C","M","J","B","F","B"],
        "edges_foldAngle": [90, 0, 0, null, 0, 0, 0, 0],
        "lintoro:edges_bendAngle": [0, 0, 0, 0, 0, 0, 7.5, 0],
        "file_frames": [{"frame_classes": ["foldedForm"], "frame_parent": 0,
                         "frame_inherit": true,
                         "vertices_coords": [[0,0,0],[1,0,0],[1,1,0],[0,1,0],[2,0,0],[2,1,0]]}]})";
    CPolyModel m;
    ASSERT_EQ(ReadFOLDText(m, text), kReadOk);
    EXPECT_TRUE(m.patternHasForm);
    const auto& faces = m.objects[0]->faces;
    ASSERT_EQ(m.edgeRecords.size(), 3 * faces.size());
    ASSERT_EQ(m.edgeMarks.size(), 3 * faces.size());
    const auto& verts = m.objects[0]->vertices;
    const auto index = [&](const CPolyVertex* v) {
        return std::find(verts.begin(), verts.end(), v) - verts.begin();
    };
    int inside = 0;
    for (size_t f = 0; f < faces.size(); ++f)
        for (int j = 0; j < 3; ++j) {
            const auto a = index(faces[f]->corners[j]->vertex);
            const auto b = index(faces[f]->corners[(j + 1) % 3]->vertex);
            const CEdgeRecord& r = m.edgeRecords[3 * f + j];
            const uint8_t mark = m.edgeMarks[3 * f + j];
            const auto is = [&](int p, int q) { return (a == p && b == q) || (a == q && b == p); };
            if (is(0, 2)) {
                EXPECT_EQ(r.assignment, EdgeAssignment::Valley);
                EXPECT_TRUE(r.hasFoldAngle);
                EXPECT_EQ(r.foldAngle, 90.0);
                EXPECT_EQ(mark, EdgeMark::kCrease | EdgeMark::kValley);
            } else if (is(0, 1)) {
                EXPECT_EQ(r.assignment, EdgeAssignment::Mountain);
                EXPECT_FALSE(r.hasFoldAngle); // null: folded flat by its letter
                EXPECT_EQ(mark, EdgeMark::kCrease);
            } else {
                EXPECT_EQ(mark, 0);
                if (is(1, 2)) {
                    EXPECT_EQ(r.assignment, EdgeAssignment::Unassigned);
                }
                if (is(4, 5)) {
                    EXPECT_EQ(r.assignment, EdgeAssignment::Cut);
                }
                if (is(2, 3)) {
                    EXPECT_EQ(r.assignment, EdgeAssignment::Join);
                }
                if (is(1, 4)) {
                    EXPECT_EQ(r.assignment, EdgeAssignment::Flat);
                    EXPECT_EQ(r.bendAngle, 7.5);
                }
                if (r.assignment == EdgeAssignment::None)
                    ++inside; // the quad's diagonal, twice
            }
        }
    EXPECT_EQ(inside, 2);
    EXPECT_EQ(EdgeAssignmentLetter(EdgeAssignment::Join), 'J');
    EXPECT_EQ(EdgeAssignmentFromLetter('x'), EdgeAssignment::None);

    // Without edge lists the records stay empty, and a pattern alone has no form.
    CPolyModel bare;
    ASSERT_EQ(ReadFOLDText(bare, R"({"vertices_coords": [[0,0],[1,0],[0,1]],
        "faces_vertices": [[0,1,2]]})"),
              kReadOk);
    EXPECT_TRUE(bare.edgeRecords.empty());
    EXPECT_FALSE(bare.patternHasForm);
}

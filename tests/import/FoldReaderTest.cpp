#include "import/LoaderFOLD.h"
#include "model/PolyModel.h"
#include "support/Meshes.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

double PaperArea(const CPolyModel& m)
{
    double area = 0.0;
    for (size_t k = 0; k + 2 < m.paper.size(); k += 3) {
        const CPaperPoint &a = m.paper[k], &b = m.paper[k + 1], &c = m.paper[k + 2];
        area += 0.5 * ((b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u));
    }
    return area;
}

TEST(FoldReader, BadFilesFailAndChangeNothing)
{
    const char* bad[] = {
        "",
        "{",
        "[1, 2]",
        R"({"faces_vertices": [[0, 1, 2]]})",
        R"({"vertices_coords": [[0, 0], [1, 0], [0, 1]]})",
        R"({"vertices_coords": [[0, 0], [1, 0], [0, 1]], "faces_vertices": [[0, 1, 3]]})",
        R"({"vertices_coords": [[0, 0], [1, 0], [0, 1]], "faces_vertices": [[0, 1, -1]]})",
        R"({"vertices_coords": [[0, 0], [1, 0], [0, 1]], "faces_vertices": [[0, 1]]})",
        R"({"vertices_coords": [[0, 0], [1, 0], [0, 1e999]], "faces_vertices": [[0, 1, 2]]})",
        R"({"vertices_coords": [[0, 0], [1, 0], [0, "1"]], "faces_vertices": [[0, 1, 2]]})",
        R"({"vertices_coords": [[0, 0], [1, 0], [0, 1, 0, 0]], "faces_vertices": [[0, 1, 2]]})",
        R"({"vertices_coords": [[0, 0], [1, 0], [0, 1]], "faces_vertices": [[0, 1, 2]],
            "file_frames": [{"frame_classes": ["foldedForm"], "frame_parent": 0,
                             "frame_inherit": true, "vertices_coords": [[0, 0, 0], [1, 0, 0]]}]})",
        R"({"vertices_coords": [[0, 0], [1, 0], [2, 0]], "faces_vertices": [[0, 1, 2]]})",
        R"({"file_frames": [{"frame_inherit": true, "frame_parent": 1,
                             "frame_classes": ["creasePattern"]}]})",
    };
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        auto m = testmesh::Triangle();
        testmesh::Build(*m);
        const int faces = m->faceCount;
        EXPECT_EQ(ReadFOLDText(*m, text), kReadFailed);
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
    EXPECT_DOUBLE_EQ(PaperArea(m),
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

} // namespace

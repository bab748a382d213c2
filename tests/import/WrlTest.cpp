#include "import/ModelFile.h"
#include "import/TextReaderSupport.h"
#include "model/PolyModel.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <map>

using textreader::FaceTotal;
using textreader::RecordingProgress;
using textreader::TotalArea;

namespace {

const char* kHead = "#VRML V1.0 ascii\n\n";

int Read(const std::string& name, const std::string& body, CPolyModel& model,
         IProgress* progress = nullptr)
{
    return model.ReadWRL(testfiles::WriteScratch(name + ".wrl", body), progress);
}

std::string Square(const std::string& coordIndex)
{
    return std::string(kHead) +
           "Separator {\n  Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }\n"
           "  IndexedFaceSet {\n    coordIndex " +
           coordIndex + "\n  }\n}\n";
}

} // namespace

TEST(Wrl, PointsAndFacesWithProgress)
{
    CPolyModel m;
    RecordingProgress progress;
    const std::string path =
        testfiles::WriteScratch("square.wrl", Square("[\n 0, 1, 2, -1,\n 0, 2, 3, -1,\n ]"));
    ASSERT_EQ(m.ReadWRL(path, &progress), kReadOk);
    EXPECT_EQ(m.fileName, path);
    ASSERT_EQ(m.objects.size(), 1u);
    EXPECT_EQ(m.objects[0]->vertices.size(), 4u);
    EXPECT_EQ(m.objects[0]->vertices[3]->id, 3);
    EXPECT_EQ(m.faceCount, 2);
    EXPECT_NEAR(TotalArea(m), 1.0, 1e-12);
    // Corners keep the file's order: counter-clockwise gives +z.
    EXPECT_NEAR(m.objects[0]->faces[0]->normal.z, 1.0, 1e-12);
    EXPECT_EQ(progress.title, "File Open");
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"Loading...", "Constructing..."}));
}

// The face list is a stream of numbers, however the lines fall.
TEST(Wrl, FaceListLayouts)
{
    const std::map<std::string, int> triangles = {
        {"[ 0, 1, 2, -1, 0, 2, 3, -1 ]", 2},      // several faces on one line
        {"[0,1,2,-1,0,2,3,-1]", 2},               // brackets and commas glued to numbers
        {"[ 0 1 2 -1\n 0 2 3 -1 ]", 2},           // "]" not first on its line
        {"[ 0, 1, 2, -1, 0, 2, 3 ]", 2},          // last face without -1
        {"[ 0, 1, 2, 3, ]", 2},                   // one quad, trailing comma
        {"[ 0, 1, 2, # comment 5 6 ]\n -1 ]", 1}, // comment inside the list
        {"[ 0 1 2 -1 -1 -1 ]", 1},                // repeated -1 adds no face
        {"[]", 0},
    };
    for (const auto& [list, count] : triangles) {
        CPolyModel m;
        const int result = Read("layout", Square(list), m);
        if (count == 0) {
            EXPECT_EQ(result, kReadFailed) << list;
            continue;
        }
        ASSERT_EQ(result, kReadOk) << list;
        EXPECT_EQ(m.faceCount, count) << list;
    }
}

TEST(Wrl, EachCoordinate3StartsAnObject)
{
    const std::string body = std::string(kHead) +
                             "Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
                             "IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }\n"
                             "Coordinate3 { point [ 5 5 5, 6 5 5, 5 6 5, 9 9 9 ] }\n"
                             "IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }\n"
                             "IndexedFaceSet { coordIndex [ 3, 1, 2, -1 ] }\n";
    CPolyModel m;
    ASSERT_EQ(Read("objects", body, m), kReadOk);
    ASSERT_EQ(m.objects.size(), 2u);
    EXPECT_EQ(m.objects[0]->faces.size(), 1u);
    EXPECT_EQ(m.objects[1]->faces.size(), 2u);
    EXPECT_EQ(m.objects[1]->faces[0]->corners[0]->vertex->pos, CVector3(5, 5, 5));
    EXPECT_EQ(m.bboxMax, CVector3(9, 9, 9));
}

TEST(Wrl, OtherNodesStringsAndCommentsArePassedOver)
{
    const std::string body = std::string(kHead) +
                             "# Coordinate3 { point [ 7 7 7 ] }\n"
                             "Info { string \"Coordinate3 { IndexedFaceSet } \\\" ]\" }\n"
                             "Group{Coordinate3{point[0 0 0,2 0 0,0 2 0]}\n"
                             "  IndexedLineSet { coordIndex [ 0, 5, 9, -1 ] }\n"
                             "  Normal { vector [0 0 1, 1 0 0] }\n"
                             "  IndexedFaceSet { coordIndex [0, 1, 2] normalIndex [ 0, 0, 0 ] }}\n";
    CPolyModel m;
    ASSERT_EQ(Read("others", body, m), kReadOk);
    ASSERT_EQ(m.objects.size(), 1u);
    EXPECT_EQ(m.objects[0]->vertices.size(), 3u);
    EXPECT_EQ(m.faceCount, 1);
    EXPECT_NEAR(TotalArea(m), 2.0, 1e-12);
}

TEST(Wrl, SinglePointAndCommentedPoints)
{
    const std::string body = std::string(kHead) +
                             "Coordinate3 { point [ 0 0 0,\n # 9 9 9,\n 1 0 0,\n 0 1 0 ] }\n"
                             "Coordinate3 { point 4 4 4 }\n"
                             "IndexedFaceSet { coordIndex [ 0, 0, 0 ] }\n"
                             "Coordinate3 { point [ +1.0e0 0 0, 0 -1 0 0 0 -1 ] }\n"
                             "IndexedFaceSet { coordIndex [ 0 1 2 ] }\n";
    CPolyModel m;
    ASSERT_EQ(Read("points", body, m), kReadOk);
    // The single-point object has only a collapsed face and disappears.
    ASSERT_EQ(m.objects.size(), 1u);
    EXPECT_EQ(m.objects[0]->vertices[2]->pos, CVector3(0, 0, -1));
}

TEST(Wrl, MalformedInputFails)
{
    const std::map<std::string, std::string> cases = {
        {"empty", ""},
        {"comments-only", "#VRML V1.0 ascii\n# nothing\n"},
        {"faces-before-points", std::string(kHead) + "IndexedFaceSet { coordIndex [0,1,2] }\n" +
                                    "Coordinate3 { point [0 0 0, 1 0 0, 0 1 0] }\n"},
        {"index-range", Square("[ 0, 1, 4, -1 ]")},
        {"index-negative", Square("[ 0, -2, 1, -1 ]")},
        {"word-in-list", Square("[ 0, 1, 2, -1 }\n} Separator { ]")},
        {"eof-in-list", Square("[ 0, 1, 2, -1").substr(0, Square("[ 0, 1, 2, -1").find("\n  }"))},
        {"eof-in-node", std::string(kHead) + "Coordinate3 { point [0 0 0, 1 0 0, 0 1 0]"},
        {"eof-in-point", std::string(kHead) + "Coordinate3 { point [ 0 0 0, 1 0"},
        {"partial-point", std::string(kHead) + "Coordinate3 { point [ 0 0 0, 1 0 ] }\n"},
        {"word-in-points", std::string(kHead) + "Coordinate3 { point [ 0 0 x ] }\n"},
        {"unclosed-string", std::string(kHead) + "Coordinate3 { point [0 0 0, 1 0 0, 0 1 0] }\n"
                                                 "IndexedFaceSet { coordIndex [0 1 2] \"x }\n"},
    };
    for (const auto& [name, body] : cases) {
        CPolyModel m;
        RecordingProgress progress;
        EXPECT_EQ(Read("bad-" + name, body, m, &progress), kReadFailed) << name;
        EXPECT_EQ(progress.begins, progress.ends) << name;
    }
    CPolyModel missing;
    EXPECT_EQ(missing.ReadWRL(testfiles::ScratchDir() + "/no-such.wrl"), kReadFailed);
}

TEST(Wrl, CancelStopsTheRead)
{
    std::string points;
    for (int i = 0; i < 3000; ++i)
        points += std::to_string(i) + " " + std::to_string(i % 5) + " 0,\n";
    CPolyModel m;
    RecordingProgress progress(/*cancelAtPos=*/30);
    EXPECT_EQ(
        Read("cancel", std::string(kHead) + "Coordinate3 { point [" + points + "] }", m, &progress),
        kReadCancelled);
    EXPECT_EQ(progress.positions.back(), 30);
    EXPECT_EQ(progress.ends, 1);
}

// Every shared VRML file: the faces its authors meant, fanned into triangles.
TEST(Wrl, SharedFiles)
{
    LINTORO_REQUIRE_SHARED_DATA();
    struct Expect {
        int result;
        int faces;
        size_t objects;
    };
    const std::map<std::string, Expect> expected = {
        {"castle-empty.wrl", {kReadFailed, 0, 0}},
        // A 10-gon whose repeated points collapse to a hexagon.
        {"castle-concave.wrl", {kReadOk, 4, 1}},
        {"castle-normals.wrl", {kReadOk, 8, 1}},
        {"castle-flat_triangles_octree_test.wrl", {kReadOk, 134, 1}},
        {"koin3d-planeador.wrl", {kReadOk, 117, 1}},
        {"koin3d-source_visualization_VRML_g4vrmlview_sample.wrl", {kReadOk, 112, 4}},
        {"castle-ghost_stand_1.wrl", {kReadOk, 2472, 2}},
        {"globe3d-skotknot.wrl", {kReadOk, 3730, 3}},
        {"castle-castle.wrl", {kReadOk, 810, 10}},
        {"castle-forest.wrl", {kReadOk, 11647, 4}},
    };
    const auto files = testfiles::SharedFiles("wrl");
    ASSERT_EQ(files.size(), expected.size());
    for (const std::string& path : files) {
        const std::string name = FileBaseName(path);
        ASSERT_TRUE(expected.count(name)) << name;
        const Expect& e = expected.at(name);
        CPolyModel m;
        ASSERT_EQ(m.ReadWRL(path), e.result) << name;
        if (e.result != kReadOk)
            continue;
        EXPECT_EQ(m.faceCount, e.faces) << name;
        EXPECT_EQ(FaceTotal(m), static_cast<size_t>(e.faces)) << name;
        EXPECT_EQ(m.objects.size(), e.objects) << name;
    }
}

TEST(Wrl, SharedFilesKeepTheirShape)
{
    LINTORO_REQUIRE_SHARED_DATA();
    const std::string dir = testfiles::SharedDataDir() + "/wrl/";
    {
        // Commented points must not shift the list: the outline spans x 0..2.85, y 0.15..1.85.
        CPolyModel m;
        ASSERT_EQ(m.ReadWRL(dir + "castle-concave.wrl"), kReadOk);
        EXPECT_EQ(m.bboxMin, CVector3(0, 0.15, 0));
        EXPECT_EQ(m.bboxMax, CVector3(2.85, 1.85, 0));
    }
    {
        // Four 10 x 5 quads on the one point list.
        CPolyModel m;
        ASSERT_EQ(m.ReadWRL(dir + "castle-normals.wrl"), kReadOk);
        EXPECT_NEAR(TotalArea(m), 200.0, 1e-9);
    }
}

// Every third-party OBJ file in the shared folder opens through the same
// routine as the program's Open command, with the outcome we expect of it.

#include "import/ModelFile.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

struct Expected {
    int result;
    int faces;
    bool texCoords;
};

const std::map<std::string, Expected>& ExpectedOutcomes()
{
    static const std::map<std::string, Expected> table = {
        {"assimp-box.obj", {kReadNotTriangles, 0, false}},
        {"tinyobj-cornell_box.obj", {kReadNotTriangles, 0, false}},
        // Its one face is collinear, so nothing survives.
        {"assimp-number_formats.obj", {kReadFailed, 0, false}},
        {"assimp-cube_mtllib_after_g.obj", {kReadOk, 12, false}},
        {"assimp-multiple_spaces.obj", {kReadOk, 1, false}},
        {"assimp-regr01.obj", {kReadOk, 2706, true}},
        {"assimp-spider.obj", {kReadOk, 1312, true}},
        {"o3dv-empty_meshes.obj", {kReadOk, 2, false}},
        {"o3dv-single_triangle_negative_indices.obj", {kReadOk, 1, false}},
        {"o3dv-single_triangle_with_normals_and_uvs.obj", {kReadOk, 1, true}},
    };
    return table;
}

TEST(ObjSharedFiles, EachFileOpensOrFailsAsExpected)
{
    LINTORO_REQUIRE_SHARED_DATA();
    const auto files = testfiles::SharedFiles("obj");
    ASSERT_FALSE(files.empty());
    for (const std::string& path : files) {
        const std::string name = FileBaseName(path);
        SCOPED_TRACE(name);
        const OpenOutcome out = ReadModelFile(path, nullptr);
        const auto it = ExpectedOutcomes().find(name);
        if (it == ExpectedOutcomes().end()) {
            // A file added later: it must at least open or fail cleanly.
            EXPECT_TRUE(out.result == kReadOk || !out.message.empty());
            continue;
        }
        EXPECT_EQ(out.result, it->second.result);
        if (out.result != kReadOk) {
            EXPECT_EQ(out.model, nullptr);
            EXPECT_EQ(out.message, ReadResultMessage(it->second.result));
            continue;
        }
        ASSERT_NE(out.model, nullptr);
        EXPECT_EQ(out.model->faceCount, it->second.faces);
        EXPECT_EQ(out.model->hasTexCoords != 0, it->second.texCoords);
        EXPECT_EQ(out.model->objects.size(), 1u);
        for (const CPolyFace* f : out.model->objects[0]->faces)
            EXPECT_EQ(f->corners.size(), 3);
    }
}

TEST(ObjSharedFiles, NegativeIndexTriangleSpansTheUnitSquareCorner)
{
    LINTORO_REQUIRE_SHARED_DATA();
    const OpenOutcome out = ReadModelFile(
        testfiles::SharedDataDir() + "/obj/o3dv-single_triangle_negative_indices.obj", nullptr);
    ASSERT_EQ(out.result, kReadOk);
    EXPECT_EQ(out.model->bboxMin.x, 0.0);
    EXPECT_EQ(out.model->bboxMax.x, 1.0);
    EXPECT_EQ(out.model->bboxMax.y, 1.0);
}

TEST(ObjSharedFiles, ExtensionIsMatchedWithoutRegardToCase)
{
    LINTORO_REQUIRE_SHARED_DATA();
    const std::string copy = testfiles::WriteScratch(
        "MODEL.OBJ", testfiles::ReadWhole(testfiles::SharedDataDir() + "/obj/assimp-spider.obj"));
    const OpenOutcome out = ReadModelFile(copy, nullptr);
    ASSERT_EQ(out.result, kReadOk);
    EXPECT_EQ(out.model->faceCount, 1312);
}

} // namespace

// The open routine the design view and the command line share.

#include "import/ModelFile.h"
#include "model/PolyModel.h"
#include "support/Meshes.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::vector<CVector3> Positions(const CPolyModel& m)
{
    std::vector<CVector3> out;
    for (const auto& obj : m.objects)
        for (const CPolyVertex* v : obj->vertices)
            out.push_back(v->pos);
    return out;
}

} // namespace

TEST(OpenModel, ScalesIntoTheUnitCubeAfterReadingUnlessAskedNotTo)
{
    const std::string path =
        testfiles::WriteScratch("offset.obj", "v 10 20 30\nv 14 20 30\nv 10 22 31\nf 1 2 3\n");
    const OpenOutcome read = ReadModelFile(path, nullptr);
    ASSERT_EQ(read.result, kReadOk);
    const std::vector<CVector3> asRead = Positions(*read.model);

    OpenOptions keep;
    keep.normalize = false;
    const OpenOutcome kept = OpenModel(path, nullptr, keep);
    ASSERT_EQ(kept.result, kReadOk);
    EXPECT_EQ(Positions(*kept.model), asRead);
    EXPECT_EQ(kept.model->unitScale, 1.0);

    const OpenOutcome opened = OpenModel(path, nullptr);
    ASSERT_EQ(opened.result, kReadOk);
    EXPECT_TRUE(opened.message.empty());
    const CPolyModel& m = *opened.model;
    EXPECT_EQ(m.unitCentre, CVector3(12, 21, 30.5));
    EXPECT_DOUBLE_EQ(m.unitScale, 2.0 * 1.0001);
    const std::vector<CVector3> unit = Positions(m);
    ASSERT_EQ(unit.size(), asRead.size());
    for (size_t i = 0; i < unit.size(); ++i) {
        EXPECT_LE(std::abs(unit[i].x), 1.0);
        EXPECT_LE(std::abs(unit[i].y), 1.0);
        EXPECT_LE(std::abs(unit[i].z), 1.0);
        const CVector3 back = unit[i] * m.unitScale + m.unitCentre;
        EXPECT_NEAR(Distance3D(back, asRead[i]), 0.0, 1e-12);
    }
}

TEST(OpenModel, AReaderStandInIsScaledTooAndFailuresPassThroughUntouched)
{
    int calls = 0;
    OpenOptions options;
    options.reader = [&calls](const std::string& path, IProgress*) {
        ++calls;
        OpenOutcome out;
        out.model = testmesh::Strip();
        out.model->BuildTopology();
        out.model->fileName = path;
        out.result = kReadOk;
        return out;
    };
    const OpenOutcome ok = OpenModel("strip.obj", nullptr, options);
    ASSERT_EQ(ok.result, kReadOk);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ok.model->fileName, "strip.obj");
    EXPECT_EQ(ok.model->unitCentre, CVector3(0.5, 0.5, 0));

    options.reader = [](const std::string&, IProgress*) {
        OpenOutcome out;
        out.result = kReadCancelled;
        out.message = ReadResultMessage(kReadCancelled);
        return out;
    };
    const OpenOutcome cancelled = OpenModel("slow.obj", nullptr, options);
    EXPECT_EQ(cancelled.result, kReadCancelled);
    EXPECT_EQ(cancelled.message, "Canceled");
    EXPECT_FALSE(cancelled.model);

    // Without a stand-in the extension picks the reader; unknown ones are refused.
    const OpenOutcome unknown =
        OpenModel(testfiles::WriteScratch("notes.txt", "v 0 0 0\n"), nullptr);
    EXPECT_EQ(unknown.result, kReadFailed);
    EXPECT_EQ(unknown.message, kCannotOpenMessage);
}

TEST(OpenModel, AFailedOpenSaysWhichFileAndWhy)
{
    const std::string folder = testfiles::ScratchDir() + "/folder.obj";
    std::filesystem::create_directories(folder);
    const struct {
        std::string path;
        const char* why;
    } cases[] = {
        {testfiles::ScratchDir() + "/absent.obj", "No such file or directory"},
        {folder, "Is a directory"},
        {testfiles::WriteScratch("empty.mqo", ""), "the file is empty"},
        {testfiles::WriteScratch("short.obj", "v 0 0 0\nv 1 0\n"),
         "line 2: the file ends inside a \"v\" statement"},
        {testfiles::WriteScratch("index.obj", "v 0 0 0\n\nf 1 2 3\n"),
         "line 3: face corner \"2\" names no vertex (1 are defined before it)"},
        {testfiles::WriteScratch("junk.mqo", "hello\n"), "not an MQO file"},
        {testfiles::WriteScratch("cut.wrl", "#VRML V1.0 ascii\nCoordinate3 { point [ 0 0"),
         "the file ends too soon"},
        {testfiles::WriteScratch("bad.rok", "POINT\n1 2 3"), "the file ends too soon"},
        {testfiles::WriteScratch("none.qwf", "# nothing\n"), "no \"version\" line"},
        {testfiles::WriteScratch("flat.dxf", "0\nSECTION\n0\nEOF\n"),
         "no face has three distinct corners"},
        {testfiles::WriteScratch("junk.3ds", "not a chunk at all"), "not a valid 3DS file"},
        {testfiles::WriteScratch("bad.fold", "{\n\"vertices_coords\": [[0,0],[1,0],[0,1]],\n"
                                             "\"faces_vertices\": [[0,1,7]]}"),
         "faces_vertices[0] names vertex 7, but there are 3 vertices"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const OpenOutcome out = OpenModel(c.path, nullptr);
        EXPECT_EQ(out.result, kReadFailed);
        EXPECT_EQ(out.message, "File open failed");
        EXPECT_FALSE(out.model);
        EXPECT_EQ(OpenFailureDetail(c.path, out), c.path + ": " + out.reason);
        EXPECT_NE(out.reason.find(c.why), std::string::npos) << out.reason;
    }
    const OpenOutcome quad = OpenModel(
        testfiles::WriteScratch("quad.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3 1\n"), nullptr);
    EXPECT_EQ(quad.result, kReadNotTriangles);
    EXPECT_EQ(quad.reason, "line 4: a face with more than three corners");
}

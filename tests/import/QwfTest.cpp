#include "import/ModelFile.h"
#include "model/CSlicePlane.h"
#include "model/PolyModel.h"
#include "model/Progress.h"
#include "slices/SliceParts.h"
#include "support/RecordingProgress.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A square slice at x = 0.5 with one part, and the mesh of one triangle.
const char* kSquareSlice = "sp 0 0.5 -1 1  0.5 1 1  0.5 1 -1  0.5 -1 -1\n"
                           "pa\n"
                           "v 0.5 0 0 1 1\n v 0.5 0.5 0 1 1.5\n v 0.5 0.5 0.5 0.5 1.5\n"
                           "v 0.5 0 0.5 0.5 1\n v 0.5 0 0 1 1\n"
                           "/pa\n";
const char* kMesh = "model\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

std::string Line(int partner)
{
    return "e " + std::to_string(partner) + " 0.5 0 0 0.5 0 1 0 0 1 1\n";
}

struct Loaded {
    std::unique_ptr<CPolyModel> model = std::make_unique<CPolyModel>();
    ReadResult result = kReadFailed;
};

Loaded Load(const std::string& text, IProgress* progress = nullptr)
{
    Loaded out;
    const std::string path = testfiles::WriteScratch("t.qwf", text);
    out.result = out.model->ReadQWF(path, progress);
    return out;
}

} // namespace

TEST(QwfReader, ReadsSlicesPartsAndMesh)
{
    RecordingProgress progress;
    const Loaded r = Load(
        std::string("# made by hand\nversion 2\n") + kSquareSlice + "/sp\n" + kMesh, &progress);
    ASSERT_EQ(r.result, kReadOk);
    const CPolyModel& m = *r.model;
    EXPECT_EQ(m.fileName, testfiles::ScratchDir() + "/t.qwf");
    ASSERT_EQ(m.planes.size(), 2u);
    const CSlicePlane& s = *m.planes[0];
    EXPECT_EQ(s.axisType, 0);
    EXPECT_EQ(s.corners[2].z, -1.0);
    EXPECT_DOUBLE_EQ(s.a, -1.0); // plane equation from the corners: x = 0.5
    EXPECT_DOUBLE_EQ(s.d, 0.5);
    ASSERT_EQ(s.parts.size(), 1u);
    EXPECT_EQ(s.parts[0]->outline.size(), 5u);
    EXPECT_EQ(s.parts[0]->owner, &s);
    EXPECT_GE(s.parts[0]->triangles.size(), 2u); // triangulated at `/pa`
    EXPECT_EQ(s.minU, 0.5);
    EXPECT_EQ(s.maxU, 1.0);
    EXPECT_EQ(s.minV, 1.0);
    EXPECT_EQ(s.maxV, 1.5);
    EXPECT_DOUBLE_EQ(s.paddedWidth, 0.7);
    EXPECT_DOUBLE_EQ(s.paddedHeight, 0.7);
    // The reflection plane comes after the file's slices.
    EXPECT_EQ(m.planes.back().get(), m.currentPlane);
    EXPECT_EQ(m.pickedPlane, nullptr);
    ASSERT_EQ(m.objects.size(), 1u); // the empty first object is dropped
    EXPECT_EQ(m.faceCount, 1);
    EXPECT_EQ(progress.begins, 1);
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(progress.title, "File Open");
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"Loading...", "Constructing..."}));
}

TEST(QwfReader, MeshFacesShareVertexRecords)
{
    const Loaded r = Load(std::string("version 1\nmodel\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                                      "f 1 2 3\nf 2 4 3\nvn 0 0 1\n"));
    ASSERT_EQ(r.result, kReadOk);
    const CPolyObject& obj = *r.model->objects[0];
    ASSERT_EQ(obj.faces.size(), 2u);
    EXPECT_EQ(obj.vertices.size(), 4u);
    EXPECT_EQ(obj.faces[0]->corners[1]->vertex, obj.faces[1]->corners[0]->vertex);
    EXPECT_EQ(r.model->planes.size(), 1u); // only the reflection plane
}

TEST(QwfReader, PaddedSizeIsSetOnlyWhenTheSliceEnds)
{
    const Loaded r = Load(std::string("version 1\n") + kSquareSlice + kMesh);
    ASSERT_EQ(r.result, kReadOk);
    const CSlicePlane& s = *r.model->planes[0];
    EXPECT_EQ(s.paddedWidth, 0.0);
    EXPECT_EQ(s.maxV, 1.5); // bounds grow as vertices are read
}

TEST(QwfReader, LineIdsRunInFileOrderAndMutualPartnersPair)
{
    const std::string text = std::string("version 1\n") + kSquareSlice + Line(3) + Line(2) +
                             "/sp\n" + kSquareSlice + Line(1) + "/sp\n" + kMesh;
    const Loaded r = Load(text);
    ASSERT_EQ(r.result, kReadOk);
    const CSlicePlane& a = *r.model->planes[0];
    const CSlicePlane& b = *r.model->planes[1];
    ASSERT_EQ(a.lines.size(), 2u);
    ASSERT_EQ(b.lines.size(), 1u);
    EXPECT_EQ(a.lines[0]->id, 1);
    EXPECT_EQ(a.lines[1]->id, 2);
    EXPECT_EQ(b.lines[0]->id, 3);
    EXPECT_EQ(a.lines[0]->partner, b.lines[0].get());
    EXPECT_EQ(b.lines[0]->partner, a.lines[0].get());
    EXPECT_EQ(b.lines[0]->owner, &b);
    EXPECT_EQ(a.lines[1]->partner, nullptr); // names itself
    EXPECT_EQ(a.lines[0]->z2, 1.0);
    EXPECT_EQ(a.lines[0]->v2, 1.0);
}

TEST(QwfReader, OneSidedPartnerIdsLeaveNothingToDangle)
{
    // 1 -> 2, 2 -> 3, 3 -> 2: only 2 and 3 pair.
    const std::string text = std::string("version 1\n") + kSquareSlice + Line(2) + "/sp\n" +
                             kSquareSlice + Line(3) + "/sp\n" + kSquareSlice + Line(2) + "/sp\n" +
                             kMesh;
    Loaded r = Load(text);
    ASSERT_EQ(r.result, kReadOk);
    CPolyModel& m = *r.model;
    CSlicePlane* a = m.planes[0].get();
    CSlicePlane* b = m.planes[1].get();
    CSlicePlane* c = m.planes[2].get();
    EXPECT_EQ(a->lines[0]->partner, nullptr);
    EXPECT_EQ(b->lines[0]->partner, c->lines[0].get());
    m.pickedPlane = b;
    b->parts[0]->marked = true;
    EXPECT_TRUE(DeleteMarkedParts(&m));
    EXPECT_TRUE(c->lines.empty());
    EXPECT_EQ(a->lines.size(), 1u);
    EXPECT_EQ(a->lines[0]->partner, nullptr);
}

TEST(QwfReader, PreambleRulesDecideWhatIsRead)
{
    // Without `version` the preamble never ends.
    EXPECT_EQ(Load(std::string("# no version\n") + kSquareSlice + kMesh).result, kReadFailed);
    // Keywords inside a preamble comment are not acted on.
    EXPECT_EQ(Load(std::string("# version 3 sp model\nversion 1\n") + kMesh).result, kReadOk);
    // After `version` a comment is just words: harmless ones are passed over...
    EXPECT_EQ(Load(std::string("version 1\n# some words here\n") + kMesh).result, kReadOk);
    // ...but a word that is a statement is acted on (here an `e` before any slice).
    EXPECT_EQ(Load(std::string("version 1\n# see e above\n") + kMesh).result, kReadFailed);
}

TEST(QwfReader, MalformedFilesFailWithOne)
{
    const std::string v = "version 1\n";
    const std::string sliceEnd = std::string(kSquareSlice) + "/sp\n";
    const std::vector<std::string> bad = {
        "",                                                           // empty
        v + sliceEnd,                                                 // slices but no model
        v + "pa\nv 0 0 0 0 0\n/pa\n" + kMesh,                         // part before any slice
        v + Line(1) + kMesh,                                          // line before any slice
        v + "/sp\n" + kMesh,                                          // end before any slice
        v + sliceEnd + "model\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n", // vertex past the end
        v + sliceEnd + "model\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n", // vertex 0
        v + sliceEnd + "model\nf 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n", // not read yet
        v + kSquareSlice + Line(2) + "/sp\n" + kMesh,                 // partner above the ids
        v + kSquareSlice + Line(0) + "/sp\n" + kMesh,                 // partner below 1
        v + "sp 0 0 0 0\n",                                           // truncated slice
        v + "sp 0 0 0 0 0 0 0 0 0 0 0 zero 0\n" + kMesh,              // not a number
        v + "sp 0.5 0 0 0 0 0 0 0 0 0 0 0 0\n" + kMesh,               // axis not an integer
        v + kSquareSlice + "e 1 0 0 0 0 0 0 0 0 0\n/sp\n" + kMesh,    // nine numbers then `/sp`
        v + "model\nv 0 0 0\nv 1 0 nan\nv 0 1 0\nf 1 2 3\n",          // not finite
        v + "model\nv 0 0 0\nv 0 0 0\nv 0 0 0\nf 1 2 3\n",            // nothing survives topology
        "version",                                                    // no version number
    };
    for (size_t i = 0; i < bad.size(); ++i)
        EXPECT_EQ(Load(bad[i]).result, kReadFailed) << "case " << i << ":\n" << bad[i];
    EXPECT_EQ(CPolyModel().ReadQWF(testfiles::ScratchDir() + "/missing.qwf"), kReadFailed);
}

TEST(QwfReader, AcceptsSignsExponentsAndOddWhitespace)
{
    const Loaded r =
        Load("version 1\r\nmodel\r\nv +0 -0 0e0\r\nv\t1.5E+0 0 0\nv 0 .5e1 0\n\nf +1 2 3 ");
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->objects[0]->vertices[2]->pos.y, 5.0);
}

TEST(QwfReader, EmptyFileShowsNoProgressAndCancelGivesTwo)
{
    RecordingProgress quiet;
    const std::string empty = testfiles::WriteScratch("empty.qwf", "");
    EXPECT_EQ(CPolyModel().ReadQWF(empty, &quiet), kReadFailed);
    EXPECT_EQ(quiet.begins, 0);

    std::string text = std::string("version 1\n") + kMesh;
    for (int i = 0; i < 200; ++i)
        text += "v 0.25 0.25 0.25\n";
    RecordingProgress cancel(/*cancelAtPos=*/40);
    EXPECT_EQ(Load(text, &cancel).result, kReadCancelled);
    EXPECT_EQ(cancel.ends, 1);
    // The bar moves only when the whole percent changes.
    for (size_t i = 1; i < cancel.positions.size(); ++i)
        EXPECT_GT(cancel.positions[i], cancel.positions[i - 1]);
}

TEST(QwfReader, OpenedThroughTheExtensionDispatch)
{
    const std::string path =
        testfiles::WriteScratch("Upper.QWF", std::string("version 1\n") + kSquareSlice + kMesh);
    const OpenOutcome out = ReadModelFile(path, nullptr);
    EXPECT_EQ(out.result, kReadOk);
    EXPECT_TRUE(out.isQwf);
    ASSERT_TRUE(out.model);
    EXPECT_EQ(out.model->planes.size(), 2u);
}

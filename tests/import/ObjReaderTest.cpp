#include "import/LoaderOBJ.h"
#include "import/ObjTestSupport.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

ObjRead ReadObjText(const std::string& text, IProgress* progress, const std::string& name)
{
    ObjRead r;
    const std::string path = testfiles::WriteScratch(name, text);
    r.result = r.model->ReadOBJ(path, progress);
    return r;
}

namespace {

const char* kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

CVector3 CornerPos(const CPolyModel& m, int face, int corner)
{
    return m.objects[0]->faces[face]->corners[corner]->vertex->pos;
}

void ExpectPos(const CVector3& p, double x, double y, double z)
{
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
    EXPECT_EQ(p.z, z);
}

// Success leaves the topology invariants; failure leaves no object behind.
void ExpectClean(const ObjRead& r)
{
    if (r.result != kReadOk) {
        EXPECT_TRUE(r.model->objects.empty());
        EXPECT_EQ(r.model->currentPlane, nullptr);
        return;
    }
    int id = 0;
    for (const auto& obj : r.model->objects)
        for (const CPolyFace* f : obj->faces) {
            EXPECT_EQ(f->corners.size(), 3);
            EXPECT_EQ(f->id, id++);
        }
    EXPECT_EQ(r.model->faceCount, id);
    EXPECT_NE(r.model->currentPlane, nullptr);
}

TEST(ObjReader, ReadsTrianglesWithOwnVertexRecordsPerCorner)
{
    const ObjRead r = ReadObjText(std::string(kTriangle) + "v 1 1 0\nf 1 2 3\nf 2 4 3\n");
    ASSERT_EQ(r.result, kReadOk);
    ExpectClean(r);
    const CPolyObject& obj = *r.model->objects[0];
    ASSERT_EQ(obj.faces.size(), 2u);
    EXPECT_EQ(obj.vertices.size(), 6u);
    // The shared file vertex 2 becomes two records with equal positions.
    EXPECT_NE(obj.faces[0]->corners[1]->vertex, obj.faces[1]->corners[0]->vertex);
    ExpectPos(CornerPos(*r.model, 1, 0), 1, 0, 0);
    ExpectPos(CornerPos(*r.model, 1, 1), 1, 1, 0);
    EXPECT_EQ(r.model->hasTexCoords, 0);
    ExpectPos(r.model->bboxMax, 1, 1, 0);
    EXPECT_EQ(r.model->fileName, testfiles::ScratchDir() + "/case.obj");
}

TEST(ObjReader, NegativeIndicesCountBackFromTheLastVertexReadSoFar)
{
    ObjRead r = ReadObjText(std::string(kTriangle) + "f -3 -2 -1\nv 5 5 5\nf -4 -3 -1\n");
    ASSERT_EQ(r.result, kReadOk);
    ExpectPos(CornerPos(*r.model, 0, 0), 0, 0, 0);
    ExpectPos(CornerPos(*r.model, 0, 2), 0, 1, 0);
    ExpectPos(CornerPos(*r.model, 1, 0), 0, 0, 0);
    ExpectPos(CornerPos(*r.model, 1, 1), 1, 0, 0);
    ExpectPos(CornerPos(*r.model, 1, 2), 5, 5, 5);
}

TEST(ObjReader, IndexOutsideWhatWasReadFailsWithNothingLeft)
{
    for (const char* face :
         {"f 1 2 4\n", "f 0 1 2\n", "f -4 -2 -1\n", "f 1 2 99999999999999999999\n",
          "f 1 2 -99999999999999999999\n", "f /1 2 3\n", "f x 2 3\n"}) {
        SCOPED_TRACE(face);
        const ObjRead r = ReadObjText(std::string(kTriangle) + face);
        EXPECT_EQ(r.result, kReadFailed);
        ExpectClean(r);
    }
    // A face may not refer forward to a vertex that comes later in the file.
    EXPECT_EQ(ReadObjText("v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\n").result, kReadFailed);
    // Texture indices are checked the same way once the file uses them.
    const std::string tex = std::string(kTriangle) + "vt 0 0\nvt 1 0\n";
    EXPECT_EQ(ReadObjText(tex + "f 1/1 2/2 3/3\n").result, kReadFailed);
    EXPECT_EQ(ReadObjText(tex + "f 1/-3 2/1 3/2\n").result, kReadFailed);
    EXPECT_EQ(ReadObjText(std::string(kTriangle) + "f 1/1 2/1 3/1\n").result, kReadFailed);
}

TEST(ObjReader, VertexWithTwoNumbersTakesTheNextTokenAsZ)
{
    // "9" on the next line completes the first vertex.
    ObjRead r = ReadObjText("v 1 2\n9\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    ASSERT_EQ(r.result, kReadOk);
    ExpectPos(CornerPos(*r.model, 0, 0), 1, 2, 9);
    // A statement word in that place reads as 0 and the statement is lost:
    // "v 1 0 0" becomes z = 0 of the first vertex and "1 0 0" a skipped line.
    r = ReadObjText("v 1 2\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\n");
    ASSERT_EQ(r.result, kReadOk);
    ExpectPos(CornerPos(*r.model, 0, 0), 1, 2, 0);
    ExpectPos(CornerPos(*r.model, 0, 1), 0, 1, 0);
    // The file ends inside the statement.
    EXPECT_EQ(ReadObjText(std::string(kTriangle) + "f 1 2 3\nv 1 2").result, kReadFailed);
    EXPECT_EQ(ReadObjText(std::string(kTriangle) + "f 1 2 3\nvt 1\n").result, kReadFailed);
}

TEST(ObjReader, CommentSkipStopsAfter512Characters)
{
    // After the "#" token the skip takes at most 512 characters; what follows
    // is read as statements, here the third vertex.
    const std::string head = "v 0 0 0\nv 1 0 0\n# ";
    const std::string tail = "v 0 1 0\nf 1 2 3\n";
    ObjRead r = ReadObjText(head + std::string(511, 'x') + tail);
    ASSERT_EQ(r.result, kReadOk);
    ExpectPos(CornerPos(*r.model, 0, 2), 0, 1, 0);
    // One character longer: "xv" is read as a statement and the vertex is lost.
    r = ReadObjText(head + std::string(512, 'x') + tail);
    EXPECT_EQ(r.result, kReadFailed);
    // Unknown statements are skipped the same way; a "#" glued to a word is still a comment.
    r = ReadObjText(std::string(kTriangle) + "#v 9 9 9\ng " + std::string(600, 'g') +
                    "\nvn 0 0 1\nusemtl x\nf 1 2 3\n");
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->faceCount, 1);
}

TEST(ObjReader, FaceLineIsReadAs511Characters)
{
    const std::string head = std::string(kTriangle) + "f 1 2";
    // The rest of the line after "f" is 511 characters without the "3".
    ObjRead r = ReadObjText(head + std::string(507, ' ') + "3\n");
    EXPECT_EQ(r.result, kReadFailed); // two corners, removed; "3" read as a statement
    r = ReadObjText(head + std::string(506, ' ') + "3\n");
    EXPECT_EQ(r.result, kReadOk);
    // A line continued with a backslash reads the next line instead.
    r = ReadObjText(std::string(kTriangle) + "f \\\n3 2 1\n");
    ASSERT_EQ(r.result, kReadOk);
    ExpectPos(CornerPos(*r.model, 0, 0), 0, 1, 0);
    // "fo" is a face too; keywords are case-sensitive.
    EXPECT_EQ(ReadObjText(std::string(kTriangle) + "fo 1 2 3\n").result, kReadOk);
    EXPECT_EQ(ReadObjText(std::string(kTriangle) + "F 1 2 3\n").result, kReadFailed);
    EXPECT_EQ(ReadObjText("V 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n").result, kReadFailed);
    // A face at the very end without a line feed, and CR LF line ends.
    EXPECT_EQ(ReadObjText(std::string(kTriangle) + "f 1 2 3").result, kReadOk);
    EXPECT_EQ(ReadObjText("v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3 \r\n").result, kReadOk);
}

TEST(ObjReader, FourthCornerGivesFiveAndShortFacesAreDropped)
{
    const std::string quad = std::string(kTriangle) + "v 1 1 0\n";
    ObjRead r = ReadObjText(quad + "f 1 2 3\nf 1 2 4 3\n");
    EXPECT_EQ(r.result, kReadNotTriangles);
    ExpectClean(r);
    r = ReadObjText(quad + "f 1 2 3\nf 1 2\nf\n");
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->faceCount, 1);
    EXPECT_EQ(ReadObjText(quad + "f 1 2\n").result, kReadFailed);
    // Collinear corners have no area.
    EXPECT_EQ(ReadObjText("v 0 0 0\nv 1 1 1\nv 2 2 2\nf 1 2 3\n").result, kReadFailed);
}

TEST(ObjReader, TextureCoordinatesAttachOnlyWithATextureIndex)
{
    const std::string base = std::string(kTriangle) + "vt 0.5 0.25\nvt 1 0\nvt 0 1\n";
    ObjRead r = ReadObjText(base + "f 1/1 2/2 3/3\nf 1 2 3\n");
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->hasTexCoords, 1);
    const CPolyObject& obj = *r.model->objects[0];
    ASSERT_NE(obj.faces[0]->corners[0]->tex, nullptr);
    EXPECT_EQ(obj.faces[0]->corners[0]->tex->u, 0.5);
    EXPECT_EQ(obj.faces[0]->corners[0]->tex->v, 0.25);
    // Once the file has used texture indices, a corner without one takes the latest.
    EXPECT_EQ(obj.faces[1]->corners[0]->tex, obj.texcoords[2]);

    r = ReadObjText(base + "f 1//1 2//1 3//1\n");
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->hasTexCoords, 0);
    EXPECT_EQ(r.model->objects[0]->faces[0]->corners[0]->tex, nullptr);

    r = ReadObjText(base + "f 1/3/1 2/-1/1 3/2/9\n");
    ASSERT_EQ(r.result, kReadOk);
    const CPolyFace& f = *r.model->objects[0]->faces[0];
    EXPECT_EQ(f.corners[0]->tex, r.model->objects[0]->texcoords[2]);
    EXPECT_EQ(f.corners[1]->tex, r.model->objects[0]->texcoords[2]);
    EXPECT_EQ(f.corners[2]->tex, r.model->objects[0]->texcoords[1]);
}

TEST(ObjReader, CoordinatesUseTheLeadingNumber)
{
    ObjRead r = ReadObjText("v +1 3.1+e2 -0\nv 2. 1e1x .5\nv 0x10 inf nan\nf 1 2 3\n");
    ASSERT_EQ(r.result, kReadOk);
    const CVector3 a = CornerPos(*r.model, 0, 0);
    ExpectPos(a, 1, 3.1, 0);
    EXPECT_TRUE(std::signbit(a.z));
    ExpectPos(CornerPos(*r.model, 0, 1), 2, 10, 0.5);
    ExpectPos(CornerPos(*r.model, 0, 2), 0, 0, 0);
    // A coordinate no double can hold would poison every later computation.
    EXPECT_EQ(ReadObjText(std::string(kTriangle) + "v 1e999 0 0\nf 1 2 3\n").result, kReadFailed);
}

TEST(ObjReader, EmptyOrMissingFileFailsWithoutShowingProgress)
{
    RecordingProgress progress;
    EXPECT_EQ(ReadObjText("", &progress).result, kReadFailed);
    EXPECT_EQ(progress.begins, 0);
    CPolyModel model;
    EXPECT_EQ(model.ReadOBJ(testfiles::ScratchDir() + "/missing.obj", &progress), kReadFailed);
    EXPECT_EQ(model.ReadOBJ(testfiles::ScratchDir(), &progress), kReadFailed); // a folder
    EXPECT_EQ(progress.begins, 0);
    // Whitespace only: the display is shown and closed, no face remains.
    EXPECT_EQ(ReadObjText(" \n\n", &progress).result, kReadFailed);
    EXPECT_EQ(progress.begins, 1);
    EXPECT_EQ(progress.ends, 1);
}

TEST(ObjReader, ReportsProgressOnlyWhenThePercentChanges)
{
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += "v " + std::to_string(i) + " " + std::to_string(i % 7) + " 1\n";
    for (int i = 1; i + 2 <= 400; ++i)
        text += "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " +
                std::to_string(i + 2) + "\n";
    RecordingProgress progress;
    const ObjRead r = ReadObjText(text, &progress);
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(progress.title, "File Open");
    EXPECT_EQ(progress.rangeLower, 0);
    EXPECT_EQ(progress.rangeUpper, 100);
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"Loading...", "Constructing..."}));
    ASSERT_FALSE(progress.positions.empty());
    EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
    EXPECT_EQ(std::adjacent_find(progress.positions.begin(), progress.positions.end()),
              progress.positions.end());
    EXPECT_EQ(progress.positions.front(), 1);
    // The last token is read before the file's end, so 100 is not reached.
    EXPECT_EQ(progress.positions.back(), 99);
    EXPECT_EQ(progress.begins, 1);
    EXPECT_EQ(progress.ends, 1);
}

TEST(ObjReader, PercentStaysInRangeForFilesBeyond21Megabytes)
{
    // position * 100 no longer fits 32 bits here.
    std::string text = std::string(kTriangle) + "f 1 2 3\n";
    const std::string line = "# " + std::string(500, 'c') + "\n";
    while (text.size() < (size_t(23) << 20))
        text += line;
    RecordingProgress progress;
    const ObjRead r = ReadObjText(text, &progress, "big.obj");
    ASSERT_EQ(r.result, kReadOk);
    ASSERT_EQ(progress.positions.size(), 99u);
    for (size_t i = 0; i < progress.positions.size(); ++i)
        EXPECT_EQ(progress.positions[i], static_cast<int>(i) + 1);
}

TEST(ObjReader, CancelReturnsTwoAndLeavesNothingBehind)
{
    std::string text = kTriangle;
    for (int i = 0; i < 300; ++i)
        text += "vt 0 0\nf 1/1 2/1 3/1\n";
    for (int cancelAt : {0, 10}) {
        RecordingProgress progress;
        progress.cancelAfterPumps = cancelAt;
        const ObjRead r = ReadObjText(text, &progress);
        EXPECT_EQ(r.result, kReadCancelled);
        EXPECT_EQ(progress.pumps, cancelAt + 1);
        EXPECT_EQ(progress.ends, 1);
        EXPECT_EQ(r.model->hasTexCoords, 0);
        ExpectClean(r);
    }
}

} // namespace

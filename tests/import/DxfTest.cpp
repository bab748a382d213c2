#include "import/ModelFile.h"
#include "model/PolyModel.h"
#include "support/RecordingProgress.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Builds the text of a drawing from group codes and values.
class DxfText {
public:
    DxfText& Pair(int code, const std::string& value)
    {
        s_ << "  " << code << "\n" << value << "\n";
        return *this;
    }
    DxfText& Pair(int code, double value)
    {
        std::ostringstream v;
        v.precision(17);
        v << value;
        return Pair(code, v.str());
    }
    DxfText& Face(const std::vector<CVector3>& c)
    {
        Pair(0, "3DFACE").Pair(8, "0");
        for (size_t i = 0; i < c.size(); ++i)
            Pair(10 + int(i), c[i].x).Pair(20 + int(i), c[i].y).Pair(30 + int(i), c[i].z);
        return *this;
    }
    DxfText& MeshStart() { return Pair(0, "POLYLINE").Pair(8, "0").Pair(66, "1").Pair(70, "64"); }
    DxfText& Point(const CVector3& p)
    {
        return Pair(0, "VERTEX")
            .Pair(8, "0")
            .Pair(10, p.x)
            .Pair(20, p.y)
            .Pair(30, p.z)
            .Pair(70, "192");
    }
    DxfText& FaceRecord(const std::vector<int>& idx)
    {
        Pair(0, "VERTEX").Pair(8, "0").Pair(70, "128");
        for (size_t i = 0; i < idx.size(); ++i)
            Pair(71 + int(i), std::to_string(idx[i]));
        return *this;
    }
    DxfText& MeshEnd() { return Pair(0, "SEQEND"); }
    std::string Text() const { return s_.str() + "  0\nEOF\n"; }

private:
    std::ostringstream s_;
};

struct Read {
    int result;
    std::unique_ptr<CPolyModel> model;
};

Read ReadText(const std::string& text, IProgress* progress = nullptr)
{
    static int n = 0;
    // Appended, not "t" + std::to_string(...): GCC 12 warns falsely (-Wrestrict)
    // about the insert at the front that operator+ inlines.
    std::string name = "t";
    name += std::to_string(n++);
    name += ".dxf";
    const std::string path = testfiles::WriteScratch(name, text);
    auto model = std::make_unique<CPolyModel>();
    const int r = model->ReadDXF(path, progress);
    return {r, std::move(model)};
}

std::vector<CVector3> CornerPositions(const CPolyFace* f)
{
    std::vector<CVector3> out;
    for (const CFaceCorner* c : f->corners)
        out.push_back(c->vertex->pos);
    return out;
}

double TotalArea(const CPolyModel& m)
{
    double a = 0.0;
    for (const auto& obj : m.objects)
        for (const CPolyFace* f : obj->faces) {
            const CVector3 p = f->corners[0]->vertex->pos, q = f->corners[1]->vertex->pos,
                           r = f->corners[2]->vertex->pos;
            a += 0.5 * (q - p).Cross(r - p).Length();
        }
    return a;
}

} // namespace

TEST(DxfReader, FourthCornerRepeatingThirdOrFirstMakesATriangle)
{
    for (const CVector3 fourth : {CVector3{1, 1, 0}, CVector3{0, 0, 0}}) {
        Read r = ReadText(DxfText().Face({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, fourth}).Text());
        ASSERT_EQ(r.result, kReadOk);
        EXPECT_EQ(r.model->faceCount, 1);
        EXPECT_EQ(r.model->VertexCount(), 3u);
        EXPECT_EQ(r.model->fileName.substr(r.model->fileName.size() - 4), ".dxf");
    }
}

TEST(DxfReader, FourDistinctCornersAreSplitIntoTwoTriangles)
{
    Read r = ReadText(DxfText().Face({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}).Text());
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->faceCount, 2);
    EXPECT_EQ(r.model->VertexCount(), 4u);
    EXPECT_DOUBLE_EQ(TotalArea(*r.model), 1.0);
}

TEST(DxfReader, CornersAtTheSamePositionShareOneVertexRecordZeroSignIgnored)
{
    // The second face names the shared corner with -0.0 where the first has 0.0.
    Read r = ReadText(DxfText()
                          .Face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}})
                          .Face({{1, 0, 0}, {1, 1, 0}, {-0.0, 1, -0.0}, {-0.0, 1, -0.0}})
                          .Text());
    ASSERT_EQ(r.result, kReadOk);
    ASSERT_EQ(r.model->faceCount, 2);
    const CPolyObject& obj = *r.model->objects[0];
    EXPECT_EQ(obj.vertices.size(), 4u);
    EXPECT_EQ(obj.faces[0]->corners[1]->vertex, obj.faces[1]->corners[0]->vertex);
    EXPECT_EQ(obj.faces[0]->corners[2]->vertex, obj.faces[1]->corners[2]->vertex);
    for (size_t i = 0; i < obj.vertices.size(); ++i)
        EXPECT_EQ(obj.vertices[i]->id, int(i));
}

// The exact-position sharing must give what a literal scan of the vertex list gives.
TEST(DxfReader, VertexSharingMatchesALinearScanOnRandomFaces)
{
    std::mt19937 rng(7);
    const double values[] = {0.0, -0.0, 1.0, 0.5, 1e-300, -2.0, 3.25};
    std::uniform_int_distribution<int> pick(0, 6);
    for (int round = 0; round < 20; ++round) {
        DxfText dxf;
        std::vector<std::vector<CVector3>> faces;
        for (int f = 0; f < 40; ++f) {
            std::vector<CVector3> c;
            for (int k = 0; k < 3; ++k)
                c.push_back({values[pick(rng)], values[pick(rng)], values[pick(rng)]});
            c.push_back(c[2]);
            faces.push_back(c);
            dxf.Face(c);
        }
        // Literal oracle: linear search with exact comparison, in reading order.
        std::vector<CVector3> oracle;
        std::vector<int> oracleIds;
        for (const auto& c : faces)
            for (int k = 0; k < 3; ++k) {
                size_t i = 0;
                while (i < oracle.size() && !(oracle[i] == c[k]))
                    ++i;
                if (i == oracle.size())
                    oracle.push_back(c[k]);
                oracleIds.push_back(int(i));
            }
        const std::string path = testfiles::WriteScratch("rand.dxf", dxf.Text());
        // Topology may drop degenerate faces; compare the records as read.
        CPolyModel m;
        ASSERT_NE(m.ReadDXF(path), 2);
        if (m.objects.empty())
            continue; // every random face was degenerate
        const CPolyObject& obj = *m.objects[0];
        ASSERT_EQ(obj.vertices.size(), oracle.size());
        for (size_t i = 0; i < oracle.size(); ++i)
            EXPECT_TRUE(obj.vertices[i]->pos == oracle[i]);
        std::map<const CPolyVertex*, int> idOf;
        for (const CPolyVertex* v : obj.vertices)
            idOf[v] = v->id;
        for (const CPolyFace* f : obj.faces) {
            const size_t fi = std::find_if(faces.begin(), faces.end(),
                                           [&](const auto& c) {
                                               return c[0] == f->corners[0]->vertex->pos &&
                                                      c[1] == f->corners[1]->vertex->pos &&
                                                      c[2] == f->corners[2]->vertex->pos;
                                           }) -
                              faces.begin();
            ASSERT_LT(fi, faces.size());
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(idOf[f->corners[k]->vertex], oracleIds[fi * 3 + k]);
        }
    }
}

TEST(DxfReader, PolyfaceFacesTakeTheirPointsAndNegativeIndicesMarkOnlyEdges)
{
    Read r = ReadText(DxfText()
                          .MeshStart()
                          .Point({0, 0, 0})
                          .Point({2, 0, 0})
                          .Point({0, 3, 0})
                          .Point({2, 3, 5})
                          .FaceRecord({1, -2, 3})
                          .FaceRecord({-2, 4, -3, 0})
                          .MeshEnd()
                          .Text());
    ASSERT_EQ(r.result, kReadOk);
    ASSERT_EQ(r.model->faceCount, 2);
    const CPolyObject& obj = *r.model->objects[0];
    EXPECT_EQ(obj.vertices.size(), 4u);
    EXPECT_EQ(CornerPositions(obj.faces[0]),
              (std::vector<CVector3>{{0, 0, 0}, {2, 0, 0}, {0, 3, 0}}));
    EXPECT_EQ(CornerPositions(obj.faces[1]),
              (std::vector<CVector3>{{2, 0, 0}, {2, 3, 5}, {0, 3, 0}}));
}

TEST(DxfReader, EachPolyfaceNumbersItsOwnPoints)
{
    Read r = ReadText(DxfText()
                          .MeshStart()
                          .Point({0, 0, 0})
                          .Point({1, 0, 0})
                          .Point({0, 1, 0})
                          .FaceRecord({1, 2, 3})
                          .MeshEnd()
                          .MeshStart()
                          .Point({10, 0, 7})
                          .Point({11, 0, 7})
                          .Point({10, 1, 7})
                          .FaceRecord({1, 2, 3})
                          .MeshEnd()
                          .Text());
    ASSERT_EQ(r.result, kReadOk);
    ASSERT_EQ(r.model->faceCount, 2);
    EXPECT_EQ(CornerPositions(r.model->objects[0]->faces[1]),
              (std::vector<CVector3>{{10, 0, 7}, {11, 0, 7}, {10, 1, 7}}));
}

TEST(DxfReader, ZeroIndexMeansNoCornerAndShortRecordsAreDropped)
{
    Read r = ReadText(DxfText()
                          .MeshStart()
                          .Point({0, 0, 0})
                          .Point({1, 0, 0})
                          .Point({1, 1, 0})
                          .Point({0, 1, 0})
                          .FaceRecord({1, 2, 3, 4})
                          .FaceRecord({2, 0, 0})    // a point
                          .FaceRecord({3, 4, 0})    // an edge
                          .FaceRecord({4})          // 72 and 73 left out: not the quad's
                          .FaceRecord({1, 0, 3, 4}) // a triangle written with a gap
                          .MeshEnd()
                          .Text());
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->faceCount, 3); // the quad's two halves and the gapped triangle
    EXPECT_EQ(CornerPositions(r.model->objects[0]->faces[0]),
              (std::vector<CVector3>{{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
}

TEST(DxfReader, OrdinaryPolylineVerticesAddNothing)
{
    Read r = ReadText(DxfText()
                          .Pair(0, "POLYLINE")
                          .Pair(70, "8")
                          .Pair(0, "VERTEX")
                          .Pair(10, 1.0)
                          .Pair(70, "32")
                          .Pair(0, "VERTEX")
                          .Pair(10, 2.0)
                          .Pair(70, "0")
                          .MeshEnd()
                          .Text());
    EXPECT_EQ(r.result, kReadFailed);
}

TEST(DxfReader, BracedGroupsInsideAFaceAreSkipped)
{
    Read r = ReadText(DxfText()
                          .Pair(0, "3DFACE")
                          .Pair(102, "{")
                          .Pair(10, 99.0)
                          .Pair(102, "}")
                          .Pair(10, 0.0)
                          .Pair(20, 0.0)
                          .Pair(30, 0.0)
                          .Pair(11, 1.0)
                          .Pair(21, 0.0)
                          .Pair(31, 0.0)
                          .Pair(12, 0.0)
                          .Pair(22, 1.0)
                          .Pair(32, 0.0)
                          .Text());
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->bboxMax.x, 1.0);
}

TEST(DxfReader, BadInputFailsWithOne)
{
    const std::string cases[] = {
        "", // empty
        DxfText()
            .MeshStart()
            .Point({0, 0, 0})
            .Point({1, 0, 0})
            .Point({0, 1, 0})
            .FaceRecord({1, 2, 4})
            .Text(), // past the points
        DxfText()
            .MeshStart()
            .Point({0, 0, 0})
            .Point({1, 0, 0})
            .Point({0, 1, 0})
            .FaceRecord({1, 2, -4})
            .Text(), // negative, past
        DxfText()
            .MeshStart()
            .Point({0, 0, 0})
            .Point({1, 0, 0})
            .Point({0, 1, 0})
            .FaceRecord({1, 2})
            .Pair(73, "99999999999999999999999")
            .Text(), // huge index
        DxfText()
            .MeshStart()
            .Point({0, 0, 0})
            .Point({1, 0, 0})
            .Point({0, 1, 0})
            .FaceRecord({1, 2})
            .Pair(73, "-9223372036854775808")
            .Text(), // most negative
        DxfText()
            .Point({0, 0, 0})
            .Point({1, 0, 0})
            .Point({0, 1, 0})
            .MeshStart()
            .FaceRecord({1, 2, 3})
            .Text(), // points of another mesh
        "  0\n3DFACE\n 10\n0\n 20\n0\n 30\n0\n 11\n1\n 21\n0\n 31\n0\n 12\n0\n 22\n1\n 32\n", // cut
        DxfText()
            .Face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
            .Pair(0, "3DFACE")
            .Pair(10, "nan")
            .Text(), // not a number
        DxfText()
            .Face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
            .Pair(0, "3DFACE")
            .Pair(10, 0.0)
            .Pair(21, "1e999")
            .Pair(12, 1.0)
            .Text(), // overflows
        DxfText()
            .MeshStart()
            .Point({0, 0, 0})
            .Pair(0, "VERTEX")
            .Pair(10, "inf")
            .Pair(70, "192")
            .Text(), // infinite point
    };
    int i = 0;
    for (const std::string& text : cases) {
        Read r = ReadText(text);
        EXPECT_EQ(r.result, kReadFailed) << "case " << i;
        ++i;
    }
    CPolyModel m;
    EXPECT_EQ(m.ReadDXF(testfiles::ScratchDir() + "/absent.dxf"), kReadFailed);
    EXPECT_EQ(m.fileName, testfiles::ScratchDir() + "/absent.dxf");
}

TEST(DxfReader, ReportsProgressAndStopsWhenCancelled)
{
    DxfText dxf;
    for (int i = 0; i < 200; ++i)
        dxf.Face({{double(i), 0, 0}, {double(i) + 1, 0, 0}, {double(i), 1, 0}});
    const std::string text = dxf.Text();

    RecordingProgress progress;
    Read r = ReadText(text, &progress);
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(progress.titles, std::vector<std::string>{"File Open"});
    EXPECT_EQ(progress.begins, 1);
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(progress.rangeLower, 0);
    EXPECT_EQ(progress.rangeUpper, 100);
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"Loading...", "Constructing..."}));
    ASSERT_GT(progress.positions.size(), 50u);
    for (size_t i = 1; i < progress.positions.size(); ++i)
        EXPECT_GT(progress.positions[i], progress.positions[i - 1]);
    EXPECT_LE(progress.positions.back(), 100);

    RecordingProgress cancelling(40);
    Read c = ReadText(text, &cancelling);
    EXPECT_EQ(c.result, kReadCancelled);
    EXPECT_EQ(cancelling.ends, 1);
    EXPECT_EQ(cancelling.positions.back(), 40);
}

// The shared real drawings: counts from the file contents (see the notes beside them).
TEST(DxfReader, SharedFilesOpenWithTheExpectedFaceCounts)
{
    LINTORO_REQUIRE_SHARED_DATA();
    const std::map<std::string, int> expected = {
        {"assimp-lineTest.dxf", 3},        // 1 triangle + 1 quad; the LINE adds nothing
        {"assimp-points.dxf", -1},         // only POINT entities
        {"libredwg-entities-3d.dxf", 2},   // one 3DFACE quad; 3D polylines add nothing
        {"ezdxf-POLI-ALL210_12.DXF", 2},   // one 3DFACE quad among 30 polylines
        {"assimp-PinkEggFromLW.dxf", 528}, // 240 quads + 48 triangles
        {"ezdxf-3dface.dxf", 54},          // 46 faces, 16 degenerate ones dropped
        {"assimp-issue_2229.dxf", 1520},   // 4 polyfaces: 1060 triangles + 230 quads
        {"libredwg-example_r14.dxf", 5},   // quad + triangle 3DFACEs, one full mesh quad
    };
    const auto files = testfiles::SharedFiles("dxf");
    ASSERT_EQ(files.size(), expected.size());
    for (const std::string& path : files) {
        const auto it = expected.find(path.substr(path.find_last_of('/') + 1));
        ASSERT_NE(it, expected.end()) << path;
        OpenOutcome out = ReadModelFile(path, nullptr);
        if (it->second < 0) {
            EXPECT_EQ(out.result, kReadFailed) << path;
            EXPECT_EQ(out.message, "File open failed");
        } else {
            ASSERT_EQ(out.result, kReadOk) << path;
            EXPECT_EQ(out.model->faceCount, it->second) << path;
        }
    }
}

TEST(DxfReader, LaterPolyfacesOfARealFileKeepTheirOwnGeometry)
{
    LINTORO_REQUIRE_SHARED_DATA();
    OpenOutcome out =
        ReadModelFile(testfiles::SharedDataDir() + "/dxf/assimp-issue_2229.dxf", nullptr);
    ASSERT_EQ(out.result, kReadOk);
    // One point list for the whole file would give about 3.38e7 here.
    EXPECT_NEAR(TotalArea(*out.model), 1.6413e6, 1e3);
    EXPECT_EQ(out.model->VertexCount(), 768u);
}

#include "import/ModelFile.h"
#include "import/TextReaderSupport.h"
#include "model/PolyModel.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>

using textreader::FaceTotal;
using textreader::RecordingProgress;
using textreader::TotalArea;

namespace {

const char* kHeader = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n";

std::string Object(const std::string& vertices, const std::string& faces)
{
    return "Object \"obj\" {\r\n\tdepth 0\r\n\tvertex 9 {\r\n" + vertices +
           "\t}\r\n\tface 9 {\r\n" + faces + "\t}\r\n}\r\n";
}

const char* kSquare = "\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t1 1 0\r\n\t\t0 1 0\r\n";

int Read(const std::string& name, const std::string& body, CPolyModel& model,
         IProgress* progress = nullptr)
{
    return model.ReadMQO(testfiles::WriteScratch(name + ".mqo", body), progress);
}

std::vector<int> CornerIds(const CPolyFace* f)
{
    std::vector<int> ids;
    for (const CFaceCorner* c : f->corners)
        ids.push_back(c->vertex->id);
    return ids;
}

} // namespace

TEST(Mqo, TriangleWindsOppositeToTheFileAndReportsProgress)
{
    CPolyModel m;
    RecordingProgress progress;
    const std::string path = testfiles::WriteScratch(
        "tri.mqo", std::string(kHeader) + Object(kSquare, "\t\t3 V(0 1 2)\r\n") + "Eof\r\n");
    ASSERT_EQ(m.ReadMQO(path, &progress), kReadOk);
    EXPECT_EQ(m.fileName, path);
    ASSERT_EQ(m.faceCount, 1);
    const CPolyFace* f = m.objects[0]->faces[0];
    // File order 1,2,3 (ids from 1) runs the other way after the read.
    const std::vector<int> ids = CornerIds(f);
    EXPECT_TRUE(ids == (std::vector<int>{3, 2, 1}) || ids == (std::vector<int>{2, 1, 3}) ||
                ids == (std::vector<int>{1, 3, 2}));
    EXPECT_NEAR(f->normal.z, -1.0, 1e-12);
    EXPECT_EQ(progress.title, "File Open");
    EXPECT_EQ(progress.begins, 1);
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(progress.rangeUpper, 100);
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"Loading...", "Constructing..."}));
}

TEST(Mqo, FacesAndMaterials)
{
    const std::string body =
        std::string(kHeader) +
        "Material 3 {\r\n"
        "\t\"mat1\" shader(3) col(1.000 0.500 0.500 1.000) dif(0.800) tex(\"a b.png\")\r\n"
        "\t\"mat2\" dif(0.5)\r\n"
        "\t\"mat3\" col(0.1 0.2 0.3 0.4)\r\n"
        "}\r\n" +
        Object(kSquare, "\t\t4 V(0 1 2 3) M(1)\r\n"
                        "\t\t5 V(0 1 2 3 0)\r\n"
                        "\t\t3 V(0 1 2) M(7)\r\n"
                        "\t\t3 V(0 2 3) M(2)\r\n");
    CPolyModel m;
    ASSERT_EQ(Read("faces", body, m), kReadOk);
    ASSERT_EQ(m.materials.size(), 3u);
    const float* mat1 = m.materials[0].values;
    EXPECT_FLOAT_EQ(mat1[0], 1.0f);
    EXPECT_FLOAT_EQ(mat1[1], 0.5f);
    EXPECT_FLOAT_EQ(mat1[5], 0.5f);
    EXPECT_FLOAT_EQ(mat1[7], 1.0f);
    EXPECT_FLOAT_EQ(mat1[11], 1.0f); // emission alpha
    EXPECT_FLOAT_EQ(mat1[15], 1.0f); // specular alpha
    // A line without col repeats the colour before it.
    EXPECT_EQ(std::memcmp(m.materials[1].values, mat1, sizeof mat1[0] * 17), 0);
    EXPECT_FLOAT_EQ(m.materials[2].values[6], 0.3f);

    // Triangles read from the file come first, then the fans of the quad and
    // the four-corner cut of the pentagon; fans carry no material.
    ASSERT_EQ(m.faceCount, 6);
    std::vector<int> materials;
    for (const CPolyFace* f : m.objects[0]->faces)
        materials.push_back(f->material);
    EXPECT_EQ(materials, (std::vector<int>{-1, 2, -1, -1, -1, -1}));
    EXPECT_NEAR(TotalArea(m), 1.0 + 1.0 + 0.5 + 0.5, 1e-12);
}

TEST(Mqo, FirstMaterialLineWithoutColourIsBlack)
{
    const std::string body = std::string(kHeader) + "Material 1 {\r\n\t\"m\" dif(1)\r\n}\r\n" +
                             Object(kSquare, "\t\t3 V(0 1 2) M(0)\r\n");
    CPolyModel m;
    ASSERT_EQ(Read("black", body, m), kReadOk);
    ASSERT_EQ(m.materials.size(), 1u);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(m.materials[0].values[k], 0.0f) << k;
    EXPECT_EQ(m.objects[0]->faces[0]->material, 0);
}

TEST(Mqo, TextureCoordinatesFollowTheirCornersThroughTheFlip)
{
    const std::string body =
        std::string(kHeader) + Object(kSquare, "\t\t3 V(0 1 2) UV(0.0 0.0 0.25 0.5 0.75 1.0)\r\n");
    CPolyModel m;
    ASSERT_EQ(Read("uv", body, m), kReadOk);
    EXPECT_EQ(m.hasTexCoords, 1);
    const std::map<int, std::pair<double, double>> expected = {
        {1, {0.0, 1.0}}, {2, {0.25, 0.5}}, {3, {0.75, 0.0}}};
    for (const CFaceCorner* c : m.objects[0]->faces[0]->corners) {
        ASSERT_NE(c->tex, nullptr);
        EXPECT_EQ(c->tex->u, expected.at(c->vertex->id).first);
        EXPECT_EQ(c->tex->v, expected.at(c->vertex->id).second);
    }
}

TEST(Mqo, FaceIndicesCountFromTheirOwnObject)
{
    const std::string second = "\t\t10 10 10\r\n\t\t11 10 10\r\n\t\t10 11 10\r\n";
    const std::string body = std::string(kHeader) + Object(kSquare, "\t\t3 V(0 1 2)\r\n") +
                             Object(second, "\t\t3 V(0 1 2)\r\n");
    CPolyModel m;
    ASSERT_EQ(Read("objects", body, m), kReadOk);
    ASSERT_EQ(m.faceCount, 2);
    EXPECT_EQ(m.bboxMax.x, 11.0);
    EXPECT_EQ(m.bboxMax.z, 10.0);
    EXPECT_EQ(CornerIds(m.objects[0]->faces[1]).size(), 3u);
    for (int id : CornerIds(m.objects[0]->faces[1]))
        EXPECT_GE(id, 5); // ids keep counting over the file

    // An index valid only in the file-wide numbering is out of range in its object.
    CPolyModel bad;
    EXPECT_EQ(
        Read("objects-bad",
             std::string(kHeader) + Object(kSquare, "") + Object(second, "\t\t3 V(0 1 3)\r\n"),
             bad),
        kReadFailed);
}

TEST(Mqo, SkipsUnknownChunksAndBinaryBlocks)
{
    std::string blob = "\x7D\n\x7B\r\n}}}";
    const std::string body = std::string(kHeader) +
                             "Scene {\r\n\tdirlights 1 {\r\n\t\tlight {\r\n\t\t}\r\n\t}\r\n"
                             "\tdata [" +
                             std::to_string(blob.size()) + "]\r\n" + blob + "\r\n}\r\n" + "Blob [" +
                             std::to_string(blob.size()) + "]\r\n" + blob + "\r\n" +
                             Object(kSquare, "\t\t3 V(0 1 2)\r\n") + "Eof\r\n";
    CPolyModel m;
    ASSERT_EQ(Read("skip", body, m), kReadOk);
    EXPECT_EQ(m.faceCount, 1);
}

TEST(Mqo, BinaryVertexBlock)
{
    const float xyz[9] = {0.f, 0.f, 0.f, 2.f, 0.f, 0.f, 0.f, 3.f, 0.f};
    std::string raw(reinterpret_cast<const char*>(xyz), sizeof xyz); // little-endian host
    const std::string object = "Object \"b\" {\r\n\tBVertex 3 {\r\n\t\tVector 3 [36]\r\n" + raw +
                               "\r\n\t\tweit {\r\n\t\t\t0 1\r\n\t\t}\r\n\t}\r\n\tface 1 {\r\n"
                               "\t\t3 V(0 1 2)\r\n\t}\r\n}\r\n";
    CPolyModel m;
    ASSERT_EQ(Read("bvertex", std::string(kHeader) + object, m), kReadOk);
    EXPECT_EQ(m.faceCount, 1);
    EXPECT_EQ(m.bboxMax.x, 2.0);
    EXPECT_EQ(m.bboxMax.y, 3.0);

    // More records announced than bytes remain: refused before any is read.
    std::string shortBlock = object;
    shortBlock.replace(shortBlock.find("Vector 3"), 8, "Vector 9999");
    CPolyModel m2;
    EXPECT_EQ(Read("bvertex-short", std::string(kHeader) + shortBlock, m2), kReadFailed);
}

TEST(Mqo, MalformedInputFails)
{
    const std::string tri = "\t\t3 V(0 1 2)\r\n";
    const std::map<std::string, std::string> cases = {
        {"version", "Metasequoia Document\r\nFormat Text Ver 1.2\r\n" + Object(kSquare, tri)},
        {"version-2", "Metasequoia Document\r\nFormat Text Ver 2.0\r\n" + Object(kSquare, tri)},
        {"first-line", "Metasequoia\r\nFormat Text Ver 1.0\r\n" + Object(kSquare, tri)},
        {"empty", ""},
        {"object-no-brace", std::string(kHeader) + "Object \"x\"\r\n"},
        {"vertex-no-brace", std::string(kHeader) + "Object \"x\" {\r\n\tvertex 3\r\n}\r\n"},
        {"eof-in-object", std::string(kHeader) + "Object \"x\" {\r\n\tvertex 3 {\r\n" + kSquare},
        {"eof-in-skipped", std::string(kHeader) + "Scene {\r\n\tlight {\r\n\t}\r\n"},
        {"eof-in-material", std::string(kHeader) + "Material 1 {\r\n\t\"m\" col(1 1 1 1)\r\n"},
        {"index-range", std::string(kHeader) + Object(kSquare, "\t\t3 V(0 1 4)\r\n")},
        {"index-negative", std::string(kHeader) + Object(kSquare, "\t\t3 V(0 -1 2)\r\n")},
        {"count-huge", std::string(kHeader) + Object(kSquare, "\t\t2147483647 V(0 1 2)\r\n")},
        {"count-negative", std::string(kHeader) + Object(kSquare, "\t\t-3 V(0 1 2)\r\n")},
        {"too-few-tokens", std::string(kHeader) + Object(kSquare, "\t\t4 V(0 1 2)\r\n")},
        {"no-V", std::string(kHeader) + Object(kSquare, "\t\t3 W(0 1 2)\r\n")},
        {"skip-past-end", std::string(kHeader) + "Blob [100000]\r\nxx\r\n" + Object(kSquare, tri)},
        {"skip-negative", std::string(kHeader) + "Blob [-5]\r\n" + Object(kSquare, tri)},
        {"no-faces", std::string(kHeader) + Object(kSquare, "")},
    };
    for (const auto& [name, body] : cases) {
        CPolyModel m;
        RecordingProgress progress;
        EXPECT_EQ(Read("bad-" + name, body, m, &progress), kReadFailed) << name;
        EXPECT_EQ(progress.begins, progress.ends) << name;
    }
    CPolyModel missing;
    EXPECT_EQ(missing.ReadMQO(testfiles::ScratchDir() + "/no-such.mqo"), kReadFailed);
}

TEST(Mqo, FaceWithoutParenthesesKeepsNoCornersAndTwoCornerFacesDrop)
{
    const std::string body =
        std::string(kHeader) +
        Object(kSquare, "\t\t3 V 0 1 2 x y\r\n\t\t2 V(0 1)\r\n\t\t3 V(1 2 3)\r\n");
    CPolyModel m;
    ASSERT_EQ(Read("loose", body, m), kReadOk);
    EXPECT_EQ(m.faceCount, 1);
}

TEST(Mqo, CancelStopsTheRead)
{
    std::string vertices;
    for (int i = 0; i < 2000; ++i)
        vertices += "\t\t" + std::to_string(i) + " 0 " + std::to_string(i % 7) + "\r\n";
    CPolyModel m;
    RecordingProgress progress(/*cancelAtPos=*/10);
    EXPECT_EQ(
        Read("cancel", std::string(kHeader) + Object(vertices, "\t\t3 V(0 1 2)\r\n"), m, &progress),
        kReadCancelled);
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(progress.positions.back(), 10);
}

// Every shared Metasequoia file: triangle count after the read, and where the
// per-object vertex numbering decides the shape, its area or box.
TEST(Mqo, SharedFiles)
{
    LINTORO_REQUIRE_SHARED_DATA();
    struct Expect {
        int result;
        int faces;
        double area; // 0: not checked
    };
    const std::map<std::string, Expect> expected = {
        {"nutti-simple.mqo", {kReadFailed, 0, 0}},                       // Ver 1.1 without objects
        {"nutti-single_object_with_bvertex.mqo", {kReadOk, 12, 240000}}, // 200-unit cube of quads
        {"lsbattle-M26A1.mqo", {kReadOk, 360, 248414}},
        {"lsbattle-star.mqo", {kReadOk, 768, 12.4508}},
        {"lsbattle-Golem.mqo", {kReadOk, 556, 210120}},
        {"lsbattle-allosaurus.mqo", {kReadOk, 1265, 113726}},
        {"lsbattle-buta.mqo", {kReadOk, 1405, 997048}},
        {"glmetaseq-ninja.mqo", {kReadOk, 10518, 103882}},
    };
    const auto files = testfiles::SharedFiles("mqo");
    ASSERT_EQ(files.size(), expected.size());
    for (const std::string& path : files) {
        const std::string name = FileBaseName(path);
        ASSERT_TRUE(expected.count(name)) << name;
        const Expect& e = expected.at(name);
        CPolyModel m;
        ASSERT_EQ(m.ReadMQO(path), e.result) << name;
        if (e.result != kReadOk)
            continue;
        EXPECT_EQ(m.faceCount, e.faces) << name;
        EXPECT_EQ(FaceTotal(m), static_cast<size_t>(e.faces)) << name;
        EXPECT_NEAR(TotalArea(m), e.area, e.area * 1e-4) << name;
        if (name == "lsbattle-buta.mqo") {
            EXPECT_NEAR(m.bboxMin.x, -311.8, 0.1);
            EXPECT_NEAR(m.bboxMin.y, -34.7, 0.1);
            EXPECT_NEAR(m.bboxMax.y, 339.9, 0.1);
            EXPECT_NEAR(m.bboxMax.z, 199.5, 0.1);
        }
        if (name == "glmetaseq-ninja.mqo") {
            EXPECT_LT(m.bboxMin.y, 1.0);
        }
    }
}

// Ver 1.1 keeps polygons whole: the hexagon fans, the dented pentagon (whose
// fan from its first corner would cover the dent) is tessellated, and chunks
// only 1.1 writes are skipped by their braces. The same text as Ver 1.0 keeps
// four corners of each face, as it always has.
TEST(Mqo, Version11PolygonsAreSplitWithoutFoldingOver)
{
    const std::string path = LINTORO_SOURCE_DIR "/tests/import/mqo/ver11-polygons.mqo";
    CPolyModel m;
    ASSERT_EQ(m.ReadMQO(path), kReadOk);
    EXPECT_EQ(m.faceCount, 4 + 3);
    EXPECT_EQ(m.VertexCount(), 11u);
    EXPECT_EQ(m.materials.size(), 1u);
    EXPECT_EQ(m.hasTexCoords, 1);
    // Hexagon of radius 1 plus a 4 x 3 rectangle less its 4 x 2 / 2 dent.
    EXPECT_NEAR(TotalArea(m), 1.5 * std::sqrt(3.0) + 8.0, 1e-5);
    for (const CPolyFace* f : m.objects[0]->faces)
        EXPECT_NEAR(f->normal.z, 1.0, 1e-12) << "face " << f->id;

    std::string text = testfiles::ReadWhole(path);
    text.replace(text.find("Ver 1.1"), 7, "Ver 1.0");
    CPolyModel old;
    ASSERT_EQ(Read("ver10-polygons", text, old), kReadOk);
    EXPECT_EQ(old.faceCount, 2 + 2);
}

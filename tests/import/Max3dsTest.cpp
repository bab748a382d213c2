#include "import/ModelFile.h"
#include "model/PolyModel.h"
#include "support/RecordingProgress.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::string U16(unsigned v)
{
    return {char(v & 0xFF), char((v >> 8) & 0xFF)};
}
std::string U32(uint32_t v)
{
    return U16(v & 0xFFFF) + U16(v >> 16);
}
std::string F32(float f)
{
    return U32(std::bit_cast<uint32_t>(f));
}

std::string Chunk(unsigned id, const std::string& body)
{
    return U16(id) + U32(uint32_t(6 + body.size())) + body;
}

std::string VertexList(const std::vector<CVector3>& pts)
{
    std::string b = U16(unsigned(pts.size()));
    for (const CVector3& p : pts)
        b += F32(float(p.x)) + F32(float(p.y)) + F32(float(p.z));
    return Chunk(0x4110, b);
}

std::string FaceList(const std::vector<std::array<unsigned, 3>>& faces,
                     const std::string& tail = "")
{
    std::string b = U16(unsigned(faces.size()));
    for (const auto& f : faces)
        b += U16(f[0]) + U16(f[1]) + U16(f[2]) + U16(7);
    return Chunk(0x4120, b + tail);
}

std::string Mapping(const std::vector<std::pair<float, float>>& uv)
{
    std::string b = U16(unsigned(uv.size()));
    for (const auto& [u, v] : uv)
        b += F32(u) + F32(v);
    return Chunk(0x4140, b);
}

std::string Object(const std::string& name, const std::string& body)
{
    return Chunk(0x4000, name + std::string(1, '\0') + body);
}

std::string Mesh(const std::string& body)
{
    return Chunk(0x4100, body);
}

// A whole file: version chunk, then the editor data with its mesh version at offset 28.
std::string File(const std::string& editorBody, const std::string& after = "")
{
    return Chunk(0x4D4D,
                 Chunk(0x0002, U32(3)) + Chunk(0x3D3D, Chunk(0x3D3E, U32(3)) + editorBody) + after);
}

const std::vector<CVector3> kCubePoints = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                           {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
const std::vector<std::array<unsigned, 3>> kCubeFaces = {
    {0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
    {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};

std::vector<CVector3> Shifted(const std::vector<CVector3>& pts, double dx)
{
    std::vector<CVector3> out;
    for (const CVector3& p : pts)
        out.push_back({p.x + dx, p.y, p.z});
    return out;
}

struct Read {
    int result;
    std::unique_ptr<CPolyModel> model;
};

Read ReadBytes(const std::string& bytes, IProgress* progress = nullptr)
{
    static int n = 0;
    // Appended, not "m" + std::to_string(...): GCC 12 warns falsely about the
    // insert at the front that operator+ inlines.
    std::string name = "m";
    name += std::to_string(n++);
    name += ".3ds";
    const std::string path = testfiles::WriteScratch(name, bytes);
    auto model = std::make_unique<CPolyModel>();
    const int r = model->Read3DS(path, progress);
    return {r, std::move(model)};
}

} // namespace

TEST(Max3dsReader, CubeReadsAsTwelveTrianglesOverEightSharedVertices)
{
    Read r = ReadBytes(File(Object("Box", Mesh(VertexList(kCubePoints) + FaceList(kCubeFaces)))));
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->faceCount, 12);
    ASSERT_EQ(r.model->objects.size(), 1u);
    const CPolyObject& obj = *r.model->objects[0];
    ASSERT_EQ(obj.vertices.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(obj.vertices[i]->id, i + 1);
        EXPECT_TRUE(obj.vertices[i]->pos == kCubePoints[i]);
    }
    EXPECT_EQ(obj.faces[0]->corners[0]->vertex, obj.vertices[0]);
    EXPECT_EQ(obj.faces[0]->corners[1]->vertex, obj.vertices[2]);
    EXPECT_EQ(obj.faces[0]->corners[2]->vertex, obj.vertices[1]);
    EXPECT_EQ(r.model->hasTexCoords, 0);
    EXPECT_EQ(obj.texcoords.size(), 0u);
}

TEST(Max3dsReader, MappingBeforeTheFacesReachesEveryCornerOfItsVertex)
{
    std::vector<std::pair<float, float>> uv;
    for (int i = 0; i < 8; ++i)
        uv.push_back({0.125f * float(i), 1.0f - 0.125f * float(i)});
    Read r = ReadBytes(
        File(Object("Box", Mesh(VertexList(kCubePoints) + Mapping(uv) + FaceList(kCubeFaces)))));
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->hasTexCoords, 1);
    const CPolyObject& obj = *r.model->objects[0];
    EXPECT_EQ(obj.texcoords.size(), 36u);
    for (const CPolyFace* f : obj.faces)
        for (const CFaceCorner* c : f->corners) {
            ASSERT_NE(c->tex, nullptr);
            const int i = c->vertex->id - 1;
            EXPECT_EQ(c->tex->u, uv[i].first);
            EXPECT_EQ(c->tex->v, uv[i].second);
        }
}

TEST(Max3dsReader, EachMeshIndexesItsOwnVerticesAndMapping)
{
    const std::vector<std::pair<float, float>> uvA(8, {0.25f, 0.25f});
    const std::vector<std::pair<float, float>> uvB(8, {0.75f, 0.5f});
    Read r = ReadBytes(File(
        Object("A", Mesh(VertexList(kCubePoints) + Mapping(uvA) + FaceList(kCubeFaces))) +
        Object("B",
               Mesh(VertexList(Shifted(kCubePoints, 5)) + Mapping(uvB) + FaceList(kCubeFaces)))));
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->faceCount, 24);
    EXPECT_EQ(r.model->bboxMax.x, 6.0);
    const CPolyObject& obj = *r.model->objects[0];
    EXPECT_EQ(obj.vertices.size(), 16u);
    for (size_t fi = 12; fi < 24; ++fi)
        for (const CFaceCorner* c : obj.faces[fi]->corners) {
            EXPECT_GE(c->vertex->pos.x, 5.0);
            EXPECT_GE(c->vertex->id, 9);
            ASSERT_NE(c->tex, nullptr);
            EXPECT_EQ(c->tex->u, 0.75f);
        }
    for (size_t fi = 0; fi < 12; ++fi)
        EXPECT_EQ(obj.faces[fi]->corners[0]->tex->u, 0.25f);
}

TEST(Max3dsReader, UnhandledChunksAreSkippedWholeEvenWhenTheyHoldAHandledId)
{
    // A transform matrix whose value 10.05 holds the bytes of the face-list id.
    std::string matrix;
    for (int i = 0; i < 12; ++i)
        matrix += F32(i == 11 ? 10.0504f : 1.0f);
    ASSERT_NE(matrix.find(U16(0x4120)), std::string::npos);
    const std::string extras = Chunk(0xAFFF, Chunk(0xA000, std::string("Mat\0", 4))) +
                               Chunk(0x1200, Chunk(0x0010, F32(0) + F32(0) + F32(0))) +
                               Chunk(0x7001, Chunk(0x7012, std::string(8, '\0')));
    const std::string light = Object("Lamp", Chunk(0x4600, F32(1) + F32(2) + F32(3)));
    const std::string camera = Object("Cam", Chunk(0x4700, std::string(32, '\x41')));
    Read r = ReadBytes(File(extras + light + camera +
                                Object("Box", Mesh(VertexList(kCubePoints) + Chunk(0x4160, matrix) +
                                                   Chunk(0x4165, "\x01") + FaceList(kCubeFaces))),
                            Chunk(0xB000, Chunk(0xB002, std::string(20, '\x20')))));
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->faceCount, 12);
    EXPECT_EQ(r.model->VertexCount(), 8u);

    // The same extras without a mesh leave nothing to show.
    EXPECT_EQ(ReadBytes(File(extras + light + camera)).result, kReadFailed);
}

TEST(Max3dsReader, ObjectNamesOfAnyLengthArePassedOver)
{
    Read r = ReadBytes(File(
        Object("AVeryLongObjectNameIndeed", Mesh(VertexList(kCubePoints) + FaceList(kCubeFaces)))));
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->faceCount, 12);
}

// The mesh version is looked up by its id inside the editor chunk: writers
// put a master scale (0001) or nothing before it, or leave it out.
TEST(Max3dsReader, MeshVersionIsFoundWhereverTheEditorChunkHoldsIt)
{
    const std::string box = Object("Box", Mesh(VertexList(kCubePoints) + FaceList(kCubeFaces)));
    const std::string scale = Chunk(0x0001, F32(1.0f)); // its body puts 0 at offset 28
    auto editor = [](const std::string& body) {
        return Chunk(0x4D4D, Chunk(0x0002, U32(3)) + Chunk(0x3D3D, body));
    };
    const std::pair<const char*, std::string> readable[] = {
        {"scale first", editor(scale + Chunk(0x3D3E, U32(3)) + box)},
        {"no mesh version", editor(scale + box)},
        {"version after the mesh", editor(box + Chunk(0x3D3E, U32(3)))},
        {"no file version either", Chunk(0x4D4D, Chunk(0x3D3D, box))},
    };
    for (const auto& [what, bytes] : readable) {
        Read r = ReadBytes(bytes);
        ASSERT_EQ(r.result, kReadOk) << what;
        EXPECT_EQ(r.model->faceCount, 12) << what;
    }
    const std::pair<const char*, std::string> refused[] = {
        {"old version after the scale", editor(scale + Chunk(0x3D3E, U32(2)) + box)},
        {"old version after the mesh", editor(box + Chunk(0x3D3E, U32(1)))},
        {"version cut short", editor(scale + Chunk(0x3D3E, "\x03\x00") + box)},
    };
    for (const auto& [what, bytes] : refused)
        EXPECT_EQ(ReadBytes(bytes).result, kReadFailed) << what;
}

TEST(Max3dsReader, MalformedFilesFailWithOne)
{
    const std::string good = Mesh(VertexList(kCubePoints) + FaceList(kCubeFaces));
    std::string zeroLength = File(Object("Box", good));
    zeroLength.replace(zeroLength.find(U16(0x4110)) + 2, 4,
                       U32(0)); // a walk that would never advance
    std::string shortLength = File(Object("Box", good));
    shortLength.replace(shortLength.find(U16(0x4110)) + 2, 4, U32(5));
    std::string pastParent = File(Object("Box", good));
    pastParent.replace(pastParent.find(U16(0x4120)) + 2, 4, U32(1000));
    std::string pastFile = File(Object("Box", good));
    pastFile.replace(2, 4, U32(uint32_t(pastFile.size() + 1)));
    std::string oldVersion = File(Object("Box", good));
    oldVersion[28] = 2;

    std::string tooManyVertices = U16(9);
    for (int i = 0; i < 8; ++i)
        tooManyVertices += F32(0) + F32(0) + F32(0);

    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"text", "not a 3ds file\n"},
        {"wrong first id", File(Object("Box", good)).replace(0, 2, U16(0x4D4C))},
        {"mesh version 2", oldVersion},
        {"zero length", zeroLength},
        {"length 5", shortLength},
        {"past the parent", pastParent},
        {"past the file", pastFile},
        {"count past the chunk",
         File(Object("Box", Mesh(Chunk(0x4110, tooManyVertices) + FaceList(kCubeFaces))))},
        {"faces count past the chunk",
         File(Object("Box", Mesh(VertexList(kCubePoints) + Chunk(0x4120, U16(3) + U16(0)))))},
        {"mapping count past the chunk",
         File(Object("Box", Mesh(VertexList(kCubePoints) + Chunk(0x4140, U16(2) + F32(0)) +
                                 FaceList(kCubeFaces))))},
        {"index past the mesh",
         File(Object("Box", Mesh(VertexList(kCubePoints) + FaceList({{0, 1, 8}}))))},
        {"index into an earlier mesh",
         File(Object("A", good) + Object("B", Mesh(VertexList({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) +
                                                   FaceList({{0, 1, 5}}))))},
        {"faces before vertices",
         File(Object("Box", Mesh(FaceList(kCubeFaces) + VertexList(kCubePoints))))},
        {"name without end", File(Chunk(0x4000, "Box"))},
        {"header cut inside a chunk", File(Object("Box", good + "\x10\x41\x00"))},
        {"not a number", File(Object("Box", Mesh(VertexList({{0, 0, 0}, {1, 0, 0}, {0, NAN, 0}}) +
                                                 FaceList({{0, 1, 2}}))))},
        {"no mesh", File("")},
    };
    for (const auto& [what, bytes] : cases)
        EXPECT_EQ(ReadBytes(bytes).result, kReadFailed) << what;

    CPolyModel m;
    EXPECT_EQ(m.Read3DS(testfiles::ScratchDir() + "/absent.3ds"), kReadFailed);
}

// Every cut of a good file, and every single-byte change of it, either reads
// or fails cleanly; the sanitizers watch for the rest.
TEST(Max3dsReader, TruncatedAndCorruptedFilesNeverMisbehave)
{
    const std::string good =
        File(Object("Box", Mesh(VertexList(kCubePoints) +
                                Mapping(std::vector<std::pair<float, float>>(8, {0.5f, 0.5f})) +
                                FaceList(kCubeFaces))));
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_EQ(ReadBytes(good.substr(0, n)).result, kReadFailed) << "cut at " << n;
    for (size_t i = 0; i < good.size(); ++i) {
        for (const char b : {'\x00', '\xFF', '\x7F'}) {
            std::string bad = good;
            bad[i] = b;
            Read r = ReadBytes(bad);
            EXPECT_TRUE(r.result == kReadOk || r.result == kReadFailed) << i;
            if (r.result == kReadOk) {
                EXPECT_GT(r.model->faceCount, 0);
            }
        }
    }
}

TEST(Max3dsReader, ReportsProgressAndStopsWhenCancelled)
{
    std::string objects;
    for (int k = 0; k < 30; ++k)
        objects +=
            Object("B", Mesh(VertexList(Shifted(kCubePoints, 2.0 * k)) + FaceList(kCubeFaces)));
    const std::string bytes = File(objects);

    RecordingProgress progress;
    Read r = ReadBytes(bytes, &progress);
    ASSERT_EQ(r.result, kReadOk);
    EXPECT_EQ(r.model->faceCount, 360);
    EXPECT_EQ(progress.titles, std::vector<std::string>{"File Open"});
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(progress.rangeUpper, 100);
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"Loading...", "Constructing..."}));
    ASSERT_GT(progress.positions.size(), 20u);
    for (size_t i = 1; i < progress.positions.size(); ++i)
        EXPECT_GT(progress.positions[i], progress.positions[i - 1]);

    RecordingProgress cancelling(50);
    EXPECT_EQ(ReadBytes(bytes, &cancelling).result, kReadCancelled);
    EXPECT_EQ(cancelling.ends, 1);
}

TEST(Max3dsReader, SharedFilesOpenWithTheExpectedFaceCounts)
{
    LINTORO_REQUIRE_SHARED_DATA();
    struct Expect {
        int faces; // -1: the read fails with 1
        bool uv;
    };
    const std::map<std::string, Expect> expected = {
        {"o3dv-wrong.3ds", {-1, false}},           // text, not a chunk file
        {"assimp-CameraRollAnim.3ds", {12, true}}, // the camera adds nothing
        {"assimp-cube_with_diffuse_texture.3DS", {12, true}},
        {"o3dv-cube_four_instances.3ds", {12, true}}, // keyframer instances not expanded
        {"o3dv-cube_hierarchy.3ds", {12, true}},
        {"assimp-cubes_with_alpha.3DS", {60, true}}, // 5 meshes
        {"assimp-test1.3ds", {108, true}},           // 9 meshes; matrices skipped whole
        {"assimp-fels.3ds", {768, false}},
        {"assimp-jeep1.3ds", {2032, true}}, // 7 meshes, none collapses
    };
    const auto files = testfiles::SharedFiles("3ds");
    ASSERT_EQ(files.size(), expected.size());
    for (const std::string& path : files) {
        const auto it = expected.find(path.substr(path.find_last_of('/') + 1));
        ASSERT_NE(it, expected.end()) << path;
        OpenOutcome out = ReadModelFile(path, nullptr);
        if (it->second.faces < 0) {
            EXPECT_EQ(out.result, kReadFailed) << path;
            EXPECT_EQ(out.message, "File open failed");
            continue;
        }
        ASSERT_EQ(out.result, kReadOk) << path;
        EXPECT_EQ(out.model->faceCount, it->second.faces) << path;
        EXPECT_EQ(out.model->hasTexCoords, it->second.uv ? 1 : 0) << path;
        if (it->second.uv) {
            for (const CPolyFace* f : out.model->objects[0]->faces)
                for (const CFaceCorner* c : f->corners)
                    ASSERT_NE(c->tex, nullptr) << path;
        }
    }
}

TEST(Max3dsReader, LaterMeshesOfARealFileKeepTheirOwnVertices)
{
    LINTORO_REQUIRE_SHARED_DATA();
    OpenOutcome out =
        ReadModelFile(testfiles::SharedDataDir() + "/3ds/assimp-cubes_with_alpha.3DS", nullptr);
    ASSERT_EQ(out.result, kReadOk);
    // Taking every mesh's faces from the first mesh's vertices would give x from -1.2.
    EXPECT_NEAR(out.model->bboxMin.x, -856.3, 0.1);
    EXPECT_NEAR(out.model->bboxMax.y, 1227.1, 0.1);
}

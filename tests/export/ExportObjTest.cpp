#include "export/ExportOBJ.h"
#include "base/AtomicFile.h"
#include "export/SheetObj.h"
#include "model/PolyModel.h"
#include "sheet/SheetBend.h"
#include "support/Meshes.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Format(double value)
{
    char text[32];
    return std::string(text, FormatObjNumber(value, text));
}

std::string WriteToString(CPolyModel& model)
{
    const std::string path = testfiles::ScratchDir() + "/write.obj";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    CExportOBJ writer;
    EXPECT_TRUE(writer.WriteObj(f, model));
    std::fclose(f);
    return testfiles::ReadWhole(path);
}

TEST(ObjNumberFormat, MatchesPercentGWithSixDigits)
{
    const std::pair<double, const char*> table[] = {
        {0.1, "0.1"},
        {2.0, "2"},
        {-3.5e-07, "-3.5e-07"},
        {1.0 / 3.0, "0.333333"},
        {123456789.0, "1.23457e+08"},
        {-0.0, "-0"},
        {1.0, "1"},
        {-0.5, "-0.5"},
        {123.456789, "123.457"},
        {0.0001, "0.0001"},
        {0.00001, "1e-05"},
        {1e-7, "1e-07"},
        {999999.5, "1e+06"},
        {100000.0, "100000"},
        {1e300, "1e+300"},
    };
    for (const auto& [value, text] : table)
        EXPECT_EQ(Format(value), text) << value;
}

TEST(ObjNumberFormat, AgreesWithSnprintfOnRandomValues)
{
    std::setlocale(LC_NUMERIC, "C");
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-12, 12);
    for (int i = 0; i < 20000; ++i) {
        const double v = mantissa(rng) * std::pow(10.0, exponent(rng));
        char expected[64];
        std::snprintf(expected, sizeof expected, "%g", v);
        ASSERT_EQ(Format(v), expected);
    }
}

TEST(ObjNumberFormat, IgnoresTheProcessLocale)
{
    const char* locales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "C.UTF-8"};
    bool switched = false;
    for (const char* name : locales)
        if (std::setlocale(LC_NUMERIC, name)) {
            switched = true;
            break;
        }
    EXPECT_EQ(Format(0.25), "0.25");
    std::setlocale(LC_NUMERIC, "C");
    if (!switched)
        GTEST_SKIP() << "no other locale installed";
}

TEST(ExportObj, WritesEveryVertexThenFacesByteForByte)
{
    auto model = testmesh::Strip();
    CPolyObject& obj = *model->objects[0];
    obj.AddVertex(CVector3{0.1, -3.5e-07, 123456789.0}); // used by no face
    const std::string text = WriteToString(*model);
    std::string expected;
    for (const CPolyVertex* v : obj.vertices)
        expected +=
            "v " + Format(v->pos.x) + " " + Format(v->pos.y) + " " + Format(v->pos.z) + "\n";
    for (const CPolyFace* f : obj.faces) {
        expected += "f";
        for (const CFaceCorner* c : f->corners) {
            expected += ' ';
            expected += std::to_string(c->vertex->id);
        }
        expected += " \n";
    }
    EXPECT_EQ(text, expected);
    EXPECT_NE(text.find("v 0.1 -3.5e-07 1.23457e+08\n"), std::string::npos);
    // Ids are the 1-based positions in the vertex list, kept after writing.
    for (size_t i = 0; i < obj.vertices.size(); ++i)
        EXPECT_EQ(obj.vertices[i]->id, static_cast<int>(i) + 1);
    // Writing again gives the same bytes.
    EXPECT_EQ(WriteToString(*model), text);
}

TEST(ExportObj, SmallShapeExactText)
{
    CPolyModel model;
    CPolyObject* obj = model.AddObject();
    CPolyVertex* a = obj->AddVertex({0, 0, 0});
    CPolyVertex* b = obj->AddVertex({1, 0, 0});
    obj->AddVertex({5, 5, 5});
    CPolyVertex* c = obj->AddVertex({0, 1, -0.0});
    a->id = b->id = c->id = 77; // stale ids must not leak into the file
    CPolyFace* f = obj->AddFace();
    f->AddCorner(a);
    f->AddCorner(b);
    f->AddCorner(c);
    EXPECT_EQ(WriteToString(model), "v 0 0 0\nv 1 0 0\nv 5 5 5\nv 0 1 -0\nf 1 2 4 \n");
    // Only objects[0] is written; a shape without faces gives vertex lines only.
    CPolyObject* second = model.AddObject();
    second->AddVertex({9, 9, 9});
    obj->faces.clear();
    EXPECT_EQ(WriteToString(model), "v 0 0 0\nv 1 0 0\nv 5 5 5\nv 0 1 -0\n");
    CPolyModel empty;
    EXPECT_EQ(WriteToString(empty), "");
}

TEST(ExportObj, ReportsAFullDevice)
{
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (!full)
        GTEST_SKIP() << "/dev/full not available";
    auto model = testmesh::Grid(30, 30);
    CExportOBJ writer;
    EXPECT_FALSE(writer.WriteObj(full, *model));
    std::fclose(full);
}

TEST(ExportObj, ReadsBackAsTheSameTriangles)
{
    auto model = testmesh::Grid(5, 7, 2.0, 1.0);
    testmesh::Build(*model);
    const std::string path = testfiles::ScratchDir() + "/roundtrip.obj";
    ASSERT_TRUE(ExportObjFile(path, *model));
    CPolyModel back;
    ASSERT_EQ(back.ReadOBJ(path), kReadOk);
    ASSERT_EQ(back.faceCount, model->faceCount);
    for (int i = 0; i < back.faceCount; ++i)
        for (int k = 0; k < 3; ++k) {
            const CVector3 p = model->objects[0]->faces[i]->corners[k]->vertex->pos;
            const CVector3 q = back.objects[0]->faces[i]->corners[k]->vertex->pos;
            EXPECT_NEAR(p.x, q.x, 1e-5);
            EXPECT_NEAR(p.y, q.y, 1e-5);
            EXPECT_NEAR(p.z, q.z, 1e-5);
        }
}

class ReplaceFile : public ::testing::Test {
protected:
    std::string dir = testfiles::ScratchDir() + "/replace";
    std::string target = dir + "/out.obj";
    void SetUp() override
    {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    size_t EntriesInDir() const
    {
        const auto entries = std::distance(fs::directory_iterator(dir), fs::directory_iterator());
        return static_cast<size_t>(entries);
    }
    static bool WriteText(std::FILE* f, const char* text) { return std::fputs(text, f) >= 0; }
};

TEST_F(ReplaceFile, SuccessReplacesTheContentAndKeepsItsMode)
{
    ASSERT_TRUE(WriteFileReplacing(target, [](std::FILE* f) { return WriteText(f, "old\n"); }));
    EXPECT_EQ(testfiles::ReadWhole(target), "old\n");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileReplacing(target, [](std::FILE* f) { return WriteText(f, "new\n"); }));
    EXPECT_EQ(testfiles::ReadWhole(target), "new\n");
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(ReplaceFile, ALinkKeepsPointingAtTheReplacedFile)
{
    ASSERT_TRUE(WriteFileReplacing(target, [](std::FILE* f) { return WriteText(f, "old\n"); }));
    const std::string link = dir + "/link.obj";
    fs::create_symlink(target, link);
    ASSERT_TRUE(WriteFileReplacing(link, [](std::FILE* f) { return WriteText(f, "new\n"); }));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(testfiles::ReadWhole(target), "new\n");
    EXPECT_EQ(EntriesInDir(), 2u);
}

TEST_F(ReplaceFile, FailureLeavesTheOldFileAndNoTemporary)
{
    ASSERT_TRUE(WriteFileReplacing(target, [](std::FILE* f) { return WriteText(f, "old\n"); }));
    // The writer reports a failure halfway.
    EXPECT_FALSE(WriteFileReplacing(target, [](std::FILE* f) {
        WriteText(f, "partial");
        return false;
    }));
    EXPECT_EQ(testfiles::ReadWhole(target), "old\n");
    EXPECT_EQ(EntriesInDir(), 1u);
    // The folder does not exist, or is a file.
    EXPECT_FALSE(WriteFileReplacing(dir + "/missing/out.obj", [](std::FILE*) { return true; }));
    EXPECT_FALSE(WriteFileReplacing(target + "/out.obj", [](std::FILE*) { return true; }));
    // The target is a folder: the rename fails and the temporary goes.
    fs::create_directories(dir + "/sub.obj");
    EXPECT_FALSE(
        WriteFileReplacing(dir + "/sub.obj", [](std::FILE* f) { return WriteText(f, "x"); }));
    EXPECT_EQ(EntriesInDir(), 2u);
    EXPECT_FALSE(WriteFileReplacing("", [](std::FILE*) { return true; }));
}

TEST_F(ReplaceFile, TargetsThatAreNotWritableFilesAreRefusedBeforeWriting)
{
    const auto write = [](std::FILE* f) { return WriteText(f, "new\n"); };
    EXPECT_TRUE(IsWritableTarget(target)); // nothing there yet
    fs::create_directories(dir + "/folder.obj");
    fs::create_symlink(dir + "/folder.obj", dir + "/to-folder.obj");
    for (const std::string name : {"folder.obj", "to-folder.obj"}) {
        EXPECT_FALSE(IsWritableTarget(dir + "/" + name)) << name;
        EXPECT_FALSE(WriteFileReplacing(dir + "/" + name, write)) << name;
    }
    EXPECT_FALSE(IsWritableTarget("/dev/null"));
    EXPECT_FALSE(IsWritableTarget(""));
    EXPECT_EQ(EntriesInDir(), 2u);
}

TEST_F(ReplaceFile, AReadOnlyFileIsKeptEvenThoughItsFolderIsWritable)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write to any file";
    ASSERT_TRUE(WriteFileReplacing(target, [](std::FILE* f) { return WriteText(f, "old\n"); }));
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    const std::string link = dir + "/link.obj";
    fs::create_symlink(target, link);
    for (const std::string& path : {target, link}) {
        EXPECT_FALSE(IsWritableTarget(path)) << path;
        EXPECT_FALSE(WriteFileReplacing(path, [](std::FILE* f) { return WriteText(f, "x"); }));
    }
    EXPECT_EQ(testfiles::ReadWhole(target), "old\n");
    EXPECT_EQ(EntriesInDir(), 2u);
}

TEST(SheetWriter, WritesSharedVerticesAndTwoTrianglesPerCell)
{
    SheetLayout layout;
    layout.rows = 2;
    layout.cols = 1;
    layout.size = 2.0;
    const std::string path = testfiles::ScratchDir() + "/sheet.obj";
    ASSERT_TRUE(WriteFileReplacing(path, [&](std::FILE* f) { return WriteSheetObj(f, layout); }));
    EXPECT_EQ(testfiles::ReadWhole(path),
              "v -1 -2 0\nv 1 -2 0\nv -1 0 0\nv 1 0 0\nv -1 2 0\nv 1 2 0\n"
              "f 1 2 4 \nf 1 4 3 \nf 3 4 6 \nf 3 6 5 \n");
    CPolyModel back;
    ASSERT_EQ(back.ReadOBJ(path), kReadOk);
    EXPECT_EQ(back.faceCount, 4);
    // Counter-clockwise from +z.
    EXPECT_GT(back.objects[0]->faces[0]->normal.z, 0.99);
}

TEST(SheetWriter, CurvedShapesStayGentleAndBounded)
{
    SheetLayout layout;
    layout.rows = 10;
    layout.cols = 20;
    layout.shape = SheetShape::QuarterCylinder;
    layout.size = 4.0;
    // A quarter turn: the edges stand at +-45 degrees, the middle at z = 0.
    const CVector3 mid = SheetPoint(layout, 5, 10);
    EXPECT_NEAR(mid.x, 0.0, 1e-12);
    EXPECT_NEAR(mid.z, 0.0, 1e-12);
    const CVector3 left = SheetPoint(layout, 0, 0);
    const CVector3 right = SheetPoint(layout, 0, 20);
    EXPECT_NEAR(left.x, -right.x, 1e-12);
    EXPECT_NEAR(left.z, right.z, 1e-12);
    const double radius = 4.0 / (M_PI / 2.0);
    EXPECT_NEAR(right.x, radius * std::sin(M_PI / 4.0), 1e-12);
    // Arc length between neighbours equals the flat cell size.
    const CVector3 a = SheetPoint(layout, 0, 3), b = SheetPoint(layout, 0, 4);
    EXPECT_NEAR(std::hypot(a.x - b.x, a.z - b.z), 0.2, 1e-4);
    layout.shape = SheetShape::Saddle;
    EXPECT_EQ(SheetPoint(layout, 5, 10).z, 0.0);
    EXPECT_GT(SheetPoint(layout, 5, 0).z, 0.0);
    EXPECT_LT(SheetPoint(layout, 0, 10).z, 0.0);
}

TEST(SheetWriter, RejectsBadSpecsWithoutWriting)
{
    SheetLayout layout;
    EXPECT_TRUE(SheetLayoutValid(layout));
    for (auto change :
         {+[](SheetLayout& s) { s.rows = 0; }, +[](SheetLayout& s) { s.cols = -3; },
          +[](SheetLayout& s) { s.rows = kSheetMaxSide + 1; },
          +[](SheetLayout& s) { s.rows = s.cols = kSheetMaxSide; },
          +[](SheetLayout& s) { s.size = 0.0; }, +[](SheetLayout& s) { s.size = NAN; }}) {
        SheetLayout bad;
        change(bad);
        EXPECT_FALSE(SheetLayoutValid(bad));
        std::FILE* f = std::tmpfile();
        EXPECT_FALSE(WriteSheetObj(f, bad));
        EXPECT_EQ(std::ftell(f), 0);
        std::fclose(f);
    }
    SheetShape shape = SheetShape::Flat;
    EXPECT_TRUE(ParseSheetShape("saddle", shape));
    EXPECT_EQ(shape, SheetShape::Saddle);
    EXPECT_FALSE(ParseSheetShape("Cylinder", shape));
}

} // namespace

// Runs the built lintoro-cli and checks what it prints, writes and returns.

#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

CliRun Cli(const std::string& args)
{
    const std::string dir = testfiles::ScratchDir();
    const std::string out = dir + "/cli.out", err = dir + "/cli.err";
    const std::string cmd = Quote(LINTORO_CLI) + " " + args + " >" + Quote(out) + " 2>" +
                            Quote(err) + " </dev/null";
    CliRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = testfiles::ReadWhole(out);
    r.err = testfiles::ReadWhole(err);
    return r;
}

std::string Scratch(const std::string& name) { return testfiles::ScratchDir() + "/" + name; }

TEST(Cli, SheetThenInfoReportsTheModel)
{
    const std::string sheet = Scratch("small.obj");
    CliRun r = Cli("sheet --rows 3 --cols 2 --size=4 --shape flat -o " + Quote(sheet));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = Cli("info --json " + Quote(sheet));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"file\":\"small.obj\",\"objects\":1,\"faces\":12,\"vertices\":36,"
                     "\"hasTexCoords\":false,\"materials\":0,\"bboxMin\":[-2,-3,0],"
                     "\"bboxMax\":[2,3,0],\"slices\":0}\n");
    r = Cli("info " + Quote(sheet));
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("faces:        12\n"), std::string::npos);
    EXPECT_NE(r.out.find("bboxMax:      2 3 0\n"), std::string::npos);
}

TEST(Cli, OpenFailuresPrintTheOpenRoutinesMessages)
{
    const std::string quad = testfiles::WriteScratch(
        "quad.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
    CliRun r = Cli("info " + Quote(quad));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error: Please make all polygons triangle.\n");
    r = Cli("info " + Quote(testfiles::WriteScratch("notes.txt", "v 0 0 0\n")));
    EXPECT_EQ(r.err, "Cannot open this file\n");
    EXPECT_EQ(r.status, 1);
    r = Cli("info " + Quote(Scratch("absent.obj")));
    EXPECT_EQ(r.err, "File open failed\n");
    r = Cli("info " + Quote(testfiles::WriteScratch("model.6ks", "x")));
    EXPECT_EQ(r.err, "File open failed\n");
    EXPECT_EQ(r.status, 1);
}

TEST(Cli, ConvertScalesIntoTheUnitCubeUnlessAskedNotTo)
{
    const std::string sheet = Scratch("conv-in.obj");
    ASSERT_EQ(Cli("sheet --rows 4 --cols 4 --size 10 --shape saddle -o " + Quote(sheet)).status, 0);
    const std::string out = Scratch("conv-out.obj");
    CliRun r = Cli("convert " + Quote(sheet) + " " + Quote(out));
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(testfiles::ReadWhole(out));
    std::string tag;
    double x, y, z, largest = 0.0;
    int vertices = 0;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        if (in >> tag && tag == "v" && in >> x >> y >> z) {
            ++vertices;
            largest = std::max({largest, std::fabs(x), std::fabs(y), std::fabs(z)});
        }
    }
    EXPECT_EQ(vertices, 96); // every corner has its own vertex record
    EXPECT_LT(largest, 1.0);
    EXPECT_GT(largest, 0.999);
    ASSERT_EQ(Cli("convert --keep-scale " + Quote(sheet) + " " + Quote(out)).status, 0);
    EXPECT_NE(testfiles::ReadWhole(out).find("v -5 -5 0\n"), std::string::npos);
}

TEST(Cli, FailuresWriteNothingAndKeepExistingFiles)
{
    const std::string out = testfiles::WriteScratch("keep.obj", "precious\n");
    const std::string quad = testfiles::WriteScratch(
        "quad2.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
    CliRun r = Cli("convert " + Quote(quad) + " " + Quote(out));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(testfiles::ReadWhole(out), "precious\n");
    const std::string sheet = Scratch("ok-in.obj");
    ASSERT_EQ(Cli("sheet -o " + Quote(sheet)).status, 0);
    r = Cli("convert " + Quote(sheet) + " " + Quote(Scratch("no/such/dir/out.obj")));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ファイルに書き込めません\n");
    // Bad command lines: a message, status 1, no file.
    for (const char* args : {"sheet --rows 0 -o", "sheet --rows 12x -o", "sheet --shape cone -o",
                             "sheet --size -1 -o", "sheet --rows 10000 --cols 10000 -o"}) {
        SCOPED_TRACE(args);
        const std::string target = Scratch("never.obj");
        r = Cli(std::string(args) + " " + Quote(target));
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("lintoro-cli sheet:"), std::string::npos);
        EXPECT_FALSE(fs::exists(target));
    }
    EXPECT_EQ(Cli("sheet").status, 1);
    EXPECT_EQ(Cli("info").status, 1);
    EXPECT_EQ(Cli("convert onlyone.obj").status, 1);
    EXPECT_EQ(Cli("frobnicate").status, 1);
    EXPECT_EQ(Cli("").status, 1);
}

TEST(Cli, HelpForEveryCommand)
{
    CliRun r = Cli("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* name : {"info", "convert", "sheet"}) {
        EXPECT_NE(r.out.find(name), std::string::npos);
        const CliRun sub = Cli(std::string(name) + " --help");
        EXPECT_EQ(sub.status, 0);
        EXPECT_EQ(sub.out.rfind(std::string("Usage: lintoro-cli ") + name, 0), 0u) << sub.out;
    }
}

} // namespace

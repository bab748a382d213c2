// Runs the built lintoro-cli and checks what it prints, writes and returns.

#include "CliRunner.h"
#include "LintoroVersion.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Replaces every whole number that directly follows `before` or directly
// precedes `after` (give one of them, the other empty) by T; returns the
// numbers in text order.
std::vector<int> MaskNumbers(std::string& text, const std::string& before, const std::string& after)
{
    const auto digit = [&](size_t i) { return std::isdigit(static_cast<unsigned char>(text[i])); };
    std::vector<int> found;
    const std::string& key = before.empty() ? after : before;
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        size_t first = at, last = at;
        if (before.empty()) {
            while (first > 0 && digit(first - 1))
                --first;
        } else {
            first = last = at + before.size();
            while (last < text.size() && digit(last))
                ++last;
        }
        if (first == last)
            continue;
        found.push_back(std::stoi(text.substr(first, last - first)));
        // Built afresh rather than text.replace(...), on which GCC 12 warns
        // falsely (-Wrestrict) once it is inlined here.
        std::string masked;
        masked.reserve(text.size());
        masked.append(text, 0, first);
        masked += 'T';
        masked.append(text, last, std::string::npos);
        text.swap(masked);
        at = first;
    }
    return found;
}

std::string Scratch(const std::string& name)
{
    return testfiles::ScratchDir() + "/" + name;
}

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
                     "\"bboxMax\":[2,3,0],\"slices\":0,\"parts\":0,\"lines\":0,"
                     "\"sliceList\":[],\"paper\":{\"width\":4,\"height\":6,\"pieces\":1,"
                     "\"strain\":{\"max\":0,\"mean\":0},\"split\":false}}\n");
    r = Cli("info " + Quote(sheet));
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("faces:        12\n"), std::string::npos);
    EXPECT_NE(r.out.find("bboxMax:      2 3 0\n"), std::string::npos);
}

TEST(Cli, SheetOfPaperInMillimetresAndWhatInfoSaysOfItsPaper)
{
    // A4 with ten cells along its height; jittered inner points stay inside the sheet.
    const std::string a4 = Scratch("a4.obj");
    CliRun r =
        Cli("sheet --width 210 --height 297 --cells 10 --layout jittered --seed 3 -o " + Quote(a4));
    ASSERT_EQ(r.status, 0) << r.err;
    r = Cli("info --json " + Quote(a4));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"faces\":140,"), std::string::npos) << r.out; // 7 x 10 cells
    EXPECT_NE(r.out.find("\"bboxMin\":[-105,-148.5,0],\"bboxMax\":[105,148.5,0]"),
              std::string::npos);
    EXPECT_NE(
        r.out.find("\"paper\":{\"width\":210,\"height\":297,\"pieces\":1,\"strain\":{\"max\":0,"
                   "\"mean\":0},\"split\":false}"),
        std::string::npos);
    // Same seed, same sheet; another seed, another one; regular differs from both.
    const std::string again = Scratch("again.obj"), other = Scratch("other.obj"),
                      regular = Scratch("regular.obj");
    ASSERT_EQ(Cli("sheet --width=210 --height=297 --cells=10 --layout=jittered --seed=3 -o " +
                  Quote(again))
                  .status,
              0);
    ASSERT_EQ(Cli("sheet --width 210 --height 297 --cells 10 --layout jittered --seed 4 -o " +
                  Quote(other))
                  .status,
              0);
    ASSERT_EQ(Cli("sheet --width 210 --height 297 --cells 10 -o " + Quote(regular)).status, 0);
    EXPECT_EQ(testfiles::ReadWhole(a4), testfiles::ReadWhole(again));
    EXPECT_NE(testfiles::ReadWhole(a4), testfiles::ReadWhole(other));
    EXPECT_NE(testfiles::ReadWhole(a4), testfiles::ReadWhole(regular));

    // A saddle has no paper, and info says why.
    const std::string saddle = Scratch("saddle.obj");
    ASSERT_EQ(Cli("sheet --rows 8 --cols 8 --shape saddle --size 100 -o " + Quote(saddle)).status,
              0);
    r = Cli("info " + Quote(saddle));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("paper:        none: This surface does not unfold flat: angle defect up "
                         "to 3.5\xC2\xB0 at (0, 0, 0).\n"),
              std::string::npos)
        << r.out;
    r = Cli("info --json " + Quote(saddle));
    EXPECT_NE(r.out.find("\"paper\":{\"whyNot\":\"This surface does not unfold flat"),
              std::string::npos)
        << r.out;

    EXPECT_EQ(Cli("sheet --cells 4 --rows 3 -o " + Quote(Scratch("x.obj"))).status, 1);
    EXPECT_EQ(Cli("sheet --size 2 --width 3 -o " + Quote(Scratch("x.obj"))).status, 1);
    EXPECT_EQ(Cli("sheet --layout wobbly -o " + Quote(Scratch("x.obj"))).status, 1);
    EXPECT_EQ(Cli("sheet --seed -1 -o " + Quote(Scratch("x.obj"))).status, 1);
}

TEST(Cli, OpenFailuresPrintTheOpenRoutinesMessages)
{
    const std::string quad =
        testfiles::WriteScratch("quad.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
    CliRun r = Cli("info " + Quote(quad));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error: Please make all polygons triangle.\n" + quad +
                         ": line 5: a face with more than three corners\n");
    const std::string notes = testfiles::WriteScratch("notes.txt", "v 0 0 0\n");
    r = Cli("info " + Quote(notes));
    EXPECT_EQ(r.err,
              "Cannot open this file\n" + notes + ": there is no reader for \".txt\" files\n");
    EXPECT_EQ(r.status, 1);
    r = Cli("info " + Quote(Scratch("absent.obj")));
    EXPECT_EQ(r.err,
              "File open failed\n" + Scratch("absent.obj") + ": No such file or directory\n");
    const std::string stub = testfiles::WriteScratch("model.6ks", "x");
    r = Cli("info " + Quote(stub));
    EXPECT_EQ(r.err, "File open failed\n" + stub + ": 6KS files cannot be read\n");
    EXPECT_EQ(r.status, 1);
    const std::string empty = testfiles::WriteScratch("empty.fold", "");
    EXPECT_EQ(Cli("info " + Quote(empty)).err,
              "File open failed\n" + empty + ": the file is empty\n");
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
    const std::string quad =
        testfiles::WriteScratch("quad2.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
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

TEST(Cli, InfoReportsSlicesPartsAndLinesOfAQwfFile)
{
    // Two slices: the first has a closed square part and an open strip and
    // two lines (one pairs with the second slice's line, one names a line
    // that does not name it back); the second has one triangle part.
    const std::string qwf = testfiles::WriteScratch(
        "cut.qwf", "version 1\n"
                   "sp 0 0.5 -1 1 0.5 1 1 0.5 1 -1 0.5 -1 -1\n"
                   "pa\nv 0.5 0 0 1 1\nv 0.5 0.5 0 1 1.5\nv 0.5 0.5 0.5 0.5 1.5\n"
                   "v 0.5 0 0.5 0.5 1\nv 0.5 0 0 1 1\n/pa\n"
                   "pa\nv 0.5 0 0 1 0.25\nv 0.5 0 0 2 0.5\n/pa\n"
                   "e 3 0.5 0 0 0.5 0 1 0 0 1 1\n"
                   "e 3 0.5 0 0 0.5 0 1 0 0 1 1\n/sp\n"
                   "sp 2 -1 -1 0 1 -1 0 1 1 0 -1 1 0\n"
                   "pa\nv 0 0 0 1 1\nv 1 0 0 2 1\nv 0 1 0 1 2\nv 0 0 0 1 1\n/pa\n"
                   "e 1 0.5 0 0 0.5 0 1 1 1 1 1\n/sp\n"
                   "model\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    CliRun r = Cli("info --json " + Quote(qwf));
    ASSERT_EQ(r.status, 0) << r.err;
    // How many triangles a closed outline gets is the tessellator's business
    // (the repeated closing vertex may add a zero-area one): counted apart.
    const std::vector<int> counts = MaskNumbers(r.out, "\"triangles\":", "");
    ASSERT_EQ(counts.size(), 3u) << r.out;
    EXPECT_GE(counts[0], 2);
    EXPECT_EQ(counts[1], 0);
    EXPECT_GE(counts[2], 1);
    EXPECT_NE(r.out.find("\"slices\":2,\"parts\":3,\"lines\":3,\"sliceList\":["
                         "{\"axis\":0,\"parts\":[{\"vertices\":5,\"triangles\":T,\"closed\":true},"
                         "{\"vertices\":2,\"triangles\":T,\"closed\":false}],"
                         "\"lines\":2,\"pairedLines\":1,\"bounds\":[0.5,0.25,2,1.5]},"
                         "{\"axis\":2,\"parts\":[{\"vertices\":4,\"triangles\":T,\"closed\":true}],"
                         "\"lines\":1,\"pairedLines\":1,\"bounds\":[1,1,2,2]}],"
                         "\"paper\":{\"width\":1,\"height\":1,\"pieces\":1,\"strain\":{\"max\":0,"
                         "\"mean\":0},\"split\":false}}\n"),
              std::string::npos)
        << r.out;
    r = Cli("info " + Quote(qwf));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(MaskNumbers(r.out, "", " triangles"), counts);
    EXPECT_NE(
        r.out.find("slices:       2\nparts:        3\nlines:        3\n"
                   "slice 1:      axis 0, 2 parts, 2 lines (1 paired), u 0.5..2, v 0.25..1.5\n"
                   "  part 1:     5 vertices, T triangles, closed\n"
                   "  part 2:     2 vertices, T triangles, open\n"
                   "slice 2:      axis 2, 1 parts, 1 lines (1 paired), u 1..2, v 1..2\n"
                   "  part 1:     4 vertices, T triangles, closed\n"),
        std::string::npos)
        << r.out;
}

TEST(Cli, InfoOnTheBundledSampleCountsEverySlice)
{
    const CliRun r = Cli("info --json " + Quote(LINTORO_SOURCE_DIR "/samples/slices.qwf"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"slices\":6,"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\"bounds\":null"), std::string::npos); // every slice has parts
    EXPECT_EQ(r.out.find("\"triangles\":0"), std::string::npos); // and every part a fill
}

TEST(Cli, HelpForEveryCommandAndTheVersion)
{
    CliRun r = Cli("--help");
    EXPECT_EQ(r.status, 0);
    const CliRun version = Cli("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("lintoro-cli ") + kLintoroVersion + "\n");
    for (const char* name : {"info", "convert", "sheet"}) {
        EXPECT_NE(r.out.find(name), std::string::npos);
        const CliRun sub = Cli(std::string(name) + " --help");
        EXPECT_EQ(sub.status, 0);
        EXPECT_EQ(sub.out.rfind(std::string("Usage: lintoro-cli ") + name, 0), 0u) << sub.out;
    }
}

} // namespace

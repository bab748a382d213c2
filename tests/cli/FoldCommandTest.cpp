// Runs lintoro-cli fold on generated sheets and checks its summary, its file
// and its failures.

#include "CliRunner.h"
#include "panes/DesignController.h"
#include "export/ExportOBJ.h"
#include "import/ModelFile.h"
#include "support/Cameras.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Scratch(const std::string& name)
{
    return testfiles::ScratchDir() + "/" + name;
}

// A 7 x 7 flat sheet: no grid line lies near the planes of the drags below.
std::string Sheet()
{
    const std::string path = Scratch("fold-sheet.obj");
    EXPECT_EQ(Cli("sheet --rows 7 --cols 7 --size 2 -o " + Quote(path)).status, 0);
    return path;
}

int CountLines(const std::string& text, char tag)
{
    std::istringstream in(text);
    std::string line;
    int n = 0;
    while (std::getline(in, line))
        n += line.size() > 1 && line[0] == tag && line[1] == ' ';
    return n;
}

// The numbers of an OBJ file's vertex lines, in order.
std::vector<double> VertexNumbers(const std::string& text)
{
    std::istringstream in(text);
    std::vector<double> numbers;
    std::string tag;
    while (in >> tag) {
        if (tag == "v") {
            double x = 0, y = 0, z = 0;
            in >> x >> y >> z;
            numbers.insert(numbers.end(), {x, y, z});
        }
        in.ignore(1 << 20, '\n');
    }
    return numbers;
}

} // namespace

TEST(CliFold, DragByAgreesWithTheFreeDragOfTheDesignView)
{
    const std::string in = Sheet();
    OpenOutcome opened = OpenModel(in, nullptr);
    ASSERT_TRUE(opened.model) << opened.message;
    CDesignSession session;
    CViewCamera camera;
    CDesignController controller(session, camera);
    controller.AttachModel(opened.model.get());
    testcam::Oblique(camera, -50.0);
    const CVector3 pick{0.43, -0.14, 0.0};
    int vx = 0, vy = 0;
    testcam::Mouse(camera, NearestShapeCorner(*opened.model, pick).pos, vx, vy);
    ASSERT_TRUE(controller.UpdateHighlight(vx, vy));
    controller.LeftButtonDown(vx, vy);
    ASSERT_TRUE(controller.EndLeftClick());
    controller.LeftButtonDown(vx, vy);
    for (int k = 1; k <= 4; ++k)
        controller.FreeDrag(vx - 12 * k, vy + 9 * k, false);
    const CVector3 by = *session.SelectedPos() - session.StartPos();
    ASSERT_TRUE(session.FoldAngle());
    char angle[64];
    std::snprintf(angle, sizeof angle, "last fold angle %.1f\n", *session.FoldAngle());
    controller.EndLeftClick();
    session.Deselect();
    const std::string viaView = Scratch("drag-by-view.obj");
    ASSERT_TRUE(ExportObjFile(viaView, *opened.model));

    char vector[128];
    std::snprintf(vector, sizeof vector, "%.17g,%.17g,%.17g:4", by.x, by.y, by.z);
    const std::string viaCli = Scratch("drag-by-cli.obj");
    const CliRun r = Cli("fold " + Quote(in) + " -o " + Quote(viaCli) + " --select 0.43,-0.14,0 " +
                         "--drag-by " + vector);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind(std::string(angle) + "accepted 4 rejected 0 ", 0), 0u) << r.out;
    const std::vector<double> view = VertexNumbers(testfiles::ReadWhole(viaView));
    const std::vector<double> cli = VertexNumbers(testfiles::ReadWhole(viaCli));
    ASSERT_EQ(view.size(), cli.size());
    ASSERT_GT(view.size(), 3u * 98u); // folded: crossed faces were split
    for (size_t i = 0; i < view.size(); ++i)
        ASSERT_NEAR(view[i], cli[i], 1e-9) << i;
}

TEST(CliFold, SummaryCountsStepsAndTheWrittenRecords)
{
    const std::string in = Sheet();
    const std::string out = Scratch("fold-out.obj");
    // Three equal steps: the second meets the crease of the first, which
    // runs through its start now, and folds on.
    CliRun r =
        Cli("fold " + Quote(in) + " -o " + Quote(out) + " --select -0.43,-0.43,0 --drag x:0.3:3");
    ASSERT_EQ(r.status, 0) << r.err;
    int accepted = -1, rejected = -1, faces = -1, vertices = -1, crossings = -1, used = 0;
    double ms = -1.0, angle = 0.0;
    ASSERT_EQ(std::sscanf(r.out.c_str(),
                          "last fold angle %lf\n"
                          "accepted %d rejected %d faces %d vertices %d\nmedian step %lf ms\n"
                          "intersections %d\n%n",
                          &angle, &accepted, &rejected, &faces, &vertices, &ms, &crossings, &used),
              7)
        << r.out;
    EXPECT_EQ(std::fabs(angle), 180.0); // a flat sheet folds flat under an x drag
    EXPECT_EQ(crossings, 0); // a flat sheet folded once over itself touches, never pierces
    EXPECT_EQ(static_cast<size_t>(used), r.out.size());
    EXPECT_EQ(accepted, 3);
    EXPECT_EQ(rejected, 0);
    EXPECT_GE(ms, 0.0);
    EXPECT_NE(r.out.find(" ms\n"), std::string::npos);
    EXPECT_EQ(r.out[r.out.find(" ms\n") - 4], '.'); // three decimals
    const std::string text = testfiles::ReadWhole(out);
    EXPECT_EQ(CountLines(text, 'f'), faces);
    EXPECT_EQ(CountLines(text, 'v'), vertices);
    EXPECT_GT(CountLines(text, 'f'), 98); // folded: crossed faces were split
    // A move smaller than the tolerance leaves the start on its own plane.
    r = Cli("fold " + Quote(in) + " -o " + Quote(out) + " --select -0.43,-0.43,0 --drag x:0.00005");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 42), "last fold angle none\naccepted 0 rejected 1");
}

TEST(CliFold, UndoingEverythingWritesWhatConvertWrites)
{
    const std::string in = Sheet();
    const std::string plain = Scratch("fold-plain.obj");
    ASSERT_EQ(Cli("convert " + Quote(in) + " " + Quote(plain)).status, 0);
    const std::string expected = testfiles::ReadWhole(plain);
    const std::string out = Scratch("fold-undone.obj");
    // Nothing to undo or deselect: nothing happens.
    CliRun r = Cli("fold " + Quote(in) + " -o " + Quote(out) + " --undo --deselect");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 40), "accepted 0 rejected 0 faces 98 vertices ");
    EXPECT_EQ(testfiles::ReadWhole(out), expected);
    // Fix Shape pushes the dragged shape: the first Undo shows it, the second
    // the loaded shape.
    r = Cli("fold " + Quote(in) + " -o " + Quote(out) +
            " --select=-0.43,-0.43,0 --drag x:0.25 --fix --undo");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string dragged = testfiles::ReadWhole(out);
    EXPECT_NE(dragged, expected);
    r = Cli("fold " + Quote(in) + " -o " + Quote(out) +
            " --select=-0.43,-0.43,0 --drag x:0.25 --fix --undo --undo");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testfiles::ReadWhole(out), expected);
    // A second selection ends the first and commits the fold: the same
    // faces, one vertex line per corner either way.
    r = Cli("fold " + Quote(in) + " -o " + Quote(out) +
            " --select=-0.43,-0.43,0 --drag x:0.25 --select 0.7,0.7,0");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string recommitted = testfiles::ReadWhole(out);
    EXPECT_EQ(CountLines(recommitted, 'f'), CountLines(dragged, 'f'));
    EXPECT_EQ(CountLines(dragged, 'v'), 3 * CountLines(dragged, 'f'));
    EXPECT_EQ(CountLines(recommitted, 'v'), 3 * CountLines(recommitted, 'f'));
}

TEST(CliFold, FailuresWriteNothing)
{
    const std::string in = Sheet();
    const std::string out = Scratch("fold-never.obj");
    for (const char* actions : {"--drag x:0.2", "--fix", "--select 1,2", "--select a,b,c",
                                "--drag w:0.2", "--drag x", "--drag x:0.2:0", "--drag x:nan",
                                "--select 0,0,0 --drag x:0.1:-2", "--frobnicate", "--fix=1"}) {
        SCOPED_TRACE(actions);
        CliRun r = Cli("fold " + Quote(in) + " -o " + Quote(out) + " " + actions);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("lintoro-cli fold"), std::string::npos);
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(fs::exists(out));
    }
    CliRun r = Cli("fold " + Quote(Scratch("absent.obj")) + " -o " + Quote(out) + " --undo");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "File open failed\n" + Scratch("absent.obj") + ": No such file or directory\n");
    EXPECT_EQ(Cli("fold " + Quote(in) + " --undo").status, 1);
    EXPECT_FALSE(fs::exists(out));
    r = Cli("fold --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--drag AXIS:DIST[:N]"), std::string::npos);
}

TEST(CliFold, CreasePatternsAreWrittenAllOrNothing)
{
    const std::string in = Scratch("fold-paper.obj");
    ASSERT_EQ(Cli("sheet --width 200 --height 120 --cells 20 -o " + Quote(in)).status, 0);
    const std::string out = Scratch("fold-paper-out.obj");
    const std::string keep = Scratch("fold-keep.fold");
    const std::string pdf = Scratch("fold-pattern.pdf");
    const std::string fold = " --select 0.5,0.3,0 --drag x:-0.54:3 --fix";
    fs::create_directories(Scratch("folder.svg"));
    for (const std::string& bad :
         {std::string("--crease-pattern ") + Quote(Scratch("missing/bad.pdf")),
          std::string("--crease-pattern ") + Quote(Scratch("bad.png")),
          std::string("--crease-pattern ") + Quote(Scratch("folder.svg"))}) {
        SCOPED_TRACE(bad);
        CliRun r = Cli("fold " + Quote(in) + " -o " + Quote(out) + fold + " --crease-pattern " +
                       Quote(keep) + " " + bad);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(fs::exists(keep));
        EXPECT_FALSE(fs::exists(out));
    }
    CliRun r = Cli("fold " + Quote(in) + " -o " + Quote(Scratch("missing/out.obj")) + fold +
                   " --crease-pattern " + Quote(keep));
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(keep));

    r = Cli("fold " + Quote(in) + " -o " + Quote(out) + fold + " --crease-pattern " + Quote(pdf) +
            " --crease-pattern " + Quote(keep));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(keep));
    int n = -1, mountains = -1, valleys = -1;
    const size_t line = r.out.find("creases ");
    ASSERT_NE(line, std::string::npos) << r.out;
    ASSERT_EQ(std::sscanf(r.out.c_str() + line, "creases %d mountain %d valley %d", &n, &mountains,
                          &valleys),
              3);
    EXPECT_EQ(n, mountains + valleys);
    EXPECT_GT(n, 0);
    // One page exactly the paper's size, 200 x 120 mm in points, not rounded.
    CliRun info{};
    {
        std::FILE* p = popen(("pdfinfo " + Quote(pdf) + " 2>&1").c_str(), "r");
        ASSERT_NE(p, nullptr);
        char buf[256];
        while (std::fgets(buf, sizeof buf, p))
            info.out += buf;
        info.status = pclose(p);
    }
    if (info.out.find("not found") != std::string::npos)
        GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    ASSERT_EQ(info.status, 0) << info.out;
    int pages = 0;
    const size_t count = info.out.find("Pages:");
    ASSERT_NE(count, std::string::npos) << info.out;
    EXPECT_EQ(std::sscanf(info.out.c_str() + count, "Pages: %d", &pages), 1);
    EXPECT_EQ(pages, 1);
    double w = 0.0, h = 0.0;
    const size_t size = info.out.find("Page size:");
    ASSERT_NE(size, std::string::npos);
    ASSERT_EQ(std::sscanf(info.out.c_str() + size, "Page size: %lf x %lf pts", &w, &h), 2);
    EXPECT_NEAR(w, 200.0 * 72.0 / 25.4, 1e-3);
    EXPECT_NEAR(h, 120.0 * 72.0 / 25.4, 1e-3);
}

TEST(CliFold, TheStrainWrittenIsTheStrainOfWhatIsWritten)
{
    // A bent sheet folded once by a plane that passes 3e-5 (unit lengths,
    // under the design tolerance) beside a column of its vertices: the crease
    // points there snap onto the vertices, so the folded frame and the
    // pattern differ where the sheet as opened did not.
    const std::string in = Scratch("strain-bent.obj");
    ASSERT_EQ(
        Cli("sheet --width 120 --height 100 --cells 12 --bend cylinder -o " + Quote(in)).status, 0);
    OpenOutcome opened = OpenModel(in, nullptr);
    ASSERT_TRUE(opened.model) << opened.message;
    std::vector<double> columns;
    CVector3 start{-2, 0, 0};
    for (const CPolyVertex* v : opened.model->objects[0]->vertices) {
        columns.push_back(v->pos.x);
        if (v->pos.x > start.x || (v->pos.x == start.x && std::fabs(v->pos.y) < std::fabs(start.y)))
            start = v->pos;
    }
    std::sort(columns.begin(), columns.end());
    columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
    const double plane = columns[columns.size() / 3] + 3e-5;
    char args[256];
    std::snprintf(args, sizeof args, " --select %.17g,%.17g,%.17g --drag-by %.17g,0,0 --fix",
                  start.x, start.y, start.z, -2 * (start.x - plane));
    const std::string pattern = Scratch("strain-bent.fold");
    CliRun r = Cli("fold " + Quote(in) + " -o " + Quote(Scratch("strain-bent-out.obj")) + args +
                   " --crease-pattern " + Quote(pattern));
    ASSERT_EQ(r.status, 0) << r.err;

    const nlohmann::json doc = nlohmann::json::parse(testfiles::ReadWhole(pattern));
    const auto& paper = doc["vertices_coords"];
    const auto& folded = doc["file_frames"][0]["vertices_coords"];
    double max = 0.0, mean = 0.0;
    size_t edges = 0;
    for (const auto& e : doc["edges_vertices"]) {
        const auto& a = paper[e[0].get<size_t>()];
        const auto& b = paper[e[1].get<size_t>()];
        const auto& fa = folded[e[0].get<size_t>()];
        const auto& fb = folded[e[1].get<size_t>()];
        const double onPaper = std::hypot(b[0].get<double>() - a[0].get<double>(),
                                          b[1].get<double>() - a[1].get<double>());
        const double length = std::sqrt(std::pow(fb[0].get<double>() - fa[0].get<double>(), 2) +
                                        std::pow(fb[1].get<double>() - fa[1].get<double>(), 2) +
                                        std::pow(fb[2].get<double>() - fa[2].get<double>(), 2));
        const double strain = std::fabs(onPaper - length) / length;
        max = std::max(max, strain);
        mean += strain;
        ++edges;
    }
    mean /= static_cast<double>(edges);
    ASSERT_GT(max, 1e-4) << "the fold snapped nothing: no strain to report";
    EXPECT_NEAR(doc["lintoro:strain"]["max"].get<double>(), max, 1e-9 * max);
    EXPECT_NEAR(doc["lintoro:strain"]["mean"].get<double>(), mean, 1e-9 * max);

    // Reopened, the file's form reports the same strain in info and check.
    r = Cli("info --json " + Quote(pattern));
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json info = nlohmann::json::parse(r.out);
    EXPECT_NEAR(info["paper"]["strain"]["max"].get<double>(), max, 1e-9 * max);
    r = Cli("check --json " + Quote(pattern));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NEAR(nlohmann::json::parse(r.out)["strain"]["max"].get<double>(), max, 1e-9 * max);
}

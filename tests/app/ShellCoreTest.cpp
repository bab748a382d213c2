#include "app/CoreAdapters.h"
#include "app/ProgressState.h"
#include "design/DesignStates.h"
#include "support/Meshes.h"
#include "support/TestFiles.h"
#include "ui/CommandMap.h"

#include <climits>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

TEST(ProgressState, CaptionChangesOnlyWithThePercentage)
{
    CProgressState s;
    s.SetTitle("File Open");
    EXPECT_FALSE(s.SetPos(0).has_value()); // 0 % was already shown
    EXPECT_EQ(s.SetPos(7).value_or(""), "File Open [7%]");
    EXPECT_FALSE(s.SetPos(7).has_value());
    EXPECT_EQ(s.LastPos(), 7);

    s.SetRange(0, 200, 1);
    EXPECT_FALSE(s.SetPos(14).has_value()); // 14 * 100 / 200 = 7
    EXPECT_FALSE(s.SetPos(15).has_value()); // still 7 %
    EXPECT_EQ(s.SetPos(16).value_or(""), "File Open [8%]");
}

TEST(ProgressState, PercentArithmetic)
{
    EXPECT_EQ(CProgressState::Percent(50, 0, 0), 0);  // empty range
    EXPECT_EQ(CProgressState::Percent(50, 10, 5), 0); // inverted range
    EXPECT_EQ(CProgressState::Percent(250, 0, 100), 100);
    // The lower bound is not subtracted from the position.
    EXPECT_EQ(CProgressState::Percent(60, 50, 150), 60);
    EXPECT_EQ(CProgressState::Percent(INT_MAX, 0, INT_MAX), 100);
    EXPECT_EQ(CProgressState::Percent(INT_MAX / 2, INT_MIN, INT_MAX), 24);
    EXPECT_EQ(CProgressState::Caption("Progress", 42), "Progress [42%]");
}

TEST(ProgressState, LongTextsAreCutOnCharacterBoundaries)
{
    EXPECT_EQ(CProgressState::ClampText(std::string(600, 'a')).size(), 511u);
    EXPECT_EQ(CProgressState::ClampText("Loading..."), "Loading...");
    // 3-byte characters: 170 of them fill 510 bytes; the 171st would straddle the cut.
    std::string kana;
    for (int i = 0; i < 200; ++i)
        kana += "\xe3\x81\x82";
    const std::string cut = CProgressState::ClampText(kana);
    EXPECT_EQ(cut.size(), 510u);
    EXPECT_EQ(cut, kana.substr(0, 510));
}

TEST(CommandRoute, FirstTargetThatKnowsTheIdOwnsIt)
{
    CCommandMap view, doc, frame, app;
    int frameRuns = 0, viewRuns = 0;
    bool viewEnabled = false;
    frame.Add(kCmdFixShape, [&] { ++frameRuns; });
    view.Add(
        kCmdFixShape, [&] { ++viewRuns; }, [&](CCmdUI& ui) { ui.Enable(viewEnabled); });
    app.Add(kCmdAbout, [] {});

    CCommandRoute route({&view, &doc, &frame, &app});
    // The view owns the command, so its rule decides even though the frame would run it.
    EXPECT_FALSE(route.Query(kCmdFixShape).Enabled());
    EXPECT_FALSE(route.Execute(kCmdFixShape));
    EXPECT_EQ(viewRuns + frameRuns, 0);
    viewEnabled = true;
    EXPECT_TRUE(route.Execute(kCmdFixShape));
    EXPECT_EQ(viewRuns, 1);

    // Without the view on the route the frame's handler is reached.
    CCommandRoute noView({nullptr, &doc, &frame, &app});
    EXPECT_TRUE(noView.Execute(kCmdFixShape));
    EXPECT_EQ(frameRuns, 1);

    // An id no target on the route knows: disabled and never run.
    EXPECT_FALSE(route.Query(kCmdSaveAs).Enabled());
    EXPECT_FALSE(route.Execute(kCmdSaveAs));
    EXPECT_TRUE(route.Query(kCmdAbout).Enabled());
}

TEST(CommandRoute, RulesTickAndRetextAndUpdateOnlyEntriesNeverRun)
{
    CCommandMap doc;
    doc.Add(kPaneViewStatus, nullptr, [](CCmdUI& ui) { ui.SetText(""); });
    doc.Add(
        kCmdShowFace, [] {}, [](CCmdUI& ui) { ui.SetCheck(true); });
    CCommandRoute route({&doc});
    const CCmdUI pane = route.Query(kPaneViewStatus);
    EXPECT_TRUE(pane.Enabled());
    EXPECT_EQ(pane.Text().value_or("x"), "");
    EXPECT_FALSE(route.Execute(kPaneViewStatus));
    EXPECT_TRUE(route.Query(kCmdShowFace).Checked().value_or(false));
    EXPECT_FALSE(route.Query(kCmdShowEdge).Checked().has_value());
}

TEST(CommandText, PromptsAndTooltips)
{
    ASSERT_NE(FindCommandText(kCmdFixShape), nullptr);
    EXPECT_STREQ(FindCommandText(kCmdFixShape)->prompt, "Fix the Shape");
    EXPECT_STREQ(FindCommandText(kCmdAbout)->tooltip, "ﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_STREQ(FindCommandText(kCmdExit)->prompt, "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示");
    ASSERT_NE(FindCommandText(kCmdSave), nullptr);
    EXPECT_STREQ(FindCommandText(kCmdSave)->tooltip, "Save Design");
    EXPECT_EQ(FindCommandText(kCmdEditUndoDoc), nullptr);
}

namespace {
// A shape with a vertex no face uses and a negative zero coordinate.
std::unique_ptr<CPolyModel> ShapeForExport()
{
    auto model = testmesh::Strip();
    model->objects[0]->AddVertex(CVector3{-0.00000035, -0.0, 123456789.0});
    return model;
}
} // namespace

TEST(ExportShape, WritesNumberedVerticesThenFaces)
{
    auto model = ShapeForExport();
    const std::string path = testfiles::ScratchDir() + "/shape.obj";
    ASSERT_TRUE(ExportShapeToFile(*model, path));
    const std::string text = testfiles::ReadWhole(path);
    // One vertex per corner, the unused vertex last, then one line per face.
    EXPECT_EQ(text, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                    "v -3.5e-07 -0 1.23457e+08\nf 1 2 3 \nf 4 5 6 \n");
    const CPolyObject& obj = *model->objects[0];
    for (size_t i = 0; i < obj.vertices.size(); ++i)
        EXPECT_EQ(obj.vertices[i]->id, static_cast<int>(i) + 1);
    // A second export gives the same file.
    ASSERT_TRUE(ExportShapeToFile(*model, path));
    EXPECT_EQ(testfiles::ReadWhole(path), text);
}

TEST(ExportShape, RefusesTargetsItCannotWriteAndLeavesThemAlone)
{
    auto model = ShapeForExport();
    const std::string dir = testfiles::ScratchDir() + "/a_folder.obj";
    std::filesystem::create_directories(dir);
    EXPECT_FALSE(ExportShapeToFile(*model, dir));
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    EXPECT_FALSE(ExportShapeToFile(*model, testfiles::ScratchDir() + "/missing/x.obj"));
    EXPECT_FALSE(ExportShapeToFile(*model, ""));
    CPolyModel empty;
    EXPECT_FALSE(ExportShapeToFile(empty, testfiles::ScratchDir() + "/empty.obj"));
}

TEST(ExportShape, WriteFailingPartWayKeepsTheExistingFile)
{
    auto model = testmesh::Grid(20, 20);
    const std::string path = testfiles::WriteScratch("kept.obj", "old content\n");
    const std::string before = testfiles::ReadWhole(path);
    // A file size limit makes the write fail after a few bytes, also for root.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = old;
    tight.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool ok = ExportShapeToFile(*model, path);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(testfiles::ReadWhole(path), before);
    for (const auto& e : std::filesystem::directory_iterator(testfiles::ScratchDir()))
        EXPECT_EQ(e.path().filename().string().find("kept.obj."), std::string::npos)
            << "temporary file left: " << e.path();
}

TEST(StepBack, BringsBackTheTopOfTheStack)
{
    auto model = testmesh::Strip();
    CPolyModel& m = *model;
    StepBackShape(m); // empty stack: nothing changes
    ASSERT_EQ(m.objects.size(), 1u);
    CPolyObject* loaded = m.objects[0].get();
    CommitWorkingCopy(m);
    ASSERT_TRUE(m.designing);
    EXPECT_TRUE(StepBackShape(m));
    ASSERT_EQ(m.objects.size(), 1u);
    EXPECT_EQ(m.objects[0].get(), loaded);
    EXPECT_FALSE(m.designing);
    EXPECT_TRUE(m.undoStack.empty());
}

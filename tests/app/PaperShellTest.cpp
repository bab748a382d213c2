// The Qt-free steps behind New Sheet, Export Crease Pattern and the first
// layout of the panes.

#include "app/CoreAdapters.h"
#include "app/Profile.h"
#include "app/WindowSettings.h"
#include "base/AtomicFile.h"
#include "model/PolyModel.h"
#include "paper/PaperLayout.h"
#include "support/Meshes.h"
#include "support/TestFiles.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {
std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
} // namespace

TEST(NewSheet, LayoutTitleAndTheOpenedModel)
{
    const SheetLayout a4 = PaperSheetLayout(210.0, 297.0, 60, false);
    EXPECT_EQ(a4.rows, 60); // the longer side
    EXPECT_EQ(a4.cols, 42);
    EXPECT_EQ(a4.size, 210.0);
    EXPECT_EQ(a4.height, 297.0);
    EXPECT_FALSE(a4.jittered);
    EXPECT_EQ(SheetTitle(210.0, 297.0), "Sheet 210x297 mm");
    EXPECT_EQ(SheetTitle(100.5, 80.0), "Sheet 100.5x80 mm");

    const SheetLayout layout = PaperSheetLayout(150.0, 100.0, 30, true);
    OpenOutcome out = OpenSheetModel(layout, nullptr);
    ASSERT_EQ(out.result, kReadOk) << out.message;
    ASSERT_TRUE(out.model);
    const CPolyModel& m = *out.model;
    EXPECT_EQ(m.faceCount, 2 * 30 * 20);
    EXPECT_TRUE(m.fileName.empty());
    // Paper in millimetres as laid out, the shape in the unit cube.
    ASSERT_TRUE(m.paperInfo.has) << m.paperInfo.whyNot;
    EXPECT_NEAR(m.paperInfo.width, 150.0, 1e-9);
    EXPECT_NEAR(m.paperInfo.height, 100.0, 1e-9);
    for (const CPolyVertex* v : m.objects[0]->vertices)
        EXPECT_LE(std::fabs(v->pos.x), 1.0 + 1e-12);

    // A bend the sheet cannot take: the reason, and no model.
    out = OpenSheetModel(PaperSheetLayout(200.0, 100.0, 10, false, SheetBend::Cone, 89.0), nullptr);
    EXPECT_FALSE(out.model);
    EXPECT_NE(out.message.find("more than 90.0 degrees"), std::string::npos) << out.message;
}

TEST(ExportCreasePattern, WritesFoldOrSvgAndSaysWhyNot)
{
    auto sheet = testmesh::Grid(2, 3, 30.0, 20.0);
    testmesh::Build(*sheet);
    AssignPaper(*sheet);
    sheet->NormalizeToUnit();
    std::string message;
    const std::string fold = testfiles::ScratchDir() + "/shell-pattern.fold";
    ASSERT_TRUE(ExportCreasePatternToFile(*sheet, fold, message)) << message;
    const nlohmann::json doc = nlohmann::json::parse(ReadAll(fold));
    EXPECT_EQ(doc["vertices_coords"].size(), 12u);
    EXPECT_EQ(doc["faces_vertices"].size(), 12u);
    EXPECT_EQ(doc["edges_vertices"].size(), doc["edges_assignment"].size());
    const std::string svg = testfiles::ScratchDir() + "/shell-pattern.SVG";
    ASSERT_TRUE(ExportCreasePatternToFile(*sheet, svg, message)) << message;
    EXPECT_NE(ReadAll(svg).find("<svg"), std::string::npos);

    EXPECT_FALSE(ExportCreasePatternToFile(*sheet, "/nonexistent-folder/p.fold", message));
    EXPECT_EQ(message, kCannotWriteMessage);
    EXPECT_FALSE(ExportCreasePatternToFile(*sheet, testfiles::ScratchDir() + "/p.txt", message));
    EXPECT_NE(message.find(".fold"), std::string::npos);

    auto cube = testmesh::Cube();
    testmesh::Build(*cube);
    AssignPaper(*cube);
    ASSERT_FALSE(cube->paperInfo.has);
    ASSERT_FALSE(cube->paperInfo.whyNot.empty());
    EXPECT_FALSE(ExportCreasePatternToFile(*cube, fold, message));
    EXPECT_EQ(message, cube->paperInfo.whyNot);
}

TEST(PaneLayout, SavedSizesWinOverTheFirstStartShares)
{
    EXPECT_EQ(FirstPaneSize(1000, -2, kFirstDesignViewShare), 600);
    EXPECT_EQ(FirstPaneSize(501, -2, kFirstNetViewShare), 251);
    EXPECT_EQ(FirstPaneSize(1000, 350, kFirstDesignViewShare), 350);
    EXPECT_EQ(FirstPaneSize(300, 350, kFirstDesignViewShare), 300); // kept within the splitter
    EXPECT_EQ(FirstPaneSize(1000, 0, kFirstDesignViewShare), 0);    // saved collapsed
    EXPECT_EQ(FirstPaneSize(0, -2, kFirstDesignViewShare), 0);

    const std::string path = testfiles::ScratchDir() + "/layout.ini";
    std::filesystem::remove(path);
    CProfile profile(path);
    EXPECT_FALSE(HasSavedSplitSize(profile));
    profile.WriteString("Settings", "SplitWindowSize", "640:180");
    EXPECT_TRUE(HasSavedSplitSize(CProfile(path)));
}

TEST(PaneLayout, ResizesAreSharedInProportionAndPanesKeepAUsableSize)
{
    EXPECT_EQ(ProportionalFirstPane(600, 400, 1500), 900);
    EXPECT_EQ(ProportionalFirstPane(600, 400, 500), 300);
    // A shrinking pane stops at the minimum, or at its own size when it was smaller...
    EXPECT_EQ(ProportionalFirstPane(200, 800, 600), kMinimumPaneSize);
    EXPECT_EQ(ProportionalFirstPane(800, 200, 600), 600 - kMinimumPaneSize);
    EXPECT_EQ(ProportionalFirstPane(900, 100, 600), 500);
    EXPECT_EQ(ProportionalFirstPane(100, 900, 600), 100);
    // ...but only while there is room for three, and a collapsed pane stays collapsed.
    EXPECT_EQ(ProportionalFirstPane(900, 100, 400), 360);
    EXPECT_EQ(ProportionalFirstPane(1000, 0, 600), 600);
    EXPECT_EQ(ProportionalFirstPane(0, 1000, 600), 0);
    EXPECT_EQ(ProportionalFirstPane(0, 0, 600), 300);
    EXPECT_EQ(ProportionalFirstPane(500, 500, 0), 0);
}

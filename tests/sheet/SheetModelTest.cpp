// A sheet made in memory is the model its OBJ file opens as, bit for bit.
#include "support/TestFiles.h"

#include "base/AtomicFile.h"
#include "export/SheetObj.h"
#include "import/ModelFile.h"
#include "model/PolyModel.h"
#include "sheet/SheetModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<CVector3> CornerPositions(const CPolyModel& m)
{
    std::vector<CVector3> out;
    for (const auto& obj : m.objects)
        for (const CPolyFace* f : obj->faces)
            for (const CFaceCorner* c : f->corners)
                out.push_back(c->vertex->pos);
    return out;
}

} // namespace

TEST(SheetModel, OpensAsItsObjFileDoes)
{
    SheetLayout small;
    small.rows = 3;
    small.cols = 2;
    small.size = 4.0;
    SheetLayout arched = small;
    arched.shape = SheetShape::QuarterCylinder;
    arched.rows = arched.cols = 6;
    arched.size = 10.0;
    SheetLayout saddle = arched;
    saddle.shape = SheetShape::Saddle;
    SheetLayout jittered = PaperSheet(210.0, 297.0, 10, true);
    jittered.seed = 3;
    const std::vector<SheetLayout> layouts = {
        small,
        arched,
        saddle,
        jittered,
        PaperSheet(200.0, 100.0, 10, true, SheetBend::Cylinder),
        PaperSheet(200.0, 100.0, 10, false, SheetBend::Cone, 120.0)};
    for (size_t i = 0; i < layouts.size(); ++i) {
        SCOPED_TRACE("layout " + std::to_string(i));
        const std::string path = testfiles::ScratchDir() + "/sheet" + std::to_string(i) + ".obj";
        ASSERT_TRUE(
            WriteFileReplacing(path, [&](std::FILE* f) { return WriteSheetObj(f, layouts[i]); }));
        const OpenOutcome read = OpenModel(path, nullptr);
        OpenOptions inMemory;
        inMemory.reader = [&](const std::string&, IProgress*) {
            OpenOutcome made;
            made.model = std::make_unique<CPolyModel>();
            made.result = BuildSheetModel(layouts[i], *made.model) ? kReadOk : kReadFailed;
            return made;
        };
        const OpenOutcome made = OpenModel(std::string(), nullptr, inMemory);
        ASSERT_TRUE(read.model && made.model);
        const CPolyModel &a = *read.model, &b = *made.model;
        EXPECT_EQ(a.faceCount, b.faceCount);
        EXPECT_EQ(a.objects[0]->vertices.size(), b.objects[0]->vertices.size());
        EXPECT_TRUE(CornerPositions(a) == CornerPositions(b));
        EXPECT_TRUE(a.unitCentre == b.unitCentre);
        EXPECT_EQ(a.unitScale, b.unitScale);
        EXPECT_EQ(a.paperInfo.has, b.paperInfo.has);
        EXPECT_EQ(a.paperInfo.width, b.paperInfo.width);
        EXPECT_EQ(a.paperInfo.height, b.paperInfo.height);
        EXPECT_EQ(a.paperInfo.strainMax, b.paperInfo.strainMax);
        ASSERT_EQ(a.paper.size(), b.paper.size());
        for (size_t k = 0; k < a.paper.size(); ++k)
            ASSERT_TRUE(a.paper[k].u == b.paper[k].u && a.paper[k].v == b.paper[k].v) << k;
    }
}

TEST(SheetModel, RefusesWhatCannotBeMade)
{
    CPolyModel model;
    SheetLayout none;
    none.rows = 0;
    EXPECT_FALSE(BuildSheetModel(none, model));
    EXPECT_TRUE(model.objects.empty());
    EXPECT_FALSE(
        BuildSheetModel(PaperSheet(200.0, 100.0, 10, false, SheetBend::Cone, 89.0), model));
    EXPECT_NE(model.whyNotRead.find("more than 90.0 degrees"), std::string::npos);
    EXPECT_TRUE(model.objects.empty());
}

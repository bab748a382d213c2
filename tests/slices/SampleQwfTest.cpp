#include "SampleQwf.h"
#include "model/CSlicePlane.h"
#include "model/PolyModel.h"
#include "slices/SliceParts.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::unique_ptr<CPolyModel> LoadSample()
{
    auto model = std::make_unique<CPolyModel>();
    const std::string path = std::string(LINTORO_SOURCE_DIR) + "/samples/slices.qwf";
    EXPECT_EQ(model->ReadQWF(path), kReadOk);
    return model;
}

} // namespace

TEST(SampleQwf, BundledFileIsWhatTheGeneratorWrites)
{
    const std::string bundled =
        testfiles::ReadWhole(std::string(LINTORO_SOURCE_DIR) + "/samples/slices.qwf");
    // Regenerate with: build/tests/slices/make_sample_qwf samples/slices.qwf
    EXPECT_TRUE(bundled == sampleqwf::SampleText());
}

TEST(SampleQwf, OpensWithPartsOnEverySliceAndPairedLines)
{
    const auto model = LoadSample();
    ASSERT_EQ(model->planes.size(), 7u);
    EXPECT_EQ(model->planes.back().get(), model->currentPlane);
    const size_t expectedParts[] = {1, 2, 1, 2, 2, 2}; // x = 0.05 and z = 0.07 meet the hole
    int lines = 0;
    for (size_t i = 0; i + 1 < model->planes.size(); ++i) {
        const CSlicePlane& s = *model->planes[i];
        EXPECT_EQ(s.parts.size(), expectedParts[i]) << "slice " << i;
        for (const auto& part : s.parts) {
            EXPECT_GT(part->outline.size(), 8u);
            EXPECT_GE(part->triangles.size(), part->outline.size() - 3);
            for (const auto& pv : part->outline) {
                EXPECT_GE(pv->u, 0.0);
                EXPECT_LE(pv->u, 2.0);
                EXPECT_GE(pv->v, 0.0);
                EXPECT_LE(pv->v, 2.0);
                // Every outline point lies on the slice's plane.
                EXPECT_NEAR(s.a * pv->x + s.b * pv->y + s.c * pv->z + s.d, 0.0, 1e-6);
            }
        }
        for (const auto& line : s.lines) {
            ++lines;
            ASSERT_NE(line->partner, nullptr) << "line " << line->id;
            EXPECT_EQ(line->partner->partner, line.get());
            EXPECT_NE(line->partner->owner, &s);
            EXPECT_EQ(line->x1, line->partner->x1);
            EXPECT_EQ(line->z2, line->partner->z2);
        }
        EXPECT_GT(s.paddedWidth, 0.2);
    }
    EXPECT_GT(lines, 10);
    EXPECT_EQ(model->faceCount, 40 * 16 * 2);
}

// The fast fold against the plain one, on many random drags.
#include "support/LiteralFold.h"
#include "support/Meshes.h"

#include "design/DesignStates.h"
#include "import/ModelFile.h"
#include "model/CSlicePlane.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>

namespace {

constexpr auto Wave = testmesh::Wave<0.3, 3.0, 2.0>;

double Bowl(double x, double y)
{
    return 0.4 * ((x - 0.5) * (x - 0.5) + (y - 0.5) * (y - 0.5));
}

struct Mesh {
    const char* name;
    std::function<std::unique_ptr<CPolyModel>()> make;
    double lattice; // drags in multiples of this put planes through vertices; 0: random
};

std::unique_ptr<CPolyModel> Opened(std::unique_ptr<CPolyModel> m, bool normalize)
{
    EXPECT_TRUE(m->BuildTopology());
    if (normalize)
        m->NormalizeToUnit();
    return m;
}

std::unique_ptr<CPolyModel> GridModel(int rows, int cols, double cell,
                                      double (*height)(double, double), double jitter)
{
    auto m = std::make_unique<CPolyModel>();
    testmesh::AddGrid(m->AddObject(), rows, cols, {0, 0, 0}, cell, height, jitter,
                      rows * 31 + cols);
    return m;
}

std::vector<Mesh> Meshes()
{
    return {
        {"flat", [] { return Opened(testmesh::Grid(12, 12), true); }, 0.0},
        {"curved", [] { return Opened(testmesh::Grid(16, 14, 1.0, 1.0, Wave), true); }, 0.0},
        {"bowl", [] { return Opened(testmesh::Grid(10, 10, 1.0, 1.0, Bowl), true); }, 0.0},
        {"jittered", [] { return Opened(GridModel(14, 14, 0.1, nullptr, 0.3), true); }, 0.0},
        {"jittered curved", [] { return Opened(GridModel(12, 15, 0.1, Wave, 0.3), true); }, 0.0},
        {"pieces",
         [] {
             auto m = std::make_unique<CPolyModel>();
             CPolyObject* o = m->AddObject();
             testmesh::AddGrid(o, 6, 6, {0, 0, 0}, 0.1, Wave);
             testmesh::AddGrid(o, 5, 4, {0.8, 0.1, 0.05}, 0.12, nullptr);
             testmesh::AddGrid(o, 4, 7, {-0.2, 0.75, -0.3}, 0.09, Bowl);
             return Opened(std::move(m), true);
         },
         0.0},
        // Unscaled lattice: drags of whole lattice steps put the bisector
        // exactly through rows of vertices.
        {"lattice", [] { return Opened(testmesh::Grid(8, 8, 1.6, 1.6), false); }, 0.1},
    };
}

// The opened model's first object as flat triangles, with paper points that
// differ from corner to corner, so interpolation errors show.
CWorkingShape BaseOf(const CPolyModel& model)
{
    CWorkingShape base;
    FlatFromObject(*model.objects[0], nullptr, base);
    for (size_t k = 0; k < base.CornerCount(); ++k)
        base.corner[k].paper = {10.0 * base.pos[k].x + base.pos[k].z, 10.0 * base.pos[k].y};
    return base;
}

CWorkingShape Repacked(const CWorkingShape& m)
{
    CPackedMesh packed;
    PackMesh(m, packed);
    CWorkingShape out;
    UnpackMesh(packed, out);
    return out;
}

struct Tally {
    int accepted = 0, rejected = 0, split = 0, quick = 0;
};

// Drags random vertices, folded fast (the quick step where it applies, and
// the general flood alone) and plainly, and compares the results after every
// step. A new selection commits the folded shape (through the packed undo
// state, which must give it back exactly).
void DriveRandomDrags(const Mesh& mesh, std::mt19937& rng, int trials, int steps, Tally& tally)
{
    for (int trial = 0; trial < trials; ++trial) {
        auto model = mesh.make();
        CSlicePlane fastPlane(1), slowPlane(1), generalPlane(1), helpedPlane(1);
        CWorkingShape base = BaseOf(*model);
        CWorkingShape fast = base, slow = base, general = base, helped = base;
        CFoldWorkspace workspace, generalOnly, withHelper;
        generalOnly.SetQuickSteps(false);
        withHelper.SetHelperFrom(0);     // two threads even on these small shapes
        withHelper.SetIndexAsideFrom(0); // and each base indexed beside the caller
        CVector3 start, pos, reference;
        bool behind = false;
        auto select = [&] {
            base = Repacked(fast);
            ASSERT_TRUE(foldcheck::SameMesh(base, fast));
            workspace.SetBase(base);
            generalOnly.SetBase(base);
            withHelper.SetBase(base);
            const size_t corner = rng() % base.CornerCount();
            start = pos = base.pos[corner];
            // Creases take their sign from the selected corner's face.
            reference = base.tri[corner / 3].normal;
            behind = rng() % 2 == 0;
            for (CFoldWorkspace* w : {&workspace, &generalOnly, &withHelper})
                w->SetFlatSign(reference, behind);
        };
        select();
        CVector3 previous;
        for (int step = 0; step < steps; ++step) {
            const int axis = static_cast<int>(rng() % 3);
            double amount;
            if (mesh.lattice > 0)
                amount = mesh.lattice * (static_cast<int>(rng() % 9) - 4);
            else
                amount = std::uniform_real_distribution<double>(-0.6, 0.6)(rng);
            CVector3 delta;
            (axis == 0 ? delta.x : axis == 1 ? delta.y : delta.z) = amount;
            if (rng() % 3 == 0)
                delta = previous; // equal steps: the second one meets its own crease
            previous = delta;
            pos = rng() % 12 == 0 ? start : pos + delta; // now and then back to the start
            const ReflectionStepResult rf = workspace.Step(fast, fastPlane, start, pos);
            const ReflectionStepResult rg = generalOnly.Step(general, generalPlane, start, pos);
            const ReflectionStepResult rh = withHelper.Step(helped, helpedPlane, start, pos);
            const ReflectionStepResult rs =
                literal::ReflectionStep(base, slow, slowPlane, start, pos, reference, behind);
            ASSERT_EQ(rf.accepted, rs.accepted) << "trial " << trial << " step " << step;
            ASSERT_EQ(rg.accepted, rs.accepted) << "trial " << trial << " step " << step;
            ASSERT_EQ(rh.accepted, rs.accepted) << "trial " << trial << " step " << step;
            ASSERT_FALSE(generalOnly.LastStepWasQuick());
            ASSERT_EQ(0, std::memcmp(&fastPlane.a, &slowPlane.a, 4 * sizeof(double)));
            ASSERT_TRUE(foldcheck::SameMesh(fast, slow)) << "trial " << trial << " step " << step;
            ASSERT_TRUE(foldcheck::SameMesh(general, slow))
                << "trial " << trial << " step " << step;
            ASSERT_TRUE(foldcheck::SameMesh(helped, slow)) << "trial " << trial << " step " << step;
            if (rf.accepted) {
                ++tally.accepted;
                tally.quick += workspace.LastStepWasQuick();
                ASSERT_EQ(rg.corner, rs.corner);
                ASSERT_EQ(rh.corner, rs.corner);
                if (slow.TriangleCount() != base.TriangleCount())
                    ++tally.split;
                ASSERT_EQ(rf.corner, rs.corner);
                if (rf.corner >= 0)
                    pos = fast.pos[rf.corner];
            } else {
                ++tally.rejected;
            }
            if (rng() % 5 == 0)
                select();
        }
    }
}

} // namespace

TEST(FoldDifferential, RandomDragsMatchThePlainFoldExactly)
{
    std::mt19937 rng(20240611);
    for (const Mesh& mesh : Meshes()) {
        SCOPED_TRACE(mesh.name);
        Tally tally;
        DriveRandomDrags(mesh, rng, 12, 14, tally);
        if (HasFatalFailure())
            return;
        // The drags must actually have folded and split.
        EXPECT_GT(tally.accepted, 100);
        EXPECT_GT(tally.split, 20);
        // Only a start on its own plane refuses a step now, and random drags
        // almost never put it there.
        EXPECT_LT(tally.rejected, tally.accepted / 10 + 1);
        // Steps back to the start fold nothing and take the general way.
        EXPECT_GT(tally.quick, tally.accepted * 3 / 4);
    }
}

TEST(FoldDifferential, RandomDragsOnSharedModelsMatchThePlainFold)
{
    LINTORO_REQUIRE_SHARED_DATA();
    std::mt19937 rng(99);
    int models = 0, accepted = 0;
    for (const char* sub : {"obj", "mqo"}) {
        for (const std::string& path : testfiles::SharedFiles(sub)) {
            OpenOutcome probe = ReadModelFile(path, nullptr);
            if (probe.result != kReadOk || probe.model->faceCount > 3000)
                continue;
            SCOPED_TRACE(path);
            const Mesh mesh{path.c_str(),
                            [path] {
                                OpenOutcome o = ReadModelFile(path, nullptr);
                                o.model->NormalizeToUnit();
                                return std::move(o.model);
                            },
                            0.0};
            const bool large = probe.model->faceCount > 500;
            Tally tally;
            DriveRandomDrags(mesh, rng, large ? 2 : 6, large ? 4 : 8, tally);
            if (HasFatalFailure())
                return;
            ++models;
            accepted += tally.accepted;
        }
    }
    EXPECT_GT(models, 3);
    EXPECT_GT(accepted, 20);
}

TEST(FoldDifferential, PlanesThroughVerticesMatchThePlainFlood)
{
    // Planes laid exactly through a vertex, floods seeded at vertices: faces
    // with corners on the plane turn or split the same way in both.
    std::mt19937 rng(7);
    for (const Mesh& mesh : Meshes()) {
        SCOPED_TRACE(mesh.name);
        for (int trial = 0; trial < 40; ++trial) {
            auto model = mesh.make();
            CWorkingShape fast = BaseOf(*model);
            CWorkingShape slow = fast;
            const CVector3 through = fast.pos[rng() % fast.CornerCount()];
            const CVector3 seed = fast.pos[rng() % fast.CornerCount()];
            std::normal_distribution<double> g;
            CVector3 n{g(rng), g(rng), g(rng)};
            if (trial % 3 == 0)
                n = {0, 0, 0}, (trial % 2 ? n.x : n.y) = 1.0; // axis planes hit whole rows
            n.Normalize();
            CSlicePlane plane(1);
            plane.a = n.x, plane.b = n.y, plane.c = n.z;
            plane.d = -(n.x * through.x + n.y * through.y + n.z * through.z);
            ReflectFrom(fast, plane, seed);
            literal::ReflectFrom(slow, plane, seed, plane.ClassifyPoint(seed));
            ASSERT_TRUE(foldcheck::SameMesh(fast, slow)) << "trial " << trial;
        }
    }
}

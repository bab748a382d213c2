// The fast fold against the plain one, on many random drags.
#include "LiteralFold.h"
#include "support/Meshes.h"

#include "design/CSlicePlane.h"
#include "design/DesignStates.h"
#include "design/FoldWorkspace.h"
#include "import/ModelFile.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>

namespace {

using Maker = std::function<std::unique_ptr<CPolyModel>()>;

double Wave(double x, double y) {
    return 0.3 * std::sin(3.0 * x) * std::cos(2.0 * y);
}
double Bowl(double x, double y) {
    return 0.4 * ((x - 0.5) * (x - 0.5) + (y - 0.5) * (y - 0.5));
}

void AddGrid(CPolyObject* o, int rows, int cols, CVector3 origin, double cell,
             double (*height)(double, double)) {
    auto at = [&](int r, int c) {
        const double x = cell * c, y = cell * r;
        return CVector3{origin.x + x, origin.y + y, origin.z + (height ? height(x, y) : 0.0)};
    };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            testmesh::AddFace(o, {at(r, c), at(r, c + 1), at(r + 1, c + 1)});
            testmesh::AddFace(o, {at(r, c), at(r + 1, c + 1), at(r + 1, c)});
        }
}

std::unique_ptr<CPolyModel> Opened(std::unique_ptr<CPolyModel> m, bool normalize) {
    EXPECT_TRUE(m->BuildTopology());
    if (normalize)
        m->NormalizeToUnit();
    return m;
}

struct Mesh {
    const char* name;
    Maker make;
    double lattice; // drags in multiples of this put planes through vertices; 0: random
};

std::vector<Mesh> Meshes() {
    return {
        {"flat", [] { return Opened(testmesh::Grid(12, 12), true); }, 0.0},
        {"curved", [] { return Opened(testmesh::Grid(16, 14, 1.0, 1.0, Wave), true); }, 0.0},
        {"bowl", [] { return Opened(testmesh::Grid(10, 10, 1.0, 1.0, Bowl), true); }, 0.0},
        {"pieces",
         [] {
             auto m = std::make_unique<CPolyModel>();
             CPolyObject* o = m->AddObject();
             AddGrid(o, 6, 6, {0, 0, 0}, 0.1, Wave);
             AddGrid(o, 5, 4, {0.8, 0.1, 0.05}, 0.12, nullptr);
             AddGrid(o, 4, 7, {-0.2, 0.75, -0.3}, 0.09, Bowl);
             return Opened(std::move(m), true);
         },
         0.0},
        // Unscaled lattice: drags of whole lattice steps put the bisector
        // exactly through rows of vertices.
        {"lattice", [] { return Opened(testmesh::Grid(8, 8, 1.6, 1.6), false); }, 0.1},
    };
}

bool SamePlane(const CSlicePlane& a, const CSlicePlane& b) {
    return std::memcmp(&a.a, &b.a, sizeof(double)) == 0 &&
           std::memcmp(&a.b, &b.b, sizeof(double)) == 0 &&
           std::memcmp(&a.c, &b.c, sizeof(double)) == 0 &&
           std::memcmp(&a.d, &b.d, sizeof(double)) == 0;
}

} // namespace

struct Tally {
    int accepted = 0, rejected = 0, split = 0;
};

// Drags random vertices of two equal models, one folded fast and one plainly,
// and compares them after every step.
void DriveRandomDrags(const Mesh& mesh, std::mt19937& rng, int trials, int steps, Tally& tally) {
    for (int trial = 0; trial < trials; ++trial) {
        auto fast = mesh.make();
        auto slow = mesh.make();
        CFoldWorkspace workspace;
        CPolyVertex* selFast = nullptr;
        CPolyVertex* selSlow = nullptr;
        CVector3 start, lastFast, lastSlow;
        auto select = [&] {
            if (selFast) {
                selFast->pos = lastFast;
                selSlow->pos = lastSlow;
            }
            const size_t k = rng() % fast->objects[0]->vertices.size();
            selFast = fast->objects[0]->vertices[k];
            selSlow = slow->objects[0]->vertices[k];
            CommitWorkingCopy(*fast);
            CommitWorkingCopy(*slow);
            workspace.Invalidate();
            start = lastFast = lastSlow = selFast->pos;
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
            if (rng() % 12 == 0) { // back exactly to the start
                selFast->pos = start;
                selSlow->pos = start;
            } else {
                selFast->pos = selFast->pos + delta;
                selSlow->pos = selSlow->pos + delta;
            }
            const size_t before = slow->objects[0]->faces.size();
            const ReflectionStepResult rf =
                ReflectionStep(*fast, selFast, start, selFast->pos, &workspace);
            const ReflectionStepResult rs =
                literal::ReflectionStep(*slow, selSlow, start, selSlow->pos);
            ASSERT_EQ(rf.accepted, rs.accepted) << "trial " << trial << " step " << step;
            ASSERT_TRUE(SamePlane(*fast->currentPlane, *slow->currentPlane));
            ASSERT_TRUE(foldcheck::SameObject(*fast->objects[0], *slow->objects[0]))
                << "trial " << trial << " step " << step;
            if (rf.accepted) {
                ++tally.accepted;
                if (slow->objects[0]->faces.size() != before)
                    ++tally.split;
                ASSERT_EQ(foldcheck::IndexOf(*fast->objects[0], rf.vertex),
                          foldcheck::IndexOf(*slow->objects[0], rs.vertex));
                selFast = rf.vertex;
                selSlow = rs.vertex;
                lastFast = selFast->pos;
                lastSlow = selSlow->pos;
            } else {
                ++tally.rejected;
                ASSERT_TRUE(selFast->pos == selSlow->pos);
            }
            if (rng() % 5 == 0)
                select();
        }
    }
}

TEST(FoldDifferential, RandomDragsMatchThePlainFoldExactly) {
    std::mt19937 rng(20240611);
    for (const Mesh& mesh : Meshes()) {
        SCOPED_TRACE(mesh.name);
        Tally tally;
        DriveRandomDrags(mesh, rng, 12, 14, tally);
        if (HasFatalFailure())
            return;
        // The drags must actually have folded, split and been rejected.
        EXPECT_GT(tally.accepted, 40);
        EXPECT_GT(tally.split, 20);
        EXPECT_GT(tally.rejected, 3);
    }
}

TEST(FoldDifferential, RandomDragsOnSharedModelsMatchThePlainFold) {
    LINTORO_REQUIRE_SHARED_DATA();
    std::mt19937 rng(99);
    int models = 0, accepted = 0;
    for (const char* sub : {"obj", "mqo"}) {
        for (const std::string& path : testfiles::SharedFiles(sub)) {
            OpenOutcome probe = OpenModelFile(path, nullptr);
            if (probe.result != kReadOk || probe.model->faceCount > 3000)
                continue;
            SCOPED_TRACE(path);
            const Mesh mesh{path.c_str(),
                            [path] {
                                OpenOutcome o = OpenModelFile(path, nullptr);
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

TEST(FoldDifferential, PlanesThroughVerticesMatchThePlainFlood) {
    // Planes laid exactly through a vertex, floods seeded at vertices: the
    // on-plane corners stop both floods at the same faces.
    std::mt19937 rng(7);
    for (const Mesh& mesh : Meshes()) {
        SCOPED_TRACE(mesh.name);
        CFoldWorkspace workspace;
        for (int trial = 0; trial < 40; ++trial) {
            auto fast = mesh.make();
            auto slow = mesh.make();
            CommitWorkingCopy(*fast);
            CommitWorkingCopy(*slow);
            CPolyObject& fo = *fast->objects[0];
            CPolyObject& so = *slow->objects[0];
            const CVector3 through = fo.vertices[rng() % fo.vertices.size()]->pos;
            const CVector3 seed = fo.vertices[rng() % fo.vertices.size()]->pos;
            std::normal_distribution<double> g;
            CVector3 n{g(rng), g(rng), g(rng)};
            if (trial % 3 == 0)
                n = {0, 0, 0}, (trial % 2 ? n.x : n.y) = 1.0; // axis planes hit whole rows
            n.Normalize();
            CSlicePlane& pf = *fast->currentPlane;
            pf.a = n.x, pf.b = n.y, pf.c = n.z;
            pf.d = -(n.x * through.x + n.y * through.y + n.z * through.z);
            CSlicePlane& ps = *slow->currentPlane;
            ps.a = pf.a, ps.b = pf.b, ps.c = pf.c, ps.d = pf.d;
            ReflectFrom(fo, pf, seed, &workspace);
            literal::ReflectFrom(so, ps, seed);
            ASSERT_TRUE(foldcheck::SameObject(fo, so)) << "trial " << trial;
        }
    }
}

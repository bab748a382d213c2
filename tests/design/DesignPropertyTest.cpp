// Random design sessions: thousands of selections, drags, commits, Space,
// Undo and Redo on jittered and curved sheets, with the invariants checked
// after every action. A failure prints the seed that reproduces it.
#include "support/LiteralFold.h"
#include "support/Meshes.h"

#include "design/DesignSession.h"
#include "design/DesignStates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

namespace {

constexpr auto Wave = testmesh::Wave<0.25, 3.0, 2.0>;

// A sheet of rows x cols cells whose inner vertices are moved at random by up
// to 0.3 of a cell, optionally bent, with its paper as drawn (flat: x, y).
std::unique_ptr<CPolyModel> JitteredSheet(int rows, int cols, bool curved, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-0.3, 0.3);
    const double cell = 1.0 / cols;
    std::vector<CPaperPoint> flat;
    auto m = std::make_unique<CPolyModel>();
    CPolyObject* o = m->AddObject();
    std::vector<CPaperPoint> grid;
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= cols; ++c) {
            const bool inner = r > 0 && c > 0 && r < rows && c < cols;
            grid.push_back(
                {cell * (c + (inner ? u(rng) : 0.0)), cell * (r + (inner ? u(rng) : 0.0))});
        }
    auto at = [&](int r, int c) {
        const CPaperPoint p = grid[r * (cols + 1) + c];
        return CVector3{p.u, p.v, curved ? Wave(p.u, p.v) : 0.0};
    };
    auto paperAt = [&](int r, int c) { return grid[r * (cols + 1) + c]; };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            testmesh::AddFace(o, {at(r, c), at(r, c + 1), at(r + 1, c + 1)});
            testmesh::AddFace(o, {at(r, c), at(r + 1, c + 1), at(r + 1, c)});
            for (auto rc :
                 {std::pair{r, c}, {r, c + 1}, {r + 1, c + 1}, {r, c}, {r + 1, c + 1}, {r + 1, c}})
                flat.push_back(paperAt(rc.first, rc.second));
        }
    testmesh::Build(*m);
    m->NormalizeToUnit();
    m->paper = flat; // every face survived topology: nothing degenerate above
    m->paperInfo.has = true;
    return m;
}

::testing::AssertionResult ShapeIsSound(const CPolyModel& m, bool curvedPaper)
{
    CWorkingShape scratch;
    const CWorkingShape& s = m.CurrentShape(scratch);
    if (s.pos.size() != 3 * s.TriangleCount() || s.corner.size() != s.pos.size())
        return ::testing::AssertionFailure() << "columns out of step";
    for (size_t t = 0; t < s.TriangleCount(); ++t) {
        for (int j = 0; j < 3; ++j) {
            const CVector3& p = s.Pos(t, j);
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                return ::testing::AssertionFailure() << "position of triangle " << t;
        }
        const double len = s.tri[t].normal.Length();
        if (!(std::fabs(len - 1.0) < 1e-9))
            return ::testing::AssertionFailure()
                   << "normal of triangle " << t << " has length " << len;
        if (curvedPaper)
            continue;
        // The fold is an isometry: every triangle is congruent to its paper
        // triangle (the sheet was scaled into the unit cube by unitScale). A
        // corner within the tolerance of a plane stays where it is while the
        // rest of its face turns, so each fold may stretch an edge by up to
        // about twice the tolerance.
        for (int j = 0; j < 3; ++j) {
            const CPaperPoint& a = s.corner[3 * t + j].paper;
            const CPaperPoint& b = s.corner[3 * t + (j + 1) % 3].paper;
            const double paper = std::hypot(a.u - b.u, a.v - b.v);
            const double form = Distance3D(s.Pos(t, j), s.Pos(t, (j + 1) % 3)) * m.unitScale;
            if (std::fabs(paper - form) > 50 * kDesignTolerance * m.unitScale)
                return ::testing::AssertionFailure() << "triangle " << t << " edge " << j
                                                     << ": paper " << paper << " form " << form;
        }
    }
    return ::testing::AssertionSuccess();
}

void RunSession(unsigned seed, int actions, bool curved)
{
    SCOPED_TRACE("seed " + std::to_string(seed) + (curved ? " curved" : " flat"));
    std::mt19937 rng(seed);
    auto model = JitteredSheet(12, 14, curved, seed);
    CDesignSession session;
    session.AttachModel(model.get());
    // The packed states every commit made, to hold Undo and Redo to them.
    std::vector<CWorkingShape> committed;
    auto shape = [&] {
        CWorkingShape scratch;
        return CWorkingShape(model->CurrentShape(scratch));
    };
    std::uniform_real_distribution<double> amount(-0.5, 0.5);
    for (int i = 0; i < actions; ++i) {
        // Folding folded layers multiplies the triangles the planes cut; a
        // shape grown past a few thousand starts over on a new sheet, as
        // opening a file does.
        if (shape().TriangleCount() > 3000) {
            model = JitteredSheet(12, 14, curved, static_cast<unsigned>(rng()));
            session.AttachModel(model.get());
            committed.clear();
        }
        const int what = static_cast<int>(rng() % 100);
        if (!session.HasSelection() || what < 8) {
            const CShapeCorner c =
                NearestShapeCorner(*model, {amount(rng) * 2, amount(rng) * 2, amount(rng)});
            if (session.HasSelection())
                session.Deselect();
            const CWorkingShape before = shape();
            ASSERT_TRUE(session.SetHighlighted(c));
            ASSERT_TRUE(session.EndLeftClick());
            committed.push_back(before);
        } else if (what < 80) {
            session.SetHandle(1 + static_cast<int>(rng() % 3));
            session.DragStep(rng() % 10 == 0 ? 0.0002 : amount(rng));
        } else if (what < 86) {
            const CWorkingShape before = shape();
            if (session.FixShape())
                committed.push_back(before);
        } else if (what < 90) {
            session.Deselect();
        } else if (what < 96) {
            const bool could = session.CanUndo();
            const CWorkingShape top = committed.empty() ? CWorkingShape{} : committed.back();
            ASSERT_EQ(session.Undo(), could);
            if (could) {
                ASSERT_TRUE(foldcheck::SameMesh(shape(), top)) << "action " << i;
                committed.pop_back();
            }
        } else {
            // Redo must give back the shape Undo took away; checked through a
            // second Undo, which returns to the state before the Redo.
            const CWorkingShape before = shape();
            if (session.Redo()) {
                committed.push_back(before);
                ASSERT_TRUE(session.Undo());
                ASSERT_TRUE(foldcheck::SameMesh(shape(), before)) << "action " << i;
                committed.pop_back();
                ASSERT_TRUE(session.Redo());
                committed.push_back(before);
            }
        }
        ASSERT_EQ(model->undoStack.size(), committed.size());
        ASSERT_TRUE(ShapeIsSound(*model, curved)) << "action " << i;
    }
}

unsigned SeedFromEnvironment(unsigned fallback)
{
    const char* s = std::getenv("LINTORO_PROPERTY_SEED");
    return s ? static_cast<unsigned>(std::strtoul(s, nullptr, 10)) : fallback;
}

} // namespace

TEST(DesignProperties, TenThousandRandomActionsKeepTheShapeSound)
{
    const unsigned seed = SeedFromEnvironment(20261207);
    RunSession(seed, 5000, false);
    RunSession(seed + 1, 5000, true);
}

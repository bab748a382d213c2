// One drag step (restore from the base state + fold) on a curved sheet with
// the plane through the middle, against the floor of copying the sheet's
// working shape once; the first step after a selection and the selection's
// commit itself.
#include "design/DesignSession.h"
#include "design/DesignStates.h"
#include "model/CSlicePlane.h"
#include "model/PolyModel.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// A gently curved sheet of about `triangles` triangles over [-1, 1]^2.
std::unique_ptr<CPolyModel> Sheet(int triangles)
{
    const int side = static_cast<int>(std::sqrt(triangles / 2.0));
    auto m = std::make_unique<CPolyModel>();
    CPolyObject* o = m->AddObject();
    auto at = [&](int r, int c) {
        const double x = -1.0 + 2.0 * c / side;
        const double y = -1.0 + 2.0 * r / side;
        return CVector3{x, y, 0.25 * std::sin(2.0 * x) * std::cos(1.5 * y)};
    };
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) {
            const CVector3 q[4] = {at(r, c), at(r, c + 1), at(r + 1, c + 1), at(r + 1, c)};
            for (const int* t : {(const int[]){0, 1, 2}, (const int[]){0, 2, 3}}) {
                CPolyFace* f = o->AddFace();
                for (int j = 0; j < 3; ++j)
                    f->AddCorner(o->AddVertex(q[t[j]]));
            }
        }
    m->BuildTopology();
    m->NormalizeToUnit();
    return m;
}

struct Scene {
    std::unique_ptr<CPolyModel> model;
    CVector3 start;
    CVector3 dragged;
    CVector3 other;
};

// Commits the sheet with the corner nearest (-0.6, 0, z) as the start, dragged
// along x so that the bisector runs through the middle of the sheet.
Scene MakeScene(int triangles)
{
    Scene s;
    s.model = Sheet(triangles);
    s.start = NearestShapeCorner(*s.model, {-0.6, 0.013, 0}).pos;
    s.dragged = {s.start.x + 1.2 + 1e-3, s.start.y, s.start.z};
    s.other = {s.dragged.x + 0.0037, s.dragged.y, s.dragged.z};
    CommitWorkingCopy(*s.model);
    return s;
}

void BM_FoldStep(benchmark::State& state)
{
    Scene s = MakeScene(static_cast<int>(state.range(0)));
    CFoldWorkspace workspace;
    workspace.SetBase(s.model->working);
    CSlicePlane& plane = *s.model->currentPlane;
    // Two nearby positions in turn, as a mouse moving on.
    bool flip = false;
    ReflectionStepResult r;
    for (auto _ : state) {
        flip = !flip;
        r = workspace.Step(s.model->working, plane, s.start, flip ? s.other : s.dragged);
        benchmark::DoNotOptimize(r);
    }
    state.counters["triangles"] = static_cast<double>(s.model->working.TriangleCount());
    state.counters["accepted"] = r.accepted;
    state.counters["quick"] = workspace.LastStepWasQuick();
}

// The first step after a selection: the base state has just been indexed and
// the step's working arrays are sized afresh.
void BM_FoldFirstStep(benchmark::State& state)
{
    Scene s = MakeScene(static_cast<int>(state.range(0)));
    CFoldWorkspace workspace;
    workspace.SetBase(s.model->working);
    CSlicePlane& plane = *s.model->currentPlane;
    CFoldWorkspace fresh;
    bool flip = false;
    for (auto _ : state) {
        state.PauseTiming();
        workspace.SetBase(workspace.Base()); // as a new selection leaves it
        // A large base is indexed beside the click; a user's first move comes
        // after that, so the step is timed from a finished index.
        workspace.WaitForIndex();
        state.ResumeTiming();
        flip = !flip;
        const ReflectionStepResult r =
            workspace.Step(s.model->working, plane, s.start, flip ? s.other : s.dragged);
        if (!r.accepted) {
            state.SkipWithError("the step was refused");
            return;
        }
    }
}

// The selection's click: the shape packed onto the undo stack (with /1 the
// state already packed, as after Fix Shape), the base state copied; a large
// one is indexed beside it.
void BM_SelectCommit(benchmark::State& state)
{
    Scene s = MakeScene(static_cast<int>(state.range(0)));
    CFoldWorkspace workspace;
    PackedShape known;
    CommitWorkingCopy(*s.model, &known);
    for (auto _ : state) {
        PackedShape again = state.range(1) ? known : nullptr;
        CommitWorkingCopy(*s.model, &again);
        workspace.SetBase(s.model->working);
        state.PauseTiming();
        workspace.WaitForIndex(); // the index built beside the click is not the click's
        s.model->undoStack.clear();
        state.ResumeTiming();
    }
}

// The first click after opening (or after any step the program attaches the
// model again for): /1 once the work begun on attaching is done, as when the
// user takes a moment to aim; /0 clicking at once, waiting for that work.
// attach_ms is what attaching itself costs the caller.
void BM_SelectAfterOpen(benchmark::State& state)
{
    auto model = Sheet(static_cast<int>(state.range(0)));
    const CShapeCorner corner = NearestShapeCorner(*model, {-0.6, 0.013, 0});
    CDesignSession session;
    double attachMs = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        session.Undo(); // back to the records as opened
        const auto t0 = std::chrono::steady_clock::now();
        session.AttachModel(model.get());
        attachMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                        .count();
        if (state.range(1)) {
            session.WaitForPrepared();
            session.Workspace().WaitForIndex();
        }
        state.ResumeTiming();
        session.SetHighlighted(corner);
        if (!session.EndLeftClick()) {
            state.SkipWithError("nothing was selected");
            return;
        }
    }
    state.counters["attach_ms"] = attachMs / static_cast<double>(state.iterations());
}

// The floor: copying the working shape (positions, corner data, triangle
// records) once.
void BM_FoldFloorMemcpy(benchmark::State& state)
{
    Scene s = MakeScene(static_cast<int>(state.range(0)));
    const CWorkingShape& from = s.model->working;
    CWorkingShape to = from;
    for (auto _ : state) {
        std::memcpy(to.pos.data(), from.pos.data(), from.pos.size() * sizeof(CVector3));
        std::memcpy(to.corner.data(), from.corner.data(), from.corner.size() * sizeof(CCornerData));
        std::memcpy(to.tri.data(), from.tri.data(), from.tri.size() * sizeof(CTriangleData));
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = static_cast<double>(from.Bytes());
}

} // namespace

BENCHMARK(BM_FoldStep)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FoldFirstStep)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectCommit)
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
// A fixed count: the click itself can take next to nothing, and the time
// taken is then mostly the untimed attaching.
BENCHMARK(BM_SelectAfterOpen)
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FoldFloorMemcpy)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// One drag step (restore from the base state + fold) on a curved sheet with
// the plane through the middle, against the floor of copying the sheet's
// corner positions.
#include "design/CSlicePlane.h"
#include "design/DesignStates.h"
#include "design/FoldWorkspace.h"
#include "design/ReflectionOperation.h"
#include "model/PolyModel.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// A gently curved sheet of about `triangles` triangles over [-1, 1]^2.
std::unique_ptr<CPolyModel> Sheet(int triangles) {
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
    CPolyVertex* selected = nullptr;
    CVector3 start;
    CVector3 dragged;
};

// Selects the corner nearest (-0.6, 0, z) and drags it along x so that the
// bisector runs through the middle of the sheet.
Scene MakeScene(int triangles) {
    Scene s;
    s.model = Sheet(triangles);
    CPolyObject& o = *s.model->objects[0];
    double best = 1e300;
    for (CPolyVertex* v : o.vertices) {
        const double d = std::fabs(v->pos.x + 0.6) + std::fabs(v->pos.y - 0.013);
        if (d < best) {
            best = d;
            s.selected = v;
        }
    }
    s.start = s.selected->pos;
    s.dragged = {s.start.x + 1.2 + 1e-3, s.start.y, s.start.z};
    CommitWorkingCopy(*s.model);
    return s;
}

void BM_FoldStep(benchmark::State& state) {
    Scene s = MakeScene(static_cast<int>(state.range(0)));
    CFoldWorkspace workspace;
    CPolyVertex* selected = s.selected;
    // The first step builds the base state's index; later steps reuse it.
    ReflectionStepResult r = ReflectionStep(*s.model, selected, s.start, s.dragged, &workspace);
    if (!r.accepted) {
        state.SkipWithError("the step was rejected");
        return;
    }
    // Alternate two nearby positions so that no step is rejected by the crease
    // the previous one left.
    const CVector3 other{s.dragged.x + 0.0037, s.dragged.y, s.dragged.z};
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        r = ReflectionStep(*s.model, r.vertex, s.start, flip ? other : s.dragged, &workspace);
        benchmark::DoNotOptimize(r);
    }
    const CPolyObject& o = *s.model->objects[0];
    state.counters["faces"] = static_cast<double>(o.faces.size());
    state.counters["accepted"] = r.accepted;
}

// The first step after a selection: the base state is indexed and copied in
// full before the fold (later steps of the drag reuse both).
void BM_FoldFirstStep(benchmark::State& state) {
    Scene s = MakeScene(static_cast<int>(state.range(0)));
    CFoldWorkspace workspace;
    CPolyVertex* selected = s.selected;
    const CVector3 other{s.dragged.x + 0.0037, s.dragged.y, s.dragged.z};
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        workspace.Invalidate();
        const ReflectionStepResult r =
            ReflectionStep(*s.model, selected, s.start, flip ? other : s.dragged, &workspace);
        if (!r.accepted) {
            state.SkipWithError("the step was rejected");
            return;
        }
        selected = r.vertex;
    }
}

// The floor: copying every corner position of the sheet once.
void BM_FoldFloorMemcpy(benchmark::State& state) {
    Scene s = MakeScene(static_cast<int>(state.range(0)));
    std::vector<CVector3> from;
    for (const CPolyFace* f : s.model->undoStack.back()->faces)
        for (const CFaceCorner* c : f->corners)
            from.push_back(c->vertex->pos);
    std::vector<CVector3> to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), sizeof(CVector3) * from.size());
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_FoldStep)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FoldFirstStep)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FoldFloorMemcpy)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

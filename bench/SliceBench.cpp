// Filling slice parts and picking them: the tessellator against a plain fan
// over the same outline (a floor: the least work that yields the triangles),
// and a net-pane click over a large slice.
#include "model/CSlicePlane.h"
#include "panes/NetViewController.h"
#include "slices/SliceParts.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

namespace {

void FillStar(CSlicePlane& slice, int n)
{
    slice.parts.push_back(std::make_unique<Spart>(&slice));
    Spart& part = *slice.parts.back();
    for (int i = 0; i < n; ++i) {
        const double a = 2 * std::numbers::pi * i / n;
        const double r = 0.6 + 0.3 * ((i * 7919) % 13) / 13.0;
        part.AddVertex(0, 0, 0, 1 + r * std::cos(a), 1 + r * std::sin(a));
    }
    slice.UpdatePartBounds();
}

void BM_Triangulate(benchmark::State& state)
{
    CSlicePlane slice(2);
    FillStar(slice, static_cast<int>(state.range(0)));
    Spart& part = *slice.parts[0];
    for (auto _ : state) {
        part.Triangulate();
        benchmark::DoNotOptimize(part.triangles.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Triangulate)->Arg(100)->Arg(1000)->Arg(10000);

void BM_TriangulateFloorFan(benchmark::State& state)
{
    CSlicePlane slice(2);
    FillStar(slice, static_cast<int>(state.range(0)));
    Spart& part = *slice.parts[0];
    for (auto _ : state) {
        part.triangles.clear();
        for (size_t i = 1; i + 1 < part.outline.size(); ++i) {
            PartTriangle t;
            t.v[0] = part.outline[0].get();
            t.v[1] = part.outline[i].get();
            t.v[2] = part.outline[i + 1].get();
            part.triangles.push_back(t);
        }
        benchmark::DoNotOptimize(part.triangles.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TriangulateFloorFan)->Arg(100)->Arg(1000)->Arg(10000);

void BM_NetViewClick(benchmark::State& state)
{
    CSlicePlane slice(2);
    for (int k = 0; k < 10; ++k)
        FillStar(slice, static_cast<int>(state.range(0)) / 10);
    CNetViewController view;
    view.Resize(800, 800);
    for (auto _ : state)
        benchmark::DoNotOptimize(view.PartNear(slice, 400, 100));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_NetViewClick)->Arg(10000)->Arg(100000);

} // namespace

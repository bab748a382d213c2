// Filling a large non-convex outline with triangles (a comb of long teeth,
// the shape a cut-out pattern face takes), against the floor of copying the
// outline once.

#include "model/Tessellation.h"

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace {

// `corners` corners: teeth of length 10 side by side along y on a spine at x = 0.
std::vector<CVector3> Comb(int64_t corners)
{
    std::vector<CVector3> p;
    const int64_t teeth = (corners - 2) / 2;
    for (int64_t i = 0; i < teeth; ++i) {
        const double x = i % 2 ? 10.0 : 1.0;
        p.push_back({x, static_cast<double>(i), 0.0});
        p.push_back({x, i + 0.5, 0.0});
    }
    p.push_back({0.0, static_cast<double>(teeth), 0.0});
    p.push_back({0.0, 0.0, 0.0});
    return p;
}

void BM_TriangulateComb(benchmark::State& state)
{
    const std::vector<CVector3> outline = Comb(state.range(0));
    std::vector<std::array<int, 3>> triangles;
    for (auto _ : state) {
        triangles.clear();
        TriangulateOutline(outline, triangles);
        benchmark::DoNotOptimize(triangles.data());
    }
    state.counters["triangles"] = static_cast<double>(triangles.size());
}

void BM_TriangulateCombFloor(benchmark::State& state)
{
    const std::vector<CVector3> outline = Comb(state.range(0));
    for (auto _ : state) {
        std::vector<CVector3> copy(outline);
        benchmark::DoNotOptimize(copy.data());
    }
}

} // namespace

BENCHMARK(BM_TriangulateComb)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TriangulateCombFloor)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);

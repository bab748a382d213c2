// The self-intersection check as it runs on every mouse move (one checker,
// buffers reused), on folded sheets, against the floor of copying the mesh's
// bytes once (a drag step costs a few such copies).
#include "checks/SelfIntersection.h"
#include "model/FlatMesh.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

double Wave(double x, double y)
{
    return 0.2 * std::sin(4.0 * x) * std::cos(3.0 * y);
}

// About `triangles` triangles over [-1, 1]^2 on a wavy surface. With `mirror`
// the part beyond x = 0.2 is mirrored through that plane, so the flap lies on
// the sheet and crosses it wherever the waves do.
CFlatMesh Sheet(int triangles, bool mirror)
{
    const int side = static_cast<int>(std::sqrt(triangles / 2.0));
    auto at = [&](int r, int c) {
        const double x = -1.0 + 2.0 * c / side;
        const double y = -1.0 + 2.0 * r / side;
        return CVector3{mirror && x > 0.2 ? 0.4 - x : x, y, Wave(x, y)};
    };
    CFlatMesh m;
    m.Reserve(2 * size_t(side) * side);
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) {
            const CVector3 q[4] = {at(r, c), at(r, c + 1), at(r + 1, c + 1), at(r + 1, c)};
            const int32_t face = static_cast<int32_t>(m.TriangleCount());
            m.Append(q[0], q[1], q[2], {}, {}, {}, face);
            m.Append(q[0], q[2], q[3], {}, {}, {}, face + 1);
        }
    return m;
}

void Check(benchmark::State& state, bool mirror)
{
    const CFlatMesh m = Sheet(static_cast<int>(state.range(0)), mirror);
    CSelfIntersectionCheck check;
    size_t n = 0;
    for (auto _ : state) {
        n = check.Run(m, 100);
        benchmark::DoNotOptimize(n);
    }
    state.counters["triangles"] = static_cast<double>(m.TriangleCount());
    state.counters["pairs"] = static_cast<double>(n);
    state.counters["candidates"] = static_cast<double>(check.CandidatePairs());
    state.counters["MB"] = static_cast<double>(m.Bytes()) / 1e6;
}

void BM_CheckWavySheet(benchmark::State& state)
{
    Check(state, false);
}
void BM_CheckMirroredFlap(benchmark::State& state)
{
    Check(state, true);
}

// The floor: one copy of the mesh's bytes (positions, corner and triangle data).
void BM_CheckFloorMemcpy(benchmark::State& state)
{
    const CFlatMesh m = Sheet(static_cast<int>(state.range(0)), true);
    CFlatMesh to = m;
    for (auto _ : state) {
        std::memcpy(to.pos.data(), m.pos.data(), sizeof(CVector3) * m.pos.size());
        std::memcpy(to.corner.data(), m.corner.data(), sizeof(CCornerData) * m.corner.size());
        std::memcpy(to.tri.data(), m.tri.data(), sizeof(CTriangleData) * m.tri.size());
        benchmark::ClobberMemory();
    }
    state.counters["MB"] = static_cast<double>(m.Bytes()) / 1e6;
}

} // namespace

BENCHMARK(BM_CheckWavySheet)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckMirroredFlap)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckFloorMemcpy)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

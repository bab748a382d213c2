// The self-intersection check as it runs on every mouse move (one checker,
// buffers reused), on folded sheets, against the floor of copying the mesh's
// bytes once (a drag step costs a few such copies); a drag step's check
// against the fold step itself; a fan.
#include "checks/SelfIntersection.h"
#include "fold/ReflectionOperation.h"
#include "model/CSlicePlane.h"
#include "model/WorkingShape.h"

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
CWorkingShape Sheet(int triangles, bool mirror)
{
    const int side = static_cast<int>(std::sqrt(triangles / 2.0));
    auto at = [&](int r, int c) {
        const double x = -1.0 + 2.0 * c / side;
        const double y = -1.0 + 2.0 * r / side;
        return CVector3{mirror && x > 0.2 ? 0.4 - x : x, y, Wave(x, y)};
    };
    CWorkingShape m;
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
    const CWorkingShape m = Sheet(static_cast<int>(state.range(0)), mirror);
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
    const CWorkingShape m = Sheet(static_cast<int>(state.range(0)), true);
    CWorkingShape to = m;
    for (auto _ : state) {
        std::memcpy(to.pos.data(), m.pos.data(), sizeof(CVector3) * m.pos.size());
        std::memcpy(to.corner.data(), m.corner.data(), sizeof(CCornerData) * m.corner.size());
        std::memcpy(to.tri.data(), m.tri.data(), sizeof(CTriangleData) * m.tri.size());
        benchmark::ClobberMemory();
    }
    state.counters["MB"] = static_cast<double>(m.Bytes()) / 1e6;
}

// A drag on the wavy sheet, to two nearby positions in turn: the corner
// nearest (-0.6, 0) dragged across so the plane runs through the middle and
// half the sheet moves, or (corner) the sheet's corner folded in, moving a
// twentieth of it.
struct Drag {
    CWorkingShape base;
    CWorkingShape working;
    CFoldWorkspace workspace;
    CSlicePlane plane{0};
    CVector3 start;
    CVector3 to[2];
    int flip = 0;

    Drag(int triangles, bool corner) : base(Sheet(triangles, false))
    {
        const CVector3 near = corner ? CVector3{-1.0, -1.0, 0} : CVector3{-0.6, 0.013, 0};
        const CVector3 by = corner ? CVector3{0.63, 0.6, 0} : CVector3{1.2 + 1e-3, 0, 0};
        double best = 1e300;
        for (const CVector3& p : base.pos) {
            const double d = (p - near).Length();
            if (d < best)
                best = d, start = p;
        }
        to[0] = start + by;
        to[1] = {to[0].x + 0.0037, to[0].y, to[0].z};
        workspace.SetBase(base);
        working = base;
    }
    void Step()
    {
        flip ^= 1;
        workspace.Step(working, plane, start, to[flip]);
    }
};

// The floor: the fold step alone.
void BM_DragStepFold(benchmark::State& state)
{
    Drag drag(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        drag.Step();
        benchmark::ClobberMemory();
    }
    state.counters["triangles"] = static_cast<double>(drag.working.TriangleCount());
}

// The fold step and its check against the base, as the design view runs them.
void BM_DragStepFoldAndCheck(benchmark::State& state)
{
    Drag drag(static_cast<int>(state.range(0)), state.range(1) != 0);
    CSelfIntersectionCheck check;
    check.SetBase(drag.base, 0);
    size_t n = 0;
    for (auto _ : state) {
        drag.Step();
        n = check.Step(drag.working, 0);
        benchmark::DoNotOptimize(n);
    }
    state.counters["triangles"] = static_cast<double>(drag.working.TriangleCount());
    state.counters["moved"] = static_cast<double>(check.MovedTriangles());
    state.counters["pairs"] = static_cast<double>(n);
}

// Every triangle shares one corner: no pair can count.
void BM_CheckFan(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    CWorkingShape m;
    m.Reserve(n);
    const double step = 2.0 * 3.14159265358979 / n;
    for (int i = 0; i < n; ++i) {
        const double a0 = i * step, a1 = (i + 1) * step;
        m.Append({0, 0, 0}, {std::cos(a0), std::sin(a0), 0.1 * std::sin(5 * a0)},
                 {std::cos(a1), std::sin(a1), 0.1 * std::sin(5 * a1)}, {}, {}, {}, i);
    }
    CSelfIntersectionCheck check;
    for (auto _ : state)
        benchmark::DoNotOptimize(check.Run(m, 0));
    state.counters["candidates"] = static_cast<double>(check.CandidatePairs());
}

} // namespace

// Second argument: 0 half the sheet moves, 1 a corner.
BENCHMARK(BM_DragStepFold)
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragStepFoldAndCheck)
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckFan)->Arg(30000)->Arg(100000)->Unit(benchmark::kMillisecond);
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

// A full fold "to the design" of a bent sheet (a cylinder of 90 degrees,
// every facet hinge driven to its designed bend) from flat to 100%, against
// the floor of one numeric factorisation and solve of the same stiffness
// matrix. The fold's iteration count is a counter: a Newton iteration costs
// time / iterations, to be set against the floor.
#include "simulate/FoldSolver.h"
#include "simulate/Hinge.h"
#include "simulate/SimPattern.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A 200 x 150 mm sheet of about `triangles` triangles, its width wrapped a
// quarter turn round a cylinder: the paper, the form and the bend of every
// inner edge as the design records them.
CSimPattern BentSheet(int triangles)
{
    const int cols = static_cast<int>(std::sqrt(triangles / 2.0 * 4.0 / 3.0));
    const int rows = std::max(1, triangles / (2 * cols));
    const double width = 200.0, height = 150.0, radius = width / (kPi / 2.0);
    std::vector<CVector3> paper, form;
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= cols; ++c) {
            const double x = width * c / cols, y = height * r / rows;
            paper.push_back({x, y, 0.0});
            form.push_back(
                {radius * std::sin(x / radius), y, radius * (1.0 - std::cos(x / radius))});
        }
    const auto at = [&](int r, int c) { return static_cast<uint32_t>(r * (cols + 1) + c); };
    std::vector<uint32_t> tris;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            tris.insert(tris.end(), {at(r, c), at(r, c + 1), at(r + 1, c + 1), at(r, c),
                                     at(r + 1, c + 1), at(r + 1, c)});
    CSimPattern pattern;
    std::string why;
    BuildSimPatternFromRecords(paper, form, tris, {}, pattern, why);
    for (CSimEdge& e : pattern.edges) {
        if (e.right < 0)
            continue;
        const auto third = [&](int32_t t) {
            for (int j = 0; j < 3; ++j)
                if (pattern.tris[3 * t + j] != e.a && pattern.tris[3 * t + j] != e.b)
                    return pattern.tris[3 * t + j];
            return e.a;
        };
        e.target = HingeAngleOnly(form[e.a], form[e.b], form[third(e.left)], form[third(e.right)]) *
                   180.0 / kPi;
    }
    pattern.hasBendTargets = true;
    return pattern;
}

void BM_SimulateFold(benchmark::State& state)
{
    const CSimPattern pattern = BentSheet(static_cast<int>(state.range(0)));
    CSimResult r;
    for (auto _ : state) {
        CFoldSolver solver(pattern);
        solver.SolveTo(100.0, FacetTargets::Design, nullptr, r);
        benchmark::DoNotOptimize(r);
    }
    state.counters["triangles"] = static_cast<double>(pattern.TriangleCount());
    state.counters["iterations"] = r.iterations;
    state.counters["converged"] = r.converged;
    state.counters["strainMax"] = r.strainMax;
}

void BM_SimulateFloor_FactorAndSolve(benchmark::State& state)
{
    const CSimPattern pattern = BentSheet(static_cast<int>(state.range(0)));
    CFoldSolver solver(pattern);
    CSimResult r;
    solver.SolveTo(100.0, FacetTargets::Design, nullptr, r);
    for (auto _ : state)
        benchmark::DoNotOptimize(solver.FactorAndSolveOnce(100.0, FacetTargets::Design));
    state.counters["triangles"] = static_cast<double>(pattern.TriangleCount());
}

// 5% slider moves from 50% on, each from the state solved before it: the
// most iterations a move took.
void BM_SimulateSliderMove(benchmark::State& state)
{
    const CSimPattern pattern = BentSheet(static_cast<int>(state.range(0)));
    CFoldSolver solver(pattern);
    CSimResult r;
    solver.SolveTo(50.0, FacetTargets::Design, nullptr, r);
    double percent = 50.0;
    int most = 0;
    for (auto _ : state) {
        percent += 5.0;
        solver.SolveTo(percent, FacetTargets::Design, nullptr, r);
        most = std::max(most, r.iterations);
        benchmark::DoNotOptimize(r);
    }
    state.counters["iterations"] = most;
}

} // namespace

BENCHMARK(BM_SimulateFold)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_SimulateFloor_FactorAndSolve)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimulateSliderMove)
    ->Arg(2000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);

// Reading the crease pattern off a folded sheet of about 100k triangles,
// against the floor of copying that sheet's bytes once.
#include "model/WorkingShape.h"
#include "paper/CreasePattern.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// A square sheet of `triangles` triangles with its paper, corrugated by three
// hinges across it (valley, mountain, valley), in the unit cube.
CWorkingShape FoldedSheet(int triangles)
{
    const int side = static_cast<int>(std::sqrt(triangles / 2.0));
    const double paper = 200.0; // mm
    CWorkingShape mesh;
    mesh.Reserve(2 * side * side);
    auto place = [&](double u) {
        const double hinge[3] = {50.0, 100.0, 150.0};
        const double turn[3] = {0.6, -1.1, 0.8};
        double x = 0.0, z = 0.0, heading = 0.0, at = 0.0;
        for (int k = 0; k <= 3; ++k) {
            const double end = k < 3 ? std::min(u, hinge[k]) : u;
            if (end > at) {
                x += (end - at) * std::cos(heading);
                z += (end - at) * std::sin(heading);
                at = end;
            }
            if (k < 3 && u > hinge[k])
                heading += turn[k];
        }
        return CVector3{x / 100.0 - 1.0, 0.0, z / 100.0};
    };
    int32_t origin = 0;
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) {
            CCornerData q[4];
            CVector3 p[4];
            const int dr[4] = {0, 0, 1, 1}, dc[4] = {0, 1, 1, 0};
            for (int k = 0; k < 4; ++k) {
                q[k].paper = {paper * (c + dc[k]) / side, paper * (r + dr[k]) / side};
                p[k] = place(q[k].paper.u);
                p[k].y = q[k].paper.v / 100.0 - 1.0;
            }
            mesh.Append(p[0], p[1], p[2], q[0], q[1], q[2], origin++);
            mesh.Append(p[0], p[2], p[3], q[0], q[2], q[3], origin++);
        }
    return mesh;
}

void BM_CreasePattern(benchmark::State& state)
{
    const CWorkingShape form = FoldedSheet(static_cast<int>(state.range(0)));
    CWorkingShape opened = form;
    for (size_t c = 0; c < opened.CornerCount(); ++c)
        opened.pos[c] = {opened.corner[c].paper.u, opened.corner[c].paper.v, 0.0};
    for (size_t t = 0; t < opened.TriangleCount(); ++t)
        opened.UpdatePlane(t);
    COriginFaces origins;
    BuildOriginFaces(opened, origins);
    CCreasePattern pattern;
    BuildCreasePattern(form, origins, pattern); // buffers grow once, as in a drag
    for (auto _ : state) {
        BuildCreasePattern(form, origins, pattern);
        benchmark::DoNotOptimize(pattern.edges.data());
    }
    size_t creases = 0;
    for (const CPatternEdge& e : pattern.edges)
        creases += e.kind == CreaseKind::Valley || e.kind == CreaseKind::Mountain;
    state.counters["triangles"] = static_cast<double>(form.TriangleCount());
    state.counters["creaseEdges"] = static_cast<double>(creases);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * form.Bytes()));
}

// The floor: one copy of the same mesh's bytes.
void BM_CreasePatternFloor(benchmark::State& state)
{
    const CWorkingShape form = FoldedSheet(static_cast<int>(state.range(0)));
    std::vector<char> from(form.Bytes(), 1), to(form.Bytes());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * form.Bytes()));
}

} // namespace

BENCHMARK(BM_CreasePattern)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreasePatternFloor)->Arg(100000)->Unit(benchmark::kMillisecond);

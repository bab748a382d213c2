// Giving paper to a near-developable sheet of about 100k triangles (a
// jittered grid bent round a cylinder, which the breadth-first unfolding
// stretches past noticing, so it is flattened by least squares), against the
// floor of the same sheet on a regular grid, which unfolds breadth first.
#include "sheet/SheetLayout.h"
#include "model/PolyModel.h"
#include "paper/PaperLayout.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

namespace {

std::unique_ptr<CPolyModel> BentSheet(int triangles, bool jittered)
{
    SheetLayout layout;
    layout.rows = layout.cols = static_cast<int>(std::sqrt(triangles / 2.0));
    layout.size = 200.0;
    const double radius = layout.size / (std::numbers::pi / 2.0);
    auto model = std::make_unique<CPolyModel>();
    CPolyObject* object = model->AddObject();
    std::vector<CPolyVertex*> vertex;
    for (int r = 0; r <= layout.rows; ++r)
        for (int c = 0; c <= layout.cols; ++c) {
            CVector3 p = SheetPoint(layout, r, c);
            // Inner points moved by up to a tenth of a cell: the sheet's own
            // jitter of 0.3 turns some triangles over at this many cells.
            if (jittered && r > 0 && c > 0 && r < layout.rows && c < layout.cols) {
                uint32_t h =
                    static_cast<uint32_t>(r) * 73856093u ^ static_cast<uint32_t>(c) * 19349663u;
                h ^= h >> 13;
                h *= 0x5bd1e995u;
                h ^= h >> 15;
                const double cell = layout.size / layout.cols;
                p.x += 0.1 * cell * ((h & 0xffffu) / 32768.0 - 1.0);
                p.y += 0.1 * cell * ((h >> 16) / 32768.0 - 1.0);
            }
            vertex.push_back(object->AddVertex(
                {radius * std::sin(p.x / radius), p.y, radius * (1.0 - std::cos(p.x / radius))}));
        }
    auto at = [&](int r, int c) { return vertex[static_cast<size_t>(r * (layout.cols + 1) + c)]; };
    for (int r = 0; r < layout.rows; ++r)
        for (int c = 0; c < layout.cols; ++c)
            for (const auto& tri :
                 {std::vector<CPolyVertex*>{at(r, c), at(r, c + 1), at(r + 1, c + 1)},
                  std::vector<CPolyVertex*>{at(r, c), at(r + 1, c + 1), at(r + 1, c)}}) {
                CPolyFace* f = object->AddFace();
                for (CPolyVertex* v : tri)
                    f->AddCorner(v);
            }
    model->BuildTopology();
    return model;
}

void Assign(benchmark::State& state, bool jittered)
{
    const auto model = BentSheet(static_cast<int>(state.range(0)), jittered);
    for (auto _ : state) {
        model->paperInfo = CPaperInfo{};
        AssignPaper(*model);
        benchmark::DoNotOptimize(model->paper.data());
    }
    state.counters["triangles"] = static_cast<double>(model->objects[0]->faces.size());
    state.counters["strainMax"] = model->paperInfo.strainMax;
    state.counters["hasPaper"] = model->paperInfo.has;
}

void BM_PaperFlatten(benchmark::State& state)
{
    Assign(state, true);
}

// The floor: the regular sheet, exactly developable, unfolded breadth first.
void BM_PaperFlattenFloor(benchmark::State& state)
{
    Assign(state, false);
}

} // namespace

BENCHMARK(BM_PaperFlatten)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaperFlattenFloor)->Arg(100000)->Unit(benchmark::kMillisecond);

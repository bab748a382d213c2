// OBJ read (reader + topology) of generated sheets, against a floor: the same
// file's numbers parsed into plain arrays with std::from_chars.

#include "export/AtomicFile.h"
#include "export/SheetWriter.h"
#include "model/PolyModel.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A saddle sheet of `triangles` triangles, written once per run into /tmp.
const std::string& SheetFile(int64_t triangles)
{
    static std::map<int64_t, std::string> files;
    auto it = files.find(triangles);
    if (it != files.end())
        return it->second;
    SheetLayout layout;
    layout.shape = SheetShape::Saddle;
    layout.size = 100.0;
    layout.rows = triangles <= 10000 ? 50 : (triangles <= 100000 ? 200 : 500);
    layout.cols = static_cast<int>(triangles / 2 / layout.rows);
    const std::string path = "/tmp/lintoro-bench-sheet-" + std::to_string(triangles) + ".obj";
    if (!WriteFileReplacing(path, [&](std::FILE* f) { return WriteSheetObj(f, layout); }))
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return files.emplace(triangles, path).first->second;
}

void BM_ObjRead(benchmark::State& state)
{
    const std::string& path = SheetFile(state.range(0));
    for (auto _ : state) {
        CPolyModel model;
        if (model.ReadOBJ(path) != kReadOk)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(model.faceCount);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// What any reader has to do at least: get the bytes and convert the numbers.
void BM_ObjFloorFromChars(benchmark::State& state)
{
    const std::string& path = SheetFile(state.range(0));
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<double> coords;
        std::vector<int> indices;
        const char* p = text.data();
        const char* end = p + text.size();
        while (p < end) {
            const char kind = *p;
            p += 2; // "v " or "f "
            while (p < end && *p != '\n') {
                if (kind == 'v') {
                    double d = 0.0;
                    p = std::from_chars(p, end, d).ptr;
                    coords.push_back(d);
                } else {
                    int i = 0;
                    p = std::from_chars(p, end, i).ptr;
                    indices.push_back(i);
                }
                while (p < end && *p == ' ')
                    ++p;
            }
            ++p;
        }
        benchmark::DoNotOptimize(coords.data());
        benchmark::DoNotOptimize(indices.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_ObjRead)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjFloorFromChars)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

// OBJ read (reader + topology) of generated sheets, against a floor: the same
// file's numbers parsed into plain arrays with std::from_chars. Opening as
// the program does (reader, paper, unit scale) is measured on a sheet bent
// round a cylinder whose file gives every corner a vertex of its own, against
// the same floor on that file.

#include "base/AtomicFile.h"
#include "export/SheetObj.h"
#include "import/ModelFile.h"
#include "model/PolyModel.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
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

// The same kind of sheet bent round a cylinder (it unfolds exactly), written
// with three fresh vertices per triangle.
const std::string& UnsharedSheetFile(int64_t triangles)
{
    static std::map<int64_t, std::string> files;
    auto it = files.find(triangles);
    if (it != files.end())
        return it->second;
    SheetLayout layout;
    layout.bend = SheetBend::Cylinder;
    layout.rows = triangles <= 100000 ? 200 : 500;
    layout.cols = static_cast<int>(triangles / 2 / layout.rows);
    const std::string shared = "/tmp/lintoro-bench-bent-" + std::to_string(triangles) + ".obj";
    const std::string path = "/tmp/lintoro-bench-unshared-" + std::to_string(triangles) + ".obj";
    CPolyModel model;
    if (!WriteFileReplacing(shared, [&](std::FILE* f) { return WriteSheetObj(f, layout); }) ||
        model.ReadOBJ(shared) != kReadOk)
        std::fprintf(stderr, "cannot write %s\n", shared.c_str());
    std::remove(shared.c_str());
    const auto write = [&](std::FILE* f) {
        for (const CPolyFace* face : model.objects[0]->faces)
            for (const CFaceCorner* c : face->corners)
                std::fprintf(f, "v %.17g %.17g %.17g\n", c->vertex->pos.x, c->vertex->pos.y,
                             c->vertex->pos.z);
        for (size_t k = 0; k < model.objects[0]->faces.size(); ++k)
            std::fprintf(f, "f %zu %zu %zu\n", 3 * k + 1, 3 * k + 2, 3 * k + 3);
        return true;
    };
    if (model.objects.empty() || !WriteFileReplacing(path, write))
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return files.emplace(triangles, path).first->second;
}

// Numbers of an OBJ file of `v` and `f` lines: the bytes read in one go, each
// number converted once.
void ParseFloor(const std::string& path, benchmark::State& state)
{
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        state.SkipWithError("no file");
        return;
    }
    std::fseek(in, 0, SEEK_END);
    std::string text(static_cast<size_t>(std::ftell(in)), '\0');
    std::fseek(in, 0, SEEK_SET);
    const size_t got = std::fread(text.data(), 1, text.size(), in);
    std::fclose(in);
    text.resize(got);
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
    for (auto _ : state)
        ParseFloor(path, state);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The program's open routine, paper included, with the coordinates as read.
void BM_OpenUnsharedSheet(benchmark::State& state)
{
    const std::string& path = UnsharedSheetFile(state.range(0));
    OpenOptions keep;
    keep.normalize = false;
    for (auto _ : state) {
        OpenOutcome out = OpenModel(path, nullptr, keep);
        if (out.result != kReadOk || !out.model->paperInfo.has)
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(out.model.get());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_OpenUnsharedFloor(benchmark::State& state)
{
    const std::string& path = UnsharedSheetFile(state.range(0));
    for (auto _ : state)
        ParseFloor(path, state);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_ObjRead)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjFloorFromChars)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenUnsharedSheet)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenUnsharedFloor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Reading speed of the DXF and 3D Studio readers on generated grids, with the
// cost of merely reading the same file's bytes as the floor.

#include "model/PolyModel.h"

#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ScratchPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("lintoro-bench-" + name)).string();
}

// n x n cells of a wavy sheet, one 3DFACE quad per cell: (n+1)^2 shared positions.
const std::string& DxfGrid(int n)
{
    static std::string path;
    static int made = -1;
    if (made != n) {
        std::ostringstream s;
        s.precision(17);
        auto z = [](int i, int j) { return 0.01 * ((i * 7 + j * 13) % 17); };
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                const int xi[4] = {i, i + 1, i + 1, i}, yj[4] = {j, j, j + 1, j + 1};
                s << "  0\n3DFACE\n  8\n0\n";
                for (int k = 0; k < 4; ++k)
                    s << " 1" << k << "\n"
                      << xi[k] << "\n 2" << k << "\n"
                      << yj[k] << "\n 3" << k << "\n"
                      << z(xi[k], yj[k]) << "\n";
            }
        s << "  0\nEOF\n";
        path = ScratchPath("grid.dxf");
        std::ofstream(path, std::ios::binary) << s.str();
        made = n;
    }
    return path;
}

void Put16(std::string& b, unsigned v)
{
    b += char(v & 0xFF), b += char((v >> 8) & 0xFF);
}
void Put32(std::string& b, uint32_t v)
{
    Put16(b, v & 0xFFFF), Put16(b, v >> 16);
}
std::string Chunk(unsigned id, const std::string& body)
{
    std::string b;
    Put16(b, id);
    Put32(b, uint32_t(body.size() + 6));
    return b + body;
}

// One mesh per 100 x 100 vertex tile (a 3D Studio mesh holds at most 65535 vertices).
const std::string& MaxGrid(int tiles)
{
    static std::string path;
    static int made = -1;
    if (made != tiles) {
        const int m = 100;
        std::string objects;
        for (int t = 0; t < tiles; ++t) {
            std::string v, f;
            Put16(v, m * m);
            for (int i = 0; i < m; ++i)
                for (int j = 0; j < m; ++j)
                    for (float c : {float(i + t * m), float(j), 0.01f * float((i * j) % 7)})
                        Put32(v, std::bit_cast<uint32_t>(c));
            Put16(f, 2 * (m - 1) * (m - 1));
            for (int i = 0; i + 1 < m; ++i)
                for (int j = 0; j + 1 < m; ++j) {
                    const unsigned a = i * m + j, b = a + 1, c = a + m, d = c + 1;
                    for (unsigned x : {a, b, d, 0u, a, d, c, 0u})
                        Put16(f, x);
                }
            objects += Chunk(0x4000, std::string("T\0", 2) +
                                         Chunk(0x4100, Chunk(0x4110, v) + Chunk(0x4120, f)));
        }
        std::string ver;
        Put32(ver, 3);
        const std::string file =
            Chunk(0x4D4D, Chunk(0x0002, ver) + Chunk(0x3D3D, Chunk(0x3D3E, ver) + objects));
        path = ScratchPath("grid.3ds");
        std::ofstream(path, std::ios::binary) << file;
        made = tiles;
    }
    return path;
}

void ReadBytes(const std::string& path, std::string& into)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    into = s.str();
}

void BM_DxfRead(benchmark::State& state)
{
    const std::string& path = DxfGrid(int(state.range(0)));
    for (auto _ : state) {
        CPolyModel model;
        if (model.ReadDXF(path) != kReadOk)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(model.faceCount);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(BM_DxfRead)->Arg(50)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_DxfFloorBytes(benchmark::State& state)
{
    const std::string& path = DxfGrid(int(state.range(0)));
    std::string bytes;
    for (auto _ : state) {
        ReadBytes(path, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(BM_DxfFloorBytes)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_3dsRead(benchmark::State& state)
{
    const std::string& path = MaxGrid(int(state.range(0)));
    for (auto _ : state) {
        CPolyModel model;
        if (model.Read3DS(path) != kReadOk)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(model.faceCount);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * 2 * 99 * 99);
}
BENCHMARK(BM_3dsRead)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_3dsFloorBytes(benchmark::State& state)
{
    const std::string& path = MaxGrid(int(state.range(0)));
    std::string bytes;
    for (auto _ : state) {
        ReadBytes(path, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * 2 * 99 * 99);
}
BENCHMARK(BM_3dsFloorBytes)->Arg(16)->Unit(benchmark::kMillisecond);

} // namespace

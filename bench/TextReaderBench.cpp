// Reading speed of the token-based text readers on generated grids, each
// beside a floor: splitting the same file into words or lines and nothing else.

#include "import/FileBytes.h"
#include "import/StringSeparator.h"
#include "import/WordScanner.h"
#include "model/PolyModel.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace {

// n x n cells of two triangles each; calls face(a, b, c) with 0-based point numbers.
template <class Point, class Face> void Grid(int n, Point point, Face face)
{
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x)
            point(x * 0.5, y * 0.25, (x * y) % 7 * 0.1);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int a = y * (n + 1) + x, b = a + 1, c = a + n + 1, d = c + 1;
            face(a, b, d);
            face(a, d, c);
        }
}

std::string WriteFile(const std::string& name, const std::string& text)
{
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

const std::string& RokFile(int n)
{
    static std::map<int, std::string> paths;
    if (!paths.count(n)) {
        std::ostringstream pts, lines, faces;
        std::mt19937 rng(1);
        int line = 1;
        Grid(
            n,
            [&](double x, double y, double z) {
                pts << "0 0 0 0 0 " << x << ' ' << y << ' ' << z << '\n';
            },
            [&](int a, int b, int c) {
                if (rng() % 2)
                    std::swap(b, c); // mixed windings for the winding pass
                lines << a + 1 << ' ' << b + 1 << " 0 0\n"
                      << b + 1 << ' ' << c + 1 << " 0 0\n"
                      << c + 1 << ' ' << a + 1 << " 0 0\n";
                faces << "3 0 0 " << line << ' ' << line + 1 << ' ' << line + 2 << '\n';
                line += 3;
            });
        paths[n] = WriteFile("lintoro-bench-" + std::to_string(n) + ".rok",
                             "POINT\n" + pts.str() + "LINE0\n" + lines.str() + "FACE0\n" +
                                 faces.str() + "END00\n");
    }
    return paths[n];
}

// k triangles that all share the edge between points 1 and 2, in mixed windings.
const std::string& BookFile(int k)
{
    static std::map<int, std::string> paths;
    if (!paths.count(k)) {
        std::ostringstream pts, lines, faces;
        pts << "0 0 0 0 0 0 0 0\n0 0 0 0 0 1 0 0\n";
        std::mt19937 rng(2);
        for (int i = 0; i < k; ++i) {
            pts << "0 0 0 0 0 0.5 " << std::cos(i * 0.001) << ' ' << std::sin(i * 0.001) << '\n';
            int a = 1, b = 2;
            if (rng() % 2)
                std::swap(a, b);
            lines << a << ' ' << b << " 0 0\n"
                  << b << ' ' << i + 3 << " 0 0\n"
                  << i + 3 << ' ' << a << " 0 0\n";
            faces << "3 0 0 " << 3 * i + 1 << ' ' << 3 * i + 2 << ' ' << 3 * i + 3 << '\n';
        }
        paths[k] = WriteFile("lintoro-bench-book-" + std::to_string(k) + ".rok",
                             "POINT\n" + pts.str() + "LINE0\n" + lines.str() + "FACE0\n" +
                                 faces.str() + "END00\n");
    }
    return paths[k];
}

const std::string& WrlFile(int n)
{
    static std::map<int, std::string> paths;
    if (!paths.count(n)) {
        std::ostringstream pts, idx;
        Grid(
            n, [&](double x, double y, double z) { pts << x << ' ' << y << ' ' << z << ",\n"; },
            [&](int a, int b, int c) { idx << a << ", " << b << ", " << c << ", -1,\n"; });
        paths[n] = WriteFile("lintoro-bench-" + std::to_string(n) + ".wrl",
                             "#VRML V1.0 ascii\nSeparator {\nCoordinate3 { point [\n" + pts.str() +
                                 "] }\nIndexedFaceSet { coordIndex [\n" + idx.str() + "] }\n}\n");
    }
    return paths[n];
}

const std::string& MqoFile(int n)
{
    static std::map<int, std::string> paths;
    if (!paths.count(n)) {
        std::ostringstream pts, faces;
        int count = 0;
        Grid(
            n,
            [&](double x, double y, double z) {
                pts << "\t\t" << x << ' ' << y << ' ' << z << "\r\n";
            },
            [&](int a, int b, int c) {
                faces << "\t\t3 V(" << a << ' ' << b << ' ' << c << ") UV(0 0 1 0 1 1)\r\n";
                ++count;
            });
        paths[n] = WriteFile("lintoro-bench-" + std::to_string(n) + ".mqo",
                             "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\nObject \"g\" {\r\n"
                             "\tvertex 0 {\r\n" +
                                 pts.str() + "\t}\r\n\tface 0 {\r\n" + faces.str() +
                                 "\t}\r\n}\r\nEof\r\n");
    }
    return paths[n];
}

void Faces(benchmark::State& state, int n)
{
    state.counters["faces"] = 2.0 * n * n;
    state.SetItemsProcessed(state.iterations() * 2 * n * n);
}

void BM_ReadROK(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string& path = RokFile(n);
    for (auto _ : state) {
        CPolyModel m;
        if (m.ReadROK(path) != kReadOk)
            state.SkipWithError("read failed");
    }
    Faces(state, n);
}

void BM_ReadROKSharedEdge(benchmark::State& state)
{
    const int k = static_cast<int>(state.range(0));
    const std::string& path = BookFile(k);
    for (auto _ : state) {
        CPolyModel m;
        if (m.ReadROK(path) != kReadOk)
            state.SkipWithError("read failed");
    }
    state.counters["faces"] = k;
    state.SetItemsProcessed(state.iterations() * k);
}

void BM_ReadWRL(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string& path = WrlFile(n);
    for (auto _ : state) {
        CPolyModel m;
        if (m.ReadWRL(path) != kReadOk)
            state.SkipWithError("read failed");
    }
    Faces(state, n);
}

void BM_ReadMQO(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string& path = MqoFile(n);
    for (auto _ : state) {
        CPolyModel m;
        if (m.ReadMQO(path) != kReadOk)
            state.SkipWithError("read failed");
    }
    Faces(state, n);
}

// Floors: the bytes split into words (ROK, VRML) or tokenized lines (MQO), nothing kept.
void BM_FloorWords(benchmark::State& state, const std::string& path)
{
    for (auto _ : state) {
        FileBytes bytes;
        bytes.Load(path);
        WordScanner words(bytes.view());
        std::string_view w;
        size_t count = 0;
        while (words.Next(w))
            ++count;
        benchmark::DoNotOptimize(count);
    }
}

void BM_FloorWordsROK(benchmark::State& state)
{
    BM_FloorWords(state, RokFile(static_cast<int>(state.range(0))));
    Faces(state, static_cast<int>(state.range(0)));
}

void BM_FloorWordsWRL(benchmark::State& state)
{
    BM_FloorWords(state, WrlFile(static_cast<int>(state.range(0))));
    Faces(state, static_cast<int>(state.range(0)));
}

void BM_FloorLinesMQO(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string& path = MqoFile(n);
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        AsciiFileString lines(f);
        int count = 0;
        while (lines.ReadLine() >= 0)
            ++count;
        std::fclose(f);
        benchmark::DoNotOptimize(count);
    }
    Faces(state, n);
}

} // namespace

BENCHMARK(BM_ReadROK)->Arg(25)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadROKSharedEdge)->Arg(2000)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorWordsROK)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWRL)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorWordsWRL)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadMQO)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorLinesMQO)->Arg(200)->Unit(benchmark::kMillisecond);

// Runs the fuzz entry point once over every file named on the command line
// (folders are walked, missing ones skipped), so the seed corpus and the
// regression inputs are checked in every ordinary build without libFuzzer.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

bool RunFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", p.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        std::error_code ec;
        if (fs::is_directory(arg, ec)) {
            std::vector<fs::path> files;
            for (const auto& e : fs::recursive_directory_iterator(arg, ec))
                if (e.is_regular_file())
                    files.push_back(e.path());
            std::sort(files.begin(), files.end());
            for (const fs::path& f : files) {
                ok = RunFile(f) && ok;
                ++runs;
            }
        } else if (fs::is_regular_file(arg, ec)) {
            ok = RunFile(arg) && ok;
            ++runs;
        } else {
            std::printf("skipped (absent): %s\n", argv[i]);
        }
    }
    std::printf("replayed %d input(s)\n", runs);
    return ok ? 0 : 1;
}

#include "support/TestFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testfiles {

std::string SharedDataDir()
{
    std::error_code ec;
    return fs::is_directory(LINTORO_TESTDATA_DIR, ec) ? std::string(LINTORO_TESTDATA_DIR) : "";
}

std::vector<std::string> SharedFiles(const std::string& sub)
{
    std::vector<std::string> out;
    const std::string dir = SharedDataDir();
    std::error_code ec;
    if (dir.empty() || !fs::is_directory(dir + "/" + sub, ec))
        return out;
    for (const auto& e : fs::directory_iterator(dir + "/" + sub))
        if (e.is_regular_file())
            out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::string ScratchDir()
{
    static const std::string dir = [] {
        fs::path p = fs::temp_directory_path() / ("lintoro-test-" + std::to_string(getpid()));
        fs::create_directories(p);
        return p.string();
    }();
    return dir;
}

std::string WriteScratch(const std::string& name, const std::string& content)
{
    const std::string path = ScratchDir() + "/" + name;
    std::ofstream out(path, std::ios::binary);
    out << content;
    return path;
}

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace testfiles

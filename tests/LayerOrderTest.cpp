// Every #include "folder/..." in src/ against the layer order the build is
// made from (LINTORO_LAYERS in src/CMakeLists.txt): a folder includes its own
// files and those of folders on lower lines, never a peer's or a higher one's.
// The libraries link only downward, but they share one include root, so an
// upward include of a header alone would still compile; this is what stops it.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// "base|model|checks view3d|..." into folder -> line, bottom line 0.
std::map<std::string, int> Ranks(const std::string& layers)
{
    std::map<std::string, int> rank;
    std::istringstream lines(layers);
    std::string line;
    for (int r = 0; std::getline(lines, line, '|'); ++r) {
        std::istringstream words(line);
        for (std::string w; words >> w;)
            rank[w] = r;
    }
    return rank;
}

// What an #include line names, opener included ("model/Geometry.h" gives
// `"model/Geometry.h`, <QWidget> gives `<QWidget`); empty for any other line.
std::string IncludeTarget(const std::string& line)
{
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line[at] != '#')
        return {};
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line.compare(at, 7, "include") != 0)
        return {};
    at = line.find_first_not_of(" \t", at + 7);
    return at == std::string::npos ? std::string() : line.substr(at);
}

// The folder of a project include ("folder/..."), else empty.
std::string IncludedFolder(const std::string& line)
{
    const std::string target = IncludeTarget(line);
    if (target.empty() || target[0] != '"')
        return {};
    const size_t slash = target.find('/');
    if (slash == std::string::npos || slash < 2)
        return {};
    const std::string folder = target.substr(1, slash - 1);
    for (const char c : folder)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return {};
    return folder;
}

struct Include {
    std::string file; // relative to src/
    int line = 0;
    std::string folder;
};

std::vector<Include> ProjectIncludes(const fs::path& src, const std::string& folder)
{
    std::vector<Include> found;
    for (const auto& entry : fs::recursive_directory_iterator(src / folder)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".hpp"))
            continue;
        std::ifstream in(entry.path());
        std::string text;
        for (int n = 1; std::getline(in, text); ++n)
            if (const std::string to = IncludedFolder(text); !to.empty())
                found.push_back({fs::relative(entry.path(), src).string(), n, to});
    }
    return found;
}

} // namespace

TEST(LayerOrder, EveryIncludePointsDown)
{
    const std::map<std::string, int> rank = Ranks(LINTORO_LAYERS);
    ASSERT_GT(rank.size(), 10u);
    const fs::path src = LINTORO_SOURCE_DIR "/src";
    int includes = 0;
    for (const auto& entry : fs::directory_iterator(src)) {
        if (!entry.is_directory())
            continue;
        const std::string folder = entry.path().filename().string();
        const auto own = rank.find(folder);
        ASSERT_NE(own, rank.end()) << "src/" << folder << " has no place in LINTORO_LAYERS";
        for (const Include& inc : ProjectIncludes(src, folder)) {
            ++includes;
            if (inc.folder == folder)
                continue;
            const auto to = rank.find(inc.folder);
            if (to == rank.end())
                continue; // a library's own folder, such as nlohmann/
            EXPECT_LT(to->second, own->second)
                << inc.file << ":" << inc.line << " includes " << inc.folder << "/, which is "
                << (to->second == own->second ? "its peer" : "above it");
        }
    }
    EXPECT_GT(includes, 100); // the walk saw the tree
}

TEST(LayerOrder, CoreIncludesNoQt)
{
    const std::map<std::string, int> rank = Ranks(LINTORO_LAYERS);
    const int front = rank.at("render");
    const fs::path src = LINTORO_SOURCE_DIR "/src";
    for (const auto& [folder, r] : rank) {
        if (r >= front || !fs::exists(src / folder))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(src / folder)) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream in(entry.path());
            std::string text;
            for (int n = 1; std::getline(in, text); ++n)
                EXPECT_NE(IncludeTarget(text).rfind("<Q", 0), 0u)
                    << fs::relative(entry.path(), src).string() << ":" << n << ": " << text;
        }
    }
}

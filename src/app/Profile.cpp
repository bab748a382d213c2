#include "app/Profile.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return "";
    const size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y))
            return false;
    }
    return true;
}

// Profiles are a few hundred bytes; anything far larger is not ours to parse.
constexpr std::uintmax_t kMaxProfileBytes = 1 << 20;
} // namespace

void CIniFile::Parse(const std::string& text)
{
    lines_.clear();
    std::string section;
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        Line line;
        line.raw = raw;
        const std::string t = Trim(raw);
        if (t.size() >= 2 && t.front() == '[' && t.find(']') != std::string::npos) {
            section = t.substr(1, t.find(']') - 1);
            line.isHeader = true;
        } else if (!t.empty() && t[0] != ';' && t.find('=') != std::string::npos) {
            const size_t eq = t.find('=');
            line.key = Trim(t.substr(0, eq));
            line.value = Trim(t.substr(eq + 1));
        }
        line.section = section;
        lines_.push_back(std::move(line));
    }
}

std::string CIniFile::Serialize() const
{
    std::string out;
    for (const Line& l : lines_) {
        out += l.raw;
        out += '\n';
    }
    return out;
}

int CIniFile::Find(const std::string& section, const std::string& key) const
{
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (!l.isHeader && !l.key.empty() && SameName(l.section, section) && SameName(l.key, key))
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<std::string> CIniFile::Get(const std::string& section, const std::string& key) const
{
    const int i = Find(section, key);
    if (i < 0)
        return std::nullopt;
    return lines_[i].value;
}

void CIniFile::Set(const std::string& section, const std::string& key, const std::string& value)
{
    Line line;
    line.raw = key + "=" + value;
    line.section = section;
    line.key = key;
    line.value = value;
    const int found = Find(section, key);
    if (found >= 0) {
        line.key = lines_[found].key;
        line.section = lines_[found].section;
        line.raw = line.key + "=" + value;
        lines_[found] = std::move(line);
        return;
    }
    // After the last key line of the section, so blank lines and comments
    // that follow it keep separating it from the next section.
    int insertAt = -1;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (!SameName(l.section, section))
            continue;
        if (l.isHeader || !l.key.empty())
            insertAt = static_cast<int>(i) + 1;
    }
    if (insertAt < 0) {
        if (!lines_.empty() && !Trim(lines_.back().raw).empty())
            lines_.push_back(Line{"", lines_.back().section, "", "", false});
        lines_.push_back(Line{"[" + section + "]", section, "", "", true});
        lines_.push_back(std::move(line));
        return;
    }
    lines_.insert(lines_.begin() + insertAt, std::move(line));
}

void CIniFile::Remove(const std::string& section, const std::string& key)
{
    const int i = Find(section, key);
    if (i >= 0)
        lines_.erase(lines_.begin() + i);
}

CIniFile CProfile::Load() const
{
    CIniFile ini;
    std::error_code ec;
    if (path_.empty() || !fs::is_regular_file(path_, ec))
        return ini;
    const std::uintmax_t size = fs::file_size(path_, ec);
    if (ec || size > kMaxProfileBytes)
        return ini;
    std::ifstream in(path_, std::ios::binary);
    if (!in)
        return ini;
    std::ostringstream text;
    text << in.rdbuf();
    ini.Parse(text.str());
    return ini;
}

bool CProfile::Store(const CIniFile& ini) const
{
    if (path_.empty())
        return false;
    std::error_code ec;
    const fs::path target(path_);
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), ec);
    const std::string temp = path_ + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out << ini.Serialize();
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return false;
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

std::string CProfile::GetString(const std::string& section, const std::string& key,
                                const std::string& fallback) const
{
    return Load().Get(section, key).value_or(fallback);
}

int CProfile::GetInt(const std::string& section, const std::string& key, int fallback) const
{
    const std::optional<std::string> text = Load().Get(section, key);
    if (!text || text->empty())
        return fallback;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text->c_str(), &end, 10);
    if (end == text->c_str() || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
        return fallback;
    return static_cast<int>(value);
}

bool CProfile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value)
{
    CIniFile ini = Load();
    ini.Set(section, key, value);
    return Store(ini);
}

bool CProfile::WriteInt(const std::string& section, const std::string& key, int value)
{
    return WriteString(section, key, std::to_string(value));
}

bool CProfile::RemoveKey(const std::string& section, const std::string& key)
{
    CIniFile ini = Load();
    if (!ini.Get(section, key))
        return true;
    ini.Remove(section, key);
    return Store(ini);
}

std::vector<long> ScanInts(const std::string& text, size_t count, char separator)
{
    std::vector<long> values;
    const char* p = text.c_str();
    while (values.size() < count) {
        if (!values.empty()) {
            if (*p != separator)
                break;
            ++p;
        }
        errno = 0;
        char* end = nullptr;
        const long v = std::strtol(p, &end, 0);
        if (end == p || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
            break;
        values.push_back(v);
        p = end;
    }
    return values;
}

std::string CurrentExecutablePath()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string MakeProfilePath(const std::string& executablePath)
{
    if (!executablePath.empty()) {
        fs::path p(executablePath);
        p.replace_extension(".ini");
        const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
        std::error_code ec;
        const bool exists = fs::exists(p, ec);
        if (::access(dir.c_str(), W_OK) == 0 && (!exists || ::access(p.c_str(), W_OK) == 0))
            return p.string();
    }
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = "/tmp";
    return base + "/lintoro/lintoro.ini";
}

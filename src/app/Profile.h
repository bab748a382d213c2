#pragma once
// The profile: a Windows-style INI file of our own making. Sections and keys
// match case-insensitively; lines we do not understand (comments, unknown
// sections and keys, stray text) are kept verbatim so a save never drops them.
// Nothing here throws or reports: an unreadable file reads as empty.

#include <optional>
#include <string>
#include <vector>

// The parsed text of one INI file, line for line.
class CIniFile {
public:
    // Replaces the contents by the text; never fails (bad lines are kept as text).
    void Parse(const std::string& text);
    std::string Serialize() const;

    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    // Sets the key, appending it to its section (and the section to the file) when new.
    void Set(const std::string& section, const std::string& key, const std::string& value);
    // Drops the key; nothing happens when it is absent.
    void Remove(const std::string& section, const std::string& key);

private:
    struct Line {
        std::string raw;     // the line as read or as last written
        std::string section; // section this line belongs to
        std::string key;     // empty for anything but a key line
        std::string value;
        bool isHeader = false;
    };
    int Find(const std::string& section, const std::string& key) const;
    std::vector<Line> lines_;
};

// The program's profile file. Every read and write goes to the file, so two
// parts of the program (or two instances) never overwrite each other's keys.
class CProfile {
public:
    CProfile() = default;
    explicit CProfile(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }

    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& fallback = "") const;
    // A decimal integer with optional sign; fallback when absent or not a number.
    int GetInt(const std::string& section, const std::string& key, int fallback) const;
    // Writes through to the file (temporary file, then rename). False when the
    // file cannot be written; the previous file is then left as it was.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInt(const std::string& section, const std::string& key, int value);
    bool RemoveKey(const std::string& section, const std::string& key);

private:
    CIniFile Load() const;
    bool Store(const CIniFile& ini) const;
    std::string path_;
};

// Converts up to `count` integers separated by single non-digit characters the
// way scanf's "%i" does (decimal, 0x hexadecimal, leading-zero octal, optional
// sign, leading blanks). Stops at the first field that does not convert.
std::vector<long> ScanInts(const std::string& text, size_t count, char separator = ':');

// Profile path for the executable: same folder and base name with ".ini".
// When that folder (or an existing profile there) is not writable, the
// per-user file $XDG_CONFIG_HOME/lintoro/lintoro.ini (~/.config when unset).
std::string MakeProfilePath(const std::string& executablePath);
// The running executable's path (empty when the system does not say).
std::string CurrentExecutablePath();

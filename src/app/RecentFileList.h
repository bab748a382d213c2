#pragma once
// The recent-file list: at most four paths, most recent first, stored in the
// profile as "Recent File List"/"File1".."File4".

#include <string>
#include <vector>

class CProfile;

class CRecentFileList {
public:
    static constexpr const char* kSection = "Recent File List";

    explicit CRecentFileList(size_t capacity = 4) : capacity_(capacity) {}

    // Puts the path at the top; an entry already present moves there instead of
    // appearing twice, and the oldest entry falls off a full list.
    void Add(const std::string& path);
    void Remove(size_t index);
    size_t Size() const { return paths_.size(); }
    bool Empty() const { return paths_.empty(); }
    const std::string& operator[](size_t index) const { return paths_[index]; }
    const std::vector<std::string>& Paths() const { return paths_; }

    // Reads File1..FileN; empty and repeated entries are skipped.
    void Load(const CProfile& profile);
    // Writes File1..FileN, removing the keys of unused slots.
    void Save(CProfile& profile) const;

private:
    size_t capacity_;
    std::vector<std::string> paths_;
};

#include "import/WordScanner.h"

#include <cstdio>
#include <memory>

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file)
        return false;
    // Read in blocks rather than by a size taken from seeking: the size of a
    // special file or a file that changes underneath cannot be trusted.
    char block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0)
        bytes.append(block, got);
    if (std::ferror(file.get()))
        return false;
    return !bytes.empty();
}

namespace {
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
} // namespace

bool WordScanner::Next(std::string_view& word) {
    while (pos_ < data_.size() && IsSpace(data_[pos_]))
        ++pos_;
    if (pos_ >= data_.size())
        return false;
    const size_t start = pos_;
    while (pos_ < data_.size() && !IsSpace(data_[pos_]))
        ++pos_;
    word = data_.substr(start, pos_ - start);
    return true;
}

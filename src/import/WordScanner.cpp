#include "import/WordScanner.h"

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

void WordScanner::SkipLine() {
    while (pos_ < data_.size() && data_[pos_] != '\n')
        ++pos_;
}

#pragma once
// Word reading over a file held in memory, for the token-stream text formats,
// and the progress percentage the text readers report.

#include "model/Progress.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::array<bool, 256> kWordSpace = [] {
    std::array<bool, 256> t{};
    for (unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'})
        t[c] = true;
    return t;
}();

// Splits a byte buffer into words separated by whitespace (space, tab, CR, LF,
// FF, VT: the separators of a C stream's "%s"). Words are views into the
// buffer, valid while it lives. Inline: the readers call it once per number.
class WordScanner {
public:
    WordScanner() = default;
    explicit WordScanner(std::string_view bytes) : data_(bytes) {}

    static bool IsSpace(char c) { return kWordSpace[static_cast<unsigned char>(c)]; }

    // Next word; false at end of input.
    bool Next(std::string_view& word)
    {
        const size_t n = data_.size();
        while (pos_ < n && IsSpace(data_[pos_]))
            ++pos_;
        if (pos_ >= n)
            return false;
        const size_t start = pos_;
        while (pos_ < n && !IsSpace(data_[pos_]))
            ++pos_;
        word = data_.substr(start, pos_ - start);
        return true;
    }
    // Moves to the end of the current line (comments).
    void SkipLine();
    // Takes the input up to and including the next line feed, but at most
    // `limit` bytes (a bounded line read).
    std::string_view TakeLine(size_t limit);
    // Bytes consumed so far.
    size_t Position() const { return pos_; }
    size_t Size() const { return data_.size(); }

private:
    std::string_view data_;
    size_t pos_ = 0;
};

// Integer percentage of a file read so far, reported only when it changes.
class ReadPercent {
public:
    explicit ReadPercent(uint64_t fileSize) : size_(fileSize) {}
    // False when the user cancelled.
    bool Update(ProgressScope& progress, uint64_t position)
    {
        if (size_ == 0)
            return true;
        const int percent = static_cast<int>(position * 100 / size_);
        if (percent == last_)
            return true;
        last_ = percent;
        return progress.Update(percent);
    }

private:
    uint64_t size_;
    int last_ = 0;
};

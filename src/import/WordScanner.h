#pragma once
// Word reading over a file held in memory, for the token-stream text formats,
// and the progress percentage the text readers report.

#include "import/Progress.h"

#include <cstdint>
#include <string>
#include <string_view>

// Splits a byte buffer into words separated by whitespace (space, tab, CR, LF,
// FF, VT). Words are views into the buffer, valid while it lives.
class WordScanner {
public:
    WordScanner() = default;
    explicit WordScanner(std::string_view bytes) : data_(bytes) {}

    // Next word; false at end of input.
    bool Next(std::string_view& word);
    // Moves to the end of the current line (comments).
    void SkipLine();
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
    bool Update(ProgressScope& progress, uint64_t position) {
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

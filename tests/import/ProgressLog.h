#pragma once
// A progress display for reader tests: records what a reader reports and can
// cancel once the bar reaches a given position.

#include "import/Progress.h"

#include <string>
#include <vector>

class ProgressLog : public IProgress {
public:
    explicit ProgressLog(int cancelAt = -1) : cancelAt_(cancelAt) {}

    void Begin(const std::string& title) override {
        titles.push_back(title);
        ++begins;
    }
    void End() override { ++ends; }
    void SetRange(int lower, int upper) override {
        rangeLower = lower;
        rangeUpper = upper;
    }
    void SetText(const std::string& text) override { texts.push_back(text); }
    void SetPos(int pos) override {
        positions.push_back(pos);
        if (cancelAt_ >= 0 && pos >= cancelAt_)
            cancelled_ = true;
    }
    bool PeekAndPump() override { return !cancelled_; }
    bool Cancelled() const override { return cancelled_; }

    std::vector<std::string> titles;
    std::vector<std::string> texts;
    std::vector<int> positions;
    int begins = 0;
    int ends = 0;
    int rangeLower = -1;
    int rangeUpper = -1;

private:
    int cancelAt_;
    bool cancelled_ = false;
};

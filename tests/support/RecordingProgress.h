#pragma once
// A progress display for reader tests: records every call and can cancel,
// either once the bar reaches a position or after a number of pumps.

#include "model/Progress.h"

#include <string>
#include <vector>

class RecordingProgress : public IProgress {
public:
    // Cancels once SetPos reaches cancelAtPos (never when negative).
    explicit RecordingProgress(int cancelAtPos = -1) : cancelAtPos_(cancelAtPos) {}

    void Begin(const std::string& t) override
    {
        ++begins;
        title = t;
        titles.push_back(t);
    }
    void End() override { ++ends; }
    void SetRange(int lower, int upper) override
    {
        rangeLower = lower;
        rangeUpper = upper;
    }
    void SetText(const std::string& text) override { texts.push_back(text); }
    void SetPos(int pos) override
    {
        positions.push_back(pos);
        if (cancelAtPos_ >= 0 && pos >= cancelAtPos_)
            cancelled_ = true;
    }
    bool PeekAndPump() override
    {
        ++pumps;
        if (cancelAfterPumps >= 0 && pumps > cancelAfterPumps)
            cancelled_ = true;
        return !cancelled_;
    }
    bool Cancelled() const override { return cancelled_; }

    // Cancels at the first pump when 0, after that many pumps otherwise; -1 never.
    int cancelAfterPumps = -1;
    int begins = 0;
    int ends = 0;
    int pumps = 0;
    std::string title; // the last one
    std::vector<std::string> titles;
    int rangeLower = -1;
    int rangeUpper = -1;
    std::vector<std::string> texts;
    std::vector<int> positions;

private:
    int cancelAtPos_;
    bool cancelled_ = false;
};

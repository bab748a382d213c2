#pragma once
// Helpers for the OBJ reader tests: a progress display that records what a
// reader tells it, and reading text through a scratch file.

#include "import/Progress.h"
#include "model/PolyModel.h"

#include <memory>
#include <string>
#include <vector>

class RecordingProgress : public IProgress {
public:
    // Cancels at the first PeekAndPump when cancelAt == 0, after that many otherwise; -1 never.
    int cancelAt = -1;
    int begins = 0;
    int ends = 0;
    int pumps = 0;
    std::string title;
    int lower = -1;
    int upper = -1;
    std::vector<std::string> texts;
    std::vector<int> positions;

    void Begin(const std::string& t) override
    {
        ++begins;
        title = t;
    }
    void End() override { ++ends; }
    void SetRange(int lo, int hi) override
    {
        lower = lo;
        upper = hi;
    }
    void SetText(const std::string& t) override { texts.push_back(t); }
    void SetPos(int pos) override { positions.push_back(pos); }
    bool PeekAndPump() override
    {
        ++pumps;
        return !Cancelled();
    }
    bool Cancelled() const override { return cancelAt >= 0 && pumps > cancelAt; }
};

struct ObjRead {
    std::unique_ptr<CPolyModel> model = std::make_unique<CPolyModel>();
    int result = -1;
};

// Writes `text` to a scratch file named `name` and reads it with ReadOBJ.
ObjRead ReadObjText(const std::string& text, IProgress* progress = nullptr,
                    const std::string& name = "case.obj");

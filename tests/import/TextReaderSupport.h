#pragma once
// Shared checks for the text reader tests: a progress display that records
// what it was told, and summaries of a read model.

#include "import/Progress.h"
#include "model/PolyModel.h"

#include <string>
#include <vector>

namespace textreader {

// Records every call; cancels once the position reaches cancelAt (never when negative).
class RecordingProgress : public IProgress {
public:
    explicit RecordingProgress(int cancelAtPos = -1) : cancelAt(cancelAtPos) {}
    void Begin(const std::string& t) override {
        title = t;
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
        if (cancelAt >= 0 && pos >= cancelAt)
            cancelled = true;
    }
    bool PeekAndPump() override { return !cancelled; }
    bool Cancelled() const override { return cancelled; }

    int cancelAt;
    bool cancelled = false;
    std::string title;
    int begins = 0;
    int ends = 0;
    int rangeLower = -1;
    int rangeUpper = -1;
    std::vector<std::string> texts;
    std::vector<int> positions;
};

inline double FaceArea(const CPolyFace* f) {
    const CVector3& a = f->corners[0]->vertex->pos;
    const CVector3& b = f->corners[1]->vertex->pos;
    const CVector3& c = f->corners[2]->vertex->pos;
    return (b - a).Cross(c - a).Length() * 0.5;
}

inline double TotalArea(const CPolyModel& m) {
    double sum = 0.0;
    for (const auto& obj : m.objects)
        for (const CPolyFace* f : obj->faces)
            sum += FaceArea(f);
    return sum;
}

inline size_t FaceTotal(const CPolyModel& m) {
    size_t n = 0;
    for (const auto& obj : m.objects)
        n += obj->faces.size();
    return n;
}

} // namespace textreader

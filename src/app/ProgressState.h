#pragma once
// The arithmetic of the progress window, apart from any window: range,
// position, percentage and the caption it produces.

#include <optional>
#include <string>

class CProgressState {
public:
    // Longest status text the window shows; longer texts are cut here.
    static constexpr size_t kMaxTextLength = 511;

    void SetTitle(std::string title) { title_ = std::move(title); }
    const std::string& Title() const { return title_; }
    void SetRange(int lower, int upper, int step);
    int Lower() const { return lower_; }
    int Upper() const { return upper_; }
    int Step() const { return step_; }
    int LastPos() const { return lastPos_; }
    int LastPercent() const { return lastPercent_; }

    // Records the position. Returns the new caption "title [n%]" when the
    // percentage changed, nullopt when the caption stays as it is.
    std::optional<std::string> SetPos(int pos);

    // Percentage of pos in the range: pos * 100 / (upper - lower), capped at
    // 100, without subtracting lower; 0 for an empty or inverted range.
    static int Percent(int pos, int lower, int upper);
    static std::string Caption(const std::string& title, int percent);
    // The text cut to kMaxTextLength bytes, never inside a UTF-8 sequence.
    static std::string ClampText(const std::string& text);

private:
    std::string title_ = "Progress";
    int lower_ = 0;
    int upper_ = 100;
    int step_ = 1;
    int lastPos_ = 0;
    int lastPercent_ = 0;
};

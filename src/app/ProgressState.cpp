#include "app/ProgressState.h"

#include <algorithm>
#include <cstdint>

void CProgressState::SetRange(int lower, int upper, int step)
{
    lower_ = lower;
    upper_ = upper;
    step_ = step;
}

std::optional<std::string> CProgressState::SetPos(int pos)
{
    lastPos_ = pos;
    const int percent = Percent(pos, lower_, upper_);
    if (percent == lastPercent_)
        return std::nullopt;
    lastPercent_ = percent;
    return Caption(title_, percent);
}

int CProgressState::Percent(int pos, int lower, int upper)
{
    if (upper <= lower)
        return 0;
    // 64-bit: a position near INT_MAX times 100 must not overflow.
    const int64_t p = static_cast<int64_t>(pos) * 100 / (static_cast<int64_t>(upper) - lower);
    return static_cast<int>(std::min<int64_t>(p, 100));
}

std::string CProgressState::Caption(const std::string& title, int percent)
{
    return title + " [" + std::to_string(percent) + "%]";
}

std::string CProgressState::ClampText(const std::string& text)
{
    if (text.size() <= kMaxTextLength)
        return text;
    size_t cut = kMaxTextLength;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

#include "export/PatternOptions.h"

#include <cctype>
#include <cmath>

namespace {

constexpr const char* kSideNames[] = {"front", "back", "both", "split"};

} // namespace

const char* PatternSideName(PatternSide side)
{
    return kSideNames[static_cast<int>(side)];
}

bool ParsePatternSide(const std::string& name, PatternSide& out)
{
    std::string lower;
    for (const char c : name)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (int i = 0; i < 4; ++i)
        if (lower == kSideNames[i]) {
            out = static_cast<PatternSide>(i);
            return true;
        }
    return false;
}

bool ValidDashLengths(double dash, double gap, double margin)
{
    // Shorter dashes would only multiply a plotter's strokes; nothing prints them.
    const auto within = [](double v, double lo) {
        return std::isfinite(v) && v >= lo && v <= 1000.0;
    };
    return within(dash, 0.01) && within(gap, 0.01) && within(margin, 0.0);
}

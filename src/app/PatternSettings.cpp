#include "app/PatternSettings.h"

#include "app/Profile.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

constexpr const char* kSection = "CreasePattern";

bool ReadNumber(const CProfile& profile, const char* key, double& out)
{
    const std::string text = profile.GetString(kSection, key);
    double value = 0.0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || res.ec != std::errc() || res.ptr != text.data() + text.size() ||
        !std::isfinite(value))
        return false;
    out = value;
    return true;
}

std::string Text(double value)
{
    char text[32];
    const auto res = std::to_chars(text, text + sizeof text, value);
    return std::string(text, res.ptr);
}

} // namespace

CPatternOptions LoadPatternOptions(const CProfile& profile)
{
    CPatternOptions options;
    ParsePatternSide(profile.GetString(kSection, "Side"), options.side);
    options.bends = profile.GetInt(kSection, "Bends", 0) != 0;
    double dash = 0.0, gap = 0.0, margin = 0.0;
    if (ReadNumber(profile, "Dash", dash) && dash != 0.0 && ReadNumber(profile, "Gap", gap) &&
        ReadNumber(profile, "Margin", margin) && ValidDashLengths(dash, gap, margin)) {
        options.dashed = true;
        options.dash = dash;
        options.gap = gap;
        options.margin = margin;
    } else if (ReadNumber(profile, "Gap", gap) && ReadNumber(profile, "Margin", margin) &&
               ValidDashLengths(options.dash, gap, margin)) {
        // Solid lines last time: the gap and margin set then are offered again.
        options.gap = gap;
        options.margin = margin;
    }
    return options;
}

bool SavePatternOptions(CProfile& profile, const CPatternOptions& options)
{
    return profile.WriteString(kSection, "Side", PatternSideName(options.side)) &&
           profile.WriteString(kSection, "Dash", options.dashed ? Text(options.dash) : "0") &&
           profile.WriteString(kSection, "Gap", Text(options.gap)) &&
           profile.WriteString(kSection, "Margin", Text(options.margin)) &&
           profile.WriteInt(kSection, "Bends", options.bends ? 1 : 0);
}

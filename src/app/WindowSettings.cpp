#include "app/WindowSettings.h"

#include "app/Profile.h"
#include "ui/AppState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

std::string FormatWindowPos(const WindowPlacement& wp)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, "%i:%i:%i:%i:%i:%i:%i:%i:%i:%i", wp.flags, wp.showCmd, wp.minX,
                  wp.minY, wp.maxX, wp.maxY, wp.left, wp.top, wp.right, wp.bottom);
    return buf;
}

std::optional<WindowPlacement> ParseWindowPos(const std::string& text)
{
    const std::vector<long> v = ScanInts(text, 10);
    if (v.size() != 10)
        return std::nullopt;
    WindowPlacement wp;
    int* fields[] = {&wp.flags, &wp.showCmd, &wp.minX, &wp.minY,  &wp.maxX,
                     &wp.maxY,  &wp.left,    &wp.top,  &wp.right, &wp.bottom};
    for (size_t i = 0; i < 10; ++i)
        *fields[i] = static_cast<int>(v[i]);
    return wp;
}

std::string FormatSplitSize(int designViewWidth, int netViewHeight)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "%i:%i", designViewWidth, netViewHeight);
    return buf;
}

std::pair<int, int> ParseSplitSize(const std::string& text)
{
    const std::vector<long> v = ScanInts(text, 2);
    if (v.size() != 2)
        return {kDefaultDesignViewWidth, kDefaultNetViewHeight};
    return {static_cast<int>(v[0]), static_cast<int>(v[1])};
}

int FirstPaneSize(int total, int saved, double share)
{
    if (total <= 0)
        return 0;
    if (saved >= 0)
        return std::min(saved, total);
    return std::clamp(static_cast<int>(std::lround(total * share)), 0, total);
}

int ProportionalFirstPane(int first, int second, int newTotal)
{
    if (newTotal <= 0)
        return 0;
    const int oldTotal = first + second;
    int result = oldTotal > 0 ? static_cast<int>(std::lround(double(first) * newTotal / oldTotal))
                              : newTotal / 2;
    result = std::clamp(result, 0, newTotal);
    if (newTotal >= 3 * kMinimumPaneSize) {
        // A pane the user made smaller than the minimum keeps its own size.
        result = std::max(result, std::min(first, kMinimumPaneSize));
        result = std::min(result, newTotal - std::min(second, kMinimumPaneSize));
    }
    return result;
}

bool HasSavedSplitSize(const CProfile& profile)
{
    return !profile.GetString("Settings", "SplitWindowSize").empty();
}

std::optional<WindowPlacement> LoadWindowSettings(const CProfile& profile)
{
    std::optional<WindowPlacement> wp;
    const std::string pos = profile.GetString("Settings", "WindowPos");
    if (!pos.empty())
        wp = ParseWindowPos(pos);
    const auto [width, height] = ParseSplitSize(profile.GetString("Settings", "SplitWindowSize"));
    lastDesignViewWidth = width;
    lastNetViewHeight = height;
    return wp;
}

void SaveWindowSettings(CProfile& profile, const WindowPlacement& wp)
{
    profile.WriteString("Settings", "WindowPos", FormatWindowPos(wp));
    profile.WriteString("Settings", "SplitWindowSize",
                        FormatSplitSize(lastDesignViewWidth, lastNetViewHeight));
}

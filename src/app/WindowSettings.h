#pragma once
// The main window's placement and pane sizes as the profile stores them:
// "Settings"/"WindowPos" = ten "%i" fields joined by ':' and
// "Settings"/"SplitWindowSize" = "%i:%i".

#include <optional>
#include <string>
#include <utility>

class CProfile;

struct WindowPlacement {
    enum : int { kRestoreToMaximized = 2 }; // flags bit
    enum : int { kShowNormal = 1, kShowMinimized = 2, kShowMaximized = 3 };
    int flags = 0;
    int showCmd = kShowNormal;
    int minX = -1, minY = -1;                     // minimised position (not used by this program)
    int maxX = -1, maxY = -1;                     // maximised position (not used by this program)
    int left = 0, top = 0, right = 0, bottom = 0; // normal rectangle, right/bottom exclusive
};

constexpr int kDefaultDesignViewWidth = 300;
constexpr int kDefaultNetViewHeight = 200;
// Shares the panes start with when no layout was saved: the design view's of
// the window's width, the net view's of the right column's height.
constexpr double kFirstDesignViewShare = 0.6;
constexpr double kFirstNetViewShare = 0.5;

std::string FormatWindowPos(const WindowPlacement& wp);
// All ten fields must convert; anything less gives nullopt.
std::optional<WindowPlacement> ParseWindowPos(const std::string& text);
std::string FormatSplitSize(int designViewWidth, int netViewHeight);
// Two numbers or the defaults 300 and 200.
std::pair<int, int> ParseSplitSize(const std::string& text);

// The first pane's size in a splitter of `total` pixels: `saved` kept within
// the total when there is one (>= 0), else `share` of the total.
int FirstPaneSize(int total, int saved, double share);

// Smallest size a shown pane keeps while its splitter is wider (or taller)
// than three of them.
constexpr int kMinimumPaneSize = 160;

// The first pane's size after its splitter changed size: both panes keep
// their shares of `newTotal` (first / (first + second)). While newTotal is at
// least 3 * kMinimumPaneSize, no pane shrinks below kMinimumPaneSize, or below
// its own size when the user left it smaller (a collapsed one stays collapsed).
int ProportionalFirstPane(int first, int second, int newTotal);

// True when the profile holds a "SplitWindowSize" entry (a layout was saved).
bool HasSavedSplitSize(const CProfile& profile);

// Reads both entries: returns the placement when "WindowPos" is complete and
// stores the pane sizes (or their defaults) in lastDesignViewWidth and
// lastNetViewHeight.
std::optional<WindowPlacement> LoadWindowSettings(const CProfile& profile);
// Writes "WindowPos" from wp and "SplitWindowSize" from the two globals.
void SaveWindowSettings(CProfile& profile, const WindowPlacement& wp);

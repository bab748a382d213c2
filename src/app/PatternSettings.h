#pragma once
// The crease pattern options as the profile keeps them, in [CreasePattern]:
// Side (front, back, both, split), Dash (the dash length in millimetres, 0
// for solid lines), Gap, Margin (millimetres) and Bends (0 or 1).

#include "export/PatternOptions.h"

class CProfile;

// The last options saved; any key absent or unreadable (a side of no known
// name, lengths ValidDashLengths refuses) gives the default for that key,
// or for all three lengths together.
CPatternOptions LoadPatternOptions(const CProfile& profile);
// Writes every key; false when the profile cannot be written.
bool SavePatternOptions(CProfile& profile, const CPatternOptions& options);

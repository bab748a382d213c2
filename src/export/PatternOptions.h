#pragma once
// How a crease pattern is put on paper: which side of the sheet each page or
// layer shows, creases as dashes for scoring, bends as faint guides. Every
// drawing of the pattern (SVG, DXF, PDF, print) follows them; FOLD does not.

#include <string>

// Front: as the pattern reads from the front. Back: mirrored left to right
// with mountain and valley swapped, for scoring from behind. Both: front and
// back, each with every crease. Split: the valleys on the front, the
// mountains on the back (where they are valleys).
enum class PatternSide { kFront, kBack, kBoth, kSplit };

struct CPatternOptions {
    static constexpr double kDefaultDash = 3.0; // millimetres
    static constexpr double kDefaultGap = 1.5;
    static constexpr double kDefaultMargin = 1.0;

    PatternSide side = PatternSide::kFront;
    bool dashed = false;
    double dash = kDefaultDash;     // length of a dash
    double gap = kDefaultGap;       // between dashes
    double margin = kDefaultMargin; // dashes stop this short of a crease's ends and the edge
    bool bends = false;             // bends drawn as guides on a layer of their own

    // Whether a side puts anything on the front, on the back.
    bool HasFront() const { return side != PatternSide::kBack; }
    bool HasBack() const { return side != PatternSide::kFront; }
};

// "front", "back", "both" or "split".
const char* PatternSideName(PatternSide side);
// The side a name gives, in either case; false (out untouched) for any other text.
bool ParsePatternSide(const std::string& name, PatternSide& out);

// Dash lengths a drawing accepts: a dash and a gap each from 0.01 to 1000 mm,
// a margin from 0 to 1000 mm, all finite.
bool ValidDashLengths(double dash, double gap, double margin);

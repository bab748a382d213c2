#pragma once
// What every drawing of a crease pattern shows, in page millimetres: the
// strokes of each side of the sheet on named layers, as the options ask.
// The SVG, DXF, PDF and print writers only put these strokes on their page.

#include "export/PatternDashes.h"
#include "export/PatternOptions.h"
#include "paper/CreasePattern.h"

#include <cstdint>
#include <string>
#include <vector>

struct CDrawnLayer {
    const char* name;    // "cut", "mountain", "valley", "bend"; "back-..." on the back
    const char* dxfName; // "CUT", ..., "BACK_CUT", ...
    CreaseKind kind;     // as its strokes read on their side: its colour
    bool back = false;   // drawn on the back of the sheet, mirrored
};

struct CDrawnStroke {
    uint32_t begin = 0; // range into points, at least two
    uint32_t end = 0;
    uint32_t layer = 0;
    double opacity = 1.0; // |angle| / 180 as StrokeRuns gives it; 1 for the outline
    bool closed = false;  // the last point joins the first (the outline)
};

struct CPatternDrawing {
    double width = 0.0; // the paper's extent, millimetres
    double height = 0.0;
    double strokeWidth = 0.0;
    std::vector<CDrawnPoint> points;
    std::vector<CDrawnLayer> layers; // per side: cut, mountain, valley, then bend when asked
    // The front's strokes in the order of the pattern's chains, then the back's.
    std::vector<CDrawnStroke> strokes;

    bool HasFront() const;
    bool HasBack() const;
};

// Draws `pattern` as `options` ask. The front has x = u - lo.u, y = hi.v - v;
// the back is its mirror image, x = width - (u - lo.u), with mountain and
// valley swapped. Front: every crease on the front layers. Back: every crease
// on the back layers. Both: every crease on each. Split: the valleys on the
// front, the mountains on the back (as the valleys they are there). The
// outline is on each side's cut layer and never dashed; visible bends go on
// the bend layer when asked, solid and faint. Dashed creases are cut into
// DashSpans between each chain's ends and the vertices where other lines
// meet it, and kept the margin away from the paper's outline (any shape).
// Clears `out` first.
void BuildPatternDrawing(const CCreasePattern& pattern, const CPatternOptions& options,
                         CPatternDrawing& out);

// Whether the back of a page this wide and high is drawn upside down to line
// up with its front: a long-edge flip turns a landscape page's back over
// top to bottom, a portrait page's left to right.
inline bool BackTurnedOnPage(double pageWidth, double pageHeight)
{
    return pageWidth > pageHeight;
}

// The side a page or a layer shows, for labels: "Front" or "Back".
const char* SideLabel(bool back);

#pragma once
// The pages of a print of both sides of the sheet: each front page followed
// by its back, placed so that the two line up when the sheet is printed on
// both sides and turned over its long edge.

#include "export/PrintTiles.h"

#include <vector>

struct CPrintPage {
    int column = 0; // the tile of the paper the page shows (or backs), from 0
    int row = 0;
    bool back = false; // shows the back's drawing (x = paper width - the front's x)
    // Where a point (x, y) of the side's drawing lands on the page, in
    // millimetres from the printable area's top-left: (sx x + tx, sy y + ty).
    double sx = 1.0, tx = 0.0;
    double sy = 1.0, ty = 0.0;

    double PageX(double x) const { return sx * x + tx; }
    double PageY(double y) const { return sy * y + ty; }
};

// The pages for `tiles` of a pattern `paperWidth` mm wide, tile by
// tile in rows: the front's page when `front`, then the back's when `back`.
// With both, a back page shows what lies behind its front page, assuming the
// printable area sits in the middle of the sheet: the tiles' columns
// mirrored, and on a landscape page turned upside down too (a long-edge flip
// turns such a page over top to bottom). A back alone is tiled as a front.
// Clears `out` first; nothing when the tiling has no pages.
void PlanPrintPages(const CPrintTiling& tiles, double paperWidth, bool front, bool back,
                    std::vector<CPrintPage>& out);

// Where a label `labelWidth` x `labelHeight` mm fits on `page` beside the
// paper's drawing without touching it: below, above, right or left of it
// within the printable area, the first that has room. False when none has
// (the pattern fills the page); `x`, `y` (its top-left) are then untouched.
bool SideLabelPlace(const CPrintPage& page, const CPageArea& printable, double paperWidth,
                    double paperHeight, double labelWidth, double labelHeight, double& x,
                    double& y);

#pragma once
// Printing a crease pattern at 1:1 on a printer's pages: how many pages, in
// which orientation, and which part of the paper each page shows. The pages
// overlap so that the pieces can be trimmed and glued edge to edge.

// Millimetres each page repeats of its neighbour, right and below.
constexpr double kTileOverlapMm = 10.0;

struct CPageArea {
    double width = 0.0; // the printable area in millimetres
    double height = 0.0;
};

struct CPrintTiling {
    int columns = 0; // 0 when the pages cannot take the pattern at all
    int rows = 0;
    bool landscape = false;
    CPageArea printable; // in the chosen orientation

    int PageCount() const { return columns * rows; }
    // More than one page: crop marks and labels are printed.
    bool Tiled() const { return PageCount() > 1; }
    // The paper point (millimetres from the paper's top-left corner) at the
    // top-left of the printable area of the page in `column`, `row` (from 0).
    double PageLeft(int column) const;
    double PageTop(int row) const;
    // The part of the paper that page owns, up to where the next page's
    // overlap begins; the rest of the page is the glue margin. Clipped to the
    // paper's width or height.
    double OwnRight(int column, double paperWidth) const;
    double OwnBottom(int row, double paperHeight) const;
};

// Pages for a `paperWidth` x `paperHeight` mm pattern. Per axis the count is
// ceil((paper - overlap) / (printable - overlap)), at least 1; a pattern
// that fits the printable area takes one page. Of the two orientations
// (`portrait` and `landscape` printable areas, as the printer reports them)
// the one that needs fewer pages wins, portrait on a tie. A printable side
// no longer than the overlap cannot tile: that orientation is out, and with
// both out the result has no pages.
CPrintTiling PlanPrintTiles(double paperWidth, double paperHeight, const CPageArea& portrait,
                            const CPageArea& landscape);

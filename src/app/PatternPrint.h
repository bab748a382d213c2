#pragma once
// Printing the crease pattern at 1:1 through Qt's printer: the tiling and the
// pages of each side come from the core (PlanPrintTiles, PlanPrintPages), the
// drawing is QPainter's.

#include <string>

class QPrinter;
struct CCreasePattern;
struct CPatternOptions;

// Prints `pattern` as `options` ask (side, dashes, bends) on `printer` (set
// up by the print dialog) in millimetres at full size, on as many pages per
// side as PlanPrintTiles gives for the printer's page and the orientation
// that needs fewer; the printer is turned to that orientation. With the
// front and the back, each front page is followed by its back, lined up for
// a long-edge duplex print. A tiled print has crop marks at the corners of
// each front page's own part of the paper and a "row/column" label; a
// one-page side has neither. When the print is not the front alone, each
// page says which side it is: in the tile label, or on a one-page side in
// the margin beside the drawing where there is room. False with `error` set
// when the pages are too small to tile or the printer cannot be painted on.
bool PrintCreasePattern(QPrinter& printer, const CCreasePattern& pattern,
                        const CPatternOptions& options, std::string& error);

#pragma once
// Printing the crease pattern at 1:1 through Qt's printer: the tiling comes
// from the core (PlanPrintTiles), the drawing is QPainter's.

#include <string>

class QPrinter;
struct CCreasePattern;

// Prints `pattern` on `printer` (set up by the print dialog) in millimetres
// at full size, on as many pages as PlanPrintTiles gives for the printer's
// page and the orientation that needs fewer; the printer is turned to that
// orientation. A tiled print has crop marks at the corners of each page's own
// part of the paper and a "row/column" label; a one-page print has neither.
// False with `error` set when the pages are too small to tile or the
// printer cannot be painted on.
bool PrintCreasePattern(QPrinter& printer, const CCreasePattern& pattern, std::string& error);

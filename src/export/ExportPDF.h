#pragma once
// A crease pattern as a one-page PDF at 1:1: the page is exactly the paper's
// size (in fractional points), the lines are vectors in the SVG's colours
// and opacities.

#include <string>

struct CCreasePattern;
struct CPatternDrawing;

// The PDF file's bytes in `out`; false (out unspecified) when the pattern
// has no extent or the PDF surface fails.
bool PdfDocument(const CCreasePattern& pattern, std::string& out);
// The same for a drawing made with any options: a page for the front when it
// has one, then a page for the back, lined up with the front's for a
// long-edge duplex print (a landscape page's back turned upside down).
bool PdfDocument(const CPatternDrawing& drawing, std::string& out);

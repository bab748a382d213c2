#pragma once
// Creases as dashes for scoring: the paper keeps whole bridges between the
// cuts, and no dash reaches a crease's end or the paper's edge, where a
// scored sheet would tear.

#include <cstddef>
#include <vector>

struct CDrawnPoint {
    double x = 0.0; // millimetres from the paper's left edge as the page shows it
    double y = 0.0; // and from its top edge, downwards
};

// A stretch of a polyline by arc length from its first point.
struct CArcSpan {
    double from = 0.0;
    double to = 0.0;
};

// The dashes of a line `length` long: the first starts `margin` in, each is
// `dash` long and followed by `gap`, and the last is cut short where the line
// ends `margin` before its end. Pieces shorter than a micrometre are left
// out. Clears `out` first; nothing for a line no longer than 2 * margin.
void DashSpans(double length, double dash, double gap, double margin, std::vector<CArcSpan>& out);

struct CDrawnSegment {
    CDrawnPoint a;
    CDrawnPoint b;
};

// The stretches of the polyline `points[0, count)` that stay at least
// `margin` from every segment of `edges` (the paper's outline), in order.
// Linear in the polyline's segments times the edges near them. Clears `out`
// first.
void SpansAwayFromEdges(const CDrawnPoint* points, std::size_t count,
                        const std::vector<CDrawnSegment>& edges, double margin,
                        std::vector<CArcSpan>& out);

// The stretches that lie in both sorted, disjoint lists, in order.
void IntersectSpans(const std::vector<CArcSpan>& a, const std::vector<CArcSpan>& b,
                    std::vector<CArcSpan>& out);

// Appends to `out` the part of the polyline between arc lengths `span.from`
// and `span.to`: its end points and every vertex between them.
void AppendPolylinePart(const CDrawnPoint* points, std::size_t count, const CArcSpan& span,
                        std::vector<CDrawnPoint>& out);

// The polyline's length.
double PolylineLength(const CDrawnPoint* points, std::size_t count);

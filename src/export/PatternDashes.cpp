#include "export/PatternDashes.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kShortestPiece = 1e-3; // millimetres

double Distance(const CDrawnPoint& a, const CDrawnPoint& b)
{
    return std::hypot(b.x - a.x, b.y - a.y);
}

CDrawnPoint Between(const CDrawnPoint& a, const CDrawnPoint& b, double t)
{
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

// Liang-Barsky: the parameters [t0, t1] of segment a-b inside the box; false
// when none of it is.
bool ClipSegment(const CDrawnPoint& a, const CDrawnPoint& b, double x0, double y0, double x1,
                 double y1, double& t0, double& t1)
{
    t0 = 0.0;
    t1 = 1.0;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - x0, x1 - a.x, a.y - y0, y1 - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
    }
    return t0 <= t1;
}

} // namespace

double PolylineLength(const CDrawnPoint* points, size_t count)
{
    double length = 0.0;
    for (size_t i = 1; i < count; ++i)
        length += Distance(points[i - 1], points[i]);
    return length;
}

void DashSpans(double length, double dash, double gap, double margin, std::vector<CArcSpan>& out)
{
    out.clear();
    const double end = length - margin;
    if (!(dash > 0.0) || !(gap > 0.0) || !(end - margin > 0.0))
        return;
    for (double at = margin; at < end; at += dash + gap) {
        const double to = std::min(at + dash, end);
        if (to - at >= kShortestPiece)
            out.push_back({at, to});
    }
}

void SpansInBox(const CDrawnPoint* points, size_t count, double x0, double y0, double x1, double y1,
                std::vector<CArcSpan>& out)
{
    out.clear();
    double along = 0.0;
    for (size_t i = 1; i < count; ++i) {
        const double len = Distance(points[i - 1], points[i]);
        double t0 = 0.0, t1 = 0.0;
        if (ClipSegment(points[i - 1], points[i], x0, y0, x1, y1, t0, t1)) {
            const CArcSpan s{along + t0 * len, along + t1 * len};
            if (!out.empty() && s.from <= out.back().to + 1e-12)
                out.back().to = std::max(out.back().to, s.to);
            else
                out.push_back(s);
        }
        along += len;
    }
}

void IntersectSpans(const std::vector<CArcSpan>& a, const std::vector<CArcSpan>& b,
                    std::vector<CArcSpan>& out)
{
    out.clear();
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const double from = std::max(a[i].from, b[j].from);
        const double to = std::min(a[i].to, b[j].to);
        if (to - from >= kShortestPiece)
            out.push_back({from, to});
        (a[i].to < b[j].to ? i : j)++;
    }
}

void AppendPolylinePart(const CDrawnPoint* points, size_t count, const CArcSpan& span,
                        std::vector<CDrawnPoint>& out)
{
    double along = 0.0;
    bool started = false;
    for (size_t i = 1; i < count; ++i) {
        const double len = Distance(points[i - 1], points[i]);
        const double next = along + len;
        if (!started && span.from <= next) {
            out.push_back(
                Between(points[i - 1], points[i], len > 0.0 ? (span.from - along) / len : 0.0));
            started = true;
        }
        if (started) {
            if (span.to <= next) {
                out.push_back(
                    Between(points[i - 1], points[i], len > 0.0 ? (span.to - along) / len : 1.0));
                return;
            }
            out.push_back(points[i]);
        }
        along = next;
    }
}

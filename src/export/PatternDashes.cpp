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

// The parameters t in [0, 1] where a + t (b - a) lies within `r` of segment
// p-q: one interval, as the points within r of a segment form a convex set
// (a rectangle with a half-disk at each end). False when there are none.
bool NearSegment(const CDrawnPoint& a, const CDrawnPoint& b, const CDrawnPoint& p,
                 const CDrawnPoint& q, double r, double& t0, double& t1)
{
    t0 = 2.0;
    t1 = -1.0;
    const auto take = [&](double lo, double hi) {
        if (lo > hi)
            return;
        t0 = std::min(t0, lo);
        t1 = std::max(t1, hi);
    };
    const double dx = b.x - a.x, dy = b.y - a.y;
    // The half-disks: where |a + t d - c| < r.
    for (const CDrawnPoint& c : {p, q}) {
        const double fx = a.x - c.x, fy = a.y - c.y;
        const double qa = dx * dx + dy * dy, qb = 2.0 * (fx * dx + fy * dy);
        const double qc = fx * fx + fy * fy - r * r;
        if (qa == 0.0) {
            if (qc < 0.0)
                take(0.0, 1.0);
            continue;
        }
        const double disc = qb * qb - 4.0 * qa * qc;
        if (disc > 0.0)
            take((-qb - std::sqrt(disc)) / (2.0 * qa), (-qb + std::sqrt(disc)) / (2.0 * qa));
    }
    // The rectangle, in the edge's own frame: along it from 0 to its length,
    // across it from -r to r.
    const double ex = q.x - p.x, ey = q.y - p.y, len = std::hypot(ex, ey);
    if (len > 0.0) {
        const double ux = ex / len, uy = ey / len;
        double lo = 0.0, hi = 1.0;
        const auto slab = [&](double start, double rate, double min, double max) {
            if (rate == 0.0) {
                if (start < min || start > max)
                    lo = 2.0;
                return;
            }
            double s0 = (min - start) / rate, s1 = (max - start) / rate;
            if (s0 > s1)
                std::swap(s0, s1);
            lo = std::max(lo, s0);
            hi = std::min(hi, s1);
        };
        const double ax = a.x - p.x, ay = a.y - p.y;
        slab(ax * ux + ay * uy, dx * ux + dy * uy, 0.0, len);
        slab(-ax * uy + ay * ux, -dx * uy + dy * ux, -r, r);
        take(lo, hi);
    }
    t0 = std::max(t0, 0.0);
    t1 = std::min(t1, 1.0);
    return t0 < t1;
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

void SpansAwayFromEdges(const CDrawnPoint* points, size_t count,
                        const std::vector<CDrawnSegment>& edges, double margin,
                        std::vector<CArcSpan>& out)
{
    out.clear();
    std::vector<CArcSpan> near;
    double along = 0.0;
    for (size_t i = 1; i < count; ++i) {
        const CDrawnPoint& a = points[i - 1];
        const CDrawnPoint& b = points[i];
        const double len = Distance(a, b);
        const double x0 = std::min(a.x, b.x) - margin, x1 = std::max(a.x, b.x) + margin;
        const double y0 = std::min(a.y, b.y) - margin, y1 = std::max(a.y, b.y) + margin;
        for (const CDrawnSegment& e : edges) {
            if (std::max(e.a.x, e.b.x) < x0 || std::min(e.a.x, e.b.x) > x1 ||
                std::max(e.a.y, e.b.y) < y0 || std::min(e.a.y, e.b.y) > y1)
                continue;
            double t0 = 0.0, t1 = 0.0;
            if (margin > 0.0 && NearSegment(a, b, e.a, e.b, margin, t0, t1))
                near.push_back({along + t0 * len, along + t1 * len});
        }
        along += len;
    }
    std::sort(near.begin(), near.end(),
              [](const CArcSpan& l, const CArcSpan& r) { return l.from < r.from; });
    double from = 0.0;
    for (const CArcSpan& s : near) {
        if (s.from > from)
            out.push_back({from, s.from});
        from = std::max(from, s.to);
    }
    if (along > from)
        out.push_back({from, along});
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

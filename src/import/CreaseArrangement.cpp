#include "import/CreaseArrangement.h"

#include "model/CellTable.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <unordered_map>

namespace {

double Cross(double ax, double ay, double bx, double by)
{
    return ax * by - ay * bx;
}

int Rank(char assignment)
{
    switch (assignment) {
    case 'B':
        return 5;
    case 'C':
        return 4;
    case 'M':
    case 'V':
        return 3;
    case 'U':
        return 2;
    default:
        return 1;
    }
}

// Points within `snap` of each other become one vertex; the first one met
// keeps its position.
class VertexSnapper {
public:
    VertexSnapper(double snap, std::vector<CPaperPoint>& vertices)
        : snap_(snap), vertices_(vertices)
    {
        cells_.SetCellSize(snap);
        cells_.Reset(1024);
    }

    uint32_t Add(const CPaperPoint& p)
    {
        const int64_t cx = cells_.Coord(p.u), cy = cells_.Coord(p.v);
        uint32_t best = kNone;
        double bestDist = snap_;
        for (int64_t dx = -1; dx <= 1; ++dx)
            for (int64_t dy = -1; dy <= 1; ++dy)
                for (int32_t v = cells_.Find({cx + dx, cy + dy, 0}); v != CCellTable::kNone;
                     v = next_[static_cast<size_t>(v)]) {
                    const CPaperPoint& q = vertices_[static_cast<size_t>(v)];
                    const double d = std::hypot(q.u - p.u, q.v - p.v);
                    if (d <= bestDist) {
                        bestDist = d;
                        best = static_cast<uint32_t>(v);
                    }
                }
        if (best != kNone)
            return best;
        const uint32_t id = static_cast<uint32_t>(vertices_.size());
        vertices_.push_back(p);
        int32_t& head = cells_.Slot({cx, cy, 0});
        next_.push_back(head);
        head = static_cast<int32_t>(id);
        return id;
    }

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    double snap_;
    std::vector<CPaperPoint>& vertices_;
    CCellTable cells_;
    std::vector<int32_t> next_;
};

struct Split {
    double t;
    CPaperPoint at;
};

// Pairs of lines a drawing may bring near each other before it is refused:
// far more than any crease pattern's crossings, far fewer than an hour's work.
constexpr size_t kMaxNearbyPairs = 200'000'000;

// Every pair of lines that come within `snap` of each other, through a grid
// whose cells each line is filed in along its length. False, having stopped,
// when there are more than kMaxNearbyPairs.
template <class Visit>
bool ForNearbyPairs(const std::vector<CCreaseLine>& lines, double snap, Visit&& visit)
{
    double lu = 1e300, lv = 1e300, hu = -1e300, hv = -1e300, total = 0.0;
    for (const CCreaseLine& l : lines) {
        lu = std::min({lu, l.a.u, l.b.u});
        lv = std::min({lv, l.a.v, l.b.v});
        hu = std::max({hu, l.a.u, l.b.u});
        hv = std::max({hv, l.a.v, l.b.v});
        total += std::hypot(l.b.u - l.a.u, l.b.v - l.a.v);
    }
    // Cells about as long as an average line, so a line sits in a few.
    const double cell = std::max(
        {total / static_cast<double>(lines.size()), 4.0 * snap, 1e-9 * std::max(hu - lu, hv - lv)});
    CCellTable table;
    table.SetCellSize(cell);
    table.Reset(4 * lines.size());
    struct Filed {
        uint32_t line;
        int32_t next;
    };
    std::vector<Filed> filed;
    std::vector<CellKey> cellsOf;
    std::vector<uint32_t> cellStart{0};
    for (uint32_t i = 0; i < lines.size(); ++i) {
        const CCreaseLine& l = lines[i];
        const double len = std::hypot(l.b.u - l.a.u, l.b.v - l.a.v);
        const size_t steps = static_cast<size_t>(std::ceil(2.0 * len / cell)) + 1;
        const size_t first = cellsOf.size();
        const double reach = 0.5 * cell + snap;
        for (size_t s = 0; s <= steps; ++s) {
            const double t = static_cast<double>(s) / static_cast<double>(steps);
            const double u = l.a.u + t * (l.b.u - l.a.u), v = l.a.v + t * (l.b.v - l.a.v);
            for (int64_t x = table.Coord(u - reach); x <= table.Coord(u + reach); ++x)
                for (int64_t y = table.Coord(v - reach); y <= table.Coord(v + reach); ++y) {
                    const CellKey key{x, y, 0};
                    if (std::find(cellsOf.begin() + static_cast<ptrdiff_t>(first), cellsOf.end(),
                                  key) != cellsOf.end())
                        continue;
                    cellsOf.push_back(key);
                    int32_t& head = table.Slot(key);
                    filed.push_back({i, head});
                    head = static_cast<int32_t>(filed.size() - 1);
                }
        }
        cellStart.push_back(static_cast<uint32_t>(cellsOf.size()));
    }
    std::vector<uint32_t> seenBy(lines.size(), UINT32_MAX);
    size_t pairs = 0;
    for (uint32_t i = 0; i < lines.size(); ++i)
        for (uint32_t c = cellStart[i]; c < cellStart[i + 1]; ++c)
            for (int32_t f = table.Find(cellsOf[c]); f >= 0;
                 f = filed[static_cast<size_t>(f)].next) {
                const uint32_t j = filed[static_cast<size_t>(f)].line;
                if (j > i && seenBy[j] != i) {
                    seenBy[j] = i;
                    if (++pairs > kMaxNearbyPairs)
                        return false;
                    visit(i, j);
                }
            }
    return true;
}

// Where line j meets line i: a crossing, or an end of one on the other.
void Meet(const CCreaseLine& li, const CCreaseLine& lj, double snap, std::vector<Split>& si,
          std::vector<Split>& sj)
{
    const double dxi = li.b.u - li.a.u, dyi = li.b.v - li.a.v;
    const double dxj = lj.b.u - lj.a.u, dyj = lj.b.v - lj.a.v;
    const double den = Cross(dxi, dyi, dxj, dyj);
    const double lenI = std::hypot(dxi, dyi), lenJ = std::hypot(dxj, dyj);
    if (std::fabs(den) > 1e-12 * lenI * lenJ) {
        const double ex = lj.a.u - li.a.u, ey = lj.a.v - li.a.v;
        const double t = Cross(ex, ey, dxj, dyj) / den, s = Cross(ex, ey, dxi, dyi) / den;
        if (t >= 0.0 && t <= 1.0 && s >= 0.0 && s <= 1.0) {
            const CPaperPoint p{li.a.u + t * dxi, li.a.v + t * dyi};
            si.push_back({t, p});
            sj.push_back({s, p});
        }
    }
    const auto endOn = [snap](const CPaperPoint& e, const CCreaseLine& l, double len,
                              std::vector<Split>& splits) {
        const double dx = l.b.u - l.a.u, dy = l.b.v - l.a.v;
        const double t =
            std::clamp(((e.u - l.a.u) * dx + (e.v - l.a.v) * dy) / (len * len), 0.0, 1.0);
        if (std::hypot(l.a.u + t * dx - e.u, l.a.v + t * dy - e.v) <= snap)
            splits.push_back({t, e});
    };
    endOn(lj.a, li, lenI, si);
    endOn(lj.b, li, lenI, si);
    endOn(li.a, lj, lenJ, sj);
    endOn(li.b, lj, lenJ, sj);
}

uint64_t EdgeKey(uint32_t a, uint32_t b)
{
    return a < b ? (uint64_t{a} << 32) | b : (uint64_t{b} << 32) | a;
}

double SignedArea(const std::vector<uint32_t>& cycle, const std::vector<CPaperPoint>& p)
{
    double area = 0.0;
    for (size_t k = 0; k < cycle.size(); ++k) {
        const CPaperPoint& a = p[cycle[k]];
        const CPaperPoint& b = p[cycle[(k + 1) % cycle.size()]];
        area += Cross(a.u, a.v, b.u, b.v);
    }
    return 0.5 * area;
}

bool Inside(const CPaperPoint& q, const std::vector<uint32_t>& cycle,
            const std::vector<CPaperPoint>& p)
{
    bool in = false;
    for (size_t k = 0, m = cycle.size() - 1; k < cycle.size(); m = k++) {
        const CPaperPoint &a = p[cycle[k]], &b = p[cycle[m]];
        if ((a.v > q.v) != (b.v > q.v) && q.u < (b.u - a.u) * (q.v - a.v) / (b.v - a.v) + a.u)
            in = !in;
    }
    return in;
}

} // namespace

bool ArrangeCreases(const std::vector<CCreaseLine>& input, double snap, CCreaseGraph& out,
                    std::string& why)
{
    out = {};
    std::vector<CCreaseLine> lines;
    for (const CCreaseLine& l : input)
        if (std::hypot(l.b.u - l.a.u, l.b.v - l.a.v) > snap)
            lines.push_back(l);
    if (lines.empty()) {
        why = "no crease lines: no stroke in a crease colour";
        return false;
    }

    // Lines split where others cross or touch them, then cut into edges.
    std::vector<std::vector<Split>> splits(lines.size());
    if (!ForNearbyPairs(lines, snap, [&](uint32_t i, uint32_t j) {
            Meet(lines[i], lines[j], snap, splits[i], splits[j]);
        })) {
        why = "too many lines cross or lie close to each other";
        return false;
    }
    std::vector<CPaperPoint> points;
    VertexSnapper snapper(snap, points);
    std::unordered_map<uint64_t, size_t> edgeAt;
    std::vector<CCreaseEdge> edges;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::vector<Split>& s = splits[i];
        s.push_back({0.0, lines[i].a});
        s.push_back({1.0, lines[i].b});
        std::sort(s.begin(), s.end(), [](const Split& x, const Split& y) { return x.t < y.t; });
        uint32_t prev = snapper.Add(s[0].at);
        for (size_t k = 1; k < s.size(); ++k) {
            const uint32_t v = snapper.Add(s[k].at);
            if (v == prev)
                continue;
            const CCreaseEdge e{prev, v, lines[i].assignment, lines[i].angle};
            const auto [it, isNew] = edgeAt.emplace(EdgeKey(prev, v), edges.size());
            if (isNew)
                edges.push_back(e);
            else if (Rank(e.assignment) > Rank(edges[it->second].assignment))
                edges[it->second] = e;
            prev = v;
        }
    }

    // Loose ends close nothing: peel them off until every vertex has two edges.
    std::vector<std::vector<uint32_t>> around(points.size());
    for (uint32_t e = 0; e < edges.size(); ++e) {
        around[edges[e].a].push_back(e);
        around[edges[e].b].push_back(e);
    }
    std::vector<char> gone(edges.size(), 0);
    std::vector<uint32_t> degree(points.size());
    std::vector<uint32_t> loose;
    for (uint32_t v = 0; v < points.size(); ++v)
        if ((degree[v] = static_cast<uint32_t>(around[v].size())) == 1)
            loose.push_back(v);
    while (!loose.empty()) {
        const uint32_t v = loose.back();
        loose.pop_back();
        for (const uint32_t e : around[v]) {
            if (gone[e])
                continue;
            gone[e] = 1;
            ++out.droppedLines;
            const uint32_t w = edges[e].a == v ? edges[e].b : edges[e].a;
            --degree[v];
            if (--degree[w] == 1)
                loose.push_back(w);
        }
    }

    // Half-edges 2e (a to b) and 2e + 1 (b to a); each vertex's outgoing ones
    // sorted counter-clockwise. The face left of a half-edge continues with
    // the outgoing half-edge just clockwise of its twin.
    std::vector<std::vector<uint32_t>> outgoing(points.size());
    for (uint32_t e = 0; e < edges.size(); ++e)
        if (!gone[e]) {
            outgoing[edges[e].a].push_back(2 * e);
            outgoing[edges[e].b].push_back(2 * e + 1);
        }
    const auto from = [&](uint32_t h) { return h & 1 ? edges[h / 2].b : edges[h / 2].a; };
    const auto to = [&](uint32_t h) { return h & 1 ? edges[h / 2].a : edges[h / 2].b; };
    std::vector<uint32_t> slot(2 * edges.size(), 0);
    for (uint32_t v = 0; v < points.size(); ++v) {
        std::vector<uint32_t>& hs = outgoing[v];
        std::vector<std::pair<double, uint32_t>> byAngle;
        for (const uint32_t h : hs) {
            const CPaperPoint &p = points[v], &q = points[to(h)];
            byAngle.push_back({std::atan2(q.v - p.v, q.u - p.u), h});
        }
        std::sort(byAngle.begin(), byAngle.end());
        for (size_t k = 0; k < byAngle.size(); ++k) {
            hs[k] = byAngle[k].second;
            slot[hs[k]] = static_cast<uint32_t>(k);
        }
    }
    const auto next = [&](uint32_t h) {
        const uint32_t twin = h ^ 1u;
        const std::vector<uint32_t>& hs = outgoing[from(twin)];
        const uint32_t k = slot[twin];
        return hs[(k + static_cast<uint32_t>(hs.size()) - 1) % static_cast<uint32_t>(hs.size())];
    };
    std::vector<char> walked(2 * edges.size(), 0);
    std::vector<std::vector<uint32_t>> outers;
    for (uint32_t h0 = 0; h0 < 2 * edges.size(); ++h0) {
        if (gone[h0 / 2] || walked[h0])
            continue;
        std::vector<uint32_t> cycle;
        for (uint32_t h = h0; !walked[h]; h = next(h)) {
            walked[h] = 1;
            cycle.push_back(from(h));
        }
        if (SignedArea(cycle, points) > 0.0)
            out.faces.push_back(std::move(cycle));
        else
            outers.push_back(std::move(cycle));
    }
    if (out.faces.empty()) {
        why = "the lines close no face";
        return false;
    }
    // A piece drawn inside a face of another would leave a hole in that face.
    std::vector<std::array<double, 4>> boxes; // lu, lv, hu, hv of each face
    if (outers.size() > 1)
        for (const std::vector<uint32_t>& face : out.faces) {
            std::array<double, 4> b{1e300, 1e300, -1e300, -1e300};
            for (const uint32_t v : face)
                b = {std::min(b[0], points[v].u), std::min(b[1], points[v].v),
                     std::max(b[2], points[v].u), std::max(b[3], points[v].v)};
            boxes.push_back(b);
        }
    for (size_t o = 0; o < outers.size() && outers.size() > 1; ++o)
        for (size_t f = 0; f < out.faces.size(); ++f) {
            const CPaperPoint& q = points[outers[o][0]];
            const std::vector<uint32_t>& face = out.faces[f];
            if (q.u > boxes[f][0] && q.u < boxes[f][2] && q.v > boxes[f][1] && q.v < boxes[f][3] &&
                std::find(face.begin(), face.end(), outers[o][0]) == face.end() &&
                Inside(q, face, points)) {
                why = "a closed outline lies inside a face: holes are not read";
                return false;
            }
        }

    // Only what the faces use, renumbered in the order first met.
    std::vector<uint32_t> renumber(points.size(), UINT32_MAX);
    for (std::vector<uint32_t>& face : out.faces)
        for (uint32_t& v : face) {
            if (renumber[v] == UINT32_MAX) {
                renumber[v] = static_cast<uint32_t>(out.vertices.size());
                out.vertices.push_back(points[v]);
            }
            v = renumber[v];
        }
    for (uint32_t e = 0; e < edges.size(); ++e)
        if (!gone[e])
            out.edges.push_back(
                {renumber[edges[e].a], renumber[edges[e].b], edges[e].assignment, edges[e].angle});
    return true;
}

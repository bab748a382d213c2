#include "checks/PaperOverlap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

struct Box {
    double lo[2], hi[2];
};

Box BoxOf(const CPaperPoint* p)
{
    Box b{{p[0].u, p[0].v}, {p[0].u, p[0].v}};
    for (int j = 1; j < 3; ++j) {
        b.lo[0] = std::min(b.lo[0], p[j].u);
        b.lo[1] = std::min(b.lo[1], p[j].v);
        b.hi[0] = std::max(b.hi[0], p[j].u);
        b.hi[1] = std::max(b.hi[1], p[j].v);
    }
    return b;
}

double TwiceArea(const CPaperPoint* p)
{
    return (p[1].u - p[0].u) * (p[2].v - p[0].v) - (p[1].v - p[0].v) * (p[2].u - p[0].u);
}

// True when the edge normal of edge (p[j], p[j+1]) separates the triangles,
// touching within `slack` included.
bool Separates(const CPaperPoint* p, int j, const CPaperPoint* a, const CPaperPoint* b,
               double slack)
{
    const double nx = -(p[(j + 1) % 3].v - p[j].v);
    const double ny = p[(j + 1) % 3].u - p[j].u;
    const double len = std::hypot(nx, ny);
    if (!(len > 0.0))
        return false;
    double loA = 1e300, hiA = -1e300, loB = 1e300, hiB = -1e300;
    for (int k = 0; k < 3; ++k) {
        const double da = (a[k].u * nx + a[k].v * ny) / len;
        const double db = (b[k].u * nx + b[k].v * ny) / len;
        loA = std::min(loA, da), hiA = std::max(hiA, da);
        loB = std::min(loB, db), hiB = std::max(hiB, db);
    }
    return hiA <= loB + slack || hiB <= loA + slack;
}

int64_t Cell(double x, double origin, double size)
{
    return static_cast<int64_t>(std::clamp(std::floor((x - origin) / size), -1e15, 1e15));
}

} // namespace

bool PaperTrianglesOverlap(const CPaperPoint* a, const CPaperPoint* b)
{
    if (!(std::fabs(TwiceArea(a)) > 0.0) || !(std::fabs(TwiceArea(b)) > 0.0))
        return false;
    const Box x = BoxOf(a), y = BoxOf(b);
    const double extent = std::max(std::max(x.hi[0] - x.lo[0], x.hi[1] - x.lo[1]),
                                   std::max(y.hi[0] - y.lo[0], y.hi[1] - y.lo[1]));
    const double slack = 1e-7 * extent;
    // Two convex shapes overlap unless an edge normal of one separates them.
    for (int j = 0; j < 3; ++j)
        if (Separates(a, j, a, b, slack) || Separates(b, j, a, b, slack))
            return false;
    return true;
}

void FindPaperOverlaps(const std::vector<CPaperPoint>& corner, const std::vector<int32_t>& group,
                       std::vector<std::pair<uint32_t, uint32_t>>& pairs)
{
    pairs.clear();
    const size_t triangles = corner.size() / 3;
    // Boxes are worked out again where needed rather than kept: a million
    // triangles would hold 32 MB of them.
    auto boxOf = [&](size_t t) { return BoxOf(&corner[3 * t]); };
    auto sizeOf = [](const Box& b) { return std::max(b.hi[0] - b.lo[0], b.hi[1] - b.lo[1]); };
    auto counts = [](double size) { return std::isfinite(size) && size > 0.0; };
    double lo[2] = {1e300, 1e300}, sum = 0.0, largest = 0.0;
    size_t counted = 0;
    for (size_t t = 0; t < triangles; ++t) {
        const Box b = boxOf(t);
        const double size = sizeOf(b);
        if (counts(size)) {
            sum += size;
            largest = std::max(largest, size);
            ++counted;
            lo[0] = std::min(lo[0], b.lo[0]);
            lo[1] = std::min(lo[1], b.lo[1]);
        }
    }
    if (counted < 2)
        return;
    // Cells about one triangle wide: most triangles sit in a few of them, and
    // the largest in no more than 64 x 64.
    const double cell = std::max(sum / static_cast<double>(counted), largest / 64.0);
    struct Entry {
        int32_t group;
        int64_t x, y;
        uint32_t t;
        bool operator<(const Entry& o) const
        {
            return group != o.group ? group < o.group
                   : x != o.x       ? x < o.x
                   : y != o.y       ? y < o.y
                                    : t < o.t;
        }
    };
    // Columns of cells are taken in bands of about kBandEntries entries, so
    // the sorted list stays small whatever the size of the layout. A pair is
    // found in one cell only, so in one band.
    constexpr size_t kBandEntries = size_t(1) << 18;
    constexpr int64_t kSlots = 4096;
    int64_t xlo = INT64_MAX, xhi = INT64_MIN;
    size_t total = 0;
    for (size_t t = 0; t < triangles; ++t) {
        const Box b = boxOf(t);
        if (!counts(sizeOf(b)))
            continue;
        const int64_t x0 = Cell(b.lo[0], lo[0], cell), x1 = Cell(b.hi[0], lo[0], cell);
        xlo = std::min(xlo, x0);
        xhi = std::max(xhi, x1);
        total += static_cast<size_t>((x1 - x0 + 1) *
                                     (Cell(b.hi[1], lo[1], cell) - Cell(b.lo[1], lo[1], cell) + 1));
    }
    struct Band {
        int64_t first, last; // columns
        size_t entries;
    };
    std::vector<Band> bands;
    if (total <= kBandEntries) {
        bands.push_back({xlo, xhi, total});
    } else {
        // Entries per slot of columns, then slots gathered into bands.
        const int64_t span = xhi - xlo + 1;
        const int64_t perSlot = span / kSlots + 1;
        std::vector<size_t> inSlot(static_cast<size_t>(span / perSlot + 1), 0);
        for (size_t t = 0; t < triangles; ++t) {
            const Box b = boxOf(t);
            if (!counts(sizeOf(b)))
                continue;
            const int64_t rows = Cell(b.hi[1], lo[1], cell) - Cell(b.lo[1], lo[1], cell) + 1;
            const int64_t x0 = Cell(b.lo[0], lo[0], cell) - xlo,
                          x1 = Cell(b.hi[0], lo[0], cell) - xlo;
            for (int64_t slot = x0 / perSlot; slot <= x1 / perSlot; ++slot) {
                const int64_t from = std::max(x0, slot * perSlot);
                const int64_t to = std::min(x1, slot * perSlot + perSlot - 1);
                inSlot[static_cast<size_t>(slot)] += static_cast<size_t>((to - from + 1) * rows);
            }
        }
        size_t filled = 0;
        int64_t first = xlo;
        for (size_t slot = 0; slot < inSlot.size(); ++slot) {
            filled += inSlot[slot];
            const int64_t last = std::min(xhi, xlo + static_cast<int64_t>(slot + 1) * perSlot - 1);
            if (filled >= kBandEntries || slot + 1 == inSlot.size()) {
                bands.push_back({first, last, filled});
                first = last + 1;
                filled = 0;
            }
        }
    }
    std::vector<Entry> entries;
    for (const auto& [bandFirst, bandLast, bandEntries] : bands) {
        entries.clear();
        entries.reserve(bandEntries);
        for (size_t t = 0; t < triangles; ++t) {
            const Box b = boxOf(t);
            if (!counts(sizeOf(b)))
                continue;
            const int64_t x0 = std::max(bandFirst, Cell(b.lo[0], lo[0], cell));
            const int64_t x1 = std::min(bandLast, Cell(b.hi[0], lo[0], cell));
            const int32_t g = group.empty() ? 0 : group[t];
            for (int64_t x = x0; x <= x1; ++x)
                for (int64_t y = Cell(b.lo[1], lo[1], cell); y <= Cell(b.hi[1], lo[1], cell); ++y)
                    entries.push_back({g, x, y, static_cast<uint32_t>(t)});
        }
        std::sort(entries.begin(), entries.end());
        for (size_t i = 0; i < entries.size();) {
            size_t end = i + 1;
            while (end < entries.size() && entries[end].group == entries[i].group &&
                   entries[end].x == entries[i].x && entries[end].y == entries[i].y)
                ++end;
            for (size_t a = i; a < end; ++a) {
                const uint32_t ta = entries[a].t;
                const Box x = boxOf(ta);
                for (size_t b = a + 1; b < end; ++b) {
                    const uint32_t tb = entries[b].t;
                    const Box y = boxOf(tb);
                    // Each pair once: in the cell that holds the low corner of
                    // where the two boxes meet.
                    const double mx = std::max(x.lo[0], y.lo[0]), my = std::max(x.lo[1], y.lo[1]);
                    if (mx > std::min(x.hi[0], y.hi[0]) || my > std::min(x.hi[1], y.hi[1]))
                        continue;
                    if (Cell(mx, lo[0], cell) != entries[i].x ||
                        Cell(my, lo[1], cell) != entries[i].y)
                        continue;
                    if (PaperTrianglesOverlap(&corner[3 * ta], &corner[3 * tb]))
                        pairs.push_back({std::min(ta, tb), std::max(ta, tb)});
                }
            }
            i = end;
        }
    }
    std::sort(pairs.begin(), pairs.end());
}

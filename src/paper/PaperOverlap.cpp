#include "paper/PaperOverlap.h"

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
    struct Span {
        int64_t x0, x1, y0, y1; // cells the box covers
    };
    auto spanOf = [&](const Box& b) {
        return Span{Cell(b.lo[0], lo[0], cell), Cell(b.hi[0], lo[0], cell),
                    Cell(b.lo[1], lo[1], cell), Cell(b.hi[1], lo[1], cell)};
    };
    int64_t xlo = INT64_MAX, xhi = INT64_MIN, ylo = INT64_MAX, yhi = INT64_MIN;
    size_t total = 0;
    bool oneGroup = true;
    for (size_t t = 0; t < triangles; ++t) {
        const Box b = boxOf(t);
        if (!counts(sizeOf(b)))
            continue;
        const Span c = spanOf(b);
        xlo = std::min(xlo, c.x0), xhi = std::max(xhi, c.x1);
        ylo = std::min(ylo, c.y0), yhi = std::max(yhi, c.y1);
        total += static_cast<size_t>((c.x1 - c.x0 + 1) * (c.y1 - c.y0 + 1));
        oneGroup = oneGroup && (group.empty() || group[t] == group[0]);
    }

    // Every pair of triangles listed in cell (cx, cy), in ascending order,
    // whose boxes meet with the low corner of where they meet in this cell:
    // so each pair is looked at once.
    std::vector<Box> cellBox;
    auto searchCell = [&](const uint32_t* list, size_t n, int64_t cx, int64_t cy) {
        cellBox.clear();
        for (size_t a = 0; a < n; ++a)
            cellBox.push_back(boxOf(list[a]));
        for (size_t a = 0; a < n; ++a) {
            const Box& x = cellBox[a];
            for (size_t b = a + 1; b < n; ++b) {
                const Box& y = cellBox[b];
                const double mx = std::max(x.lo[0], y.lo[0]), my = std::max(x.lo[1], y.lo[1]);
                if (mx > std::min(x.hi[0], y.hi[0]) || my > std::min(x.hi[1], y.hi[1]))
                    continue;
                if (Cell(mx, lo[0], cell) != cx || Cell(my, lo[1], cell) != cy)
                    continue;
                const uint32_t ta = list[a], tb = list[b];
                if (PaperTrianglesOverlap(&corner[3 * ta], &corner[3 * tb]))
                    pairs.push_back({std::min(ta, tb), std::max(ta, tb)});
            }
        }
    };

    // Columns of cells are taken in bands of about kBandEntries entries, so
    // the lists stay small whatever the size of the layout. A pair is found
    // in one cell only, so in one band.
    constexpr size_t kBandEntries = size_t(1) << 21;
    constexpr int64_t kSlots = 4096;
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
            const Span c = spanOf(b);
            const int64_t x0 = c.x0 - xlo, x1 = c.x1 - xlo;
            for (int64_t slot = x0 / perSlot; slot <= x1 / perSlot; ++slot) {
                const int64_t from = std::max(x0, slot * perSlot);
                const int64_t to = std::min(x1, slot * perSlot + perSlot - 1);
                inSlot[static_cast<size_t>(slot)] +=
                    static_cast<size_t>((to - from + 1) * (c.y1 - c.y0 + 1));
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

    // A band's entries either as lists per cell of a dense grid (one group,
    // not too many cells), or sorted by group and cell.
    constexpr int64_t kGridCells = int64_t(1) << 21;
    const int64_t rows = yhi - ylo + 1;
    std::vector<uint32_t> start, list;
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
    std::vector<Entry> entries;
    std::vector<uint32_t> run;
    for (const Band& band : bands) {
        const int64_t cols = band.last - band.first + 1;
        // Calls add(cell x, cell y, t) for every cell of the band each triangle covers.
        auto each = [&](auto add) {
            for (size_t t = 0; t < triangles; ++t) {
                const Box b = boxOf(t);
                if (!counts(sizeOf(b)))
                    continue;
                const Span c = spanOf(b);
                for (int64_t x = std::max(band.first, c.x0); x <= std::min(band.last, c.x1); ++x)
                    for (int64_t y = c.y0; y <= c.y1; ++y)
                        add(x, y, static_cast<uint32_t>(t));
            }
        };
        if (oneGroup && rows <= kGridCells / cols) {
            auto at = [&](int64_t x, int64_t y) {
                return static_cast<size_t>((x - band.first) * rows + (y - ylo));
            };
            start.assign(static_cast<size_t>(cols * rows) + 1, 0);
            each([&](int64_t x, int64_t y, uint32_t) { ++start[at(x, y) + 1]; });
            for (size_t k = 1; k < start.size(); ++k)
                start[k] += start[k - 1];
            list.resize(start.back());
            each([&](int64_t x, int64_t y, uint32_t t) { list[start[at(x, y)]++] = t; });
            // The fill moved each start to the next cell's: walk back from the end.
            size_t begin = 0;
            for (int64_t x = band.first; x <= band.last; ++x)
                for (int64_t y = ylo; y <= yhi; ++y) {
                    const size_t end = start[at(x, y)];
                    if (end - begin > 1)
                        searchCell(list.data() + begin, end - begin, x, y);
                    begin = end;
                }
            continue;
        }
        entries.clear();
        entries.reserve(band.entries);
        each([&](int64_t x, int64_t y, uint32_t t) {
            entries.push_back({group.empty() ? 0 : group[t], x, y, t});
        });
        std::sort(entries.begin(), entries.end());
        for (size_t i = 0; i < entries.size();) {
            size_t end = i + 1;
            while (end < entries.size() && entries[end].group == entries[i].group &&
                   entries[end].x == entries[i].x && entries[end].y == entries[i].y)
                ++end;
            run.clear();
            for (size_t k = i; k < end; ++k)
                run.push_back(entries[k].t);
            if (run.size() > 1)
                searchCell(run.data(), run.size(), entries[i].x, entries[i].y);
            i = end;
        }
    }
    std::sort(pairs.begin(), pairs.end());
}

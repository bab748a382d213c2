#include "paper/PaperSurface.h"

#include "base/HalfEdges.h"
#include "base/UnionFind.h"
#include "model/CellTable.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <utility>

namespace {

// Pairs of half-edges on the edges exactly two triangles share, and whether
// the two run the same way (one of the triangles is wound the other way).
void PairSharedEdges(const CPaperSurface& s, std::vector<int32_t>& twin,
                     std::vector<uint8_t>& sameWay)
{
    const uint32_t n = static_cast<uint32_t>(s.vertexOf.size());
    twin.assign(n, -1);
    sameWay.assign(n, 0);
    CHalfEdgeBuffers edges;
    GroupHalfEdges(s.vertexOf, static_cast<uint32_t>(s.vertex.size()), edges);
    ForEachEdge(s.vertexOf, edges, [&](const uint32_t* first, const uint32_t* last) {
        if (last - first != 2 || first[0] / 3 == first[1] / 3)
            return;
        const uint32_t h = first[0], g = first[1];
        twin[h] = static_cast<int32_t>(g);
        twin[g] = static_cast<int32_t>(h);
        sameWay[h] = sameWay[g] = s.vertexOf[h] == s.vertexOf[g];
    });
}

// Turns triangles so that paired neighbours run back along each other; an
// edge whose sides cannot agree (a Moebius band) is opened. Each piece keeps
// the winding most of its faces had.
void Orient(CPaperSurface& s, std::vector<int32_t>& twin, const std::vector<uint8_t>& sameWay)
{
    const size_t triangles = s.Triangles();
    std::vector<int8_t> flip(triangles, -1);
    std::vector<uint32_t> queue;
    for (size_t first = 0; first < triangles; ++first) {
        if (flip[first] >= 0)
            continue;
        queue.assign(1, static_cast<uint32_t>(first));
        flip[first] = 0;
        size_t turned = 0;
        for (size_t head = 0; head < queue.size(); ++head) {
            const uint32_t t = queue[head];
            for (uint32_t h = 3 * t; h < 3 * t + 3; ++h) {
                const int32_t g = twin[h];
                if (g < 0)
                    continue;
                const int8_t want = static_cast<int8_t>(flip[t] ^ sameWay[h]);
                int8_t& other = flip[g / 3];
                if (other < 0) {
                    other = want;
                    turned += static_cast<size_t>(want);
                    queue.push_back(static_cast<uint32_t>(g / 3));
                } else if (other != want) {
                    twin[g] = -1;
                    twin[h] = -1;
                }
            }
        }
        if (2 * turned > queue.size())
            for (const uint32_t t : queue)
                flip[t] ^= 1;
    }
    // Half-edge 3t + j lies opposite corner j + 2; swapping corners 1 and 2
    // moves the edge opposite corner k to the one opposite its new slot.
    auto moved = [&](int32_t h) -> int32_t {
        if (h < 0 || !flip[h / 3])
            return h;
        const int32_t t = h / 3;
        const int opposite = (h % 3 + 2) % 3;
        const int now = opposite == 0 ? 0 : 3 - opposite;
        return 3 * t + (now + 1) % 3;
    };
    std::vector<int32_t> turnedTwin(twin.size(), -1);
    for (size_t h = 0; h < twin.size(); ++h)
        if (twin[h] >= 0)
            turnedTwin[moved(static_cast<int32_t>(h))] = moved(twin[h]);
    twin.swap(turnedTwin);
    for (size_t t = 0; t < triangles; ++t) {
        if (!flip[t])
            continue;
        s.turned[t] = !s.turned[t];
        std::swap(s.vertexOf[3 * t + 1], s.vertexOf[3 * t + 2]);
    }
}

// Pieces join across paired edges only, never at a lone shared vertex.
// Marks the half-edges the breadth-first search crossed.
void NumberPieces(CPaperSurface& s, std::vector<uint8_t>& crossed)
{
    const size_t triangles = s.Triangles();
    s.pieceOf.assign(triangles, -1);
    s.order.clear();
    crossed.assign(s.twin.size(), 0);
    s.pieces = 0;
    for (size_t first = 0; first < triangles; ++first) {
        if (s.pieceOf[first] >= 0)
            continue;
        s.pieceOf[first] = s.pieces;
        size_t head = s.order.size();
        s.order.push_back(static_cast<uint32_t>(first));
        while (head < s.order.size()) {
            const uint32_t t = s.order[head++];
            for (uint32_t h = 3 * t; h < 3 * t + 3; ++h) {
                const int32_t g = s.twin[h];
                if (g >= 0 && s.pieceOf[g / 3] < 0) {
                    s.pieceOf[g / 3] = s.pieces;
                    crossed[h] = crossed[g] = 1;
                    s.order.push_back(static_cast<uint32_t>(g / 3));
                }
            }
        }
        ++s.pieces;
    }
}

} // namespace

// Paper points: corners joined across the paired edges.
void NumberPoints(CPaperSurface& s)
{
    const size_t corners = s.Corners();
    std::vector<uint32_t>().swap(s.pointOf); // no second per-corner array while this runs
    CUnionFind sets(corners);
    for (uint32_t h = 0; h < s.twin.size(); ++h) {
        const int32_t g = s.twin[h];
        if (g < 0 || static_cast<uint32_t>(g) < h)
            continue;
        sets.Join(h, NextInTriangle(static_cast<uint32_t>(g)));
        sets.Join(NextInTriangle(h), static_cast<uint32_t>(g));
    }
    s.pointOf = sets.TakeSetNumbers(s.points);
}

namespace {

// Opens the paired edges the search did not cross that still close a loop
// once every dangling branch is pruned, the rims counting as part of the
// graph: nothing on a disc, one rim-to-rim seam on a tube.
void CutToDiscs(CPaperSurface& s, const std::vector<uint8_t>& crossed)
{
    // An edge is its half-edge: its ends are the points there, and it is a
    // rim edge when it has no twin (the twins change only at the end).
    auto endA = [&](uint32_t h) { return s.pointOf[h]; };
    auto endB = [&](uint32_t h) { return s.pointOf[NextInTriangle(h)]; };
    std::vector<uint32_t> edges;
    for (uint32_t h = 0; h < s.twin.size(); ++h) {
        const int32_t g = s.twin[h];
        const bool rim = g < 0;
        if ((!rim && (crossed[h] || static_cast<uint32_t>(g) < h)) ||
            s.vertexOf[h] == s.vertexOf[NextInTriangle(h)])
            continue;
        edges.push_back(h);
    }
    std::vector<uint32_t> degree(s.points, 0), start(s.points + 1, 0);
    for (const uint32_t h : edges) {
        ++degree[endA(h)];
        ++degree[endB(h)];
    }
    for (uint32_t p = 0; p < s.points; ++p)
        start[p + 1] = start[p] + degree[p];
    std::vector<uint32_t> incident(start[s.points]), fill(start.begin(), start.end() - 1);
    for (uint32_t e = 0; e < edges.size(); ++e) {
        incident[fill[endA(edges[e])]++] = e;
        incident[fill[endB(edges[e])]++] = e;
    }
    std::vector<uint8_t> gone(edges.size(), 0);
    std::vector<uint32_t> leaves;
    for (uint32_t p = 0; p < s.points; ++p)
        if (degree[p] == 1)
            leaves.push_back(p);
    while (!leaves.empty()) {
        const uint32_t p = leaves.back();
        leaves.pop_back();
        if (degree[p] != 1)
            continue;
        for (uint32_t i = start[p]; i < start[p + 1]; ++i) {
            const uint32_t e = incident[i];
            if (gone[e])
                continue;
            gone[e] = 1;
            const uint32_t q = endA(edges[e]) == p ? endB(edges[e]) : endA(edges[e]);
            --degree[p];
            if (--degree[q] == 1)
                leaves.push_back(q);
            break;
        }
    }
    bool cut = false;
    for (uint32_t e = 0; e < edges.size(); ++e) {
        const uint32_t h = edges[e];
        if (gone[e] || s.twin[h] < 0)
            continue;
        s.twin[static_cast<uint32_t>(s.twin[h])] = -1;
        s.twin[h] = -1;
        cut = true;
    }
    if (cut)
        NumberPoints(s);
}

} // namespace

void ReadSurfaceTriangles(CPaperSurface& s, const std::vector<CPolyFace*>& faces)
{
    s.faces = &faces;
    s.turned.assign(faces.size(), false);
    s.vertexOf.assign(3 * faces.size(), 0);
    for (const CPolyFace* f : faces)
        for (const CFaceCorner* c : f->corners) {
            const CVector3& p = c->vertex->pos;
            s.lo = {std::min(s.lo.x, p.x), std::min(s.lo.y, p.y), std::min(s.lo.z, p.z)};
            s.hi = {std::max(s.hi.x, p.x), std::max(s.hi.y, p.y), std::max(s.hi.z, p.z)};
        }
}

void KeepVertexNumbers(CPaperSurface& s, uint32_t count)
{
    s.vertex.assign(count, CVector3{});
    std::vector<uint8_t> seen(count, 0);
    for (size_t c = 0; c < s.Corners(); ++c)
        if (!seen[s.vertexOf[c]]) {
            seen[s.vertexOf[c]] = 1;
            s.vertex[s.vertexOf[c]] = s.Corner(c);
        }
}

void WeldNearbyCorners(CPaperSurface& s, double tol)
{
    // Cells are four tolerances wide, so a corner looks into a neighbouring
    // cell only when it lies within tol of that side.
    CCellTable head; // cell -> latest vertex in it
    head.SetCellSize(4.0 * tol);
    head.Reset(s.Corners() / 6 + 16); // a sheet has about a sixth as many vertices
    std::vector<int32_t> nextInCell;
    s.vertex.clear();
    s.vertexOf.resize(s.Corners());
    // Cells that hold a vertex, as bits by a hash of the cell: most cells a
    // corner looks into are empty, and a clear bit says so without a look
    // into the table.
    constexpr int kFilterBits = 21;
    std::vector<uint64_t> filled((size_t(1) << kFilterBits) / 64, 0);
    auto bitOf = [](const CellKey& k) {
        uint64_t h = static_cast<uint64_t>(k.x) * 0x9E3779B97F4A7C15ull;
        h = (h ^ static_cast<uint64_t>(k.y)) * 0xC2B2AE3D27D4EB4Full;
        h = (h ^ static_cast<uint64_t>(k.z)) * 0x165667B19E3779F9ull;
        return static_cast<size_t>(h >> (64 - kFilterBits));
    };
    auto findIn = [&](const CellKey& k, const CVector3& p) -> int32_t {
        const size_t bit = bitOf(k);
        if (!(filled[bit / 64] >> (bit % 64) & 1))
            return CCellTable::kNone;
        for (int32_t v = head.Find(k); v != CCellTable::kNone; v = nextInCell[v])
            if (Distance3D(s.vertex[v], p) <= tol)
                return v;
        return CCellTable::kNone;
    };
    // A corner exactly at a vertex welds to that vertex and no other, as
    // vertices lie more than tol apart; recent vertices by exact position
    // answer most corners of a mesh file without a look into the table.
    constexpr size_t kRecent = size_t(1) << 15;
    std::vector<int32_t> recent(kRecent, CCellTable::kNone);
    auto recentSlot = [](const CVector3& p) {
        uint64_t h = std::bit_cast<uint64_t>(p.x) * 0x9E3779B97F4A7C15ull;
        h ^= std::bit_cast<uint64_t>(p.y) * 0xC2B2AE3D27D4EB4Full;
        h ^= std::bit_cast<uint64_t>(p.z) * 0x165667B19E3779F9ull;
        return static_cast<size_t>(h >> 49) & (kRecent - 1);
    };
    for (size_t c = 0; c < s.Corners(); ++c) {
        const CVector3& p = s.Corner(c);
        int32_t& seen = recent[recentSlot(p)];
        if (seen != CCellTable::kNone) {
            const CVector3& q = s.vertex[static_cast<size_t>(seen)];
            if (q.x == p.x && q.y == p.y && q.z == p.z) {
                s.vertexOf[c] = static_cast<uint32_t>(seen);
                continue;
            }
        }
        const CellKey k = head.KeyOf(p);
        int32_t found = findIn(k, p);
        if (found < 0) {
            // Neighbours only on the sides this corner is close to.
            const CellKey near = head.KeyOf({p.x - tol, p.y - tol, p.z - tol});
            const CellKey far = head.KeyOf({p.x + tol, p.y + tol, p.z + tol});
            for (int64_t x = near.x; x <= far.x && found < 0; ++x)
                for (int64_t y = near.y; y <= far.y && found < 0; ++y)
                    for (int64_t z = near.z; z <= far.z && found < 0; ++z)
                        if (!(CellKey{x, y, z} == k))
                            found = findIn({x, y, z}, p);
        }
        if (found < 0) {
            found = static_cast<int32_t>(s.vertex.size());
            s.vertex.push_back(p);
            const size_t bit = bitOf(k);
            filled[bit / 64] |= uint64_t(1) << (bit % 64);
            int32_t& latest = head.Slot(k);
            nextInCell.push_back(latest);
            latest = found;
        }
        s.vertexOf[c] = static_cast<uint32_t>(found);
        seen = found;
    }
}

void JoinSurface(CPaperSurface& s)
{
    std::vector<uint8_t> sameWay;
    PairSharedEdges(s, s.twin, sameWay);
    Orient(s, s.twin, sameWay);
    std::vector<uint8_t> crossed;
    NumberPieces(s, crossed);
    NumberPoints(s);
    CutToDiscs(s, crossed);
}

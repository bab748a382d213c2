#include "checks/SelfIntersection.h"

#include "base/Lanes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

// How it goes: triangles are sorted along a Morton curve and cut into blocks
// of kBlock neighbouring triangles; a tree over the blocks finds the pairs of
// blocks whose boxes overlap; each pair of blocks is tested as one kBlock x
// kBlock grid in floats (boxes, then whether any edge can cross the other's
// plane), four lanes at a time. Only what survives meets the exact test in
// doubles. Folded paper is mostly neighbours touching neighbours, and the
// float test throws those out without a branch per pair.
//
// This file runs a check and a drag step's check against its base, walks the
// trees (SelfIntersectionTree.cpp) and makes the tests; the edge crossings
// are settled in SelfIntersectionContacts.cpp.

namespace {

using lanes::Bits;
using lanes::F4;
using lanes::I4;
using lanes::Load4;
using lanes::Splat;

bool Before(const CIntersectingPair& x, const CIntersectingPair& y)
{
    return x.a != y.a ? x.a < y.a : x.b < y.b;
}

} // namespace

size_t CSelfIntersectionCheck::Run(const CWorkingShape& mesh, size_t maxPairs)
{
    hasBase_ = false; // the base's index is about to be overwritten
    Begin(mesh, maxPairs);
    const size_t n = Collect(mesh, nullptr, mesh.TriangleCount());
    Sort(n);
    all_.firstBlock = 0;
    Gather(n, all_);
    SetCoarse();
    BoxBlocks(n, all_);
    BuildTree(all_, n);
    Traverse(all_);
    Finish();
    return count_;
}

void CSelfIntersectionCheck::Begin(const CWorkingShape& mesh, size_t maxPairs)
{
    count_ = 0;
    candidates_ = 0;
    maxPairs_ = maxPairs;
    pairs_.clear();
    contacts_.clear();
    flags_.assign(mesh.TriangleCount(), 0);
    mesh_ = &mesh;
}

void CSelfIntersectionCheck::Finish()
{
    keepBase_ = false; // edge crossings depend on neighbours: never kept as pairs of the base
    SettleContacts(contacts_);
    for (const CContact& c : contacts_)
        if (c.crosses)
            Keep(std::min(c.a, c.b), std::max(c.a, c.b), c.at);
    std::sort_heap(pairs_.begin(), pairs_.end(), Before);
    mesh_ = nullptr;
}

void CSelfIntersectionCheck::Traverse(const CTree& tree)
{
    // Each entry pairs two nodes of one level whose triangles are still to be
    // paired, and whose boxes are known to overlap; a node paired with itself
    // stands for the pairs inside it. Children are tested before they go on
    // the stack, and pairs of leaves go straight to the block test, so
    // nothing is pushed only to be thrown away. Every unordered pair of
    // triangles is met exactly once, short of pairs sharing a hub.
    const std::vector<CBox>& box = tree.box;
    const uint32_t leafBase = tree.leafBase;
    const auto nonEmpty = [&box](uint32_t u) { return box[u].lo[0] <= box[u].hi[0]; };
    const auto pair = [&](uint32_t u, uint32_t v) {
        if (SameHub(tree, u, tree, v))
            return;
        if (u >= leafBase)
            TestBlocks(tree.firstBlock + u - leafBase, tree.firstBlock + v - leafBase, box[v]);
        else
            PushPair(u, v);
    };
    pairStack_.clear();
    if (nonEmpty(1))
        pair(1, 1);
    for (uint32_t u = 0, v = 0; PopPair(u, v);) {
        const uint32_t u0 = 2 * u, u1 = 2 * u + 1;
        if (u == v) {
            // Padding fills the tree from the right: an empty left child has
            // an empty right one.
            if (nonEmpty(u1)) {
                if (Overlap(box[u0], box[u1]))
                    pair(u0, u1);
                pair(u1, u1);
            }
            pair(u0, u0);
            continue;
        }
        const uint32_t v0 = 2 * v, v1 = 2 * v + 1;
        if (Overlap(box[u0], box[v0]))
            pair(u0, v0);
        if (Overlap(box[u0], box[v1]))
            pair(u0, v1);
        if (Overlap(box[u1], box[v0]))
            pair(u1, v0);
        if (Overlap(box[u1], box[v1]))
            pair(u1, v1);
    }
}

// Every pair of a triangle of tu with one of tv (two trees over distinct blocks).
void CSelfIntersectionCheck::TraverseAcross(const CTree& tu, const CTree& tv)
{
    const auto pair = [&](uint32_t u, uint32_t v) {
        if (!Overlap(tu.box[u], tv.box[v]) || SameHub(tu, u, tv, v))
            return;
        if (u >= tu.leafBase && v >= tv.leafBase)
            TestBlocks(tu.firstBlock + u - tu.leafBase, tv.firstBlock + v - tv.leafBase, tv.box[v]);
        else
            PushPair(u, v);
    };
    pairStack_.clear();
    pair(1, 1);
    for (uint32_t u = 0, v = 0; PopPair(u, v);) {
        // Split whichever is not a leaf yet; both when neither is.
        const bool splitU = u < tu.leafBase, splitV = v < tv.leafBase;
        const uint32_t uFrom = splitU ? 2 * u : u, uTo = splitU ? 2 * u + 1 : u;
        const uint32_t vFrom = splitV ? 2 * v : v, vTo = splitV ? 2 * v + 1 : v;
        for (uint32_t a = uFrom; a <= uTo; ++a)
            for (uint32_t b = vFrom; b <= vTo; ++b)
                pair(a, b);
    }
}

// Every pair of a slot of block x with a slot of block y (x <= y; within one
// block when x == y): boxes, then the float plane test, then the exact test.
void CSelfIntersectionCheck::TestBlocks(uint32_t x, uint32_t y, const CBox& yb)
{
    const float* cx = Block(x);
    const float* cy = Block(y);
    const auto col = [cy](int c, uint32_t half) { return Load4(cy + c * kBlock + 4 * half); };

    // Rows of x whose box meets y's block box at all (padding never does);
    // within one block every real row is a row to pair.
    uint32_t rows = 0;
    {
        const auto xcol = [cx](int c, uint32_t half) { return Load4(cx + c * kBlock + 4 * half); };
        for (uint32_t half = 0; half < kGroups; ++half) {
            I4 m = (xcol(kLoX, half) <= Splat(yb.hi[0])) & (Splat(yb.lo[0]) <= xcol(kHiX, half));
            m &= (xcol(kLoY, half) <= Splat(yb.hi[1])) & (Splat(yb.lo[1]) <= xcol(kHiY, half));
            m &= (xcol(kLoZ, half) <= Splat(yb.hi[2])) & (Splat(yb.lo[2]) <= xcol(kHiZ, half));
            rows |= Bits(m) << (4 * half);
        }
        if (x == y)
            rows &= (1u << (kBlock - 1)) - 1; // the last row has no later slot to pair with
        rows &= alive_[x];
    }
    const uint32_t aliveY = alive_[y];
    const F4 t = Splat(coarse_);
    const F4 minusT = Splat(-coarse_);
    while (rows) {
        const uint32_t i = static_cast<uint32_t>(std::countr_zero(rows));
        rows &= rows - 1;
        const auto at = [cx, i](int c) { return cx[c * kBlock + i]; };
        // Boxes first: most pairs of neighbouring blocks are apart.
        const F4 ilo[3] = {Splat(at(kLoX)), Splat(at(kLoY)), Splat(at(kLoZ))};
        const F4 ihi[3] = {Splat(at(kHiX)), Splat(at(kHiY)), Splat(at(kHiZ))};
        uint32_t mask = 0;
        for (uint32_t half = 0; half < kGroups; ++half) {
            I4 m = (ilo[0] <= col(kHiX, half)) & (col(kLoX, half) <= ihi[0]);
            m &= (ilo[1] <= col(kHiY, half)) & (col(kLoY, half) <= ihi[1]);
            m &= (ilo[2] <= col(kHiZ, half)) & (col(kLoZ, half) <= ihi[2]);
            mask |= Bits(m) << (4 * half);
        }
        if (x == y)
            mask &= ~((2u << i) - 1); // each pair once, and never a slot with itself
        mask &= aliveY;
        if (!mask)
            continue;
        const float ip[3][3] = {{at(kP0X), at(kP0Y), at(kP0Z)},
                                {at(kP1X), at(kP1Y), at(kP1Z)},
                                {at(kP2X), at(kP2Y), at(kP2Z)}};
        const F4 inx = Splat(at(kNX)), iny = Splat(at(kNY)), inz = Splat(at(kNZ)),
                 ind = Splat(at(kD));
        uint32_t keep = 0;
        for (uint32_t half = 0; half < kGroups; ++half) {
            if (!((mask >> (4 * half)) & 0xf))
                continue;
            // Distances of this slot's corners from the others' planes, and back.
            const F4 nx = col(kNX, half), ny = col(kNY, half), nz = col(kNZ, half),
                     nd = col(kD, half);
            const F4 a0 = nx * ip[0][0] + ny * ip[0][1] + nz * ip[0][2] + nd;
            const F4 a1 = nx * ip[1][0] + ny * ip[1][1] + nz * ip[1][2] + nd;
            const F4 a2 = nx * ip[2][0] + ny * ip[2][1] + nz * ip[2][2] + nd;
            const F4 b0 =
                inx * col(kP0X, half) + iny * col(kP0Y, half) + inz * col(kP0Z, half) + ind;
            const F4 b1 =
                inx * col(kP1X, half) + iny * col(kP1Y, half) + inz * col(kP1Z, half) + ind;
            const F4 b2 =
                inx * col(kP2X, half) + iny * col(kP2Y, half) + inz * col(kP2Z, half) + ind;
            // No edge crosses when no corner is beyond +t or none beyond -t
            // (a NaN compares false both ways and is passed on).
            const I4 noA = ((a0 <= t) & (a1 <= t) & (a2 <= t)) |
                           ((a0 >= minusT) & (a1 >= minusT) & (a2 >= minusT));
            const I4 noB = ((b0 <= t) & (b1 <= t) & (b2 <= t)) |
                           ((b0 >= minusT) & (b1 >= minusT) & (b2 >= minusT));
            keep |= Bits(~(noA & noB)) << (4 * half);
        }
        mask &= keep;
        const uint32_t s = x * kBlock + i;
        while (mask) {
            const uint32_t j = static_cast<uint32_t>(std::countr_zero(mask));
            mask &= mask - 1;
            TestExact(s, y * kBlock + j);
        }
    }
}

void CSelfIntersectionCheck::TestExact(uint32_t i, uint32_t j)
{
    ++candidates_;
    uint32_t a = slotTri_[i], b = slotTri_[j];
    if (a > b)
        std::swap(a, b);
    const CWorkingShape& mesh = *mesh_;
    const CVector3* pa = &mesh.pos[3 * size_t(a)];
    const CVector3* pb = &mesh.pos[3 * size_t(b)];
    // Neighbours on a curved sheet pass the float test around a shared
    // corner; a corner shared bit for bit is within the tolerance, and such
    // pairs never count.
    bool shared = false;
    for (int k = 0; k < 3; ++k)
        shared |= (pa[k] == pb[0]) | (pa[k] == pb[1]) | (pa[k] == pb[2]);
    if (shared)
        return;
    const CTriangleData& ta = mesh.tri[a];
    const CTriangleData& tb = mesh.tri[b];
    CVector3 at;
    if (CornersIntersect(pa, ta.normal, ta.d, pb, tb.normal, tb.d, at)) {
        Keep(a, b, at);
        return;
    }
    int edge = 0, side = 0;
    if (EdgeAlongTriangle(pa, pb, tb.normal, tb.d, ta.normal, ta.d, edge, side, at))
        contacts_.push_back({a, b, edge, side, at, false});
    else if (EdgeAlongTriangle(pb, pa, ta.normal, ta.d, tb.normal, tb.d, edge, side, at))
        contacts_.push_back({b, a, edge, side, at, false});
}

void CSelfIntersectionCheck::Keep(uint32_t a, uint32_t b, const CVector3& at)
{
    if (keepBase_)
        basePairs_.push_back({a, b, at});
    ++count_;
    flags_[a] = flags_[b] = 1;
    if (maxPairs_ == 0)
        return;
    // A max-heap on (a, b) holds the first maxPairs_ pairs met so far in that order.
    const CIntersectingPair pair{a, b, at};
    if (pairs_.size() < maxPairs_) {
        pairs_.push_back(pair);
        std::push_heap(pairs_.begin(), pairs_.end(), Before);
    } else if (Before(pair, pairs_.front())) {
        std::pop_heap(pairs_.begin(), pairs_.end(), Before);
        pairs_.back() = pair;
        std::push_heap(pairs_.begin(), pairs_.end(), Before);
    }
}

size_t CSelfIntersectionCheck::SetBase(const CWorkingShape& base, size_t maxPairs)
{
    basePairs_.clear();
    keepBase_ = true;
    Run(base, maxPairs);
    baseContacts_ = contacts_;
    basePos_ = base.pos;
    baseKeys_.clear();
    baseLargest_ = largest_;
    baseSlot_.assign(base.TriangleCount(), kNoSlot);
    const size_t first = size_t(all_.firstBlock) * kBlock;
    for (size_t s = first; s < first + all_.triangles; ++s)
        baseSlot_[slotTri_[s]] = static_cast<uint32_t>(s);
    hasBase_ = true;
    return count_;
}

void CSelfIntersectionCheck::ForgetBase()
{
    hasBase_ = false;
    std::vector<CIntersectingPair>().swap(basePairs_);
    std::vector<CContact>().swap(baseContacts_);
    std::vector<CVector3>().swap(basePos_);
    std::vector<uint32_t>().swap(baseSlot_);
    std::vector<uint32_t>().swap(meshOf_);
    std::vector<uint32_t>().swap(moved_);
    std::vector<std::pair<uint64_t, uint32_t>>().swap(baseKeys_);
}

size_t CSelfIntersectionCheck::Step(const CWorkingShape& mesh, size_t maxPairs)
{
    if (!hasBase_)
        return Run(mesh, maxPairs);
    Begin(mesh, maxPairs);
    std::fill(alive_.begin() + all_.firstBlock, alive_.begin() + all_.firstBlock + all_.blocks,
              kAllSlots);
    MatchBase(mesh);

    // Base triangles that moved or are gone leave the index until the next
    // step; the rest are read where the mesh has them now.
    const size_t baseCount = basePos_.size() / 3;
    for (size_t t = 0; t < baseCount; ++t) {
        const uint32_t slot = baseSlot_[t];
        if (slot == kNoSlot)
            continue;
        if (meshOf_[t] == kNoSlot) {
            alive_[slot / kBlock] &= ~(1u << (slot % kBlock));
        } else {
            slotTri_[slot] = meshOf_[t];
        }
    }

    movedTree_.firstBlock = all_.firstBlock + all_.blocks;
    const size_t m = Collect(mesh, moved_.data(), moved_.size());
    largest_ = std::max(largest_, baseLargest_);
    Sort(m);
    Gather(m, movedTree_);
    SetCoarse();
    BoxBlocks(m, movedTree_);
    BuildTree(movedTree_, m);
    Traverse(movedTree_);
    TraverseAcross(all_, movedTree_);

    // Pairs of two unmoved triangles are the base's; matching keeps the order.
    for (const CIntersectingPair& p : basePairs_)
        if (meshOf_[p.a] != kNoSlot && meshOf_[p.b] != kNoSlot)
            Keep(meshOf_[p.a], meshOf_[p.b], p.at);
    for (CContact c : baseContacts_)
        if (meshOf_[c.a] != kNoSlot && meshOf_[c.b] != kNoSlot) {
            c.a = meshOf_[c.a];
            c.b = meshOf_[c.b];
            contacts_.push_back(c);
        }
    inStep_ = true;
    Finish();
    inStep_ = false;
    return count_;
}

// Pairs the mesh's triangles with equal base triangles, both in order: a
// fold writes the unmoved triangles in base order, leaves out the ones it
// split and changes the moved ones in place, so a short look ahead finds each
// unmoved triangle's base, and a look-up by value finds the way back after a
// long run of split triangles. Every triangle left unpaired is moved.
void CSelfIntersectionCheck::MatchBase(const CWorkingShape& mesh)
{
    constexpr size_t kAhead = 8;
    constexpr size_t kLookUpEvery = 64; // misses in a row between look-ups
    const size_t baseCount = basePos_.size() / 3;
    const size_t n = mesh.TriangleCount();
    meshOf_.assign(baseCount, kNoSlot);
    moved_.clear();
    size_t next = 0, misses = 0;
    for (size_t t = 0; t < n; ++t) {
        const CVector3* p = &mesh.pos[3 * t];
        size_t match = SIZE_MAX;
        for (size_t j = next; j < baseCount && j < next + kAhead; ++j)
            if (std::memcmp(p, &basePos_[3 * j], 3 * sizeof(CVector3)) == 0) {
                match = j;
                break;
            }
        if (match == SIZE_MAX && ++misses % kLookUpEvery == 0)
            match = FindBase(p, next);
        if (match != SIZE_MAX) {
            meshOf_[match] = static_cast<uint32_t>(t);
            next = match + 1;
            misses = 0;
            continue;
        }
        moved_.push_back(static_cast<uint32_t>(t));
        // A moved triangle stands where its base did.
        next = std::min(next + 1, baseCount);
    }
}

uint64_t CSelfIntersectionCheck::CornerHash(const CVector3* p)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (int j = 0; j < 3; ++j)
        for (double v : {p[j].x, p[j].y, p[j].z}) {
            uint64_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            h = (h ^ bits) * 0x100000001b3ull;
            h ^= h >> 31;
        }
    return h;
}

// The first base triangle from `from` on with exactly these corners.
size_t CSelfIntersectionCheck::FindBase(const CVector3* p, size_t from)
{
    const size_t baseCount = basePos_.size() / 3;
    if (baseKeys_.empty() && baseCount > 0) {
        baseKeys_.resize(baseCount);
        for (size_t t = 0; t < baseCount; ++t)
            baseKeys_[t] = {CornerHash(&basePos_[3 * t]), static_cast<uint32_t>(t)};
        std::sort(baseKeys_.begin(), baseKeys_.end());
    }
    const uint64_t h = CornerHash(p);
    auto it = std::lower_bound(baseKeys_.begin(), baseKeys_.end(),
                               std::pair<uint64_t, uint32_t>{h, static_cast<uint32_t>(from)});
    for (; it != baseKeys_.end() && it->first == h; ++it)
        if (std::memcmp(p, &basePos_[3 * size_t(it->second)], 3 * sizeof(CVector3)) == 0)
            return it->second;
    return SIZE_MAX;
}

size_t CountSelfIntersections(const CWorkingShape& mesh)
{
    CSelfIntersectionCheck check;
    return check.Run(mesh, 0);
}

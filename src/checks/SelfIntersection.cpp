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

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

using lanes::Bits;
using lanes::F4;
using lanes::I4;
using lanes::Load4;
using lanes::Max;
using lanes::Min;
using lanes::Splat;

// The bits of a 10-bit number moved to every third place.
uint32_t Spread(uint32_t v)
{
    v &= 0x3ff;
    v = (v | v << 16) & 0x030000ff;
    v = (v | v << 8) & 0x0300f00f;
    v = (v | v << 4) & 0x030c30c3;
    v = (v | v << 2) & 0x09249249;
    return v;
}

// Pads for a box from float corners: each corner is its double rounded to
// nearest, at most 2^-24 of it away (and the smallest rounding is monotone, so
// the least float corner is the least double rounded). Taking away 2^-22 of
// the bound and the least normal float, itself rounded, still leaves a sure
// bound on the double.
F4 Down(F4 x)
{
    const F4 magnitude = reinterpret_cast<F4>(reinterpret_cast<I4>(x) & 0x7fffffff);
    return x - (magnitude * 0x1p-22f + 0x1p-126f);
}
F4 Up(F4 x)
{
    const F4 magnitude = reinterpret_cast<F4>(reinterpret_cast<I4>(x) & 0x7fffffff);
    return x + (magnitude * 0x1p-22f + 0x1p-126f);
}

bool Before(const CIntersectingPair& x, const CIntersectingPair& y)
{
    return x.a != y.a ? x.a < y.a : x.b < y.b;
}

} // namespace

bool CSelfIntersectionCheck::Overlap(const CBox& x, const CBox& y)
{
    // Without short cuts: the outcome is hard to predict, a branch costs more.
    return (x.lo[0] <= y.hi[0]) & (y.lo[0] <= x.hi[0]) & (x.lo[1] <= y.hi[1]) &
           (y.lo[1] <= x.hi[1]) & (x.lo[2] <= y.hi[2]) & (y.lo[2] <= x.hi[2]);
}

void CSelfIntersectionCheck::Grow(CBox& box, const CBox& by)
{
    for (int axis = 0; axis < 3; ++axis) {
        box.lo[axis] = std::min(box.lo[axis], by.lo[axis]);
        box.hi[axis] = std::max(box.hi[axis], by.hi[axis]);
    }
}

size_t CSelfIntersectionCheck::Run(const CFlatMesh& mesh, size_t maxPairs)
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

void CSelfIntersectionCheck::Begin(const CFlatMesh& mesh, size_t maxPairs)
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
    std::sort_heap(pairs_.begin(), pairs_.end(), Before);
    mesh_ = nullptr;
}

// The float records and Morton codes of the triangles that have an interior
// and finite float corners, in mesh order (or the list's); returns how many. One pass over
// the mesh in its own order: the random reads of the sort's order then touch
// only the compact records.
size_t CSelfIntersectionCheck::Collect(const CFlatMesh& mesh, const uint32_t* list,
                                       size_t triangles)
{
    record_.resize(triangles);
    triOf_.resize(triangles);
    centre_.resize(3 * triangles);
    float lo[3] = {kInf, kInf, kInf};
    float hi[3] = {-kInf, -kInf, -kInf};
    float largest = 0.0f;
    size_t n = 0;
    for (size_t i = 0; i < triangles; ++i) {
        const size_t t = list ? list[i] : i;
        const CTriangleData& td = mesh.tri[t];
        if (!TriangleHasPlane(td))
            continue;
        const CVector3* p = &mesh.pos[3 * t];
        float* r = record_[n].v;
        for (int j = 0; j < 3; ++j) {
            r[kP0X + 3 * j] = static_cast<float>(p[j].x);
            r[kP0X + 3 * j + 1] = static_cast<float>(p[j].y);
            r[kP0X + 3 * j + 2] = static_cast<float>(p[j].z);
        }
        bool finite = true;
        float* centre = &centre_[3 * n];
        for (int axis = 0; axis < 3; ++axis) {
            const float c0 = r[kP0X + axis], c1 = r[kP1X + axis], c2 = r[kP2X + axis];
            finite = finite && std::isfinite(c0) && std::isfinite(c1) && std::isfinite(c2);
            const float below = std::min({c0, c1, c2}), above = std::max({c0, c1, c2});
            centre[axis] = 0.5f * below + 0.5f * above; // never overflows
            largest = std::max({largest, -below, above});
        }
        if (!finite)
            continue; // beyond the float range: no box to file it under
        for (int axis = 0; axis < 3; ++axis) {
            lo[axis] = std::min(lo[axis], centre[axis]);
            hi[axis] = std::max(hi[axis], centre[axis]);
        }
        r[kNX] = static_cast<float>(td.normal.x);
        r[kNY] = static_cast<float>(td.normal.y);
        r[kNZ] = static_cast<float>(td.normal.z);
        r[kD] = static_cast<float>(td.d);
        triOf_[n++] = static_cast<uint32_t>(t);
    }
    // A discarded corner beyond the float range may have raised it to infinity.
    largest_ = largest;

    code_.resize(n);
    // One scale for all axes: the cells of the curve are cubes, so a block of
    // a sheet is a compact patch rather than a strip along the thin axis.
    const double extent =
        std::max({double(hi[0]) - lo[0], double(hi[1]) - lo[1], double(hi[2]) - lo[2]});
    const float scale = extent > 0.0 ? static_cast<float>(1023.0 / extent) : 0.0f;
    for (size_t s = 0; s < n; ++s) {
        const float* centre = &centre_[3 * s];
        uint32_t code = 0;
        for (int axis = 0; axis < 3; ++axis) {
            // The max first: it turns a NaN into 0.
            const float q = std::min(std::max(0.0f, (centre[axis] - lo[axis]) * scale), 1023.0f);
            code |= Spread(static_cast<uint32_t>(q)) << (2 - axis);
        }
        code_[s] = code;
    }
    return n;
}

// Orders the n collected triangles by Morton code into indexTmp_. Stable, so
// ties keep mesh order and every run on a mesh builds the same tree.
void CSelfIntersectionCheck::Sort(size_t n)
{
    index_.resize(n);
    indexTmp_.resize(n);
    codeTmp_.resize(n);
    for (size_t s = 0; s < n; ++s)
        index_[s] = static_cast<uint32_t>(s);
    uint32_t* keyIn = code_.data();
    uint32_t* keyOut = codeTmp_.data();
    uint32_t* valIn = index_.data();
    uint32_t* valOut = indexTmp_.data();
    constexpr int kBits = 10;
    constexpr int kPasses = 3;
    constexpr uint32_t kBuckets = 1u << kBits;
    // All three histograms in one read of the keys.
    uint32_t histogram[kPasses][kBuckets] = {};
    for (size_t s = 0; s < n; ++s)
        for (int pass = 0; pass < kPasses; ++pass)
            ++histogram[pass][(keyIn[s] >> (kBits * pass)) & (kBuckets - 1)];
    for (int pass = 0; pass < kPasses; ++pass) {
        const int shift = kBits * pass;
        uint32_t* h = histogram[pass];
        uint32_t sum = 0;
        for (uint32_t b = 0; b < kBuckets; ++b) {
            const uint32_t c = h[b];
            h[b] = sum;
            sum += c;
        }
        for (size_t s = 0; s < n; ++s) {
            const uint32_t to = h[(keyIn[s] >> shift) & (kBuckets - 1)]++;
            keyOut[to] = keyIn[s];
            valOut[to] = valIn[s];
        }
        std::swap(keyIn, keyOut);
        std::swap(valIn, valOut);
    }
    // Three passes: the sorted order ended in the second buffers.
}

// Lays the sorted records out block by block from the tree's first block,
// padded to a whole block with slots whose boxes are empty (they overlap nothing).
void CSelfIntersectionCheck::Gather(size_t n, CTree& tree)
{
    tree.blocks = static_cast<uint32_t>((n + kBlock - 1) / kBlock);
    tree.triangles = n;
    const size_t first = size_t(tree.firstBlock) * kBlock;
    const size_t slots = first + size_t(tree.blocks) * kBlock;
    blockData_.resize(kColumns * slots);
    slotTri_.resize(slots);
    constexpr size_t kAhead = 16; // records in flight: the order jumps around the mesh
    for (size_t s = 0; s < n; ++s) {
        if (s + kAhead < n)
            __builtin_prefetch(&record_[indexTmp_[s + kAhead]]);
        const uint32_t from = indexTmp_[s];
        const size_t slot = first + s;
        slotTri_[slot] = triOf_[from];
        const float* r = record_[from].v;
        float* to = &blockData_[(slot / kBlock) * kColumns * kBlock + slot % kBlock];
        for (int c = 0; c < kRecordColumns; ++c)
            to[c * kBlock] = r[c];
    }
    for (size_t slot = first + n; slot < slots; ++slot) {
        float* to = &blockData_[(slot / kBlock) * kColumns * kBlock + slot % kBlock];
        for (int c = 0; c < kRecordColumns; ++c)
            to[c * kBlock] = 0.0f;
        slotTri_[slot] = 0;
    }
    alive_.resize(tree.firstBlock + tree.blocks);
    std::fill(alive_.begin() + tree.firstBlock, alive_.end(), kAllSlots);
}

void CSelfIntersectionCheck::SetCoarse()
{
    // A plane distance in floats is off by at most some 21 roundings of the
    // largest coordinate (unit normal, |d| <= sqrt(3) * largest); a float
    // distance beyond kTol less that margin is the only sure sign that the
    // exact one may be beyond kTol.
    const double margin = 64.0 * std::ldexp(1.0, -24) * double(largest_);
    coarse_ = static_cast<float>(kDesignTolerance - margin);
}

// The slots' boxes, four at a time from their corners; padding gets an empty box.
void CSelfIntersectionCheck::BoxBlocks(size_t n, const CTree& tree)
{
    for (uint32_t b = tree.firstBlock; b < tree.firstBlock + tree.blocks; ++b) {
        float* c = &blockData_[size_t(b) * kColumns * kBlock];
        for (uint32_t half = 0; half < kGroups; ++half) {
            const auto at = [c, half](int column) { return Load4(c + column * kBlock + 4 * half); };
            for (int axis = 0; axis < 3; ++axis) {
                const F4 p0 = at(kP0X + axis), p1 = at(kP1X + axis), p2 = at(kP2X + axis);
                const F4 lo = Down(Min(Min(p0, p1), p2));
                const F4 hi = Up(Max(Max(p0, p1), p2));
                std::memcpy(c + (kLoX + axis) * kBlock + 4 * half, &lo, sizeof lo);
                std::memcpy(c + (kHiX + axis) * kBlock + 4 * half, &hi, sizeof hi);
            }
        }
    }
    const size_t first = size_t(tree.firstBlock) * kBlock;
    for (size_t s = first + n; s < first + size_t(tree.blocks) * kBlock; ++s) {
        float* to = &blockData_[(s / kBlock) * kColumns * kBlock + s % kBlock];
        for (int axis = 0; axis < 3; ++axis) {
            to[(kLoX + axis) * kBlock] = kInf;
            to[(kHiX + axis) * kBlock] = -kInf;
        }
    }
}

// The tree over the tree's blocks and the hubs of its nodes (slot triangles
// are read from the mesh of the run).
void CSelfIntersectionCheck::BuildTree(CTree& tree, size_t n)
{
    const uint32_t leafBase = std::bit_ceil(tree.blocks);
    tree.leafBase = leafBase;
    tree.box.resize(2 * size_t(leafBase));
    tree.hub.resize(2 * size_t(leafBase));
    tree.hasHub.resize(2 * size_t(leafBase));
    const size_t first = size_t(tree.firstBlock) * kBlock;
    for (uint32_t b = 0; b < leafBase; ++b) {
        CBox& box = tree.box[leafBase + b];
        for (int axis = 0; axis < 3; ++axis) {
            box.lo[axis] = kInf;
            box.hi[axis] = -kInf;
        }
        tree.hasHub[leafBase + b] = kNoTriangles;
        if (b >= tree.blocks)
            continue;
        const float* c = Block(tree.firstBlock + b);
        for (int axis = 0; axis < 3; ++axis)
            for (uint32_t s = 0; s < kBlock; ++s) {
                box.lo[axis] = std::min(box.lo[axis], c[(kLoX + axis) * kBlock + s]);
                box.hi[axis] = std::max(box.hi[axis], c[(kHiX + axis) * kBlock + s]);
            }
        const size_t from = first + size_t(b) * kBlock;
        const size_t to = std::min(from + kBlock, first + n);
        tree.hasHub[leafBase + b] = kNoHub;
        const uint32_t s0 = static_cast<uint32_t>(from % kBlock);
        const uint32_t last = static_cast<uint32_t>(to - from) + s0;
        const auto floatsAt = [c](uint32_t s, int j, int axis) {
            return c[(kP0X + 3 * j + axis) * kBlock + s];
        };
        for (int j = 0; j < 3; ++j) {
            // The block's floats rule out nearly every candidate without a
            // trip to the mesh; equal floats are confirmed in doubles.
            bool all = true;
            for (uint32_t s = s0 + 1; all && s < last; ++s) {
                bool has = false;
                for (int k = 0; k < 3; ++k)
                    has |= floatsAt(s, k, 0) == floatsAt(s0, j, 0) &&
                           floatsAt(s, k, 1) == floatsAt(s0, j, 1) &&
                           floatsAt(s, k, 2) == floatsAt(s0, j, 2);
                all = has;
            }
            const CVector3 hub = mesh_->pos[3 * size_t(slotTri_[from]) + j];
            for (size_t s = from + 1; all && s < to; ++s) {
                const CVector3* p = &mesh_->pos[3 * size_t(slotTri_[s])];
                all = p[0] == hub || p[1] == hub || p[2] == hub;
            }
            if (all) {
                tree.hasHub[leafBase + b] = kHub;
                tree.hub[leafBase + b] = hub;
                break;
            }
        }
    }
    for (uint32_t k = leafBase; k-- > 1;) {
        tree.box[k] = tree.box[2 * k];
        Grow(tree.box[k], tree.box[2 * k + 1]);
        const uint8_t l = tree.hasHub[2 * k], r = tree.hasHub[2 * k + 1];
        if (l == kNoTriangles || r == kNoTriangles) {
            const uint32_t from = l == kNoTriangles ? 2 * k + 1 : 2 * k;
            tree.hasHub[k] = tree.hasHub[from];
            tree.hub[k] = tree.hub[from];
        } else {
            const bool same = l == kHub && r == kHub && tree.hub[2 * k] == tree.hub[2 * k + 1];
            tree.hasHub[k] = same ? kHub : kNoHub;
            tree.hub[k] = tree.hub[2 * k];
        }
    }
}

bool CSelfIntersectionCheck::SameHub(const CTree& tu, uint32_t u, const CTree& tv, uint32_t v) const
{
    return tu.hasHub[u] == kHub && tv.hasHub[v] == kHub && tu.hub[u] == tv.hub[v];
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
    const auto entry = [](uint32_t u, uint32_t v) { return uint64_t(u) << 32 | v; };
    const auto nonEmpty = [&box](uint32_t u) { return box[u].lo[0] <= box[u].hi[0]; };
    const auto pair = [&](uint32_t u, uint32_t v) {
        if (SameHub(tree, u, tree, v))
            return;
        if (u >= leafBase)
            TestBlocks(tree.firstBlock + u - leafBase, tree.firstBlock + v - leafBase, box[v]);
        else
            pairStack_.push_back(entry(u, v));
    };
    pairStack_.clear();
    if (nonEmpty(1))
        pair(1, 1);
    while (!pairStack_.empty()) {
        const uint64_t top = pairStack_.back();
        pairStack_.pop_back();
        const uint32_t u = static_cast<uint32_t>(top >> 32);
        const uint32_t v = static_cast<uint32_t>(top);
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
    const auto entry = [](uint32_t u, uint32_t v) { return uint64_t(u) << 32 | v; };
    const auto pair = [&](uint32_t u, uint32_t v) {
        if (!Overlap(tu.box[u], tv.box[v]) || SameHub(tu, u, tv, v))
            return;
        if (u >= tu.leafBase && v >= tv.leafBase)
            TestBlocks(tu.firstBlock + u - tu.leafBase, tv.firstBlock + v - tv.leafBase, tv.box[v]);
        else
            pairStack_.push_back(entry(u, v));
    };
    pairStack_.clear();
    pair(1, 1);
    while (!pairStack_.empty()) {
        const uint64_t top = pairStack_.back();
        pairStack_.pop_back();
        const uint32_t u = static_cast<uint32_t>(top >> 32);
        const uint32_t v = static_cast<uint32_t>(top);
        // Split whichever is not a leaf yet; both when neither is.
        const bool splitU = u < tu.leafBase, splitV = v < tv.leafBase;
        const uint32_t uFrom = splitU ? 2 * u : u, uTo = splitU ? 2 * u + 1 : u;
        const uint32_t vFrom = splitV ? 2 * v : v, vTo = splitV ? 2 * v + 1 : v;
        for (uint32_t a = uFrom; a <= uTo; ++a)
            for (uint32_t b = vFrom; b <= vTo; ++b)
                pair(a, b);
    }
}

// Adds to around_ the triangles of the tree whose boxes hold both points.
void CSelfIntersectionCheck::FindAround(const CTree& tree, const CVector3& p, const CVector3& q)
{
    CBox box;
    const F4 lo = Down(Min(F4{float(p.x), float(p.y), float(p.z), 0.0f},
                           F4{float(q.x), float(q.y), float(q.z), 0.0f}));
    const F4 hi = Up(Max(F4{float(p.x), float(p.y), float(p.z), 0.0f},
                         F4{float(q.x), float(q.y), float(q.z), 0.0f}));
    for (int axis = 0; axis < 3; ++axis)
        box.lo[axis] = lo[axis], box.hi[axis] = hi[axis];
    nodeStack_.clear();
    nodeStack_.push_back(1);
    while (!nodeStack_.empty()) {
        const uint32_t u = nodeStack_.back();
        nodeStack_.pop_back();
        if (!Overlap(tree.box[u], box))
            continue;
        if (u < tree.leafBase) {
            nodeStack_.push_back(2 * u);
            nodeStack_.push_back(2 * u + 1);
            continue;
        }
        const uint32_t b = tree.firstBlock + u - tree.leafBase;
        const float* c = Block(b);
        for (uint32_t s = 0; s < kBlock; ++s) {
            CBox slot;
            for (int axis = 0; axis < 3; ++axis) {
                slot.lo[axis] = c[(kLoX + axis) * kBlock + s];
                slot.hi[axis] = c[(kHiX + axis) * kBlock + s];
            }
            if (((alive_[b] >> s) & 1) && Overlap(slot, box))
                around_.push_back(slotTri_[size_t(b) * kBlock + s]);
        }
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
    const CFlatMesh& mesh = *mesh_;
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

size_t CountSelfIntersections(const CFlatMesh& mesh)
{
    CSelfIntersectionCheck check;
    return check.Run(mesh, 0);
}

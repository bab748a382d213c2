// The tree of the self-intersection check: the triangles' float records in
// Morton order, cut into blocks, boxed, and an implicit binary tree over the
// blocks with the hubs of its nodes; and the one query on it, FindAround.
#include "checks/SelfIntersection.h"

#include "base/Lanes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

using lanes::F4;
using lanes::I4;
using lanes::Load4;
using lanes::Max;
using lanes::Min;

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

// The float records and Morton codes of the triangles that have an interior
// and finite float corners, in mesh order (or the list's); returns how many. One pass over
// the mesh in its own order: the random reads of the sort's order then touch
// only the compact records.
size_t CSelfIntersectionCheck::Collect(const CWorkingShape& mesh, const uint32_t* list,
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

#include "checks/SelfIntersection.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

// How it goes: triangles are sorted along a Morton curve and cut into blocks
// of kBlock neighbouring triangles; a tree over the blocks finds the pairs of
// blocks whose boxes overlap; each pair of blocks is tested as one kBlock x
// kBlock grid in floats (boxes, then whether any edge can cross the other's
// plane), written so the compiler runs a row side by side. Only what survives
// meets the exact test in doubles. Folded paper is mostly neighbours touching
// neighbours, and the float test throws those out without a branch.

namespace {

constexpr uint32_t kBlock = 8;
constexpr float kInf = std::numeric_limits<float>::infinity();

// The bits of a 10-bit number moved to every third place.
uint32_t Spread(uint32_t v) {
    v &= 0x3ff;
    v = (v | v << 16) & 0x030000ff;
    v = (v | v << 8) & 0x0300f00f;
    v = (v | v << 4) & 0x030c30c3;
    v = (v | v << 2) & 0x09249249;
    return v;
}

// Float bounds that surely hold the double value: a relative pad well above
// a float's rounding, and an absolute one for zero.
float Below(double x) {
    return static_cast<float>(x - std::fabs(x) * 1e-6 - 1e-30);
}
float Above(double x) {
    return static_cast<float>(x + std::fabs(x) * 1e-6 + 1e-30);
}

bool Before(const CIntersectingPair& x, const CIntersectingPair& y) {
    return x.a != y.a ? x.a < y.a : x.b < y.b;
}

} // namespace

bool CSelfIntersectionCheck::Overlap(const CBox& x, const CBox& y) {
    // Without short cuts: the outcome is hard to predict, a branch costs more.
    return (x.lo[0] <= y.hi[0]) & (y.lo[0] <= x.hi[0]) & (x.lo[1] <= y.hi[1]) &
           (y.lo[1] <= x.hi[1]) & (x.lo[2] <= y.hi[2]) & (y.lo[2] <= x.hi[2]);
}

void CSelfIntersectionCheck::Grow(CBox& box, const CBox& by) {
    for (int axis = 0; axis < 3; ++axis) {
        box.lo[axis] = std::min(box.lo[axis], by.lo[axis]);
        box.hi[axis] = std::max(box.hi[axis], by.hi[axis]);
    }
}

size_t CSelfIntersectionCheck::Run(const CFlatMesh& mesh, size_t maxPairs) {
    count_ = 0;
    candidates_ = 0;
    maxPairs_ = maxPairs;
    pairs_.clear();
    flags_.assign(mesh.TriangleCount(), 0);
    const size_t n = Collect(mesh);
    if (n < 2)
        return 0;
    Sort(n);
    Gather(mesh, n);
    BuildTree();
    mesh_ = &mesh;
    Traverse();
    mesh_ = nullptr;
    std::sort_heap(pairs_.begin(), pairs_.end(), Before);
    return count_;
}

// Boxes and Morton codes of the triangles that have an interior; returns how many.
size_t CSelfIntersectionCheck::Collect(const CFlatMesh& mesh) {
    const size_t triangles = mesh.TriangleCount();
    triBox_.resize(triangles);
    triOf_.resize(triangles);
    float lo[3] = {kInf, kInf, kInf};
    float hi[3] = {-kInf, -kInf, -kInf};
    float largest = 0.0f;
    size_t n = 0;
    for (size_t t = 0; t < triangles; ++t) {
        if (!TriangleHasPlane(mesh.tri[t]))
            continue;
        const CVector3* p = &mesh.pos[3 * t];
        CBox& box = triBox_[n];
        bool finite = true;
        for (int axis = 0; axis < 3; ++axis) {
            const double c0 = (&p[0].x)[axis], c1 = (&p[1].x)[axis], c2 = (&p[2].x)[axis];
            box.lo[axis] = Below(std::min({c0, c1, c2}));
            box.hi[axis] = Above(std::max({c0, c1, c2}));
            finite = finite && std::isfinite(box.lo[axis]) && std::isfinite(box.hi[axis]);
        }
        if (!finite)
            continue;
        for (int axis = 0; axis < 3; ++axis) {
            const float centre = 0.5f * (box.lo[axis] + box.hi[axis]);
            lo[axis] = std::min(lo[axis], centre);
            hi[axis] = std::max(hi[axis], centre);
            largest = std::max({largest, -box.lo[axis], box.hi[axis]});
        }
        triOf_[n++] = static_cast<uint32_t>(t);
    }
    std::copy_n(lo, 3, sceneLo_);
    std::copy_n(hi, 3, sceneHi_);
    largest_ = largest;

    code_.resize(n);
    float scale[3];
    for (int axis = 0; axis < 3; ++axis) {
        const float extent = hi[axis] - lo[axis];
        scale[axis] = extent > 0.0f ? 1023.0f / extent : 0.0f;
    }
    for (size_t s = 0; s < n; ++s) {
        const CBox& box = triBox_[s];
        uint32_t code = 0;
        for (int axis = 0; axis < 3; ++axis) {
            const float centre = 0.5f * (box.lo[axis] + box.hi[axis]);
            const float q = std::clamp((centre - lo[axis]) * scale[axis], 0.0f, 1023.0f);
            code |= Spread(static_cast<uint32_t>(q)) << (2 - axis);
        }
        code_[s] = code;
    }
    return n;
}

// Orders the n collected triangles by Morton code into indexTmp_. Stable, so
// ties keep mesh order and every run on a mesh builds the same tree.
void CSelfIntersectionCheck::Sort(size_t n) {
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
    constexpr uint32_t kBuckets = 1u << kBits;
    uint32_t histogram[kBuckets];
    for (int shift = 0; shift < 30; shift += kBits) {
        std::fill(histogram, histogram + kBuckets, 0u);
        for (size_t s = 0; s < n; ++s)
            ++histogram[(keyIn[s] >> shift) & (kBuckets - 1)];
        uint32_t sum = 0;
        for (uint32_t& h : histogram) {
            const uint32_t c = h;
            h = sum;
            sum += c;
        }
        for (size_t s = 0; s < n; ++s) {
            const uint32_t to = histogram[(keyIn[s] >> shift) & (kBuckets - 1)]++;
            keyOut[to] = keyIn[s];
            valOut[to] = valIn[s];
        }
        std::swap(keyIn, keyOut);
        std::swap(valIn, valOut);
    }
    // Three passes: the sorted order ended in the second buffers.
}

// Lays the sorted triangles out as columns, padded to whole blocks with
// slots whose boxes are empty (they overlap nothing).
void CSelfIntersectionCheck::Gather(const CFlatMesh& mesh, size_t n) {
    blocks_ = static_cast<uint32_t>((n + kBlock - 1) / kBlock);
    slots_ = size_t(blocks_) * kBlock;
    columns_.resize(kColumns * slots_);
    slotTri_.resize(slots_);
    float* col[kColumns];
    for (int c = 0; c < kColumns; ++c)
        col[c] = &columns_[size_t(c) * slots_];
    for (size_t s = 0; s < n; ++s) {
        const uint32_t from = indexTmp_[s];
        const uint32_t t = triOf_[from];
        slotTri_[s] = t;
        const CBox& box = triBox_[from];
        for (int axis = 0; axis < 3; ++axis) {
            col[kLoX + axis][s] = box.lo[axis];
            col[kHiX + axis][s] = box.hi[axis];
        }
        const CVector3* p = &mesh.pos[3 * size_t(t)];
        for (int j = 0; j < 3; ++j) {
            col[kP0X + 3 * j][s] = static_cast<float>(p[j].x);
            col[kP0X + 3 * j + 1][s] = static_cast<float>(p[j].y);
            col[kP0X + 3 * j + 2][s] = static_cast<float>(p[j].z);
        }
        const CTriangleData& td = mesh.tri[t];
        col[kNX][s] = static_cast<float>(td.normal.x);
        col[kNY][s] = static_cast<float>(td.normal.y);
        col[kNZ][s] = static_cast<float>(td.normal.z);
        col[kD][s] = static_cast<float>(td.d);
    }
    for (size_t s = n; s < slots_; ++s) {
        for (int c = 0; c < kColumns; ++c)
            col[c][s] = 0.0f;
        for (int axis = 0; axis < 3; ++axis) {
            col[kLoX + axis][s] = kInf;
            col[kHiX + axis][s] = -kInf;
        }
        slotTri_[s] = 0;
    }
    // A plane distance in floats is off by at most some 21 roundings of the
    // largest coordinate (unit normal, |d| <= sqrt(3) * largest); a float
    // distance beyond kTol less that margin is the only sure sign that the
    // exact one may be beyond kTol.
    const double margin = 64.0 * std::ldexp(1.0, -24) * double(largest_);
    coarse_ = static_cast<float>(kIntersectionTolerance - margin);
}

// A complete binary tree over the blocks, as an array: node 1 is the root,
// node k has children 2k and 2k + 1, and block b is node leafBase_ + b.
void CSelfIntersectionCheck::BuildTree() {
    leafBase_ = std::bit_ceil(blocks_);
    nodeBox_.resize(2 * size_t(leafBase_));
    const float* c = Col(0);
    const size_t stride = slots_;
    for (uint32_t b = 0; b < leafBase_; ++b) {
        CBox& box = nodeBox_[leafBase_ + b];
        for (int axis = 0; axis < 3; ++axis) {
            box.lo[axis] = kInf;
            box.hi[axis] = -kInf;
        }
        if (b >= blocks_)
            continue;
        for (uint32_t s = b * kBlock; s < (b + 1) * kBlock; ++s)
            for (int axis = 0; axis < 3; ++axis) {
                box.lo[axis] = std::min(box.lo[axis], c[(kLoX + axis) * stride + s]);
                box.hi[axis] = std::max(box.hi[axis], c[(kHiX + axis) * stride + s]);
            }
    }
    for (uint32_t k = leafBase_; k-- > 1;) {
        nodeBox_[k] = nodeBox_[2 * k];
        Grow(nodeBox_[k], nodeBox_[2 * k + 1]);
    }
}

void CSelfIntersectionCheck::Traverse() {
    // Each entry pairs two nodes of one level whose triangles are still to be
    // paired; a node paired with itself stands for the pairs inside it. Every
    // unordered pair of triangles is met exactly once.
    const auto entry = [](uint32_t u, uint32_t v) { return uint64_t(u) << 32 | v; };
    pairStack_.clear();
    pairStack_.push_back(entry(1, 1));
    while (!pairStack_.empty()) {
        const uint64_t top = pairStack_.back();
        pairStack_.pop_back();
        const uint32_t u = static_cast<uint32_t>(top >> 32);
        const uint32_t v = static_cast<uint32_t>(top);
        if (u == v) {
            if (!(nodeBox_[u].lo[0] <= nodeBox_[u].hi[0]))
                continue; // only padding below
            if (u >= leafBase_) {
                TestBlocks(u - leafBase_, u - leafBase_);
            } else {
                pairStack_.push_back(entry(2 * u, 2 * u + 1));
                pairStack_.push_back(entry(2 * u + 1, 2 * u + 1));
                pairStack_.push_back(entry(2 * u, 2 * u));
            }
            continue;
        }
        if (!Overlap(nodeBox_[u], nodeBox_[v]))
            continue;
        if (u >= leafBase_) {
            TestBlocks(u - leafBase_, v - leafBase_);
            continue;
        }
        pairStack_.push_back(entry(2 * u, 2 * v));
        pairStack_.push_back(entry(2 * u, 2 * v + 1));
        pairStack_.push_back(entry(2 * u + 1, 2 * v));
        pairStack_.push_back(entry(2 * u + 1, 2 * v + 1));
    }
}

// Every pair of a slot of block x with a slot of block y (x <= y; within one
// block when x == y): boxes, then the float plane test, then the exact test.
void CSelfIntersectionCheck::TestBlocks(uint32_t x, uint32_t y) {
    const size_t stride = slots_;
    const float* c = Col(0);
    const size_t first = size_t(y) * kBlock;
    const float* lo[3] = {c + kLoX * stride + first, c + kLoY * stride + first,
                          c + kLoZ * stride + first};
    const float* hi[3] = {c + kHiX * stride + first, c + kHiY * stride + first,
                          c + kHiZ * stride + first};
    const float* px[3] = {c + kP0X * stride + first, c + kP1X * stride + first,
                          c + kP2X * stride + first};
    const float* py[3] = {c + kP0Y * stride + first, c + kP1Y * stride + first,
                          c + kP2Y * stride + first};
    const float* pz[3] = {c + kP0Z * stride + first, c + kP1Z * stride + first,
                          c + kP2Z * stride + first};
    const float* nx = c + kNX * stride + first;
    const float* ny = c + kNY * stride + first;
    const float* nz = c + kNZ * stride + first;
    const float* nd = c + kD * stride + first;
    const float t = coarse_;
    for (uint32_t i = 0; i < kBlock; ++i) {
        const size_t s = size_t(x) * kBlock + i;
        if (c[kLoX * stride + s] == kInf)
            break; // padding: the rest of the block is padding too
        float ilo[3], ihi[3], ip[3][3];
        for (int a = 0; a < 3; ++a) {
            ilo[a] = c[(kLoX + a) * stride + s];
            ihi[a] = c[(kHiX + a) * stride + s];
        }
        for (int k = 0; k < 3; ++k)
            for (int a = 0; a < 3; ++a)
                ip[k][a] = c[(kP0X + 3 * k + a) * stride + s];
        const float inx = c[kNX * stride + s], iny = c[kNY * stride + s], inz = c[kNZ * stride + s],
                    ind = c[kD * stride + s];
        // One row of the grid, with no branch inside: the compiler runs the
        // eight tests side by side. Boxes first: most rows meet no box.
        int keep[kBlock];
        int any = 0;
        for (uint32_t j = 0; j < kBlock; ++j) {
            keep[j] = (ilo[0] <= hi[0][j]) & (lo[0][j] <= ihi[0]) & (ilo[1] <= hi[1][j]) &
                      (lo[1][j] <= ihi[1]) & (ilo[2] <= hi[2][j]) & (lo[2][j] <= ihi[2]);
            any |= keep[j];
        }
        if (!any)
            continue;
        for (uint32_t j = 0; j < kBlock; ++j) {
            // Distances of this slot's corners from the other's plane, and back.
            const float a0 = nx[j] * ip[0][0] + ny[j] * ip[0][1] + nz[j] * ip[0][2] + nd[j];
            const float a1 = nx[j] * ip[1][0] + ny[j] * ip[1][1] + nz[j] * ip[1][2] + nd[j];
            const float a2 = nx[j] * ip[2][0] + ny[j] * ip[2][1] + nz[j] * ip[2][2] + nd[j];
            const float b0 = inx * px[0][j] + iny * py[0][j] + inz * pz[0][j] + ind;
            const float b1 = inx * px[1][j] + iny * py[1][j] + inz * pz[1][j] + ind;
            const float b2 = inx * px[2][j] + iny * py[2][j] + inz * pz[2][j] + ind;
            // No edge crosses when no corner is beyond +t or none beyond -t
            // (a NaN compares false both ways and is passed on).
            const bool noA =
                ((a0 <= t) & (a1 <= t) & (a2 <= t)) | ((a0 >= -t) & (a1 >= -t) & (a2 >= -t));
            const bool noB =
                ((b0 <= t) & (b1 <= t) & (b2 <= t)) | ((b0 >= -t) & (b1 >= -t) & (b2 >= -t));
            keep[j] &= !(noA & noB);
        }
        uint32_t mask = 0;
        for (uint32_t j = 0; j < kBlock; ++j)
            mask |= uint32_t(keep[j]) << j;
        if (x == y)
            mask &= ~((2u << i) - 1); // each pair once, and never a slot with itself
        while (mask) {
            const uint32_t j = static_cast<uint32_t>(std::countr_zero(mask));
            mask &= mask - 1;
            TestExact(static_cast<uint32_t>(s), static_cast<uint32_t>(first + j));
        }
    }
}

void CSelfIntersectionCheck::TestExact(uint32_t i, uint32_t j) {
    ++candidates_;
    uint32_t a = slotTri_[i], b = slotTri_[j];
    if (a > b)
        std::swap(a, b);
    const CFlatMesh& mesh = *mesh_;
    const CTriangleData& ta = mesh.tri[a];
    const CTriangleData& tb = mesh.tri[b];
    CVector3 at;
    if (CornersIntersect(&mesh.pos[3 * size_t(a)], ta.normal, ta.d, &mesh.pos[3 * size_t(b)],
                         tb.normal, tb.d, at))
        Keep(a, b, at);
}

void CSelfIntersectionCheck::Keep(uint32_t a, uint32_t b, const CVector3& at) {
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

size_t CountSelfIntersections(const CFlatMesh& mesh) {
    CSelfIntersectionCheck check;
    return check.Run(mesh, 0);
}

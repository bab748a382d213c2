#include "checks/SelfIntersection.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

constexpr double kTol = kIntersectionTolerance;
constexpr double kTol2 = kTol * kTol;
// Triangles per leaf: fewer means more nodes to visit, more means more box tests.
constexpr uint32_t kLeafSize = 4;

bool SameCorner(const CVector3& p, const CVector3& q)
{
    const double dx = p.x - q.x, dy = p.y - q.y, dz = p.z - q.z;
    return dx * dx + dy * dy + dz * dz < kTol2;
}

bool Crosses(double dp, double dq) { return (dp > kTol && dq < -kTol) || (dp < -kTol && dq > kTol); }

bool AllBeyond(const double* d)
{
    return (d[0] > kTol && d[1] > kTol && d[2] > kTol) ||
           (d[0] < -kTol && d[1] < -kTol && d[2] < -kTol);
}

bool AllOn(const double* d)
{
    return std::fabs(d[0]) <= kTol && std::fabs(d[1]) <= kTol && std::fabs(d[2]) <= kTol;
}

// Whether the edge p-q, whose ends lie dp and dq from the plane of triangle c,
// crosses that plane at least the tolerance inside each of c's borders.
bool EdgeThrough(const CVector3& p, const CVector3& q, double dp, double dq, const CVector3* c,
                 const CVector3& n, CVector3& at)
{
    if (!Crosses(dp, dq))
        return false;
    const CVector3 x = p + (q - p) * (dp / (dp - dq));
    for (int k = 0; k < 3; ++k) {
        const CVector3& a = c[k];
        const CVector3 e = c[k == 2 ? 0 : k + 1] - a;
        // |e| times the distance of x inside the border a-b: positive inside,
        // as the normal is the right-hand normal of the corner order.
        const double s = e.Cross(x - a).Dot(n);
        if (!(s > 0.0 && s * s > kTol2 * e.Dot(e)))
            return false;
    }
    at = x;
    return true;
}

bool HasPlane(const CTriangleData& t)
{
    return std::isfinite(t.normal.x) && std::isfinite(t.normal.y) && std::isfinite(t.normal.z) &&
           std::isfinite(t.d);
}

bool PairIntersects(const CVector3* pa, const CTriangleData& ta, const CVector3* pb,
                    const CTriangleData& tb, CVector3& at)
{
    // Cheapest rejections first: most pairs that get here lie apart or are neighbours.
    double da[3], db[3];
    for (int k = 0; k < 3; ++k)
        da[k] = tb.normal.Dot(pa[k]) + tb.d;
    if (AllBeyond(da))
        return false;
    for (int k = 0; k < 3; ++k)
        db[k] = ta.normal.Dot(pb[k]) + ta.d;
    if (AllBeyond(db))
        return false;
    // Layers of a flat fold: one lies in the other's plane.
    if (AllOn(da) || AllOn(db))
        return false;
    // Neighbours across a crease, or around a corner.
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k)
            if (SameCorner(pa[j], pb[k]))
                return false;
    for (int k = 0; k < 3; ++k) {
        const int k1 = k == 2 ? 0 : k + 1;
        if (EdgeThrough(pa[k], pa[k1], da[k], da[k1], pb, tb.normal, at))
            return true;
    }
    for (int k = 0; k < 3; ++k) {
        const int k1 = k == 2 ? 0 : k + 1;
        if (EdgeThrough(pb[k], pb[k1], db[k], db[k1], pa, ta.normal, at))
            return true;
    }
    return false;
}

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

// Float bounds that surely hold the double value: a relative pad well above
// a float's rounding, and an absolute one for zero.
float Below(double x) { return static_cast<float>(x - std::fabs(x) * 1e-6 - 1e-30); }
float Above(double x) { return static_cast<float>(x + std::fabs(x) * 1e-6 + 1e-30); }

bool Before(const CIntersectingPair& x, const CIntersectingPair& y)
{
    return x.a != y.a ? x.a < y.a : x.b < y.b;
}

} // namespace

bool TrianglesIntersect(const CFlatMesh& mesh, size_t a, size_t b, CVector3* at)
{
    if (a == b)
        return false;
    if (a > b)
        std::swap(a, b);
    if (!HasPlane(mesh.tri[a]) || !HasPlane(mesh.tri[b]))
        return false;
    CVector3 x;
    if (!PairIntersects(&mesh.pos[3 * a], mesh.tri[a], &mesh.pos[3 * b], mesh.tri[b], x))
        return false;
    if (at)
        *at = x;
    return true;
}

bool CSelfIntersectionCheck::Overlap(const CBox& x, const CBox& y)
{
    return x.lo[0] <= y.hi[0] && y.lo[0] <= x.hi[0] && x.lo[1] <= y.hi[1] &&
           y.lo[1] <= x.hi[1] && x.lo[2] <= y.hi[2] && y.lo[2] <= x.hi[2];
}

void CSelfIntersectionCheck::Grow(CBox& box, const CBox& by)
{
    for (int axis = 0; axis < 3; ++axis) {
        box.lo[axis] = std::min(box.lo[axis], by.lo[axis]);
        box.hi[axis] = std::max(box.hi[axis], by.hi[axis]);
    }
}

float CSelfIntersectionCheck::Extent(const CBox& box)
{
    return (box.hi[0] - box.lo[0]) + (box.hi[1] - box.lo[1]) + (box.hi[2] - box.lo[2]);
}

size_t CSelfIntersectionCheck::Run(const CFlatMesh& mesh, size_t maxPairs)
{
    count_ = 0;
    candidates_ = 0;
    maxPairs_ = maxPairs;
    pairs_.clear();
    const size_t triangles = mesh.TriangleCount();
    flags_.assign(triangles, 0);

    // Boxes of the triangles that have an interior, and the bounds of their centres.
    triBox_.resize(triangles);
    triOf_.resize(triangles);
    float sceneLo[3] = {INFINITY, INFINITY, INFINITY};
    float sceneHi[3] = {-INFINITY, -INFINITY, -INFINITY};
    size_t n = 0;
    for (size_t t = 0; t < triangles; ++t) {
        if (!HasPlane(mesh.tri[t]))
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
            sceneLo[axis] = std::min(sceneLo[axis], centre);
            sceneHi[axis] = std::max(sceneHi[axis], centre);
        }
        triOf_[n++] = static_cast<uint32_t>(t);
    }
    if (n < 2)
        return 0;

    code_.resize(n);
    float scale[3];
    for (int axis = 0; axis < 3; ++axis) {
        const float extent = sceneHi[axis] - sceneLo[axis];
        scale[axis] = extent > 0.0f ? 1023.0f / extent : 0.0f;
    }
    for (size_t s = 0; s < n; ++s) {
        const CBox& box = triBox_[s];
        uint32_t code = 0;
        for (int axis = 0; axis < 3; ++axis) {
            const float centre = 0.5f * (box.lo[axis] + box.hi[axis]);
            const float q = std::clamp((centre - sceneLo[axis]) * scale[axis], 0.0f, 1023.0f);
            code |= Spread(static_cast<uint32_t>(q)) << (2 - axis);
        }
        code_[s] = code;
    }
    Sort(n);
    BuildTree(n);
    Traverse(mesh);
    std::sort_heap(pairs_.begin(), pairs_.end(), Before);
    return count_;
}

// Orders the n boxes by Morton code (stable, so ties keep triangle order and
// every run builds the same tree): slot s then holds triangle order_[s] with
// box slotBox_[s].
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
    // After an odd number of passes the sorted keys are in the second buffers.
    code_.swap(codeTmp_);
    slotBox_.resize(n);
    order_.resize(n);
    for (size_t s = 0; s < n; ++s) {
        slotBox_[s] = triBox_[indexTmp_[s]];
        order_[s] = triOf_[indexTmp_[s]];
    }
}

void CSelfIntersectionCheck::BuildTree(size_t n)
{
    nodes_.clear();
    nodes_.reserve(2 * n / kLeafSize + 2);
    nodes_.push_back({{}, 0, static_cast<uint32_t>(n)});
    buildStack_.clear();
    buildStack_.push_back(0);
    while (!buildStack_.empty()) {
        const uint32_t ni = buildStack_.back();
        buildStack_.pop_back();
        const uint32_t lo = nodes_[ni].first;
        const uint32_t hi = lo + nodes_[ni].count;
        if (hi - lo <= kLeafSize)
            continue;
        // Split where the highest differing bit of the codes flips: the
        // halves are then the two halves of a cell of the Morton grid.
        uint32_t mid = lo + (hi - lo) / 2;
        const uint32_t diff = code_[lo] ^ code_[hi - 1];
        if (diff != 0) {
            const uint32_t bit = 1u << (31 - std::countl_zero(diff));
            const auto split = std::partition_point(code_.begin() + lo, code_.begin() + hi,
                                                    [bit](uint32_t c) { return (c & bit) == 0; });
            mid = static_cast<uint32_t>(split - code_.begin());
        }
        const uint32_t left = static_cast<uint32_t>(nodes_.size());
        nodes_.push_back({{}, lo, mid - lo});
        nodes_.push_back({{}, mid, hi - mid});
        nodes_[ni].first = left;
        nodes_[ni].count = 0;
        buildStack_.push_back(left);
        buildStack_.push_back(left + 1);
    }
    // Children come after their parent, so one backward pass sets every box.
    for (size_t i = nodes_.size(); i-- > 0;) {
        CNode& node = nodes_[i];
        if (node.count) {
            node.box = slotBox_[node.first];
            for (uint32_t k = 1; k < node.count; ++k)
                Grow(node.box, slotBox_[node.first + k]);
        } else {
            node.box = nodes_[node.first].box;
            Grow(node.box, nodes_[node.first + 1].box);
        }
    }
}

void CSelfIntersectionCheck::Traverse(const CFlatMesh& mesh)
{
    // Each entry is a pair of nodes whose triangles are still to be paired;
    // a node paired with itself stands for the pairs inside it. Every
    // unordered pair of triangles is met exactly once.
    const auto entry = [](uint32_t u, uint32_t v) { return uint64_t(u) << 32 | v; };
    pairStack_.clear();
    pairStack_.push_back(entry(0, 0));
    while (!pairStack_.empty()) {
        const uint64_t top = pairStack_.back();
        pairStack_.pop_back();
        const uint32_t u = static_cast<uint32_t>(top >> 32);
        const uint32_t v = static_cast<uint32_t>(top);
        const CNode& nu = nodes_[u];
        if (u == v) {
            if (nu.count) {
                for (uint32_t i = nu.first; i < nu.first + nu.count; ++i)
                    for (uint32_t j = i + 1; j < nu.first + nu.count; ++j)
                        TestSlots(mesh, i, j);
            } else {
                const uint32_t l = nu.first;
                pairStack_.push_back(entry(l, l + 1));
                pairStack_.push_back(entry(l + 1, l + 1));
                pairStack_.push_back(entry(l, l));
            }
            continue;
        }
        const CNode& nv = nodes_[v];
        if (!Overlap(nu.box, nv.box))
            continue;
        if (nu.count && nv.count) {
            for (uint32_t i = nu.first; i < nu.first + nu.count; ++i)
                for (uint32_t j = nv.first; j < nv.first + nv.count; ++j)
                    TestSlots(mesh, i, j);
            continue;
        }
        // Open the bigger node, so the boxes compared shrink together.
        if (nv.count || (!nu.count && Extent(nu.box) > Extent(nv.box))) {
            pairStack_.push_back(entry(nu.first, v));
            pairStack_.push_back(entry(nu.first + 1, v));
        } else {
            pairStack_.push_back(entry(u, nv.first));
            pairStack_.push_back(entry(u, nv.first + 1));
        }
    }
}

void CSelfIntersectionCheck::TestSlots(const CFlatMesh& mesh, uint32_t i, uint32_t j)
{
    if (!Overlap(slotBox_[i], slotBox_[j]))
        return;
    ++candidates_;
    uint32_t a = order_[i], b = order_[j];
    if (a > b)
        std::swap(a, b);
    CVector3 at;
    if (PairIntersects(&mesh.pos[3 * size_t(a)], mesh.tri[a], &mesh.pos[3 * size_t(b)],
                       mesh.tri[b], at))
        Keep(a, b, at);
}

void CSelfIntersectionCheck::Keep(uint32_t a, uint32_t b, const CVector3& at)
{
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

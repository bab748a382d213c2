// The check of a drag step against the shape the drag started from, and the
// edge crossings, which need the neighbour across an edge.
#include "checks/SelfIntersection.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

} // namespace

size_t CSelfIntersectionCheck::SetBase(const CFlatMesh& base, size_t maxPairs)
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

size_t CSelfIntersectionCheck::Step(const CFlatMesh& mesh, size_t maxPairs)
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
void CSelfIntersectionCheck::MatchBase(const CFlatMesh& mesh)
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

// Keeps the contacts whose edge has a neighbour on the other side of the
// other triangle's plane. The neighbour has both ends of the edge for
// corners, so its box holds the edge's: the trees find it.
void CSelfIntersectionCheck::SettleContacts(std::vector<CContact>& contacts)
{
    const CFlatMesh& mesh = *mesh_;
    for (CContact& c : contacts) {
        const int k1 = c.edge == 2 ? 0 : c.edge + 1;
        const CVector3 p = mesh.Pos(c.a, c.edge), q = mesh.Pos(c.a, k1);
        const CTriangleData& plane = mesh.tri[c.b];
        c.crosses = false;
        around_.clear();
        FindAround(all_, p, q);
        if (inStep_)
            FindAround(movedTree_, p, q);
        for (const uint32_t t : around_) {
            if (t == c.a)
                continue;
            const CVector3* r = &mesh.pos[3 * size_t(t)];
            for (int j = 0; j < 3; ++j) {
                const CVector3 &s0 = r[j], &s1 = r[j == 2 ? 0 : j + 1];
                if (!((s0 == p && s1 == q) || (s0 == q && s1 == p)))
                    continue;
                const double d = plane.normal.Dot(r[j == 0 ? 2 : j - 1]) + plane.d;
                if (std::fabs(d) > kDesignTolerance && (d > 0.0 ? 1 : -1) != c.side)
                    c.crosses = true;
            }
        }
    }
    for (const CContact& c : contacts)
        if (c.crosses)
            Keep(std::min(c.a, c.b), std::max(c.a, c.b), c.at);
}

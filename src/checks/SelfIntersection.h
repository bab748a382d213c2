#pragma once
// Which triangles of a folded form pass through each other. Runs on every
// mouse move of a drag, so the checker keeps its tree and buffers between
// calls and allocates only when a mesh outgrows them.
//
// Two triangles collide when an edge of one passes through the interior of
// the other. Folded paper touches itself everywhere without colliding, so the
// test is conservative: pairs that share a corner (creases), pairs that lie in
// one plane (flat-folded layers) and contacts within the tolerance (an edge
// ending on the other's plane, crossing it at its border) never count. A
// triangle without area has no interior and never counts either.

#include "model/FlatMesh.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Corners closer than this are one corner; a point closer than this to a
// plane or a border lies on it.
constexpr double kIntersectionTolerance = 0.0001;

struct CIntersectingPair {
    uint32_t a = 0; // triangle indices, a < b
    uint32_t b = 0;
    CVector3 at;   // where an edge of one passes through the other: a point on both
};

// Narrow phase on triangles a and b of the mesh (a != b). On a hit stores the
// crossing point in *at when at is not null. Edges of the lower-numbered
// triangle are tried first, each in corner order, so the point is the same
// on every call.
bool TrianglesIntersect(const CFlatMesh& mesh, size_t a, size_t b, CVector3* at = nullptr);

class CSelfIntersectionCheck {
public:
    static constexpr size_t kKeepAll = SIZE_MAX;

    // Finds every colliding pair of the mesh and returns how many there are.
    // Keeps the first maxPairs of them in (a, b) order; the count and the
    // flags cover all of them. Never fails: an empty mesh has no pairs.
    size_t Run(const CFlatMesh& mesh, size_t maxPairs = kKeepAll);

    size_t Count() const { return count_; }
    // Sorted by (a, b), at most maxPairs of them.
    const std::vector<CIntersectingPair>& Pairs() const { return pairs_; }
    // One entry per triangle of the last mesh: 1 when it is in any colliding pair.
    const std::vector<uint8_t>& Flags() const { return flags_; }

    // Candidate triangle pairs whose boxes overlapped on the last run (for benchmarks).
    size_t CandidatePairs() const { return candidates_; }

private:
    struct CBox {
        float lo[3];
        float hi[3];
    };
    struct CNode {
        CBox box;
        uint32_t first; // leaf: first slot; inner: index of the left child (right is next)
        uint32_t count; // leaf: number of slots; inner: 0
    };

    static bool Overlap(const CBox& x, const CBox& y);
    static void Grow(CBox& box, const CBox& by);
    static float Extent(const CBox& box);

    void Sort(size_t n);
    void BuildTree(size_t n);
    void Traverse(const CFlatMesh& mesh);
    void TestSlots(const CFlatMesh& mesh, uint32_t i, uint32_t j);
    void Keep(uint32_t a, uint32_t b, const CVector3& at);

    size_t count_ = 0;
    size_t candidates_ = 0;
    size_t maxPairs_ = kKeepAll;
    std::vector<CIntersectingPair> pairs_; // a max-heap on (a, b) while running
    std::vector<uint8_t> flags_;

    // Scratch, kept between runs.
    std::vector<CBox> triBox_;      // boxes of the triangles with an interior, in mesh order
    std::vector<uint32_t> triOf_;   // their triangle indices
    std::vector<uint32_t> code_;    // their Morton codes; sorted after Sort
    std::vector<CBox> slotBox_;     // boxes in tree order
    std::vector<uint32_t> order_;   // triangle of each slot in tree order
    std::vector<uint32_t> codeTmp_; // radix sort buffers
    std::vector<uint32_t> index_;
    std::vector<uint32_t> indexTmp_;
    std::vector<CNode> nodes_;
    std::vector<uint32_t> buildStack_;
    std::vector<uint64_t> pairStack_;
};

// The number of colliding pairs of the mesh, for callers that print a summary.
size_t CountSelfIntersections(const CFlatMesh& mesh);

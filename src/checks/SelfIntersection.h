#pragma once
// Which triangles of a folded form pass through each other (see
// TrianglePair.h for when a pair counts). Runs on every mouse move of a drag,
// so the checker keeps its buffers between calls and allocates only when a
// mesh outgrows them.

#include "checks/TrianglePair.h"
#include "model/WorkingShape.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct CIntersectingPair {
    uint32_t a = 0; // triangle indices, a < b
    uint32_t b = 0;
    CVector3 at; // where an edge of one passes through the other: a point on both
};

class CSelfIntersectionCheck {
public:
    static constexpr size_t kKeepAll = SIZE_MAX;

    // Finds every colliding pair of the mesh and returns how many there are.
    // Keeps the first maxPairs of them in (a, b) order; the count and the
    // flags cover all of them. Never fails: an empty mesh has no pairs.
    size_t Run(const CWorkingShape& mesh, size_t maxPairs = kKeepAll);

    // Run, keeping what Step needs: the mesh's corners, its pairs and its
    // index. Costs one run and a copy of the positions.
    size_t SetBase(const CWorkingShape& base, size_t maxPairs = kKeepAll);
    bool HasBase() const { return hasBase_; }
    // Lets go of the base and its memory.
    void ForgetBase();
    // Exactly what Run(mesh, maxPairs) gives, for a mesh that mostly repeats
    // the base, as a fold step does: the mesh's triangles are paired in order
    // with base triangles whose corners they equal bit for bit, and only
    // pairs with an unpaired (moved) triangle are looked for. Without a base
    // it is Run.
    size_t Step(const CWorkingShape& mesh, size_t maxPairs = kKeepAll);
    // Triangles the last Step took as moved (new ones included).
    size_t MovedTriangles() const { return moved_.size(); }

    size_t Count() const { return count_; }
    // Sorted by (a, b), at most maxPairs of them; each pair as
    // TrianglesIntersect(mesh, a, b) gives it, or an edge crossing with the
    // middle of the shared stretch (see TrianglePair.h; the neighbour across
    // the edge is one with an interior).
    const std::vector<CIntersectingPair>& Pairs() const { return pairs_; }
    // One entry per triangle of the last mesh: 1 when it is in any colliding pair.
    const std::vector<uint8_t>& Flags() const { return flags_; }

    // Pairs the last run passed to the exact test (for benchmarks).
    size_t CandidatePairs() const { return candidates_; }

private:
    static constexpr uint32_t kBlock = 16;          // slots a block test pairs at once
    static constexpr uint32_t kGroups = kBlock / 4; // of four lanes
    static_assert(kBlock % 4 == 0 && kBlock <= 32);

    struct CBox {
        float lo[3];
        float hi[3];
    };
    // The per-slot data the block test reads, in floats. A block keeps each
    // column's kBlock values side by side, and its columns one after the
    // other, so a block pair reads two small contiguous records. The first
    // kRecordColumns come from the mesh; the box is worked out from them.
    enum Column : int {
        kP0X,
        kP0Y,
        kP0Z,
        kP1X,
        kP1Y,
        kP1Z,
        kP2X,
        kP2Y,
        kP2Z,
        kNX,
        kNY,
        kNZ,
        kD,
        kRecordColumns,
        kLoX = kRecordColumns,
        kLoY,
        kLoZ,
        kHiX,
        kHiY,
        kHiZ,
        kColumns
    };
    // One triangle's record columns, a cache line to itself.
    struct alignas(64) CRecord {
        float v[16];
    };
    static_assert(kRecordColumns <= 16);

    // An implicit binary tree over a run of blocks: node 1 is the root, node k
    // has children 2k and 2k + 1, and block firstBlock + b is leaf leafBase + b.
    // A node's hub is a corner every triangle under it has, bit for bit: two
    // nodes with the same hub hold only pairs that share a corner, which never
    // count, so a fan is never paired up triangle by triangle.
    enum : uint8_t { kNoHub, kHub, kNoTriangles };
    static constexpr uint32_t kNoSlot = UINT32_MAX;
    static constexpr uint32_t kAllSlots = (1u << (kBlock - 1) << 1) - 1;
    struct CTree {
        uint32_t firstBlock = 0;
        uint32_t blocks = 0;
        uint32_t leafBase = 0;
        size_t triangles = 0;
        std::vector<CBox> box;
        std::vector<CVector3> hub;
        std::vector<uint8_t> hasHub;
    };
    // An edge of triangle a in the plane of triangle b (EdgeAlongTriangle),
    // waiting for the neighbour across it.
    struct CContact {
        uint32_t a = 0;
        uint32_t b = 0;
        int edge = 0;
        int side = 0;
        CVector3 at;
        bool crosses = false;
    };

    static bool Overlap(const CBox& x, const CBox& y);
    static void Grow(CBox& box, const CBox& by);

    void Begin(const CWorkingShape& mesh, size_t maxPairs);
    void Finish();
    size_t Collect(const CWorkingShape& mesh, const uint32_t* list, size_t count);
    void Sort(size_t n);
    void Gather(size_t n, CTree& tree);
    void SetCoarse();
    void BoxBlocks(size_t n, const CTree& tree);
    void BuildTree(CTree& tree, size_t n);
    bool SameHub(const CTree& tu, uint32_t u, const CTree& tv, uint32_t v) const;
    void Traverse(const CTree& tree);
    void TraverseAcross(const CTree& tu, const CTree& tv);
    void TestBlocks(uint32_t x, uint32_t y, const CBox& yBox);
    void TestExact(uint32_t i, uint32_t j);
    void Keep(uint32_t a, uint32_t b, const CVector3& at);
    void SettleContacts(std::vector<CContact>& contacts);
    void MatchBase(const CWorkingShape& mesh);
    void FindAround(const CTree& tree, const CVector3& p, const CVector3& q);
    static uint64_t CornerHash(const CVector3* p);
    size_t FindBase(const CVector3* p, size_t from);
    // The stack of node pairs a traversal has still to visit.
    void PushPair(uint32_t u, uint32_t v) { pairStack_.push_back(uint64_t(u) << 32 | v); }
    bool PopPair(uint32_t& u, uint32_t& v)
    {
        if (pairStack_.empty())
            return false;
        u = static_cast<uint32_t>(pairStack_.back() >> 32);
        v = static_cast<uint32_t>(pairStack_.back());
        pairStack_.pop_back();
        return true;
    }
    const float* Block(uint32_t b) const { return &blockData_[size_t(b) * kColumns * kBlock]; }

    size_t count_ = 0;
    size_t candidates_ = 0;
    size_t maxPairs_ = kKeepAll;
    std::vector<CIntersectingPair> pairs_; // a max-heap on (a, b) while running
    std::vector<uint8_t> flags_;

    // State of the run in progress.
    const CWorkingShape* mesh_ = nullptr;
    float coarse_ = 0.0f;   // the tolerance less what float rounding can move a distance
    float largest_ = 0.0f;  // largest coordinate magnitude
    bool keepBase_ = false; // the run being made is the base: record its pairs apart
    CTree all_;             // the whole mesh, or the base
    CTree movedTree_;       // the moved triangles of a step, in blocks after the base's
    std::vector<CContact> contacts_;
    bool inStep_ = false;          // the moved triangles' tree is part of the mesh
    std::vector<uint32_t> around_; // triangles near an edge
    std::vector<uint32_t> nodeStack_;

    // The base, between SetBase and ForgetBase.
    bool hasBase_ = false;
    std::vector<CVector3> basePos_;
    float baseLargest_ = 0.0f;
    std::vector<CIntersectingPair> basePairs_; // every pair the pair test found
    std::vector<CContact> baseContacts_;
    std::vector<uint32_t> baseSlot_; // slot of each base triangle; UINT32_MAX: none
    std::vector<uint32_t> meshOf_;   // the step's triangle equal to each base one
    std::vector<uint32_t> moved_;    // the step's triangles with no base to equal
    std::vector<std::pair<uint64_t, uint32_t>> baseKeys_; // (corner hash, triangle), sorted

    // Scratch, kept between runs.
    std::vector<CRecord> record_;   // the triangles with an interior, in mesh order
    std::vector<float> centre_;     // their box centres, 3 floats each
    std::vector<uint32_t> triOf_;   // their triangle indices
    std::vector<uint32_t> code_;    // their Morton codes
    std::vector<uint32_t> codeTmp_; // radix sort buffers
    std::vector<uint32_t> index_;
    std::vector<uint32_t> indexTmp_;
    std::vector<float> blockData_;  // the records in tree order, block by block
    std::vector<uint32_t> slotTri_; // triangle of each slot
    std::vector<uint32_t> alive_;   // per block, bit s: slot s takes part (a step
                                    // leaves out base triangles that moved)
    std::vector<uint64_t> pairStack_;
};

// The number of colliding pairs of the mesh, for callers that print a summary.
size_t CountSelfIntersections(const CWorkingShape& mesh);

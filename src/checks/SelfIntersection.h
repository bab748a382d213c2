#pragma once
// Which triangles of a folded form pass through each other (see
// TrianglePair.h for when a pair counts). Runs on every mouse move of a drag,
// so the checker keeps its buffers between calls and allocates only when a
// mesh outgrows them.

#include "checks/TrianglePair.h"
#include "model/FlatMesh.h"

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
    size_t Run(const CFlatMesh& mesh, size_t maxPairs = kKeepAll);

    size_t Count() const { return count_; }
    // Sorted by (a, b), at most maxPairs of them; each exactly as
    // TrianglesIntersect(mesh, a, b) gives it.
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

    static bool Overlap(const CBox& x, const CBox& y);
    static void Grow(CBox& box, const CBox& by);

    size_t Collect(const CFlatMesh& mesh);
    void Sort(size_t n);
    void Gather(size_t n);
    void BoxBlocks(size_t n);
    void BuildTree();
    void Traverse();
    void TestBlocks(uint32_t x, uint32_t y);
    void TestExact(uint32_t i, uint32_t j);
    void Keep(uint32_t a, uint32_t b, const CVector3& at);
    const float* Block(uint32_t b) const { return &blockData_[size_t(b) * kColumns * kBlock]; }

    size_t count_ = 0;
    size_t candidates_ = 0;
    size_t maxPairs_ = kKeepAll;
    std::vector<CIntersectingPair> pairs_; // a max-heap on (a, b) while running
    std::vector<uint8_t> flags_;

    // State of the run in progress.
    const CFlatMesh* mesh_ = nullptr;
    float coarse_ = 0.0f;  // the tolerance less what float rounding can move a distance
    float largest_ = 0.0f; // largest coordinate magnitude
    size_t slots_ = 0;     // slots in tree order, a whole number of blocks
    uint32_t leafBase_ = 0;
    uint32_t blocks_ = 0;

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
    std::vector<CBox> nodeBox_;     // implicit tree: node k has children 2k, 2k + 1
    std::vector<uint64_t> pairStack_;
};

// The number of colliding pairs of the mesh, for callers that print a summary.
size_t CountSelfIntersections(const CFlatMesh& mesh);

#pragma once
// A snapshot of a working shape's corners for the fold's face search: corner
// positions in triangle order, a grid over the distinct positions, and for
// every distinct position the triangles that have a corner closer than the
// tolerance to it (highest first). Built once per base state and then used by
// every drag step that starts from a copy of that state.

#include "model/CellTable.h"
#include "model/WorkingShape.h"

#include <cstdint>
#include <span>
#include <vector>

class CFoldIndex {
public:
    // Corner distance that makes faces neighbours (strictly below).
    static constexpr double kTolerance = kDesignTolerance;
    // Half side of the box that surely holds every point closer than kTolerance.
    static constexpr double kReach = kTolerance * (1.0 + 1e-9);

    // Indexes `mesh`, which must stay alive and unchanged while the index is used.
    void Build(const CWorkingShape& mesh);
    void Clear();

    int32_t FaceCount() const { return faceCount_; }
    // Position of corner j of face f, at index 3 f + j.
    const CVector3& Pos(int32_t corner) const { return pos_[corner]; }

    // Faces with a corner closer than kTolerance to a position group's
    // corners, highest first.
    std::span<const int32_t> GroupNeighbourFaces(int32_t g) const
    {
        return {neighbours_.data() + neighbourStart_[g],
                neighbours_.data() + neighbourStart_[g + 1]};
    }
    void PrefetchGroup(int32_t g) const { __builtin_prefetch(neighbourStart_.data() + g); }
    // Asks the memory system for the face's neighbour ranges ahead of use.
    void Prefetch(int32_t face) const { __builtin_prefetch(groupOf_.data() + 3 * face); }
    // Corners at bit-identical positions share a group (numbered from 0).
    int32_t GroupOf(int32_t corner) const { return groupOf_[corner]; }
    int32_t GroupCount() const { return groupCount_; }
    // The position every corner of group g has.
    const CVector3& GroupPos(int32_t g) const { return groupPos_[g]; }
    // All of them, in group order.
    const CVector3* GroupPositions() const { return groupPos_.data(); }
    // The arrays behind GroupOf and GroupNeighbourFaces, for loops that keep
    // them in registers.
    const int32_t* CornerGroups() const { return groupOf_.data(); }
    const int32_t* NeighbourStarts() const { return neighbourStart_.data(); }
    const int32_t* NeighbourList() const { return neighbours_.data(); }
    // How many corners group g has.
    int32_t GroupSize(int32_t g) const { return groupStart_[g + 1] - groupStart_[g]; }
    // Whether every group's neighbour faces are the faces with a corner in
    // it (no other position lies within the tolerance of a group).
    bool OwnFacesOnly() const { return ownFacesOnly_; }

    const CCellTable& Cells() const { return cells_; }
    // Calls fn(corner) for every corner in the cells that the box q +- reach touches.
    template <class Fn> void ForEachCornerNear(const CVector3& q, double reach, Fn&& fn) const
    {
        ForEachGroupNear(q, reach, [&](int32_t g) {
            for (int32_t i = groupStart_[g]; i < groupStart_[g + 1]; ++i)
                fn(groupCorners_[i]);
        });
    }

private:
    template <class Fn> void ForEachGroupNear(const CVector3& q, double reach, Fn&& fn) const
    {
        const CellKey lo = cells_.KeyOf({q.x - reach, q.y - reach, q.z - reach});
        const CellKey hi = cells_.KeyOf({q.x + reach, q.y + reach, q.z + reach});
        for (int64_t x = lo.x; x <= hi.x; ++x)
            for (int64_t y = lo.y; y <= hi.y; ++y)
                for (int64_t z = lo.z; z <= hi.z; ++z) {
                    const int32_t c = cells_.Find({x, y, z});
                    if (c == CCellTable::kNone)
                        continue;
                    for (int32_t i = cellStart_[c]; i < cellStart_[c + 1]; ++i)
                        fn(cellGroups_[i]);
                }
    }
    void GroupCorners();
    void FileGroups();
    void FindNeighbours();

    int32_t faceCount_ = 0;
    const CVector3* pos_ = nullptr;
    size_t corners_ = 0;
    CCellTable cells_;
    std::vector<int32_t> cellStart_;  // per cell, into cellGroups_
    std::vector<int32_t> cellGroups_; // position groups, cell by cell
    std::vector<int32_t> groupStart_; // per group, into groupCorners_ (ascending corners)
    std::vector<int32_t> groupCorners_;
    std::vector<int32_t> groupOf_;
    std::vector<CVector3> groupPos_; // copied out so a pass over groups streams
    int32_t groupCount_ = 0;
    std::vector<int32_t> neighbourStart_; // per group, into neighbours_
    std::vector<int32_t> neighbours_;
    bool ownFacesOnly_ = true;
};

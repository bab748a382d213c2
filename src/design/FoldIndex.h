#pragma once
// A snapshot of an object's triangles for the fold's face search: corner
// positions and face planes in face order, a grid over the corner positions,
// and for every distinct corner position the faces that have a corner closer
// than the tolerance to it (highest face first). Built once per base state and
// then used by every drag step that starts from a copy of that state.

#include "design/CellTable.h"
#include "model/Geometry.h"

#include <cstdint>
#include <span>
#include <vector>

class CPolyObject;

class CFoldIndex {
public:
    // Corner distance that makes faces neighbours (strictly below).
    static constexpr double kTolerance = 0.0001;
    // Half side of the box that surely holds every point closer than kTolerance.
    static constexpr double kReach = kTolerance * (1.0 + 1e-9);

    // The plane CPolyFace::ComputePlane gives for these corners, bit for bit.
    static void PlaneOf(const CVector3& p0, const CVector3& p1, const CVector3& p2,
                        CVector3& normal, double& d) {
        CVector3 n = (p0 - p1).Cross(p1 - p2);
        n.Normalize();
        normal = n;
        d = -(normal.x * p0.x + normal.y * p0.y + normal.z * p0.z);
    }

    // Snapshots `object`. Faces that are not triangles keep their place in
    // the face order but have no corners in the index.
    void Build(const CPolyObject& object);
    void Clear();

    int32_t FaceCount() const { return faceCount_; }
    bool AllTriangles() const { return allTriangles_; }
    bool IsTriangle(int32_t face) const { return triangle_[face] != 0; }
    // Position of corner j of face f, at index 3 f + j.
    const CVector3& Pos(int32_t corner) const { return pos_[corner]; }
    const CVector3& Normal(int32_t face) const { return normal_[face]; }
    double PlaneD(int32_t face) const { return d_[face]; }

    // Faces with a corner closer than kTolerance to Pos(corner), highest first.
    std::span<const int32_t> NeighbourFaces(int32_t corner) const {
        const Range r = cornerNeighbours_[corner];
        return {neighbours_.data() + r.begin, neighbours_.data() + r.end};
    }
    // Asks the memory system for the face's neighbour ranges ahead of use.
    void Prefetch(int32_t face) const {
        __builtin_prefetch(cornerNeighbours_.data() + 3 * face);
        __builtin_prefetch(groupOf_.data() + 3 * face);
    }
    // Corners at bit-identical positions share a group (numbered from 0).
    int32_t GroupOf(int32_t corner) const { return groupOf_[corner]; }
    int32_t GroupCount() const { return groupCount_; }

    const CCellTable& Cells() const { return cells_; }
    // Calls fn(corner) for every corner in the cells that the box q +- reach touches.
    template <class Fn> void ForEachCornerNear(const CVector3& q, double reach, Fn&& fn) const {
        ForEachGroupNear(q, reach, [&](int32_t g) {
            for (int32_t i = groupStart_[g]; i < groupStart_[g + 1]; ++i)
                fn(groupCorners_[i]);
        });
    }

private:
    template <class Fn> void ForEachGroupNear(const CVector3& q, double reach, Fn&& fn) const {
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

    int32_t faceCount_ = 0;
    bool allTriangles_ = true;
    std::vector<uint8_t> triangle_;
    std::vector<CVector3> pos_;
    std::vector<CVector3> normal_;
    std::vector<double> d_;
    CCellTable cells_;
    std::vector<int32_t> cellStart_;  // per cell, into cellGroups_
    std::vector<int32_t> cellGroups_; // position groups, cell by cell
    std::vector<int32_t> groupStart_; // per group, into groupCorners_
    std::vector<int32_t> groupCorners_;
    struct Range {
        int32_t begin = 0, end = 0;
    };
    std::vector<int32_t> groupOf_;
    int32_t groupCount_ = 0;
    std::vector<Range> cornerNeighbours_;
    std::vector<int32_t> neighbours_;
};

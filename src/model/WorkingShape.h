#pragma once
// The working shape of the design: the folded 3-D form, stored as plain
// triangles: corner positions as contiguous doubles, one small record per
// triangle, and the attribute columns that ride along with corners and
// triangles through the fold. A working copy is rebuilt on
// every mouse move, so everything here copies like plain memory.
//
// To add an attribute, add a field to CCornerData or CTriangleData and say in
// CCornerData::Lerp how a crossing point gets it; the fold, the commit and the
// packed undo states all carry it from there.

#include "model/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A point on the flat sheet, in the file's units (taken as millimetres).
struct CPaperPoint {
    double u = 0.0;
    double v = 0.0;
    bool operator==(const CPaperPoint& o) const { return u == o.u && v == o.v; }
};

// What a corner carries besides its position.
struct CCornerData {
    CPaperPoint paper;

    bool operator==(const CCornerData& o) const { return paper == o.paper; }
    // The value at parameter t (0 at a, 1 at b) along the edge from a to b:
    // every triangle maps affinely onto its paper triangle, so this is exact.
    static CCornerData Lerp(const CCornerData& a, const CCornerData& b, double t)
    {
        return {{a.paper.u + t * (b.paper.u - a.paper.u), a.paper.v + t * (b.paper.v - a.paper.v)}};
    }
};

// What a triangle carries besides its corners.
struct CTriangleData {
    CVector3 normal;     // right-hand unit normal of the corner order
    double d = 0.0;      // plane offset: normal . p + d = 0
    int32_t origin = -1; // face of the opened model (index in its first object) it lies in
    // Per edge (edge j runs from corner j to corner j + 1): the EdgeMark bits
    // the folds laid down. Sits in the record's padding, so it costs no copy.
    uint8_t edge[3] = {0, 0, 0};
};

// Bits of CTriangleData::edge.
namespace EdgeMark {
// A fold step laid the edge down (a cut line, or an edge in the plane
// between a face that moved and one that did not).
constexpr uint8_t kCrease = 1;
// Sign of the crease for a flat fold: valley, else mountain.
constexpr uint8_t kValley = 2;
} // namespace EdgeMark

// The marks of a triangle's three edges, as Append takes them.
struct CEdgeMarks {
    uint8_t e[3] = {0, 0, 0};
};

class CWorkingShape {
public:
    std::vector<CVector3> pos;       // corner j of triangle t at 3 t + j
    std::vector<CCornerData> corner; // likewise
    std::vector<CTriangleData> tri;

    size_t TriangleCount() const { return tri.size(); }
    size_t CornerCount() const { return pos.size(); }
    bool Empty() const { return tri.empty(); }
    const CVector3& Pos(size_t t, int j) const { return pos[3 * t + j]; }

    void Clear();
    void Reserve(size_t triangles);
    // Appends a triangle and computes its plane from the corners, bit for bit
    // as CPolyFace::ComputePlane does.
    void Append(const CVector3& p0, const CVector3& p1, const CVector3& p2, const CCornerData& c0,
                const CCornerData& c1, const CCornerData& c2, int32_t origin,
                CEdgeMarks marks = {});
    // Recomputes triangle t's plane from its corners.
    void UpdatePlane(size_t t);
    // Bytes a copy of this mesh moves.
    size_t Bytes() const;

    bool operator==(const CWorkingShape& o) const;
};

// Right-hand unit normal of p0 p1 p2 and the plane offset: every face's plane
// (CPolyFace::ComputePlane computes it here too).
void FlatPlaneOf(const CVector3& p0, const CVector3& p1, const CVector3& p2, CVector3& normal,
                 double& d);

// The planes of `count` consecutive triangles at `pos` (3 corners each) into
// tri[0 .. count), bit for bit as FlatPlaneOf gives them, two at a time.
void FlatPlanesOf(const CVector3* pos, CTriangleData* tri, size_t count);

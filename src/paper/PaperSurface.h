#pragma once
// The surface the paper layout works on: the first object's triangles as a
// soup of corners, welded to vertices, joined across shared edges and turned
// so that neighbours agree on their winding, then cut where it must be cut
// to lie flat in one piece. Used by the paper layout only.

#include "model/Geometry.h"
#include "model/PolyModel.h"
#include "model/WorkingShape.h"

#include <cstdint>
#include <vector>

struct CPaperSurface {
    // The triangles as read: positions are read through their records rather
    // than copied (a million triangles would copy 72 MB).
    const std::vector<CPolyFace*>* faces = nullptr;
    // Per triangle: 1 when its corners 1 and 2 are taken the other way round.
    std::vector<bool> turned;
    std::vector<uint32_t> vertexOf; // per corner
    std::vector<CVector3> vertex;   // first corner's position per vertex
    // Per half-edge (3 t + j runs from corner j to j + 1): the half-edge of
    // the neighbour that runs back along it, or -1 on a boundary or a cut.
    std::vector<int32_t> twin;
    // Per corner: its point on the paper. Corners of one vertex share one
    // unless a cut or a boundary separates them.
    std::vector<uint32_t> pointOf;
    uint32_t points = 0;
    std::vector<int32_t> pieceOf; // per triangle
    std::vector<uint32_t> order;  // breadth-first, piece after piece
    int pieces = 0;
    CVector3 lo{kDoubleMax, kDoubleMax, kDoubleMax};
    CVector3 hi{-kDoubleMax, -kDoubleMax, -kDoubleMax};

    size_t Triangles() const { return turned.size(); }
    size_t Corners() const { return 3 * turned.size(); }
    // The face corner as read (3 f + j) that corner c is, in the order laid out.
    uint32_t CornerOf(size_t c) const
    {
        const uint32_t j = static_cast<uint32_t>(c % 3);
        return static_cast<uint32_t>(c - j) + (turned[c / 3] ? (3 - j) % 3 : j);
    }
    // Position of corner c as read.
    const CVector3& Corner(size_t c) const
    {
        return (*faces)[c / 3]->corners[static_cast<int>(CornerOf(c) % 3)]->vertex->pos;
    }
    double Diagonal() const { return Distance3D(lo, hi); }
};

// Takes the triangles of `faces` (every one has three corners), which must
// outlive the surface; vertexOf is left for welding or KeepVertexNumbers.
void ReadSurfaceTriangles(CPaperSurface& s, const std::vector<CPolyFace*>& faces);

// Welds corners closer than tol into vertices (fills vertexOf and vertex).
void WeldNearbyCorners(CPaperSurface& s, double tol);
// Uses the vertex numbers already in vertexOf (count of them).
void KeepVertexNumbers(CPaperSurface& s, uint32_t count);

// Joins triangles across every edge exactly two of them share, whatever
// their winding; an edge of three or more faces stays open. Turns triangles
// so that each piece agrees with the most of its faces as read, opens the
// edges where a piece cannot be oriented, numbers pieces, and opens the
// fewest edges needed for every piece to lie flat as one sheet (a tube is
// cut once from rim to rim). Fills everything after `vertex`.
void JoinSurface(CPaperSurface& s);

// Numbers the paper points again from the joins as they stand (pointOf and
// points), for a caller that let them go.
void NumberPoints(CPaperSurface& s);

#pragma once
// The surface the paper layout works on: the first object's triangles as a
// soup of corners, welded to vertices, joined across shared edges and turned
// so that neighbours agree on their winding, then cut where it must be cut
// to lie flat in one piece. Used by the paper layout only.

#include "model/FlatMesh.h"
#include "model/Geometry.h"

#include <cstdint>
#include <vector>

struct CPaperSurface {
    std::vector<CVector3> corner;   // 3 per triangle, in the order laid out
    std::vector<uint32_t> cornerOf; // per corner: the face corner as read (3 f + j)
    std::vector<uint32_t> vertexOf; // per corner
    std::vector<CVector3> vertex;   // first corner's position per vertex
    // Per half-edge (3 t + j runs from corner j to j + 1): the half-edge of
    // the neighbour that runs back along it, or -1 on a boundary or a cut.
    std::vector<int32_t> twin;
    // Per corner: its point on the paper. Corners of one vertex share one
    // unless a cut or a boundary separates them.
    std::vector<uint32_t> pointOf;
    uint32_t points = 0;
    std::vector<int32_t> pieceOf;  // per triangle
    std::vector<uint32_t> order;   // breadth-first, piece after piece
    std::vector<uint32_t> flipped; // triangles whose winding was turned
    int pieces = 0;
    CVector3 lo{kDoubleMax, kDoubleMax, kDoubleMax};
    CVector3 hi{-kDoubleMax, -kDoubleMax, -kDoubleMax};

    size_t Triangles() const { return corner.size() / 3; }
    double Diagonal() const { return Distance3D(lo, hi); }
};

// Adds a triangle: positions as read and its vertex numbers (when the
// vertices come from records rather than from welding; otherwise 0).
void AddSurfaceTriangle(CPaperSurface& s, const CVector3* p, const uint32_t* vertex);

// Welds corners closer than tol into vertices (fills vertexOf and vertex).
void WeldCorners(CPaperSurface& s, double tol);
// Uses the vertex numbers given to AddSurfaceTriangle (count of them).
void KeepVertexNumbers(CPaperSurface& s, uint32_t count);

// Joins triangles across every edge exactly two of them share, whatever
// their winding; an edge of three or more faces stays open. Turns triangles
// so that each piece agrees with the most of its faces as read, opens the
// edges where a piece cannot be oriented, numbers pieces, and opens the
// fewest edges needed for every piece to lie flat as one sheet (a tube is
// cut once from rim to rim). Fills everything after `vertex`.
void JoinSurface(CPaperSurface& s);

#pragma once
// The exact test of one pair of triangles of a folded form.
//
// Two triangles collide when an edge of one passes through the interior of
// the other. Folded paper touches itself everywhere without colliding, so the
// test is conservative: pairs that share a corner (creases), pairs that lie in
// one plane (flat-folded layers) and contacts within the tolerance (an edge
// ending on the other's plane, crossing it at its border) never count. A
// triangle without area has no interior and never counts either.
//
// Two surfaces can also pass through each other exactly along an edge: the
// edge lies in the other triangle's plane and every crossing point lands on a
// border. Such a pair counts when the triangles on the two sides of the edge
// lie on opposite sides of the other triangle's plane. That needs the
// neighbour across the edge, so the pair test only finds the contact
// (EdgeAlongTriangle) and the mesh-wide check settles it.

#include "model/WorkingShape.h"

#include <cstddef>

// The tolerance is the design's (kDesignTolerance): corners closer than it
// are one corner, a point closer than it to a plane or a border lies on it.

// The test on corners pa[0..2], pb[0..2] and the planes n . p + d = 0 of the
// two triangles (unit normals, right-handed to the corner order). On a hit
// stores where an edge crosses the other triangle in `at`. Edges of the first
// triangle are tried first, each in corner order.
bool CornersIntersect(const CVector3* pa, const CVector3& na, double da, const CVector3* pb,
                      const CVector3& nb, double db, CVector3& at);

// False for a triangle whose plane is not finite (no area, or a corner at infinity).
bool TriangleHasPlane(const CTriangleData& t);

// The test on triangles a and b of the mesh, the lower-numbered first, so the
// point stored in *at (when at is not null) does not depend on the order asked.
bool TrianglesIntersect(const CWorkingShape& mesh, size_t a, size_t b, CVector3* at = nullptr);

// The contact of an edge of triangle a lying in b's plane (both ends within
// the tolerance, a's third corner beyond it) where b passes through a's plane
// (corners beyond the tolerance on both sides), and the edge and b share a
// stretch longer than the tolerance. On success gives the edge (from corner
// k to corner k + 1), the side of b's plane a's third corner lies on (+1 or
// -1), and the middle of the shared stretch. Pairs with a corner in common
// never touch this way.
bool EdgeAlongTriangle(const CVector3* pa, const CVector3* pb, const CVector3& nb, double db,
                       const CVector3& na, double da, int& edge, int& side, CVector3& at);

#pragma once
// The exact test of one pair of triangles of a folded form.
//
// Two triangles collide when an edge of one passes through the interior of
// the other. Folded paper touches itself everywhere without colliding, so the
// test is conservative: pairs that share a corner (creases), pairs that lie in
// one plane (flat-folded layers) and contacts within the tolerance (an edge
// ending on the other's plane, crossing it at its border) never count. A
// triangle without area has no interior and never counts either.

#include "model/FlatMesh.h"

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
bool TrianglesIntersect(const CFlatMesh& mesh, size_t a, size_t b, CVector3* at = nullptr);

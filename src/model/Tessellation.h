#pragma once
// Filling a polygon outline with triangles on its own corners, by the GLU
// tessellator (it needs no GL context): the one place the core calls GLU.

#include "model/Geometry.h"

#include <array>
#include <vector>

// Appends index triples into `points`, counter-clockwise around `normal`
// (the plane the outline is projected onto; a zero normal lets the
// tessellator find it). Fewer than three points give nothing. A
// self-crossing outline gives whatever the tessellator emits without
// inventing vertices (the fill may have gaps). A triangle may have zero
// area when a corner lies on a diagonal. Returns false, with nothing
// appended, when the triangles could not be stored.
bool TessellatePolygon(const std::vector<CVector3>& points, const CVector3& normal,
                       std::vector<std::array<int, 3>>& triangles);

// Newell's normal of a closed outline, not normalised: its direction is the
// side the outline winds counter-clockwise around, its length twice the area.
CVector3 OutlineNormal(const std::vector<CVector3>& points);

// True when a fan from the first corner covers the outline without folding
// over: every turn goes the same way around its normal and the outline goes
// round once. Straight corners count as turns either way.
bool IsConvexOutline(const std::vector<CVector3>& points);

// Triangles over every corner of a closed outline, wound as it is, with no
// zero-area triangle where a simple outline has corners on a straight run
// (a T-junction): the straight corners are set aside, the rest is a fan when
// convex and tessellated otherwise, and each triangle with set-aside corners
// on a side is split into a fan from the corner across. Nothing of the
// outline is lost and every corner is used. An outline with no area gives
// nothing.
void TriangulateOutline(const std::vector<CVector3>& points,
                        std::vector<std::array<int, 3>>& triangles);

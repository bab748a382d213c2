#pragma once
// Least-squares flattening of a surface that is developable only to within
// rounding: as-rigid-as-possible iterations from a start, which a
// least-squares conformal map replaces when it is the better of the two;
// both solved with sparse factorisations.

#include "model/Geometry.h"
#include "model/WorkingShape.h"

#include <cstdint>
#include <functional>
#include <vector>

// One connected sheet: 3 corners per triangle (positions as read, wound so
// that neighbours agree) and each corner's paper point number, dense from 0
// to points - 1. `point` holds a start on entry (one per number; kept when
// a factorisation fails) and the flattened points on return, triangles
// coming out counter-clockwise. The conformal map, when tried, is pinned at
// two far-apart points where the start has them. keepGoing is told the share done (0 to 100) now
// and then; when it returns false the flattening stops and returns false. Triangles without area
// are carried along by their neighbours.
bool FlattenByLeastSquares(const std::vector<CVector3>& corner,
                           const std::vector<uint32_t>& pointOf, uint32_t points,
                           std::vector<CPaperPoint>& point,
                           const std::function<bool(int)>& keepGoing);

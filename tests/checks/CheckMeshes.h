#pragma once
// Folded forms made by hand for the checks: sheets as flat meshes, and the
// folds the checks must tell apart (pushed through, stacked flat, creased).

#include "model/FlatMesh.h"

#include <functional>

namespace checkmesh {

inline void Add(CFlatMesh& m, const CVector3& a, const CVector3& b, const CVector3& c)
{
    m.Append(a, b, c, {}, {}, {}, static_cast<int32_t>(m.TriangleCount()));
}

// rows x cols cells over [x0, x1] x [y0, y1], two triangles per cell, the
// corner at (x, y) placed at place(x, y).
inline void AddSheet(CFlatMesh& m, int rows, int cols, double x0, double x1, double y0, double y1,
                     const std::function<CVector3(double, double)>& place)
{
    auto at = [&](int r, int c) {
        return place(x0 + (x1 - x0) * c / cols, y0 + (y1 - y0) * r / rows);
    };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            Add(m, at(r, c), at(r, c + 1), at(r + 1, c + 1));
            Add(m, at(r, c), at(r + 1, c + 1), at(r + 1, c));
        }
}

inline CVector3 Flat(double x, double y)
{
    return {x, y, 0.0};
}

} // namespace checkmesh

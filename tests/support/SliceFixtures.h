#pragma once
// Slices built straight into a model for tests. Parts lie in model space at
// (u, v, 0) so a test can project them with simple arithmetic.

#include "model/CSlicePlane.h"
#include "model/PolyModel.h"
#include "slices/SliceParts.h"

namespace slicefix {

inline CSlicePlane* AddSlice(CPolyModel& model, int axis)
{
    model.planes.push_back(std::make_unique<CSlicePlane>(axis));
    return model.planes.back().get();
}

// Rectangle [u0, u1] x [v0, v1], counter-clockwise, closed by repeating its
// first vertex unless `closed` is false. Widens the slice's bounds as the
// reader does.
inline Spart* AddRect(CSlicePlane* slice, double u0, double v0, double u1, double v1,
                      bool closed = true)
{
    slice->parts.push_back(std::make_unique<Spart>(slice));
    Spart* part = slice->parts.back().get();
    const double pts[5][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}, {u0, v0}};
    for (int i = 0; i < (closed ? 5 : 4); ++i)
        part->AddVertex(pts[i][0], pts[i][1], 0.0, pts[i][0], pts[i][1]);
    part->Triangulate();
    slice->UpdatePartBounds();
    return part;
}

inline IntersectionLine* AddLine(CSlicePlane* slice, int id, int partnerId)
{
    slice->lines.push_back(std::make_unique<IntersectionLine>(0, 0, 0, 1, 1, 1, 0, 0, 1, 1, slice));
    IntersectionLine* line = slice->lines.back().get();
    line->id = id;
    line->partnerId = partnerId;
    return line;
}

inline bool Contains(const CPolyModel& model, const CSlicePlane* slice)
{
    for (const auto& p : model.planes)
        if (p.get() == slice)
            return true;
    return false;
}

} // namespace slicefix

#pragma once
// The corners of a model's current shape in one numbering, before a design
// begins and after: what picking and the command line's points refer to.

#include "model/PolyModel.h"

#include <cstdint>

// A corner of the current shape: its number in shape order (objects, faces
// and corners before the design begins; triangles and corners of the working
// shape after) and its position.
struct CShapeCorner {
    int64_t seq = -1;
    CVector3 pos;
    bool operator==(const CShapeCorner& o) const { return seq == o.seq && pos == o.pos; }
};

// Calls fn(seq, pos) for every corner of the model's current shape in shape order.
template <class Fn> void ForEachShapeCorner(const CPolyModel& model, Fn&& fn)
{
    int64_t seq = 0;
    if (model.designing) {
        for (const CVector3& p : model.working.pos)
            fn(seq++, p);
        return;
    }
    for (const auto& obj : model.objects)
        for (const CPolyFace* f : obj->faces)
            for (const CFaceCorner* c : f->corners)
                fn(seq++, c->vertex->pos);
}

// The corner of the current shape nearest p by 3D distance, the first of
// equals; seq < 0 when the shape has none.
CShapeCorner NearestShapeCorner(const CPolyModel& model, const CVector3& p);

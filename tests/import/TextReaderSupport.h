#pragma once
// Shared checks for the text reader tests: a progress display that records
// what it was told, and summaries of a read model.

#include "model/PolyModel.h"
#include "support/RecordingProgress.h"

#include <string>
#include <vector>

namespace textreader {

using ::RecordingProgress;

inline double FaceArea(const CPolyFace* f)
{
    const CVector3& a = f->corners[0]->vertex->pos;
    const CVector3& b = f->corners[1]->vertex->pos;
    const CVector3& c = f->corners[2]->vertex->pos;
    return (b - a).Cross(c - a).Length() * 0.5;
}

inline double TotalArea(const CPolyModel& m)
{
    double sum = 0.0;
    for (const auto& obj : m.objects)
        for (const CPolyFace* f : obj->faces)
            sum += FaceArea(f);
    return sum;
}

inline size_t FaceTotal(const CPolyModel& m)
{
    size_t n = 0;
    for (const auto& obj : m.objects)
        n += obj->faces.size();
    return n;
}

} // namespace textreader

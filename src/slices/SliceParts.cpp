#include "slices/SliceParts.h"

#include "model/CSlicePlane.h"
#include "model/PolyModel.h"
#include "model/Tessellation.h"

#include <algorithm>
#include <array>

void PairIntersectionLines(CPolyModel& model, int lineCount)
{
    if (lineCount < 0)
        lineCount = 0;
    std::vector<IntersectionLine*> byId(static_cast<size_t>(lineCount) + 1, nullptr);
    for (const auto& slice : model.planes)
        for (const auto& line : slice->lines)
            if (line->id >= 1 && line->id <= lineCount)
                byId[static_cast<size_t>(line->id)] = line.get();
    for (const auto& slice : model.planes) {
        for (const auto& line : slice->lines) {
            line->partner = nullptr;
            const int p = line->partnerId;
            if (p < 1 || p > lineCount)
                continue;
            IntersectionLine* other = byId[static_cast<size_t>(p)];
            // A one-sided or self reference would outlive its target when
            // a slice is deleted, so only mutual pairs are linked.
            if (other && other != line.get() && other->partnerId == line->id &&
                byId[static_cast<size_t>(line->id)] == line.get())
                line->partner = other;
        }
    }
}

bool DeleteMarkedParts(CPolyModel* model)
{
    if (!model || !model->pickedPlane)
        return false;
    CSlicePlane* slice = model->pickedPlane;
    slice->RemoveMarkedParts();
    // The reflection plane never has parts and must never go.
    if (!slice->parts.empty() || slice == model->currentPlane)
        return true;

    auto owned = std::find_if(model->planes.begin(), model->planes.end(),
                              [slice](const auto& p) { return p.get() == slice; });
    model->pickedPlane = nullptr;
    if (owned == model->planes.end())
        return true; // not one of this model's slices: nothing of ours to destroy

    // Pointers are only compared here, never followed, so a stale link
    // could not be dereferenced even if one existed.
    std::vector<const IntersectionLine*> doomed;
    std::vector<const IntersectionLine*> partners;
    for (const auto& line : slice->lines) {
        doomed.push_back(line.get());
        if (line->partner)
            partners.push_back(line->partner);
    }
    auto contains = [](const std::vector<const IntersectionLine*>& set, const IntersectionLine* p) {
        return std::find(set.begin(), set.end(), p) != set.end();
    };
    for (const auto& other : model->planes) {
        if (other.get() == slice)
            continue; // partners on the slice itself go with it
        std::erase_if(other->lines, [&](const std::unique_ptr<IntersectionLine>& l) {
            if (!contains(partners, l.get()))
                return false;
            doomed.push_back(l.get());
            return true;
        });
    }
    for (const auto& other : model->planes) {
        if (other.get() == slice)
            continue;
        for (const auto& l : other->lines)
            if (l->partner && contains(doomed, l->partner))
                l->partner = nullptr;
    }
    model->planes.erase(owned);
    return true;
}

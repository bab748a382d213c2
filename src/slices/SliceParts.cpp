#include "slices/SliceParts.h"

#include "design/CSlicePlane.h"
#include "model/PolyModel.h"

#include <GL/glu.h>

#include <algorithm>
#include <array>

PartVertex* Spart::AddVertex(double x, double y, double z, double u, double v) {
    outline.push_back(std::make_unique<PartVertex>(x, y, z, u, v));
    return outline.back().get();
}

namespace {

// Collects the tessellator's primitives as triangles on the part's vertices.
struct TessSink {
    std::vector<PartTriangle>* out = nullptr;
    GLenum type = 0;
    int count = 0; // vertices seen in the current primitive
    const PartVertex* a = nullptr;
    const PartVertex* b = nullptr;
    const PartVertex* c = nullptr;
    bool skipPrimitive = false;
    bool failed = false;

    void Emit(const PartVertex* p, const PartVertex* q, const PartVertex* r) {
        PartTriangle t;
        t.v[0] = p;
        t.v[1] = q;
        t.v[2] = r;
        out->push_back(t);
    }

    void Vertex(const PartVertex* n) {
        if (skipPrimitive)
            return;
        if (!n) { // a vertex we did not feed: drop the rest of this primitive
            skipPrimitive = true;
            return;
        }
        const int index = count++;
        switch (type) {
        case GL_TRIANGLES:
            if (index % 3 == 0)
                a = n;
            else if (index % 3 == 1)
                b = n;
            else
                Emit(a, b, n);
            break;
        case GL_TRIANGLE_STRIP:
            if (index == 0) {
                a = n;
            } else if (index == 1) {
                b = n;
            } else {
                if (index % 2 == 0)
                    Emit(a, b, n);
                else
                    Emit(b, a, n);
                a = b;
                b = n;
            }
            break;
        case GL_TRIANGLE_FAN:
            if (index == 0)
                a = n; // the hub
            else if (index == 1)
                b = n;
            else {
                Emit(a, b, n);
                b = n;
            }
            break;
        default:
            break;
        }
    }
};

void GLAPIENTRY OnTessBegin(GLenum type, void* data) {
    auto* sink = static_cast<TessSink*>(data);
    sink->type = type;
    sink->count = 0;
    sink->skipPrimitive = false;
}

void GLAPIENTRY OnTessVertex(void* vertex, void* data) {
    auto* sink = static_cast<TessSink*>(data);
    // No exception may unwind through the tessellator's C frames.
    try {
        sink->Vertex(static_cast<const PartVertex*>(vertex));
    } catch (...) {
        sink->failed = true;
        sink->skipPrimitive = true;
    }
}

void GLAPIENTRY OnTessEnd(void*) {}

void GLAPIENTRY OnTessError(GLenum, void*) {}

using TessCallback = void(GLAPIENTRY*)();

} // namespace

void Spart::Triangulate() {
    triangles.clear();
    if (outline.size() < 3)
        return;
    GLUtesselator* tess = gluNewTess();
    if (!tess)
        return;
    TessSink sink;
    sink.out = &triangles;
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<TessCallback>(&OnTessBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<TessCallback>(&OnTessVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<TessCallback>(&OnTessEnd));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<TessCallback>(&OnTessError));

    // The tessellator keeps pointers to the coordinates until the polygon ends.
    std::vector<std::array<GLdouble, 3>> coords(outline.size());
    gluTessBeginPolygon(tess, &sink);
    gluTessBeginContour(tess);
    for (size_t i = 0; i < outline.size(); ++i) {
        PartVertex* pv = outline[i].get();
        coords[i] = {pv->u, pv->v, 0.0};
        gluTessVertex(tess, coords[i].data(), pv);
    }
    gluTessEndContour(tess);
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    if (sink.failed)
        triangles.clear();
}

void CSlicePlane::UpdatePartBounds() {
    minU = minV = kDoubleMax;
    maxU = maxV = -kDoubleMax;
    for (const auto& part : parts) {
        for (const auto& pv : part->outline) {
            maxU = std::max(maxU, pv->u);
            maxV = std::max(maxV, pv->v);
            minU = std::min(minU, pv->u);
            minV = std::min(minV, pv->v);
        }
    }
    paddedWidth = maxU - minU + 0.2;
    paddedHeight = maxV - minV + 0.2;
}

int CSlicePlane::RemoveMarkedParts() {
    const size_t before = parts.size();
    std::erase_if(parts, [](const std::unique_ptr<Spart>& p) { return p->marked; });
    const int removed = static_cast<int>(before - parts.size());
    if (!parts.empty())
        UpdatePartBounds();
    return removed;
}

void PairIntersectionLines(CPolyModel& model, int lineCount) {
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

bool DeleteMarkedParts(CPolyModel* model) {
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

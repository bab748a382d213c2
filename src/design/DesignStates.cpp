#include "design/DesignStates.h"

#include "model/PolyModel.h"

#include <cstring>
#include <memory>
#include <utility>

namespace {

uint64_t Mix(uint64_t h, uint64_t v)
{
    h ^= v * 0x9E3779B97F4A7C15ull + 0x7F4A7C15ull + (h << 6) + (h >> 2);
    return h;
}

template <class T> uint64_t HashBytes(uint64_t h, const T& value)
{
    static_assert(sizeof(T) % sizeof(uint64_t) == 0);
    uint64_t words[sizeof(T) / sizeof(uint64_t)];
    std::memcpy(words, &value, sizeof(T));
    for (uint64_t w : words)
        h = Mix(h, w);
    return h;
}

// The shape as it is now, packed: the caller's copy when it has one.
PackedShape PackCurrent(const CPolyModel& model, const PackedShape* current)
{
    if (current && *current)
        return *current;
    auto packed = std::make_shared<CPackedMesh>();
    CFlatMesh scratch;
    PackMesh(model.CurrentShape(scratch), *packed);
    return packed;
}

} // namespace

void PackMesh(const CFlatMesh& mesh, CPackedMesh& out)
{
    const size_t corners = mesh.CornerCount();
    out.vertices.clear();
    out.index.resize(corners);
    out.origin.resize(mesh.TriangleCount());
    out.edge.assign(3 * mesh.TriangleCount(), 0);
    bool anyEdge = false;
    for (size_t t = 0; t < mesh.TriangleCount(); ++t) {
        out.origin[t] = mesh.tri[t].origin;
        for (int j = 0; j < 3; ++j) {
            out.edge[3 * t + j] = mesh.tri[t].edge[j];
            anyEdge |= mesh.tri[t].edge[j] != 0;
        }
    }
    if (!anyEdge)
        out.edge = {}; // a shape without creases keeps nothing for them
    size_t capacity = 16;
    while (capacity < corners * 2)
        capacity *= 2;
    std::vector<uint32_t> table(capacity, UINT32_MAX);
    const size_t mask = capacity - 1;
    for (size_t k = 0; k < corners; ++k) {
        const CVector3& p = mesh.pos[k];
        const CCornerData& c = mesh.corner[k];
        size_t i = HashBytes(HashBytes(0, p), c) & mask;
        for (;; i = (i + 1) & mask) {
            const uint32_t v = table[i];
            if (v == UINT32_MAX) {
                table[i] = static_cast<uint32_t>(out.vertices.size());
                out.index[k] = table[i];
                out.vertices.push_back({p, c});
                break;
            }
            const CPackedMesh::Vertex& w = out.vertices[v];
            if (std::memcmp(&w.pos, &p, sizeof p) == 0 && std::memcmp(&w.data, &c, sizeof c) == 0) {
                out.index[k] = v;
                break;
            }
        }
    }
    out.vertices.shrink_to_fit();
}

void UnpackMesh(const CPackedMesh& packed, CFlatMesh& out)
{
    const size_t triangles = packed.origin.size();
    out.pos.resize(3 * triangles);
    out.corner.resize(3 * triangles);
    out.tri.resize(triangles);
    for (size_t k = 0; k < 3 * triangles; ++k) {
        const CPackedMesh::Vertex& v = packed.vertices[packed.index[k]];
        out.pos[k] = v.pos;
        out.corner[k] = v.data;
    }
    for (size_t t = 0; t < triangles; ++t) {
        out.tri[t].origin = packed.origin[t];
        for (int j = 0; j < 3; ++j)
            out.tri[t].edge[j] = packed.edge.empty() ? 0 : packed.edge[3 * t + j];
        out.UpdatePlane(t);
    }
}

void CommitWorkingCopy(CPolyModel& model, PackedShape* current)
{
    if (model.objects.empty())
        return;
    if (!model.designing) {
        // The working shape is the shape as opened: packed from there, the
        // records are read once.
        const CPolyObject& first = *model.objects.front();
        FlatFromObject(first, model.paper.empty() ? nullptr : model.paper.data(), model.working,
                       model.edgeMarks.empty() ? nullptr : model.edgeMarks.data());
        model.designing = true;
        // The other objects leave the design for good; nothing refers to them.
        model.objects.resize(1);
    }
    PackedShape packed = PackCurrent(model, current);
    model.undoStack.push_back(packed);
    model.redoStack.clear();
    if (current)
        *current = std::move(packed);
}

bool RestoreWorkingCopy(CPolyModel& model)
{
    if (model.undoStack.empty())
        return false;
    UnpackMesh(*model.undoStack.back(), model.working);
    model.designing = true;
    return true;
}

namespace {

// Makes `state` the shape: the records as opened when it is the bottom state.
void BecomeShape(CPolyModel& model, const CPackedMesh& state, bool bottom)
{
    if (bottom) {
        model.designing = false;
        model.working = CFlatMesh{};
    } else {
        UnpackMesh(state, model.working);
        model.designing = true;
    }
}

} // namespace

bool StepBack(CPolyModel& model, PackedShape* current)
{
    if (model.undoStack.empty())
        return false;
    model.redoStack.push_back(PackCurrent(model, current));
    PackedShape top = std::move(model.undoStack.back());
    model.undoStack.pop_back();
    BecomeShape(model, *top, model.undoStack.empty());
    if (current)
        *current = std::move(top); // the bottom state is the records as opened, packed
    return true;
}

bool StepForward(CPolyModel& model, PackedShape* current)
{
    if (model.redoStack.empty() || model.objects.empty())
        return false;
    model.undoStack.push_back(PackCurrent(model, current));
    PackedShape next = std::move(model.redoStack.back());
    model.redoStack.pop_back();
    BecomeShape(model, *next, false);
    if (current)
        *current = std::move(next);
    return true;
}

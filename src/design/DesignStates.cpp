#include "design/DesignStates.h"

#include "model/PolyModel.h"

#include <cstring>
#include <memory>
#include <new>
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

// Welds the corners of `mesh` by bit-identical position and corner data into
// out.vertices (numbered in order of first appearance) and calls
// put(k, vertex) for every corner k in order.
template <class Put>
void WeldIdenticalCorners(const CWorkingShape& mesh, CPackedMesh& out, Put&& put)
{
    const size_t corners = mesh.CornerCount();
    size_t capacity = 16;
    while (capacity < corners * 2)
        capacity *= 2;
    std::vector<uint32_t> table(capacity, UINT32_MAX);
    const size_t mask = capacity - 1;
    out.vertices.clear();
    for (size_t k = 0; k < corners; ++k) {
        const CVector3& p = mesh.pos[k];
        const CCornerData& c = mesh.corner[k];
        size_t i = HashBytes(HashBytes(0, p), c) & mask;
        for (;; i = (i + 1) & mask) {
            const uint32_t v = table[i];
            if (v == UINT32_MAX) {
                table[i] = static_cast<uint32_t>(out.vertices.size());
                out.vertices.push_back({p, c});
                put(k, table[i]);
                break;
            }
            const CPackedMesh::Vertex& w = out.vertices[v];
            if (std::memcmp(&w.pos, &p, sizeof p) == 0 && std::memcmp(&w.data, &c, sizeof c) == 0) {
                put(k, v);
                break;
            }
        }
    }
    out.vertices.shrink_to_fit();
}

void PackOrigins(const CWorkingShape& mesh, CPackedMesh& out)
{
    out.origin.resize(mesh.TriangleCount());
    for (size_t t = 0; t < mesh.TriangleCount(); ++t)
        out.origin[t] = mesh.tri[t].origin;
}

// Writes `delta` zigzagged in 7-bit groups, low first (CPackedMesh::indexDeltas),
// at `out` (room for 10 bytes); returns the end.
uint8_t* PutDelta(uint8_t* out, int64_t delta)
{
    uint64_t z =
        delta < 0 ? (static_cast<uint64_t>(-delta) << 1) - 1 : static_cast<uint64_t>(delta) << 1;
    while (z >= 0x80) {
        *out++ = static_cast<uint8_t>(z | 0x80);
        z >>= 7;
    }
    *out++ = static_cast<uint8_t>(z);
    return out;
}

// The delta PutDelta wrote at `in`, which moves past it; added to `last`.
uint32_t TakeDelta(const uint8_t*& in, uint32_t last)
{
    uint64_t z = 0;
    for (int shift = 0;; shift += 7) {
        const uint8_t b = *in++;
        z |= static_cast<uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80))
            break;
    }
    return last + static_cast<uint32_t>(z & 1 ? ~(z >> 1) : z >> 1);
}

// A state for the undo stack: packed, with indices, origins and marks compact.
void PackCompact(const CWorkingShape& mesh, CPackedMesh& out)
{
    out.index.clear();
    out.origin.clear();
    out.edge.clear();
    // Written raw into room for the longest deltas (five bytes below 2^32),
    // left uninitialised: pages never written cost nothing. Then copied out
    // at their size.
    const std::unique_ptr<uint8_t[]> room(new uint8_t[5 * mesh.CornerCount() + 16]);
    uint8_t* at = room.get();
    uint32_t last = 0;
    WeldIdenticalCorners(mesh, out, [&](size_t, uint32_t v) {
        at = PutDelta(at, static_cast<int64_t>(v) - static_cast<int64_t>(last));
        last = v;
    });
    out.indexDeltas.assign(room.get(), at);
    const size_t triangles = mesh.TriangleCount();
    out.triangles = triangles;
    at = room.get();
    out.markedEdges.clear();
    int32_t lastOrigin = 0;
    for (size_t t = 0; t < triangles; ++t) {
        const CTriangleData& tri = mesh.tri[t];
        at = PutDelta(at, static_cast<int64_t>(tri.origin) - lastOrigin);
        lastOrigin = tri.origin;
        const uint8_t* e = tri.edge;
        if (e[0] | e[1] | e[2])
            out.markedEdges.push_back(static_cast<uint64_t>(t) << 24 | e[0] | e[1] << 8 |
                                      e[2] << 16);
    }
    out.originDeltas.assign(room.get(), at);
    out.markedEdges.shrink_to_fit();
}

// The shape as it is now, packed: the caller's copy when it has one.
PackedShape PackCurrent(const CPolyModel& model, const PackedShape* current)
{
    if (current && *current)
        return *current;
    auto packed = std::make_shared<CPackedMesh>();
    if (!model.designing) {
        // The records are kept anyway: the state refers to them.
        packed->opened = &model;
        return packed;
    }
    CWorkingShape scratch;
    PackCompact(model.CurrentShape(scratch), *packed);
    return packed;
}

} // namespace

PackedShape PackState(const CWorkingShape& mesh)
{
    try {
        auto packed = std::make_shared<CPackedMesh>();
        PackCompact(mesh, *packed);
        return packed;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void PackMesh(const CWorkingShape& mesh, CPackedMesh& out)
{
    out.index.resize(mesh.CornerCount());
    out.indexDeltas.clear();
    out.originDeltas.clear();
    out.markedEdges.clear();
    out.triangles = 0;
    WeldIdenticalCorners(mesh, out, [&](size_t k, uint32_t v) { out.index[k] = v; });
    PackOrigins(mesh, out);
    out.edge.assign(3 * mesh.TriangleCount(), 0);
    bool anyEdge = false;
    for (size_t t = 0; t < mesh.TriangleCount(); ++t)
        for (int j = 0; j < 3; ++j) {
            out.edge[3 * t + j] = mesh.tri[t].edge[j];
            anyEdge |= mesh.tri[t].edge[j] != 0;
        }
    if (!anyEdge)
        out.edge = {}; // a shape without creases keeps nothing for them
}

void UnpackMesh(const CPackedMesh& packed, CWorkingShape& out)
{
    if (packed.opened) {
        const CPolyModel& m = *packed.opened;
        out.Clear();
        if (!m.objects.empty())
            FlatFromObject(*m.objects.front(), m.paper.empty() ? nullptr : m.paper.data(), out,
                           m.edgeMarks.empty() ? nullptr : m.edgeMarks.data());
        return;
    }
    const size_t triangles = packed.TriangleCount();
    out.pos.resize(3 * triangles);
    out.corner.resize(3 * triangles);
    out.tri.resize(triangles);
    const CPackedMesh::Vertex* vertices = packed.vertices.data();
    const bool compact = packed.Compact();
    const uint8_t* in = packed.indexDeltas.data();
    uint32_t last = 0;
    for (size_t k = 0; k < 3 * triangles; ++k) {
        last = compact ? TakeDelta(in, last) : packed.index[k];
        const CPackedMesh::Vertex& v = vertices[last];
        out.pos[k] = v.pos;
        out.corner[k] = v.data;
    }
    in = packed.originDeltas.data();
    uint32_t origin = 0;
    size_t marked = 0;
    for (size_t t = 0; t < triangles; ++t) {
        CTriangleData& tri = out.tri[t];
        if (compact) {
            origin = TakeDelta(in, origin);
            tri.origin = static_cast<int32_t>(origin);
        } else {
            tri.origin = packed.origin[t];
        }
        for (int j = 0; j < 3; ++j)
            tri.edge[j] = packed.edge.empty() ? 0 : packed.edge[3 * t + j];
        if (marked < packed.markedEdges.size() && packed.markedEdges[marked] >> 24 == t) {
            const uint64_t m = packed.markedEdges[marked++];
            for (int j = 0; j < 3; ++j)
                tri.edge[j] = static_cast<uint8_t>(m >> (8 * j));
        }
    }
    FlatPlanesOf(out.pos.data(), out.tri.data(), triangles);
}

void CommitWorkingCopy(CPolyModel& model, PackedShape* current, CWorkingShape* opened)
{
    if (model.objects.empty())
        return;
    const bool first = !model.designing;
    // The records as opened are the bottom state (the first pushed).
    PackedShape packed = PackCurrent(model, current);
    if (first) {
        if (opened)
            model.working = std::move(*opened);
        else
            FlatFromObject(*model.objects.front(),
                           model.paper.empty() ? nullptr : model.paper.data(), model.working,
                           model.edgeMarks.empty() ? nullptr : model.edgeMarks.data());
        model.designing = true;
        // The other objects leave the design for good; nothing refers to them.
        model.objects.resize(1);
    }
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
        model.working = CWorkingShape{};
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

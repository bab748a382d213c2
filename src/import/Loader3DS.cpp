#include "import/Loader3DS.h"

#include "model/Progress.h"

#include <bit>
#include <cmath>
#include <cstdio>

namespace {

constexpr uint16_t kMain = 0x4D4D;
constexpr uint16_t kEditor = 0x3D3D;
constexpr uint16_t kMeshVersion = 0x3D3E;
constexpr uint16_t kObject = 0x4000;
constexpr uint16_t kTriMesh = 0x4100;
constexpr uint16_t kVertexList = 0x4110;
constexpr uint16_t kFaceList = 0x4120;
constexpr uint16_t kMapping = 0x4140;
constexpr size_t kHeader = 6;

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        out.resize(static_cast<size_t>(size));
        ok = std::fread(out.data(), 1, out.size(), f) == out.size();
    }
    std::fclose(f);
    return ok;
}

} // namespace

Loader3DS::Loader3DS(const std::vector<uint8_t>& data, CPolyModel& model)
    : data_(data), model_(model)
{
}

uint16_t Loader3DS::U16(size_t pos) const
{
    return static_cast<uint16_t>(data_[pos] | (data_[pos + 1] << 8));
}

uint32_t Loader3DS::U32(size_t pos) const
{
    return uint32_t(data_[pos]) | (uint32_t(data_[pos + 1]) << 8) |
           (uint32_t(data_[pos + 2]) << 16) | (uint32_t(data_[pos + 3]) << 24);
}

float Loader3DS::F32(size_t pos) const
{
    return std::bit_cast<float>(U32(pos));
}

ReadResult Loader3DS::Progress(size_t pos)
{
    const int percent = static_cast<int>(uint64_t(pos) * 100 / data_.size());
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        if (!scope_->Update(percent))
            return kReadCancelled;
    }
    return kReadOk;
}

// Visits the chunks packed in [from, end). Every chunk is passed whole to the
// handler, which reads only inside it; the walk then continues at its end, so
// the contents of a chunk are never mistaken for chunk ids.
template <class Handler>
ReadResult Loader3DS::ForEachSub(size_t from, size_t end, Handler&& handler)
{
    size_t pos = from;
    while (pos < end) {
        if (end - pos < kHeader)
            return kReadFailed;
        const uint32_t length = U32(pos + 2);
        if (length < kHeader || length > end - pos)
            return kReadFailed;
        const Chunk c{U16(pos), pos, pos + length};
        if (ReadResult r = Progress(pos); r != kReadOk)
            return r;
        if (ReadResult r = handler(c); r != kReadOk)
            return r;
        pos = c.end;
    }
    return kReadOk;
}

ReadResult Loader3DS::ReadMain(const Chunk& c)
{
    // Keyframer data and everything else besides the editor data add nothing.
    return ForEachSub(c.Body(), c.end, [this](const Chunk& sub) {
        return sub.id == kEditor ? ReadEditor(sub) : kReadOk;
    });
}

ReadResult Loader3DS::ReadEditor(const Chunk& c)
{
    // Materials, colours, viewports and settings are not kept. Writers put the
    // mesh version anywhere among them, or leave it out; only meshes older
    // than version 3 are laid out differently.
    return ForEachSub(c.Body(), c.end, [this](const Chunk& sub) {
        if (sub.id == kMeshVersion)
            return sub.end - sub.Body() < 4 || U32(sub.Body()) <= 2 ? kReadFailed : kReadOk;
        return sub.id == kObject ? ReadObject(sub) : kReadOk;
    });
}

ReadResult Loader3DS::ReadObject(const Chunk& c)
{
    // The name runs to its NUL, however long; an object without one is damaged.
    size_t pos = c.Body();
    while (pos < c.end && data_[pos] != 0)
        ++pos;
    if (pos == c.end)
        return kReadFailed;
    // Lights and cameras are not kept.
    return ForEachSub(pos + 1, c.end, [this](const Chunk& sub) {
        return sub.id == kTriMesh ? ReadMesh(sub) : kReadOk;
    });
}

ReadResult Loader3DS::ReadMesh(const Chunk& c)
{
    Mesh mesh;
    mesh.firstFace = object_->faces.size();
    mesh.firstId = nextId_;
    const ReadResult r = ForEachSub(c.Body(), c.end, [this, &mesh](const Chunk& sub) {
        switch (sub.id) {
        case kVertexList:
            return ReadVertices(sub, mesh);
        case kFaceList:
            return ReadFaces(sub, mesh);
        case kMapping:
            return ReadMapping(sub, mesh);
        default:
            return kReadOk; // matrix, flags, colour, anything unknown
        }
    });
    if (r == kReadOk)
        AttachMapping(mesh);
    return r;
}

bool Loader3DS::ListStart(const Chunk& c, size_t recordSize, size_t& count, size_t& pos) const
{
    pos = c.Body();
    if (c.end - pos < 2)
        return false;
    count = U16(pos);
    pos += 2;
    return count * recordSize <= c.end - pos;
}

ReadResult Loader3DS::ReadVertices(const Chunk& c, Mesh& mesh)
{
    size_t count = 0;
    size_t pos = 0;
    if (!ListStart(c, 12, count, pos))
        return kReadFailed;
    mesh.vertices.reserve(mesh.vertices.size() + count);
    for (size_t i = 0; i < count; ++i, pos += 12) {
        const CVector3 p(F32(pos), F32(pos + 4), F32(pos + 8));
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            return kReadFailed;
        CPolyVertex* v = object_->AddVertex(p);
        v->id = nextId_++;
        mesh.vertices.push_back(v);
    }
    return kReadOk;
}

ReadResult Loader3DS::ReadFaces(const Chunk& c, Mesh& mesh)
{
    size_t count = 0;
    size_t pos = 0;
    if (!ListStart(c, 8, count, pos))
        return kReadFailed;
    const size_t known = mesh.vertices.size();
    // Material groups and smoothing groups that follow the faces are not kept.
    for (size_t i = 0; i < count; ++i, pos += 8) {
        const uint16_t a = U16(pos), b = U16(pos + 2), cc = U16(pos + 4);
        if (a >= known || b >= known || cc >= known)
            return kReadFailed;
        CPolyFace* f = object_->AddFace();
        f->AddCorner(mesh.vertices[a]);
        f->AddCorner(mesh.vertices[b]);
        f->AddCorner(mesh.vertices[cc]);
    }
    return kReadOk;
}

ReadResult Loader3DS::ReadMapping(const Chunk& c, Mesh& mesh)
{
    size_t count = 0;
    size_t pos = 0;
    if (!ListStart(c, 8, count, pos))
        return kReadFailed;
    model_.hasTexCoords = 1;
    mesh.uv.resize(count * 2);
    for (size_t i = 0; i < count * 2; ++i, pos += 4)
        mesh.uv[i] = F32(pos);
    return kReadOk;
}

// Mapping coordinates usually come before the faces, so they are attached once
// the whole mesh is read: every corner on the mesh's i-th vertex gets pair i.
void Loader3DS::AttachMapping(const Mesh& mesh)
{
    const size_t pairs = mesh.uv.size() / 2;
    if (pairs == 0)
        return;
    for (size_t fi = mesh.firstFace; fi < object_->faces.size(); ++fi) {
        for (CFaceCorner* corner : object_->faces[fi]->corners) {
            const size_t i = static_cast<size_t>(corner->vertex->id - mesh.firstId);
            if (i < pairs)
                corner->tex = object_->AddTexCoord(mesh.uv[2 * i], mesh.uv[2 * i + 1]);
        }
    }
}

ReadResult Loader3DS::Run(IProgress* progress)
{
    ProgressScope scope(progress, "File Open");
    scope_ = &scope;
    scope.SetRange(0, 100);
    scope.SetText("Loading...");
    if (data_.size() < kHeader || U16(0) != kMain)
        return kReadFailed;
    const uint32_t length = U32(2);
    if (length < kHeader || length > data_.size())
        return kReadFailed;
    object_ = model_.AddObject();
    if (ReadResult r = ReadMain(Chunk{kMain, 0, length}); r != kReadOk)
        return r;
    scope.SetText("Constructing...");
    return model_.BuildTopology() ? kReadOk : kReadFailed;
}

ReadResult CPolyModel::Read3DS(const std::string& path, IProgress* progress)
{
    fileName = path;
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data))
        return kReadFailed;
    Loader3DS loader(data, *this);
    return loader.Run(progress);
}

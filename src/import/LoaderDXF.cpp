#include "import/LoaderDXF.h"

#include "import/ReadFailure.h"

#include "model/Progress.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

// Leading-number conversion as the C library's atof does it (0 when the token
// does not start with a number), but independent of the process locale.
double ToDouble(std::string_view s)
{
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    double v = 0.0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec == std::errc::result_out_of_range)
        return std::numeric_limits<double>::infinity(); // refused later as non-finite
    return r.ec == std::errc() ? v : 0.0;
}

// Leading-integer conversion (0 when there is none); out-of-range values
// saturate so that later range checks still see them as too large.
int64_t ToInt(std::string_view s)
{
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    int64_t v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec == std::errc::result_out_of_range)
        return (!s.empty() && s.front() == '-') ? std::numeric_limits<int64_t>::min()
                                                : std::numeric_limits<int64_t>::max();
    return r.ec == std::errc() ? v : 0;
}

bool IsFinite(const CVector3& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

} // namespace

size_t LoaderDXF::PosHash::operator()(const PosKey& k) const
{
    auto bits = [](double d) {
        uint64_t u;
        std::memcpy(&u, &d, sizeof u);
        return u;
    };
    uint64_t h = bits(k.x) * 0x9E3779B97F4A7C15ull;
    h ^= bits(k.y) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    h ^= bits(k.z) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return static_cast<size_t>(h ^ (h >> 29));
}

LoaderDXF::LoaderDXF(const std::string& path, CPolyModel& model) : path_(path), model_(model) {}

CPolyVertex* LoaderDXF::SharedVertex(const CVector3& pos)
{
    // Adding 0.0 turns -0.0 into 0.0: the two compare equal, so they must share a key.
    const PosKey key{pos.x + 0.0, pos.y + 0.0, pos.z + 0.0};
    auto [it, inserted] = vertexAt_.try_emplace(key, nullptr);
    if (inserted) {
        CPolyVertex* v = object_->AddVertex(pos);
        v->id = static_cast<int32_t>(object_->vertices.size() - 1);
        it->second = v;
    }
    return it->second;
}

bool LoaderDXF::AddFace(const CVector3* positions, int n)
{
    for (int i = 0; i < n; ++i)
        if (!IsFinite(positions[i]))
            return false;
    // DXF stores a triangle as a quad whose fourth corner repeats another one.
    if (n == 4 && (Distance3D(positions[3], positions[2]) == 0.0 ||
                   Distance3D(positions[3], positions[0]) == 0.0))
        n = 3;
    CPolyFace* face = object_->AddFace();
    for (int i = 0; i < n; ++i)
        face->AddCorner(SharedVertex(positions[i]));
    return true;
}

bool LoaderDXF::ParseVertexEntity()
{
    CVector3 p;
    int flags = 0;
    int cornerCount = 3;
    // Each face record states its own indices; one that leaves 73 or 74 out has
    // no such corner rather than the previous record's.
    int64_t index[4] = {0, 0, 0, 0};
    std::string_view tok;
    std::string_view value;
    while (words_.Next(tok)) {
        const int64_t code = ToInt(tok);
        if (code == 0)
            break;
        if (!words_.Next(value))
            return false; // a group code without its value: the file is cut short
        switch (code) {
        case 10:
            p.x = ToDouble(value);
            break;
        case 20:
            p.y = ToDouble(value);
            break;
        case 30:
            p.z = ToDouble(value);
            break;
        case 70:
            flags = static_cast<int>(ToInt(value) & 0xFF);
            break;
        case 71:
            index[0] = ToInt(value);
            break;
        case 72:
            index[1] = ToInt(value);
            break;
        case 73:
            index[2] = ToInt(value);
            break;
        case 74:
            index[3] = ToInt(value);
            cornerCount = 4;
            break;
        default:
            break; // layer (8) and everything else: value passed over
        }
    }
    if ((flags & 128) == 0)
        return true; // an ordinary polyline vertex
    if (flags & 64) {
        if (!IsFinite(p))
            return false;
        meshPoints_.push_back(p);
        return true;
    }
    CVector3 corners[4];
    int n = 0;
    for (int i = 0; i < cornerCount; ++i) {
        if (index[i] == 0)
            continue; // no corner here
        // A negative index marks an invisible edge; the point is the same.
        const uint64_t magnitude =
            index[i] < 0 ? uint64_t(-(index[i] + 1)) + 1 : uint64_t(index[i]);
        if (magnitude > meshPoints_.size())
            return false;
        corners[n++] = meshPoints_[magnitude - 1];
    }
    if (n < 3)
        return true; // an edge or a point, not a face
    return AddFace(corners, n);
}

bool LoaderDXF::ParseFaceEntity()
{
    CVector3 c[4];
    int cornerCount = 3;
    bool seen = false;
    std::string_view tok;
    std::string_view value;
    while (words_.Next(tok)) {
        const int64_t code = ToInt(tok);
        if (code == 0) {
            if (seen)
                break;
            continue; // the entity's own coordinates have not started yet
        }
        if (!words_.Next(value))
            return false; // a group code without its value: the file is cut short
        switch (code) {
        case 10:
            c[0].x = ToDouble(value);
            seen = true;
            break;
        case 20:
            c[0].y = ToDouble(value);
            break;
        case 30:
            c[0].z = ToDouble(value);
            break;
        case 11:
            c[1].x = ToDouble(value);
            break;
        case 21:
            c[1].y = ToDouble(value);
            break;
        case 31:
            c[1].z = ToDouble(value);
            break;
        case 12:
            c[2].x = ToDouble(value);
            break;
        case 22:
            c[2].y = ToDouble(value);
            break;
        case 32:
            c[2].z = ToDouble(value);
            break;
        case 13:
            c[3].x = ToDouble(value);
            cornerCount = 4;
            break;
        case 23:
            c[3].y = ToDouble(value);
            break;
        case 33:
            c[3].z = ToDouble(value);
            break;
        case 8:
            break;
        default:
            if (value == "{") {
                while (words_.Next(value) && value != "}") {
                }
            }
            break;
        }
    }
    return AddFace(c, cornerCount);
}

ReadResult LoaderDXF::Run(IProgress* progress)
{
    ProgressScope scope(progress, "File Open");
    if (!bytes_.Load(path_))
        return kReadFailed;
    words_ = WordScanner(bytes_.view());
    scope.SetRange(0, 100);
    scope.SetText("Loading...");
    object_ = model_.AddObject();

    ReadPercent percent(bytes_.size());
    std::string_view tok;
    while (true) {
        const size_t before = words_.Position();
        if (!words_.Next(tok))
            break;
        if (!percent.Update(scope, before))
            return kReadCancelled;
        if (tok == "VERTEX" || tok == "vertex") {
            if (!ParseVertexEntity())
                return RefuseRead(model_, StoppedAt(bytes_.view(), words_.Position(),
                                                    "a VERTEX entity is malformed"));
        } else if (tok == "3DFACE" || tok == "3dface") {
            if (!ParseFaceEntity())
                return RefuseRead(model_, StoppedAt(bytes_.view(), words_.Position(),
                                                    "a 3DFACE entity is malformed"));
        } else if (tok == "POLYLINE" || tok == "polyline") {
            meshPoints_.clear(); // face records count from their own mesh's first point
        }
    }

    scope.SetText("Constructing...");
    meshPoints_ = {};
    vertexAt_ = {};
    return model_.BuildTopology() ? kReadOk : RefuseRead(model_, kNoUsableFace);
}

ReadResult CPolyModel::ReadDXF(const std::string& path, IProgress* progress)
{
    fileName = path;
    LoaderDXF loader(path, *this);
    return loader.Run(progress);
}

#include "import/LoaderFOLD.h"

#include "model/CSlicePlane.h"
#include "import/FileBytes.h"
#include "model/Progress.h"
#include "model/Tessellation.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

using Json = nlohmann::json;

class FoldFile {
public:
    explicit FoldFile(const Json& doc)
    {
        frames_.push_back(&doc);
        const auto it = doc.find("file_frames");
        if (it != doc.end() && it->is_array())
            for (const Json& f : *it)
                if (f.is_object())
                    frames_.push_back(&f);
    }

    size_t FrameCount() const { return frames_.size(); }

    // The frame's value for key, following frame_inherit to the parent
    // (frame 0 is the file itself, file_frames[i] is frame i + 1).
    const Json* Get(size_t frame, const char* key) const
    {
        for (size_t hops = 0; hops <= frames_.size(); ++hops) {
            const Json& f = *frames_[frame];
            const auto it = f.find(key);
            if (it != f.end())
                return &*it;
            const auto inherit = f.find("frame_inherit");
            const auto parent = f.find("frame_parent");
            if (inherit == f.end() || !inherit->is_boolean() || !inherit->get<bool>() ||
                parent == f.end() || !parent->is_number_unsigned())
                return nullptr;
            const uint64_t p = parent->get<uint64_t>();
            if (p >= frames_.size() || p == frame)
                return nullptr;
            frame = static_cast<size_t>(p);
        }
        return nullptr; // a loop of parents
    }

    bool HasClass(size_t frame, const char* name) const
    {
        const Json& f = *frames_[frame];
        const auto it = f.find("frame_classes");
        if (it == f.end() || !it->is_array())
            return false;
        for (const Json& c : *it)
            if (c.is_string() && c.get_ref<const std::string&>() == name)
                return true;
        return false;
    }

private:
    std::vector<const Json*> frames_;
};

// vertices_coords: 2 or 3 finite numbers each (z = 0 for two).
bool ReadCoords(const Json* coords, std::vector<CVector3>& out)
{
    if (!coords || !coords->is_array())
        return false;
    out.clear();
    out.reserve(coords->size());
    for (const Json& c : *coords) {
        if (!c.is_array() || c.size() < 2 || c.size() > 3)
            return false;
        double v[3] = {0.0, 0.0, 0.0};
        for (size_t k = 0; k < c.size(); ++k) {
            if (!c[k].is_number())
                return false;
            v[k] = c[k].get<double>();
            if (!std::isfinite(v[k]))
                return false;
        }
        out.push_back({v[0], v[1], v[2]});
    }
    return true;
}

bool ReadFaces(const Json* faces, size_t vertexCount, std::vector<std::vector<uint32_t>>& out)
{
    if (!faces || !faces->is_array())
        return false;
    out.clear();
    out.reserve(faces->size());
    for (const Json& f : *faces) {
        if (!f.is_array() || f.size() < 3)
            return false;
        std::vector<uint32_t>& poly = out.emplace_back();
        poly.reserve(f.size());
        for (const Json& i : f) {
            if (!i.is_number_unsigned() || i.get<uint64_t>() >= vertexCount)
                return false;
            poly.push_back(static_cast<uint32_t>(i.get<uint64_t>()));
        }
    }
    return true;
}

bool Flat(const std::vector<CVector3>& p)
{
    return std::all_of(p.begin(), p.end(), [](const CVector3& v) { return v.z == 0.0; });
}

// Triangles of one polygon over the points `at` (its paper, or the form),
// wound as the polygon is: a fan when it is convex, as BuildTopology splits
// polygons, the tessellator otherwise (and a fan should that give nothing).
void Triangulate(const std::vector<uint32_t>& poly, const std::vector<CVector3>& at,
                 std::vector<uint32_t>& out)
{
    std::vector<CVector3> outline;
    outline.reserve(poly.size());
    for (const uint32_t i : poly)
        outline.push_back(at[i]);
    std::vector<std::array<int, 3>> triangles;
    if (poly.size() > 3 && !IsConvexOutline(outline) &&
        TessellatePolygon(outline, OutlineNormal(outline), triangles) && !triangles.empty()) {
        for (const std::array<int, 3>& t : triangles)
            out.insert(out.end(), {poly[t[0]], poly[t[1]], poly[t[2]]});
        return;
    }
    for (size_t k = 1; k + 1 < poly.size(); ++k)
        out.insert(out.end(), {poly[0], poly[k], poly[k + 1]});
}

// Pieces of the surviving faces: joined through shared vertices.
int CountPieces(const std::vector<uint32_t>& tris, size_t vertexCount)
{
    std::vector<uint32_t> parent(vertexCount);
    std::iota(parent.begin(), parent.end(), 0u);
    auto find = [&](uint32_t v) {
        while (parent[v] != v)
            v = parent[v] = parent[parent[v]];
        return v;
    };
    for (size_t k = 0; k < tris.size(); k += 3)
        for (int j = 1; j < 3; ++j)
            parent[find(tris[k + j])] = find(tris[k]);
    std::vector<uint8_t> used(vertexCount, 0);
    for (const uint32_t v : tris)
        used[v] = 1;
    int pieces = 0;
    for (uint32_t v = 0; v < vertexCount; ++v)
        if (used[v] && find(v) == v)
            ++pieces;
    return pieces;
}

ReadResult Read(CPolyModel& model, const Json& doc)
{
    if (!doc.is_object())
        return kReadFailed;
    const FoldFile file(doc);
    const size_t frames = file.FrameCount();
    std::vector<CVector3> coords;
    int64_t pattern = -1;
    for (size_t f = 0; f < frames && pattern < 0; ++f)
        if (file.HasClass(f, "creasePattern"))
            pattern = static_cast<int64_t>(f);
    if (pattern < 0 && !file.HasClass(0, "foldedForm")) {
        if (!ReadCoords(file.Get(0, "vertices_coords"), coords))
            return kReadFailed;
        if (Flat(coords))
            pattern = 0;
    }
    int64_t folded = -1;
    for (size_t f = 0; f < frames && folded < 0; ++f)
        if (static_cast<int64_t>(f) != pattern && file.HasClass(f, "foldedForm"))
            folded = static_cast<int64_t>(f);
    if (pattern < 0 && folded < 0)
        folded = 0; // a form of unknown kind: open it as it stands, without paper
    const size_t facesFrom = static_cast<size_t>(pattern >= 0 ? pattern : folded);

    std::vector<CVector3> paper, form;
    if (pattern >= 0 &&
        !ReadCoords(file.Get(static_cast<size_t>(pattern), "vertices_coords"), paper))
        return kReadFailed;
    if (folded >= 0) {
        if (!ReadCoords(file.Get(static_cast<size_t>(folded), "vertices_coords"), form))
            return kReadFailed;
        if (pattern >= 0 && form.size() != paper.size())
            return kReadFailed;
    } else {
        form = paper; // the sheet lies flat in z = 0
        for (CVector3& p : form)
            p.z = 0.0;
    }
    std::vector<std::vector<uint32_t>> polygons;
    if (!ReadFaces(file.Get(facesFrom, "faces_vertices"), form.size(), polygons))
        return kReadFailed;

    // Polygons are split on the paper when there is one: the form may fold them.
    std::vector<CVector3> flat;
    if (pattern >= 0) {
        flat.reserve(paper.size());
        for (const CVector3& p : paper)
            flat.push_back({p.x, p.y, 0.0});
    }
    const std::vector<CVector3>& splitOn = pattern >= 0 ? flat : form;
    std::vector<uint32_t> tris;
    for (const std::vector<uint32_t>& poly : polygons)
        Triangulate(poly, splitOn, tris);

    CPolyModel fresh;
    CPolyObject* object = fresh.AddObject();
    object->vertices.reserve(form.size());
    for (const CVector3& p : form)
        object->AddVertex(p);
    std::vector<CPolyFace*> made;
    made.reserve(tris.size() / 3);
    for (size_t k = 0; k < tris.size(); k += 3) {
        CPolyFace* f = object->AddFace();
        for (int j = 0; j < 3; ++j)
            f->AddCorner(object->vertices[tris[k + j]]);
        made.push_back(f);
    }
    if (!fresh.BuildTopology())
        return kReadFailed;

    if (pattern >= 0) {
        // Faces BuildTopology dropped take their paper with them.
        const std::vector<CPolyFace*>& kept = fresh.objects[0]->faces;
        std::vector<uint32_t> keptTris;
        keptTris.reserve(3 * kept.size());
        size_t m = 0;
        for (const CPolyFace* f : kept) {
            while (made[m] != f)
                ++m;
            keptTris.insert(keptTris.end(), tris.begin() + 3 * m, tris.begin() + 3 * m + 3);
        }
        CPaperInfo& info = fresh.paperInfo;
        double lu = kDoubleMax, lv = kDoubleMax, hu = -kDoubleMax, hv = -kDoubleMax;
        fresh.paper.reserve(keptTris.size());
        for (const uint32_t v : keptTris) {
            const CPaperPoint p{paper[v].x, paper[v].y};
            fresh.paper.push_back(p);
            lu = std::min(lu, p.u);
            lv = std::min(lv, p.v);
            hu = std::max(hu, p.u);
            hv = std::max(hv, p.v);
        }
        info.has = true;
        info.fromPattern = true;
        info.width = hu - lu;
        info.height = hv - lv;
        info.pieces = CountPieces(keptTris, paper.size());
    }

    model.objects = std::move(fresh.objects);
    model.planes = std::move(fresh.planes);
    model.currentPlane = fresh.currentPlane;
    model.pickedPlane = fresh.pickedPlane;
    model.bboxMin = fresh.bboxMin;
    model.bboxMax = fresh.bboxMax;
    model.faceCount = fresh.faceCount;
    model.paper = std::move(fresh.paper);
    model.paperInfo = fresh.paperInfo;
    return kReadOk;
}

} // namespace

ReadResult ReadFOLDText(CPolyModel& model, std::string_view text)
{
    try {
        const Json doc = Json::parse(text.begin(), text.end(), nullptr, false);
        if (doc.is_discarded())
            return kReadFailed;
        return Read(model, doc);
    } catch (const std::exception&) {
        return kReadFailed; // out of memory or a type the checks above missed
    }
}

ReadResult ReadFOLD(CPolyModel& model, const std::string& path, IProgress* progress)
{
    model.fileName = path;
    ProgressScope scope(progress, "File Open");
    FileBytes bytes;
    if (!bytes.Load(path))
        return kReadFailed;
    if (!scope.Update(0))
        return kReadCancelled;
    return ReadFOLDText(model, bytes.view());
}

ReadResult CPolyModel::ReadFOLD(const std::string& path, IProgress* progress)
{
    return ::ReadFOLD(*this, path, progress);
}

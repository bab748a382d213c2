#include "import/LoaderFOLD.h"

#include "base/HalfEdges.h"
#include "base/UnionFind.h"
#include "import/FileBytes.h"
#include "import/ReadFailure.h"
#include "model/CSlicePlane.h"
#include "model/Progress.h"
#include "model/Tessellation.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <unordered_map>
#include <utility>
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

// Millimetres per unit of the frame's frame_unit (inherited as the frame
// inherits); a missing unit, or "unit", is taken as millimetres.
bool FrameScale(const FoldFile& file, size_t frame, double& scale, std::string& why)
{
    scale = 1.0;
    const Json* unit = file.Get(frame, "frame_unit");
    if (!unit)
        return true;
    if (!unit->is_string()) {
        why = "frame_unit is not a text";
        return false;
    }
    static const struct {
        const char* name;
        double mm;
    } units[] = {{"unit", 1.0}, {"mm", 1.0},         {"cm", 10.0}, {"m", 1000.0},
                 {"in", 25.4},  {"pt", 25.4 / 72.0}, {"um", 1e-3}, {"nm", 1e-6}};
    const std::string& name = unit->get_ref<const std::string&>();
    for (const auto& u : units) {
        if (name == u.name) {
            scale = u.mm;
            return true;
        }
    }
    why = "frame_unit \"" + name + "\" is not a unit this reader knows";
    return false;
}

// vertices_coords: 2 or 3 finite numbers each (z = 0 for two), in mm.
bool ReadCoords(const Json* coords, double scale, std::vector<CVector3>& out, std::string& why)
{
    if (!coords) {
        why = "no vertices_coords";
        return false;
    }
    if (!coords->is_array()) {
        why = "vertices_coords is not a list";
        return false;
    }
    out.clear();
    out.reserve(coords->size());
    for (const Json& c : *coords) {
        const std::string at = "vertices_coords[" + std::to_string(out.size()) + "]";
        if (!c.is_array() || c.size() < 2 || c.size() > 3) {
            why = at + " is not a list of 2 or 3 numbers";
            return false;
        }
        double v[3] = {0.0, 0.0, 0.0};
        for (size_t k = 0; k < c.size(); ++k) {
            if (!c[k].is_number()) {
                why = at + " is not a list of 2 or 3 numbers";
                return false;
            }
            v[k] = c[k].get<double>() * scale;
            if (!std::isfinite(v[k])) {
                why = at + " holds a number out of range";
                return false;
            }
        }
        out.push_back({v[0], v[1], v[2]});
    }
    return true;
}

bool ReadFaces(const Json* faces, size_t vertexCount, std::vector<std::vector<uint32_t>>& out,
               std::string& why)
{
    if (!faces->is_array()) {
        why = "faces_vertices is not a list";
        return false;
    }
    out.clear();
    out.reserve(faces->size());
    for (const Json& f : *faces) {
        const std::string at = "faces_vertices[" + std::to_string(out.size()) + "]";
        if (!f.is_array() || f.size() < 3) {
            why = at + " has fewer than 3 vertices";
            return false;
        }
        std::vector<uint32_t>& poly = out.emplace_back();
        poly.reserve(f.size());
        for (const Json& i : f) {
            if (!i.is_number_unsigned()) {
                why = at + " holds something other than a vertex number";
                return false;
            }
            if (i.get<uint64_t>() >= vertexCount) {
                why = at + " names vertex " + std::to_string(i.get<uint64_t>()) + ", but there " +
                      (vertexCount == 1 ? "is 1 vertex"
                                        : "are " + std::to_string(vertexCount) + " vertices");
                return false;
            }
            poly.push_back(static_cast<uint32_t>(i.get<uint64_t>()));
        }
    }
    return true;
}

bool Flat(const std::vector<CVector3>& p)
{
    return std::all_of(p.begin(), p.end(), [](const CVector3& v) { return v.z == 0.0; });
}

// A crease pattern drawn in some plane other than z = 0, turned into that
// plane's own coordinates (z = 0 after), with the faces counter-clockwise.
// False when the pattern has no area or is not flat.
bool LayFlat(const std::vector<std::vector<uint32_t>>& polygons, std::vector<CVector3>& paper,
             std::string& why)
{
    if (Flat(paper))
        return true;
    CVector3 n;
    std::vector<CVector3> outline;
    for (const std::vector<uint32_t>& poly : polygons) {
        outline.clear();
        for (const uint32_t i : poly)
            outline.push_back(paper[i]);
        n = n + OutlineNormal(outline);
    }
    if (!(n.Length() > 0.0)) {
        why = "the crease pattern has no area";
        return false;
    }
    n.Normalize();
    CVector3 lo{kDoubleMax, kDoubleMax, kDoubleMax}, hi{-kDoubleMax, -kDoubleMax, -kDoubleMax};
    for (const CVector3& p : paper) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    const CVector3 origin = paper.empty() ? CVector3{} : paper[0];
    const double limit = 1e-6 * Distance3D(lo, hi);
    for (const CVector3& p : paper) {
        if (std::fabs((p - origin).Dot(n)) > limit) {
            why = "the crease pattern does not lie in one plane";
            return false;
        }
    }
    // First axis: the world axis most nearly in the plane.
    const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    const CVector3 axis = ax <= ay && ax <= az ? CVector3{1, 0, 0}
                          : ay <= az           ? CVector3{0, 1, 0}
                                               : CVector3{0, 0, 1};
    CVector3 e1 = axis - n * axis.Dot(n);
    e1.Normalize();
    const CVector3 e2 = n.Cross(e1);
    for (CVector3& p : paper) {
        const CVector3 d = p - origin;
        p = {d.Dot(e1), d.Dot(e2), 0.0};
    }
    return true;
}

// The file's own edge lists as records per triangle edge (edges split off
// inside a polygon get none). A list whose length differs from
// edges_vertices is ignored; an entry of the wrong type leaves its field as
// if the list had none. Empty when the file lists no edges or says nothing
// about them.
std::vector<CEdgeRecord> EdgeRecordsOf(const FoldFile& file, size_t frame,
                                       const std::vector<uint32_t>& tris)
{
    const Json* edges = file.Get(frame, "edges_vertices");
    if (!edges || !edges->is_array() || edges->empty())
        return {};
    const auto list = [&](const char* name) -> const Json* {
        const Json* l = file.Get(frame, name);
        return l && l->is_array() && l->size() == edges->size() ? l : nullptr;
    };
    const Json* kinds = list("edges_assignment");
    const Json* folds = list("edges_foldAngle");
    const Json* bends = list("lintoro:edges_bendAngle");
    if (!kinds && !folds && !bends)
        return {};
    const auto angle = [](const Json* l, size_t i, double& out) {
        if (!l || !(*l)[i].is_number())
            return false;
        out = (*l)[i].get<double>();
        if (std::isfinite(out))
            return true;
        out = 0.0;
        return false;
    };
    const auto key = [](uint64_t a, uint64_t b) { return a < b ? (a << 32) | b : (b << 32) | a; };
    std::unordered_map<uint64_t, CEdgeRecord> byEdge;
    byEdge.reserve(edges->size());
    for (size_t i = 0; i < edges->size(); ++i) {
        const Json& e = (*edges)[i];
        if (!e.is_array() || e.size() != 2 || !e[0].is_number_unsigned() ||
            !e[1].is_number_unsigned())
            continue;
        CEdgeRecord r;
        if (kinds && (*kinds)[i].is_string() &&
            (*kinds)[i].get_ref<const std::string&>().size() == 1)
            r.assignment = EdgeAssignmentFromLetter((*kinds)[i].get_ref<const std::string&>()[0]);
        r.hasFoldAngle = angle(folds, i, r.foldAngle);
        angle(bends, i, r.bendAngle);
        byEdge[key(e[0].get<uint64_t>(), e[1].get<uint64_t>())] = r;
    }
    std::vector<CEdgeRecord> records(tris.size());
    for (size_t t = 0; t + 2 < tris.size(); t += 3)
        for (size_t j = 0; j < 3; ++j) {
            const auto it = byEdge.find(key(tris[t + j], tris[t + (j + 1) % 3]));
            if (it != byEdge.end())
                records[t + j] = it->second;
        }
    return records;
}

// The creases the file records (its M and V edges) as marks on the
// triangles' edges, so a design saved and reopened keeps which edges its folds
// laid down and which way its flat folds went. Empty when it records none.
std::vector<uint8_t> CreaseMarks(const std::vector<CEdgeRecord>& records)
{
    std::vector<uint8_t> marks(records.size(), 0);
    bool any = false;
    for (size_t k = 0; k < records.size(); ++k) {
        if (records[k].assignment == EdgeAssignment::Valley)
            marks[k] = EdgeMark::kCrease | EdgeMark::kValley;
        else if (records[k].assignment == EdgeAssignment::Mountain)
            marks[k] = EdgeMark::kCrease;
        any = any || marks[k] != 0;
    }
    if (!any)
        marks.clear();
    return marks;
}

// Triangles of one polygon over the points `at` (its paper, or the form),
// wound as the polygon is, every vertex of it used.
void Triangulate(const std::vector<uint32_t>& poly, const std::vector<CVector3>& at,
                 std::vector<uint32_t>& out)
{
    if (poly.size() == 3) {
        out.insert(out.end(), poly.begin(), poly.end());
        return;
    }
    std::vector<CVector3> outline;
    outline.reserve(poly.size());
    for (const uint32_t i : poly)
        outline.push_back(at[i]);
    std::vector<std::array<int, 3>> triangles;
    TriangulateOutline(outline, triangles);
    for (const std::array<int, 3>& t : triangles)
        out.insert(out.end(), {poly[t[0]], poly[t[1]], poly[t[2]]});
}

// Pieces of the surviving faces: joined across shared edges (two shared
// vertices), never through a lone shared vertex.
int CountPieces(const std::vector<uint32_t>& tris)
{
    const uint32_t count = static_cast<uint32_t>(tris.size() / 3);
    const uint32_t vertices = tris.empty() ? 0 : *std::max_element(tris.begin(), tris.end()) + 1;
    CHalfEdgeBuffers edges;
    GroupHalfEdges(tris, vertices, edges);
    CUnionFind pieces(count);
    ForEachEdge(tris, edges, [&](const uint32_t* first, const uint32_t* last) {
        for (const uint32_t* h = first + 1; h < last; ++h)
            pieces.Join(*first / 3, *h / 3);
    });
    int roots = 0;
    for (uint32_t t = 0; t < count; ++t)
        roots += pieces.Find(t) == t ? 1 : 0;
    return roots;
}

std::string FrameName(size_t frame)
{
    return frame == 0 ? "the file" : "file_frames[" + std::to_string(frame - 1) + "]";
}

ReadResult Read(CPolyModel& model, const Json& doc)
{
    if (!doc.is_object())
        return RefuseRead(model, "not a FOLD file: the top level is not a JSON object");
    const FoldFile file(doc);
    const size_t frames = file.FrameCount();
    std::string why;
    int64_t pattern = -1;
    for (size_t f = 0; f < frames && pattern < 0; ++f)
        if (file.HasClass(f, "creasePattern"))
            pattern = static_cast<int64_t>(f);
    if (pattern < 0 && !file.HasClass(0, "foldedForm") && file.Get(0, "vertices_coords")) {
        // An unclassed key frame lying in z = 0 is a crease pattern.
        std::vector<CVector3> coords;
        if (!ReadCoords(file.Get(0, "vertices_coords"), 1.0, coords, why))
            return RefuseRead(model, why);
        if (Flat(coords))
            pattern = 0;
    }
    int64_t folded = -1;
    for (size_t f = 0; f < frames && folded < 0; ++f)
        if (static_cast<int64_t>(f) != pattern && file.HasClass(f, "foldedForm"))
            folded = static_cast<int64_t>(f);
    // A form of unknown kind, opened as it stands without paper: the first
    // frame with geometry (the key frame may hold none).
    for (size_t f = 0; f < frames && pattern < 0 && folded < 0; ++f)
        if (file.Get(f, "vertices_coords"))
            folded = static_cast<int64_t>(f);
    if (pattern < 0 && folded < 0)
        return RefuseRead(model, "no vertices_coords");

    std::vector<CVector3> paper, form;
    double scale = 1.0;
    if (pattern >= 0) {
        const size_t f = static_cast<size_t>(pattern);
        if (!FrameScale(file, f, scale, why) ||
            !ReadCoords(file.Get(f, "vertices_coords"), scale, paper, why))
            return RefuseRead(model, FrameName(f) + ": " + why);
    }
    if (folded >= 0) {
        const size_t f = static_cast<size_t>(folded);
        if (!FrameScale(file, f, scale, why) ||
            !ReadCoords(file.Get(f, "vertices_coords"), scale, form, why))
            return RefuseRead(model, FrameName(f) + ": " + why);
        if (pattern >= 0 && form.size() != paper.size())
            return RefuseRead(model, "the folded form has " + std::to_string(form.size()) +
                                         " vertices, the crease pattern " +
                                         std::to_string(paper.size()));
    }
    const size_t facesFrom = static_cast<size_t>(pattern >= 0 ? pattern : folded);
    const Json* faces = file.Get(facesFrom, "faces_vertices");
    if (!faces && pattern >= 0 && folded >= 0)
        faces = file.Get(static_cast<size_t>(folded), "faces_vertices");
    if (!faces)
        return RefuseRead(model, file.Get(facesFrom, "edges_vertices")
                                     ? "edges_vertices but no faces_vertices: faces are needed"
                                     : "no faces_vertices");
    std::vector<std::vector<uint32_t>> polygons;
    if (!ReadFaces(faces, pattern >= 0 ? paper.size() : form.size(), polygons, why))
        return RefuseRead(model, why);
    if (pattern >= 0 && !LayFlat(polygons, paper, why))
        return RefuseRead(model, why);
    if (folded < 0)
        form = paper; // the sheet lies flat in z = 0

    // Polygons are split on the paper when there is one: the form may fold them.
    const std::vector<CVector3>& splitOn = pattern >= 0 ? paper : form;
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
        return RefuseRead(model, kNoUsableFace);

    // Faces BuildTopology dropped take their paper and marks with them.
    const std::vector<CPolyFace*>& kept = fresh.objects[0]->faces;
    std::vector<uint32_t> keptTris;
    keptTris.reserve(3 * kept.size());
    size_t m = 0;
    for (const CPolyFace* f : kept) {
        while (made[m] != f)
            ++m;
        keptTris.insert(keptTris.end(), tris.begin() + 3 * m, tris.begin() + 3 * m + 3);
    }
    fresh.edgeRecords = EdgeRecordsOf(file, facesFrom, keptTris);
    fresh.edgeMarks = CreaseMarks(fresh.edgeRecords);
    if (pattern >= 0) {
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
        info.pieces = CountPieces(keptTris);
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
    model.edgeMarks = std::move(fresh.edgeMarks);
    model.edgeRecords = std::move(fresh.edgeRecords);
    model.patternHasForm = pattern >= 0 && folded >= 0;
    model.paperFromRecords = true;
    return kReadOk;
}

} // namespace

ReadResult ReadFOLDText(CPolyModel& model, std::string_view text)
{
    try {
        Json doc;
        try {
            doc = Json::parse(text.begin(), text.end());
        } catch (const Json::parse_error& e) {
            const size_t at = e.byte > 0 ? e.byte - 1 : 0;
            return RefuseRead(model, AtLine(LineAt(text, at), "not valid JSON"));
        } catch (const Json::out_of_range&) {
            return RefuseRead(model, "a number is out of range");
        }
        return Read(model, doc);
    } catch (const std::exception&) {
        // Out of memory, or a type the checks above missed.
        return RefuseRead(model, "not a valid FOLD file");
    }
}

ReadResult ReadFOLD(CPolyModel& model, const std::string& path, IProgress* progress)
{
    return ReadWholeFile(model, path, progress, ReadFOLDText);
}

ReadResult CPolyModel::ReadFOLD(const std::string& path, IProgress* progress)
{
    return ::ReadFOLD(*this, path, progress);
}

#include "simulate/SimPattern.h"

#include "base/HalfEdges.h"
#include "base/UnionFind.h"
#include "model/PolyModel.h"
#include "paper/CreasePattern.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

namespace {

uint64_t EdgeKey(uint32_t a, uint32_t b)
{
    return a < b ? (uint64_t{a} << 32) | b : (uint64_t{b} << 32) | a;
}

void Classify(const CEdgeRecord& r, CSimEdge& e)
{
    switch (r.assignment) {
    case EdgeAssignment::Mountain:
    case EdgeAssignment::Valley:
        e.kind = SimEdgeKind::Crease;
        // Without an angle a crease of another program's file folds flat.
        e.target = r.hasFoldAngle ? r.foldAngle
                                  : (r.assignment == EdgeAssignment::Valley ? 180.0 : -180.0);
        break;
    case EdgeAssignment::Unassigned:
        e.kind = SimEdgeKind::Free;
        break;
    default:
        e.kind = SimEdgeKind::Facet;
        e.target = r.bendAngle;
        break;
    }
}

bool Refuse(CSimPattern& out, std::string& why, const char* reason)
{
    out = CSimPattern{};
    why = reason;
    return false;
}

} // namespace

bool BuildSimPatternFromRecords(const std::vector<CVector3>& paper,
                                const std::vector<CVector3>& form,
                                const std::vector<uint32_t>& trisIn,
                                const std::vector<CEdgeRecord>& recordsIn, CSimPattern& out,
                                std::string& why)
{
    out = CSimPattern{};
    const uint32_t n = static_cast<uint32_t>(paper.size());
    CPaperPoint lo{kDoubleMax, kDoubleMax}, hi{-kDoubleMax, -kDoubleMax};
    for (const CVector3& p : paper) {
        lo = {std::min(lo.u, p.x), std::min(lo.v, p.y)};
        hi = {std::max(hi.u, p.x), std::max(hi.v, p.y)};
    }
    const double diagonal = std::hypot(hi.u - lo.u, hi.v - lo.v);
    // Triangles with no area on the paper have no hinge to speak of: left out.
    // The rest are turned counter-clockwise, their records with them.
    std::vector<uint32_t> tris;
    std::vector<CEdgeRecord> records;
    tris.reserve(trisIn.size());
    records.reserve(trisIn.size());
    const double minArea = 1e-14 * diagonal * diagonal;
    for (size_t t = 0; t + 2 < trisIn.size(); t += 3) {
        const uint32_t i = trisIn[t], j = trisIn[t + 1], k = trisIn[t + 2];
        if (i >= n || j >= n || k >= n)
            return Refuse(out, why, "a triangle names a vertex out of range");
        const CVector3 u = paper[j] - paper[i], v = paper[k] - paper[i];
        const double area = 0.5 * (u.x * v.y - u.y * v.x);
        if (std::fabs(area) <= minArea)
            continue;
        const CEdgeRecord none;
        const CEdgeRecord& r0 = recordsIn.size() == trisIn.size() ? recordsIn[t] : none;
        const CEdgeRecord& r1 = recordsIn.size() == trisIn.size() ? recordsIn[t + 1] : none;
        const CEdgeRecord& r2 = recordsIn.size() == trisIn.size() ? recordsIn[t + 2] : none;
        if (area > 0) {
            tris.insert(tris.end(), {i, j, k});
            records.insert(records.end(), {r0, r1, r2});
        } else {
            tris.insert(tris.end(), {i, k, j});
            records.insert(records.end(), {r2, r1, r0});
        }
    }
    if (tris.empty())
        return Refuse(out, why, "the pattern has no faces");

    std::vector<int32_t> twin;
    CHalfEdgeBuffers buffers;
    PairHalfEdges(tris, n, twin, buffers);
    const auto isCut = [&](size_t h) {
        return records[h].assignment == EdgeAssignment::Cut ||
               (twin[h] >= 0 && records[twin[h]].assignment == EdgeAssignment::Cut);
    };
    // Corners stay one vertex where they meet across an edge that is not cut;
    // a vertex whose corners fall apart gets a copy per group.
    CUnionFind corners(tris.size());
    for (size_t h = 0; h < tris.size(); ++h) {
        if (twin[h] < 0 || static_cast<size_t>(twin[h]) < h || isCut(h))
            continue;
        const uint32_t t = static_cast<uint32_t>(twin[h]);
        corners.Join(static_cast<uint32_t>(h), NextInTriangle(t));
        corners.Join(NextInTriangle(static_cast<uint32_t>(h)), t);
    }
    out.paper = paper;
    out.form = form.size() == paper.size() ? form : std::vector<CVector3>{};
    out.firstSplit = n;
    std::vector<int64_t> vertexOfRoot(tris.size(), -1);
    std::vector<uint8_t> taken(n, 0);
    out.tris.resize(tris.size());
    for (size_t c = 0; c < tris.size(); ++c) {
        const uint32_t root = corners.Find(static_cast<uint32_t>(c));
        if (vertexOfRoot[root] < 0) {
            const uint32_t v = tris[c];
            if (!taken[v]) {
                taken[v] = 1;
                vertexOfRoot[root] = v;
            } else {
                vertexOfRoot[root] = static_cast<int64_t>(out.paper.size());
                out.paper.push_back(paper[v]);
                if (!out.form.empty())
                    out.form.push_back(form[v]);
                out.sourceOf.push_back(v);
            }
        }
        out.tris[c] = static_cast<uint32_t>(vertexOfRoot[root]);
    }
    for (CVector3& p : out.paper)
        p.z = 0.0;

    out.edges.reserve(tris.size() / 2 + tris.size() / 8);
    for (size_t h = 0; h < tris.size(); ++h) {
        const int32_t t = twin[h];
        if (t >= 0 && !isCut(h) && static_cast<size_t>(t) < h)
            continue; // met from its twin
        CSimEdge e;
        e.a = out.tris[h];
        e.b = out.tris[NextInTriangle(static_cast<uint32_t>(h))];
        e.left = static_cast<int32_t>(h / 3);
        if (t >= 0 && !isCut(h)) {
            e.right = t / 3;
            const CEdgeRecord& r =
                records[h].assignment != EdgeAssignment::None ? records[h] : records[t];
            Classify(r, e);
            out.hasBendTargets =
                out.hasBendTargets || (e.kind == SimEdgeKind::Facet && e.target != 0.0);
        }
        out.edges.push_back(e);
    }
    return true;
}

bool BuildSimPattern(const CCreasePattern& pattern, const CVector3& unitCentre, double unitScale,
                     CSimPattern& out, std::string& why)
{
    std::vector<CVector3> paper, form;
    paper.reserve(pattern.vertices.size());
    for (const CPaperPoint& p : pattern.vertices)
        paper.push_back({p.u, p.v, 0.0});
    if (pattern.folded.size() == pattern.vertices.size())
        for (const CVector3& p : pattern.folded)
            form.push_back(p * unitScale + unitCentre);
    std::unordered_map<uint64_t, CEdgeRecord> byEdge;
    byEdge.reserve(pattern.edges.size());
    for (const CPatternEdge& e : pattern.edges) {
        CEdgeRecord r;
        r.assignment = EdgeAssignmentFromLetter(AssignmentLetter(e.kind));
        r.hasFoldAngle = e.kind == CreaseKind::Mountain || e.kind == CreaseKind::Valley;
        r.foldAngle = e.foldAngle;
        r.bendAngle = e.bendAngle;
        byEdge[EdgeKey(e.a, e.b)] = r;
    }
    std::vector<CEdgeRecord> records(pattern.faces.size());
    for (size_t k = 0; k < pattern.faces.size(); ++k) {
        const size_t next = k % 3 == 2 ? k - 2 : k + 1;
        const auto it = byEdge.find(EdgeKey(pattern.faces[k], pattern.faces[next]));
        if (it != byEdge.end())
            records[k] = it->second;
    }
    return BuildSimPatternFromRecords(paper, form, pattern.faces, records, out, why);
}

bool BuildSimPattern(const CPolyModel& model, CSimPattern& out, std::string& why)
{
    if (model.objects.empty() || model.objects[0]->faces.empty())
        return Refuse(out, why, "the model has no faces");
    const CPolyObject& object = *model.objects[0];
    if (model.designing || !model.paperInfo.fromPattern ||
        model.paper.size() != 3 * object.faces.size()) {
        if (!model.designing && !model.paperInfo.has)
            return Refuse(out, why,
                          model.paperInfo.whyNot.empty() ? "the model has no paper"
                                                         : model.paperInfo.whyNot.c_str());
        CWorkingShape scratch;
        COriginFaces origin;
        BuildOriginFaces(model, origin);
        CCreasePattern pattern;
        BuildCreasePattern(model.CurrentShape(scratch), origin, pattern);
        return BuildSimPattern(pattern, model.unitCentre, model.unitScale, out, why);
    }
    std::unordered_map<const CPolyVertex*, uint32_t> index;
    index.reserve(object.vertices.size());
    std::vector<CVector3> paper(object.vertices.size()), form;
    for (size_t v = 0; v < object.vertices.size(); ++v)
        index.emplace(object.vertices[v], static_cast<uint32_t>(v));
    if (model.patternHasForm) {
        form.reserve(object.vertices.size());
        for (const CPolyVertex* v : object.vertices)
            form.push_back(v->pos * model.unitScale + model.unitCentre);
    }
    std::vector<uint32_t> tris;
    tris.reserve(3 * object.faces.size());
    for (size_t f = 0; f < object.faces.size(); ++f) {
        const CPolyFace& face = *object.faces[f];
        if (face.corners.size() != 3)
            return Refuse(out, why, "a face of the model is not a triangle");
        for (int j = 0; j < 3; ++j) {
            const auto it = index.find(face.corners[j]->vertex);
            if (it == index.end())
                return Refuse(out, why, "a face names a vertex the model does not hold");
            tris.push_back(it->second);
            const CPaperPoint& p = model.paper[3 * f + j];
            paper[it->second] = {p.u, p.v, 0.0};
        }
    }
    std::vector<CEdgeRecord> records = model.edgeRecords;
    if (records.size() != tris.size()) {
        // Only the crease marks survived: their letters, folded flat.
        records.assign(tris.size(), CEdgeRecord{});
        for (size_t k = 0; k < model.edgeMarks.size() && k < records.size(); ++k)
            if (model.edgeMarks[k] & EdgeMark::kCrease)
                records[k].assignment = (model.edgeMarks[k] & EdgeMark::kValley)
                                            ? EdgeAssignment::Valley
                                            : EdgeAssignment::Mountain;
    }
    return BuildSimPatternFromRecords(paper, form, tris, records, out, why);
}

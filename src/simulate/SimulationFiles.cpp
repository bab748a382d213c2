#include "simulate/SimulationFiles.h"

#include "export/AtomicFile.h"
#include "simulate/SimPattern.h"

#include <nlohmann/json.hpp>

#include <cstdio>

using Json = nlohmann::ordered_json;

bool WriteSimulatedObj(const std::string& path, const CSimPattern& pattern,
                       const std::vector<CVector3>& positions)
{
    if (positions.size() != pattern.VertexCount())
        return false;
    return WriteFileReplacing(path, [&](std::FILE* out) {
        bool ok = std::fputs("# Lintoro fold simulation: one vertex per pattern vertex\n", out) >= 0;
        for (const CVector3& p : positions)
            ok = ok && std::fprintf(out, "v %.17g %.17g %.17g\n", p.x, p.y, p.z) > 0;
        for (size_t t = 0; t < pattern.TriangleCount(); ++t)
            ok = ok && std::fprintf(out, "f %u %u %u\n", pattern.tris[3 * t] + 1,
                                    pattern.tris[3 * t + 1] + 1, pattern.tris[3 * t + 2] + 1) > 0;
        return ok;
    });
}

Json FoldFramesDocument(const CSimPattern& pattern,
                        const std::vector<std::vector<CVector3>>& frames)
{
    Json doc;
    doc["file_spec"] = 1.2;
    doc["file_creator"] = "Lintoro";
    doc["file_classes"] = {"animation"};
    doc["frame_classes"] = {"creasePattern"};
    doc["frame_unit"] = "mm";
    Json coords = Json::array();
    for (const CVector3& p : pattern.paper)
        coords.push_back({p.x, p.y});
    doc["vertices_coords"] = std::move(coords);
    Json faces = Json::array();
    for (size_t t = 0; t < pattern.TriangleCount(); ++t)
        faces.push_back({pattern.tris[3 * t], pattern.tris[3 * t + 1], pattern.tris[3 * t + 2]});
    doc["faces_vertices"] = std::move(faces);
    Json edges = Json::array(), assignment = Json::array(), fold = Json::array();
    Json bend = Json::array();
    for (const CSimEdge& e : pattern.edges) {
        edges.push_back({e.a, e.b});
        const char* letter = e.kind == SimEdgeKind::Boundary ? "B"
                             : e.kind == SimEdgeKind::Free   ? "U"
                             : e.kind == SimEdgeKind::Facet  ? "F"
                             : e.target < 0.0                ? "M"
                                                             : "V";
        assignment.push_back(letter);
        fold.push_back(e.kind == SimEdgeKind::Crease ? e.target : 0.0);
        bend.push_back(e.kind == SimEdgeKind::Facet ? e.target : 0.0);
    }
    doc["edges_vertices"] = std::move(edges);
    doc["edges_assignment"] = std::move(assignment);
    doc["edges_foldAngle"] = std::move(fold);
    doc["lintoro:edges_bendAngle"] = std::move(bend);
    Json list = Json::array();
    for (const std::vector<CVector3>& positions : frames) {
        Json frame;
        frame["frame_classes"] = {"foldedForm"};
        frame["frame_parent"] = 0;
        frame["frame_inherit"] = true;
        Json at = Json::array();
        for (const CVector3& p : positions)
            at.push_back({p.x, p.y, p.z});
        frame["vertices_coords"] = std::move(at);
        list.push_back(std::move(frame));
    }
    doc["file_frames"] = std::move(list);
    return doc;
}

bool WriteFoldFrames(const std::string& path, const CSimPattern& pattern,
                     const std::vector<std::vector<CVector3>>& frames)
{
    std::string text;
    try {
        text = FoldFramesDocument(pattern, frames).dump(1);
    } catch (const std::exception&) {
        return false; // out of memory: nothing written
    }
    text += '\n';
    return WriteBytesReplacing(path, text);
}

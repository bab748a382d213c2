#include "simulate/SimulationFiles.h"

#include "base/AtomicFile.h"
#include "export/ExportFOLD.h"
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
        bool ok =
            std::fputs("# Lintoro fold simulation: one vertex per pattern vertex\n", out) >= 0;
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
    std::vector<std::array<double, 2>> paper;
    paper.reserve(pattern.paper.size());
    for (const CVector3& p : pattern.paper)
        paper.push_back({p.x, p.y});
    std::vector<CFoldEdge> edges;
    edges.reserve(pattern.edges.size());
    for (const CSimEdge& e : pattern.edges) {
        const char letter = e.kind == SimEdgeKind::Boundary ? 'B'
                            : e.kind == SimEdgeKind::Free   ? 'U'
                            : e.kind == SimEdgeKind::Facet  ? 'F'
                            : e.target < 0.0                ? 'M'
                                                            : 'V';
        edges.push_back({e.a, e.b, letter, e.kind == SimEdgeKind::Crease ? e.target : 0.0,
                         e.kind == SimEdgeKind::Facet ? e.target : 0.0});
    }
    Json doc = FoldSheetDocument("animation", paper, pattern.tris, edges, nullptr);
    Json list = Json::array();
    for (const std::vector<CVector3>& positions : frames)
        list.push_back(FoldFormFrame(positions));
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

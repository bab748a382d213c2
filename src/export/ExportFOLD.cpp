#include "export/ExportFOLD.h"

#include "model/PolyModel.h"
#include "paper/CreasePattern.h"

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

Json FoldSheetDocument(const char* fileClass, const std::vector<std::array<double, 2>>& paper,
                       const std::vector<uint32_t>& tris, const std::vector<CFoldEdge>& edges,
                       const CPaperStrain* strain)
{
    Json doc;
    doc["file_spec"] = 1.2;
    doc["file_creator"] = "Lintoro";
    doc["file_classes"] = {fileClass};
    doc["frame_classes"] = {"creasePattern"};
    doc["frame_unit"] = "mm";
    // Each list is filled apart and then moved in: the document keeps its
    // keys in a vector, so a reference into it dies with the next key.
    Json coords = Json::array();
    for (const std::array<double, 2>& p : paper)
        coords.push_back({p[0], p[1]});
    doc["vertices_coords"] = std::move(coords);
    Json faces = Json::array();
    for (size_t f = 0; f + 2 < tris.size(); f += 3)
        faces.push_back({tris[f], tris[f + 1], tris[f + 2]});
    doc["faces_vertices"] = std::move(faces);
    Json lines = Json::array(), assignment = Json::array(), angle = Json::array();
    Json bend = Json::array();
    for (const CFoldEdge& e : edges) {
        lines.push_back({e.a, e.b});
        assignment.push_back(std::string(1, e.assignment));
        angle.push_back(e.foldAngle);
        bend.push_back(e.bendAngle);
    }
    doc["edges_vertices"] = std::move(lines);
    doc["edges_assignment"] = std::move(assignment);
    doc["edges_foldAngle"] = std::move(angle);
    // FOLD leaves keys with a colon to the program that wrote them.
    if (strain)
        doc["lintoro:strain"] = {{"max", strain->max}, {"mean", strain->mean}};
    // F edges must have fold angle 0; how far the facets bend there is our own key.
    doc["lintoro:edges_bendAngle"] = std::move(bend);
    return doc;
}

Json FoldFormFrame(const std::vector<CVector3>& positions)
{
    Json frame;
    frame["frame_classes"] = {"foldedForm"};
    frame["frame_parent"] = 0;
    frame["frame_inherit"] = true;
    Json at = Json::array();
    for (const CVector3& p : positions)
        at.push_back({p.x, p.y, p.z});
    frame["vertices_coords"] = std::move(at);
    return frame;
}

Json FoldDocument(const CCreasePattern& pattern, const CVector3& unitCentre, double unitScale,
                  const CPaperStrain& strain)
{
    std::vector<std::array<double, 2>> paper;
    paper.reserve(pattern.vertices.size());
    for (const CPaperPoint& p : pattern.vertices)
        paper.push_back({p.u, p.v});
    std::vector<CFoldEdge> edges;
    edges.reserve(pattern.edges.size());
    for (const CPatternEdge& e : pattern.edges)
        edges.push_back({e.a, e.b, AssignmentLetter(e.kind), e.foldAngle, e.bendAngle});
    Json doc = FoldSheetDocument("singleModel", paper, pattern.faces, edges, &strain);
    std::vector<CVector3> folded;
    folded.reserve(pattern.folded.size());
    for (const CVector3& p : pattern.folded)
        folded.push_back(p * unitScale + unitCentre);
    doc["file_frames"] = Json::array({FoldFormFrame(folded)});
    return doc;
}

CFoldPlacement FoldPlacementOf(const CPolyModel& model)
{
    return {
        model.unitCentre, model.unitScale, {model.paperInfo.strainMax, model.paperInfo.strainMean}};
}

bool FoldPatternText(const CCreasePattern& pattern, const CFoldPlacement& placement,
                     std::string& text, const std::string* originalName)
{
    try {
        Json doc =
            FoldDocument(pattern, placement.unitCentre, placement.unitScale, placement.strain);
        if (originalName)
            doc[kFoldOriginalNameKey] = *originalName;
        text = doc.dump(1);
        text += '\n';
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

#include "export/ExportFOLD.h"

#include "model/PolyModel.h"
#include "paper/CreasePattern.h"

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

Json FoldDocument(const CCreasePattern& pattern, const CVector3& unitCentre, double unitScale,
                  const CPaperStrain& strain)
{
    Json doc;
    doc["file_spec"] = 1.2;
    doc["file_creator"] = "Lintoro";
    doc["file_classes"] = {"singleModel"};
    doc["frame_classes"] = {"creasePattern"};
    doc["frame_unit"] = "mm";
    // Each list is filled apart and then moved in: the document keeps its
    // keys in a vector, so a reference into it dies with the next key.
    Json coords = Json::array();
    for (const CPaperPoint& p : pattern.vertices)
        coords.push_back({p.u, p.v});
    doc["vertices_coords"] = std::move(coords);
    Json faces = Json::array();
    for (size_t f = 0; f < pattern.FaceCount(); ++f)
        faces.push_back({pattern.faces[3 * f], pattern.faces[3 * f + 1], pattern.faces[3 * f + 2]});
    doc["faces_vertices"] = std::move(faces);
    Json edges = Json::array(), assignment = Json::array(), angle = Json::array();
    Json bend = Json::array();
    for (const CPatternEdge& e : pattern.edges) {
        edges.push_back({e.a, e.b});
        assignment.push_back(std::string(1, AssignmentLetter(e.kind)));
        angle.push_back(e.foldAngle);
        bend.push_back(e.bendAngle);
    }
    doc["edges_vertices"] = std::move(edges);
    doc["edges_assignment"] = std::move(assignment);
    doc["edges_foldAngle"] = std::move(angle);
    // FOLD leaves keys with a colon to the program that wrote them.
    doc["lintoro:strain"] = {{"max", strain.max}, {"mean", strain.mean}};
    // F edges must have fold angle 0; how far the facets bend there is our own key.
    doc["lintoro:edges_bendAngle"] = std::move(bend);
    Json frame;
    frame["frame_classes"] = {"foldedForm"};
    frame["frame_parent"] = 0;
    frame["frame_inherit"] = true;
    Json folded = Json::array();
    for (const CVector3& p : pattern.folded) {
        const CVector3 mm = p * unitScale + unitCentre;
        folded.push_back({mm.x, mm.y, mm.z});
    }
    frame["vertices_coords"] = std::move(folded);
    doc["file_frames"] = Json::array({std::move(frame)});
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

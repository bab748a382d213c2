#include "document/DesignFile.h"

#include "base/AtomicFile.h"
#include "design/DesignStates.h"
#include "export/CreasePatternFile.h"
#include "paper/PaperLayout.h"
#include "paper/PatternStrain.h"

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

namespace {

// The form alone, for a model without paper: the reader opens such a file
// as a form without paper.
Json FormDocument(const CPackedMesh& shape, const CFoldPlacement& placement)
{
    Json doc;
    doc["file_spec"] = 1.2;
    doc["file_creator"] = "Lintoro";
    doc["file_classes"] = {"singleModel"};
    doc["frame_classes"] = {"foldedForm"};
    Json coords = Json::array();
    for (const CPackedMesh::Vertex& v : shape.vertices) {
        const CVector3 p = v.pos * placement.unitScale + placement.unitCentre;
        coords.push_back({p.x, p.y, p.z});
    }
    doc["vertices_coords"] = std::move(coords);
    Json faces = Json::array();
    for (size_t i = 0; i + 2 < shape.index.size(); i += 3)
        faces.push_back({shape.index[i], shape.index[i + 1], shape.index[i + 2]});
    doc["faces_vertices"] = std::move(faces);
    return doc;
}

} // namespace

void TakeDesignSnapshot(const CPolyModel& model, CDesignSnapshot& out)
{
    CWorkingShape scratch;
    PackMesh(model.CurrentShape(scratch), out.shape);
    out.hasPaper = HasPaper(model);
    out.opened.faces.clear();
    if (out.hasPaper)
        BuildOriginFaces(model, out.opened);
    out.placement = FoldPlacementOf(model);
    out.measureStrain = !ShapeAsLaidOut(model);
}

bool DesignFileText(const CDesignSnapshot& snapshot, std::string& text,
                    const std::string* originalName)
{
    if (snapshot.hasPaper) {
        CWorkingShape form;
        CCreasePattern pattern;
        try {
            UnpackMesh(snapshot.shape, form);
            BuildCreasePattern(form, snapshot.opened, pattern);
        } catch (const std::exception&) {
            return false; // out of memory: nothing made
        }
        if (!pattern.faces.empty()) {
            CFoldPlacement placement = snapshot.placement;
            if (snapshot.measureStrain) {
                const CPatternStrain strain = MeasurePatternStrain(pattern, placement.unitScale);
                placement.strain = {strain.max, strain.mean};
            }
            return FoldPatternText(pattern, placement, text, originalName);
        }
    }
    try {
        Json doc = FormDocument(snapshot.shape, snapshot.placement);
        if (originalName)
            doc[kFoldOriginalNameKey] = *originalName;
        text = doc.dump(1);
        text += '\n';
    } catch (const std::exception&) {
        return false; // out of memory, or a name that is not UTF-8: nothing made
    }
    return true;
}

bool WriteDesignFile(const CPolyModel& model, const std::string& path, std::string& error)
{
    // Straight from the model: what the user's thread has anyway needs no snapshot.
    CCreasePattern pattern;
    if (!BuildModelCreasePattern(model, pattern, error))
        return false;
    std::string text;
    CFoldPlacement placement = FoldPlacementOf(model);
    const CPatternStrain strain = WrittenStrain(model, pattern);
    placement.strain = {strain.max, strain.mean};
    if (!FoldPatternText(pattern, placement, text) ||
        !WriteBytesReplacing(path, text)) {
        error = kCannotWriteMessage;
        return false;
    }
    return true;
}

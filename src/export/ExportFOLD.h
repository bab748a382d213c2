#pragma once
// A crease pattern as a FOLD 1.2 file: the pattern on the paper in the file
// itself (millimetres), with every edge's assignment and full fold angle, and
// the folded form as a frame that inherits the pattern's faces and edges.

#include "model/Geometry.h"

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CPolyModel;
struct CCreasePattern;

// How far the pattern's edges differ in length from the form's: the largest
// and mean relative change of an edge's length (MeasurePatternStrain).
struct CPaperStrain {
    double max = 0.0;
    double mean = 0.0;
};

// The FOLD document: vertices_coords on the paper, faces_vertices
// counter-clockwise, edges_vertices, edges_assignment (B, M, V, F) and
// edges_foldAngle (degrees, positive for a valley, 0 on B and F edges),
// lintoro:edges_bendAngle (the dihedral of the F edges the form bends at, 0
// elsewhere: with the fold angles, folding the pattern by these gives the
// form); file_frames holds one "foldedForm" frame with
// frame_parent 0, frame_inherit true and the form's vertices_coords in
// millimetres: folded position * unitScale + unitCentre. "lintoro:strain"
// holds `strain` as {max, mean} (fractions: 0.001 is 0.1%).
nlohmann::ordered_json FoldDocument(const CCreasePattern& pattern, const CVector3& unitCentre,
                                    double unitScale, const CPaperStrain& strain);

// One edge of a crease pattern as every FOLD file we write lists it.
struct CFoldEdge {
    uint32_t a = 0, b = 0;
    char assignment = 'U';  // B, M, V, F or U
    double foldAngle = 0.0; // degrees, positive for a valley
    double bendAngle = 0.0; // lintoro:edges_bendAngle
};

// The crease pattern every FOLD file we write starts with: the header with
// `fileClass`, vertices_coords on the paper (mm), faces_vertices, the edges'
// vertices, assignments and fold angles, "lintoro:strain" when `strain` is
// given, and lintoro:edges_bendAngle. The caller adds file_frames.
nlohmann::ordered_json FoldSheetDocument(const char* fileClass,
                                         const std::vector<std::array<double, 2>>& paper,
                                         const std::vector<uint32_t>& tris,
                                         const std::vector<CFoldEdge>& edges,
                                         const CPaperStrain* strain);
// A "foldedForm" frame over frame 0 that inherits its faces and edges:
// every vertex's position in mm.
nlohmann::ordered_json FoldFormFrame(const std::vector<CVector3>& positions);

// What a FOLD file says beside the pattern: where the form sits in
// millimetres and how far the paper stretched.
// The name of the file a design came from, in a recovery file.
constexpr const char* kFoldOriginalNameKey = "lintoro:originalName";

struct CFoldPlacement {
    CVector3 unitCentre;
    double unitScale = 1.0;
    CPaperStrain strain;
};
// The model's placement: its unit centre and scale, its paper's strain.
CFoldPlacement FoldPlacementOf(const CPolyModel& model);

// The one way a FOLD file is made, for the crease pattern, Save Design and
// recovery alike: FoldDocument, with kFoldOriginalNameKey when
// `originalName` is given, as text with one space of indent and a final
// newline. False when it cannot be made (out of memory, a name that is not
// UTF-8).
bool FoldPatternText(const CCreasePattern& pattern, const CFoldPlacement& placement,
                     std::string& text, const std::string* originalName = nullptr);

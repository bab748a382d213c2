#pragma once
// A crease pattern as a FOLD 1.2 file: the pattern on the paper in the file
// itself (millimetres), with every edge's assignment and full fold angle, and
// the folded form as a frame that inherits the pattern's faces and edges.

#include "model/Geometry.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdio>
#include <string>

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
                                    double unitScale, const CPaperStrain& strain = {});

// Writes FoldDocument to `path` through a temporary file beside it; false
// when any step fails (an existing file is then untouched).
bool ExportFoldFile(const std::string& path, const CCreasePattern& pattern,
                    const CVector3& unitCentre, double unitScale, const CPaperStrain& strain = {});

#pragma once
// FOLD reader (the origami interchange format, JSON). A file with a folded
// frame opens as that form with its crease pattern as paper; a crease pattern
// alone opens flat (z = 0) as a sheet; a folded form alone opens without paper.

#include "model/PolyModel.h"

#include <string>
#include <string_view>

class IProgress;

// Reads the FOLD file at `path` into `model`, ending with BuildTopology, and
// stores the path in fileName first. The crease pattern is the first frame
// classed "creasePattern", else the file's own frame when it is not classed
// "foldedForm" and lies in z = 0; the form is the first other frame classed
// "foldedForm", else (no pattern) the first frame with vertices_coords
// (frame_inherit and frame_parent followed). Coordinates are converted to mm
// by each frame's frame_unit ("unit" or none counts as mm). A pattern drawn in
// another plane is laid flat in its own. Every vertex of the file is a vertex
// record of its own, however close to another, and faces connect only where
// they share one (paperFromRecords is set). Polygons are triangulated on the
// paper, every vertex kept. With a pattern, model.paper has the paper point of
// every corner of the faces that survive BuildTopology and paperInfo.has is
// set; its pieces join across shared edges. model.edgeRecords holds, per
// triangle edge, the file's edges_assignment, edges_foldAngle and
// lintoro:edges_bendAngle (lists whose length differs from edges_vertices
// are ignored), and model.edgeMarks its M and V edges as crease marks;
// patternHasForm says a folded frame came with the pattern. Returns 0, or 1 ("File open
// failed", with whyNotRead set) for a file that cannot be read, is not JSON,
// lacks vertices_coords or faces_vertices, has an index out of range, a
// number that is not finite, a coordinate list that is not 2 or 3 long, an
// unknown unit, a pattern that is not flat, frames that disagree on the
// vertex count, or no usable face. On failure the model is exactly as it was
// (apart from fileName and whyNotRead).
ReadResult ReadFOLD(CPolyModel& model, const std::string& path, IProgress* progress = nullptr);

// The same for FOLD text in memory; fileName is left alone.
ReadResult ReadFOLDText(CPolyModel& model, std::string_view text);

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
// "foldedForm" (frame_inherit and frame_parent followed). Polygons are
// triangulated on the paper. With a pattern, model.paper has the paper point
// of every corner of the faces that survive BuildTopology and paperInfo.has is
// set. Returns 0, or 1 ("File open failed") for a file that cannot be read,
// is not JSON, lacks vertices_coords or faces_vertices, has an index out of
// range, a number that is not finite, a coordinate list that is not 2 or 3
// long, frames that disagree on the vertex count, or no usable face. On
// failure the model is exactly as it was (apart from fileName).
ReadResult ReadFOLD(CPolyModel& model, const std::string& path, IProgress* progress = nullptr);

// The same for FOLD text in memory; fileName is left alone.
ReadResult ReadFOLDText(CPolyModel& model, std::string_view text);

#pragma once
// What a fold simulation writes: the folded sheet as OBJ in the pattern's
// own vertex order, and the fold as FOLD frames other FOLD tools can play.

#include "model/Geometry.h"

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <vector>

struct CSimPattern;

// One `v` per pattern vertex (positions, mm) in order, then one `f` per
// triangle. False, with an existing file untouched, when the write fails
// or the positions do not match the pattern.
bool WriteSimulatedObj(const std::string& path, const CSimPattern& pattern,
                       const std::vector<CVector3>& positions);

// The pattern as a FOLD crease pattern (vertices_coords on the paper,
// faces_vertices, edges with assignment B, M, V, F or U, edges_foldAngle at
// 100% and lintoro:edges_bendAngle), with one "foldedForm" frame per entry
// of `frames` (frame_parent 0, frame_inherit true, every vertex's position).
nlohmann::ordered_json FoldFramesDocument(const CSimPattern& pattern,
                                          const std::vector<std::vector<CVector3>>& frames);

// Writes FoldFramesDocument through a temporary file; false when any step
// fails (an existing file is then untouched).
bool WriteFoldFrames(const std::string& path, const CSimPattern& pattern,
                     const std::vector<std::vector<CVector3>>& frames);

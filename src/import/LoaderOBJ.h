#pragma once
// Wavefront OBJ reader (triangles only). Reads `v`, `vt`, `f` and `fo`
// statements into one object of the model, gives every corner a vertex
// record of its own, and ends with BuildTopology.

#include "model/PolyModel.h"

#include <string>

class IProgress;

class LoaderOBJ {
public:
    LoaderOBJ(const std::string& path, CPolyModel& model);
    virtual ~LoaderOBJ() = default;
    LoaderOBJ(const LoaderOBJ&) = delete;
    LoaderOBJ& operator=(const LoaderOBJ&) = delete;

    // 0 on success; 1 when the file is missing, unreadable or empty, ends
    // inside a `v` or `vt` statement, uses a vertex or texture index outside
    // those read so far, holds a coordinate beyond the range of a double, or
    // leaves no usable face; 2 when the display reports a cancel; 5 at the
    // fourth corner of a face. On failure the model keeps no object, texture
    // flag or plane from this read (the file name stays set).
    ReadResult Run(IProgress* progress);

private:
    std::string path_;
    CPolyModel& model_;
};

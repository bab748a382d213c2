#pragma once
// Helpers for the OBJ reader tests: a progress display that records what a
// reader tells it, and reading text through a scratch file.

#include "model/PolyModel.h"
#include "support/RecordingProgress.h"

#include <memory>
#include <string>
#include <vector>

struct ObjRead {
    std::unique_ptr<CPolyModel> model = std::make_unique<CPolyModel>();
    int result = -1;
};

// Writes `text` to a scratch file named `name` and reads it with ReadOBJ.
ObjRead ReadObjText(const std::string& text, IProgress* progress = nullptr,
                    const std::string& name = "case.obj");

#pragma once
// Opening a model file by its extension: the part of the open routine that
// the GUI and the command line share.

#include "model/PolyModel.h"

#include <functional>
#include <memory>
#include <string>

class IProgress;

// The fixed message for a reader result; empty for 0 (success) and 3 (already reported).
const char* ReadResultMessage(int result);

// Lower-cased extension of the path's file name from its last dot, dot
// included; empty when the name has no dot.
std::string FileExtension(const std::string& path);

// Base name of the path: no folder, extension kept.
std::string FileBaseName(const std::string& path);

// Base name without the extension.
std::string FileStem(const std::string& path);

struct OpenOutcome {
    std::unique_ptr<CPolyModel> model; // set only on success
    ReadResult result = kReadFailed;
    std::string message; // what the opener shows; empty on success
    bool isQwf = false;
};

constexpr const char* kCannotOpenMessage = "Cannot open this file";

// The reading step of the open routine: probes the file, dispatches on the
// extension and reads into a fresh model, leaving the coordinates as the file
// holds them. On failure nothing but the outcome's message is produced.
OpenOutcome OpenModelFile(const std::string& path, IProgress* progress);

using ModelReader = std::function<OpenOutcome(const std::string& path, IProgress* progress)>;

struct OpenOptions {
    // Scale into [-1, 1]^3, as the design view works on a model; false keeps
    // the coordinates as read (info, convert --keep-scale).
    bool normalize = true;
    // Stands in for OpenModelFile when set (tests feed prepared models).
    ModelReader reader;
};

// The program's open routine, the one the design view and the command line
// share: the reader by extension, then NormalizeToUnit. A failed read comes
// back as the reader gave it, with nothing else done.
OpenOutcome OpenModel(const std::string& path, IProgress* progress,
                      const OpenOptions& options = {});

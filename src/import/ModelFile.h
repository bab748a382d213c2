#pragma once
// Opening a model file by its extension: the part of the open routine that
// the GUI and the command line share.

#include "base/FileNames.h"
#include "model/PolyModel.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class IProgress;

// The fixed message for a reader result; empty for 0 (success) and 3 (already reported).
const char* ReadResultMessage(int result);

struct OpenOutcome {
    std::unique_ptr<CPolyModel> model; // set only on success
    ReadResult result = kReadFailed;
    std::string message; // what the opener shows; empty on success
    // Why it failed, beside the fixed message: the system's error, an empty
    // file, the reader's finding (with the line for text formats). Empty on
    // success and when the user cancelled.
    std::string reason;
    bool isQwf = false;
};

// "<path>: <reason>", the detail shown under the fixed message; empty when
// the outcome has no reason.
std::string OpenFailureDetail(const std::string& path, const OpenOutcome& outcome);

// A format the open routine reads: its extension (dot included, lower case)
// and a short name for file dialogs and messages.
struct ModelFormat {
    const char* ext;
    const char* name;
};
// Every format with a reader, in the order of the dispatch table. The ".6ks"
// stub reads nothing and is not listed.
const std::vector<ModelFormat>& ReadableModelFormats();

constexpr const char* kCannotOpenMessage = "Cannot open this file";

// The reading step of the open routine: probes the file, dispatches on the
// extension and reads into a fresh model, leaving the coordinates as the file
// holds them. On failure nothing but the outcome's message and reason is
// produced.
OpenOutcome ReadModelFile(const std::string& path, IProgress* progress);

using ModelReader = std::function<OpenOutcome(const std::string& path, IProgress* progress)>;

struct OpenOptions {
    // Scale into [-1, 1]^3, as the design view works on a model; false keeps
    // the coordinates as read (info, convert --keep-scale).
    bool normalize = true;
    // Stands in for ReadModelFile when set (tests feed prepared models).
    ModelReader reader;
};

// The program's open routine, the one the design view and the command line
// share: the reader by extension, then AssignPaper, then NormalizeToUnit. A
// failed read comes back as the reader gave it, with nothing else done.
OpenOutcome OpenModel(const std::string& path, IProgress* progress,
                      const OpenOptions& options = {});

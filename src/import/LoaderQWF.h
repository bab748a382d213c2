#pragma once
// Reader of ".qwf" files: a triangle mesh plus slices, each with its square
// in space, flat parts (outlines in model space and plane coordinates) and
// intersection lines paired with lines on other slices by id.

#include "import/FileBytes.h"
#include "import/WordScanner.h"
#include "model/PolyModel.h"

#include <cstdint>
#include <string>
#include <string_view>

class CSlicePlane;
class IProgress;
class ProgressScope;

class LoaderQWF {
public:
    LoaderQWF(const std::string& path, CPolyModel& model) : path_(path), model_(model) {}
    virtual ~LoaderQWF() = default;
    LoaderQWF(const LoaderQWF&) = delete;
    LoaderQWF& operator=(const LoaderQWF&) = delete;

    // Fills the model. 0 on success; 1 for a missing, empty or malformed
    // file (a statement that needs a slice before any `sp`, a number that
    // is not one, a face vertex number outside the vertices read so far, a
    // partner id outside the ids handed out, a truncated statement, no mesh
    // face surviving topology); 2 when the user cancels. On failure the
    // model holds a partial read and must be discarded by the caller.
    ReadResult Run(IProgress* progress);

private:
    enum class Step { kOk, kFailed, kCancelled };

    bool NextDouble(double& value);
    bool NextInt(int& value);
    // Moves the progress bar when the whole percent changes; false on cancel.
    bool Tick();

    Step ReadSlice();
    Step ReadPart();
    Step ReadLine();
    Step ReadMesh();

    std::string path_;
    CPolyModel& model_;
    FileBytes bytes_;
    WordScanner words_;
    ProgressScope* scope_ = nullptr;
    int lastPercent_ = -1;

    CSlicePlane* slice_ = nullptr;
    CPolyObject* mesh_ = nullptr;
    int nextLineId_ = 1;
};

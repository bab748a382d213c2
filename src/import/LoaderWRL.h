#pragma once
// Reader of the geometry of VRML 1.0 text files: the points of every
// Coordinate3 node and the faces of the IndexedFaceSet nodes that follow it.
// Each Coordinate3 starts a new object; later faces index its points from 0.
// Every other node, field and transformation is passed over.
//
// The file is read as a stream of words: "[", "]", "{" and "}" are words even
// when glued to their neighbours, commas separate like spaces, "#" starts a
// comment to the end of the line and a quoted string is a single word. In a
// face list -1 closes a face and the next one starts right after it; "]"
// closes the list wherever it stands (a last face without -1 still counts).

#include "import/FileBytes.h"
#include "model/Progress.h"
#include "model/PolyModel.h"

#include <string>
#include <string_view>

class LoaderWRL {
public:
    LoaderWRL(const std::string& path, CPolyModel* model, IProgress* progress);
    virtual ~LoaderWRL();
    LoaderWRL(const LoaderWRL&) = delete;
    LoaderWRL& operator=(const LoaderWRL&) = delete;

    // 0 on success; 1 when the file cannot be read, is truncated inside a node
    // or list, holds a non-number in a list, an index outside the current
    // points, faces before any points, or no usable face; 2 when cancelled.
    ReadResult Read();

private:
    enum Step { kOk, kFail, kCancel };

    // Next word of the file; kFail at end of input (every caller is inside a node).
    Step Next(std::string_view& word);
    // Like Next, but false at end of input instead of failing.
    bool NextAtTop(std::string_view& word, Step& step);
    // Words of a node up to its closing brace; `parse` takes the value of `field`.
    Step ParseNodeBody(std::string_view field, Step (LoaderWRL::*parse)());
    Step ParseCoordinate3();
    Step ParseIndexedFaceSet();
    Step ParsePoints();
    Step ParseFaceList();
    Step ReadNumber(std::string_view word, double& value);
    Step AddIndex(std::string_view word, CPolyFace*& face);

    std::string path;
    CPolyModel* model;
    CPolyObject* object = nullptr; // the object of the last Coordinate3
    ProgressScope progress;
    FileBytes bytes;
    size_t pos = 0;
    int lastPercent = 0;
};

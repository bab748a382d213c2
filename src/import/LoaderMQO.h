#pragma once
// Reader of Metasequoia text documents (Format Text Ver 1.0 and 1.1):
// materials (colour only), vertices (text and binary blocks), faces, their
// material index and texture coordinates. Everything else in the file is
// skipped chunk by chunk, by its braces. A Ver 1.0 face keeps its first four
// corners; a Ver 1.1 face keeps all of them.
//
// Every object chunk of the file feeds the model's one object, but face
// indices count from the first vertex of their own object chunk, as the
// format means them.

#include "model/Progress.h"
#include "import/StringSeparator.h"
#include "model/PolyModel.h"

#include <cstdint>
#include <cstdio>

class LoaderMQO {
public:
    // stream: open in binary mode, positioned at the start; not owned.
    LoaderMQO(std::FILE* stream, CPolyModel* model, IProgress* progress);
    virtual ~LoaderMQO();
    LoaderMQO(const LoaderMQO&) = delete;
    LoaderMQO& operator=(const LoaderMQO&) = delete;

    // Parses the whole file, builds the topology and flips the winding.
    // 0 on success, 1 on any malformed or truncated input or a version other
    // than 1.0 and 1.1, 2 when cancelled.
    ReadResult Read();

private:
    // Internal codes: negative values abort the parse as a failure, 2 is a cancel.
    enum Code : int {
        kOk = 0,
        kCancel = 2,
        kBad = -1,
        kEndInChunk = -2,
        kBadHeader = -3,
        kBadVersion = -4,
        kClosed = 3, // from NextEntry only: the line closes the chunk
    };

    int ParseBody();
    int ParseMaterials();
    void ParseMaterialLine(float colour[4]);
    int ParseObject();
    int ParseVertices();
    int ParseBinaryVertices();
    int ParseFaces();
    int ParseFaceLine();
    int SkipChunk();
    int SkipBytes(long long count);
    int UpdateProgress();
    // Reads the next line; kEndInChunk at end of file.
    int NextLineInChunk();
    // Skips empty lines; kClosed when the next line ends the current chunk.
    int NextEntry();
    // True when the last three tokens are "[", a number and "]".
    bool EndsWithByteCount(long long& count) const;
    bool LastTokenIs(const char* word) const;
    void AddVertex(double x, double y, double z);

    std::FILE* stream;
    AsciiFileString lines;
    CPolyModel* model;
    CPolyObject* object;
    ProgressScope progress;
    int32_t nextVertexId = 1;
    long long fileSize = 0;
    int lastPercent = 0;
    // Index in object->vertices of the current object chunk's vertex 0.
    size_t chunkFirstVertex = 0;
    bool keepAllCorners = false;
};

#pragma once
// Minimal Wavefront OBJ output: vertex positions and faces, nothing else.
// Numbers are C-locale "%g" with 6 significant digits whatever the process
// locale; every line ends with "\n"; a face line has a space before its end.

#include "model/Geometry.h"

#include <cstdint>
#include <cstdio>
#include <string>

class CPolyModel;

// Buffered line writer shared by the shape export and the sheet generator.
class ObjTextWriter {
public:
    explicit ObjTextWriter(std::FILE* out) : out_(out) {}
    ~ObjTextWriter() = default;
    ObjTextWriter(const ObjTextWriter&) = delete;
    ObjTextWriter& operator=(const ObjTextWriter&) = delete;

    // "v x y z\n"
    void Vertex(const CVector3& p);
    // The same with every number in the shortest form that reads back to the
    // same double: for generated shapes whose exactness matters (bent sheets).
    void VertexExact(const CVector3& p);
    // "f", then " " and the index for each call of FaceIndex, then " \n" from FaceEnd.
    void FaceBegin();
    void FaceIndex(int64_t index);
    void FaceEnd();
    // Flushes to the stream; true when every byte was accepted and the stream
    // reports no error. Later writes after a failure are dropped.
    bool Finish();

private:
    void Append(const char* text, size_t n);
    void AppendNumber(double value);
    void Drain();

    std::FILE* out_;
    char buffer_[1 << 16];
    size_t used_ = 0;
    bool ok_ = true;
};

// Appends value as C-locale "%g" (6 significant digits, glibc's two-digit
// exponent) to `text`; returns the number of characters written (at most 16).
size_t FormatObjNumber(double value, char* text);

class CExportOBJ {
public:
    // Writes the shape being designed: once the design has begun, the working
    // shape (one vertex per corner, in order); before, objects[0] of `model`:
    // first every vertex of its list in order,
    // numbering them 1, 2, ... into their `id` fields (also those no face
    // uses), then one line per face with the ids of its corners. A model
    // without objects writes nothing. Returns whether every write succeeded
    // (a full disk or a closed stream gives false).
    bool WriteObj(std::FILE* stream, CPolyModel& model);
};

// Exports objects[0] of `model` to `path` through a temporary file beside it
// (see WriteFileReplacing): on failure an existing file at `path` is untouched
// and no temporary file is left behind.
bool ExportObjFile(const std::string& path, CPolyModel& model);

// What ExportObjFile would write, made in memory, for a caller that writes
// only once all its outputs have been made. False when it cannot be made.
bool ObjBytes(CPolyModel& model, std::string& bytes);

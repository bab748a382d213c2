#pragma once
// Writing the crease pattern of the form being designed, by file extension.

#include "export/PatternOptions.h"

#include <string>

class CPolyModel;
struct CCreasePattern;

// What a crease pattern file's name asks for, by its extension in either case.
enum class CreasePatternFormat { kUnknown, kFold, kSvg, kPdf, kDxf };
CreasePatternFormat CreasePatternFormatOf(const std::string& path);
// What the user is told about a name of no known format.
constexpr const char* kCreasePatternFormatsMessage =
    "A crease pattern is written as .fold, .svg, .pdf or .dxf.";

// Builds the crease pattern of the model's current shape (CurrentShape)
// against its first object as opened. False with `error` set when the model
// has no paper (error = paperInfo.whyNot) or the pattern is empty.
bool BuildModelCreasePattern(const CPolyModel& model, CCreasePattern& pattern, std::string& error);

// The bytes of `pattern` as a file of `format` (the model gives FOLD its
// scale back to millimetres). False when they cannot be made.
bool CreasePatternBytes(const CPolyModel& model, const CCreasePattern& pattern,
                        CreasePatternFormat format, std::string& bytes);
// The same drawn as `options` ask (SVG, DXF, PDF; FOLD is the pattern itself
// and ignores them).
bool CreasePatternBytes(const CPolyModel& model, const CCreasePattern& pattern,
                        CreasePatternFormat format, const CPatternOptions& options,
                        std::string& bytes);

// BuildModelCreasePattern, then the file at `path`: FOLD for ".fold", SVG for
// ".svg", PDF for ".pdf", DXF for ".dxf", drawn as `options` ask. False with `error` set when the
// extension is none of these (kCreasePatternFormatsMessage), the model has no pattern, or the file
// cannot be made or written (error = kCannotWriteMessage; an existing file is
// then untouched).
bool WriteCreasePatternFile(const CPolyModel& model, const std::string& path, std::string& error,
                            const CPatternOptions& options = CPatternOptions());

#pragma once
// Writing the crease pattern of the form being designed, by file extension.

#include <string>

class CPolyModel;

// Builds the crease pattern of the model's current shape (CurrentShape)
// against its first object as opened, and writes it to `path`: FOLD for
// ".fold", SVG for ".svg" (either case). False with `error` set when the
// model has no paper (error = paperInfo.whyNot), the extension is neither,
// or the write fails (error = kCannotWriteMessage; an existing file is then
// untouched).
bool WriteCreasePatternFile(const CPolyModel& model, const std::string& path, std::string& error);

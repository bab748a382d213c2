#pragma once
// The parts of a file's path that decide how it is read or written.

#include <string>

// Base name of the path: no folder, extension kept.
std::string FileBaseName(const std::string& path);

// Lower-cased extension of the path's file name from its last dot, dot
// included; empty when the name has no dot.
std::string FileExtension(const std::string& path);

// Base name without the extension.
std::string FileStem(const std::string& path);

// The path's extension is `ext` (lower case, dot included) in either case.
bool HasExtension(const std::string& path, const char* ext);

#pragma once
// Replacing a file without ever leaving it half-written.

#include <cstdio>
#include <functional>
#include <string>

// Creates a temporary file in the folder of `path`, lets `write` fill it,
// flushes it to disk and renames it onto `path`. Returns true only when every
// step succeeded. On any failure (the folder is not writable, `write` returns
// false, the disk is full, the rename fails) the temporary file is removed and
// whatever was at `path` before is left exactly as it was. A new file gets the
// permissions a plain create would give it; a replaced one keeps its own.
// When `path` is a symbolic link, the file it points at is replaced.
bool WriteFileReplacing(const std::string& path, const std::function<bool(std::FILE*)>& write);

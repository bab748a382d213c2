#pragma once
// Replacing a file without ever leaving it half-written.

#include <cstdio>
#include <functional>
#include <string>

// What both front ends tell the user when an output file cannot be written,
// for whatever reason (UTF-8).
constexpr const char* kCannotWriteMessage = "ファイルに書き込めません";

// True when `path` may be replaced by a writer: nothing is there yet, or it is
// a regular file the user may write to (through a symbolic link, the file it
// points at). A folder, a device or a read-only file is refused, as opening it
// for writing would be; a rename would otherwise replace it regardless.
bool IsWritableTarget(const std::string& path);

// IsWritableTarget, and the folder `path` names holds a file that may be
// created there (the temporary file WriteFileReplacing makes): what can be
// known about a write before anything is written.
bool CanReplaceFile(const std::string& path);

// Creates a temporary file in the folder of `path`, lets `write` fill it,
// flushes it to disk and renames it onto `path`. Returns true only when every
// step succeeded. On any failure (IsWritableTarget refuses `path`, the folder
// is not writable, `write` returns false, the disk is full, the rename fails)
// the temporary file is removed and whatever was at `path` before is left
// exactly as it was. A new file gets the permissions a plain create would give
// it; a replaced one keeps its own.
// When `path` is a symbolic link, the file it points at is replaced.
bool WriteFileReplacing(const std::string& path, const std::function<bool(std::FILE*)>& write);

// WriteFileReplacing with `bytes` as the whole file.
bool WriteBytesReplacing(const std::string& path, const std::string& bytes);

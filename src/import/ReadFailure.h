#pragma once
// Why a read failed, in words the user can act on. A reader records the
// reason on the model it was filling (CPolyModel::whyNotRead) beside the
// ReadResult it returns; the open routine adds the reasons every format
// shares (the system's error, an empty file) and a plain fallback.

#include "model/PolyModel.h"

#include <cstddef>
#include <string>
#include <string_view>

// Records `reason` on the model and returns kReadFailed.
ReadResult RefuseRead(CPolyModel& model, std::string reason);

// "line N: what", for the text formats.
std::string AtLine(size_t line, std::string_view what);

// 1-based line of the byte at `offset` (clamped to the text).
size_t LineAt(std::string_view text, size_t offset);

// Why a text reader stopped at byte `at` of `text` (just past the last word
// it read): "the file ends too soon" at the end, else "line N: what".
std::string StoppedAt(std::string_view text, size_t at, std::string_view what);

// The reason every reader gives when no face survives BuildTopology.
constexpr const char* kNoUsableFace = "no face has three distinct corners and an area";

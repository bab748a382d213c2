#pragma once
// The whole contents of a regular file in memory, for readers that parse in
// one forward pass. Pages the parser has moved past can be given back, so a
// large read does not hold both its text and the model it builds at the peak.

#include "model/PolyModel.h"
#include "model/Progress.h"

#include <cstddef>
#include <string>
#include <string_view>

class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // Reads the file. False (and empty) when it cannot be opened, is not a
    // regular file, cannot be read or holds no bytes. A file that shrinks
    // while it is read yields the bytes that were there.
    bool Load(const std::string& path);

    const char* data() const { return data_; }
    size_t size() const { return size_; }
    std::string_view view() const { return {data_, size_}; }

    // Returns the memory of every whole page before offset to the system. The
    // caller promises never to read those bytes again (they would read as 0).
    void ReleaseBefore(size_t offset);

private:
    void Unmap();

    char* data_ = nullptr;
    size_t size_ = 0;
    size_t mapped_ = 0;
    size_t released_ = 0;
};

// The way in of a reader that parses the whole text at once: names the
// model's file, shows the progress caption, loads the bytes and hands them to
// read(model, text). A file that cannot be loaded fails (the open routine
// names the system's reason); a cancel before the parse is kReadCancelled.
template <class Read>
ReadResult ReadWholeFile(CPolyModel& model, const std::string& path, IProgress* progress,
                         Read&& read)
{
    model.fileName = path;
    ProgressScope scope(progress, "File Open");
    FileBytes bytes;
    if (!bytes.Load(path))
        return kReadFailed;
    if (!scope.Update(0))
        return kReadCancelled;
    return read(model, bytes.view());
}

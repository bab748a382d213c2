#pragma once
// The whole contents of a regular file in memory, for readers that parse in
// one forward pass. Pages the parser has moved past can be given back, so a
// large read does not hold both its text and the model it builds at the peak.

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

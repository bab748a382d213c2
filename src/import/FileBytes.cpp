#include "import/FileBytes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

FileBytes::~FileBytes()
{
    Unmap();
}

void FileBytes::Unmap()
{
    if (data_)
        munmap(data_, mapped_);
    data_ = nullptr;
    size_ = 0;
    mapped_ = 0;
    released_ = 0;
}

bool FileBytes::Load(const std::string& path)
{
    Unmap();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 1) {
        close(fd);
        return false;
    }
    const size_t expected = static_cast<size_t>(st.st_size);
    // An anonymous mapping rather than the heap: its pages can be handed back
    // one by one (ReleaseBefore), and a file truncated under us cannot fault.
    void* mem = mmap(nullptr, expected, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mem == MAP_FAILED) {
        close(fd);
        return false;
    }
    data_ = static_cast<char*>(mem);
    mapped_ = expected;
    size_t got = 0;
    while (got < expected) {
        const ssize_t n = read(fd, data_ + got, expected - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(fd);
            Unmap();
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (got == 0) {
        Unmap();
        return false;
    }
    size_ = got;
    madvise(data_, mapped_, MADV_SEQUENTIAL);
    return true;
}

void FileBytes::ReleaseBefore(size_t offset)
{
    static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    if (!data_ || offset > size_)
        return;
    const size_t upTo = offset / page * page;
    if (upTo <= released_)
        return;
    madvise(data_ + released_, upTo - released_, MADV_DONTNEED);
    released_ = upTo;
}

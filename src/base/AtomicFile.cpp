#include "base/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

mode_t NewFileMode()
{
    // umask can only be read by setting it; put it straight back.
    const mode_t mask = umask(022);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool IsWritableTarget(const std::string& path)
{
    if (path.empty())
        return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT;
    return S_ISREG(st.st_mode) && ::access(path.c_str(), W_OK) == 0;
}

bool CanReplaceFile(const std::string& path)
{
    if (!IsWritableTarget(path))
        return false;
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool WriteFileReplacing(const std::string& path, const std::function<bool(std::FILE*)>& write)
{
    if (!IsWritableTarget(path))
        return false;
    // Through a symbolic link the file it points at is replaced, not the link.
    std::string target = path;
    if (char* resolved = realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    const std::string pattern = target + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::string tempPath(name.data());

    struct stat existing {};
    const mode_t mode = stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)
                            ? (existing.st_mode & 07777)
                            : NewFileMode();
    bool ok = fchmod(fd, mode) == 0;

    std::FILE* stream = ok ? fdopen(fd, "wb") : nullptr;
    if (!stream) {
        close(fd);
        unlink(tempPath.c_str());
        return false;
    }
    ok = write(stream);
    ok = std::fflush(stream) == 0 && ok;
    ok = !std::ferror(stream) && ok;
    ok = ok && fsync(fileno(stream)) == 0;
    ok = std::fclose(stream) == 0 && ok;
    ok = ok && std::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(tempPath.c_str());
    return ok;
}

bool WriteBytesReplacing(const std::string& path, const std::string& bytes)
{
    return WriteFileReplacing(path, [&bytes](std::FILE* out) {
        return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    });
}

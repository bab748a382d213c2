#include "import/ModelFile.h"

#include "paper/PaperLayout.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* ReadResultMessage(int result)
{
    switch (result) {
    case kReadOk:
    case kReadReported:
        return "";
    case kReadCancelled:
        return "Canceled";
    case kReadLocked:
        return "The file is locked.";
    case kReadNotTriangles:
        return "Error: Please make all polygons triangle.";
    default:
        return "File open failed";
    }
}

namespace {
using ReadMethod = ReadResult (CPolyModel::*)(const std::string&, IProgress*);

struct Entry {
    const char* ext;
    const char* name;
    ReadMethod read;
};

const Entry kReaders[] = {
    {".6ks", "6KS", &CPolyModel::Read6KS},    {".obj", "OBJ", &CPolyModel::ReadOBJ},
    {".dxf", "DXF", &CPolyModel::ReadDXF},    {".rok", "ROK", &CPolyModel::ReadROK},
    {".3ds", "3DS", &CPolyModel::Read3DS},    {".mqo", "MQO", &CPolyModel::ReadMQO},
    {".wrl", "VRML", &CPolyModel::ReadWRL},   {".qwf", "QWF", &CPolyModel::ReadQWF},
    {".fold", "FOLD", &CPolyModel::ReadFOLD}, {".svg", "SVG", &CPolyModel::ReadSVG},
};

const Entry* ReaderFor(const std::string& ext)
{
    for (const Entry& e : kReaders)
        if (ext == e.ext)
            return &e;
    return nullptr;
}

// What keeps every reader from the file's bytes, whatever the format: the
// system's error, a folder, an empty file. Empty when the bytes can be read.
std::string FileProblem(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    std::string problem;
    struct stat st {};
    char byte = 0;
    if (fstat(fd, &st) != 0)
        problem = std::strerror(errno);
    else if (S_ISDIR(st.st_mode))
        problem = std::strerror(EISDIR);
    else if (!S_ISREG(st.st_mode))
        problem = "not a regular file";
    else if (st.st_size == 0)
        problem = "the file is empty";
    else if (read(fd, &byte, 1) < 0)
        problem = std::strerror(errno);
    close(fd);
    return problem;
}
} // namespace

const std::vector<ModelFormat>& ReadableModelFormats()
{
    static const std::vector<ModelFormat> formats = [] {
        std::vector<ModelFormat> out;
        for (const Entry& e : kReaders)
            if (std::string(e.ext) != ".6ks")
                out.push_back({e.ext, e.name});
        return out;
    }();
    return formats;
}

std::string OpenFailureDetail(const std::string& path, const OpenOutcome& outcome)
{
    if (outcome.result == kReadOk || outcome.reason.empty())
        return "";
    return path + ": " + outcome.reason;
}

OpenOutcome ReadModelFile(const std::string& path, IProgress* progress)
{
    OpenOutcome out;
    std::FILE* probe = std::fopen(path.c_str(), "r");
    if (!probe) {
        out.reason = std::strerror(errno);
        out.result = kReadFailed;
        out.message = ReadResultMessage(kReadFailed);
        return out;
    }
    std::fclose(probe);
    const std::string ext = FileExtension(path);
    const Entry* reader = ReaderFor(ext);
    if (!reader) {
        out.result = kReadFailed;
        out.message = kCannotOpenMessage;
        out.reason = ext.empty() ? "the file name has no extension"
                                 : "there is no reader for \"" + ext + "\" files";
        return out;
    }
    auto model = std::make_unique<CPolyModel>();
    out.result = ((*model).*reader->read)(path, progress);
    if (out.result != kReadOk) {
        out.message = ReadResultMessage(out.result);
        if (out.result == kReadCancelled)
            return out;
        if (std::string problem = FileProblem(path); !problem.empty())
            out.reason = std::move(problem);
        else if (!model->whyNotRead.empty())
            out.reason = model->whyNotRead;
        else
            out.reason = std::string("not a valid ") + reader->name + " file";
        return out;
    }
    out.model = std::move(model);
    out.isQwf = ext == ".qwf";
    return out;
}

OpenOutcome OpenModel(const std::string& path, IProgress* progress, const OpenOptions& options)
{
    OpenOutcome out =
        options.reader ? options.reader(path, progress) : ReadModelFile(path, progress);
    if (out.result != kReadOk || !out.model)
        return out;

    // Paper comes from the positions as read, in the file's own units. A
    // flattening can take a while, so it shows progress and can be cancelled
    // like the read.
    if (!AssignPaper(*out.model, progress)) {
        out.result = kReadCancelled;
        out.message = ReadResultMessage(kReadCancelled);
        out.model.reset();
        return out;
    }
    if (options.normalize)
        out.model->NormalizeToUnit();
    return out;
}

#include "import/ModelFile.h"

#include "paper/PaperLayout.h"

#include <cctype>
#include <cstdio>

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

std::string FileBaseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FileExtension(const std::string& path)
{
    const std::string name = FileBaseName(path);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return "";
    std::string ext = name.substr(dot);
    for (char& ch : ext)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ext;
}

std::string FileStem(const std::string& path)
{
    const std::string name = FileBaseName(path);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

namespace {
using ReadMethod = ReadResult (CPolyModel::*)(const std::string&, IProgress*);

ReadMethod ReaderFor(const std::string& ext)
{
    struct Entry {
        const char* ext;
        ReadMethod read;
    };
    static const Entry table[] = {
        {".6ks", &CPolyModel::Read6KS},   {".obj", &CPolyModel::ReadOBJ},
        {".dxf", &CPolyModel::ReadDXF},   {".rok", &CPolyModel::ReadROK},
        {".3ds", &CPolyModel::Read3DS},   {".mqo", &CPolyModel::ReadMQO},
        {".wrl", &CPolyModel::ReadWRL},   {".qwf", &CPolyModel::ReadQWF},
        {".fold", &CPolyModel::ReadFOLD},
    };
    for (const Entry& e : table)
        if (ext == e.ext)
            return e.read;
    return nullptr;
}
} // namespace

OpenOutcome OpenModelFile(const std::string& path, IProgress* progress)
{
    OpenOutcome out;
    std::FILE* probe = std::fopen(path.c_str(), "r");
    if (!probe) {
        out.result = kReadFailed;
        out.message = ReadResultMessage(kReadFailed);
        return out;
    }
    std::fclose(probe);
    const std::string ext = FileExtension(path);
    const ReadMethod read = ReaderFor(ext);
    if (!read) {
        out.result = kReadFailed;
        out.message = kCannotOpenMessage;
        return out;
    }
    auto model = std::make_unique<CPolyModel>();
    out.result = ((*model).*read)(path, progress);
    if (out.result != kReadOk) {
        out.message = ReadResultMessage(out.result);
        return out;
    }
    out.model = std::move(model);
    out.isQwf = ext == ".qwf";
    return out;
}

OpenOutcome OpenModel(const std::string& path, IProgress* progress, const OpenOptions& options)
{
    OpenOutcome out =
        options.reader ? options.reader(path, progress) : OpenModelFile(path, progress);
    if (out.result != kReadOk || !out.model)
        return out;

    // Paper comes from the positions as read, in the file's own units.
    AssignPaper(*out.model);
    if (options.normalize)
        out.model->NormalizeToUnit();
    return out;
}

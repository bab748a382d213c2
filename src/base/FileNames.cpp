#include "base/FileNames.h"

#include <cctype>

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

bool HasExtension(const std::string& path, const char* ext)
{
    return FileExtension(path) == ext;
}

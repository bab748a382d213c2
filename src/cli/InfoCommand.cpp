// lintoro-cli info FILE [--json]

#include "cli/CliCommand.h"

#include "design/CSlicePlane.h"
#include "import/ModelFile.h"
#include "model/PolyModel.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr const char* kHelp =
    "Usage: lintoro-cli info FILE [--json]\n"
    "Opens FILE as the program would and prints its name, object count, face\n"
    "count, vertex count (every vertex record, used or not), whether texture\n"
    "coordinates were read, material count, bounding box as read (before\n"
    "scaling) and the number of slices.\n"
    "  --json   print one JSON object with the keys file, objects, faces,\n"
    "           vertices, hasTexCoords, materials, bboxMin, bboxMax, slices\n";

// Shortest text that reads back as the same double.
std::string Number(double value)
{
    if (!std::isfinite(value))
        return "null";
    char text[32];
    const auto res = std::to_chars(text, text + sizeof(text), value);
    return std::string(text, res.ptr);
}

std::string Triple(const CVector3& v, const char* open, const char* sep, const char* close)
{
    return open + Number(v.x) + sep + Number(v.y) + sep + Number(v.z) + close;
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof(esc), "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

} // namespace

int RunInfo(const std::vector<std::string>& args)
{
    std::string path;
    bool json = false;
    for (const std::string& arg : args) {
        if (IsHelp(arg)) {
            std::fputs(kHelp, stdout);
            return kExitOk;
        }
        if (arg == "--json")
            json = true;
        else if (arg.rfind("--", 0) == 0)
            return UsageError("info", "unknown option '" + arg + "'");
        else if (path.empty())
            path = arg;
        else
            return UsageError("info", "more than one FILE given");
    }
    if (path.empty())
        return UsageError("info", "no FILE given");

    std::unique_ptr<CPolyModel> model;
    if (const int status = OpenModelForCli(path, model); status != kExitOk)
        return status;

    size_t slices = 0;
    for (const auto& plane : model->planes)
        if (plane.get() != model->currentPlane)
            ++slices;
    const std::string file = FileBaseName(path);
    if (json) {
        std::printf("{\"file\":%s,\"objects\":%zu,\"faces\":%d,\"vertices\":%zu,"
                    "\"hasTexCoords\":%s,\"materials\":%zu,\"bboxMin\":%s,\"bboxMax\":%s,"
                    "\"slices\":%zu}\n",
                    JsonString(file).c_str(), model->objects.size(), model->faceCount,
                    model->VertexCount(), model->hasTexCoords ? "true" : "false",
                    model->materials.size(), Triple(model->bboxMin, "[", ",", "]").c_str(),
                    Triple(model->bboxMax, "[", ",", "]").c_str(), slices);
    } else {
        std::printf("file:         %s\n", file.c_str());
        std::printf("objects:      %zu\n", model->objects.size());
        std::printf("faces:        %d\n", model->faceCount);
        std::printf("vertices:     %zu\n", model->VertexCount());
        std::printf("hasTexCoords: %s\n", model->hasTexCoords ? "yes" : "no");
        std::printf("materials:    %zu\n", model->materials.size());
        std::printf("bboxMin:      %s\n", Triple(model->bboxMin, "", " ", "").c_str());
        std::printf("bboxMax:      %s\n", Triple(model->bboxMax, "", " ", "").c_str());
        std::printf("slices:       %zu\n", slices);
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

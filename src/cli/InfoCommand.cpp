// lintoro-cli info FILE [--json]

#include "cli/CliCommand.h"

#include "design/CSlicePlane.h"
#include "import/ModelFile.h"
#include "model/PolyModel.h"
#include "slices/SliceParts.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kHelp =
    "Usage: lintoro-cli info FILE [--json]\n"
    "Opens FILE as the program would and prints its name, object count, face\n"
    "count, vertex count (every vertex record, used or not), whether texture\n"
    "coordinates were read, material count, bounding box as read (before\n"
    "scaling), the number of slices, parts and intersection lines, then each\n"
    "slice: its axis, its parts (outline vertices, triangles, closed or open),\n"
    "its lines (how many have a partner) and its (u, v) bounds.\n"
    "  --json   print one JSON object with the keys file, objects, faces,\n"
    "           vertices, hasTexCoords, materials, bboxMin, bboxMax, slices,\n"
    "           parts, lines and sliceList (one object per slice with the keys\n"
    "           axis, parts [{vertices, triangles, closed}], lines, pairedLines,\n"
    "           bounds [minU, minV, maxU, maxV] or null without parts)\n";

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

// What info reports of one slice.
struct SliceSummary {
    const CSlicePlane* slice = nullptr;
    size_t pairedLines = 0;
};

// The slices of the model in file order; the reflection plane is not one.
std::vector<SliceSummary> Slices(const CPolyModel& model, size_t& parts, size_t& lines)
{
    std::vector<SliceSummary> out;
    parts = lines = 0;
    for (const auto& plane : model.planes) {
        if (plane.get() == model.currentPlane)
            continue;
        SliceSummary s;
        s.slice = plane.get();
        for (const auto& line : plane->lines)
            if (line->partner)
                ++s.pairedLines;
        parts += plane->parts.size();
        lines += plane->lines.size();
        out.push_back(s);
    }
    return out;
}

// An outline is closed when its last vertex repeats its first.
bool Closed(const Spart& part)
{
    const auto& o = part.outline;
    return o.size() > 1 && o.front()->u == o.back()->u && o.front()->v == o.back()->v &&
           o.front()->x == o.back()->x && o.front()->y == o.back()->y &&
           o.front()->z == o.back()->z;
}

std::string SliceListJson(const std::vector<SliceSummary>& slices)
{
    std::string out = "[";
    for (size_t i = 0; i < slices.size(); ++i) {
        const CSlicePlane& sp = *slices[i].slice;
        out += i ? ",{" : "{";
        out += "\"axis\":" + std::to_string(sp.axisType) + ",\"parts\":[";
        for (size_t j = 0; j < sp.parts.size(); ++j) {
            const Spart& part = *sp.parts[j];
            out += j ? ",{" : "{";
            out += "\"vertices\":" + std::to_string(part.outline.size()) +
                   ",\"triangles\":" + std::to_string(part.triangles.size()) +
                   ",\"closed\":" + (Closed(part) ? "true" : "false") + "}";
        }
        out += "],\"lines\":" + std::to_string(sp.lines.size()) +
               ",\"pairedLines\":" + std::to_string(slices[i].pairedLines) + ",\"bounds\":";
        if (sp.parts.empty())
            out += "null";
        else
            out += "[" + Number(sp.minU) + "," + Number(sp.minV) + "," + Number(sp.maxU) + "," +
                   Number(sp.maxV) + "]";
        out += "}";
    }
    return out + "]";
}

void PrintSliceList(const std::vector<SliceSummary>& slices)
{
    for (size_t i = 0; i < slices.size(); ++i) {
        const CSlicePlane& sp = *slices[i].slice;
        std::printf("slice %zu:      axis %d, %zu parts, %zu lines (%zu paired)", i + 1,
                    sp.axisType, sp.parts.size(), sp.lines.size(), slices[i].pairedLines);
        if (!sp.parts.empty())
            std::printf(", u %s..%s, v %s..%s", Number(sp.minU).c_str(), Number(sp.maxU).c_str(),
                        Number(sp.minV).c_str(), Number(sp.maxV).c_str());
        std::printf("\n");
        for (size_t j = 0; j < sp.parts.size(); ++j) {
            const Spart& part = *sp.parts[j];
            std::printf("  part %zu:     %zu vertices, %zu triangles, %s\n", j + 1,
                        part.outline.size(), part.triangles.size(),
                        Closed(part) ? "closed" : "open");
        }
    }
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

    // The model as the file holds it, not as the design view scales it.
    OpenOptions asRead;
    asRead.normalize = false;
    std::unique_ptr<CPolyModel> model;
    if (const int status = OpenModelForCli(path, model, asRead); status != kExitOk)
        return status;

    size_t parts = 0, lines = 0;
    const std::vector<SliceSummary> slices = Slices(*model, parts, lines);
    const std::string file = FileBaseName(path);
    if (json) {
        std::printf("{\"file\":%s,\"objects\":%zu,\"faces\":%d,\"vertices\":%zu,"
                    "\"hasTexCoords\":%s,\"materials\":%zu,\"bboxMin\":%s,\"bboxMax\":%s,"
                    "\"slices\":%zu,\"parts\":%zu,\"lines\":%zu,\"sliceList\":%s}\n",
                    JsonString(file).c_str(), model->objects.size(), model->faceCount,
                    model->VertexCount(), model->hasTexCoords ? "true" : "false",
                    model->materials.size(), Triple(model->bboxMin, "[", ",", "]").c_str(),
                    Triple(model->bboxMax, "[", ",", "]").c_str(), slices.size(), parts, lines,
                    SliceListJson(slices).c_str());
    } else {
        std::printf("file:         %s\n", file.c_str());
        std::printf("objects:      %zu\n", model->objects.size());
        std::printf("faces:        %d\n", model->faceCount);
        std::printf("vertices:     %zu\n", model->VertexCount());
        std::printf("hasTexCoords: %s\n", model->hasTexCoords ? "yes" : "no");
        std::printf("materials:    %zu\n", model->materials.size());
        std::printf("bboxMin:      %s\n", Triple(model->bboxMin, "", " ", "").c_str());
        std::printf("bboxMax:      %s\n", Triple(model->bboxMax, "", " ", "").c_str());
        std::printf("slices:       %zu\n", slices.size());
        std::printf("parts:        %zu\n", parts);
        std::printf("lines:        %zu\n", lines);
        PrintSliceList(slices);
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

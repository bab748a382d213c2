// lintoro-cli info FILE [--json]

#include "cli/CliCommand.h"

#include "import/ModelFile.h"
#include "model/CSlicePlane.h"
#include "model/PolyModel.h"
#include "paper/PatternStrain.h"
#include "slices/SliceParts.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdint>
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
    "its lines (how many have a partner) and its (u, v) bounds, and the paper\n"
    "the first object unfolds to (width x height in mm, pieces, whether pieces\n"
    "were split where they overlapped, and the strain: the largest and mean relative\n"
    "change of an edge's length between the form and its crease pattern) or why\n"
    "there is none.\n"
    "  --json   print one JSON object with the keys file, objects, faces,\n"
    "           vertices, hasTexCoords, materials, bboxMin, bboxMax, slices,\n"
    "           parts, lines and sliceList (one object per slice with the keys\n"
    "           axis, parts [{vertices, triangles, closed}], lines, pairedLines,\n"
    "           bounds [minU, minV, maxU, maxV] or null without parts) and paper\n"
    "           ({width, height, pieces, strain {max, mean}, split} or\n"
    "           {whyNot, maxAngleDefect}; strain in fractions: 0.001 is 0.1%)\n";

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

using Json = nlohmann::ordered_json;

// Whole numbers print without a fraction ("2", not "2.0"), as they always have.
Json JsonNumber(double value)
{
    if (!std::isfinite(value))
        return nullptr;
    if (value == std::floor(value) && std::fabs(value) < 9007199254740992.0)
        return static_cast<int64_t>(value);
    return value;
}

Json JsonTriple(const CVector3& v)
{
    return {JsonNumber(v.x), JsonNumber(v.y), JsonNumber(v.z)};
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

Json SliceListJson(const std::vector<SliceSummary>& slices)
{
    Json out = Json::array();
    for (const SliceSummary& summary : slices) {
        const CSlicePlane& sp = *summary.slice;
        Json parts = Json::array();
        for (const auto& part : sp.parts) {
            Json p;
            p["vertices"] = part->outline.size();
            p["triangles"] = part->triangles.size();
            p["closed"] = Closed(*part);
            parts.push_back(std::move(p));
        }
        Json s;
        s["axis"] = sp.axisType;
        s["parts"] = std::move(parts);
        s["lines"] = sp.lines.size();
        s["pairedLines"] = summary.pairedLines;
        s["bounds"] = sp.parts.empty() ? Json(nullptr)
                                       : Json{JsonNumber(sp.minU), JsonNumber(sp.minV),
                                              JsonNumber(sp.maxU), JsonNumber(sp.maxV)};
        out.push_back(std::move(s));
    }
    return out;
}

Json PaperJson(const CPaperInfo& info)
{
    Json out;
    if (info.has) {
        out["width"] = JsonNumber(info.width);
        out["height"] = JsonNumber(info.height);
        out["pieces"] = info.pieces;
        out["strain"] = {{"max", JsonNumber(info.strainMax)},
                         {"mean", JsonNumber(info.strainMean)}};
        out["split"] = info.split;
    } else {
        out["whyNot"] = info.whyNot;
        out["maxAngleDefect"] = JsonNumber(info.maxAngleDefect);
    }
    return out;
}

std::string PaperText(const CPaperInfo& info)
{
    if (!info.has)
        return "none: " + info.whyNot;
    char strain[96];
    std::snprintf(strain, sizeof strain, ", strain %.3g%% max, %.3g%% mean", 100.0 * info.strainMax,
                  100.0 * info.strainMean);
    return Number(info.width) + " x " + Number(info.height) + " mm, " +
           std::to_string(info.pieces) + (info.pieces == 1 ? " piece" : " pieces") +
           (info.split ? " (split where they overlapped)" : "") + strain;
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
    // The strain a crease pattern written from this form would carry.
    CPaperInfo paper = model->paperInfo;
    if (paper.has) {
        const CPatternStrain strain = MeasureShapeStrain(*model);
        paper.strainMax = strain.max;
        paper.strainMean = strain.mean;
    }
    if (json) {
        Json out;
        out["file"] = file;
        out["objects"] = model->objects.size();
        out["faces"] = model->faceCount;
        out["vertices"] = model->VertexCount();
        out["hasTexCoords"] = model->hasTexCoords != 0;
        out["materials"] = model->materials.size();
        out["bboxMin"] = JsonTriple(model->bboxMin);
        out["bboxMax"] = JsonTriple(model->bboxMax);
        out["slices"] = slices.size();
        out["parts"] = parts;
        out["lines"] = lines;
        out["sliceList"] = SliceListJson(slices);
        out["paper"] = PaperJson(paper);
        // Names that are not UTF-8 are written with replacement characters rather than refused.
        const std::string text = out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        std::printf("%s\n", text.c_str());
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
        std::printf("paper:        %s\n", PaperText(paper).c_str());
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

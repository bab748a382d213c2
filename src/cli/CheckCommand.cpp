// lintoro-cli check FILE [--json] [--pairs=N]

#include "cli/CliCommand.h"

#include "checks/PaperCheck.h"
#include "checks/SelfIntersection.h"
#include "import/ModelFile.h"
#include "model/PolyModel.h"
#include "paper/PatternStrain.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

namespace {

constexpr const char* kHelp =
    "Usage: lintoro-cli check FILE [--json] [--pairs=N]\n"
    "Opens FILE as the program would (scaled into the cube [-1, 1]^3, where\n"
    "the check runs) and checks the shape as the design view does:\n"
    "  intersections  pairs of faces that pass through each other (faces that\n"
    "                 share a corner or lie in one plane never count), and the\n"
    "                 first pairs: the two face numbers (from 0) and a point on\n"
    "                 both, in the file's units\n"
    "  with paper     the largest difference between an edge's length on the\n"
    "                 shape and on the paper, in the file's units, and where;\n"
    "                 the strain of its crease pattern as written: the largest\n"
    "                 and mean relative change of an edge's length between the\n"
    "                 shape and its pattern (0.001 is 0.1%)\n"
    "  without paper  the largest angle defect at an inner vertex, in degrees,\n"
    "                 and where, as read\n"
    "  --json       print one JSON object with the keys file, faces,\n"
    "               intersections, pairs [{faces [a, b], at [x, y, z]}], paper,\n"
    "               then paperEdge {largest, face, edge} and strain {max, mean}\n"
    "               with paper or\n"
    "               angleDefect {largest, at} without\n"
    "  --pairs=N    show the first N pairs (default 10)\n";

constexpr int kMaxShownPairs = 1000000;

struct CheckReport {
    size_t faces = 0;
    size_t intersections = 0;
    std::vector<CIntersectingPair> pairs; // faces and points in file units
    bool hasPaper = false;
    CPaperEdgeDifference paperEdge;
    double strainMax = 0.0;
    double strainMean = 0.0;
    int paperEdgeFace = -1;
    double maxAngleDefect = 0.0;
    CVector3 maxDefectAt;
};

CheckReport Check(const CPolyModel& model, size_t shown)
{
    CheckReport r;
    CWorkingShape scratch;
    const CWorkingShape& shape = model.CurrentShape(scratch);
    r.faces = shape.TriangleCount();
    CSelfIntersectionCheck check;
    r.intersections = check.Run(shape, shown);
    for (CIntersectingPair p : check.Pairs()) {
        // Face numbers of the model as opened; points back in the file's units.
        p.a = static_cast<uint32_t>(shape.tri[p.a].origin);
        p.b = static_cast<uint32_t>(shape.tri[p.b].origin);
        p.at = p.at * model.unitScale + model.unitCentre;
        r.pairs.push_back(p);
    }
    r.hasPaper = model.paperInfo.has;
    if (r.hasPaper) {
        r.paperEdge = LargestPaperEdgeDifference(shape, model.unitScale);
        if (r.paperEdge.edges)
            r.paperEdgeFace = shape.tri[r.paperEdge.triangle].origin;
        const CPatternStrain strain = MeasureShapeStrain(model);
        r.strainMax = strain.max;
        r.strainMean = strain.mean;
    } else {
        r.maxAngleDefect = model.paperInfo.maxAngleDefect;
        r.maxDefectAt = model.paperInfo.maxDefectAt;
    }
    return r;
}

nlohmann::json Point(const CVector3& p)
{
    return nlohmann::json::array({p.x, p.y, p.z});
}

void PrintJson(const std::string& path, const CheckReport& r)
{
    nlohmann::json out;
    out["file"] = FileBaseName(path);
    out["faces"] = r.faces;
    out["intersections"] = r.intersections;
    nlohmann::json pairs = nlohmann::json::array();
    for (const CIntersectingPair& p : r.pairs)
        pairs.push_back({{"faces", {p.a, p.b}}, {"at", Point(p.at)}});
    out["pairs"] = pairs;
    out["paper"] = r.hasPaper;
    if (r.hasPaper) {
        out["paperEdge"] = {{"largest", r.paperEdge.largest},
                            {"face", r.paperEdgeFace},
                            {"edge", r.paperEdge.edge}};
        out["strain"] = {{"max", r.strainMax}, {"mean", r.strainMean}};
    } else
        out["angleDefect"] = {{"largest", r.maxAngleDefect}, {"at", Point(r.maxDefectAt)}};
    // A NaN or infinity has no JSON spelling; nlohmann writes null for it.
    std::printf("%s\n", out.dump().c_str());
}

void PrintText(const CheckReport& r)
{
    std::printf("faces %zu\nintersections %zu\n", r.faces, r.intersections);
    for (const CIntersectingPair& p : r.pairs)
        std::printf("pair %u %u at %.9g %.9g %.9g\n", p.a, p.b, p.at.x, p.at.y, p.at.z);
    if (r.hasPaper) {
        std::printf("paper edge difference %.3g at face %d edge %d\n", r.paperEdge.largest,
                    r.paperEdgeFace, r.paperEdge.edge);
        std::printf("paper strain %.3g max %.3g mean\n", r.strainMax, r.strainMean);
    } else
        std::printf("no paper; largest angle defect %.6g degrees at %.9g %.9g %.9g\n",
                    r.maxAngleDefect, r.maxDefectAt.x, r.maxDefectAt.y, r.maxDefectAt.z);
}

} // namespace

size_t ShapeIntersections(const CPolyModel& model)
{
    CWorkingShape scratch;
    return CountSelfIntersections(model.CurrentShape(scratch));
}

int RunCheck(const std::vector<std::string>& args)
{
    std::vector<std::string> paths;
    bool json = false;
    int shown = 10;
    for (const std::string& arg : args) {
        if (IsHelp(arg)) {
            std::fputs(kHelp, stdout);
            return kExitOk;
        }
        const OptionArg opt = SplitOption(arg);
        if (opt.name == "--json" && !opt.hasValue)
            json = true;
        else if (opt.name == "--pairs" && opt.hasValue) {
            if (!ParseIntArg(opt.value, 0, kMaxShownPairs, shown))
                return UsageError("check", "--pairs needs a whole number from 0");
        } else if (arg.rfind("--", 0) == 0)
            return UsageError("check", "unknown option '" + arg + "'");
        else
            paths.push_back(arg);
    }
    if (paths.size() != 1)
        return UsageError("check", "expected one FILE");

    std::unique_ptr<CPolyModel> model;
    if (const int status = OpenModelForCli(paths[0], model); status != kExitOk)
        return status;
    const CheckReport report = Check(*model, static_cast<size_t>(shown));
    if (json)
        PrintJson(paths[0], report);
    else
        PrintText(report);
    return kExitOk;
}

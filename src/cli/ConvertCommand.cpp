// lintoro-cli convert IN OUT.obj [--keep-scale]

#include "cli/CliCommand.h"

#include "export/ExportOBJ.h"
#include "model/PolyModel.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kHelp =
    "Usage: lintoro-cli convert IN OUT.obj [--keep-scale]\n"
    "Opens IN as the program would and writes its first object to OUT.obj,\n"
    "exactly as an export right after opening: scaled into the cube [-1, 1]^3.\n"
    "OUT.obj is replaced only when the whole file was written.\n"
    "  --keep-scale   write the coordinates as read, without the scaling\n";

} // namespace

int RunConvert(const std::vector<std::string>& args)
{
    std::vector<std::string> paths;
    bool keepScale = false;
    for (const std::string& arg : args) {
        if (IsHelp(arg)) {
            std::fputs(kHelp, stdout);
            return kExitOk;
        }
        if (arg == "--keep-scale")
            keepScale = true;
        else if (arg.rfind("--", 0) == 0)
            return UsageError("convert", "unknown option '" + arg + "'");
        else
            paths.push_back(arg);
    }
    if (paths.size() != 2)
        return UsageError("convert", "expected IN and OUT.obj");

    OpenOptions options;
    options.normalize = !keepScale;
    std::unique_ptr<CPolyModel> model;
    if (const int status = OpenModelForCli(paths[0], model, options); status != kExitOk)
        return status;
    if (!ExportObjFile(paths[1], *model)) {
        std::fprintf(stderr, "%s\n", kCannotWriteMessage);
        return kExitFailed;
    }
    return kExitOk;
}

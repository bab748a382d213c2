// lintoro-cli sheet [--rows N] [--cols N] [--shape flat|cylinder|saddle] [--size W] -o FILE.obj

#include "cli/CliCommand.h"

#include "export/AtomicFile.h"
#include "export/SheetWriter.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kHelp =
    "Usage: lintoro-cli sheet [--rows N] [--cols N] [--shape flat|cylinder|saddle]\n"
    "                         [--size W] -o FILE.obj\n"
    "Writes a sheet of paper as a triangle mesh: a grid of rows x cols square\n"
    "cells, two triangles each, on shared vertices, centred on the origin.\n"
    "  --rows N     cells along y (default 40)\n"
    "  --cols N     cells along x (default 40)\n"
    "  --shape S    flat (default), cylinder (bent a quarter turn about an axis\n"
    "               along y) or saddle (lifted by (x^2 - y^2) / W)\n"
    "  --size W     width along x (default 1)\n"
    "  -o FILE.obj  the file to write; replaced only when fully written\n"
    "rows and cols go up to 10000, and the sheet up to 20000000 triangles.\n";

} // namespace

int RunSheet(const std::vector<std::string>& args)
{
    SheetLayout layout;
    std::string out;
    for (size_t i = 0; i < args.size(); ++i) {
        if (IsHelp(args[i])) {
            std::fputs(kHelp, stdout);
            return kExitOk;
        }
        OptionArg opt = SplitOption(args[i]);
        const bool takesValue = opt.name == "--rows" || opt.name == "--cols" ||
                                opt.name == "--shape" || opt.name == "--size" || opt.name == "-o";
        if (!takesValue)
            return UsageError("sheet", "unexpected argument '" + args[i] + "'");
        if (!opt.hasValue) {
            if (i + 1 >= args.size())
                return UsageError("sheet", opt.name + " needs a value");
            opt.value = args[++i];
        }
        if (opt.name == "--rows" || opt.name == "--cols") {
            int& side = opt.name == "--rows" ? layout.rows : layout.cols;
            if (!ParseIntArg(opt.value, 1, kSheetMaxSide, side))
                return UsageError("sheet", opt.name + " takes a whole number from 1 to " +
                                               std::to_string(kSheetMaxSide));
        } else if (opt.name == "--shape") {
            if (!ParseSheetShape(opt.value, layout.shape))
                return UsageError("sheet", "--shape takes flat, cylinder or saddle");
        } else if (opt.name == "--size") {
            if (!ParsePositiveArg(opt.value, layout.size))
                return UsageError("sheet", "--size takes a number greater than 0");
        } else {
            out = opt.value;
        }
    }
    if (out.empty())
        return UsageError("sheet", "no output file given (-o FILE.obj)");
    if (!SheetLayoutValid(layout))
        return UsageError("sheet", "the sheet would have more than " +
                                       std::to_string(kSheetMaxTriangles) + " triangles");
    const bool ok =
        WriteFileReplacing(out, [&layout](std::FILE* stream) { return WriteSheetObj(stream, layout); });
    if (!ok) {
        std::fprintf(stderr, "%s\n", kCannotWriteMessage);
        return kExitFailed;
    }
    return kExitOk;
}

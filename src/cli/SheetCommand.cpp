// lintoro-cli sheet [--rows N] [--cols N] [--shape flat|cylinder|saddle] [--size W]
//                   [--width MM] [--height MM] [--cells N] [--layout regular|jittered]
//                   [--seed S] [--bend none|cylinder|cone] [--angle DEG] -o FILE.obj

#include "cli/CliCommand.h"

#include "base/AtomicFile.h"
#include "export/SheetObj.h"
#include "sheet/SheetBend.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kHelp =
    "Usage: lintoro-cli sheet [--rows N] [--cols N] [--shape flat|cylinder|saddle]\n"
    "                         [--size W] [--width MM] [--height MM] [--cells N]\n"
    "                         [--layout regular|jittered] [--seed S]\n"
    "                         [--bend none|cylinder|cone] [--angle DEG] -o FILE.obj\n"
    "Writes a sheet of paper as a triangle mesh: a grid of rows x cols square\n"
    "cells, two triangles each, on shared vertices, centred on the origin.\n"
    "  --rows N     cells along y (default 40)\n"
    "  --cols N     cells along x (default 40)\n"
    "  --shape S    flat (default), cylinder (bent a quarter turn about an axis\n"
    "               along y) or saddle (lifted by (x^2 - y^2) / W)\n"
    "  --size W     width along x (default 1)\n"
    "  --width MM   the same, for a sheet of paper in millimetres\n"
    "  --height MM  height along y (default: what keeps the cells square)\n"
    "  --cells N    cells along the longer side instead of --rows and --cols;\n"
    "               the shorter side gets the count nearest to square cells\n"
    "  --layout L   regular (default) or jittered: every inner grid point moved\n"
    "               at random by up to 0.3 of a cell along each axis\n"
    "  --seed S     the jitter's seed, 0 to 2147483647 (default 1)\n"
    "  --bend B     none (default), cylinder or cone: the flat sheet bent so\n"
    "               that it still unfolds to exactly its rectangle, then turned\n"
    "               30 degrees about z. A cylinder wraps the width round an axis\n"
    "               along the height; a cone's apex lies on the centre line a\n"
    "               height below the bottom edge, and the bottom edge turns\n"
    "               through the angle about the cone's axis. Jitter then moves\n"
    "               points only along the rulings\n"
    "  --angle DEG  how far the bend turns, over 0 to 360 (default 90)\n"
    "  -o FILE.obj  the file to write; replaced only when fully written\n"
    "rows and cols go up to 10000, and the sheet up to 20000000 triangles.\n";

} // namespace

int RunSheet(const std::vector<std::string>& args)
{
    SheetLayout layout;
    std::string out;
    int cells = 0;
    bool gridGiven = false, sizeGiven = false, widthGiven = false, angleGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (IsHelp(args[i])) {
            std::fputs(kHelp, stdout);
            return kExitOk;
        }
        OptionArg opt = SplitOption(args[i]);
        const bool takesValue =
            opt.name == "--rows" || opt.name == "--cols" || opt.name == "--shape" ||
            opt.name == "--size" || opt.name == "--width" || opt.name == "--height" ||
            opt.name == "--cells" || opt.name == "--layout" || opt.name == "--seed" ||
            opt.name == "--bend" || opt.name == "--angle" || opt.name == "-o";
        if (!takesValue)
            return UsageError("sheet", "unexpected argument '" + args[i] + "'");
        if (!opt.hasValue) {
            if (i + 1 >= args.size())
                return UsageError("sheet", opt.name + " needs a value");
            opt.value = args[++i];
        }
        if (opt.name == "--rows" || opt.name == "--cols") {
            gridGiven = true;
            int& side = opt.name == "--rows" ? layout.rows : layout.cols;
            if (!ParseIntArg(opt.value, 1, kSheetMaxSide, side))
                return UsageError("sheet", opt.name + " takes a whole number from 1 to " +
                                               std::to_string(kSheetMaxSide));
        } else if (opt.name == "--shape") {
            if (!ParseSheetShape(opt.value, layout.shape))
                return UsageError("sheet", "--shape takes flat, cylinder or saddle");
        } else if (opt.name == "--size" || opt.name == "--width") {
            (opt.name == "--size" ? sizeGiven : widthGiven) = true;
            if (!ParsePositiveArg(opt.value, layout.size))
                return UsageError("sheet", opt.name + " takes a number greater than 0");
        } else if (opt.name == "--height") {
            if (!ParsePositiveArg(opt.value, layout.height))
                return UsageError("sheet", "--height takes a number greater than 0");
        } else if (opt.name == "--cells") {
            if (!ParseIntArg(opt.value, 1, kSheetMaxSide, cells))
                return UsageError("sheet", "--cells takes a whole number from 1 to " +
                                               std::to_string(kSheetMaxSide));
        } else if (opt.name == "--layout") {
            if (opt.value != "regular" && opt.value != "jittered")
                return UsageError("sheet", "--layout takes regular or jittered");
            layout.jittered = opt.value == "jittered";
        } else if (opt.name == "--seed") {
            int seed = 0;
            if (!ParseIntArg(opt.value, 0, 2147483647, seed))
                return UsageError("sheet", "--seed takes a whole number from 0 to 2147483647");
            layout.seed = static_cast<uint64_t>(seed);
        } else if (opt.name == "--bend") {
            if (!ParseSheetBend(opt.value, layout.bend))
                return UsageError("sheet", "--bend takes none, cylinder or cone");
        } else if (opt.name == "--angle") {
            angleGiven = true;
            if (!ParsePositiveArg(opt.value, layout.bendDegrees) ||
                layout.bendDegrees > kMaxBendDegrees)
                return UsageError("sheet", "--angle takes a number over 0 and at most 360");
        } else {
            out = opt.value;
        }
    }
    if (out.empty())
        return UsageError("sheet", "no output file given (-o FILE.obj)");
    if (sizeGiven && widthGiven)
        return UsageError("sheet", "--size and --width say the same: give one");
    if (cells > 0) {
        if (gridGiven)
            return UsageError("sheet", "--cells replaces --rows and --cols: give one or the other");
        const double height = layout.height > 0.0 ? layout.height : layout.size;
        SheetCellsFor(layout.size, height, cells, layout.rows, layout.cols);
        if (layout.rows > kSheetMaxSide || layout.cols > kSheetMaxSide)
            return UsageError("sheet", "the sheet would have more than " +
                                           std::to_string(kSheetMaxSide) + " cells along a side");
    }
    if (angleGiven && layout.bend == SheetBend::None)
        return UsageError("sheet", "--angle needs --bend cylinder or cone");
    if (const std::string problem = SheetBendProblem(layout); !problem.empty())
        return UsageError("sheet", problem);
    if (!SheetLayoutValid(layout))
        return UsageError("sheet", "the sheet would have more than " +
                                       std::to_string(kSheetMaxTriangles) + " triangles");
    const bool ok = WriteFileReplacing(
        out, [&layout](std::FILE* stream) { return WriteSheetObj(stream, layout); });
    if (!ok) {
        std::fprintf(stderr, "%s\n", kCannotWriteMessage);
        return kExitFailed;
    }
    return kExitOk;
}

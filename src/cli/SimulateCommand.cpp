// lintoro-cli simulate IN [--percent P] [--targets design|paper] [-o OUT.obj]
//                         [--frames N --fold-frames OUT.fold] [--compare-design]
//                         [--facet-ratio R]

#include "cli/CliCommand.h"

#include "cli/TerminalProgress.h"
#include "model/PolyModel.h"
#include "simulate/FoldSolver.h"
#include "simulate/FormDeviation.h"
#include "simulate/SimPattern.h"
#include "simulate/SimulationFiles.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kHelp =
    "Usage: lintoro-cli simulate IN [--percent P] [--targets design|paper]\n"
    "                            [-o OUT.obj] [--frames N --fold-frames OUT.fold]\n"
    "                            [--compare-design] [--facet-ratio R]\n"
    "Opens IN as the program would (a FOLD crease pattern, or any file the open\n"
    "routine gives a crease pattern) and folds its pattern from flat by a\n"
    "bar-and-hinge model: creases driven to P% of their fold angle, facet edges\n"
    "to P% of their designed bend (--targets design, the default) or kept flat\n"
    "(--targets paper: the sheet folded by its creases alone).\n"
    "  --percent P        how far to fold, 0 to 100 (default 100)\n"
    "  --facet-ratio R    facet hinge stiffness over crease stiffness (default 1)\n"
    "  -o OUT.obj         the folded sheet, one v per pattern vertex in order (mm)\n"
    "  --frames N         with --fold-frames: N folded states at evenly spaced\n"
    "  --fold-frames F    percents from 0 to 100, both included, as FOLD frames\n"
    "  --compare-design   also print how far the fold lands from the folded form\n"
    "                     the file holds (Kabsch alignment, % of its diagonal)\n"
    "Prints 'solved percent P steps S iterations I converged yes|no' (P where the\n"
    "fold path ended), 'bars softened from percent Q' when the stiff sheet was\n"
    "stuck at Q (creases that cannot all start at once) and softer bars carried\n"
    "it on, 'strain max X% mean Y%' (largest relative change of a\n"
    "bar's length per vertex), 'crease angle error max Z deg', 'creases off\n"
    "target by over 0.5 deg from percent R' when the path left a crease that\n"
    "far from its target at R, with\n"
    "--compare-design 'deviation rms A% max B%', and 'time T ms'. A file that\n"
    "cannot be read or holds no flat sheet exits 1 writing nothing; a fold that\n"
    "does not converge exits 0 with 'converged no'.\n";

constexpr int kMaxFrames = 10001;

struct Options {
    std::string in, obj, frames;
    double percent = 100.0;
    FacetTargets targets = FacetTargets::Design;
    int frameCount = 0;
    bool compare = false;
    double facetRatio = 1.0;
};

bool ParsePercent(const std::string& text, double& out)
{
    if (text == "0") {
        out = 0.0;
        return true;
    }
    return ParsePositiveArg(text, out) && out <= 100.0;
}

int Parse(const std::vector<std::string>& args, Options& o)
{
    bool framesGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        OptionArg opt = SplitOption(arg);
        const bool takesValue = opt.name == "--percent" || opt.name == "--targets" ||
                                opt.name == "-o" || opt.name == "--frames" ||
                                opt.name == "--fold-frames" || opt.name == "--facet-ratio";
        if (takesValue && !opt.hasValue) {
            if (i + 1 >= args.size())
                return UsageError("simulate", opt.name + " needs a value");
            opt.value = args[++i];
        }
        if (opt.name == "--percent") {
            if (!ParsePercent(opt.value, o.percent))
                return UsageError("simulate", "--percent needs a number from 0 to 100");
        } else if (opt.name == "--targets") {
            if (opt.value == "design")
                o.targets = FacetTargets::Design;
            else if (opt.value == "paper")
                o.targets = FacetTargets::Paper;
            else
                return UsageError("simulate", "--targets is design or paper");
        } else if (opt.name == "-o") {
            o.obj = opt.value;
        } else if (opt.name == "--frames") {
            if (!ParseIntArg(opt.value, 2, kMaxFrames, o.frameCount))
                return UsageError("simulate", "--frames needs a whole number from 2");
            framesGiven = true;
        } else if (opt.name == "--fold-frames") {
            o.frames = opt.value;
        } else if (opt.name == "--facet-ratio") {
            if (!ParsePositiveArg(opt.value, o.facetRatio) && opt.value != "0")
                return UsageError("simulate", "--facet-ratio needs a number from 0");
            if (opt.value == "0")
                o.facetRatio = 0.0;
        } else if (opt.name == "--compare-design" && !opt.hasValue) {
            o.compare = true;
        } else if (arg.rfind("-", 0) == 0) {
            return UsageError("simulate", "unknown option '" + arg + "'");
        } else if (o.in.empty()) {
            o.in = arg;
        } else {
            return UsageError("simulate", "expected one IN file");
        }
    }
    if (o.in.empty())
        return UsageError("simulate", "expected one IN file");
    if (framesGiven != !o.frames.empty())
        return UsageError("simulate", "--frames and --fold-frames go together");
    return kExitOk;
}

const char* Percent(double fraction, char* buffer, size_t size)
{
    std::snprintf(buffer, size, "%.4g%%", 100.0 * fraction);
    return buffer;
}

} // namespace

int RunSimulate(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
        if (IsHelp(arg)) {
            std::fputs(kHelp, stdout);
            return kExitOk;
        }
    Options o;
    if (const int status = Parse(args, o); status != kExitOk)
        return status;
    std::unique_ptr<CPolyModel> model;
    if (const int status = OpenModelForCli(o.in, model); status != kExitOk)
        return status;
    CSimPattern pattern;
    std::string why;
    if (!BuildSimPattern(*model, pattern, why)) {
        std::fprintf(stderr, "lintoro-cli simulate: %s: %s\n", o.in.c_str(), why.c_str());
        return kExitFailed;
    }
    model.reset();

    CSimSettings settings;
    settings.facetRatio = o.facetRatio;
    CFoldSolver solver(pattern, settings);
    TerminalProgress progress;
    CSimResult result;
    const auto start = std::chrono::steady_clock::now();
    const bool done = solver.SolveTo(o.percent, o.targets, &progress, result);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::vector<std::vector<CVector3>> frames;
    for (int f = 0; done && f < o.frameCount; ++f) {
        CSimResult frame;
        if (!solver.SolveTo(100.0 * f / (o.frameCount - 1), o.targets, &progress, frame))
            return kExitCancelled;
        frames.push_back(std::move(frame.positions));
    }
    progress.End();
    if (!done)
        return kExitCancelled;

    char a[32], b[32];
    std::printf("solved percent %.6g steps %d iterations %d converged %s\n", result.percent,
                result.steps, result.iterations, result.converged ? "yes" : "no");
    if (result.relaxedFrom >= 0.0)
        std::printf("bars softened from percent %.6g\n", result.relaxedFrom);
    std::printf("strain max %s mean %s\n", Percent(result.strainMax, a, sizeof a),
                Percent(result.strainMean, b, sizeof b));
    std::printf("crease angle error max %.6g deg\n", result.angleErrorMax);
    if (result.offTargetFrom >= 0.0)
        std::printf("creases off target by over %.1f deg from percent %.6g\n", kOffTargetDegrees,
                    result.offTargetFrom);
    if (o.compare) {
        const CFormDeviation d = MeasureDeviation(result.positions, pattern.form);
        if (d.valid)
            std::printf("deviation rms %.4g%% max %.4g%%\n", d.rmsPercent, d.maxPercent);
        else
            std::fprintf(stderr, "lintoro-cli simulate: %s holds no folded form to compare\n",
                         o.in.c_str());
    }
    std::printf("time %.0f ms\n", ms);
    std::fflush(stdout);
    if (!o.obj.empty() && !WriteSimulatedObj(o.obj, pattern, result.positions)) {
        std::fprintf(stderr, "%s\n%s\n", kCannotWriteMessage, o.obj.c_str());
        return kExitFailed;
    }
    if (!o.frames.empty() && !WriteFoldFrames(o.frames, pattern, frames)) {
        std::fprintf(stderr, "%s\n%s\n", kCannotWriteMessage, o.frames.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

#include "cli/CliCommand.h"

#include "base/ParseNumber.h"
#include "cli/TerminalProgress.h"

#include <cstdio>

int OpenModelForCli(const std::string& path, std::unique_ptr<CPolyModel>& model,
                    const OpenOptions& options)
{
    TerminalProgress progress;
    OpenOutcome outcome = OpenModel(path, &progress, options);
    progress.End();
    // Ctrl-C while the topology was built still means the user gave up.
    if (outcome.result == kReadOk && progress.Cancelled()) {
        outcome.result = kReadCancelled;
        outcome.message = ReadResultMessage(kReadCancelled);
    }
    if (outcome.result != kReadOk) {
        if (!outcome.message.empty())
            std::fprintf(stderr, "%s\n", outcome.message.c_str());
        if (const std::string detail = OpenFailureDetail(path, outcome); !detail.empty())
            std::fprintf(stderr, "%s\n", detail.c_str());
        return outcome.result == kReadCancelled ? kExitCancelled : kExitFailed;
    }
    model = std::move(outcome.model);
    return kExitOk;
}

int UsageError(const char* command, const std::string& text)
{
    std::fprintf(stderr, "lintoro-cli %s: %s\nTry 'lintoro-cli %s --help'.\n", command,
                 text.c_str(), command);
    return kExitFailed;
}

bool IsHelp(const std::string& arg)
{
    return arg == "--help" || arg == "-h";
}

OptionArg SplitOption(const std::string& arg)
{
    OptionArg out;
    const size_t eq = arg.find('=');
    if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
        out.name = arg.substr(0, eq);
        out.value = arg.substr(eq + 1);
        out.hasValue = true;
    } else {
        out.name = arg;
    }
    return out;
}

bool ParseIntArg(const std::string& text, int lo, int hi, int& out)
{
    return ParseInteger(text, lo, hi, out);
}

bool ParsePositiveArg(const std::string& text, double& out)
{
    double value = 0.0;
    if (!ParseNumber(text, value) || value <= 0.0)
        return false;
    out = value;
    return true;
}

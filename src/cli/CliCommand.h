#pragma once
// The pieces every lintoro-cli subcommand shares. A subcommand is a function
// taking the arguments after its name and returning the exit status:
// 0 success, 1 failure (also for a bad command line), 2 cancelled.

#include "export/AtomicFile.h" // kCannotWriteMessage, shared with the GUI
#include "import/ModelFile.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

struct CliCommand {
    const char* name;
    const char* summary;
    int (*run)(const std::vector<std::string>& args);
};

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitCancelled = 2;

int RunInfo(const std::vector<std::string>& args);
int RunConvert(const std::vector<std::string>& args);
int RunSheet(const std::vector<std::string>& args);
int RunFold(const std::vector<std::string>& args);
int RunCheck(const std::vector<std::string>& args);
int RunSimulate(const std::vector<std::string>& args);

// Pairs of faces of the model's current shape that pass through each other,
// as `check` counts them (for a summary line such as "intersections N").
size_t ShapeIntersections(const CPolyModel& model);

// Opens a model file through the program's open routine, with a terminal
// progress bar. On failure prints the open routine's message on stderr and
// returns the exit status (1, or 2 for a cancel); on success stores the model
// and returns 0.
int OpenModelForCli(const std::string& path, std::unique_ptr<CPolyModel>& model,
                    const OpenOptions& options = {});

// Prints "lintoro-cli <command>: <text>" and the usage hint on stderr; returns 1.
int UsageError(const char* command, const std::string& text);

// True when the argument asks for help.
bool IsHelp(const std::string& arg);

// Splits "--name=value" into its parts; otherwise value stays empty and
// hasValue false.
struct OptionArg {
    std::string name;
    std::string value;
    bool hasValue = false;
};
OptionArg SplitOption(const std::string& arg);

// Whole-string decimal integer in [lo, hi]; false otherwise.
bool ParseIntArg(const std::string& text, int lo, int hi, int& out);
// Whole-string finite number greater than 0; false otherwise.
bool ParsePositiveArg(const std::string& text, double& out);

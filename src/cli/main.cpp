// lintoro-cli: the headless front end. Each subcommand lives in its own
// source file and joins the table below.

#include "LintoroVersion.h"
#include "cli/CliCommand.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

const CliCommand kCommands[] = {
    {"info", "print what a model file holds", RunInfo},
    {"convert", "read a model file and write its shape as OBJ", RunConvert},
    {"sheet", "write a triangulated sheet of paper as OBJ", RunSheet},
    {"fold", "fold a model by dragging vertices and write the shape as OBJ", RunFold},
    {"check", "count faces that pass through each other, and the paper's fit", RunCheck},
    {"simulate", "fold a crease pattern by a bar-and-hinge model", RunSimulate},
};

void PrintUsage(std::FILE* out)
{
    std::fputs("Usage: lintoro-cli COMMAND [ARGS...]\n\nCommands:\n", out);
    for (const CliCommand& c : kCommands)
        std::fprintf(out, "  %-9s %s\n", c.name, c.summary);
    std::fputs("\n'lintoro-cli COMMAND --help' describes a command;"
               " 'lintoro-cli --version' prints the version.\n",
               out);
}

} // namespace

int main(int argc, char** argv)
{
#if defined(__GLIBC__)
    // Working arrays of a million-triangle model come and go by the tens of
    // megabytes; from 4 MB up they are mapped on their own and go back to the
    // system when freed, rather than staying in the heap beside the model.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
#endif
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitFailed;
    }
    const std::string name = argv[1];
    if (IsHelp(name)) {
        PrintUsage(stdout);
        return kExitOk;
    }
    if (name == "--version" || name == "-v") {
        std::printf("lintoro-cli %s\n", kLintoroVersion);
        return kExitOk;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const CliCommand& c : kCommands)
        if (name == c.name)
            return c.run(args);
    std::fprintf(stderr, "lintoro-cli: unknown command '%s'\n", name.c_str());
    PrintUsage(stderr);
    return kExitFailed;
}

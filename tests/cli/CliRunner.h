#pragma once
// Runs lintoro-cli as a shell would, with stdout and stderr caught in files of
// this test process's scratch folder.

#include "support/TestFiles.h"

#include <cstdlib>
#include <string>
#include <sys/wait.h>

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// The argument quoted for the shell.
inline std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// lintoro-cli with `args` (already quoted where needed), stdin empty.
inline CliRun Cli(const std::string& args)
{
    const std::string dir = testfiles::ScratchDir();
    const std::string out = dir + "/cli.out", err = dir + "/cli.err";
    const std::string cmd =
        Quote(LINTORO_CLI) + " " + args + " >" + Quote(out) + " 2>" + Quote(err) + " </dev/null";
    CliRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = testfiles::ReadWhole(out);
    r.err = testfiles::ReadWhole(err);
    return r;
}

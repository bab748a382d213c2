#pragma once
// Paths and scratch files for tests.

#include <string>
#include <vector>

namespace testfiles {

// Folder of shared third-party models; empty when it does not exist here.
std::string SharedDataDir();
// Every regular file in SharedDataDir()/sub, sorted; empty when absent.
std::vector<std::string> SharedFiles(const std::string& sub);
// A fresh scratch folder for this test process.
std::string ScratchDir();
// Writes text to ScratchDir()/name and returns the path.
std::string WriteScratch(const std::string& name, const std::string& content);
std::string ReadWhole(const std::string& path);

} // namespace testfiles

// Skips the current test when the shared folder is missing (a clone elsewhere).
#define LINTORO_REQUIRE_SHARED_DATA()                                                              \
    do {                                                                                           \
        if (testfiles::SharedDataDir().empty())                                                    \
            GTEST_SKIP() << "shared test data folder not found: " LINTORO_TESTDATA_DIR;            \
    } while (0)

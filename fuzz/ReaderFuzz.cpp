// One fuzz entry point for every model reader. Readers take a path, so each
// input is written to a scratch file with the reader's extension and opened
// through the same extension dispatch the program uses.

#include "import/LoaderFOLD.h"
#include "import/ModelFile.h"
#include "paper/PaperLayout.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

#ifndef LINTORO_FUZZ_EXT
#error "LINTORO_FUZZ_EXT must name the extension of the reader under test, e.g. \".dxf\""
#endif

namespace {

std::string g_inputPath;

void RemoveInput()
{
    if (!g_inputPath.empty()) {
        std::remove(g_inputPath.c_str());
        const std::string dir = g_inputPath.substr(0, g_inputPath.find_last_of('/'));
        rmdir(dir.c_str());
    }
}

const std::string& InputPath()
{
    if (g_inputPath.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/lintoro-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        g_inputPath = pattern + "/input" LINTORO_FUZZ_EXT;
        std::atexit(RemoveInput);
    }
    return g_inputPath;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = InputPath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort(); // a harness fault, not a reader fault: stop loudly
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
    OpenOutcome out;
    if (std::string_view(LINTORO_FUZZ_EXT) == ".fold") {
        // Straight to the reader, whether or not the open routine dispatches .fold yet.
        out.model = std::make_unique<CPolyModel>();
        out.result = ReadFOLD(*out.model, path, nullptr);
    } else {
        out = ReadModelFile(path, nullptr);
    }
    // A successful read must leave a model the rest of the program can use.
    if (out.result == kReadOk && (!out.model || out.model->faceCount <= 0))
        std::abort();
    if (out.result == kReadOk) {
        // Paper stays aligned with the faces, whoever assigned it.
        CPolyModel& m = *out.model;
        AssignPaper(m);
        if (m.paperInfo.has && m.paper.size() != 3 * m.objects[0]->faces.size())
            std::abort();
    }
    return 0;
}

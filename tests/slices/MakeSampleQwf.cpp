// Writes the bundled sample slice file: make_sample_qwf OUT.qwf
#include "SampleQwf.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_qwf OUT.qwf\n");
        return 1;
    }
    std::string text;
    try {
        text = sampleqwf::SampleText();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_sample_qwf: %s\n", e.what());
        return 1;
    }
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) {
        std::fprintf(stderr, "make_sample_qwf: cannot write %s\n", argv[1]);
        if (f)
            std::fclose(f);
        return 1;
    }
    return std::fclose(f) == 0 ? 0 : 1;
}

// xmcompile: compiles a song source (instrument recipes, tracks, patterns and
// the order list in text) into an XM module file.
//
//     xmcompile song.txt -o song.xm
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tools/xmcompile/module_builder.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: xmcompile <song source> -o <module.xm>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string input;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-o" && i + 1 < argc)
            output = argv[++i];
        else if (arg == "-h" || arg == "--help")
            return usage(), 0;
        else if (!arg.empty() && arg[0] != '-' && input.empty())
            input = arg;
        else
            return usage();
    }
    if (input.empty() || output.empty()) return usage();

    std::ifstream file(input, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "xmcompile: cannot read %s\n", input.c_str());
        return 1;
    }
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());

    xmcompile::CompileResult result = xmcompile::compileSong(text);
    if (!result.ok) {
        if (result.errorLine > 0)
            std::fprintf(stderr, "%s:%d: %s\n", input.c_str(), result.errorLine, result.error.c_str());
        else
            std::fprintf(stderr, "%s: %s\n", input.c_str(), result.error.c_str());
        return 1;
    }
    if (!writeXmFile(result.module, output)) {
        std::fprintf(stderr, "xmcompile: cannot write %s\n", output.c_str());
        return 1;
    }
    size_t samples = 0;
    for (const auto& instrument : result.module.instruments) samples += instrument.samples.size();
    std::printf("%s: %u channels, %zu orders, %zu patterns, %zu instruments, %zu samples, %zu bytes\n", output.c_str(),
                static_cast<unsigned>(result.module.channels), result.module.orders.size(),
                result.module.patterns.size(), result.module.instruments.size(), samples, result.bytes.size());
    return 0;
}

// The benchmark modules (tests/bench/modules): each committed module is what
// its source compiles to, and together they cover what the render benchmark
// is meant to weigh.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/xmcompile/module_builder.h"

namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

TEST(BenchmarkModules, AreWhatTheirSourcesCompileToAndSpanFourToThirtyTwoChannels) {
    int sources = 0;
    int fewestChannels = 256, mostChannels = 0;
    bool widths[2] = {};
    bool loops[3] = {};
    uint32_t shortest = UINT32_MAX, longest = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TAVORLY_BENCH_MODULES_DIR)) {
        if (entry.path().extension() != ".song") continue;
        ++sources;
        std::filesystem::path module = entry.path();
        module.replace_extension(".xm");
        SCOPED_TRACE(module.filename().string());
        xmcompile::CompileResult compiled = xmcompile::compileSong(readFile(entry.path()));
        ASSERT_TRUE(compiled.ok) << "line " << compiled.errorLine << ": " << compiled.error;
        std::string committed = readFile(module);
        EXPECT_TRUE(std::vector<uint8_t>(committed.begin(), committed.end()) == compiled.bytes)
            << "stale or missing: rebuild it with xmcompile " << entry.path().filename().string() << " -o "
            << module.filename().string();
        fewestChannels = std::min<int>(fewestChannels, compiled.module.channels);
        mostChannels = std::max<int>(mostChannels, compiled.module.channels);
        for (const XmInstrument& instrument : compiled.module.instruments) {
            for (const XmSample& sample : instrument.samples) {
                widths[sample.sixteenBit] = true;
                loops[static_cast<int>(sample.loop)] = true;
                uint32_t frames = static_cast<uint32_t>(sample.pcm.size());
                shortest = std::min(shortest, sample.loop == XmLoop::none ? frames : sample.loopLength);
                longest = std::max(longest, frames);
            }
        }
    }
    EXPECT_GE(sources, 4);
    EXPECT_EQ(fewestChannels, 4);
    EXPECT_EQ(mostChannels, 32);
    EXPECT_TRUE(widths[0] && widths[1]);
    EXPECT_TRUE(loops[0] && loops[1] && loops[2]);
    EXPECT_LT(shortest, 100u) << "no short loops";
    EXPECT_GT(longest, 44100u) << "no long samples";
}

}  // namespace

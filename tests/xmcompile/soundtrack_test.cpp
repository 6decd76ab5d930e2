// The demo's soundtrack: its committed module is what its source compiles to,
// and it loads as a song the player can run.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/music/song_loading.h"
#include "tools/xmcompile/module_builder.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> committedModule() {
    std::string bytes = readFile(TAVORLY_DATA_DIR "/rcdata/190.xm");
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

const xmcompile::CompileResult& compiledSoundtrack() {
    static const xmcompile::CompileResult result =
        xmcompile::compileSong(readFile(TAVORLY_DATA_DIR "/song/tavorly.song"));
    return result;
}

TEST(Soundtrack, CommittedModuleIsWhatTheSourceCompilesTo) {
    const auto& compiled = compiledSoundtrack();
    ASSERT_TRUE(compiled.ok) << "line " << compiled.errorLine << ": " << compiled.error;
    std::vector<uint8_t> committed = committedModule();
    ASSERT_FALSE(committed.empty()) << "data/rcdata/190.xm is missing";
    EXPECT_TRUE(compiled.bytes == committed) << "data/rcdata/190.xm is stale: rebuild it from data/song/tavorly.song";
}

TEST(Soundtrack, UsesBothSampleWidthsEveryLoopKindAndEmptyInstrumentSlots) {
    const auto& compiled = compiledSoundtrack();
    ASSERT_TRUE(compiled.ok);
    const XmModule& module = compiled.module;
    EXPECT_GE(module.channels, 8);
    EXPECT_LE(module.channels, 16);
    EXPECT_TRUE(module.linearFrequencies);
    bool widths[2] = {};
    bool loops[3] = {};
    int emptySlots = 0;
    for (const XmInstrument& instrument : module.instruments) {
        if (instrument.samples.empty()) ++emptySlots;
        for (const XmSample& sample : instrument.samples) {
            widths[sample.sixteenBit] = true;
            loops[static_cast<int>(sample.loop)] = true;
        }
    }
    EXPECT_TRUE(widths[0] && widths[1]);
    EXPECT_TRUE(loops[0] && loops[1] && loops[2]);
    EXPECT_GT(emptySlots, 0);
}

TEST(Soundtrack, LoadsAsAPlayableSong) {
    SongPtr song = loadBytes(committedModule());
    ASSERT_NE(song, nullptr);
    expectPlayableSong(*song);
    EXPECT_EQ(song->songFlags & linearFrequencyTable, linearFrequencyTable);
    EXPECT_LT(song->restartPosition, song->songLength);
}

}  // namespace

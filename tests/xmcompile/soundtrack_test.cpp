// The demo's soundtrack: its committed module is what its source compiles to,
// and it loads as a song the player can run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "music/render.h"
#include "tests/music/song_loading.h"
#include "tools/xmcompile/module_builder.h"

using namespace music;

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

// One pass through the song as the demo plays it, up to the tick that goes
// back to an earlier order position.
struct SongPass {
    std::vector<int16_t> pcm;  // interleaved stereo
    int64_t frames = 0;
    bool looped = false;
};

// Standard output of a shell command, or nothing when it cannot run.
std::string commandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
    return output;
}

bool commandExists(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

SongPass renderOnePass(Song* song) {
    constexpr int32_t rate = 44100;
    constexpr int64_t limitFrames = int64_t{rate} * 600;
    struct Watch {
        int32_t lastPosition = 0;
        bool looped = false;
    } watch;
    auto onTick = [](const Song& playing, void* context) {
        auto& state = *static_cast<Watch*>(context);
        if (playing.orderPosition < state.lastPosition) state.looped = true;
        state.lastPosition = playing.orderPosition;
        return state.looped;
    };
    SongPass pass;
    pass.pcm.resize(2 * static_cast<size_t>(limitFrames));
    if (!beginRender(song, rate)) return pass;
    pass.frames = renderFrames(pass.pcm.data(), limitFrames, onTick, &watch);
    endRender();
    pass.pcm.resize(2 * static_cast<size_t>(pass.frames));
    pass.looped = watch.looped;
    return pass;
}

// The figures the mix is held to: at least two and a half minutes before the
// song loops, no more than 0.01 % of the samples at full scale, an RMS level
// between -18 and -12 dBFS and no DC offset.
TEST(Soundtrack, RendersItsWholeLengthWithoutClippingAtItsLoudness) {
    SongPtr song = loadBytes(committedModule());
    ASSERT_NE(song, nullptr);
    SongPass pass = renderOnePass(song.get());
    ASSERT_TRUE(pass.looped) << "the song did not come round within ten minutes";
    double seconds = pass.frames / 44100.0;
    int64_t clipped = 0;
    double sum = 0;
    double squares = 0;
    int peak = 0;
    for (int16_t value : pass.pcm) {
        if (value == 32767 || value == -32768) ++clipped;
        peak = std::max(peak, std::abs(int{value}));
        sum += value;
        squares += static_cast<double>(value) * value;
    }
    double samples = static_cast<double>(pass.pcm.size());
    double rmsDb = 10.0 * std::log10(squares / samples / (32768.0 * 32768.0));
    double peakDb = 20.0 * std::log10(peak / 32768.0);
    double dc = sum / samples / 32768.0;
    std::printf("soundtrack: %.2f s, RMS %.2f dBFS, peak %.2f dBFS, %lld samples at full scale, DC %.6f\n", seconds,
                rmsDb, peakDb, static_cast<long long>(clipped), dc);
    EXPECT_GE(seconds, 150.0);
    EXPECT_LE(clipped, samples * 0.0001);
    EXPECT_GE(rmsDb, -18.0);
    EXPECT_LE(rmsDb, -12.0);
    EXPECT_LT(std::fabs(dc), 0.001);
}

// The file is meant for every XM player: the Debian players xmp and
// openmpt123 must load it and play it for as long as our engine does (each
// renders the song once, up to where it would repeat).
TEST(Soundtrack, OtherPlayersPlayItForTheSameLength) {
    if (!commandExists("xmp") || !commandExists("openmpt123")) GTEST_SKIP() << "xmp or openmpt123 is not installed";
    SongPtr song = loadBytes(committedModule());
    ASSERT_NE(song, nullptr);
    double ours = renderOnePass(song.get()).frames / 44100.0;
    const std::string path = TAVORLY_DATA_DIR "/rcdata/190.xm";

    // Both write raw 16-bit stereo at 44,100 Hz to standard output.
    std::string pcm = commandOutput("xmp --quiet --output-file - '" + path + "' 2>/dev/null");
    double xmpSeconds = pcm.size() / 4.0 / 44100.0;
    EXPECT_NEAR(xmpSeconds, ours, ours * 0.01);
    pcm = commandOutput("openmpt123 --batch --stdout --quiet --subsong 0 --samplerate 44100 --no-float '" + path +
                        "' 2>/dev/null");
    double openmptSeconds = pcm.size() / 4.0 / 44100.0;
    EXPECT_NEAR(openmptSeconds, ours, ours * 0.01);
    std::printf("soundtrack length: ours %.3f s, xmp %.3f s, openmpt123 %.3f s\n", ours, xmpSeconds, openmptSeconds);
}

}  // namespace

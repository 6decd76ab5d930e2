// Changing what the output plays while it plays: pause and resume, seeking,
// volume and the song's end are heard from a few blocks past the play
// position, go on from exactly what was heard, and fade instead of clicking;
// the block reports say what the device is playing.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "music/audio_output.h"
#include "music/block_report.h"
#include "music/render.h"
#include "output_fixture.h"
#include "song_loading.h"

using namespace music;

using namespace output_test;

namespace {

constexpr int32_t block = 884;  // frames per block at 44,100 Hz

// Four channels of looping notes under vibrato, arpeggio, volume slides,
// portamento, an envelope and tempo changes, so that every part of the render
// state shows in the sound within a few ticks.
XmModule busyModule() {
    XmModule module;
    module.channels = 4;
    module.speed = 3;
    module.bpm = 140;
    module.orders = {0, 1};
    XmInstrument& instrument = module.instruments.emplace_back();
    XmSample saw;
    for (int i = 0; i < 64; ++i) saw.pcm.push_back(static_cast<int16_t>(i * 900 - 28800));
    saw.sixteenBit = true;
    saw.loop = XmLoop::forward;
    saw.loopLength = 64;
    instrument.samples.push_back(saw);
    instrument.volumeEnvelope.points = {{0, 64}, {10, 20}, {30, 50}};
    instrument.volumeEnvelope.on = true;
    for (int p = 0; p < 2; ++p) {
        XmPattern& pattern = module.patterns.emplace_back();
        pattern.rows = 16;
        for (int row = 0; row < 16; row += 4) {
            pattern.set(row, 0, {static_cast<uint8_t>(49 + row + p), 1, 0, 4, 0x47});
            pattern.set(row + 1, 0, {0, 0, 0, 4, 0});
            pattern.set(row, 1, {static_cast<uint8_t>(53 - p), 1, 0x30, 0, 0x37});
            pattern.set(row + 2, 2, {61, 1, 0, 10, 0x03});
            pattern.set(row + 1, 3, {static_cast<uint8_t>(40 + row), 1, 0, 3, 0x10});
        }
        pattern.set(8, 1, {0, 0, 0, 15, static_cast<uint8_t>(p == 0 ? 0x96 : 0x7D)});
    }
    return module;
}

// The song's sound from its start (or from `start`), as the device would play it.
std::vector<int16_t> renderReference(Song* song, int32_t blocks, const OrderStart* start = nullptr) {
    std::vector<int16_t> pcm(2 * static_cast<size_t>(blocks) * block);
    EXPECT_TRUE(beginRender(song, 44100));
    if (start != nullptr) rewindSongTo(song, *start);
    EXPECT_EQ(renderFrames(pcm.data(), blocks * int64_t{block}), blocks * int64_t{block});
    endRender();
    return pcm;
}

// Waits until the output thread has rendered `b` for the current generation.
void waitForBlock(int32_t b) {
    BlockReport report{};
    for (int i = 0; i < 5000; ++i) {
        if (readBlockReport(b, report) && report.generation == audioOutput.generation) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    FAIL() << "block " << b << " was not rendered";
}

// Moves the device to a little past the start of block `b` and waits until
// the thread has refilled every block before it.
void playUpTo(int32_t b) {
    setVirtualPosition(int64_t{b} * block + 5);
    waitForBlock((b + audioOutput.blockCount - 1) % audioOutput.blockCount);
}

// True when output block `b` equals block `referenceBlock` of `reference`.
bool blockEquals(int32_t b, const std::vector<int16_t>& reference, int32_t referenceBlock) {
    const int16_t* played = audioOutput.outputBuffer + 2 * static_cast<ptrdiff_t>(b) * block;
    const int16_t* expected = reference.data() + 2 * static_cast<ptrdiff_t>(referenceBlock) * block;
    return std::equal(played, played + 2 * block, expected);
}

bool blockIsSilent(int32_t b, int32_t fromFrame = 0) {
    const int16_t* played = audioOutput.outputBuffer + 2 * static_cast<ptrdiff_t>(b) * block;
    return std::all_of(played + 2 * fromFrame, played + 2 * block, [](int16_t s) { return s == 0; });
}

BlockReport reportOf(int32_t b) {
    BlockReport report{};
    EXPECT_TRUE(readBlockReport(b, report)) << b;
    return report;
}

TEST_F(OutputTest, PauseAndResumeGoOnFromTheFrameWhereThePauseWasHeard) {
    SongPtr song = loadModule(busyModule());
    ASSERT_TRUE(song);
    std::vector<int16_t> reference = renderReference(song.get(), 200);
    ASSERT_TRUE(playSong(song.get()));
    playUpTo(10);

    // Paused while the device plays block 10: blocks up to 13 may already be
    // on their way to the speaker and keep their sound; block 14 fades out.
    ASSERT_TRUE(holdOutput());
    EXPECT_EQ(virtualRenderedUntil(), 14 * block) << "the device must not read the blocks being rendered again";
    audioOutput.control.paused = true;
    releaseOutput();
    waitForBlock(9);
    for (int32_t b = 10; b < 14; ++b) EXPECT_TRUE(blockEquals(b, reference, b)) << b;
    EXPECT_FALSE(blockIsSilent(14));
    EXPECT_TRUE(blockIsSilent(14, mixerState.rampLength));
    for (int32_t b : {15, 50, 99, 0, 9}) EXPECT_TRUE(blockIsSilent(b)) << b;
    EXPECT_EQ(reportOf(20).paused, 1);
    EXPECT_EQ(reportOf(20).playedFrames, 14 * block) << "a pause plays none of the song";

    // Resumed twenty blocks later: the song goes on from block 14's start.
    playUpTo(30);
    ASSERT_TRUE(holdOutput());
    audioOutput.control.paused = false;
    releaseOutput();
    waitForBlock(29);
    EXPECT_TRUE(blockIsSilent(33));
    for (int32_t b = 35; b < 100; ++b) EXPECT_TRUE(blockEquals(b, reference, b - 20)) << b;
    for (int32_t b = 0; b < 30; ++b) EXPECT_TRUE(blockEquals(b, reference, b + 80)) << b;
    EXPECT_EQ(reportOf(40).paused, 0);
    EXPECT_EQ(reportOf(40).playedFrames, 21 * block);
    stopSong(song.get());
}

TEST_F(OutputTest, SeekPlaysTheOrderStartAsARenderFromThereWould) {
    SongPtr song = loadModule(busyModule());
    ASSERT_TRUE(song);
    const OrderStart start{1, 4, 150, 64, 123456};
    std::vector<int16_t> reference = renderReference(song.get(), 100, &start);
    ASSERT_TRUE(playSong(song.get()));
    playUpTo(10);
    ASSERT_TRUE(holdOutput());
    resetVoices();
    rewindSongTo(song.get(), start);
    releaseOutput();
    waitForBlock(9);
    // Block 14 starts the new sound under the fade; from then on it is the
    // order's own.
    const int16_t* first = audioOutput.outputBuffer + 2 * 14 * block;
    EXPECT_TRUE(
        std::equal(first + 2 * mixerState.rampLength, first + 2 * block, reference.data() + 2 * mixerState.rampLength));
    for (int32_t b = 15; b < 100; ++b) EXPECT_TRUE(blockEquals(b, reference, b - 14)) << b;
    BlockReport report = reportOf(14);
    EXPECT_EQ(report.orderPosition, 1);
    EXPECT_EQ(report.pattern, 1);
    EXPECT_EQ(report.speed, 4);
    EXPECT_EQ(report.playedFrames, 123456 + block);
    EXPECT_GT(report.generation, reportOf(13).generation);
    stopSong(song.get());
}

// A looping sample of constant value on voice 0 at full gain from the first
// tick on: the output is the gain applied to the mix, frame by frame.
struct Constant {
    std::array<int16_t, 16> data;
    Sample sample{};
    Constant() {
        data.fill(10000);
        sample = Sample{data.data(), 8, 0, 8, 64, 0, 128, 16, 2, 0};
    }
};
Constant constant;

void constantTick(Song*) {
    if (tickCount.fetch_add(1) != 0) return;
    Voice& voice = mixerState.voices[0];
    voice.sample = &constant.sample;
    voice.position = 0;
    voice.step = static_cast<uint64_t>(fixedOne);
    voice.direction = voiceForward;
    voice.targetLeft = voice.targetRight = 255;
    voice.currentLeft = voice.currentRight = 255 * 256;
    voice.lastTargetLeft = voice.lastTargetRight = 255;
}

int16_t leftAt(int32_t frame) { return audioOutput.outputBuffer[2 * frame]; }

TEST_F(OutputTest, VolumeChangeGlidesFromTheOldLevelToTheNewOverOneRamp) {
    Song song = makeSong(constantTick);
    ASSERT_TRUE(playSong(&song));
    playUpTo(10);
    ASSERT_TRUE(holdOutput());
    audioOutput.control.volume = 0.5f;
    releaseOutput();
    waitForBlock(9);
    EXPECT_EQ(leftAt(14 * block - 1), 10000);
    for (int32_t f = 14 * block; f < 14 * block + mixerState.rampLength; ++f) {
        EXPECT_LE(leftAt(f), leftAt(f - 1)) << f;
        EXPECT_LE(leftAt(f - 1) - leftAt(f), 5000 / mixerState.rampLength + 1) << f;
    }
    EXPECT_EQ(leftAt(14 * block + mixerState.rampLength), 5000);
    EXPECT_EQ(leftAt(50 * block), 5000);
    stopSong(&song);
}

TEST_F(OutputTest, SongEndRampsTheVoicesOutAndAnEndLiftedBeforeItIsHeardIsNeverPlayed) {
    Song song = makeSong(constantTick);
    audioOutput.control.endFrame = 10 * block + 100;
    ASSERT_TRUE(playSong(&song));
    const int32_t end = 10 * block + 100;
    EXPECT_EQ(leftAt(end - 1), 10000);
    for (int32_t f = end + 1; f < end + mixerState.rampLength; ++f) EXPECT_LT(leftAt(f), leftAt(f - 1)) << f;
    EXPECT_EQ(leftAt(end + mixerState.rampLength), 0);
    EXPECT_TRUE(blockIsSilent(11));
    EXPECT_EQ(tickCount.load(), 1 + (end - 1) / 882) << "no tick after the end";
    EXPECT_EQ(reportOf(9).ended, 0);
    EXPECT_EQ(reportOf(10).ended, 1);
    EXPECT_EQ(reportOf(10).playedFrames, end);
    EXPECT_EQ(reportOf(10).levels[0], 0);

    // While the device is still at block 2 the end is lifted: the song plays
    // on through the frame where it would have ended.
    playUpTo(2);
    ASSERT_TRUE(holdOutput());
    audioOutput.control.endFrame = INT64_MAX;
    releaseOutput();
    waitForBlock(1);
    for (int32_t f = 6 * block; f < 20 * block; ++f) ASSERT_EQ(leftAt(f), 10000) << f;
    EXPECT_EQ(reportOf(10).ended, 0);
    stopSong(&song);
}

TEST_F(OutputTest, HeardReportIsThatOfTheBlockTheDeviceIsPlaying) {
    XmModule module = withOneSample(eightBit(std::vector<int16_t>(32, 100)));
    module.instruments[0].samples[0].loop = XmLoop::forward;
    module.instruments[0].samples[0].loopLength = 32;
    module.channels = 3;
    module.patterns[0].set(0, 0, {49, 1, 0, 0, 0});
    module.patterns[0].set(0, 1, {49, 1, 0x30, 0, 0});  // half volume
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    ASSERT_TRUE(playSong(song.get()));
    setVirtualPosition(37 * block + 100);
    BlockReport heard{};
    ASSERT_TRUE(readHeardBlock(heard));
    // Block 37 ends at frame 33,592, in the 39th tick (882 frames each) of
    // speed 6: row 6.
    EXPECT_EQ(heard.playedFrames, 38 * block);
    EXPECT_EQ(heard.orderPosition, 0);
    EXPECT_EQ(heard.row, 6);
    EXPECT_EQ(heard.speed, 6);
    EXPECT_EQ(heard.bpm, 125);
    EXPECT_EQ(heard.channelCount, 3);
    // Full volume, centred: gains 63 + 63; half volume: 31 + 31.
    EXPECT_EQ(heard.levels[0], 126);
    EXPECT_EQ(heard.levels[1], 62);
    EXPECT_EQ(heard.levels[2], 0);
    EXPECT_EQ(heard.levels[3], 0);
    stopSong(song.get());
    EXPECT_FALSE(readHeardBlock(heard));
}

TEST(BlockReports, AReaderNeverSeesAReportHalfRewritten) {
    clearBlockReports();
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int32_t n = 1; !stop.load(); ++n) {
            BlockReport report{};
            report.generation = static_cast<uint32_t>(n);
            report.orderPosition = report.row = report.bpm = n;
            report.playedFrames = n;
            report.levels.fill(static_cast<uint8_t>(n));
            writeBlockReport(5, report);
        }
    });
    // Reads until the writer has moved on a hundred times under the reader
    // (or a few seconds have passed on a very busy machine).
    int32_t changes = 0;
    uint32_t last = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (changes < 100 && std::chrono::steady_clock::now() < deadline) {
        BlockReport report{};
        if (!readBlockReport(5, report)) continue;
        int32_t n = static_cast<int32_t>(report.generation);
        bool whole = report.orderPosition == n && report.row == n && report.bpm == n && report.playedFrames == n &&
                     report.levels[31] == static_cast<uint8_t>(n);
        if (!whole) {
            ADD_FAILURE() << "a report of generation " << n << " read half rewritten";
            break;
        }
        if (report.generation != last) ++changes;
        last = report.generation;
    }
    stop.store(true);
    writer.join();
    EXPECT_GE(changes, 2) << "the reports were not rewritten while being read";
    BlockReport none{};
    EXPECT_FALSE(readBlockReport(6, none));
    EXPECT_FALSE(readBlockReport(maxReportBlocks, none));
}

}  // namespace

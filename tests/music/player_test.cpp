// Row processing, note and instrument starts, and the flow through the order
// list: speed, pattern delay, loops, breaks and jumps.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "music/pitch.h"
#include "music/render.h"

#include "tests/music/player_harness.h"

using namespace music;

namespace {

constexpr uint8_t keyOffNote = 97;
constexpr uint8_t c4 = 49;  // note 48, 0-based: period 4608 in the linear table

// The row whose cells the player is running, as a row number of the pattern in play.
int32_t rowInPlayNumber(PlayerHarness& h) {
    const Pattern& pattern = h.song().patterns[h.song().orderTable[static_cast<size_t>(h.song().orderPosition)]];
    return static_cast<int32_t>((rowInPlay(&h.song()) - pattern.cells) / h.song().channelCount);
}

std::vector<int32_t> rowsPlayed(PlayerHarness& h, int ticks) {
    std::vector<int32_t> rows;
    for (int i = 0; i < ticks; ++i) {
        h.tick();
        rows.push_back(rowInPlayNumber(h));
    }
    return rows;
}

}  // namespace

TEST(Flow, SpeedZeroIsIgnored) {
    XmModule module = testModule();
    module.speed = 2;
    module.patterns[0].set(0, 0, {0, 0, 0, 0xF, 0x00});
    PlayerHarness h(module);
    EXPECT_EQ(rowsPlayed(h, 4), (std::vector<int32_t>{0, 0, 1, 1}));
    EXPECT_EQ(h.song().speed, 2);
}

TEST(Flow, PatternDelayStretchesTheRowBySpeedTimesX) {
    XmModule module = testModule();
    module.patterns[0].set(0, 0, {0, 0, 0, 0xE, 0xE2});
    PlayerHarness h(module);
    std::vector<int32_t> rows = rowsPlayed(h, 19);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), 0), 18);
    EXPECT_EQ(rows.back(), 1);
}

TEST(Flow, PatternLoopPlaysTheLoopedRowsThreeTimesAndTheNextPatternFromItsStartRow) {
    XmModule module = testModule(4, 12);
    module.speed = 1;
    module.orders = {0, 0};
    module.patterns[0].set(4, 1, {0, 0, 0, 0xE, 0x60});
    module.patterns[0].set(8, 1, {0, 0, 0, 0xE, 0x62});
    PlayerHarness h(module);
    EXPECT_EQ(rowsPlayed(h, 23),
              (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 4, 5, 6, 7, 8, 4, 5, 6, 7, 8, 9, 10, 11, 4}));
    EXPECT_EQ(h.song().orderPosition, 1);
}

TEST(Flow, JumpAndBreakInOneRowCombineByChannelOrder) {
    for (bool jumpFirst : {true, false}) {
        XmModule module = testModule();
        module.speed = 1;
        module.orders = {0, 0, 0, 0, 0, 0, 0};
        module.patterns[0].set(0, jumpFirst ? 1 : 2, {0, 0, 0, 0xB, 0x05});
        module.patterns[0].set(0, jumpFirst ? 2 : 1, {0, 0, 0, 0xD, 0x10});
        PlayerHarness h(module);
        h.tick(2);
        EXPECT_EQ(h.song().orderPosition, 5);
        EXPECT_EQ(h.song().row, jumpFirst ? 10 : 0);
    }
}

TEST(Flow, BreakAtTheLastPositionGoesToPositionZeroAndTheEndToTheRestart) {
    XmModule module = testModule();
    module.speed = 1;
    module.orders = {0, 1};
    module.restartPosition = 1;
    module.patterns[0].set(0, 0, {0, 0, 0, 0xB, 0x01});
    module.patterns.emplace_back().rows = 2;
    module.patterns[1].set(0, 0, {0, 0, 0, 0xD, 0x40});
    PlayerHarness h(module);
    h.tick(3);
    EXPECT_EQ(h.song().orderPosition, 0);
    EXPECT_EQ(h.song().row, 40);

    module.patterns[1].cells.clear();
    PlayerHarness natural(module);
    natural.tick(4);  // position 0 row 0, position 1 rows 0 and 1, then the wrap
    EXPECT_EQ(natural.song().orderPosition, 1);
    EXPECT_EQ(natural.song().row, 0);
}

TEST(Flow, RestartPositionOutsideTheSongWrapsToTheFirstPosition) {
    XmModule module = testModule(4, 2);
    module.speed = 1;
    module.orders = {0, 0};
    module.restartPosition = 7;
    PlayerHarness h(module);
    h.tick(5);
    EXPECT_EQ(h.song().orderPosition, 0);
    EXPECT_EQ(h.song().row, 0);
}

TEST(Flow, BreakBeyondTheNextPatternsRowsStartsItAtRowZero) {
    XmModule module = testModule();
    module.speed = 1;
    module.orders = {0, 1};
    module.patterns[0].set(0, 0, {0, 0, 0, 0xD, 0x20});
    module.patterns.emplace_back().rows = 16;
    PlayerHarness h(module);
    h.tick(2);
    EXPECT_EQ(h.song().orderPosition, 1);
    EXPECT_EQ(h.song().row, 0);
    EXPECT_EQ(rowInPlay(&h.song()), h.song().patterns[1].cells);
}

TEST(Flow, PatternWithoutCellsPlaysAsSilentRows) {
    XmModule module = testModule(4, 4);
    module.speed = 1;
    module.orders = {0, 1};
    module.patterns.emplace_back().rows = 8;
    PlayerHarness h(module);
    Note* cells = std::exchange(h.song().patterns[1].cells, nullptr);
    h.tick(4 + 8);
    EXPECT_EQ(h.song().orderPosition, 1);
    EXPECT_EQ(rowInPlay(&h.song()), nullptr);
    h.tick();
    EXPECT_EQ(h.song().orderPosition, 0);
    h.song().patterns[1].cells = cells;
}

TEST(Flow, ChannelsBeyondThirtyTwoAreNotPlayed) {
    XmModule module = testModule(34);
    module.patterns[0].set(1, 0, {c4, 1, 0, 0, 0});
    module.patterns[0].set(0, 33, {c4, 1, 0, 0, 0});
    PlayerHarness h(module);
    h.tick(7);
    EXPECT_NE(mixerState.voices[0].sample, nullptr);
    for (size_t v = 1; v < voiceCount; ++v) EXPECT_EQ(mixerState.voices[v].sample, nullptr) << v;
}

TEST(Row, InstrumentWithoutNoteResetsFromThePlayingSampleWhichPlaysOn) {
    XmModule module = testModule();
    module.speed = 1;
    module.instruments.push_back(module.instruments[0]);
    module.instruments[0].samples[0].panning = 60;
    module.instruments[1].samples[0].volume = 40;
    module.instruments[1].samples[0].panning = 200;
    module.patterns[0].set(0, 0, {c4, 1, 0x20, 8, 0x10});
    module.patterns[0].set(1, 0, {0, 2, 0, 0, 0});
    module.patterns[0].set(2, 0, {0, 0, 0x20, 0, 0});
    module.patterns[0].set(3, 0, {0, 9, 0, 0, 0});
    module.patterns[0].set(4, 0, {c4, 0, 0, 0, 0});
    PlayerHarness h(module);
    h.tick();
    Sample* first = h.voice(0).sample;
    h.voice(0).position = int64_t{123} << 32;
    h.tick();
    EXPECT_EQ(h.channel(0).channelVolume, 64) << "the volume of the sample that plays, not instrument 2's";
    EXPECT_EQ(h.channel(0).channelPan, 60);
    EXPECT_EQ(h.channel(0).voice, &mixerState.voices[0]);
    EXPECT_EQ(h.voice(0).sample, first);
    EXPECT_EQ(h.voice(0).position, int64_t{123} << 32);
    h.tick(2);
    EXPECT_EQ(h.voice(0).volume, 127) << "a missing instrument number also resets and the sample plays on";
    h.tick();
    EXPECT_EQ(h.voice(0).sample, &emptySample) << "the next note takes the missing instrument: nothing";
}

TEST(Row, NoteWithoutInstrumentRestartsAtTheCurrentVolumeAndKeepsEnvelopeAndKeyOff) {
    for (bool envelope : {false, true}) {
        XmModule module = testModule();
        module.speed = 2;
        XmInstrument& instrument = module.instruments[0];
        instrument.fadeout = 1000;
        instrument.volumeEnvelope = {
            .points = {{0, 64}, {100, 64}}, .on = envelope, .storedPointCount = {}, .storedFlags = {}};
        module.patterns[0].set(0, 0, {c4, 1, 0x30, 0, 0});
        module.patterns[0].set(1, 0, {c4 + 2, 0, 0, 0, 0});
        module.patterns[0].set(2, 0, {keyOffNote, 0, 0, 0, 0});
        module.patterns[0].set(3, 0, {c4, 0, 0, 0, 0});
        PlayerHarness h(module);
        h.tick(3);
        EXPECT_EQ(h.channel(0).channelVolume, 32);
        EXPECT_EQ(h.channel(0).voice, &mixerState.voices[32]);
        EXPECT_EQ(h.channel(0).volumeEnvTick, envelope ? 3 : 0);
        h.tick(2);
        EXPECT_EQ(h.voice(0).volume, envelope ? 61 : 0) << "key-off cuts only without an envelope";
        h.tick(2);  // the note without instrument on row 3
        EXPECT_EQ(h.channel(0).keyOff, 1);
        EXPECT_EQ(h.channel(0).fadeoutVolume, 65536 - 3 * 2000);
        EXPECT_EQ(h.voice(0).volume, envelope ? 57 : 0);
    }
}

TEST(Row, TremoloHoldsOnTickZeroAndEndsAtThePlainVolume) {
    XmModule module = testModule();
    module.patterns[0].set(0, 0, {c4, 1, 0x30, 7, 0x48});
    module.patterns[0].set(1, 0, {0, 0, 0, 7, 0});
    PlayerHarness h(module);
    h.tick(7);
    // Phase 16 on the last tick of row 0: full sine, 255 * 8 / 64 = 31 on top of 32.
    EXPECT_EQ(h.channel(0).volumeDelta, 31) << "tick 0 of the next tremolo row keeps it";
    h.tick(6);
    EXPECT_EQ(h.channel(0).volumeDelta, 0);
    EXPECT_EQ(h.channel(0).channelVolume, 32);
}

TEST(Row, ChannelWithoutInstrumentStaysSilent) {
    XmModule module = testModule();
    module.patterns[0].set(0, 0, {c4, 0, 0x50, 0xC, 0x40});
    PlayerHarness h(module);
    h.tick(2);
    EXPECT_EQ(h.voice(0).volume, 0);
}

TEST(Robustness, HostileCellsAndEnvelopesPlayWithinRange) {
    XmModule module = testModule(4);
    module.instruments[0].samples[0].relativeNote = 127;
    XmEnvelope& envelope = module.instruments[0].volumeEnvelope;
    envelope.points = {{0, 64}, {9, 2000}, {3, 0}, {5, 64}};  // out of order, a value beyond 64
    envelope.on = true;
    module.patterns[0].set(0, 0, {96, 1, 0, 0xE, 0x1F});
    for (int row = 1; row < 64; ++row) module.patterns[0].set(row, 0, {0, 0, 0, 0xE, 0x10});
    module.patterns[0].set(0, 1, {0, 0, 0, 0xE, 0x5F});
    module.patterns[0].set(0, 2, {120, 1, 0, 0, 0});
    module.patterns[0].set(0, 3, {1, 1, 0, 2, 0xFF});
    PlayerHarness h(module);
    for (int t = 0; t < 64 * 6; ++t) {
        h.tick();
        EXPECT_GE(h.channel(0).volumeEnvValue, 0);
        EXPECT_LE(h.channel(0).volumeEnvValue, 64);
        EXPECT_LE(h.voice(0).volume, 127);
        EXPECT_GT(h.voice(0).step, 0u);
        EXPECT_LT(h.voice(0).step, uint64_t{1000} << 32);
        if (testing::Test::HasFailure()) FAIL() << "tick " << t;
    }
    EXPECT_EQ(emptySample.finetune, 0) << "the shared empty sample stays all zero";
    EXPECT_EQ(resolveSound(&h.song(), h.channel(2)).sample, &emptySample) << "note 120 has no sample map entry";
    EXPECT_GE(h.voice(3).step, voiceStep(100));
}

TEST(Robustness, EveryKeptFuzzInputThatLoadsPlays) {
    for (const auto& entry : std::filesystem::directory_iterator(TAVORLY_FUZZ_REGRESSIONS_DIR)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
        std::ifstream stream(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(stream), {}};
        SongPtr song = loadBytes(bytes);
        if (!song || !beginRender(song.get(), 8000)) continue;
        std::vector<int16_t> out(8000 * 2 * 4);
        EXPECT_EQ(renderFrames(out.data(), 8000 * 4), 8000 * 4) << entry.path().filename();
        endRender();
    }
}

// Effects and volume-column commands, grouped by family, each checked on the
// channel and voice after stepping a small module tick by tick.
#include <gtest/gtest.h>

#include "tests/music/player_harness.h"

using namespace music;

namespace {

constexpr uint8_t c4 = 49;  // linear period 4608, Amiga period 1712
constexpr uint8_t e4 = 53;  // linear period 4352

constexpr uint8_t fx(char letter) { return static_cast<uint8_t>(letter - 'A' + 10); }

// One channel module: row 0 holds the given cell; speed 6 unless changed.
XmModule oneCell(XmCell cell, bool linear = true) {
    XmModule module = testModule(1);
    module.linearFrequencies = linear;
    module.patterns[0].set(0, 0, cell);
    return module;
}

}  // namespace

TEST(Portamento, SlidesStopAtPeriod56UpwardAndHaveNoLimitDownward) {
    for (bool linear : {true, false}) {
        XmModule module = oneCell({c4, 1, 0, 1, 0xFF}, linear);
        module.patterns[0].set(1, 0, {0, 0, 0, 1, 0});
        PlayerHarness h(module);
        h.tick(12);
        EXPECT_EQ(h.channel(0).period, 56);
    }
    XmModule module = oneCell({c4, 1, 0, 2, 0x10});
    module.patterns[0].set(1, 0, {0, 0, 0, 2, 0});  // replays the memory
    PlayerHarness h(module);
    h.tick(12);
    EXPECT_EQ(h.channel(0).period, 4608 + 10 * 64);
}

TEST(Portamento, TonePortamentoApproachesTheNewNoteWithoutRestartingIt) {
    XmModule module = oneCell({c4, 1, 0, 0, 0});
    module.patterns[0].set(1, 0, {e4, 1, 0, 3, 0x08});
    module.patterns[0].set(2, 0, {0, 0, 0, 3, 0});
    PlayerHarness h(module);
    h.tick(12);
    EXPECT_EQ(h.channel(0).period, 4608 - 5 * 32);
    EXPECT_EQ(h.channel(0).voice, &mixerState.voices[0]);
    h.tick(6);
    EXPECT_EQ(h.channel(0).period, 4352);
}

TEST(Portamento, VolumeColumnPortamentoSlidesTowardItsNoteAndSharesTheSpeed) {
    XmModule module = oneCell({c4, 1, 0, 0, 0});
    module.patterns[0].set(1, 0, {e4, 0, 0xF1, 0, 0});
    module.patterns[0].set(2, 0, {c4, 0, 0, 3, 0x00});
    PlayerHarness h(module);
    h.tick(7);
    EXPECT_EQ(h.channel(0).period, 4608) << "the note only sets the target";
    EXPECT_EQ(h.channel(0).voice, &mixerState.voices[0]) << "the sample is not restarted";
    h.tick(2);
    EXPECT_EQ(h.channel(0).period, 4608 - 2 * 16 * 4);
    h.tick(3);
    EXPECT_EQ(h.channel(0).period, 4352) << "stops at the target";
    h.tick(2);
    EXPECT_EQ(h.channel(0).period, 4352 + 16 * 4) << "3xx with no speed goes on at the volume column's";
}

TEST(Portamento, FineAndExtraFineSlidesReplayTheirMemories) {
    XmModule module = oneCell({c4, 1, 0, 0xE, 0x12});
    module.patterns[0].set(1, 0, {0, 0, 0, 0xE, 0x10});
    module.patterns[0].set(2, 0, {0, 0, 0, fx('X'), 0x23});
    module.patterns[0].set(3, 0, {0, 0, 0, fx('X'), 0x20});
    PlayerHarness h(module);
    h.tick(12);
    EXPECT_EQ(h.channel(0).period, 4608 - 16);
    h.tick(12);
    EXPECT_EQ(h.channel(0).period, 4608 - 16 + 6);
}

// The semitones 037 adds on each tick of a row: the ticks count down from the
// speed, the last tick plays x, the one before y, then the base note.
TEST(Arpeggio, PicksItsNoteByTheTicksLeftInTheRowInEitherTable) {
    struct Case {
        uint8_t speed;
        uint8_t patternDelay;
        std::vector<int32_t> semitones;
    };
    for (const Case& c :
         {Case{6, 0, {0, 7, 3, 0, 7, 3}}, Case{3, 0, {0, 7, 3}}, Case{4, 0, {0, 0, 7, 3}}, Case{5, 0, {0, 3, 0, 7, 3}},
          Case{3, 1, {0, 7, 3, 0, 7, 3}}, Case{5, 1, {0, 3, 0, 7, 3, 7, 3, 0, 7, 3}}}) {
        XmModule module = testModule(2);
        module.speed = c.speed;
        module.patterns[0].set(0, 0, {c4, 1, 0, 0, 0x37});
        if (c.patternDelay) module.patterns[0].set(0, 1, {0, 0, 0, 0xE, static_cast<uint8_t>(0xE0 | c.patternDelay)});
        PlayerHarness h(module);
        std::vector<int32_t> semitones;
        for (size_t t = 0; t < c.semitones.size(); ++t) {
            h.tick();
            semitones.push_back(h.channel(0).periodDelta / 64);
        }
        EXPECT_EQ(semitones, c.semitones) << "speed " << int(c.speed) << ", pattern delay " << int(c.patternDelay);
    }
    PlayerHarness amiga(oneCell({c4, 1, 0, 0, 0x37}, false));
    amiga.tick(2);
    EXPECT_EQ(amiga.channel(0).periodDelta, 1142 - 1712) << "a fifth up on tick 1 at speed 6";
}

TEST(Vibrato, OffsetFollowsTheSineFromTheSecondTickDownwardInPitchInEitherTable) {
    for (bool linear : {true, false}) {
        PlayerHarness h(oneCell({c4, 1, 0, 4, 0x4F}, linear));
        h.tick(2);
        EXPECT_EQ(h.channel(0).periodDelta, 0);
        h.tick();
        // Phase 4: |sin(pi/8)| * 256 = 97; 97 * 15 / 32 = 45, low bits cleared;
        // a lower pitch is a smaller linear period but a larger Amiga period.
        EXPECT_EQ(h.channel(0).periodDelta, linear ? -44 : 44);
        EXPECT_EQ(h.channel(0).vibPhase, 8);
    }
}

TEST(VolumeSlide, SlidesShareOneMemoryAndTheVolumeColumnSlidesAfterTickZero) {
    XmModule module = oneCell({c4, 1, 0, fx('A'), 0x04});
    module.patterns[0].set(1, 0, {0, 0, 0, 6, 0x00});
    module.patterns[0].set(2, 0, {0, 0, 0x62, 0, 0});
    module.patterns[0].set(3, 0, {0, 0, 0x92, 0xE, 0xB0});
    PlayerHarness h(module);
    h.tick(6);
    EXPECT_EQ(h.channel(0).channelVolume, 64 - 20);
    h.tick(6);
    EXPECT_EQ(h.channel(0).channelVolume, 64 - 40);
    h.tick(1);
    EXPECT_EQ(h.channel(0).channelVolume, 64 - 40) << "no volume-column slide on tick 0";
    h.tick(5);
    EXPECT_EQ(h.channel(0).channelVolume, 64 - 50);
    h.tick(6);  // fine up by 2 from the volume column; EB0 has no memory yet
    EXPECT_EQ(h.channel(0).channelVolume, 64 - 50 + 2);
}

TEST(VolumeSlide, FineSlidesUpAndDownEachReplayTheirOwnValue) {
    XmModule module = oneCell({c4, 1, 0, fx('C'), 0x20});
    module.patterns[0].set(1, 0, {0, 0, 0, 0xE, 0xA8});
    module.patterns[0].set(2, 0, {0, 0, 0, 0xE, 0xB2});
    module.patterns[0].set(3, 0, {0, 0, 0, 0xE, 0xA0});
    module.patterns[0].set(4, 0, {0, 0, 0, 0xE, 0xB0});
    PlayerHarness h(module);
    std::vector<int32_t> volumes;
    for (int row = 0; row < 5; ++row) {
        h.tick(6);
        volumes.push_back(h.channel(0).channelVolume);
    }
    EXPECT_EQ(volumes, (std::vector<int32_t>{32, 40, 38, 46, 44}));
}

TEST(Volume, SetVolumeAboveSixtyFourIsLouderAndGlobalVolumeReachesEveryChannelInItsTick) {
    PlayerHarness loud(oneCell({c4, 1, 0, fx('C'), 0x7F}));
    loud.tick();
    EXPECT_EQ(loud.voice(0).volume, 253);

    XmModule module = testModule(3);
    module.patterns[0].set(0, 0, {c4, 1, 0, 0, 0});
    module.patterns[0].set(0, 1, {0, 0, 0, fx('H'), 0x04});
    module.patterns[0].set(0, 2, {c4, 1, 0, fx('A'), 0});
    PlayerHarness h(module);
    h.tick(2);
    EXPECT_EQ(h.song().globalVolume, 60);
    EXPECT_EQ(h.voice(0).volume, 119) << "also the channel before the slide";
    EXPECT_EQ(h.voice(2).volume, 119);
    h.tick(5);
    EXPECT_EQ(h.voice(0).volume, 87) << "a channel with no command of its own follows the slide: 127 * 44 / 64";
}

// Which ticks sound, tick 0 of the first row first.
std::vector<int32_t> audibleTicks(PlayerHarness& h, int ticks) {
    std::vector<int32_t> audible;
    for (int t = 0; t < ticks; ++t) {
        h.tick();
        audible.push_back(h.voice(0).volume > 0);
    }
    return audible;
}

TEST(Volume, TremorCountsTheTicksAfterTickZeroAndTickZeroKeepsTheTickBefore) {
    XmModule module = oneCell({c4, 1, 0, fx('T'), 0x12});
    module.patterns[0].set(1, 0, {0, 0, 0, fx('T'), 0});
    PlayerHarness h(module);
    // On for 2 ticks, off for 3, counting ticks 1 to 5 of each row.
    EXPECT_EQ(audibleTicks(h, 10), (std::vector<int32_t>{1, 1, 1, 0, 0, 0, 0, 1, 1, 0}));

    PlayerHarness unset(oneCell({c4, 1, 0, fx('T'), 0x00}));
    EXPECT_EQ(audibleTicks(unset, 6), (std::vector<int32_t>{1, 1, 0, 1, 0, 1})) << "no lengths yet: one on, one off";
}

TEST(Volume, TremorSilenceOutlastsTheEffectUntilAnInstrumentNumber) {
    XmModule module = oneCell({c4, 1, 0, fx('T'), 0x01});
    module.patterns[0].set(1, 0, {0, 0, 0, fx('C'), 0x40});
    module.patterns[0].set(2, 0, {c4, 0, 0x40, 0, 0});
    module.patterns[0].set(3, 0, {0, 1, 0, 0, 0});
    PlayerHarness h(module);
    h.tick(6);  // ends on an off tick
    EXPECT_EQ(audibleTicks(h, 12), std::vector<int32_t>(12, 0)) << "Cxx, a note and a volume leave it silent";
    EXPECT_EQ(audibleTicks(h, 1), std::vector<int32_t>{1});
}

TEST(Panning, SlidesClampButVolumeColumnSlidesOnlyClampAtTheVoice) {
    XmModule module = oneCell({c4, 1, 0, fx('P'), 0x20});
    module.instruments[0].samples[0].panning = 250;
    module.patterns[0].set(1, 0, {0, 0, 0xE4, 0, 0});
    PlayerHarness h(module);
    h.tick(6);
    EXPECT_EQ(h.channel(0).channelPan, 255);
    h.tick(6);
    EXPECT_EQ(h.channel(0).channelPan, 255 + 20) << "the volume column slides after tick 0";
    EXPECT_EQ(h.voice(0).pan, 255);
}

TEST(SampleOffset, OffsetAppliesToTheNoteOfItsRowAndOnePastTheEndSilencesIt) {
    XmModule module = oneCell({0, 0, 0, 9, 0x02});
    module.patterns[0].set(1, 0, {c4, 1, 0, 0, 0});
    module.patterns[0].set(2, 0, {c4, 1, 0, 9, 0x00});
    module.patterns[0].set(3, 0, {c4, 1, 0, 9, 0x04});
    PlayerHarness h(module);
    h.tick(7);
    EXPECT_EQ(h.voice(0).position, 0) << "an offset without a note does not wait for the next one";
    h.tick(6);
    EXPECT_EQ(h.voice(0).position, int64_t{512} << 32) << "900 replays the memory";
    h.tick(6);
    EXPECT_EQ(h.channel(0).voice, &mixerState.voices[0])
        << "1024 frames is beyond the loop end: the note starts on the partner";
    EXPECT_EQ(h.voice(0).sample, nullptr) << "and plays nothing";
    EXPECT_EQ(mixerState.voices[32].volume, 0) << "while the old note ramps out";
}

TEST(Retrigger, NoteDelayPlaysOnItsTickWithinTheRowsSpeed) {
    struct Case {
        uint8_t param;
        uint8_t delay;
        int playsOnTick;  // -1: never
    };
    for (Case c : {Case{0xD3, 0, 3}, Case{0xD0, 0, 0}, Case{0xD6, 0, -1}, Case{0xD8, 1, -1}, Case{0xD3, 1, 3}}) {
        XmModule module = testModule(2);
        module.patterns[0].set(0, 0, {c4, 1, 0, 0xE, c.param});
        module.patterns[0].set(0, 1, {0, 0, 0, 0xE, static_cast<uint8_t>(0xE0 | c.delay)});
        PlayerHarness h(module);
        int started = -1;
        for (int t = 0; t < 12 && started < 0; ++t) {
            h.tick();
            if (mixerState.voices[0].sample) started = t;
        }
        EXPECT_EQ(started, c.playsOnTick) << std::hex << int(c.param);
    }
}

TEST(Retrigger, MultiRetriggerChangesTheVolumeByItsOperation) {
    const int32_t expected[16] = {32, 31, 30, 28, 24, 16, 21, 16, 32, 33, 34, 36, 40, 48, 48, 64};
    for (uint8_t op = 0; op < 16; ++op) {
        PlayerHarness h(oneCell({c4, 1, 0x30, fx('R'), static_cast<uint8_t>(op << 4 | 1)}));
        h.tick(2);
        EXPECT_EQ(h.channel(0).channelVolume, expected[op]) << int(op);
        EXPECT_EQ(h.channel(0).voice, &mixerState.voices[32]) << "each retrigger starts the note again";
    }
}

TEST(Retrigger, RetriggerAndNoteCutActOnTheirTicks) {
    XmModule module = testModule(2);
    module.patterns[0].set(0, 0, {c4, 1, 0, 0xE, 0x93});
    module.patterns[0].set(0, 1, {c4, 1, 0, 0xE, 0xC2});
    PlayerHarness h(module);
    h.tick(3);
    EXPECT_EQ(h.channel(0).voice, &mixerState.voices[0]);
    EXPECT_EQ(h.channel(1).channelVolume, 0);
    h.tick();
    EXPECT_EQ(h.channel(0).voice, &mixerState.voices[32]);
}

TEST(Finetune, SetFinetuneTunesOnlyTheNoteOfItsOwnCell) {
    XmModule module = testModule(2);
    module.patterns[0].set(0, 0, {c4, 1, 0, 0xE, 0x5F});
    module.patterns[0].set(1, 0, {c4, 0, 0, 0, 0});
    module.patterns[0].set(1, 1, {c4, 1, 0, 0xE, 0x50});
    PlayerHarness h(module);
    h.tick();
    EXPECT_EQ(h.channel(0).period, 4608 - 112 / 2) << "E5F: seven eighths of a semitone up";
    h.tick(6);
    EXPECT_EQ(h.channel(0).period, 4608) << "the next note has the sample's finetune again";
    EXPECT_EQ(h.channel(1).period, 4608 + 128 / 2) << "E50: a semitone down";
    EXPECT_EQ(h.song().instruments[0].samples[0]->finetune, 0);
}

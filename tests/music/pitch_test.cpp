// Periods in both frequency tables, voice steps, and what applyToVoice sends
// to the voices: volume, panning direction and the partner-voice hand-over.
#include "music/pitch.h"

#include <gtest/gtest.h>

#include "tests/music/player_harness.h"

using namespace music;

namespace {

constexpr uint8_t c4 = 49;

uint64_t stepOf(uint64_t hz) { return ((hz / 44100) << 32) | (((hz % 44100) << 32) / 44100); }

}  // namespace

TEST(Periods, NotesAndFinetunesGiveTheTablePeriods) {
    EXPECT_EQ(linearPeriod(48, 0), 4608);
    EXPECT_EQ(linearPeriod(48, -128), 4608 + 64);
    EXPECT_EQ(linearPeriod(48, 127), 4608 - 63);
    EXPECT_EQ(amigaPeriod(48, 0), 1712);
    EXPECT_EQ(amigaPeriod(49, 0), 1615);
    // Between C-4 (1712) and C#4 (1615): 97 * 127 / 128 = 96 below C-4.
    EXPECT_EQ(amigaPeriod(48, 127), 1616);
    EXPECT_EQ(amigaPeriod(48, -128), 1813);
}

TEST(Periods, NotesFarAboveTheKeyboardKeepAPositivePeriod) {
    for (int note = 96; note < 256; ++note) {
        EXPECT_GE(linearPeriod(static_cast<uint8_t>(note), 127), 1) << note;
        EXPECT_GE(amigaPeriod(static_cast<uint8_t>(note), 127), 1) << note;
    }
}

TEST(Frequencies, BothTablesMeetAtMiddleCAndStepsStayFiniteAtTheExtremes) {
    EXPECT_EQ(periodFrequency(true, 4608, 0), 8363);
    EXPECT_EQ(periodFrequency(true, 4608 + 768, 0), 4181);
    EXPECT_EQ(periodFrequency(true, 4608, 768), 16726);
    EXPECT_EQ(periodFrequency(false, 1712, 0), 8362);
    EXPECT_EQ(voiceStep(8363), stepOf(8363));
    EXPECT_EQ(voiceStep(20), stepOf(100));
    // Periods driven to zero or below play at the shortest period, 1.
    EXPECT_EQ(periodFrequency(false, 5, -40), 14317056);
    EXPECT_EQ(periodFrequency(true, -100000, 0), periodFrequency(true, 1, 0));
    EXPECT_LT(periodFrequency(true, 1, 0), 600000);
}

TEST(VoiceHandOver, VolumeAtFullScaleIsHalfTheVoiceRange) {
    PlayerHarness h(testModule());
    MusicChannel& channel = h.channel(0);
    channel.channelVolume = 64;
    channel.volumeEnvValue = 64;
    channel.fadeoutVolume = 65536;
    channel.period = 4608;
    channel.updateFlags = updateVolume | updateFrequency;
    applyToVoice(channel, &emptySample, &h.song());
    EXPECT_EQ(h.voice(0).volume, 127);
    EXPECT_EQ(h.voice(0).step, stepOf(8363));
}

TEST(VoiceHandOver, PanningZeroIsLeftAndTheEnvelopeReachShrinksAtTheEdges) {
    PlayerHarness h(testModule());
    MusicChannel& channel = h.channel(0);
    Voice& voice = h.voice(0);
    voice.volume = 100;
    struct Case {
        int32_t pan, envelope, voicePan, left, right;
    };
    for (Case c : {Case{0, 32, 0, 100, 0}, Case{255, 32, 255, 0, 100}, Case{128, 64, 255, 0, 100},
                   Case{224, 0, 192, 24, 75}, Case{16, 0, 16, 93, 6}}) {
        channel.channelPan = c.pan;
        channel.panningEnvValue = c.envelope;
        channel.updateFlags = updatePanning;
        applyToVoice(channel, &emptySample, &h.song());
        EXPECT_EQ(voice.pan, c.voicePan) << c.pan << " " << c.envelope;
        EXPECT_EQ(voice.targetLeft, c.left) << c.pan;
        EXPECT_EQ(voice.targetRight, c.right) << c.pan;
    }
}

TEST(VoiceHandOver, ZeroPeriodLeavesTheFrequencyAsItWas) {
    PlayerHarness h(testModule());
    MusicChannel& channel = h.channel(0);
    h.voice(0).step = 12345;
    channel.period = 64;
    channel.periodDelta = -64;
    channel.updateFlags = updateFrequency;
    applyToVoice(channel, &emptySample, &h.song());
    EXPECT_EQ(h.voice(0).step, 12345u);
}

TEST(VoiceHandOver, EachNoteStartWhileTheVoiceSoundsMovesToThePartner) {
    XmModule module = testModule(2);
    module.speed = 1;
    for (int row = 0; row < 3; ++row) module.patterns[0].set(row, 1, {c4, 1, 0, 0, 0});
    PlayerHarness h(module);
    h.tick();
    EXPECT_EQ(h.channel(1).voice, &mixerState.voices[1]);
    h.voice(1).position = int64_t{300} << 32;
    h.tick();
    EXPECT_EQ(h.channel(1).voice, &mixerState.voices[33]);
    EXPECT_EQ(mixerState.voices[33].index, 33);
    EXPECT_EQ(mixerState.voices[33].position, 0);
    EXPECT_EQ(mixerState.voices[33].rampFramesLeft, 0);
    EXPECT_EQ(mixerState.voices[1].position, int64_t{300} << 32) << "the old note plays on, ramping out";
    EXPECT_EQ(mixerState.voices[1].targetLeft + mixerState.voices[1].targetRight + mixerState.voices[1].volume, 0);
    EXPECT_GT(mixerState.voices[33].targetLeft, 0);
    h.tick();
    EXPECT_EQ(h.channel(1).voice, &mixerState.voices[1]);

    mixerState.voices[1].sample = nullptr;  // the sample ran out
    h.song().patterns[0].cells[3 * 2 + 1] = Note{c4, 1, 0, 0, 0};
    h.tick();
    EXPECT_EQ(h.channel(1).voice, &mixerState.voices[1]);
}

TEST(VoiceHandOver, StartOffsetAtTheLoopEndPlaysNothing) {
    PlayerHarness h(testModule());
    MusicChannel& channel = h.channel(0);
    Sample& sample = *h.song().instruments[0].samples[0];
    h.voice(0).startOffset = static_cast<int32_t>(sample.loopStart + sample.loopLength);
    channel.updateFlags = triggerNote;
    applyToVoice(channel, &sample, &h.song());
    EXPECT_EQ(h.voice(0).sample, nullptr);
    EXPECT_EQ(h.voice(0).startOffset, 0);
}

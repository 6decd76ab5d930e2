// Envelopes, their placement by Lxx, and the auto-vibrato waveforms.
#include "music/envelope.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/music/player_harness.h"

using namespace music;

namespace {

// An instrument whose volume envelope has the given points and flags.
Instrument withVolumeEnvelope(std::vector<EnvelopePoint> points, uint8_t flags, uint8_t sustain = 0,
                              uint8_t loopStart = 0, uint8_t loopEnd = 0) {
    Instrument instrument{};
    for (size_t i = 0; i < points.size(); ++i) instrument.volumeEnvelope[i] = points[i];
    instrument.volumePointCount = static_cast<uint8_t>(points.size());
    instrument.volumeEnvelopeFlags = flags;
    instrument.volumeSustainPoint = sustain;
    instrument.volumeLoopStart = loopStart;
    instrument.volumeLoopEnd = loopEnd;
    return instrument;
}

std::vector<int32_t> stepValues(MusicChannel& channel, const Instrument& instrument, int ticks) {
    std::vector<int32_t> values;
    for (int t = 0; t < ticks; ++t) {
        stepEnvelope(channel, volumeEnvelopeOf(instrument), EnvelopeTrack::volume);
        values.push_back(channel.volumeEnvValue);
    }
    return values;
}

std::vector<int32_t> autoVibratoDeltas(const Instrument& instrument, int ticks) {
    MusicChannel channel{};
    std::vector<int32_t> deltas;
    for (int t = 0; t < ticks; ++t) {
        channel.periodDelta = 0;
        applyAutoVibrato(channel, instrument);
        deltas.push_back(channel.periodDelta);
    }
    return deltas;
}

constexpr uint8_t on = envelopeOn;

}  // namespace

TEST(Envelope, HoldsAtTheSustainPointUntilKeyOffThenRunsToItsLastPoint) {
    Instrument instrument = withVolumeEnvelope({{0, 64}, {4, 32}, {8, 0}}, on | envelopeSustain, 1);
    MusicChannel channel{};
    EXPECT_EQ(stepValues(channel, instrument, 7), (std::vector<int32_t>{64, 56, 48, 40, 32, 32, 32}));
    channel.keyOff = 1;
    EXPECT_EQ(stepValues(channel, instrument, 5), (std::vector<int32_t>{32, 24, 16, 8, 0}));
    EXPECT_EQ(channel.volumeEnvDone, 1);
}

TEST(Envelope, LoopEndingAtTheLastPointNeverFinishes) {
    Instrument instrument = withVolumeEnvelope({{0, 0}, {2, 64}, {4, 0}}, on | envelopeLoop, 0, 1, 2);
    MusicChannel channel{};
    EXPECT_EQ(stepValues(channel, instrument, 9), (std::vector<int32_t>{0, 32, 64, 32, 64, 32, 64, 32, 64}));
    EXPECT_EQ(channel.volumeEnvDone, 0);
}

TEST(Envelope, PointsSharingTheirTickJumpToTheSecondValue) {
    Instrument instrument = withVolumeEnvelope({{0, 0}, {2, 0}, {2, 64}, {4, 32}}, on);
    MusicChannel channel{};
    EXPECT_EQ(stepValues(channel, instrument, 6), (std::vector<int32_t>{0, 0, 64, 48, 32, 32}));
    EXPECT_EQ(channel.volumeEnvDone, 1);

    Instrument looped = withVolumeEnvelope({{0, 10}, {0, 20}, {4, 0}}, on | envelopeLoop, 0, 0, 1);
    MusicChannel loopChannel{};
    stepValues(loopChannel, looped, 3);  // a loop whose ends share a tick must not hang
}

TEST(Envelope, SetPositionInterpolatesAndStaysInsideThePointsInUse) {
    Instrument instrument = withVolumeEnvelope({{0, 64}, {10, 0}, {20, 40}}, on);
    // A stale point past the ones in use must not take part in the search.
    instrument.volumeEnvelope[3] = {255, 0};
    MusicChannel channel{};
    setVolumeEnvelopePosition(channel, instrument, 5);
    EXPECT_EQ(channel.volumeEnvValue, 32);
    EXPECT_EQ(channel.volumeEnvPoint, 1);
    EXPECT_EQ(stepValues(channel, instrument, 1), (std::vector<int32_t>{25}));
    setVolumeEnvelopePosition(channel, instrument, 30);
    EXPECT_EQ(channel.volumeEnvValue, 40);
    EXPECT_EQ(channel.volumeEnvDone, 1);
}

TEST(Envelope, SetPositionEffectMovesOnlyTheVolumeEnvelope) {
    XmModule module = testModule(1);
    XmInstrument& instrument = module.instruments[0];
    instrument.volumeEnvelope.points = {{0, 0}, {16, 64}};
    instrument.volumeEnvelope.on = true;
    instrument.panningEnvelope.points = {{0, 0}, {16, 64}};
    instrument.panningEnvelope.on = true;
    module.patterns[0].set(0, 0, {49, 1, 0, 21, 8});
    PlayerHarness h(module);
    h.tick();
    EXPECT_EQ(h.channel(0).volumeEnvValue, 32);
    EXPECT_EQ(h.channel(0).panningEnvValue, 0);
}

TEST(AutoVibrato, WaveformsSweepAndUnknownTypesPlayTheSine) {
    struct Case {
        uint8_t type;
        std::vector<int32_t> deltas;  // phases 0, 64, 128, 192 at depth 64
    };
    for (const Case& c : {Case{0, {0, 63, 0, -63}}, Case{1, {64, 64, -64, -64}}, Case{2, {0, -32, 64, 32}},
                          Case{3, {0, 32, 64, -32}}, Case{4, {0, 63, 0, -63}}, Case{255, {0, 63, 0, -63}}}) {
        Instrument instrument{};
        instrument.vibratoType = c.type;
        instrument.vibratoDepth = 64;
        instrument.vibratoRate = 64;
        EXPECT_EQ(autoVibratoDeltas(instrument, 4), c.deltas) << int(c.type);
    }
    Instrument swept{};
    swept.vibratoType = 1;
    swept.vibratoDepth = 64;
    swept.vibratoSweep = 2;
    EXPECT_EQ(autoVibratoDeltas(swept, 3), (std::vector<int32_t>{0, 32, 64}));
}

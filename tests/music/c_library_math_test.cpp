// The engine's values that come from the C library's pow and sin (linear-table
// frequencies, Amiga periods, the vibrato and auto-vibrato sines), pinned as
// one checksum over every input the player can pass. The Windows build runs
// the same test under Wine: mingw-w64's pow and sin differ from glibc's in the
// last bit for some arguments, and this shows none of those is an argument
// the engine uses, so both builds render the same samples.
#include <gtest/gtest.h>

#include <cstdint>

#include "music/envelope.h"
#include "music/pitch.h"

using namespace music;

namespace {

struct Checksum {
    uint64_t value = 1469598103934665603u;  // FNV-1a
    void add(int64_t number) {
        for (int byte = 0; byte < 8; ++byte) {
            value ^= static_cast<uint64_t>(number >> (8 * byte)) & 0xFF;
            value *= 1099511628211u;
        }
    }
};

TEST(CLibraryMath, PitchAndWaveformValuesMatchTheLinuxBuild) {
    Checksum frequencies, frequenciesAgain, periods, vibrato, autoVibrato;
    // Periods are at least 1; beyond 4608 + 13 octaves the frequency is 0.
    // The second pass gets the values the player keeps once worked out.
    for (int32_t period = 1; period <= 16384; ++period) frequencies.add(periodFrequency(true, period, 0));
    for (int32_t period = 1; period <= 16384; ++period) frequenciesAgain.add(periodFrequency(true, period + 5, 5));
    for (int32_t note = 0; note < 256; ++note) {
        for (int32_t finetune = -128; finetune < 128; ++finetune) {
            periods.add(amigaPeriod(static_cast<uint8_t>(note), static_cast<int8_t>(finetune)));
        }
    }
    for (int32_t phase = -32; phase < 32; ++phase) {
        MusicChannel channel{};
        channel.vibPhase = static_cast<int8_t>(phase);
        channel.vibDepth = 15;
        applyVibrato(channel, true);
        vibrato.add(channel.periodDelta);
    }
    Instrument instrument{};
    instrument.vibratoDepth = 15;
    for (uint8_t type : {uint8_t{0}, uint8_t{4}}) {
        instrument.vibratoType = type;
        for (int32_t phase = 0; phase < 256; ++phase) {
            MusicChannel channel{};
            channel.autoVibPhase = phase;
            applyAutoVibrato(channel, instrument);
            autoVibrato.add(channel.periodDelta);
        }
    }
    // Taken from the Linux build (glibc). A change of these formulas on
    // purpose changes them: take the new values from a Linux build's failure
    // message, then check the Windows build passes with them.
    EXPECT_EQ(frequencies.value, 0x24e8f2a9ae23ddd5u);
    EXPECT_EQ(frequenciesAgain.value, frequencies.value);
    EXPECT_EQ(periods.value, 0x9adf0510c55c2a9au);
    EXPECT_EQ(vibrato.value, 0x693611ecef7e59acu);
    EXPECT_EQ(autoVibrato.value, 0xf02da54bf43be693u);
}

}  // namespace

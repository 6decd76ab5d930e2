// The compiler end to end: a source that uses every feature compiles to a
// module that the engine's loader reads back with the instruments, samples,
// envelopes and cells the source describes; the same source gives the same
// bytes; placement mistakes are reported at their line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/music/song_loading.h"
#include "tools/xmcompile/module_builder.h"

using namespace music;

namespace {

// Instruments 1, 2 and 4 have samples, 3 is an explicit empty slot and 5 is
// left out (a gap is an empty slot as well, but only up to the highest number).
constexpr const char* featureSong = R"(
title "features"
channels 4
speed 5
bpm 140
restart 1
frequencies linear

instrument 1 "drum"
  sample "hit"
    bits 8
    rate 11025
    length 0.05
    osc noise decay=0.01
    osc sine hz=120 bend=12 glide=0.01
    filter lowpass 3000
    volume 48
    panning 100
  end
end

instrument 2 "lead"
  volenv 0:0 4:64 10:40 20:48 30:40 sustain=2 loop=2..4
  panenv 0:20 8:44 16:20 loop=0..2
  fadeout 300
  autovibrato square sweep=12 depth=5 rate=20
  sample "low"
    bits 16
    rate 8363
    key C-3
    keys C-0 B-3
    osc saw
    osc square duty=0.25 pwm=2:0.1 amp=0.5
    loop forward start=0.01 cycles=4
  end
  sample "high"
    bits 8
    rate 16726
    keys C-4 B-7
    osc triangle
    chord 0 4 7
    length 0.1
    loop pingpong start=0.02
  end
end

instrument 3 "empty"
end

instrument 4 "pad"
  sample "pad"
    bits 16
    rate 8000
    length 0.08
    osc sine
    loop pingpong
    tune relative=-3 finetune=17
  end
end

track beat rows=4
 0 C-4 01
 2 C-4 01 v20
end

track tune rows=16
 0  C-4 02 v64 A0F
 3  D#5 .. c3
 5  OFF
 6  ... .. .. K00
 8  G-3 04 p12 R41
 10 === .. .. X15
 15 B-7 .. g9 3FF
end

track jump rows=1
 0 ... .. .. B00
end

pattern first rows=16
 1 beat
 2 tune
end

pattern second rows=8 like=first
 2 tune -12 at=2 once
 3 tune at=4 scale=0.5 pan=200
 4 jump merge at=7
end

order first second first
)";

const xmcompile::CompileResult& compiledFeatures() {
    static const xmcompile::CompileResult result = xmcompile::compileSong(featureSong);
    return result;
}

const Note& cellAt(const Song& song, int pattern, int row, int channel) {
    return song.patterns[pattern].cells[row * song.channelCount + channel];
}

void expectCell(const Note& cell, int note, int instrument, int volume, int effect, int param) {
    EXPECT_EQ(cell.note, note);
    EXPECT_EQ(cell.instrument, instrument);
    EXPECT_EQ(cell.volume, volume);
    EXPECT_EQ(cell.effect, effect);
    EXPECT_EQ(cell.param, param);
}

TEST(CompiledModule, HeaderAndOrderListReadBack) {
    const auto& compiled = compiledFeatures();
    ASSERT_TRUE(compiled.ok) << compiled.errorLine << ": " << compiled.error;
    SongPtr song = loadBytes(compiled.bytes);
    ASSERT_TRUE(song);
    expectPlayableSong(*song);
    EXPECT_EQ(song->channelCount, 4);
    EXPECT_EQ(song->defaultSpeed, 5);
    EXPECT_EQ(song->defaultBpm, 140);
    EXPECT_EQ(song->songFlags, linearFrequencyTable);
    EXPECT_EQ(song->songLength, 3);
    EXPECT_EQ(song->restartPosition, 1);
    EXPECT_EQ(song->orderTable[0], 0);
    EXPECT_EQ(song->orderTable[1], 1);
    EXPECT_EQ(song->orderTable[2], 0);
    EXPECT_EQ(song->patternCount, 2);
    EXPECT_EQ(song->patterns[0].rowCount, 16);
    EXPECT_EQ(song->patterns[1].rowCount, 8);
}

TEST(CompiledModule, InstrumentsKeepEnvelopesVibratoFadeoutAndEmptySlots) {
    const auto& compiled = compiledFeatures();
    ASSERT_TRUE(compiled.ok);
    SongPtr song = loadBytes(compiled.bytes);
    ASSERT_TRUE(song);
    ASSERT_EQ(song->instrumentCount, 4);
    EXPECT_EQ(song->instruments[0].sampleCount, 1);
    EXPECT_EQ(song->instruments[1].sampleCount, 2);
    EXPECT_EQ(song->instruments[2].sampleCount, 0);
    EXPECT_EQ(song->instruments[3].sampleCount, 1);

    const Instrument& lead = song->instruments[1];
    ASSERT_EQ(lead.volumePointCount, 5);
    const int volumePoints[5][2] = {{0, 0}, {4, 64}, {10, 40}, {20, 48}, {30, 40}};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(lead.volumeEnvelope[i].x, volumePoints[i][0]);
        EXPECT_EQ(lead.volumeEnvelope[i].y, volumePoints[i][1]);
    }
    EXPECT_EQ(lead.volumeEnvelopeFlags, envelopeOn | envelopeSustain | envelopeLoop);
    EXPECT_EQ(lead.volumeSustainPoint, 2);
    EXPECT_EQ(lead.volumeLoopStart, 2);
    EXPECT_EQ(lead.volumeLoopEnd, 4);
    ASSERT_EQ(lead.panningPointCount, 3);
    EXPECT_EQ(lead.panningEnvelope[1].x, 8);
    EXPECT_EQ(lead.panningEnvelope[1].y, 44);
    EXPECT_EQ(lead.panningEnvelopeFlags, envelopeOn | envelopeLoop);
    EXPECT_EQ(lead.panningLoopEnd, 2);
    EXPECT_EQ(lead.fadeout, 600);  // the loader doubles the stored value
    EXPECT_EQ(lead.vibratoType, 1);
    EXPECT_EQ(lead.vibratoSweep, 12);
    EXPECT_EQ(lead.vibratoDepth, 5);
    EXPECT_EQ(lead.vibratoRate, 20);
    // Notes up to B-3 play the first sample, higher ones the second.
    EXPECT_EQ(lead.sampleMap[0], 0);
    EXPECT_EQ(lead.sampleMap[47], 0);
    EXPECT_EQ(lead.sampleMap[48], 1);
    EXPECT_EQ(lead.sampleMap[95], 1);

    EXPECT_EQ(song->instruments[0].volumeEnvelopeFlags, 0);
    EXPECT_EQ(song->instruments[0].panningEnvelopeFlags, 0);
}

// The loaded frames are the synthesised ones: 8-bit data widened to the high
// byte, 16-bit data as is, so the delta coding of both widths round-trips.
TEST(CompiledModule, SamplesReadBackFrameForFrameWithEveryLoopKind) {
    const auto& compiled = compiledFeatures();
    ASSERT_TRUE(compiled.ok);
    SongPtr song = loadBytes(compiled.bytes);
    ASSERT_TRUE(song);
    struct Expected {
        size_t instrument, sample;
        bool sixteenBit;
        int loopMode;
    };
    for (Expected expected :
         {Expected{0, 0, false, 1}, Expected{1, 0, true, 2}, Expected{1, 1, false, 4}, Expected{3, 0, true, 4}}) {
        SCOPED_TRACE("instrument " + std::to_string(expected.instrument + 1) + " sample " +
                     std::to_string(expected.sample));
        const XmSample& written = compiled.module.instruments[expected.instrument].samples[expected.sample];
        const Sample& loaded = *song->instruments[expected.instrument].samples[expected.sample];
        EXPECT_EQ(written.sixteenBit, expected.sixteenBit);
        EXPECT_EQ(loaded.loopMode, expected.loopMode);
        ASSERT_EQ(loaded.length, written.pcm.size());
        int mismatches = 0;
        for (size_t i = 0; i < written.pcm.size(); ++i) {
            int frame = expected.sixteenBit ? written.pcm[i] : written.pcm[i] * 256;
            if (loaded.data[i] != frame) ++mismatches;
        }
        EXPECT_EQ(mismatches, 0);
        if (expected.loopMode != 1) {
            EXPECT_EQ(loaded.loopStart, written.loopStart);
            EXPECT_EQ(loaded.loopLength, written.loopLength);
            EXPECT_EQ(loaded.loopStart + loaded.loopLength, loaded.length);
        }
    }
    const Sample& hit = *song->instruments[0].samples[0];
    EXPECT_EQ(hit.length, 551u);  // 0.05 s at 11025 Hz
    EXPECT_EQ(hit.volume, 48);
    EXPECT_EQ(hit.panning, 100);
    // 11025 Hz played at C-4 needs 12 log2(11025 / 8363) = 4.78 semitones up.
    EXPECT_EQ(hit.relativeNote, 5);
    EXPECT_EQ(hit.finetune, -28);
    // 16726 Hz is exactly one octave above 8363 Hz.
    const Sample& high = *song->instruments[1].samples[1];
    EXPECT_EQ(high.relativeNote, 12);
    EXPECT_EQ(high.finetune, 0);
    EXPECT_EQ(high.loopStart, 335u);  // 0.02 s at 16726 Hz, rounded
    const Sample& low = *song->instruments[1].samples[0];
    EXPECT_EQ(low.loopStart, 84u);
    EXPECT_EQ(low.loopLength, 256u);  // 4 cycles of C-3 (130.8 Hz) at 8363 Hz, rounded
    const Sample& pad = *song->instruments[3].samples[0];
    EXPECT_EQ(pad.relativeNote, -3);
    EXPECT_EQ(pad.finetune, 17);
    EXPECT_EQ(pad.loopStart, 0u);
    EXPECT_EQ(pad.loopLength, 640u);
}

TEST(CompiledModule, CellsCarryNotesVolumeColumnAndEffectsAsWritten) {
    const auto& compiled = compiledFeatures();
    ASSERT_TRUE(compiled.ok);
    SongPtr song = loadBytes(compiled.bytes);
    ASSERT_TRUE(song);
    // Pattern "first": the 4-row beat repeats on channel 1.
    for (int row : {0, 4, 8, 12}) expectCell(cellAt(*song, 0, row, 0), 49, 1, 0, 0, 0);
    for (int row : {2, 6, 10, 14}) expectCell(cellAt(*song, 0, row, 0), 49, 1, 0x10 + 20, 0, 0);
    expectCell(cellAt(*song, 0, 1, 0), 0, 0, 0, 0, 0);
    expectCell(cellAt(*song, 0, 0, 1), 49, 2, 0x50, 0xA, 0x0F);
    expectCell(cellAt(*song, 0, 3, 1), 64, 0, 0x73, 0, 0);
    expectCell(cellAt(*song, 0, 5, 1), 255, 0, 0, 0, 0);
    expectCell(cellAt(*song, 0, 6, 1), 0, 0, 0, 20, 0x00);
    expectCell(cellAt(*song, 0, 8, 1), 44, 4, 0xCC, 27, 0x41);
    expectCell(cellAt(*song, 0, 10, 1), 255, 0, 0, 33, 0x15);
    expectCell(cellAt(*song, 0, 15, 1), 96, 0, 0xF9, 3, 0xFF);

    // Pattern "second" copies "first", then replaces channel 2 from row 2 on
    // with the tune an octave down, once; the rows before stay.
    expectCell(cellAt(*song, 1, 0, 1), 49, 2, 0x50, 0xA, 0x0F);
    expectCell(cellAt(*song, 1, 1, 1), 0, 0, 0, 0, 0);
    expectCell(cellAt(*song, 1, 2, 1), 37, 2, 0x50, 0xA, 0x0F);
    expectCell(cellAt(*song, 1, 5, 1), 52, 0, 0x73, 0, 0);
    expectCell(cellAt(*song, 1, 7, 1), 255, 0, 0, 0, 0);
    // Channel 3: scaled to half volume, and panned where the cell has no effect.
    expectCell(cellAt(*song, 1, 4, 2), 49, 2, 0x10 + 32, 0xA, 0x0F);
    expectCell(cellAt(*song, 1, 7, 2), 64, 0, 0x73, 0, 0);
    // Channel 4: the merged jump lands on row 7 only.
    expectCell(cellAt(*song, 1, 7, 3), 0, 0, 0, 11, 0);
    expectCell(cellAt(*song, 1, 6, 3), 0, 0, 0, 0, 0);
}

TEST(CompiledModule, ScaledPlacementTakesTheSampleDefaultVolumeAndPansNotesWithoutEffect) {
    auto result = xmcompile::compileSong(R"(
channels 2
instrument 1 "a"
  sample "a"
    osc sine
    length 0.01
    volume 40
  end
end
track t rows=4
 0 C-4 01
 1 C-4 01 v60
 2 C-4 01 .. 10F
end
pattern p rows=4
 1 t scale=0.5 pan=16
end
order p
)");
    ASSERT_TRUE(result.ok) << result.errorLine << ": " << result.error;
    SongPtr song = loadBytes(result.bytes);
    ASSERT_TRUE(song);
    expectCell(cellAt(*song, 0, 0, 0), 49, 1, 0x10 + 20, 8, 16);
    expectCell(cellAt(*song, 0, 1, 0), 49, 1, 0x10 + 30, 8, 16);
    expectCell(cellAt(*song, 0, 2, 0), 49, 1, 0x10 + 20, 1, 0x0F);
}

TEST(CompiledModule, SameSourceGivesTheSameBytes) {
    auto first = xmcompile::compileSong(featureSong);
    auto second = xmcompile::compileSong(featureSong);
    ASSERT_TRUE(first.ok && second.ok);
    EXPECT_EQ(first.bytes, second.bytes);
}

TEST(CompiledModule, PlacementErrorsNameTheirLine) {
    auto result = xmcompile::compileSong(R"(channels 2
track t rows=2
 0 C-7
end
pattern p rows=4
 1 t
 2 t +12
end
order p
)");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorLine, 7);
    EXPECT_NE(result.error.find("out of C-0..B-7"), std::string::npos) << result.error;
}

TEST(CompiledModule, RecipeErrorsNameTheSampleLine) {
    auto result = xmcompile::compileSong(R"(channels 2
instrument 1 "a"
  sample "short loop"
    osc sine
    length 0.1
    loop forward start=0.2
  end
end
track t
 0 C-4 01
end
pattern p
 1 t
end
order p
)");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorLine, 3);
    EXPECT_NE(result.error.find("short loop"), std::string::npos) << result.error;
}

}  // namespace

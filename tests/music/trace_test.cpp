// Golden per-tick traces of whole small modules, played through the offline
// render: row reading, note starts on partner voices, slides, arpeggio,
// envelopes with key-off, and the flow through the order list.
#include "tools/xmtrace/trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "music/render.h"
#include "tests/music/player_harness.h"

using namespace music;

namespace {

struct TraceRun {
    std::string lines;
    int ticksLeft;
};

// The trace of the first `ticks` ticks of the module.
std::string traceOf(const XmModule& module, int ticks) {
    SongPtr song = loadModule(module);
    EXPECT_TRUE(song);
    if (!song || !beginRender(song.get(), 44100)) return {};
    TraceRun run{{}, ticks};
    std::vector<int16_t> out(size_t{44100} * 2);
    renderFrames(
        out.data(), 44100,
        [](const Song& played, void* context) {
            auto* traced = static_cast<TraceRun*>(context);
            if (traced->ticksLeft-- <= 0) return true;
            appendTickTrace(played, traced->lines);
            return false;
        },
        &run);
    endRender();
    return run.lines;
}

}  // namespace

TEST(GoldenTrace, SlidesArpeggioAndPartnerVoices) {
    XmModule module = testModule(2, 3);
    module.speed = 3;
    module.bpm = 125;  // 882 frames per tick
    module.instruments[0].samples[0].volume = 32;
    module.patterns[0].set(0, 0, {49, 1, 0, 0xA, 0x20});
    module.patterns[0].set(1, 0, {49, 0, 0, 0, 0x0C});
    module.patterns[0].set(2, 0, {0, 0, 0xC0, 1, 0x02});
    module.patterns[0].set(1, 1, {61, 1, 0x30, 8, 0xFF});
    EXPECT_EQ(traceOf(module, 9),
              "o0 r0 t0 v0 c0 period 4608 volume 63 pan 128 position 0.0000\n"
              "o0 r0 t1 v0 c0 period 4608 volume 67 pan 128 position 167.2600\n"
              "o0 r0 t2 v0 c0 period 4608 volume 71 pan 128 position 334.5200\n"
              "o0 r1 t0 v0 c0 fading volume 0 pan 128 position 501.7800\n"
              "o0 r1 t0 v1 c1 period 3840 volume 63 pan 255 position 0.0000\n"
              "o0 r1 t0 v32 c0 period 4608 volume 71 pan 128 position 0.0000\n"
              "o0 r1 t1 v1 c1 period 3840 volume 63 pan 255 position 334.5200\n"
              "o0 r1 t1 v32 c0 period 4608+768 volume 71 pan 128 position 167.2600\n"
              "o0 r1 t2 v1 c1 period 3840 volume 63 pan 255 position 669.0400\n"
              "o0 r1 t2 v32 c0 period 4608 volume 71 pan 128 position 501.7800\n"
              "o0 r2 t0 v1 c1 period 3840 volume 63 pan 255 position 3.5600\n"
              "o0 r2 t0 v32 c0 period 4608 volume 71 pan 0 position 669.0400\n"
              "o0 r2 t1 v1 c1 period 3840 volume 63 pan 255 position 338.0800\n"
              "o0 r2 t1 v32 c0 period 4600 volume 71 pan 0 position 836.3000\n"
              "o0 r2 t2 v1 c1 period 3840 volume 63 pan 255 position 672.6000\n"
              "o0 r2 t2 v32 c0 period 4592 volume 71 pan 0 position 4.7600\n");
}

TEST(GoldenTrace, EnvelopeKeyOffFadeoutAndTheWrapAfterABreak) {
    XmModule module = testModule(1, 2);
    module.orders = {0, 1};
    XmInstrument& instrument = module.instruments[0];
    instrument.volumeEnvelope.points = {{0, 64}, {2, 32}, {4, 32}};
    instrument.volumeEnvelope.on = true;
    instrument.volumeEnvelope.sustain = true;
    instrument.volumeEnvelope.sustainPoint = 1;
    instrument.fadeout = 4096;
    module.patterns[0].set(0, 0, {49, 1, 0, 0xF, 0x02});
    module.patterns[0].set(1, 0, {97, 0, 0, 0xD, 0x01});
    module.patterns.emplace_back().rows = 2;
    EXPECT_EQ(traceOf(module, 8),
              "o0 r0 t0 v0 c0 period 4608 volume 127 pan 128 position 0.0000\n"
              "o0 r0 t1 v0 c0 period 4608 volume 95 pan 128 position 167.2600\n"
              "o0 r1 t0 v0 c0 period 4608 volume 55 pan 128 position 334.5200\n"
              "o0 r1 t1 v0 c0 period 4608 volume 47 pan 128 position 501.7800\n"
              "o1 r1 t0 v0 c0 period 4608 volume 39 pan 128 position 669.0400\n"
              "o1 r1 t1 v0 c0 period 4608 volume 31 pan 128 position 836.3000\n"
              "o0 r0 t0 v0 c0 fading volume 0 pan 128 position 3.5600\n"
              "o0 r0 t0 v32 c0 period 4608 volume 127 pan 128 position 0.0000\n"
              "o0 r0 t1 v32 c0 period 4608 volume 95 pan 128 position 167.2600\n");
}

// Offline rendering: the same samples as the device's looping buffer, in any
// chunking, and a stop at the tick a watch picks.
#include "music/render.h"

#include <gtest/gtest.h>

#include <vector>

#include "music/player.h"
#include "output_fixture.h"
#include "song_loading.h"

using namespace music;

using namespace output_test;

namespace {

// A looping tone on two voices whose pitch, gains and tempo change from tick
// to tick, so ramps and passes cut across every block boundary.
struct Tone {
    std::vector<int16_t> data;
    Sample sample{};
    Tone() : data(108) {
        for (int i = 0; i < 100; ++i) data[static_cast<size_t>(i)] = static_cast<int16_t>((i * 997) % 20000 - 10000);
        data[100] = data[10];
        sample = Sample{data.data(), 100, 10, 90, 64, 0, 128, 16, 2, 0};
    }
};
Tone tone;

void wanderingTick(Song* song) {
    int32_t n = tickCount.load();
    tickCount.store(n + 1);
    if (n == 0) {
        for (Voice* voice : {&mixerState.voices[0], &mixerState.voices[33]}) {
            voice->sample = &tone.sample;
            voice->position = 0;
            voice->direction = voiceForward;
        }
    }
    mixerState.voices[0].step = static_cast<uint64_t>(fixedOne) / 3 + static_cast<uint64_t>(n % 7) * 90000000;
    mixerState.voices[0].targetLeft = (n * 37) % 256;
    mixerState.voices[0].targetRight = (n * 91) % 256;
    mixerState.voices[33].step = static_cast<uint64_t>(fixedOne) * 2 + static_cast<uint64_t>(n % 5) * 300000000;
    mixerState.voices[33].targetLeft = n % 3 == 0 ? 0 : 200;
    mixerState.voices[33].targetRight = 120;
    setTempo(song, 60 + (n * 13) % 190);
}

TEST_F(OutputTest, RenderGivesTheSamplesTheDeviceWouldPlay) {
    Song song = makeSong(wanderingTick);
    ASSERT_TRUE(playSong(&song));
    stopSong(&song);
    const int64_t frames = audioOutput.bufferFrames;
    std::vector<int16_t> played(audioOutput.outputBuffer, audioOutput.outputBuffer + 2 * frames);
    closeAudioOutput();

    tickCount.store(0);
    ASSERT_TRUE(beginRender(&song, 44100));
    std::vector<int16_t> rendered(played.size());
    int64_t done = 0;
    for (int64_t chunk : {1, 883, 884, 5000, 7, 30000}) {
        ASSERT_EQ(renderFrames(rendered.data() + 2 * done, chunk), chunk);
        done += chunk;
    }
    ASSERT_EQ(renderFrames(rendered.data() + 2 * done, frames - done), frames - done);
    endRender();
    EXPECT_EQ(rendered, played);
}

bool stopAtThirdTick(const Song&, void*) { return tickCount.load() == 3; }

TEST_F(OutputTest, WatchStopsTheRenderAtTheTickItPicks) {
    Song song = makeSong(markingTick);
    ASSERT_TRUE(beginRender(&song, 44100));
    std::vector<int16_t> out(2 * 10000, 1);
    EXPECT_EQ(renderFrames(out.data(), 10000, stopAtThirdTick), 2 * 882);
    endRender();
    EXPECT_EQ(out[0], 10000);
    EXPECT_EQ(out[2 * 882], 10000);
    EXPECT_EQ(out[2 * 1764], 1) << "nothing written from the stopping tick on";

    // A request that ends exactly where the watch stops learns of the stop
    // from the next one, which writes nothing; a new render starts afresh.
    tickCount.store(0);
    ASSERT_TRUE(beginRender(&song, 44100));
    EXPECT_EQ(renderFrames(out.data(), 1764, stopAtThirdTick), 1764);
    EXPECT_EQ(renderFrames(out.data(), 1000, stopAtThirdTick), 0);
    EXPECT_EQ(renderFrames(out.data(), 1000), 0);
    tickCount.store(0);
    ASSERT_TRUE(beginRender(&song, 44100));
    EXPECT_EQ(renderFrames(out.data(), 1000), 1000);
    endRender();
}

bool reachesOrderTwo(const Song& song, void*) { return song.orderPosition == 2; }

TEST_F(OutputTest, ScanPassesTheRendersTicksWithoutMixing) {
    // Three orders with speed and tempo changes on the way.
    XmModule module = withOneSample(eightBit(std::vector<int16_t>(64, 50)));
    module.orders = {0, 1, 0};
    module.patterns[0].rows = 8;
    module.patterns[0].set(0, 0, {49, 1, 0, 0, 0});
    module.patterns[0].set(3, 1, {0, 0, 0, 15, 0x50});
    XmPattern& second = module.patterns.emplace_back();
    second.rows = 5;
    second.set(1, 2, {0, 0, 0, 15, 0x03});
    second.set(2, 3, {0, 0, 0, 15, 0xA0});
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    std::vector<int16_t> pcm(2 * 200000);
    ASSERT_TRUE(beginRender(song.get(), 44100));
    int64_t rendered = renderFrames(pcm.data(), 200000, reachesOrderTwo);
    endRender();
    ASSERT_TRUE(beginRender(song.get(), 44100));
    int64_t scanned = scanFrames(1000000, reachesOrderTwo);
    EXPECT_EQ(song->playedFrames, scanned);
    EXPECT_EQ(song->orderPosition, 2);
    endRender();
    // 8 rows at speed 6: 3 at 125 BPM, 5 at 80 BPM; then 1 row at 6 ticks and
    // 4 at 3 ticks, the first of them at 80 BPM and the last 3 at 160 BPM.
    EXPECT_EQ(rendered, 18 * 882 + 30 * 1378 + 6 * 1378 + 3 * 1378 + 9 * 689);
    EXPECT_EQ(scanned, rendered);
}

TEST_F(OutputTest, RenderIsRefusedWhileTheDevicePlays) {
    Song song = makeSong(markingTick);
    ASSERT_TRUE(playSong(&song));
    EXPECT_FALSE(beginRender(&song, 44100));
    stopSong(&song);
    EXPECT_FALSE(beginRender(nullptr, 44100));
    EXPECT_FALSE(beginRender(&song, 0));
}

TEST_F(OutputTest, RenderAtAnotherRateLeavesTheOpenOutputsTempoAlone) {
    Song song = makeSong(markingTick);
    ASSERT_TRUE(beginRender(&song, 22050));
    EXPECT_EQ(song.framesPerTick, 441);
    endRender();
    ASSERT_TRUE(playSong(&song));
    stopSong(&song);
    EXPECT_EQ(song.framesPerTick, 882);
    EXPECT_EQ(mixerState.rampLength, 128);
}

}  // namespace

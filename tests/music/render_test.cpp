// Offline rendering: the same samples as the device's looping buffer, in any
// chunking, and a stop at the tick a watch picks.
#include "music/render.h"

#include <gtest/gtest.h>

#include <vector>

#include "output_fixture.h"

using namespace output_test;

namespace {

// A looping tone on two voices whose pitch, gains and tempo change from tick
// to tick, so ramps and passes cut across every block boundary.
struct Tone {
    std::vector<int16_t> data;
    Sample sample{};
    Tone() : data(108) {
        for (int i = 0; i < 100; ++i) data[i] = static_cast<int16_t>((i * 997) % 20000 - 10000);
        data[100] = data[10];
        sample = Sample{data.data(), 100, 10, 90, 64, 0, 128, 16, 2, 0};
    }
};
Tone tone;

void wanderingTick(Song* song) {
    int32_t n = tickCount.load();
    tickCount.store(n + 1);
    if (n == 0) {
        for (int v : {0, 33}) {
            voices[v].sample = &tone.sample;
            voices[v].position = 0;
            voices[v].direction = voiceForward;
        }
    }
    voices[0].step = static_cast<uint64_t>(fixedOne) / 3 + static_cast<uint64_t>(n % 7) * 90000000;
    voices[0].targetLeft = (n * 37) % 256;
    voices[0].targetRight = (n * 91) % 256;
    voices[33].step = static_cast<uint64_t>(fixedOne) * 2 + static_cast<uint64_t>(n % 5) * 300000000;
    voices[33].targetLeft = n % 3 == 0 ? 0 : 200;
    voices[33].targetRight = 120;
    setTempo(song, 60 + (n * 13) % 190);
}

TEST_F(OutputTest, RenderGivesTheSamplesTheDeviceWouldPlay) {
    Song song = makeSong(wanderingTick);
    ASSERT_TRUE(playSong(&song));
    stopSong(&song);
    const int64_t frames = bufferFrames;
    std::vector<int16_t> played(outputBuffer, outputBuffer + 2 * frames);
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
    EXPECT_EQ(rampLength, 128);
}

}  // namespace

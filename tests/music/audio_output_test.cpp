// Audio output over the virtual device: sizes, refusals, ticks on exact
// frames, refills that follow the play position, and the hand-over at stop.
#include "music/audio_output.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "output_fixture.h"

using namespace output_test;

namespace {

// Frames of the looping buffer that carry a tick mark, in order.
std::vector<int32_t> markedFrames(int32_t firstFrame, int32_t frames) {
    std::vector<int32_t> marks;
    for (int32_t f = firstFrame; f < firstFrame + frames; ++f) {
        if (outputBuffer[2 * f] == 10000)
            marks.push_back(f);
        else
            EXPECT_EQ(outputBuffer[2 * f], 0) << f;
    }
    return marks;
}

// Waits (up to a few seconds) until the output thread has run `ticks` ticks.
bool waitForTicks(int32_t ticks) {
    for (int i = 0; i < 2000 && tickCount.load() < ticks; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return tickCount.load() >= ticks;
}

TEST(AudioOutputOpen, SizesFollowTheRate) {
    installDummyFileRoutines();
    installAudioDevice(virtualAudioDevice());
    failVirtualOpen(false);
    struct Case {
        int32_t rate, block, buffer, ramp;
    };
    for (Case c : {Case{44100, 884, 88400, 128}, Case{22050, 444, 44400, 64}, Case{48000, 960, 96000, 139}}) {
        ASSERT_TRUE(openAudioOutput(c.rate));
        EXPECT_EQ(blockFrames, c.block);
        EXPECT_EQ(bufferFrames, c.buffer);
        EXPECT_EQ(blockCount, 100);
        EXPECT_EQ(rampLength, c.ramp);
        EXPECT_EQ(virtualDeviceState().rate, c.rate);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(mixBuffer) % 16, 0u);
        closeAudioOutput();
        EXPECT_FALSE(virtualDeviceState().open);
    }
}

TEST(AudioOutputOpen, RefusesWithoutFileRoutinesDeviceOrRate) {
    installAudioDevice(virtualAudioDevice());
    failVirtualOpen(false);
    installFileCallbacks(openNothing, closeNothing, readNothing, seekNothing, nullptr);
    EXPECT_FALSE(openAudioOutput(44100));
    EXPECT_FALSE(virtualDeviceState().open);

    installDummyFileRoutines();
    installAudioDevice(nullptr);
    EXPECT_FALSE(openAudioOutput(44100));

    installAudioDevice(virtualAudioDevice());
    EXPECT_FALSE(openAudioOutput(0));
    EXPECT_FALSE(openAudioOutput(-44100));

    failVirtualOpen(true, "no such card");
    EXPECT_FALSE(openAudioOutput(44100));
    EXPECT_STREQ(audioOutputError(), "no such card");
    failVirtualOpen(false);

    Song song = makeSong(markingTick);
    EXPECT_FALSE(playSong(&song)) << "no output is open";
}

TEST_F(OutputTest, OpeningZeroesTheVoices) {
    voices[5].sample = &impulse.sample;
    voices[5].targetLeft = 99;
    closeAudioOutput();
    ASSERT_TRUE(openAudioOutput(44100));
    for (int32_t v = 0; v < voiceCount; ++v) {
        EXPECT_EQ(voices[v].index, v);
        EXPECT_EQ(voices[v].sample, nullptr);
        EXPECT_EQ(voices[v].targetLeft, 0);
        EXPECT_EQ(voices[v].step, static_cast<uint64_t>(fixedOne));
    }
}

TEST_F(OutputTest, TicksAt125BpmFallEvery882FramesAcrossBlocks) {
    Song song = makeSong(markingTick);
    ASSERT_TRUE(playSong(&song));
    stopSong(&song);
    // The whole buffer was rendered before the device started.
    EXPECT_EQ(virtualDeviceState().starts, 1);
    EXPECT_EQ(virtualDeviceState().buffer, outputBuffer);
    std::vector<int32_t> marks = markedFrames(0, bufferFrames);
    ASSERT_EQ(marks.size(), 101u);  // ceil(88,400 / 882)
    for (size_t i = 0; i < marks.size(); ++i) EXPECT_EQ(marks[i], 882 * static_cast<int32_t>(i));
    // Block 0 holds ticks at its frames 0 and 882, block 1 at 880, block 2 at 878.
    EXPECT_EQ(marks[1] - 0 * 884, 882);
    EXPECT_EQ(marks[2] - 1 * 884, 880);
    EXPECT_EQ(marks[3] - 2 * 884, 878);
    EXPECT_EQ(song.framesLeftInTick, 882 - (88400 - 882 * 100));
}

TEST_F(OutputTest, PositionSeveralBlocksOnIsCaughtUpOldestFirst) {
    Song song = makeSong(markingTick);
    ASSERT_TRUE(playSong(&song));
    int32_t ticksBefore = tickCount.load();
    // Three whole blocks played and a bit of the fourth.
    setVirtualPosition(3 * 884 + 100);
    ASSERT_TRUE(waitForTicks(ticksBefore + 3));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    stopSong(&song);
    EXPECT_EQ(writeBlock, 3);
    EXPECT_EQ(tickCount.load(), ticksBefore + 3);
    EXPECT_EQ(tickBlocks[ticksBefore], 0);
    EXPECT_EQ(tickBlocks[ticksBefore + 1], 1);
    EXPECT_EQ(tickBlocks[ticksBefore + 2], 2);
    // Rerendered blocks carry the second lap's ticks (absolute frames 89,082,
    // 89,964 and 90,846); block 3 still holds the first lap's.
    EXPECT_EQ(markedFrames(0, 3 * 884), (std::vector<int32_t>{682, 1564, 2446}));
    EXPECT_EQ(markedFrames(3 * 884, 884), (std::vector<int32_t>{3528}));
}

TEST_F(OutputTest, PlayPositionBeyondThirtyTwoBitsOfBytesKeepsItsBlock) {
    Song song = makeSong(markingTick);
    ASSERT_TRUE(playSong(&song));
    int32_t ticksBefore = tickCount.load();
    // 4.42 billion frames (17.7 GB of PCM) played: a 32-bit byte count would
    // have wrapped four times and pointed at another block.
    setVirtualPosition(int64_t{88400} * 50000 + 7 * 884 + 5);
    ASSERT_TRUE(waitForTicks(ticksBefore + 7));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    stopSong(&song);
    EXPECT_EQ(writeBlock, 7);
}

// Tick handler that takes a while, so that a stop arrives mid-block.
std::atomic<bool> insideTick{false};
void slowTick(Song* song) {
    insideTick.store(true);
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    markingTick(song);
    insideTick.store(false);
}

TEST_F(OutputTest, StopAndFreeReturnOnlyAfterTheThreadHasLetGo) {
    std::atomic<bool> deviceRunning{true};
    // Plays at about 40 times real time so that the thread keeps rendering.
    std::thread device([&] {
        int64_t frames = 0;
        while (deviceRunning.load()) {
            frames += 884;
            setVirtualPosition(frames);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    for (int cycle = 0; cycle < 20; ++cycle) {
        auto* song = new Song(makeSong(slowTick, static_cast<int16_t>(200 + cycle)));
        ASSERT_TRUE(playSong(song));
        std::this_thread::sleep_for(std::chrono::milliseconds(2 + cycle % 5));
        // Every other cycle frees the playing song outright. Either way the
        // song goes away at once; a thread still rendering it would touch
        // freed memory under the sanitizers.
        if (cycle % 2 == 0) {
            ASSERT_TRUE(stopSong(song));
            EXPECT_FALSE(insideTick.load());
            delete song;
        } else {
            ASSERT_TRUE(freeSong(song));
            EXPECT_FALSE(insideTick.load());
        }
        EXPECT_FALSE(blockBusy.load());
        EXPECT_TRUE(threadFinished.load());
        EXPECT_EQ(currentSong, nullptr);
        int32_t ticks = tickCount.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(tickCount.load(), ticks);
    }
    deviceRunning.store(false);
    device.join();
}

TEST_F(OutputTest, CloseWhilePlayingStopsTheThreadFirst) {
    Song song = makeSong(markingTick);
    ASSERT_TRUE(playSong(&song));
    setVirtualPosition(5 * 884);
    closeAudioOutput();
    EXPECT_TRUE(threadFinished.load());
    EXPECT_EQ(currentSong, nullptr);
    EXPECT_FALSE(virtualDeviceState().open);
    EXPECT_EQ(outputBuffer, nullptr);
}

TEST_F(OutputTest, ExitingWhilePlayingStopsTheThreadInsteadOfAborting) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static Song song = makeSong(markingTick);
            if (!playSong(&song)) std::_Exit(2);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace

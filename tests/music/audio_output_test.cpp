// Audio output over the virtual device: sizes, refusals, ticks on exact
// frames, refills that follow the play position, and the hand-over at stop.
#include "music/audio_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "output_fixture.h"

using namespace music;

using namespace output_test;

namespace {

// Frames of the looping buffer that carry a tick mark, in order.
std::vector<int32_t> markedFrames(int32_t firstFrame, int32_t frames) {
    std::vector<int32_t> marks;
    for (int32_t f = firstFrame; f < firstFrame + frames; ++f) {
        if (audioOutput.outputBuffer[2 * f] == 10000)
            marks.push_back(f);
        else
            EXPECT_EQ(audioOutput.outputBuffer[2 * f], 0) << f;
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
        EXPECT_EQ(audioOutput.blockFrames, c.block);
        EXPECT_EQ(audioOutput.bufferFrames, c.buffer);
        EXPECT_EQ(audioOutput.blockCount, 100);
        EXPECT_EQ(mixerState.rampLength, c.ramp);
        EXPECT_EQ(virtualDeviceState().rate, c.rate);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(audioOutput.mixBuffer) % 16, 0u);
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

    // A refused open leaves the rate that every tempo and pitch follows.
    ASSERT_TRUE(openAudioOutput(22050));
    failVirtualOpen(true, "no such card");
    EXPECT_FALSE(openAudioOutput(44100));
    EXPECT_STREQ(audioOutputError(), "no such card");
    EXPECT_EQ(audioOutput.outputRate, 22050);
    EXPECT_EQ(mixerState.mixRate, 22050);
    failVirtualOpen(false);
    EXPECT_FALSE(openAudioOutput(96));
    EXPECT_EQ(audioOutput.outputRate, 22050);
    EXPECT_EQ(mixerState.mixRate, 22050);
    ASSERT_TRUE(openAudioOutput(44100));
    closeAudioOutput();

    Song song = makeSong(markingTick);
    EXPECT_FALSE(playSong(&song)) << "no output is open";
}

TEST_F(OutputTest, OpeningZeroesTheVoices) {
    mixerState.voices[5].sample = &impulse.sample;
    mixerState.voices[5].targetLeft = 99;
    closeAudioOutput();
    ASSERT_TRUE(openAudioOutput(44100));
    for (int32_t v = 0; v < voiceCount; ++v) {
        const Voice& voice = mixerState.voices[static_cast<size_t>(v)];
        EXPECT_EQ(voice.index, v);
        EXPECT_EQ(voice.sample, nullptr);
        EXPECT_EQ(voice.targetLeft, 0);
        EXPECT_EQ(voice.step, static_cast<uint64_t>(fixedOne));
    }
}

TEST_F(OutputTest, TicksAt125BpmFallEvery882FramesAcrossBlocks) {
    Song song = makeSong(markingTick);
    ASSERT_TRUE(playSong(&song));
    stopSong(&song);
    // The whole buffer was rendered before the device started.
    EXPECT_EQ(virtualDeviceState().starts, 1);
    EXPECT_EQ(virtualDeviceState().buffer, audioOutput.outputBuffer);
    std::vector<int32_t> marks = markedFrames(0, audioOutput.bufferFrames);
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
    EXPECT_EQ(audioOutput.writeBlock, 3);
    EXPECT_EQ(tickCount.load(), ticksBefore + 3);
    const size_t firstTick = static_cast<size_t>(ticksBefore);
    EXPECT_EQ(tickBlocks[firstTick], 0);
    EXPECT_EQ(tickBlocks[firstTick + 1], 1);
    EXPECT_EQ(tickBlocks[firstTick + 2], 2);
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
    EXPECT_EQ(audioOutput.writeBlock, 7);
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
        EXPECT_FALSE(audioOutput.blockBusy.load());
        EXPECT_TRUE(audioOutput.threadFinished.load());
        EXPECT_EQ(audioOutput.currentSong, nullptr);
        int32_t ticks = tickCount.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(tickCount.load(), ticks);
    }
    deviceRunning.store(false);
    device.join();
}

// The reader's half of the hand-over on its own: a ring of 8 frames holding
// 1..8, read in steps by one reader while the rendered span moves.
TEST(AudioOutputRingReader, PlaysOnlyTheRenderedSpanAndCountsEachRunOfSilenceOnce) {
    std::array<int16_t, 16> ring{};
    for (size_t i = 0; i < 8; ++i) ring[2 * i] = ring[2 * i + 1] = static_cast<int16_t>(i + 1);
    struct Step {
        int64_t from, until;  // the span published before the read
        int64_t first;        // the read: frames [first, first + heard.size())
        std::vector<int16_t> heard;
        int64_t underruns, missedFrames;  // the counts after it
        bool stop = false;
    };
    const Step steps[] = {
        {0, 8, 0, {1, 2, 3, 4}, 0, 0},
        {0, 8, 6, {7, 8, 0, 0}, 1, 2},                 // runs out at the span's end
        {0, 8, 10, {0, 0}, 1, 4},                      // the same run goes on
        {8, 16, 12, {5, 6}, 1, 4},                     // the next lap
        {8, 18, 14, {7, 8, 1, 2}, 1, 4},               // across the ring's wrap
        {20, 24, 18, {0, 0, 5, 6}, 2, 6},              // resumed later: frames before it are missing
        {20, 24, 22, {7, 8, 0, 0}, 3, 8},              // and after it
        {20, 24, 26, {0, 0, 0}, 3, 8, /*stop=*/true},  // stopped: silence is not missing
    };
    RingHandOver handOver;
    for (const Step& step : steps) {
        handOver.renderedFrom.store(step.from);
        handOver.renderedUntil.store(step.until);
        handOver.stopped.store(step.stop);
        const int32_t frames = static_cast<int32_t>(step.heard.size());
        std::vector<int16_t> out(2 * step.heard.size(), -1);
        readRenderedFrames(handOver, ring.data(), 8, step.first, out.data(), frames);
        std::vector<int16_t> left;
        for (size_t f = 0; f < step.heard.size(); ++f) {
            left.push_back(out[2 * f]);
            EXPECT_EQ(out[2 * f + 1], out[2 * f]);
        }
        EXPECT_EQ(left, step.heard) << "read at " << step.first;
        EXPECT_EQ(handOver.underruns.load(), step.underruns) << "read at " << step.first;
        EXPECT_EQ(handOver.missedFrames.load(), step.missedFrames) << "read at " << step.first;
    }
}

// The virtual device playing in chunks of at most 1,024 frames, as SDL's
// callback does. Returns the stream frames it heard a tick mark at.
std::vector<int64_t> playAndMark(int64_t frames) {
    std::vector<int64_t> marks;
    std::array<int16_t, 2 * 1024> chunk{};
    while (frames > 0) {
        const int64_t first = virtualAudioDevice()->position();
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(frames, 1024));
        playVirtualFrames(chunk.data(), n);
        for (int32_t f = 0; f < n; ++f) {
            const int16_t left = chunk[2 * static_cast<size_t>(f)];
            if (left == 10000)
                marks.push_back(first + f);
            else
                EXPECT_EQ(left, 0) << first + f;
        }
        frames -= n;
    }
    return marks;
}

std::vector<int64_t> multiplesOf882(int64_t from, int64_t until) {
    std::vector<int64_t> marks;
    for (int64_t f = (from + 881) / 882 * 882; f < until; f += 882) marks.push_back(f);
    return marks;
}

template <class Ready>
bool waitFor(Ready ready) {
    for (int i = 0; i < 2500 && !ready(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return ready();
}

// A tick handler that holds the output thread inside its block while
// holdWriter is set (the main thread's pre-render runs before it is set).
std::atomic<bool> holdWriter{false};
std::atomic<bool> writerHeld{false};
// Lets the writer go however the test ends, so the stop can join it.
struct WriterHold {
    WriterHold() { holdWriter.store(true); }
    ~WriterHold() { holdWriter.store(false); }
};
void holdingTick(Song* song) {
    markingTick(song);
    while (holdWriter.load()) {
        writerHeld.store(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    writerHeld.store(false);
}

constexpr int64_t block = 884, lap = 88400;

TEST_F(OutputTest, ADeviceThatPlaysIntoABlockStillBeingRenderedHearsSilenceAndCountsIt) {
    Song song = makeSong(holdingTick);
    ASSERT_TRUE(playSong(&song));
    WriterHold hold;
    EXPECT_EQ(playAndMark(block), multiplesOf882(0, block));
    // The output thread now re-renders block 0 for the second lap and is held there.
    ASSERT_TRUE(waitFor([] { return writerHeld.load(); }));
    EXPECT_EQ(playAndMark(lap - block + 300), multiplesOf882(block, lap));
    EXPECT_EQ(outputUnderruns().underruns, 1);
    EXPECT_EQ(outputUnderruns().missedFrames, 300);

    // Once the block is done, the rest of it plays as rendered.
    holdWriter.store(false);
    ASSERT_TRUE(waitFor([] { return virtualRenderedUntil() >= 2 * lap; }));
    EXPECT_EQ(playAndMark(block - 300), multiplesOf882(lap + 300, lap + block));
    EXPECT_EQ(outputUnderruns().underruns, 1);
    EXPECT_EQ(outputUnderruns().missedFrames, 300);
    stopSong(&song);
}

TEST_F(OutputTest, AfterTheDeviceLapsAHeldWriterTheSongGoesOnFromTheBlockAfterThePlayedOne) {
    Song song = makeSong(holdingTick);
    ASSERT_TRUE(playSong(&song));
    WriterHold hold;
    playAndMark(block);
    ASSERT_TRUE(waitFor([] { return writerHeld.load(); }));
    EXPECT_EQ(playAndMark(lap - block), multiplesOf882(block, lap));
    // A whole lap and three blocks more of silence.
    const int64_t heldUntil = 2 * lap + 3 * block + 100;
    EXPECT_TRUE(playAndMark(heldUntil - lap).empty());
    holdWriter.store(false);

    // Rendering resumes with the block after the one being played (block 3
    // of that lap); the song goes on where the held block (block 0 of the
    // second lap) ended, so its ticks are shifted by the frames lost.
    const int64_t resumed = (heldUntil / block + 1) * block;
    ASSERT_TRUE(waitFor([&] { return virtualRenderedUntil() >= resumed + lap - block; }));
    const int64_t shift = resumed - (lap + block);
    std::vector<int64_t> shifted = multiplesOf882(lap + block, lap + 3 * block);
    for (int64_t& f : shifted) f += shift;
    EXPECT_EQ(playAndMark(resumed + 2 * block - heldUntil), shifted);
    EXPECT_EQ(outputUnderruns().underruns, 1);
    EXPECT_EQ(outputUnderruns().missedFrames, resumed - lap);
    stopSong(&song);
}

// The device's reader on a thread of its own, copying in chunks at several
// times real time while the output thread renders; run under
// ThreadSanitizer, this checks the hand-over's ordering. Every frame is heard
// in order, none missing, and after the stop the rest plays out and then
// silence that counts as no underrun.
TEST_F(OutputTest, AReaderOnItsOwnThreadHearsEveryRenderedFrameInOrder) {
    Song song = makeSong(markingTick);
    ASSERT_TRUE(playSong(&song));
    const int64_t total = 5 * lap / 2;
    std::vector<int64_t> marks;
    std::thread reader([&] {
        std::array<int16_t, 2 * 1024> chunk{};
        for (int64_t first = 0; first < total; first += 1024) {
            const int32_t n = static_cast<int32_t>(std::min<int64_t>(total - first, 1024));
            playVirtualFrames(chunk.data(), n);
            for (int32_t f = 0; f < n; ++f) {
                const int16_t left = chunk[2 * static_cast<size_t>(f)];
                if (left != 0) marks.push_back(left == 10000 ? first + f : -(first + f));
            }
            // 1,024 frames last 23 ms at 44,100 Hz: about 4.6 times real time.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    reader.join();
    EXPECT_EQ(marks, multiplesOf882(0, total));
    EXPECT_EQ(outputUnderruns().underruns, 0);
    stopSong(&song);
    playAndMark(2 * lap);
    EXPECT_EQ(outputUnderruns().underruns, 0);
    EXPECT_EQ(outputUnderruns().missedFrames, 0);
}

TEST_F(OutputTest, CloseWhilePlayingStopsTheThreadFirst) {
    Song song = makeSong(markingTick);
    ASSERT_TRUE(playSong(&song));
    setVirtualPosition(5 * 884);
    closeAudioOutput();
    EXPECT_TRUE(audioOutput.threadFinished.load());
    EXPECT_EQ(audioOutput.currentSong, nullptr);
    EXPECT_FALSE(virtualDeviceState().open);
    EXPECT_EQ(audioOutput.outputBuffer, nullptr);
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

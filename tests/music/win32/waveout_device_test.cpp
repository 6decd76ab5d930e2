// The waveOut sound device on a real wave output (under Wine, a PulseAudio
// null sink): it plays the looping buffer through the ring hand-over, so that
// frames not rendered are silence counted as underruns while a song plays and
// not once it has stopped, and its position keeps counting laps of the buffer.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "music/audio_device.h"
#include "music/audio_output.h"
#include "tests/music/song_loading.h"

using namespace music;

namespace {

// Polls the device until `done` holds or half a minute has passed (Wine's
// null sink runs slow on a busy machine). False on the timeout.
bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(WaveOutDevice, PlaysOnlyTheRenderedSpanAndCountsTheRestOnlyWhilePlaying) {
    if (waveOutGetNumDevs() == 0) GTEST_SKIP() << "no wave output device on this machine";
    const AudioDevice* device = systemAudioDevice();
    ASSERT_TRUE(device->open(44100)) << device->error();

    constexpr int32_t frames = 8840;  // a fifth of a second: a few laps in a test's time
    constexpr int64_t rendered = 2000;
    std::vector<int16_t> buffer(2 * frames, 1000);
    RingHandOver handOver;
    handOver.renderedUntil.store(rendered);
    device->start(buffer.data(), frames, &handOver);

    // Past the rendered span while playing: one run of missing frames, all
    // of those played so far past the span.
    ASSERT_TRUE(waitFor([&] { return device->position() >= 3 * rendered; })) << "the device does not play";
    const int64_t before = device->position();
    const int64_t missed = handOver.missedFrames.load();
    const int64_t after = device->position();
    EXPECT_EQ(handOver.underruns.load(), 1);
    EXPECT_GE(missed, before - rendered);
    EXPECT_LE(missed, after - rendered);

    // Stopped, as stopPlayback does: the silence that follows is the end of
    // the song, and the position goes on counting past the buffer's end.
    handOver.stopped.store(true);
    const int64_t stoppedAt = device->position();
    const int64_t missedAtStop = handOver.missedFrames.load();
    int64_t last = stoppedAt;
    bool monotonic = true;
    EXPECT_TRUE(waitFor([&] {
        const int64_t position = device->position();
        monotonic = monotonic && position >= last;
        last = position;
        return position >= stoppedAt + frames * 3 / 2;
    })) << "the position stopped at "
        << last;
    EXPECT_TRUE(monotonic);
    EXPECT_EQ(handOver.underruns.load(), 1);
    // At most the read that was under way when the flag was set.
    EXPECT_LE(handOver.missedFrames.load() - missedAtStop, 4608);

    device->reset();
    device->reset();
    device->close();
    device->close();
}

// Two channels of looping samples, so that nearly every frame is sound.
XmModule twoLoopingChannels() {
    XmModule module;
    module.channels = 2;
    module.orders = {0};
    XmPattern& pattern = module.patterns.emplace_back();
    pattern.rows = 64;
    pattern.set(0, 0, {49, 1, 0, 0, 0});
    pattern.set(0, 1, {56, 2, 0, 0, 0});
    for (int i = 0; i < 2; ++i) {
        XmSample sample;
        sample.sixteenBit = true;
        for (int f = 0; f < 64; ++f) sample.pcm.push_back(static_cast<int16_t>((f * 997 + i * 5000) % 20000 - 10000));
        sample.loop = XmLoop::forward;
        sample.loopLength = 64;
        module.instruments.emplace_back().samples.push_back(sample);
    }
    return module;
}

TEST(WaveOutDevice, PlaysASongThroughTheOutputWithoutUnderrunsAndPlaysOutAfterStop) {
    if (waveOutGetNumDevs() == 0) GTEST_SKIP() << "no wave output device on this machine";
    SongPtr song = loadBytes(writeXm(twoLoopingChannels()));
    ASSERT_TRUE(song);
    installMemoryFileCallbacks();
    installAudioDevice(systemAudioDevice());
    ASSERT_TRUE(openAudioOutput(44100)) << audioOutputError();
    ASSERT_TRUE(playSong(song.get()));
    // More than half of the buffer: the output thread rewrites blocks while
    // the reader copies others.
    const AudioDevice* device = systemAudioDevice();
    EXPECT_TRUE(waitFor([&] { return device->position() >= 50000; })) << "the device does not play";
    stopSong(song.get());
    EXPECT_EQ(outputUnderruns().underruns, 0);

    // The device goes on with what was rendered, which is not an underrun.
    const int64_t stoppedAt = device->position();
    EXPECT_TRUE(waitFor([&] { return device->position() >= stoppedAt + 10000; })) << "the device stopped";
    EXPECT_EQ(outputUnderruns().underruns, 0);
    closeAudioOutput();
}

}  // namespace

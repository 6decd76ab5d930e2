// The waveOut sound device on a real wave output (under Wine, a PulseAudio
// null sink): the one looping buffer keeps playing past its end and the play
// position keeps counting, and reset and close are harmless to repeat.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <chrono>
#include <thread>
#include <vector>

#include "music/audio_device.h"

namespace {

TEST(WaveOutDevice, LoopsTheBufferAndCountsTheFramesPlayedPastItsEnd) {
    if (waveOutGetNumDevs() == 0) GTEST_SKIP() << "no wave output device on this machine";
    const AudioDevice* device = systemAudioDevice();
    ASSERT_TRUE(device->open(44100)) << device->error();

    constexpr int32_t frames = 8840;  // a fifth of a second: a few laps in a test's time
    std::vector<int16_t> buffer(2 * frames, 0);
    device->start(buffer.data(), frames, nullptr);
    int64_t last = 0;
    bool monotonic = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (last < frames * 3 / 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const int64_t position = device->position();
        monotonic = monotonic && position >= last;
        last = position;
    }
    EXPECT_TRUE(monotonic);
    EXPECT_GE(last, frames * 3 / 2) << "the position stopped at the end of the buffer";

    device->reset();
    device->reset();
    device->close();
    device->close();
}

}  // namespace

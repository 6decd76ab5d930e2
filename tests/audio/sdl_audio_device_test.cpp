// The SDL device behind the audio output: SDL's own audio thread runs the
// callback, which copies from the looping buffer through the ring hand-over.
// SDL's disk driver plays at real-time pace into a file, so what the device
// played can be compared with the offline render of the same song; under
// ThreadSanitizer this also checks the callback against the output thread.
#include "music/audio_device.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "music/audio_output.h"
#include "music/render.h"
#include "tests/music/song_loading.h"

using namespace music;

namespace {

// Two channels of looping samples, so that nearly every frame is sound.
XmModule twoLoopingChannels() {
    XmModule module;
    module.channels = 2;
    module.orders = {0};
    XmPattern& pattern = module.patterns.emplace_back();
    pattern.rows = 64;
    pattern.set(0, 0, {49, 1, 0, 0, 0});
    pattern.set(0, 1, {56, 2, 0, 0, 0});
    pattern.set(32, 0, {51, 2, 0, 0x4, 0x46});
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

std::vector<int16_t> readPcm(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(stream), {}};
    std::vector<int16_t> pcm(bytes.size() / 2);
    std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
    return pcm;
}

// The index of the first non-zero sample, rounded down to a whole frame.
size_t firstSound(const std::vector<int16_t>& pcm) {
    size_t at = 0;
    while (at < pcm.size() && pcm[at] == 0) ++at;
    return at - at % 2;
}

// Stereo frames from the first sound to the end.
int64_t soundFrames(const std::vector<int16_t>& pcm) {
    return static_cast<int64_t>((pcm.size() - firstSound(pcm)) / 2);
}

TEST(SdlAudioDevice, PlaysEveryRenderedFrameInOrderThroughSdlsAudioThread) {
    const std::string file = ::testing::TempDir() + "sdl_disk_audio." + std::to_string(getpid()) + ".raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    const std::vector<uint8_t> bytes = writeXm(twoLoopingChannels());

    // The offline render of the same song, frame for frame what the device must play.
    SongPtr song = loadBytes(bytes);
    ASSERT_TRUE(song);
    constexpr int64_t expectedFrames = 3 * 44100;
    std::vector<int16_t> expected(2 * expectedFrames);
    ASSERT_TRUE(beginRender(song.get(), 44100));
    ASSERT_EQ(renderFrames(expected.data(), expectedFrames), expectedFrames);
    endRender();

    installMemoryFileCallbacks();
    installAudioDevice(systemAudioDevice());
    ASSERT_TRUE(openAudioOutput(44100)) << audioOutputError();
    ASSERT_TRUE(playSong(song.get()));
    // Until SDL's thread has played a second and a half of sound, while the
    // output thread rewrites most of the buffer. The disk driver falls behind
    // real time on a loaded machine, so the test waits for the sound, not for
    // a fixed time (with a deadline, should the device stall).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (soundFrames(readPcm(file)) < 3 * 44100 / 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stopSong(song.get());
    const OutputUnderruns counts = outputUnderruns();
    closeAudioOutput();
    EXPECT_EQ(counts.underruns, 0);

    // The file starts with the silence SDL played before the song started:
    // line the two up at their first sound.
    const std::vector<int16_t> played = readPcm(file);
    std::remove(file.c_str());
    const size_t start = firstSound(played);
    const size_t expectedStart = firstSound(expected);
    ASSERT_GE(start, expectedStart);
    const size_t compared = std::min(played.size() - start, expected.size() - expectedStart);
    ASSERT_GT(compared, 2u * 44100);  // at least a second of sound
    EXPECT_TRUE(std::equal(expected.begin() + static_cast<ptrdiff_t>(expectedStart),
                           expected.begin() + static_cast<ptrdiff_t>(expectedStart + compared),
                           played.begin() + static_cast<ptrdiff_t>(start)));
}

}  // namespace

// No allocation while music plays: the output thread renders every block,
// and the device's reader copies them out, without calling operator new.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "music/audio_output.h"
#include "music/lifecycle.h"
#include "music/virtual_audio_device.h"
#include "tests/allocation/counting_allocator.h"
#include "tests/music/song_loading.h"

using namespace music;

namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// Plays `frames` through the virtual device in chunks of 1,024 frames, as a
// sound card's callback would, each once the output thread has rendered it.
// False when the output stops rendering for 10 seconds.
bool playFor(int64_t frames) {
    std::array<int16_t, 2 * 1024> chunk{};
    while (frames > 0) {
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(frames, 1024));
        const int64_t until = virtualAudioDevice()->position() + n;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (virtualRenderedUntil() < until) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        playVirtualFrames(chunk.data(), n);
        frames -= n;
    }
    return true;
}

TEST(AudioThreadAllocations, NoneWhileTheSoundtrackPlaysToItsEnd) {
    SongPtr song = loadBytes(readFile(TAVORLY_DATA_DIR "/rcdata/190.xm"));
    ASSERT_TRUE(song);
    installAudioDevice(virtualAudioDevice());
    ASSERT_TRUE(openAudioOutput(44100));
    ASSERT_TRUE(playSong(song.get()));
    // The first second may set up what the thread keeps (its stack, the
    // library's per-thread state); after that every block must come free.
    ASSERT_TRUE(playFor(44100));
    const int64_t before = allocationsSoFar();
    // The whole song (193.5 s) and past its end, through every row, note,
    // ramp and envelope it has.
    ASSERT_TRUE(playFor(200 * 44100));
    EXPECT_EQ(allocationsSoFar() - before, 0);
    stopSong(song.get());
    song.reset();
    closeAudioOutput();
}

}  // namespace

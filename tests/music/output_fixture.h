// Shared set-up for the audio output and lifecycle tests: the virtual device,
// file routines that open nothing, and a song whose ticks mark the output.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <atomic>

#include "music/audio_output.h"
#include "music/file_callbacks.h"
#include "music/lifecycle.h"
#include "music/mixer.h"
#include "music/virtual_audio_device.h"

namespace output_test {

inline void* openNothing(const char*) { return nullptr; }
inline void closeNothing(void*) {}
inline int32_t readNothing(void*, int32_t, void*) { return 0; }
inline void seekNothing(void*, int32_t, int32_t) {}
inline int32_t tellNothing(void*) { return 0; }

inline void installDummyFileRoutines() {
    music::installFileCallbacks(openNothing, closeNothing, readNothing, seekNothing, tellNothing);
}

// One frame of full scale followed by the zero guard frames: played at step
// 1.0 and full gain, it marks exactly one output frame.
struct Impulse {
    std::array<int16_t, 9> data{10000};
    music::Sample sample{data.data(), 1, 0, 1, 64, 0, 128, 16, 1, 0};
};
inline Impulse impulse;

// Ticks seen by markingTick; the block being rendered is logged for the first
// ticks. Written by whichever thread renders.
inline std::atomic<int32_t> tickCount{0};
inline std::array<int32_t, 4096> tickBlocks{};

// A tick handler that starts the impulse on voice 0, so every tick shows as
// one frame of 10000 in the output.
inline void markingTick(music::Song*) {
    int32_t n = tickCount.load();
    if (n < static_cast<int32_t>(tickBlocks.size())) tickBlocks[static_cast<size_t>(n)] = music::audioOutput.writeBlock;
    tickCount.store(n + 1);
    music::Voice& voice = music::mixerState.voices[0];
    voice.sample = &impulse.sample;
    voice.position = 0;
    voice.step = static_cast<uint64_t>(music::fixedOne);
    voice.direction = music::voiceForward;
    voice.targetLeft = voice.targetRight = 255;
    voice.currentLeft = voice.currentRight = 255 * 256;
    voice.rampFramesLeft = 0;
}

inline music::Song makeSong(music::TickHandler handler, int16_t bpm = 125) {
    music::Song song{};
    song.channelCount = 4;
    song.songLength = 1;
    song.defaultSpeed = 6;
    song.defaultBpm = bpm;
    song.initialGlobalVolume = 64;
    song.tickHandler = handler;
    return song;
}

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        installDummyFileRoutines();
        music::installAudioDevice(music::virtualAudioDevice());
        music::failVirtualOpen(false);
        tickCount.store(0);
        music::audioOutput.control = music::OutputControl{};
        ASSERT_TRUE(music::openAudioOutput(44100));
    }
    void TearDown() override {
        music::closeAudioOutput();
        music::audioOutput.control = music::OutputControl{};
    }
};

}  // namespace output_test

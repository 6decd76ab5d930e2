// The SDL2 sound device. The buffer pointer and cursor are guarded by SDL's
// device lock, which the callback holds while it runs; the callback copies
// only what the output thread has published as rendered (the ring hand-over)
// and publishes the frames it has played, both with release/acquire order,
// since the output thread renders without taking the lock.
#include "music/audio_device.h"

#include <SDL.h>

#include <atomic>
#include <cstring>
#include <string>

namespace music {

namespace {

// The open device and what it plays. One instance, `sdlDevice`.
struct SdlDevice {
    SDL_AudioDeviceID deviceId = 0;    // 0 when not open
    const int16_t* ring = nullptr;     // the looping buffer; none when not playing
    int32_t ringFrames = 0;            // stereo frames in ring
    RingHandOver* handOver = nullptr;  // the output's, while playing
    int64_t cursor = 0;                // frames copied since start; SDL's audio thread
    std::atomic<int64_t> played{0};    // cursor as published to the output thread
    std::string error;                 // why the last open failed
};
SdlDevice sdlDevice;

// SDL's audio thread: the next `length` bytes of sound.
void SDLCALL feed(void*, Uint8* stream, int length) {
    const int32_t frames = length / 4;
    if (sdlDevice.ring == nullptr) {
        std::memset(stream, 0, static_cast<size_t>(length));
        return;
    }
    readRenderedFrames(*sdlDevice.handOver, sdlDevice.ring, sdlDevice.ringFrames, sdlDevice.cursor,
                       reinterpret_cast<int16_t*>(stream), frames);
    sdlDevice.cursor += frames;
    // Release: the output thread may rewrite these frames once it sees them played.
    sdlDevice.played.store(sdlDevice.cursor, std::memory_order_release);
}

bool openDevice(int32_t rate) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        sdlDevice.error = SDL_GetError();
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = feed;
    // No changes allowed: SDL converts to whatever the hardware takes.
    sdlDevice.deviceId = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (sdlDevice.deviceId == 0) {
        sdlDevice.error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(sdlDevice.deviceId, 0);
    return true;
}

void startDevice(const int16_t* buffer, int32_t frames, RingHandOver* rendered) {
    if (sdlDevice.deviceId == 0 || rendered == nullptr) return;
    SDL_LockAudioDevice(sdlDevice.deviceId);
    sdlDevice.ring = buffer;
    sdlDevice.ringFrames = frames;
    sdlDevice.handOver = rendered;
    sdlDevice.cursor = 0;
    sdlDevice.played.store(0, std::memory_order_release);
    SDL_UnlockAudioDevice(sdlDevice.deviceId);
}

int64_t devicePosition() { return sdlDevice.played.load(std::memory_order_acquire); }

void resetDevice() {
    if (sdlDevice.deviceId == 0) return;
    SDL_LockAudioDevice(sdlDevice.deviceId);
    sdlDevice.ring = nullptr;
    sdlDevice.handOver = nullptr;
    SDL_UnlockAudioDevice(sdlDevice.deviceId);
}

void closeDevice() {
    if (sdlDevice.deviceId == 0) return;
    SDL_CloseAudioDevice(sdlDevice.deviceId);
    sdlDevice.deviceId = 0;
    sdlDevice.ring = nullptr;
    sdlDevice.handOver = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

const char* deviceError() { return sdlDevice.error.c_str(); }

const AudioDevice device{openDevice, startDevice, devicePosition, resetDevice, closeDevice, deviceError};

}  // namespace

const AudioDevice* systemAudioDevice() { return &device; }

}  // namespace music

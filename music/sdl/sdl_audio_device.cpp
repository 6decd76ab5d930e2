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

SDL_AudioDeviceID deviceId = 0;
const int16_t* ring = nullptr;  // the looping buffer; none when not playing
int32_t ringFrames = 0;
RingHandOver* handOver = nullptr;
int64_t cursor = 0;  // frames copied since start; SDL's audio thread
std::atomic<int64_t> played{0};
std::string lastError;

// SDL's audio thread: the next `length` bytes of sound.
void SDLCALL feed(void*, Uint8* stream, int length) {
    const int32_t frames = length / 4;
    if (ring == nullptr) {
        std::memset(stream, 0, static_cast<size_t>(length));
        return;
    }
    readRenderedFrames(*handOver, ring, ringFrames, cursor, reinterpret_cast<int16_t*>(stream), frames);
    cursor += frames;
    // Release: the output thread may rewrite these frames once it sees them played.
    played.store(cursor, std::memory_order_release);
}

bool openDevice(int32_t rate) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        lastError = SDL_GetError();
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = feed;
    // No changes allowed: SDL converts to whatever the hardware takes.
    deviceId = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (deviceId == 0) {
        lastError = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(deviceId, 0);
    return true;
}

void startDevice(const int16_t* buffer, int32_t frames, RingHandOver* rendered) {
    if (deviceId == 0 || rendered == nullptr) return;
    SDL_LockAudioDevice(deviceId);
    ring = buffer;
    ringFrames = frames;
    handOver = rendered;
    cursor = 0;
    played.store(0, std::memory_order_release);
    SDL_UnlockAudioDevice(deviceId);
}

int64_t devicePosition() { return played.load(std::memory_order_acquire); }

void resetDevice() {
    if (deviceId == 0) return;
    SDL_LockAudioDevice(deviceId);
    ring = nullptr;
    handOver = nullptr;
    SDL_UnlockAudioDevice(deviceId);
}

void closeDevice() {
    if (deviceId == 0) return;
    SDL_CloseAudioDevice(deviceId);
    deviceId = 0;
    ring = nullptr;
    handOver = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

const char* deviceError() { return lastError.c_str(); }

const AudioDevice device{openDevice, startDevice, devicePosition, resetDevice, closeDevice, deviceError};

}  // namespace

const AudioDevice* systemAudioDevice() { return &device; }

}  // namespace music

// The SDL2 sound device. The buffer pointer and cursor are guarded by SDL's
// device lock, which the callback holds while it runs; the played count is
// atomic because the output thread reads it without the lock.
#include "music/sdl/sdl_audio_device.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

namespace {

SDL_AudioDeviceID deviceId = 0;
const int16_t* ring = nullptr;  // the looping buffer; none when not playing
int32_t ringFrames = 0;
int32_t cursor = 0;  // next frame of the ring to copy
std::atomic<int64_t> played{0};
std::string lastError;

// SDL's audio thread: the next `length` bytes of sound.
void SDLCALL feed(void*, Uint8* stream, int length) {
    int32_t frames = length / 4;
    if (ring == nullptr) {
        std::memset(stream, 0, static_cast<size_t>(length));
        return;
    }
    auto* out = reinterpret_cast<int16_t*>(stream);
    int32_t done = 0;
    while (done < frames) {
        int32_t n = std::min(frames - done, ringFrames - cursor);
        std::memcpy(out + 2 * done, ring + 2 * cursor, static_cast<size_t>(n) * 4);
        done += n;
        cursor += n;
        if (cursor == ringFrames) cursor = 0;
    }
    played.fetch_add(frames, std::memory_order_release);
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

void startDevice(const int16_t* buffer, int32_t frames) {
    if (deviceId == 0) return;
    SDL_LockAudioDevice(deviceId);
    ring = buffer;
    ringFrames = frames;
    cursor = 0;
    played.store(0, std::memory_order_release);
    SDL_UnlockAudioDevice(deviceId);
}

int64_t devicePosition() { return played.load(std::memory_order_acquire); }

void resetDevice() {
    if (deviceId == 0) return;
    SDL_LockAudioDevice(deviceId);
    ring = nullptr;
    SDL_UnlockAudioDevice(deviceId);
}

void closeDevice() {
    if (deviceId == 0) return;
    SDL_CloseAudioDevice(deviceId);
    deviceId = 0;
    ring = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

const char* deviceError() { return lastError.c_str(); }

const AudioDevice device{openDevice, startDevice, devicePosition, resetDevice, closeDevice, deviceError};

}  // namespace

const AudioDevice* sdlAudioDevice() { return &device; }

// The virtual sound device.
#include "music/virtual_audio_device.h"

#include <atomic>

namespace {

VirtualDeviceState state{};
std::atomic<int64_t> position{0};
bool failOpen = false;
const char* failReason = "";

bool openDevice(int32_t rate) {
    if (failOpen) return false;
    state = VirtualDeviceState{};
    state.open = true;
    state.rate = rate;
    position.store(0);
    return true;
}

void startDevice(const int16_t* buffer, int32_t frames) {
    state.playing = true;
    state.buffer = buffer;
    state.frames = frames;
    state.starts += 1;
    position.store(0);
}

int64_t devicePosition() { return position.load(); }

void resetDevice() {
    state.playing = false;
    state.buffer = nullptr;
}

void closeDevice() {
    resetDevice();
    state.open = false;
}

const char* deviceError() { return failOpen ? failReason : ""; }

const AudioDevice device{openDevice, startDevice, devicePosition, resetDevice, closeDevice, deviceError};

}  // namespace

const AudioDevice* virtualAudioDevice() { return &device; }

VirtualDeviceState virtualDeviceState() { return state; }

void setVirtualPosition(int64_t frames) { position.store(frames); }

void failVirtualOpen(bool fail, const char* reason) {
    failOpen = fail;
    failReason = reason;
}

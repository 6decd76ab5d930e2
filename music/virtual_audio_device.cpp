// The virtual sound device. The lock stands in for SDL's device lock: start
// and reset take it on the main thread, playVirtualFrames on the test's
// reader thread.
#include "music/virtual_audio_device.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace music {

namespace {

std::mutex lock;
VirtualDeviceState state{};
RingHandOver* handOver = nullptr;
std::atomic<int64_t> position{0};
bool failOpen = false;
const char* failReason = "";

bool openDevice(int32_t rate) {
    if (failOpen) return false;
    std::lock_guard guard(lock);
    state = VirtualDeviceState{};
    state.open = true;
    state.rate = rate;
    position.store(0);
    return true;
}

void startDevice(const int16_t* buffer, int32_t frames, RingHandOver* rendered) {
    std::lock_guard guard(lock);
    state.playing = true;
    state.buffer = buffer;
    state.frames = frames;
    state.starts += 1;
    handOver = rendered;
    position.store(0);
}

int64_t devicePosition() { return position.load(std::memory_order_acquire); }

void resetDevice() {
    std::lock_guard guard(lock);
    state.playing = false;
    state.buffer = nullptr;
    handOver = nullptr;
}

void closeDevice() {
    resetDevice();
    std::lock_guard guard(lock);
    state.open = false;
}

const char* deviceError() { return failOpen ? failReason : ""; }

const AudioDevice device{openDevice, startDevice, devicePosition, resetDevice, closeDevice, deviceError};

}  // namespace

const AudioDevice* virtualAudioDevice() { return &device; }

VirtualDeviceState virtualDeviceState() {
    std::lock_guard guard(lock);
    return state;
}

void setVirtualPosition(int64_t frames) { position.store(frames, std::memory_order_release); }

void playVirtualFrames(int16_t* out, int32_t frames) {
    std::lock_guard guard(lock);
    if (state.buffer == nullptr || handOver == nullptr) {
        std::memset(out, 0, static_cast<size_t>(frames) * 4);
        return;
    }
    const int64_t first = position.load(std::memory_order_relaxed);
    readRenderedFrames(*handOver, state.buffer, state.frames, first, out, frames);
    position.store(first + frames, std::memory_order_release);
}

int64_t virtualRenderedUntil() {
    std::lock_guard guard(lock);
    return handOver == nullptr ? 0 : handOver->renderedUntil.load(std::memory_order_acquire);
}

void failVirtualOpen(bool fail, const char* reason) {
    failOpen = fail;
    failReason = reason;
}

}  // namespace music

// The virtual sound device. The lock stands in for SDL's device lock: start
// and reset take it on the main thread, playVirtualFrames on the test's
// reader thread.
#include "music/virtual_audio_device.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace music {

namespace {

// The device's state. One instance, `virtualDevice`.
struct VirtualDevice {
    std::mutex lock;  // guards state and handOver
    VirtualDeviceState state{};
    RingHandOver* handOver = nullptr;  // the output's, while playing
    std::atomic<int64_t> position{0};  // frames played since start
    bool failOpen = false;             // open fails, giving failReason (failVirtualOpen)
    const char* failReason = "";
};
VirtualDevice virtualDevice;

bool openDevice(int32_t rate) {
    if (virtualDevice.failOpen) return false;
    std::lock_guard guard(virtualDevice.lock);
    virtualDevice.state = VirtualDeviceState{};
    virtualDevice.state.open = true;
    virtualDevice.state.rate = rate;
    virtualDevice.position.store(0);
    return true;
}

void startDevice(const int16_t* buffer, int32_t frames, RingHandOver* rendered) {
    std::lock_guard guard(virtualDevice.lock);
    virtualDevice.state.playing = true;
    virtualDevice.state.buffer = buffer;
    virtualDevice.state.frames = frames;
    virtualDevice.state.starts += 1;
    virtualDevice.handOver = rendered;
    virtualDevice.position.store(0);
}

int64_t devicePosition() { return virtualDevice.position.load(std::memory_order_acquire); }

void resetDevice() {
    std::lock_guard guard(virtualDevice.lock);
    virtualDevice.state.playing = false;
    virtualDevice.state.buffer = nullptr;
    virtualDevice.handOver = nullptr;
}

void closeDevice() {
    resetDevice();
    std::lock_guard guard(virtualDevice.lock);
    virtualDevice.state.open = false;
}

const char* deviceError() { return virtualDevice.failOpen ? virtualDevice.failReason : ""; }

const AudioDevice device{openDevice, startDevice, devicePosition, resetDevice, closeDevice, deviceError};

}  // namespace

const AudioDevice* virtualAudioDevice() { return &device; }

VirtualDeviceState virtualDeviceState() {
    std::lock_guard guard(virtualDevice.lock);
    return virtualDevice.state;
}

void setVirtualPosition(int64_t frames) { virtualDevice.position.store(frames, std::memory_order_release); }

void playVirtualFrames(int16_t* out, int32_t frames) {
    std::lock_guard guard(virtualDevice.lock);
    if (virtualDevice.state.buffer == nullptr || virtualDevice.handOver == nullptr) {
        std::memset(out, 0, static_cast<size_t>(frames) * 4);
        return;
    }
    const int64_t first = virtualDevice.position.load(std::memory_order_relaxed);
    readRenderedFrames(*virtualDevice.handOver, virtualDevice.state.buffer, virtualDevice.state.frames, first, out,
                       frames);
    virtualDevice.position.store(first + frames, std::memory_order_release);
}

int64_t virtualRenderedUntil() {
    std::lock_guard guard(virtualDevice.lock);
    return virtualDevice.handOver == nullptr ? 0
                                             : virtualDevice.handOver->renderedUntil.load(std::memory_order_acquire);
}

void failVirtualOpen(bool fail, const char* reason) {
    virtualDevice.failOpen = fail;
    virtualDevice.failReason = reason;
}

}  // namespace music

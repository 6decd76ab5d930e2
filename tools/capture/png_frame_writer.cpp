// The PNG writing thread and its two frame buffers.
#include "tools/capture/png_frame_writer.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

PngFrameWriter::PngFrameWriter(std::string outputDirectory, int32_t frameWidth, int32_t frameHeight)
    : directory(std::move(outputDirectory)), width(frameWidth), height(frameHeight), freeSlots{0, 1} {
    for (Slot& slot : slots) {
        slot.rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    }
    worker = std::thread(&PngFrameWriter::run, this);
}

PngFrameWriter::~PngFrameWriter() {
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    worker.join();
}

std::string PngFrameWriter::framePath(const std::string& directory, int64_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(frame));
    return (std::filesystem::path(directory) / name).string();
}

bool PngFrameWriter::write(int64_t frame, std::span<const uint8_t> rgb, std::string& error) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return !freeSlots.empty() || !failure.empty(); });
    if (!failure.empty()) {
        error = failure;
        return false;
    }
    const size_t index = static_cast<size_t>(freeSlots.back());
    freeSlots.pop_back();
    lock.unlock();
    // The slot is the capture thread's until it is queued.
    std::memcpy(slots[index].rgb.data(), rgb.data(), slots[index].rgb.size());
    slots[index].frame = frame;
    lock.lock();
    queued.push_back(static_cast<int32_t>(index));
    changed.notify_all();
    return true;
}

bool PngFrameWriter::finish(std::string& error) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return (queued.empty() && !busy) || !failure.empty(); });
    if (!failure.empty()) {
        error = failure;
        return false;
    }
    return true;
}

void PngFrameWriter::run() {
    PngEncoder encoder;
    std::vector<uint8_t> png;
    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return !queued.empty() || stopping; });
        if (queued.empty()) {
            return;
        }
        const int32_t index = queued.front();
        queued.pop_front();
        busy = true;
        lock.unlock();

        const Slot& slot = slots[static_cast<size_t>(index)];
        const std::string path = framePath(directory, slot.frame);
        std::string error;
        if (!encoder.encode(slot.rgb, width, height, png)) {
            error = "out of memory while compressing " + path;
        } else {
            writeWholeFile(path, png, error);
        }

        lock.lock();
        busy = false;
        if (!error.empty() && failure.empty()) {
            failure = error;
        }
        freeSlots.push_back(index);
        changed.notify_all();
    }
}

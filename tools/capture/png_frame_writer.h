// Writes the captured frames as PNG files on a thread of its own, so that
// compressing one frame overlaps with drawing the next. The files' bytes are
// the same as when written one after the other.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "tools/capture/png_writer.h"

class PngFrameWriter {
public:
    // Starts the writing thread for frames of width x height RGB pixels that
    // go to `directory`/frame_NNNNNN.png. Called once, on the capture thread.
    PngFrameWriter(std::string directory, int32_t width, int32_t height);
    PngFrameWriter(const PngFrameWriter&) = delete;
    PngFrameWriter& operator=(const PngFrameWriter&) = delete;
    // Waits for the frames handed over so far, then ends the thread.
    ~PngFrameWriter();

    // Copies the frame (top row first) and queues it; waits while both
    // buffers are taken. False with error set once an earlier frame failed.
    // Capture thread only.
    bool write(int64_t frame, std::span<const uint8_t> rgb, std::string& error);
    // Waits until every queued frame is on disk; false with error set when
    // any failed. Capture thread only.
    bool finish(std::string& error);

    // The path of a frame's file.
    static std::string framePath(const std::string& directory, int64_t frame);

private:
    struct Slot {
        std::vector<uint8_t> rgb;
        int64_t frame = 0;
    };

    void run();

    const std::string directory;
    const int32_t width;
    const int32_t height;
    std::array<Slot, 2> slots;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<int32_t> queued;      // slots waiting to be written, oldest first
    std::vector<int32_t> freeSlots;  // slots the capture thread may fill
    bool busy = false;               // the thread is writing a slot
    bool stopping = false;
    std::string failure;  // the first failure, if any
    std::thread worker;
};

// Video encoding through Debian's ffmpeg: frames go to it as raw RGB on one
// pipe, the music as 16-bit stereo PCM on a second, and it writes an H.264/AAC
// MP4 (yuv420p, index at the front) that common players open.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The full path of an executable named `program` on the colon-separated search
// path, or empty when there is none.
std::string findExecutable(const std::string& program, const std::string& searchPath);

// One running ffmpeg. All calls on the capture's main thread.
class VideoPipe {
public:
    VideoPipe() = default;
    VideoPipe(const VideoPipe&) = delete;
    VideoPipe& operator=(const VideoPipe&) = delete;
    ~VideoPipe();

    // Starts ffmpeg (found on PATH) writing outputPath; false with error set when
    // ffmpeg is missing or cannot be started.
    bool start(const std::string& outputPath, int32_t width, int32_t height, int32_t fps, std::string& error);
    // Hands over one frame (width * height * 3 bytes, top row first) and the
    // audio frames that belong to it (interleaved left/right). Blocks until
    // ffmpeg has taken the picture; false with error set when ffmpeg has failed.
    bool writeFrame(std::span<const uint8_t> rgb, std::span<const int16_t> audio, std::string& error);
    // Ends both streams and waits for ffmpeg; false with error set when it failed.
    bool finish(std::string& error);

private:
    bool pump(std::span<const uint8_t> video, std::string& error);
    void closePipes();
    bool waitForExit(std::string& error);

    pid_t child = -1;
    int videoFd = -1;
    int audioFd = -1;
    std::vector<uint8_t> pendingAudio;  // PCM bytes not yet taken by ffmpeg
    size_t pendingStart = 0;            // bytes of pendingAudio already written
};

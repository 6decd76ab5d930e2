// A WAV file written as the music is rendered: 16-bit stereo PCM, the header's
// sizes filled in when the file is closed, so captures of any length stream to
// disk without being held in memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

class WavWriter {
public:
    WavWriter() = default;
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;
    ~WavWriter();

    // Creates path with a provisional header; false with error set on failure.
    bool open(const std::string& path, int32_t sampleRate, std::string& error);
    // Appends interleaved left/right frames; false with error set on failure or
    // when the file would outgrow the format's 4 GiB limit.
    bool write(std::span<const int16_t> interleaved, std::string& error);
    // Fills in the sizes and closes the file; false with error set on failure.
    bool close(std::string& error);

    uint64_t framesWritten() const { return frames; }

private:
    FILE* file = nullptr;
    std::string path;
    int32_t sampleRate = 0;
    uint64_t frames = 0;  // stereo frames written so far
};

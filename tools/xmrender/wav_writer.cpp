// The WAV header and sample writing.
#include "tools/xmrender/wav_writer.h"

#include <bit>
#include <cstring>

namespace {

void put16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t* at, uint32_t value) {
    put16(at, static_cast<uint16_t>(value));
    put16(at + 2, static_cast<uint16_t>(value >> 16));
}

}  // namespace

void wavHeader(uint8_t (&header)[44], int32_t rate, uint32_t frames) {
    uint32_t dataBytes = frames * 4;
    std::memcpy(header, "RIFF", 4);
    put32(header + 4, 36 + dataBytes);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put32(header + 16, 16);  // format chunk size
    put16(header + 20, 1);   // PCM
    put16(header + 22, 2);   // channels
    put32(header + 24, static_cast<uint32_t>(rate));
    put32(header + 28, static_cast<uint32_t>(rate) * 4);  // bytes per second
    put16(header + 32, 4);                                // bytes per frame
    put16(header + 34, 16);                               // bits per sample
    std::memcpy(header + 36, "data", 4);
    put32(header + 40, dataBytes);
}

bool writeWavFrames(std::FILE* file, const int16_t* samples, int64_t frames) {
    static_assert(std::endian::native == std::endian::little, "samples are written as they lie in memory");
    size_t count = static_cast<size_t>(frames) * 2;
    return std::fwrite(samples, sizeof(int16_t), count, file) == count;
}

// RIFF/WAVE writing: a 44-byte canonical header followed by the PCM frames.
#include "tools/capture/wav_writer.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "WAV samples are written as they lie in memory");

namespace {

constexpr uint32_t headerBytes = 44;
constexpr uint64_t maxDataBytes = 0xFFFFFFFFull - (headerBytes - 8);

void putLittle32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

void putLittle16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

std::array<uint8_t, headerBytes> wavHeader(int32_t sampleRate, uint32_t dataBytes) {
    std::array<uint8_t, headerBytes> header{};
    std::memcpy(&header[0], "RIFF", 4);
    putLittle32(&header[4], dataBytes + headerBytes - 8);
    std::memcpy(&header[8], "WAVEfmt ", 8);
    putLittle32(&header[16], 16);                                       // fmt chunk size
    putLittle16(&header[20], 1);                                        // PCM
    putLittle16(&header[22], 2);                                        // channels
    putLittle32(&header[24], static_cast<uint32_t>(sampleRate));        // frames per second
    putLittle32(&header[28], static_cast<uint32_t>(sampleRate) * 4);    // bytes per second
    putLittle16(&header[32], 4);                                        // bytes per frame
    putLittle16(&header[34], 16);                                       // bits per sample
    std::memcpy(&header[36], "data", 4);
    putLittle32(&header[40], dataBytes);
    return header;
}

}  // namespace

WavWriter::~WavWriter() {
    if (file) {
        std::fclose(file);
    }
}

bool WavWriter::open(const std::string& target, int32_t rate, std::string& error) {
    path = target;
    sampleRate = rate;
    dataBytes = 0;
    file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const auto header = wavHeader(sampleRate, 0);
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size()) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool WavWriter::write(std::span<const int16_t> interleaved, std::string& error) {
    const uint64_t bytes = interleaved.size_bytes();
    if (dataBytes + bytes > maxDataBytes) {
        error = "cannot write " + path + ": a WAV file holds at most 4 GiB of sound";
        return false;
    }
    if (std::fwrite(interleaved.data(), 1, bytes, file) != bytes) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    dataBytes += bytes;
    return true;
}

bool WavWriter::close(std::string& error) {
    const auto header = wavHeader(sampleRate, static_cast<uint32_t>(dataBytes));
    bool ok = std::fseek(file, 0, SEEK_SET) == 0 &&
              std::fwrite(header.data(), 1, header.size(), file) == header.size();
    const int savedErrno = errno;
    ok = std::fclose(file) == 0 && ok;
    file = nullptr;
    if (!ok) {
        error = "cannot write " + path + ": " + std::strerror(savedErrno ? savedErrno : errno);
    }
    return ok;
}

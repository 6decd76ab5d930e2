// The streaming side of WAV writing; the header layout and the sample bytes
// come from xmrender's writer, which both tools share.
#include "tools/capture/wav_writer.h"

#include <cerrno>
#include <cstring>

#include "tools/xmrender/wav_writer.h"

WavWriter::~WavWriter() {
    if (file) {
        std::fclose(file);
    }
}

bool WavWriter::open(const std::string& target, int32_t rate, std::string& error) {
    path = target;
    sampleRate = rate;
    frames = 0;
    file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t header[44];
    wavHeader(header, sampleRate, 0);
    if (std::fwrite(header, 1, sizeof header, file) != sizeof header) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool WavWriter::write(std::span<const int16_t> interleaved, std::string& error) {
    const auto count = static_cast<int64_t>(interleaved.size() / 2);
    if (frames + static_cast<uint64_t>(count) > maxWavFrames) {
        error = "cannot write " + path + ": a WAV file holds at most 4 GiB of sound";
        return false;
    }
    if (!writeWavFrames(file, interleaved.data(), count)) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    frames += static_cast<uint64_t>(count);
    return true;
}

bool WavWriter::close(std::string& error) {
    uint8_t header[44];
    wavHeader(header, sampleRate, static_cast<uint32_t>(frames));
    bool ok = std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(header, 1, sizeof header, file) == sizeof header;
    const int savedErrno = errno;
    ok = std::fclose(file) == 0 && ok;
    file = nullptr;
    if (!ok) {
        error = "cannot write " + path + ": " + std::strerror(savedErrno ? savedErrno : errno);
    }
    return ok;
}

// Running the renderers and reading their WAV files.
#include "tests/peers/peer_render.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

// Runs a command line through the shell; stderr goes with stdout into `output`.
int runCommand(const std::string& command, std::string& output) {
    output.clear();
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool programExists(const std::string& name) {
    std::string output;
    return runCommand("command -v " + quoted(name), output) == 0;
}

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// The file name a render writes, unique per renderer.
std::string outputPath(const RenderSetup& setup, Renderer renderer, const std::string& modulePath) {
    std::string base = modulePath.substr(modulePath.find_last_of('/') + 1);
    return setup.scratchDirectory + "/" + base + "." + rendererName(renderer) + ".wav";
}

void cutTo(StereoPcm& pcm, double seconds) {
    if (seconds <= 0) return;
    auto frames = static_cast<size_t>(std::llround(seconds * peerRate));
    if (pcm.left.size() > frames) {
        pcm.left.resize(frames);
        pcm.right.resize(frames);
    }
}

}  // namespace

const char* rendererName(Renderer renderer) {
    switch (renderer) {
        case Renderer::ours: return "ours";
        case Renderer::xmp: return "xmp";
        case Renderer::openmpt: return "openmpt123";
    }
    return "?";
}

bool rendererAvailable(const RenderSetup& setup, Renderer renderer) {
    switch (renderer) {
        case Renderer::ours: return !setup.xmrender.empty() && std::ifstream(setup.xmrender).good();
        case Renderer::xmp: return programExists("xmp");
        case Renderer::openmpt: return programExists("openmpt123");
    }
    return false;
}

bool renderModule(const RenderSetup& setup, Renderer renderer, const std::string& modulePath, double seconds,
                  StereoPcm& out, std::string& error) {
    const std::string wav = outputPath(setup, renderer, modulePath);
    std::remove(wav.c_str());
    std::string command;
    char limit[32];
    switch (renderer) {
        case Renderer::ours:
            command = quoted(setup.xmrender);
            if (seconds > 0) {
                std::snprintf(limit, sizeof limit, "%.3f", seconds);
                command += std::string(" --seconds ") + limit;
            }
            command += " " + quoted(modulePath) + " " + quoted(wav);
            break;
        case Renderer::xmp:
            // Linear interpolation and full stereo separation, as our mixer.
            command = "xmp --norc --nocmd --quiet -i linear -f 44100 -P 100";
            if (seconds > 0) command += " -t " + std::to_string(static_cast<int>(std::ceil(seconds)) + 1);
            command += " -o " + quoted(wav) + " " + quoted(modulePath);
            break;
        case Renderer::openmpt: {
            // The main song only (not the parts no order reaches), 16-bit at
            // 44,100 Hz, linear interpolation, full stereo separation.
            // It writes next to its input, so the input is linked into the scratch directory.
            const std::string input = wav.substr(0, wav.size() - 4);
            std::remove(input.c_str());
            if (symlink(modulePath.c_str(), input.c_str()) != 0) {
                error = "cannot link " + modulePath + " to " + input;
                return false;
            }
            command =
                "openmpt123 --quiet --render --force --subsong 0 --samplerate 44100 --no-float --stereo 100 --filter 2";
            if (seconds > 0) {
                std::snprintf(limit, sizeof limit, "%.3f", seconds + 1);
                command += std::string(" --end-time ") + limit;
            }
            command += " -- " + quoted(input);
            std::string output;
            int status = runCommand(command, output);
            std::remove(input.c_str());
            if (status != 0) {
                error = std::string(rendererName(renderer)) + " failed: " + output;
                return false;
            }
            command.clear();
            break;
        }
    }
    if (!command.empty()) {
        std::string output;
        if (runCommand(command, output) != 0) {
            error = std::string(rendererName(renderer)) + " failed: " + output;
            return false;
        }
    }
    bool ok = readWav(wav, out, error);
    std::remove(wav.c_str());
    if (ok) cutTo(out, seconds);
    return ok;
}

bool readWav(const std::string& path, StereoPcm& out, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "no output file " + path;
        return false;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        error = path + " is not a WAV file";
        return false;
    }
    uint16_t format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint32_t size = le32(&bytes[at + 4]);
        const size_t body = at + 8;
        const size_t available = std::min<size_t>(size, bytes.size() - body);
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && available >= 16) {
            format = le16(&bytes[body]);
            channels = le16(&bytes[body + 2]);
            rate = le32(&bytes[body + 4]);
            bits = le16(&bytes[body + 14]);
            if (format == 0xFFFE && available >= 26) format = le16(&bytes[body + 24]);  // extensible
        } else if (std::memcmp(&bytes[at], "data", 4) == 0) {
            if (rate != peerRate || (channels != 1 && channels != 2) ||
                !((format == 1 && bits == 16) || (format == 3 && bits == 32))) {
                error = path + ": not 16-bit or float mono/stereo at 44,100 Hz";
                return false;
            }
            const size_t frameBytes = size_t{channels} * bits / 8;
            const size_t frames = available / frameBytes;
            out.left.resize(frames);
            out.right.resize(frames);
            for (size_t f = 0; f < frames; ++f) {
                float value[2];
                for (size_t c = 0; c < channels; ++c) {
                    const uint8_t* p = &bytes[body + f * frameBytes + c * bits / 8];
                    if (format == 1) {
                        value[c] = static_cast<float>(static_cast<int16_t>(le16(p))) / 32768.0f;
                    } else {
                        uint32_t raw = le32(p);
                        std::memcpy(&value[c], &raw, 4);
                    }
                }
                out.left[f] = value[0];
                out.right[f] = channels == 2 ? value[1] : value[0];
            }
            return true;
        }
        at = body + size + (size & 1);
    }
    error = path + " has no data chunk";
    return false;
}

// Renders a module file with our xmrender and with the two established XM
// players, xmp and openmpt123, run as black boxes, and reads what they write
// back as stereo PCM at 44,100 Hz. Used by the peers tests and the peers tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t peerRate = 44100;

// Stereo PCM as floats in -1..1.
struct StereoPcm {
    std::vector<float> left;
    std::vector<float> right;
    int64_t frames() const { return static_cast<int64_t>(left.size()); }
    double seconds() const { return static_cast<double>(left.size()) / peerRate; }
};

enum class Renderer : uint8_t { ours, xmp, openmpt };

const char* rendererName(Renderer renderer);

// Where the players and our renderer are found. `xmrender` is a path to the
// program (the build's own by default, any other build for comparisons).
struct RenderSetup {
    std::string xmrender;
    std::string scratchDirectory;  // for the files the programs write
};

// True when the program of that renderer can be run here.
bool rendererAvailable(const RenderSetup& setup, Renderer renderer);

// Renders `modulePath` to the song's end, or for exactly `seconds` when above 0.
// On failure returns false with the reason in `error`.
bool renderModule(const RenderSetup& setup, Renderer renderer, const std::string& modulePath, double seconds,
                  StereoPcm& out, std::string& error);

// Reads a 16-bit or 32-bit float WAV file with one or two channels at 44,100 Hz.
bool readWav(const std::string& path, StereoPcm& out, std::string& error);

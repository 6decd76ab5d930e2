// The command line of tavorly-capture: which frames to render, at what rate and
// seed, and where the pictures, the music and the video go.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr int32_t defaultCaptureFps = 60;
constexpr int32_t maxCaptureFps = 1000;
// The generator is seeded with this when no --seed is given, so two captures
// without options draw the same swarm.
constexpr uint32_t defaultCaptureSeed = 1;

struct CaptureOptions {
    int32_t fps = defaultCaptureFps;  // video frames per second, 1..maxCaptureFps
    uint32_t seed = defaultCaptureSeed;
    int64_t firstFrame = 0;
    std::optional<int64_t> lastFrame;  // inclusive; none means up to the frame that reads the end mark
    std::string pngDirectory;          // empty: no PNG frames
    std::string audioPath;             // empty: no WAV file
    std::string videoPath;             // empty: no video
    bool showHelp = false;
};

struct CaptureOptionsResult {
    std::optional<CaptureOptions> options;  // none when the command line is wrong
    std::string error;                      // one line saying what is wrong, when options is none
};

// Parses argv[1..]; called once by main before anything is opened.
CaptureOptionsResult parseCaptureOptions(const std::vector<std::string_view>& arguments);

// The text printed by --help.
std::string captureUsage();

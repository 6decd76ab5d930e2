// Frames per second of the capture at 800 x 600 with the production's own
// scrolltext and music: running frames without saving them, writing PNG
// frames, writing the video, and running the frames before a late span. Next
// to the wall-clock rates it gives the processor time per frame (all threads,
// ffmpeg included), which tells more on a machine shared with other work.
// Usage: capture_bench [FIRST [FRAMES]] (default 4400 and 300: a span with the
// swarm flying); the files go to a temporary directory that is removed after.
#define SDL_MAIN_HANDLED

#include <SDL.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/embedded_resources.h"
#include "data/resources.h"
#include "data/scrolltext.h"
#include "tools/capture/capture_session.h"

namespace {

double cpuSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Mode {
    const char* name;
    bool png;
    bool audio;
    bool video;
};

}  // namespace

int main(int argc, char** argv) {
    SDL_SetMainReady();
    const int64_t first = argc > 1 ? std::atoll(argv[1]) : 4400;
    const int64_t frames = argc > 2 ? std::atoll(argv[2]) : 300;
    const std::filesystem::path directory = std::filesystem::temp_directory_path() / "tavorly_capture_bench";
    installResourceTable(embeddedResources());

    const Mode modes[] = {
        {"save nothing", false, false, false},
        {"--audio", false, true, false},
        {"--png", true, false, false},
        {"--video", false, false, true},
        {"--png --audio --video", true, true, true},
    };
    std::printf("capture of frames %lld to %lld at 800 x 600, 60 fps\n", static_cast<long long>(first),
                static_cast<long long>(first + frames - 1));
    std::printf("%-24s %10s %18s %20s %22s\n", "mode", "span fps", "CPU ms per frame", "frames before it/s",
                "CPU ms per frame before");
    for (const Mode& mode : modes) {
        std::filesystem::remove_all(directory);
        std::filesystem::create_directories(directory);
        CaptureOptions options;
        options.firstFrame = first;
        options.lastFrame = first + frames - 1;
        if (mode.png) {
            options.pngDirectory = (directory / "frames").string();
        }
        if (mode.audio) {
            options.audioPath = (directory / "music.wav").string();
        }
        if (mode.video) {
            options.videoPath = (directory / "video.mp4").string();
        }
        rusage childrenBefore{};
        getrusage(RUSAGE_CHILDREN, &childrenBefore);
        CaptureReport report;
        if (!runCapture(options, scrollTextBody(), scrollTextTail(), false, report)) {
            std::fprintf(stderr, "capture_bench: %s: %s\n", mode.name, report.error.c_str());
            return 1;
        }
        rusage childrenAfter{};
        getrusage(RUSAGE_CHILDREN, &childrenAfter);
        const double ffmpegSeconds = cpuSeconds(childrenAfter) - cpuSeconds(childrenBefore);
        const double spanSeconds = report.seconds - report.secondsBeforeSpan;
        const double spanCpu = report.cpuSeconds - report.cpuSecondsBeforeSpan + ffmpegSeconds;
        const auto written = static_cast<double>(report.framesWritten);
        std::printf("%-24s %10.1f %18.1f %20.0f %22.2f\n", mode.name, written / spanSeconds, 1000 * spanCpu / written,
                    first > 0 ? static_cast<double>(first) / report.secondsBeforeSpan : 0.0,
                    first > 0 ? 1000 * report.cpuSecondsBeforeSpan / static_cast<double>(first) : 0.0);
        std::fflush(stdout);
    }
    std::filesystem::remove_all(directory);
    SDL_Quit();
    return 0;
}

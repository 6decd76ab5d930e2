// tavorly-capture: renders the production offline, without a display, a sound
// device or real time, to PNG frames, a WAV file and an H.264/AAC video.
#define SDL_MAIN_HANDLED

#include <SDL.h>
#include <unistd.h>

#include <cstdio>

#include "data/embedded_resources.h"
#include "data/resources.h"
#include "data/scrolltext.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_session.h"

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
    SDL_SetMainReady();
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const CaptureOptionsResult parsed = parseCaptureOptions(arguments);
    if (!parsed.options) {
        std::fprintf(stderr, "tavorly-capture: %s\nTry 'tavorly-capture --help'.\n", parsed.error.c_str());
        return exitUsage;
    }
    const CaptureOptions& options = *parsed.options;
    if (options.showHelp) {
        std::fputs(captureUsage().c_str(), stdout);
        return 0;
    }

    installResourceTable(embeddedResources());
    CaptureReport report;
    const bool ok = runCapture(options, scrollTextBody(), scrollTextTail(), isatty(STDERR_FILENO) == 1, report);
    SDL_Quit();
    if (!ok) {
        std::fprintf(stderr, "tavorly-capture: %s\n", report.error.c_str());
        return exitFailure;
    }
    if (options.lastFrame && report.endFrame >= 0 && report.endFrame < *options.lastFrame) {
        std::fprintf(stderr, "tavorly-capture: the production ends at frame %lld; the capture stops there\n",
                     static_cast<long long>(report.endFrame));
    }
    return 0;
}

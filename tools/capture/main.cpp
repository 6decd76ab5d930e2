// tavorly-capture: renders the production offline, without a display, a sound
// device or real time, to PNG frames, a WAV file and an H.264/AAC video.
#define SDL_MAIN_HANDLED

#include <SDL.h>
#include <signal.h>
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
constexpr int exitInterrupted = 130;  // as shells report a program ended by Ctrl+C

void stopOnSignal(int) { requestCaptureStop(); }

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

    // Ctrl+C and SIGTERM end the capture after the frame being drawn, with
    // complete files. SDL would turn them into quit events, which the capture
    // never reads, so its own handlers are kept out.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction action {};
    action.sa_handler = stopOnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    installResourceTable(embeddedResources());
    CaptureReport report;
    const bool ok = runCapture(options, scrollTextBody(), scrollTextTail(), isatty(STDERR_FILENO) == 1, report);
    SDL_Quit();
    if (!ok) {
        std::fprintf(stderr, "tavorly-capture: %s\n", report.error.c_str());
        return report.interrupted ? exitInterrupted : exitFailure;
    }
    if (options.lastFrame && report.endFrame >= 0 && report.endFrame < *options.lastFrame) {
        std::fprintf(stderr, "tavorly-capture: the production ends at frame %lld; the capture stops there\n",
                     static_cast<long long>(report.endFrame));
    }
    return 0;
}

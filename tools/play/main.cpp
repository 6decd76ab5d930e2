// tavorly-play: plays XM modules one after the other through the sound
// device, with a live view on a terminal (or one line per file without one).
#define SDL_MAIN_HANDLED

#include <SDL.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "music/audio_device.h"
#include "music/audio_output.h"
#include "music/disk_file.h"
#include "music/file_callbacks.h"
#include "music/lifecycle.h"
#include "tools/play/key_input.h"
#include "tools/play/live_playback.h"
#include "tools/play/module_file.h"
#include "tools/play/play_controls.h"
#include "tools/play/play_options.h"
#include "tools/play/play_view.h"
#include "tools/play/song_scan.h"
#include "tools/play/terminal.h"

using namespace music;

namespace {

constexpr int32_t rate = 44100;
constexpr int64_t scanLimitFrames = int64_t{30} * 60 * rate;    // as xmrender: a song that never ends stops here
constexpr auto redrawInterval = std::chrono::milliseconds(50);  // at most 20 redraws a second
constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

volatile sig_atomic_t stopSignal = 0;

void stopOnSignal(int signalNumber) { stopSignal = signalNumber; }

enum class FileEnd { next, previous, quit };

struct Player {
    const PlayOptions& options;
    bool viewShown;
    Terminal terminal;
    KeyDecoder decoder;
    PlayControls controls;
    std::vector<std::string> problems;  // one line per file that could not be played
    std::string message;                // the latest, shown in the view

    void report(const std::string& problem) {
        problems.push_back(problem);
        message = problem;
        if (!viewShown) std::fprintf(stderr, "tavorly-play: %s\n", problem.c_str());
    }

    // Plays the loaded song until it ends or a key moves on.
    FileEnd play(ModuleFile& module, int32_t index) {
        Song* song = module.song;
        const SongScan scan = scanSong(song, rate, scanLimitFrames);
        ViewState view;
        view.fileName = options.files[static_cast<size_t>(index)];
        view.fileNumber = index + 1;
        view.fileCount = static_cast<int32_t>(options.files.size());
        view.songName = module.songName;
        view.trackerName = module.trackerName;
        view.channelCount = song->channelCount;
        view.songLength = song->songLength;
        view.totalFrames = scan.totalFrames;
        view.totalKnown = scan.ends;
        view.rate = rate;
        if (!viewShown) {
            std::printf("%s\n", fileLine(view).c_str());
            std::fflush(stdout);
        }
        controls.paused = false;
        if (!startLiveSong(song, scan, controls, options.startOrder)) {
            report("cannot play '" + view.fileName + "': " + audioOutputError());
            return FileEnd::next;
        }

        // A seek not heard yet: further arrow keys count from its target.
        int32_t seekOrder = -1;
        uint32_t seekGeneration = 0;
        std::array<uint8_t, maxSongChannels> heardLevels{};
        auto lastDraw = std::chrono::steady_clock::now() - redrawInterval;
        std::vector<Key> keys;
        for (;;) {
            if (stopSignal != 0) {
                stopLiveSong(song);
                return FileEnd::quit;
            }
            const auto now = std::chrono::steady_clock::now();
            const auto wait =
                std::max(std::chrono::milliseconds(0),
                         std::chrono::duration_cast<std::chrono::milliseconds>(lastDraw + redrawInterval - now));
            keys.clear();
            if (viewShown) {
                char bytes[64];
                size_t count = terminal.readKeys(bytes, sizeof bytes, static_cast<int32_t>(wait.count()));
                decoder.feed(bytes, count, keys);
            } else {
                std::this_thread::sleep_for(redrawInterval);
            }

            BlockReport heard{};
            const bool playing = readHeardBlock(heard);
            if (playing && seekOrder >= 0 && heard.generation >= seekGeneration) seekOrder = -1;
            for (Key key : keys) {
                const int32_t order = seekOrder >= 0 ? seekOrder : heard.orderPosition;
                const KeyOutcome outcome = applyKey(key, controls, order, song->songLength);
                switch (outcome.effect) {
                    case KeyEffect::none: break;
                    case KeyEffect::controls: applyLiveControls(scan, controls); break;
                    case KeyEffect::seek:
                        seekLive(song, scan, outcome.order, controls);
                        seekOrder = outcome.order;
                        seekGeneration = audioOutput.generation;
                        break;
                    case KeyEffect::nextFile: stopLiveSong(song); return FileEnd::next;
                    case KeyEffect::previousFile: stopLiveSong(song); return FileEnd::previous;
                    case KeyEffect::quit: stopLiveSong(song); return FileEnd::quit;
                }
            }
            // The end counts once the render that reached it is the one heard.
            if (playing && heard.ended && heard.generation == audioOutput.generation) {
                stopLiveSong(song);
                return FileEnd::next;
            }
            if (!viewShown || std::chrono::steady_clock::now() - lastDraw < redrawInterval) continue;
            lastDraw = std::chrono::steady_clock::now();
            if (playing) {
                view.orderPosition = heard.orderPosition;
                view.pattern = heard.pattern;
                view.row = heard.row;
                view.patternRows = heard.pattern >= 0 && heard.pattern < song->patternCount
                                       ? song->patterns[heard.pattern].rowCount
                                       : 64;
                view.speed = heard.speed;
                view.bpm = heard.bpm;
                view.elapsedFrames = elapsedFrames(scan, heard.playedFrames);
                view.meterCount = heard.channelCount;
                heardLevels = heard.levels;
            }
            fallLevels(view.levels, heardLevels);
            view.controls = controls;
            view.message = message;
            int32_t width = 0;
            int32_t height = 0;
            terminal.size(width, height);
            terminal.draw(viewLines(view, width, height));
        }
    }

    // Plays the files in order; n and p move through them, skipping files
    // that could not be loaded.
    void run() {
        const int32_t count = static_cast<int32_t>(options.files.size());
        std::vector<bool> failed(options.files.size(), false);
        int32_t index = 0;
        int32_t direction = 1;
        int32_t cameFrom = -1;  // where p was pressed, played again when nothing before it plays
        while (stopSignal == 0) {
            if (index < 0) {
                index = cameFrom >= 0 ? cameFrom : 0;
                direction = 1;
                cameFrom = -1;
            }
            if (index >= count) return;
            if (failed[static_cast<size_t>(index)]) {
                index += direction;
                continue;
            }
            ModuleFile module = openModuleFile(options.files[static_cast<size_t>(index)]);
            if (module.song == nullptr) {
                failed[static_cast<size_t>(index)] = true;
                report(module.error);
                index += direction;
                continue;
            }
            const FileEnd end = play(module, index);
            freeSong(module.song);
            if (end == FileEnd::quit) return;
            cameFrom = end == FileEnd::previous ? index : -1;
            direction = end == FileEnd::previous ? -1 : 1;
            index += direction;
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    SDL_SetMainReady();
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const PlayOptionsResult parsed = parsePlayOptions(arguments);
    if (!parsed.options) {
        std::fprintf(stderr, "tavorly-play: %s\nTry 'tavorly-play --help'.\n", parsed.error.c_str());
        return exitUsage;
    }
    const PlayOptions& options = *parsed.options;
    if (options.showHelp) {
        std::fputs(playUsage().c_str(), stdout);
        return 0;
    }

    // Ctrl+C, SIGTERM and a closed terminal end playback cleanly (the
    // terminal restored, the device closed). SDL's own handlers would turn
    // them into quit events that nothing reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction action {};
    action.sa_handler = stopOnSignal;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &action, nullptr);

    installFileCallbacks(openDiskFile, closeDiskFile, readDiskFile, seekDiskFile, tellDiskFile);
    installAudioDevice(systemAudioDevice());
    if (!openAudioOutput(rate)) {
        std::fprintf(stderr, "tavorly-play: cannot open the sound device: %s\n", audioOutputError());
        return exitFailure;
    }

    Player player{options, false, {}, {}, {}, {}, {}};
    player.controls.loop = options.loop;
    player.viewShown = !options.quiet && player.terminal.enter();
    player.run();
    closeAudioOutput();
    player.terminal.leave();
    if (player.viewShown)
        for (const std::string& problem : player.problems) std::fprintf(stderr, "tavorly-play: %s\n", problem.c_str());
    if (stopSignal != 0) return 128 + stopSignal;
    return player.problems.empty() ? 0 : exitFailure;
}

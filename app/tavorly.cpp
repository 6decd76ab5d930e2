// The production's spine: opens the display, builds the scene, starts the
// music, runs the main loop until Escape, the close request or the end of
// the production, then takes everything down in a fixed order. Free of
// platform headers: the display, events, messages, clock and sound device
// are reached through their seams.
#include "app/tavorly.h"

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

#include "app/display.h"
#include "app/display_events.h"
#include "app/main_loop.h"
#include "app/message_box.h"
#include "app/startup_times.h"
#include "app/tick_clock.h"
#include "data/scrolltext.h"
#include "music/audio_device.h"
#include "music/audio_output.h"
#include "music/file_callbacks.h"
#include "music/lifecycle.h"
#include "music/memory_file.h"
#include "scene/demo_scene.h"
#include "scene/random_generator.h"
#include "scene/tick_source.h"

using namespace music;

namespace {

// Music start-up, after the scene is built: install the memory-file routines,
// open the audio output at 44100 Hz, load the module "#190" and start it.
// Returns false (after reporting what failed) when the output
// cannot be opened or the module cannot be loaded; song is then whatever was
// loaded, for stopMusic to release.
bool startMusic(Song*& song) {
    song = nullptr;
    installFileCallbacks(openResourceFile, closeMemoryFile, readMemoryFile, seekMemoryFile, tellMemoryFile);
    installAudioDevice(systemAudioDevice());
    if (!openAudioOutput(44100)) {
        reportFatalError((std::string("cannot open the audio output: ") + audioOutputError()).c_str());
        return false;
    }
    markStartup(StartupStage::audioOpen);
    song = loadSong("#190");
    if (song == nullptr) {
        reportFatalError("cannot load the music: resource #190 is missing or not an XM module");
        return false;
    }
    markStartup(StartupStage::songLoaded);
    if (!playSong(song)) {
        reportFatalError("cannot start the music");
        return false;
    }
    markStartup(StartupStage::playing);
    return true;
}

// Music shut-down, after the display is closed: free the song (which stops
// the output thread first), then close the audio output. Says on stderr if
// the sound ever ran out, which only a starved machine should cause.
void stopMusic(Song* song) {
    freeSong(song);
    const OutputUnderruns counts = outputUnderruns();
    if (counts.underruns > 0) {
        std::fprintf(stderr, "tavorly: the music ran out of rendered sound %lld times (%lld ms of silence)\n",
                     static_cast<long long>(counts.underruns),
                     static_cast<long long>(counts.missedFrames * 1000 / audioOutput.outputRate));
    }
    closeAudioOutput();
}

}  // namespace

int32_t runTavorly(void (*afterFirstFrame)()) {
    markStartup(StartupStage::entered);
    // openDisplay has said why on stderr (and in a box where it could).
    if (!openDisplay("Tavorly!", 800, 600, 32, DisplaySurface::FullScreen)) return 1;
    markStartup(StartupStage::display);

    // The scene is built while the GL context is current, from the generator's
    // unseeded state, so the swarm starts the same on every run; everything
    // random after that differs from run to run.
    RandomGenerator random;
    std::optional<DemoScene> scene;
    scene.emplace(TickSource{&readTickCounter, nullptr}, random, scrollTextBody(), scrollTextTail());
    random.seed(static_cast<uint32_t>(std::time(nullptr)));
    markStartup(StartupStage::scene);

    Song* song = nullptr;
    int32_t exitCode = 1;
    if (startMusic(song)) {
        int32_t framesStarted = 0;
        exitCode = runMainLoop([&] {
            // The second frame begins once the first one's present returned.
            if (framesStarted < 2 && ++framesStarted == 2 && afterFirstFrame != nullptr) afterFirstFrame();
            return scene->drawFrame();
        });
    }
    reportStartupTimes();

    if (displayState.glErrors > 0) {
        std::fprintf(stderr, "tavorly: OpenGL reported %lld errors while drawing (the first: 0x%04x)\n",
                     static_cast<long long>(displayState.glErrors), displayState.firstGlError);
    }
    closeDisplay();
    stopMusic(song);
    // Last: its textures went with the GL context.
    scene.reset();
    return exitCode;
}

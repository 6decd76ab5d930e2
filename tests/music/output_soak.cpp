// The audio output's soak check: plays a module through the platform's sound device
// in real time, as the demo does, for a number of seconds, then reports how
// often the device ran out of rendered sound. Run under load to show the
// output thread keeps up (see the README's audio output section).
//   output_soak MODULE.xm [SECONDS]
// Exit 0 with no underrun, 1 with any or when playback cannot start, 2 for
// a wrong command line.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "music/audio_device.h"
#include "music/audio_output.h"
#include "music/disk_file.h"
#include "music/file_callbacks.h"
#include "music/lifecycle.h"

using namespace music;

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: output_soak MODULE.xm [SECONDS]\n");
        return 2;
    }
    const double seconds = argc == 3 ? std::atof(argv[2]) : 60.0;
    if (!(seconds > 0)) {
        std::fprintf(stderr, "output_soak: SECONDS must be a positive number, not %s\n", argv[2]);
        return 2;
    }
    installFileCallbacks(openDiskFile, closeDiskFile, readDiskFile, seekDiskFile, tellDiskFile);
    installAudioDevice(systemAudioDevice());
    if (!openAudioOutput(44100)) {
        std::fprintf(stderr, "output_soak: cannot open the audio output: %s\n", audioOutputError());
        return 1;
    }
    Song* song = loadSong(argv[1]);
    if (song == nullptr || !playSong(song)) {
        std::fprintf(stderr, "output_soak: cannot load %s as an XM module\n", argv[1]);
        closeAudioOutput();
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double played = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const OutputUnderruns counts = outputUnderruns();
    freeSong(song);
    closeAudioOutput();
    std::printf("played %.1f s in real time: %lld underruns, %lld frames played as silence\n", played,
                static_cast<long long>(counts.underruns), static_cast<long long>(counts.missedFrames));
    return counts.underruns == 0 ? 0 : 1;
}

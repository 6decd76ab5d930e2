// Live playback over the engine's output calls.
#include "tools/play/live_playback.h"

#include <chrono>
#include <thread>

#include "music/audio_output.h"
#include "music/lifecycle.h"
#include "music/mixer.h"

using namespace music;

namespace {

// Everything but the song's position: read by the output thread, so only set
// before the song starts or while the output is held.
void setOutputControl(const SongScan& scan, const PlayControls& controls, int64_t playedFrames) {
    audioOutput.control.paused = controls.paused;
    audioOutput.control.volume = static_cast<float>(controls.volumePercent) / 100.0f;
    audioOutput.control.endFrame = endFrameFor(scan, controls.loop, playedFrames);
}

}  // namespace

bool startLiveSong(Song* song, const SongScan& scan, const PlayControls& controls, int32_t startOrder) {
    const OrderStart start = orderStartFor(scan, *song, startOrder);
    setOutputControl(scan, controls, start.frame);
    return playSongFrom(song, start);
}

void applyLiveControls(const SongScan& scan, const PlayControls& controls) {
    if (!holdOutput()) return;
    // Held, the song stands at the block the change starts from.
    setOutputControl(scan, controls, audioOutput.currentSong->playedFrames);
    releaseOutput();
}

void seekLive(Song* song, const SongScan& scan, int32_t order, const PlayControls& controls) {
    if (!holdOutput()) return;
    const OrderStart start = orderStartFor(scan, *song, order);
    // Notes of the old position are not carried over: the new one starts
    // from silent voices while the old sound fades out.
    resetVoices();
    rewindSongTo(song, start);
    setOutputControl(scan, controls, start.frame);
    releaseOutput();
}

void stopLiveSong(Song* song) {
    if (holdOutput()) {
        audioOutput.control.paused = true;
        releaseOutput();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
        BlockReport heard{};
        while (std::chrono::steady_clock::now() < deadline) {
            if (readHeardBlock(heard) && heard.generation == audioOutput.generation && (heard.paused || heard.ended)) {
                // That block holds the fade; the next one is silent.
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    stopSong(song);
    audioOutput.control = OutputControl{};
}

// Offline rendering over the output's tick and mix interleave.
#include "music/render.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "music/lifecycle.h"
#include "music/mixer.h"

namespace {

int32_t renderBlockFrames = 0;
std::vector<float> mixBlock;
std::vector<int16_t> pcmBlock;
int32_t pcmFramesReady = 0;    // frames of pcmBlock rendered
int32_t pcmFramesTaken = 0;    // of which handed out
int32_t rateBeforeRender = 0;  // the output's rate, given back at the end
bool watchStopped = false;     // a watch ended the render; nothing more until beginRender

}  // namespace

bool beginRender(Song* song, int32_t rate) {
    if (song == nullptr || rate < 8000 || rate > 192000) return false;
    if (!threadFinished.load()) return false;
    if (rateBeforeRender == 0) rateBeforeRender = outputRate;
    outputRate = rate;
    setMixRate(rate);
    resetVoices();
    renderBlockFrames = (rate * 20 / 1000 + 3) & ~3;
    mixBlock.assign(2 * static_cast<size_t>(renderBlockFrames), 0.0f);
    pcmBlock.assign(2 * static_cast<size_t>(renderBlockFrames), 0);
    pcmFramesReady = pcmFramesTaken = 0;
    watchStopped = false;
    rewindSong(song);
    currentSong = song;
    return true;
}

int64_t renderFrames(int16_t* out, int64_t frames, TickWatch watch, void* context) {
    if (currentSong == nullptr || out == nullptr) return 0;
    int64_t written = 0;
    while (written < frames) {
        if (pcmFramesTaken == pcmFramesReady) {
            // The stop is kept: a caller whose last request ended exactly
            // where the watch stopped learns of it from the next one.
            if (watchStopped) return written;
            std::fill(mixBlock.begin(), mixBlock.end(), 0.0f);
            int32_t mixed = mixSongFrames(mixBlock.data(), renderBlockFrames, watch, context);
            convertToPcm16(pcmBlock.data(), mixBlock.data(), mixed);
            pcmFramesReady = mixed;
            pcmFramesTaken = 0;
            watchStopped = mixed < renderBlockFrames;
        }
        int64_t n = std::min<int64_t>(frames - written, pcmFramesReady - pcmFramesTaken);
        std::memcpy(out + 2 * written, pcmBlock.data() + 2 * pcmFramesTaken,
                    static_cast<size_t>(n) * 2 * sizeof(int16_t));
        written += n;
        pcmFramesTaken += static_cast<int32_t>(n);
    }
    return written;
}

int64_t scanFrames(int64_t frames, TickWatch watch, void* context) {
    if (currentSong == nullptr) return 0;
    int64_t done = 0;
    while (done < frames) {
        auto want = static_cast<int32_t>(std::min<int64_t>(frames - done, 1 << 30));
        int32_t passed = mixSongFrames(nullptr, want, watch, context);
        done += passed;
        if (passed < want) break;
    }
    return done;
}

void endRender() {
    currentSong = nullptr;
    pcmFramesReady = pcmFramesTaken = 0;
    watchStopped = false;
    // An output opened at another rate keeps its tempo and ramps.
    if (rateBeforeRender != 0) {
        outputRate = rateBeforeRender;
        setMixRate(outputRate);
        rateBeforeRender = 0;
    }
}

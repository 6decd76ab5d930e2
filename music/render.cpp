// Offline rendering over the output's tick and mix interleave.
#include "music/render.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "music/lifecycle.h"
#include "music/mixer.h"

namespace music {

namespace {

// The offline render's state: the block it mixes into and converts, and how
// much of that block has been handed out.
struct RenderState {
    int32_t blockFrames = 0;  // frames per block, as the output's blocks at the render's rate
    std::vector<float> mixBlock;
    std::vector<int16_t> pcmBlock;
    int32_t pcmFramesReady = 0;  // frames of pcmBlock rendered
    int32_t pcmFramesTaken = 0;  // of which handed out
    bool rendering = false;      // between beginRender and endRender: the mixer runs at the render's rate
    bool watchStopped = false;   // a watch ended the render; nothing more until beginRender
};
RenderState renderState;

}  // namespace

bool beginRender(Song* song, int32_t rate) {
    if (song == nullptr || rate < 8000 || rate > 192000) return false;
    if (!audioOutput.threadFinished.load()) return false;
    renderState.rendering = true;
    setMixRate(rate);
    resetVoices();
    renderState.blockFrames = (rate * 20 / 1000 + 3) & ~3;
    renderState.mixBlock.assign(2 * static_cast<size_t>(renderState.blockFrames), 0.0f);
    renderState.pcmBlock.assign(2 * static_cast<size_t>(renderState.blockFrames), 0);
    renderState.pcmFramesReady = renderState.pcmFramesTaken = 0;
    renderState.watchStopped = false;
    rewindSong(song);
    audioOutput.currentSong = song;
    return true;
}

int64_t renderFrames(int16_t* out, int64_t frames, TickWatch watch, void* context) {
    if (audioOutput.currentSong == nullptr || out == nullptr) return 0;
    int64_t written = 0;
    while (written < frames) {
        if (renderState.pcmFramesTaken == renderState.pcmFramesReady) {
            // The stop is kept: a caller whose last request ended exactly
            // where the watch stopped learns of it from the next one.
            if (renderState.watchStopped) return written;
            std::fill(renderState.mixBlock.begin(), renderState.mixBlock.end(), 0.0f);
            int32_t mixed = mixSongFrames(renderState.mixBlock.data(), renderState.blockFrames, watch, context);
            convertToPcm16(renderState.pcmBlock.data(), renderState.mixBlock.data(), mixed);
            renderState.pcmFramesReady = mixed;
            renderState.pcmFramesTaken = 0;
            renderState.watchStopped = mixed < renderState.blockFrames;
        }
        int64_t n = std::min<int64_t>(frames - written, renderState.pcmFramesReady - renderState.pcmFramesTaken);
        std::memcpy(out + 2 * written, renderState.pcmBlock.data() + 2 * renderState.pcmFramesTaken,
                    static_cast<size_t>(n) * 2 * sizeof(int16_t));
        written += n;
        renderState.pcmFramesTaken += static_cast<int32_t>(n);
    }
    return written;
}

int64_t scanFrames(int64_t frames, TickWatch watch, void* context) {
    if (audioOutput.currentSong == nullptr) return 0;
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
    audioOutput.currentSong = nullptr;
    renderState.pcmFramesReady = renderState.pcmFramesTaken = 0;
    renderState.watchStopped = false;
    // An output opened at another rate keeps its tempo and ramps.
    if (renderState.rendering) {
        setMixRate(audioOutput.outputRate);
        renderState.rendering = false;
    }
}

}  // namespace music

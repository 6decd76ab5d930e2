// The audio output: opens the installed device, keeps its looping buffer fed
// from a thread of its own and hands over to the main thread through three
// atomic flags. No lock is used; song, channel and voice state is touched only
// by whichever thread renders.
#include "music/audio_output.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "music/file_callbacks.h"
#include "music/mixer.h"
#include "music/player.h"
#include "music/render_checkpoint.h"
#include "music/thread_priority.h"

namespace music {

AudioOutput audioOutput;

namespace {

constexpr int32_t minRate = 8000;
constexpr int32_t maxRate = 192000;

const AudioDevice* installedDevice = nullptr;
const AudioDevice* openDevice = nullptr;  // the device while it is open
std::string lastError;
// What the buffer holds for the device, published to its reader thread.
RingHandOver handOver;
// Frames since the start of playback rendered into the buffer: the end of
// the hand-over's span, kept here by whichever thread renders.
int64_t renderedUntil = 0;
std::unique_ptr<int16_t[]> outputStorage;
std::unique_ptr<float[]> mixStorage;
// A process that exits while a song plays (SDL ends the program from inside
// its display error handler, for one) stops the thread here, before the
// buffers it renders into are destroyed, instead of aborting in the running
// thread's destructor. Declared after the buffers so it is destroyed first.
struct OutputThreadHandle {
    std::thread thread;
    bool joinable() const { return thread.joinable(); }
    void join() { thread.join(); }
    ~OutputThreadHandle() {
        if (!thread.joinable()) return;
        audioOutput.stopRequested.store(true);
        thread.join();
    }
};
OutputThreadHandle outputThreadHandle;

// A change made while the output is held is rendered from this many blocks
// past the play position: 80 ms, which is still heard as prompt, and at
// least two device reads (SDL's take 1,024 frames) plus a block, since a read
// in progress may already have passed the position by one read.
int32_t leadBlocks() { return std::max(4, (2048 + audioOutput.blockFrames - 1) / audioOutput.blockFrames + 1); }
// The longest crossfade: one ramp at the highest rate.
constexpr int32_t maxFadeFrames = 560;

// State of the render, touched by whichever thread renders (and by the main
// thread while none runs).
bool held = false;              // holdOutput stopped the thread; releaseOutput restarts it
bool songEnded = false;         // the song reached audioOutput.control.endFrame
bool crossfadePending = false;  // the next block fades in over what was rendered there before
uint32_t renderGeneration = 0;  // audioOutput.generation of the running render
std::array<float, 2 * maxFadeFrames> fadeScratch{};

}  // namespace

void installAudioDevice(const AudioDevice* device) { installedDevice = device; }

const char* audioOutputError() { return lastError.c_str(); }

OutputUnderruns outputUnderruns() {
    return {handOver.underruns.load(std::memory_order_relaxed), handOver.missedFrames.load(std::memory_order_relaxed)};
}

bool openAudioOutput(int32_t rate) {
    if (!fileCallbacksInstalled()) {
        lastError = "the file routines are not installed";
        return false;
    }
    closeAudioOutput();
    if (installedDevice == nullptr) {
        lastError = "no audio device is installed";
        return false;
    }
    if (rate < minRate || rate > maxRate) {
        lastError = "unsupported output rate " + std::to_string(rate);
        return false;
    }
    // The rate, which sets every tempo and pitch, is taken only once the
    // device has accepted it: a refused open leaves it as it was.
    if (!installedDevice->open(rate)) {
        const char* reason = installedDevice->error();
        lastError = reason != nullptr && *reason != '\0' ? reason : "the audio device cannot be opened";
        return false;
    }
    audioOutput.outputRate = rate;
    openDevice = installedDevice;

    audioOutput.blockFrames = (rate * 20 / 1000 + 3) & ~3;
    audioOutput.bufferFrames = 2 * (1000 / 20) * audioOutput.blockFrames;
    audioOutput.blockCount = audioOutput.bufferFrames / audioOutput.blockFrames;
    audioOutput.writeBlock = 0;
    outputStorage = std::make_unique<int16_t[]>(2 * static_cast<size_t>(audioOutput.bufferFrames));
    audioOutput.outputBuffer = outputStorage.get();
    // 64 spare floats (256 bytes), the start rounded up to 16 bytes.
    mixStorage = std::make_unique<float[]>(2 * static_cast<size_t>(audioOutput.bufferFrames) + 64);
    uintptr_t address = reinterpret_cast<uintptr_t>(mixStorage.get());
    audioOutput.mixBuffer = reinterpret_cast<float*>((address + 15) & ~uintptr_t{15});

    handOver.underruns.store(0);
    handOver.missedFrames.store(0);
    allocateCheckpoints(audioOutput.blockCount);

    setMixRate(rate);
    resetVoices();
    lastError.clear();
    return true;
}

void closeAudioOutput() {
    if (audioOutput.currentSong != nullptr || outputThreadHandle.joinable()) stopPlayback();
    if (openDevice == nullptr) return;
    openDevice->reset();
    openDevice->close();
    openDevice = nullptr;
    audioOutput.outputBuffer = nullptr;
    audioOutput.mixBuffer = nullptr;
    outputStorage.reset();
    mixStorage.reset();
    allocateCheckpoints(0);
    audioOutput.blockFrames = audioOutput.bufferFrames = audioOutput.blockCount = audioOutput.writeBlock = 0;
}

bool startPlayback() {
    if (openDevice == nullptr || audioOutput.currentSong == nullptr) return false;
    // The device may still loop the previous song's buffer; it lets go of it
    // before the buffer is rewritten.
    openDevice->reset();
    std::fill(audioOutput.outputBuffer, audioOutput.outputBuffer + 2 * static_cast<size_t>(audioOutput.bufferFrames),
              int16_t{0});
    clearCheckpoints();
    clearBlockReports();
    songEnded = false;
    crossfadePending = false;
    renderGeneration = ++audioOutput.generation;
    audioOutput.writeBlock = 0;
    do {
        fillBlock();
    } while (audioOutput.writeBlock != 0);
    // The device's reader is stopped (reset) and the start below hands the
    // span over under the device's own lock.
    renderedUntil = audioOutput.bufferFrames;
    handOver.missing = false;
    handOver.stopped.store(false, std::memory_order_relaxed);
    handOver.renderedFrom.store(0, std::memory_order_relaxed);
    handOver.renderedUntil.store(renderedUntil, std::memory_order_release);
    openDevice->start(audioOutput.outputBuffer, audioOutput.bufferFrames, &handOver);

    audioOutput.stopRequested.store(false);
    // Set here rather than by the thread, so a stop that comes before the
    // thread has run never takes it for finished.
    audioOutput.threadFinished.store(false);
    outputThreadHandle.thread = std::thread(outputThread);
    return true;
}

void stopPlayback() {
    // The device plays out what was rendered; the silence after it is the
    // end of the song, not an underrun.
    handOver.stopped.store(true, std::memory_order_relaxed);
    audioOutput.stopRequested.store(true);
    while (audioOutput.blockBusy.load()) std::this_thread::yield();
    if (outputThreadHandle.joinable()) outputThreadHandle.join();
    audioOutput.threadFinished.store(true);
    held = false;
    audioOutput.currentSong = nullptr;
}

bool holdOutput() {
    if (openDevice == nullptr || audioOutput.currentSong == nullptr) return false;
    if (held) return true;
    audioOutput.stopRequested.store(true);
    while (audioOutput.blockBusy.load()) std::this_thread::yield();
    if (outputThreadHandle.joinable()) outputThreadHandle.join();
    audioOutput.threadFinished.store(true);
    held = true;
    const int64_t played = openDevice->position();
    const int64_t heldStart =
        played - played % audioOutput.blockFrames + int64_t{leadBlocks()} * audioOutput.blockFrames;
    // Only a block already rendered is wound back to; had the thread fallen
    // behind, the state is already that of the next block to render.
    if (heldStart < renderedUntil) {
        int32_t block = static_cast<int32_t>(heldStart / audioOutput.blockFrames % audioOutput.blockCount);
        if (restoreCheckpoint(block, *audioOutput.currentSong, songEnded)) {
            audioOutput.writeBlock = block;
            renderedUntil = heldStart;
            // The device stops short of the blocks rendered again: should the
            // thread be late, it plays silence there, never a block half
            // rewritten.
            handOver.renderedUntil.store(renderedUntil, std::memory_order_release);
        }
    }
    return true;
}

void releaseOutput() {
    if (!held) return;
    held = false;
    crossfadePending = true;
    renderGeneration = ++audioOutput.generation;
    audioOutput.stopRequested.store(false);
    audioOutput.threadFinished.store(false);
    outputThreadHandle.thread = std::thread(outputThread);
}

bool readHeardBlock(BlockReport& report) {
    if (openDevice == nullptr || audioOutput.currentSong == nullptr || audioOutput.bufferFrames <= 0) return false;
    int64_t frames = openDevice->position();
    int32_t block = static_cast<int32_t>(frames % audioOutput.bufferFrames) / audioOutput.blockFrames;
    return readBlockReport(block, report);
}

int32_t mixSongFrames(float* mix, int32_t frames, TickWatch watch, void* context) {
    Song* song = audioOutput.currentSong;
    if (song == nullptr) {
        mixVoices(mix, frames);
        return frames;
    }
    int32_t left = song->framesLeftInTick;
    int32_t done = 0;
    while (done < frames) {
        if (left <= 0) {
            if (song->tickHandler != nullptr) song->tickHandler(song);
            // Read after the tick, which may change the tempo; never 0, so a
            // broken tempo cannot stall the output.
            left = std::max(1, song->framesPerTick);
            if (watch != nullptr && watch(*song, context)) {
                song->framesLeftInTick = left;
                return done;
            }
        }
        int32_t n = std::min(left, frames - done);
        if (mix != nullptr) mixVoices(mix + 2 * static_cast<ptrdiff_t>(done), n);
        done += n;
        left -= n;
        song->playedFrames += n;
    }
    song->framesLeftInTick = left;
    return done;
}

namespace {

// Mixes one block of the current song into `mix` as audioOutput.control asks:
// nothing while paused (the song stays where it is); otherwise the song up to
// its end frame, and from there its voices ramping out without ticks.
void renderSongBlock(float* mix) {
    Song* song = audioOutput.currentSong;
    if (song == nullptr || audioOutput.control.paused) {
        if (song == nullptr) mixVoices(mix, audioOutput.blockFrames);
        return;
    }
    int32_t frames = audioOutput.blockFrames;
    if (!songEnded) {
        int64_t left = std::max<int64_t>(0, audioOutput.control.endFrame - song->playedFrames);
        int32_t n = static_cast<int32_t>(std::min<int64_t>(left, frames));
        mixSongFrames(mix, n);
        if (n == frames) return;
        songEnded = true;
        mix += 2 * static_cast<ptrdiff_t>(n);
        frames -= n;
    }
    rampOutVoices();
    mixVoices(mix, frames);
}

void reportBlock(int32_t block) {
    BlockReport report{};
    report.generation = renderGeneration;
    report.paused = audioOutput.control.paused ? 1 : 0;
    report.ended = songEnded ? 1 : 0;
    const Song* song = audioOutput.currentSong;
    if (song != nullptr) {
        PlayedTick played = lastPlayedTick();
        report.orderPosition = played.orderPosition;
        report.row = played.row;
        bool inTable = played.orderPosition >= 0 && played.orderPosition < maxOrderPositions;
        report.pattern = inTable ? song->orderTable[static_cast<size_t>(played.orderPosition)] : -1;
        report.speed = song->speed;
        report.bpm = song->bpm;
        report.channelCount = playedChannelCount(song);
        report.playedFrames = song->playedFrames;
        if (!report.paused && !report.ended) report.levels = channelLevels(report.channelCount);
    }
    writeBlockReport(block, report);
}

}  // namespace

void fillBlock() {
    size_t offset = 2 * static_cast<size_t>(audioOutput.writeBlock) * static_cast<size_t>(audioOutput.blockFrames);
    float* mix = audioOutput.mixBuffer + offset;
    if (audioOutput.currentSong != nullptr) saveCheckpoint(audioOutput.writeBlock, *audioOutput.currentSong, songEnded);
    // After a change the block's earlier sound fades out as the new one fades
    // in, which covers whatever the change did to the waveform.
    int32_t fadeFrames = 0;
    if (crossfadePending) {
        fadeFrames = std::min({mixerState.rampLength, audioOutput.blockFrames, maxFadeFrames});
        std::copy(mix, mix + 2 * fadeFrames, fadeScratch.begin());
        crossfadePending = false;
    }
    std::fill(mix, mix + 2 * static_cast<size_t>(audioOutput.blockFrames), 0.0f);
    renderSongBlock(mix);
    if (audioOutput.control.volume != 1.0f) {
        const float volume = std::max(audioOutput.control.volume, 0.0f);
        for (size_t i = 0; i < 2 * static_cast<size_t>(audioOutput.blockFrames); ++i) mix[i] *= volume;
    }
    for (size_t i = 0; i < 2 * static_cast<size_t>(fadeFrames); ++i) {
        float in = static_cast<float>(i / 2) / static_cast<float>(fadeFrames);
        mix[i] = mix[i] * in + fadeScratch[i] * (1.0f - in);
    }
    convertToPcm16(audioOutput.outputBuffer + offset, mix, audioOutput.blockFrames);
    reportBlock(audioOutput.writeBlock);
    audioOutput.writeBlock = audioOutput.writeBlock + 1 == audioOutput.blockCount ? 0 : audioOutput.writeBlock + 1;
}

void outputThread() {
    requestTimeCriticalPriority();
    audioOutput.threadFinished.store(false);
    while (!audioOutput.stopRequested.load()) {
        // Acquire: every frame below the position has been read, so the
        // blocks behind it may be rewritten. It never wraps, so the block is
        // exact however long the song has been playing.
        const int64_t played = openDevice->position();
        const int64_t playStart = played - played % audioOutput.blockFrames;
        if (played > renderedUntil) {
            // The device ran past the rendered frames (the thread was held
            // up for about two seconds). Frames already gone stay silent; the
            // song goes on where it was, from the block after this one.
            renderedUntil = playStart + audioOutput.blockFrames;
            audioOutput.writeBlock =
                static_cast<int32_t>((playStart / audioOutput.blockFrames + 1) % audioOutput.blockCount);
            handOver.renderedFrom.store(renderedUntil, std::memory_order_relaxed);
            handOver.renderedUntil.store(renderedUntil, std::memory_order_release);
        }
        // Every block up to the one being played, which the next lap plays.
        while (renderedUntil + audioOutput.blockFrames <= playStart + audioOutput.bufferFrames) {
            audioOutput.blockBusy.store(true);
            fillBlock();
            audioOutput.blockBusy.store(false);
            renderedUntil += audioOutput.blockFrames;
            // Release: the reader copies the block only after it sees this.
            handOver.renderedUntil.store(renderedUntil, std::memory_order_release);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    audioOutput.threadFinished.store(true);
}

}  // namespace music

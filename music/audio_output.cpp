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

OutputThreadHandle::~OutputThreadHandle() {
    if (!thread.joinable()) return;
    audioOutput.stopRequested.store(true);
    thread.join();
}

namespace {

constexpr int32_t minRate = 8000;
constexpr int32_t maxRate = 192000;

// A change made while the output is held is rendered from this many blocks
// past the play position: 80 ms, which is still heard as prompt, and at
// least two device reads (SDL's take 1,024 frames) plus a block, since a read
// in progress may already have passed the position by one read.
int32_t leadBlocks() { return std::max(4, (2048 + audioOutput.blockFrames - 1) / audioOutput.blockFrames + 1); }

}  // namespace

void installAudioDevice(const AudioDevice* device) { audioOutput.installedDevice = device; }

const char* audioOutputError() { return audioOutput.error.c_str(); }

OutputUnderruns outputUnderruns() {
    return {audioOutput.handOver.underruns.load(std::memory_order_relaxed),
            audioOutput.handOver.missedFrames.load(std::memory_order_relaxed)};
}

bool openAudioOutput(int32_t rate) {
    if (!fileCallbacksInstalled()) {
        audioOutput.error = "the file routines are not installed";
        return false;
    }
    closeAudioOutput();
    if (audioOutput.installedDevice == nullptr) {
        audioOutput.error = "no audio device is installed";
        return false;
    }
    if (rate < minRate || rate > maxRate) {
        audioOutput.error = "unsupported output rate " + std::to_string(rate);
        return false;
    }
    // The rate, which sets every tempo and pitch, is taken only once the
    // device has accepted it: a refused open leaves it as it was.
    if (!audioOutput.installedDevice->open(rate)) {
        const char* reason = audioOutput.installedDevice->error();
        audioOutput.error = reason != nullptr && *reason != '\0' ? reason : "the audio device cannot be opened";
        return false;
    }
    audioOutput.outputRate = rate;
    audioOutput.openedDevice = audioOutput.installedDevice;

    audioOutput.blockFrames = (rate * 20 / 1000 + 3) & ~3;
    audioOutput.bufferFrames = 2 * (1000 / 20) * audioOutput.blockFrames;
    audioOutput.blockCount = audioOutput.bufferFrames / audioOutput.blockFrames;
    audioOutput.writeBlock = 0;
    audioOutput.outputStorage = std::make_unique<int16_t[]>(2 * static_cast<size_t>(audioOutput.bufferFrames));
    audioOutput.outputBuffer = audioOutput.outputStorage.get();
    // 64 spare floats (256 bytes), the start rounded up to 16 bytes.
    audioOutput.mixStorage = std::make_unique<float[]>(2 * static_cast<size_t>(audioOutput.bufferFrames) + 64);
    uintptr_t address = reinterpret_cast<uintptr_t>(audioOutput.mixStorage.get());
    audioOutput.mixBuffer = reinterpret_cast<float*>((address + 15) & ~uintptr_t{15});

    audioOutput.handOver.underruns.store(0);
    audioOutput.handOver.missedFrames.store(0);
    allocateCheckpoints(audioOutput.blockCount);

    setMixRate(rate);
    resetVoices();
    audioOutput.error.clear();
    return true;
}

void closeAudioOutput() {
    if (audioOutput.currentSong != nullptr || audioOutput.threadHandle.joinable()) stopPlayback();
    if (audioOutput.openedDevice == nullptr) return;
    audioOutput.openedDevice->reset();
    audioOutput.openedDevice->close();
    audioOutput.openedDevice = nullptr;
    audioOutput.outputBuffer = nullptr;
    audioOutput.mixBuffer = nullptr;
    audioOutput.outputStorage.reset();
    audioOutput.mixStorage.reset();
    allocateCheckpoints(0);
    audioOutput.blockFrames = audioOutput.bufferFrames = audioOutput.blockCount = audioOutput.writeBlock = 0;
}

bool startPlayback() {
    if (audioOutput.openedDevice == nullptr || audioOutput.currentSong == nullptr) return false;
    // The device may still loop the previous song's buffer; it lets go of it
    // before the buffer is rewritten.
    audioOutput.openedDevice->reset();
    std::fill(audioOutput.outputBuffer, audioOutput.outputBuffer + 2 * static_cast<size_t>(audioOutput.bufferFrames),
              int16_t{0});
    clearCheckpoints();
    clearBlockReports();
    audioOutput.songEnded = false;
    audioOutput.crossfadePending = false;
    audioOutput.renderGeneration = ++audioOutput.generation;
    audioOutput.writeBlock = 0;
    do {
        fillBlock();
    } while (audioOutput.writeBlock != 0);
    // The device's reader is stopped (reset) and the start below hands the
    // span over under the device's own lock.
    audioOutput.renderedUntil = audioOutput.bufferFrames;
    audioOutput.handOver.missing = false;
    audioOutput.handOver.stopped.store(false, std::memory_order_relaxed);
    audioOutput.handOver.renderedFrom.store(0, std::memory_order_relaxed);
    audioOutput.handOver.renderedUntil.store(audioOutput.renderedUntil, std::memory_order_release);
    audioOutput.openedDevice->start(audioOutput.outputBuffer, audioOutput.bufferFrames, &audioOutput.handOver);

    audioOutput.stopRequested.store(false);
    // Set here rather than by the thread, so a stop that comes before the
    // thread has run never takes it for finished.
    audioOutput.threadFinished.store(false);
    audioOutput.threadHandle.thread = std::thread(outputThread);
    return true;
}

void stopPlayback() {
    // The device plays out what was rendered; the silence after it is the
    // end of the song, not an underrun.
    audioOutput.handOver.stopped.store(true, std::memory_order_relaxed);
    audioOutput.stopRequested.store(true);
    while (audioOutput.blockBusy.load()) std::this_thread::yield();
    if (audioOutput.threadHandle.joinable()) audioOutput.threadHandle.join();
    audioOutput.threadFinished.store(true);
    audioOutput.held = false;
    audioOutput.currentSong = nullptr;
}

bool holdOutput() {
    if (audioOutput.openedDevice == nullptr || audioOutput.currentSong == nullptr) return false;
    if (audioOutput.held) return true;
    audioOutput.stopRequested.store(true);
    while (audioOutput.blockBusy.load()) std::this_thread::yield();
    if (audioOutput.threadHandle.joinable()) audioOutput.threadHandle.join();
    audioOutput.threadFinished.store(true);
    audioOutput.held = true;
    const int64_t played = audioOutput.openedDevice->position();
    const int64_t heldStart =
        played - played % audioOutput.blockFrames + int64_t{leadBlocks()} * audioOutput.blockFrames;
    // Only a block already rendered is wound back to; had the thread fallen
    // behind, the state is already that of the next block to render.
    if (heldStart < audioOutput.renderedUntil) {
        int32_t block = static_cast<int32_t>(heldStart / audioOutput.blockFrames % audioOutput.blockCount);
        if (restoreCheckpoint(block, *audioOutput.currentSong, audioOutput.songEnded)) {
            audioOutput.writeBlock = block;
            audioOutput.renderedUntil = heldStart;
            // The device stops short of the blocks rendered again: should the
            // thread be late, it plays silence there, never a block half
            // rewritten.
            audioOutput.handOver.renderedUntil.store(audioOutput.renderedUntil, std::memory_order_release);
        }
    }
    return true;
}

void releaseOutput() {
    if (!audioOutput.held) return;
    audioOutput.held = false;
    audioOutput.crossfadePending = true;
    audioOutput.renderGeneration = ++audioOutput.generation;
    audioOutput.stopRequested.store(false);
    audioOutput.threadFinished.store(false);
    audioOutput.threadHandle.thread = std::thread(outputThread);
}

bool readHeardBlock(BlockReport& report) {
    if (audioOutput.openedDevice == nullptr || audioOutput.currentSong == nullptr || audioOutput.bufferFrames <= 0)
        return false;
    int64_t frames = audioOutput.openedDevice->position();
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
    if (!audioOutput.songEnded) {
        int64_t left = std::max<int64_t>(0, audioOutput.control.endFrame - song->playedFrames);
        int32_t n = static_cast<int32_t>(std::min<int64_t>(left, frames));
        mixSongFrames(mix, n);
        if (n == frames) return;
        audioOutput.songEnded = true;
        mix += 2 * static_cast<ptrdiff_t>(n);
        frames -= n;
    }
    rampOutVoices();
    mixVoices(mix, frames);
}

void reportBlock(int32_t block) {
    BlockReport report{};
    report.generation = audioOutput.renderGeneration;
    report.paused = audioOutput.control.paused ? 1 : 0;
    report.ended = audioOutput.songEnded ? 1 : 0;
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
    if (audioOutput.currentSong != nullptr)
        saveCheckpoint(audioOutput.writeBlock, *audioOutput.currentSong, audioOutput.songEnded);
    // After a change the block's earlier sound fades out as the new one fades
    // in, which covers whatever the change did to the waveform.
    int32_t fadeFrames = 0;
    if (audioOutput.crossfadePending) {
        fadeFrames = std::min({mixerState.rampLength, audioOutput.blockFrames, AudioOutput::maxFadeFrames});
        std::copy(mix, mix + 2 * fadeFrames, audioOutput.fadeScratch.begin());
        audioOutput.crossfadePending = false;
    }
    std::fill(mix, mix + 2 * static_cast<size_t>(audioOutput.blockFrames), 0.0f);
    renderSongBlock(mix);
    if (audioOutput.control.volume != 1.0f) {
        const float volume = std::max(audioOutput.control.volume, 0.0f);
        for (size_t i = 0; i < 2 * static_cast<size_t>(audioOutput.blockFrames); ++i) mix[i] *= volume;
    }
    for (size_t i = 0; i < 2 * static_cast<size_t>(fadeFrames); ++i) {
        float in = static_cast<float>(i / 2) / static_cast<float>(fadeFrames);
        mix[i] = mix[i] * in + audioOutput.fadeScratch[i] * (1.0f - in);
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
        const int64_t played = audioOutput.openedDevice->position();
        const int64_t playStart = played - played % audioOutput.blockFrames;
        if (played > audioOutput.renderedUntil) {
            // The device ran past the rendered frames (the thread was held
            // up for about two seconds). Frames already gone stay silent; the
            // song goes on where it was, from the block after this one.
            audioOutput.renderedUntil = playStart + audioOutput.blockFrames;
            audioOutput.writeBlock =
                static_cast<int32_t>((playStart / audioOutput.blockFrames + 1) % audioOutput.blockCount);
            audioOutput.handOver.renderedFrom.store(audioOutput.renderedUntil, std::memory_order_relaxed);
            audioOutput.handOver.renderedUntil.store(audioOutput.renderedUntil, std::memory_order_release);
        }
        // Every block up to the one being played, which the next lap plays.
        while (audioOutput.renderedUntil + audioOutput.blockFrames <= playStart + audioOutput.bufferFrames) {
            audioOutput.blockBusy.store(true);
            fillBlock();
            audioOutput.blockBusy.store(false);
            audioOutput.renderedUntil += audioOutput.blockFrames;
            // Release: the reader copies the block only after it sees this.
            audioOutput.handOver.renderedUntil.store(audioOutput.renderedUntil, std::memory_order_release);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    audioOutput.threadFinished.store(true);
}

}  // namespace music

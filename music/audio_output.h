// The audio output: a looping two-second buffer of 16-bit stereo blocks that
// the engine's own thread refills as soon as the device has played them,
// alternating player ticks and mixing so that ticks fall on exact frames.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "music/audio_device.h"
#include "music/block_report.h"
#include "music/song.h"

namespace music {

// How often the device ran out of rendered sound since the output opened (a
// run of silence counts once) and how many frames it played as silence for
// want of rendered ones. Counted by the device's reader through the ring
// hand-over. Any thread.
struct OutputUnderruns {
    int64_t underruns;
    int64_t missedFrames;
};
OutputUnderruns outputUnderruns();

// How the output renders the current song. The main thread sets it before
// playback starts or while the output is held (holdOutput); the thread that
// renders reads it. The demo leaves it as it is.
struct OutputControl {
    bool paused = false;           // render silence and keep the song where it stands
    float volume = 1.0f;           // gain on the mix, 0 and up (1: the mix as it is)
    int64_t endFrame = INT64_MAX;  // the song ends once its playedFrames reaches this:
                                   // its voices ramp out and silence follows
};

// The output thread, stopped and awaited when the program exits while a song
// plays (SDL ends the program from inside its display error handler, for
// one), before the buffers it renders into are destroyed, instead of aborting
// in the running thread's destructor. Main thread.
struct OutputThreadHandle {
    std::thread thread;
    bool joinable() const { return thread.joinable(); }
    void join() { thread.join(); }
    ~OutputThreadHandle();
};

// The output's state: one instance, `audioOutput`. The sizes are set by
// openAudioOutput; the rest by the start and stop of playback and by the
// thread that renders.
struct AudioOutput {
    // The longest crossfade after releaseOutput: one ramp at the highest rate.
    static constexpr int32_t maxFadeFrames = 560;

    int32_t outputRate = 44100;       // frames per second; 44,100 until an output opens
    int32_t blockFrames = 0;          // 20 ms rounded up to a multiple of 4 frames (884 at 44,100 Hz)
    int32_t bufferFrames = 0;         // 100 blocks (88,400 frames at 44,100 Hz)
    int32_t blockCount = 0;           // bufferFrames / blockFrames
    int32_t writeBlock = 0;           // next block to render, 0..blockCount - 1
    int16_t* outputBuffer = nullptr;  // bufferFrames stereo frames, looped by the device
    float* mixBuffer = nullptr;       // bufferFrames stereo float frames, 16-byte aligned
    Song* currentSong = nullptr;      // the song being rendered; none when stopped
    // The hand-over between the main thread and the output thread.
    std::atomic<bool> stopRequested{false};  // main thread asks the output thread to end
    std::atomic<bool> blockBusy{false};      // the output thread is rendering a block
    std::atomic<bool> threadFinished{true};  // no output thread runs
    OutputControl control;                   // how the current song is rendered
    // Counts the renders: playback starts and releases of the output. Every
    // block report carries the count of the render that wrote it. Main thread.
    uint32_t generation = 0;

    // The device. Main thread, but for the hand-over.
    const AudioDevice* installedDevice = nullptr;  // the one openAudioOutput opens
    const AudioDevice* openedDevice = nullptr;     // installedDevice while it is open; none when closed
    std::string error;                             // why openAudioOutput last failed; empty after a success
    // What the buffer holds for the device, published to its reader thread.
    RingHandOver handOver;
    // The end of the hand-over's span, in frames since the start of playback:
    // every frame below it has been rendered into the buffer. Kept by
    // whichever thread renders.
    int64_t renderedUntil = 0;
    // The storage behind outputBuffer (2 * bufferFrames values) and mixBuffer
    // (2 * bufferFrames + 64 floats, so that mixBuffer can start on 16 bytes).
    std::unique_ptr<int16_t[]> outputStorage;
    std::unique_ptr<float[]> mixStorage;

    // The render, touched by whichever thread renders (and by the main thread
    // while none runs).
    bool held = false;              // holdOutput stopped the thread; releaseOutput restarts it
    bool songEnded = false;         // the song reached control.endFrame
    bool crossfadePending = false;  // the next block fades in over what was rendered there before
    uint32_t renderGeneration = 0;  // generation of the running render
    // The block's earlier sound while it is crossfaded: up to maxFadeFrames
    // stereo frames.
    std::array<float, 2 * maxFadeFrames> fadeScratch{};

    // Last, so that it is destroyed first: the thread stops before anything
    // it uses goes.
    OutputThreadHandle threadHandle;
};
extern AudioOutput audioOutput;

// The device that openAudioOutput opens. Main thread, before opening.
void installAudioDevice(const AudioDevice* device);

// Opens the installed device at `rate` (8,000..192,000), sizes the buffers,
// sets the ramp length and zeroes the voices. False when the file routines
// are not all installed, no device is installed, or it cannot be opened.
// Main thread, at start-up.
bool openAudioOutput(int32_t rate);

// Why openAudioOutput last failed, as one line. Main thread.
const char* audioOutputError();

// Stops playback if any, resets and closes the device, releases the buffers.
// Main thread, at shut-down after the song has been freed.
void closeAudioOutput();

// The output half of playSong, after it has reset currentSong: renders every
// block, starts the device and the output thread. False when no output is
// open. Main thread.
bool startPlayback();

// The output half of stopSong: ends and awaits the output thread and forgets
// currentSong. The device plays out what was rendered, then silence, until
// the next start or close. Main thread.
void stopPlayback();

// Lets the main thread change what is heard within a few blocks instead of
// two seconds. Stops the output thread, then winds the song, channels, voices
// and player back to where they stood at the start of the held block: the
// first block the device can't have begun on (a few blocks past the play
// position). Until releaseOutput the main thread may change them and
// audioOutput.control (seek with rewindSongTo, pause, set the volume or the end).
// False, holding nothing, when no song plays. Main thread.
bool holdOutput();

// Restarts the output thread after holdOutput. It renders from the held block
// on, crossfading from the sound rendered there before over one ramp length,
// so the change is heard without a click about 80 ms later. Main thread.
void releaseOutput();

// The report of the block the device is playing now: what the listener hears
// (to within one 20 ms block), not the render two seconds ahead. False when no
// output plays or the block has no report. Lock-free. Main thread, while a
// song plays (before stopPlayback).
bool readHeardBlock(BlockReport& report);

// Renders block writeBlock of currentSong and advances writeBlock. Main thread
// during startPlayback, the output thread afterwards, never both at once.
void fillBlock();

// The output thread's routine: polls the play position every 5 ms and renders
// every block the device has finished, oldest first, until stopRequested.
// When the device has played past what was rendered, rendering goes on with
// the song where it was, into the blocks after the one being played.
void outputThread();

// Called after every tick while mixSongFrames renders; true stops the run
// before the tick's frames are mixed.
using TickWatch = bool (*)(const Song& song, void* context);

// Mixes `frames` frames of currentSong into `mix` (which it does not clear),
// running the song's tickHandler whenever framesPerTick frames have been mixed
// since the last tick, and adds them to the song's playedFrames. With no
// `mix` the ticks run and nothing is mixed. Returns the frames mixed: all of
// them unless `watch` stopped the run. The thread that renders.
int32_t mixSongFrames(float* mix, int32_t frames, TickWatch watch = nullptr, void* context = nullptr);

}  // namespace music

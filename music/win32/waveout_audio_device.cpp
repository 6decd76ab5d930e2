// The waveOut sound device. A reader thread of the device's own keeps a few
// short wave headers queued: each time the device hands one back, the thread
// refills it from the output's looping buffer through the ring hand-over
// (silence for frames not rendered, counted as underruns unless playback has
// stopped) and queues it again. The buffer pointer and cursor are guarded by a
// critical section that the reader holds while it copies; the output thread
// only loads the position, which the reader publishes with release order.
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "music/audio_device.h"

namespace music {

namespace {

constexpr int32_t frameBytes = 4;  // 16-bit stereo
// Headers of about 23 ms each (1,024 frames at 44,100 Hz, as SDL reads): short
// enough that a change made while the output is held is still ahead of what
// the device has taken, and four of them queued so that a late wake-up of the
// reader is not heard.
constexpr int32_t headerCount = 4;
constexpr int32_t maxHeaderFrames = 4608;  // 192,000 Hz

// The open device, its reader and what it plays. One instance, `waveOutDevice`.
struct WaveOutDevice {
    HWAVEOUT deviceHandle = nullptr;  // none when not open
    HANDLE doneEvent = nullptr;       // signalled by the device whenever it hands a header back
    HANDLE readerThread = nullptr;
    std::atomic<bool> quitting{false};  // the reader is to end
    std::array<WAVEHDR, headerCount> headers{};
    std::array<int16_t, 2 * headerCount * maxHeaderFrames> headerPcm{};  // the headers' sound, maxHeaderFrames each
    int32_t headerFrames = 0;  // stereo frames per header, 256..maxHeaderFrames
    int32_t nextHeader = 0;    // the header the device hands back next; reader thread

    CRITICAL_SECTION ringLock;         // guards ring, ringFrames, handOver and cursor
    const int16_t* ring = nullptr;     // the looping buffer; none when not playing
    int32_t ringFrames = 0;            // stereo frames in ring
    RingHandOver* handOver = nullptr;  // the output's, while playing
    int64_t cursor = 0;                // frames copied since start; reader thread, under ringLock
    std::atomic<int64_t> played{0};    // cursor as published to the output thread

    char error[MAXERRORLENGTH + 64] = "";  // why the last open failed
};
WaveOutDevice waveOutDevice;

void recordError(const char* what, MMRESULT result) {
    char reason[MAXERRORLENGTH] = "";
    if (waveOutGetErrorTextA(result, reason, sizeof reason) != MMSYSERR_NOERROR) reason[0] = '\0';
    std::snprintf(waveOutDevice.error, sizeof waveOutDevice.error, "%s (waveOut error %u%s%s)", what, result,
                  reason[0] ? ": " : "", reason);
}

// Writes the next headerFrames frames of sound into `header`. Reader thread
// (and the main thread at open, before the reader runs).
void fillHeader(WAVEHDR& header) {
    int16_t* out = reinterpret_cast<int16_t*>(header.lpData);
    EnterCriticalSection(&waveOutDevice.ringLock);
    if (waveOutDevice.ring == nullptr) {
        std::memset(out, 0, static_cast<size_t>(waveOutDevice.headerFrames) * frameBytes);
    } else {
        readRenderedFrames(*waveOutDevice.handOver, waveOutDevice.ring, waveOutDevice.ringFrames, waveOutDevice.cursor,
                           out, waveOutDevice.headerFrames);
        waveOutDevice.cursor += waveOutDevice.headerFrames;
        // Release: the output thread may rewrite these frames once it sees them played.
        waveOutDevice.played.store(waveOutDevice.cursor, std::memory_order_release);
    }
    LeaveCriticalSection(&waveOutDevice.ringLock);
}

bool headerDone(WAVEHDR& header) {
    // The device sets the flag from a thread of its own before it signals.
    return (std::atomic_ref<DWORD>(header.dwFlags).load(std::memory_order_acquire) & WHDR_DONE) != 0;
}

DWORD WINAPI readerMain(void*) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    while (!waveOutDevice.quitting.load()) {
        // The timeout only guards against a signal lost between two checks.
        WaitForSingleObject(waveOutDevice.doneEvent, 50);
        while (!waveOutDevice.quitting.load() &&
               headerDone(waveOutDevice.headers[static_cast<size_t>(waveOutDevice.nextHeader)])) {
            WAVEHDR& header = waveOutDevice.headers[static_cast<size_t>(waveOutDevice.nextHeader)];
            fillHeader(header);
            waveOutWrite(waveOutDevice.deviceHandle, &header, sizeof header);
            waveOutDevice.nextHeader = (waveOutDevice.nextHeader + 1) % headerCount;
        }
    }
    return 0;
}

void closeDevice();

bool openDevice(int32_t rate) {
    closeDevice();
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(frameBytes);
    format.nAvgBytesPerSec = static_cast<DWORD>(rate) * format.nBlockAlign;
    format.cbSize = 0;
    waveOutDevice.doneEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (waveOutDevice.doneEvent == nullptr) {
        std::snprintf(waveOutDevice.error, sizeof waveOutDevice.error, "cannot create an event (error %lu)",
                      GetLastError());
        return false;
    }
    const MMRESULT result = waveOutOpen(&waveOutDevice.deviceHandle, WAVE_MAPPER, &format,
                                        reinterpret_cast<DWORD_PTR>(waveOutDevice.doneEvent), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        waveOutDevice.deviceHandle = nullptr;
        recordError(waveOutGetNumDevs() == 0 ? "no sound output device" : "the sound output device cannot be opened",
                    result);
        CloseHandle(waveOutDevice.doneEvent);
        waveOutDevice.doneEvent = nullptr;
        return false;
    }
    InitializeCriticalSection(&waveOutDevice.ringLock);
    waveOutDevice.ring = nullptr;
    waveOutDevice.handOver = nullptr;
    waveOutDevice.headerFrames = std::clamp((rate * 1024 / 44100 + 3) & ~3, 256, maxHeaderFrames);
    // Silence queued from the start, as an open SDL device plays.
    for (int32_t i = 0; i < headerCount; ++i) {
        WAVEHDR& header = waveOutDevice.headers[static_cast<size_t>(i)];
        header = WAVEHDR{};
        header.lpData =
            reinterpret_cast<LPSTR>(waveOutDevice.headerPcm.data() + 2 * static_cast<size_t>(i) * maxHeaderFrames);
        header.dwBufferLength = static_cast<DWORD>(waveOutDevice.headerFrames) * frameBytes;
        MMRESULT queued = waveOutPrepareHeader(waveOutDevice.deviceHandle, &header, sizeof header);
        if (queued == MMSYSERR_NOERROR) {
            fillHeader(header);
            queued = waveOutWrite(waveOutDevice.deviceHandle, &header, sizeof header);
        }
        if (queued != MMSYSERR_NOERROR) {
            recordError("the sound output device does not take sound", queued);
            closeDevice();
            return false;
        }
    }
    waveOutDevice.nextHeader = 0;
    waveOutDevice.quitting.store(false);
    waveOutDevice.readerThread = CreateThread(nullptr, 0, readerMain, nullptr, 0, nullptr);
    if (waveOutDevice.readerThread == nullptr) {
        std::snprintf(waveOutDevice.error, sizeof waveOutDevice.error, "cannot start the sound thread (error %lu)",
                      GetLastError());
        closeDevice();
        return false;
    }
    return true;
}

void startDevice(const int16_t* buffer, int32_t frames, RingHandOver* rendered) {
    if (waveOutDevice.deviceHandle == nullptr || rendered == nullptr) return;
    EnterCriticalSection(&waveOutDevice.ringLock);
    waveOutDevice.ring = buffer;
    waveOutDevice.ringFrames = frames;
    waveOutDevice.handOver = rendered;
    waveOutDevice.cursor = 0;
    waveOutDevice.played.store(0, std::memory_order_release);
    LeaveCriticalSection(&waveOutDevice.ringLock);
}

int64_t devicePosition() { return waveOutDevice.played.load(std::memory_order_acquire); }

void resetDevice() {
    if (waveOutDevice.deviceHandle == nullptr) return;
    EnterCriticalSection(&waveOutDevice.ringLock);
    waveOutDevice.ring = nullptr;
    waveOutDevice.handOver = nullptr;
    LeaveCriticalSection(&waveOutDevice.ringLock);
}

void closeDevice() {
    if (waveOutDevice.deviceHandle == nullptr) return;
    if (waveOutDevice.readerThread != nullptr) {
        waveOutDevice.quitting.store(true);
        SetEvent(waveOutDevice.doneEvent);
        WaitForSingleObject(waveOutDevice.readerThread, INFINITE);
        CloseHandle(waveOutDevice.readerThread);
        waveOutDevice.readerThread = nullptr;
    }
    // Hands every queued header back, so that they can be unprepared.
    waveOutReset(waveOutDevice.deviceHandle);
    for (WAVEHDR& header : waveOutDevice.headers) {
        if (header.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(waveOutDevice.deviceHandle, &header, sizeof header);
    }
    waveOutClose(waveOutDevice.deviceHandle);
    waveOutDevice.deviceHandle = nullptr;
    CloseHandle(waveOutDevice.doneEvent);
    waveOutDevice.doneEvent = nullptr;
    DeleteCriticalSection(&waveOutDevice.ringLock);
    waveOutDevice.ring = nullptr;
    waveOutDevice.handOver = nullptr;
}

const char* deviceError() { return waveOutDevice.error; }

const AudioDevice device{openDevice, startDevice, devicePosition, resetDevice, closeDevice, deviceError};

}  // namespace

const AudioDevice* systemAudioDevice() { return &device; }

}  // namespace music

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

HWAVEOUT deviceHandle = nullptr;
HANDLE doneEvent = nullptr;  // signalled by the device whenever it hands a header back
HANDLE readerThread = nullptr;
std::atomic<bool> quitting{false};
std::array<WAVEHDR, headerCount> headers{};
std::array<int16_t, 2 * headerCount * maxHeaderFrames> headerPcm{};
int32_t headerFrames = 0;
int32_t nextHeader = 0;  // the header the device hands back next; reader thread

CRITICAL_SECTION ringLock;
const int16_t* ring = nullptr;  // the looping buffer; none when not playing
int32_t ringFrames = 0;
RingHandOver* handOver = nullptr;
int64_t cursor = 0;  // frames copied since start; reader thread, under ringLock
std::atomic<int64_t> played{0};

char lastError[MAXERRORLENGTH + 64] = "";

void recordError(const char* what, MMRESULT result) {
    char reason[MAXERRORLENGTH] = "";
    if (waveOutGetErrorTextA(result, reason, sizeof reason) != MMSYSERR_NOERROR) reason[0] = '\0';
    std::snprintf(lastError, sizeof lastError, "%s (waveOut error %u%s%s)", what, result, reason[0] ? ": " : "",
                  reason);
}

// Writes the next headerFrames frames of sound into `header`. Reader thread
// (and the main thread at open, before the reader runs).
void fillHeader(WAVEHDR& header) {
    int16_t* out = reinterpret_cast<int16_t*>(header.lpData);
    EnterCriticalSection(&ringLock);
    if (ring == nullptr) {
        std::memset(out, 0, static_cast<size_t>(headerFrames) * frameBytes);
    } else {
        readRenderedFrames(*handOver, ring, ringFrames, cursor, out, headerFrames);
        cursor += headerFrames;
        // Release: the output thread may rewrite these frames once it sees them played.
        played.store(cursor, std::memory_order_release);
    }
    LeaveCriticalSection(&ringLock);
}

bool headerDone(WAVEHDR& header) {
    // The device sets the flag from a thread of its own before it signals.
    return (std::atomic_ref<DWORD>(header.dwFlags).load(std::memory_order_acquire) & WHDR_DONE) != 0;
}

DWORD WINAPI readerMain(void*) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    while (!quitting.load()) {
        // The timeout only guards against a signal lost between two checks.
        WaitForSingleObject(doneEvent, 50);
        while (!quitting.load() && headerDone(headers[static_cast<size_t>(nextHeader)])) {
            WAVEHDR& header = headers[static_cast<size_t>(nextHeader)];
            fillHeader(header);
            waveOutWrite(deviceHandle, &header, sizeof header);
            nextHeader = (nextHeader + 1) % headerCount;
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
    doneEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (doneEvent == nullptr) {
        std::snprintf(lastError, sizeof lastError, "cannot create an event (error %lu)", GetLastError());
        return false;
    }
    const MMRESULT result =
        waveOutOpen(&deviceHandle, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(doneEvent), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        deviceHandle = nullptr;
        recordError(waveOutGetNumDevs() == 0 ? "no sound output device" : "the sound output device cannot be opened",
                    result);
        CloseHandle(doneEvent);
        doneEvent = nullptr;
        return false;
    }
    InitializeCriticalSection(&ringLock);
    ring = nullptr;
    handOver = nullptr;
    headerFrames = std::clamp((rate * 1024 / 44100 + 3) & ~3, 256, maxHeaderFrames);
    // Silence queued from the start, as an open SDL device plays.
    for (int32_t i = 0; i < headerCount; ++i) {
        WAVEHDR& header = headers[static_cast<size_t>(i)];
        header = WAVEHDR{};
        header.lpData = reinterpret_cast<LPSTR>(headerPcm.data() + 2 * static_cast<size_t>(i) * maxHeaderFrames);
        header.dwBufferLength = static_cast<DWORD>(headerFrames) * frameBytes;
        MMRESULT queued = waveOutPrepareHeader(deviceHandle, &header, sizeof header);
        if (queued == MMSYSERR_NOERROR) {
            fillHeader(header);
            queued = waveOutWrite(deviceHandle, &header, sizeof header);
        }
        if (queued != MMSYSERR_NOERROR) {
            recordError("the sound output device does not take sound", queued);
            closeDevice();
            return false;
        }
    }
    nextHeader = 0;
    quitting.store(false);
    readerThread = CreateThread(nullptr, 0, readerMain, nullptr, 0, nullptr);
    if (readerThread == nullptr) {
        std::snprintf(lastError, sizeof lastError, "cannot start the sound thread (error %lu)", GetLastError());
        closeDevice();
        return false;
    }
    return true;
}

void startDevice(const int16_t* buffer, int32_t frames, RingHandOver* rendered) {
    if (deviceHandle == nullptr || rendered == nullptr) return;
    EnterCriticalSection(&ringLock);
    ring = buffer;
    ringFrames = frames;
    handOver = rendered;
    cursor = 0;
    played.store(0, std::memory_order_release);
    LeaveCriticalSection(&ringLock);
}

int64_t devicePosition() { return played.load(std::memory_order_acquire); }

void resetDevice() {
    if (deviceHandle == nullptr) return;
    EnterCriticalSection(&ringLock);
    ring = nullptr;
    handOver = nullptr;
    LeaveCriticalSection(&ringLock);
}

void closeDevice() {
    if (deviceHandle == nullptr) return;
    if (readerThread != nullptr) {
        quitting.store(true);
        SetEvent(doneEvent);
        WaitForSingleObject(readerThread, INFINITE);
        CloseHandle(readerThread);
        readerThread = nullptr;
    }
    // Hands every queued header back, so that they can be unprepared.
    waveOutReset(deviceHandle);
    for (WAVEHDR& header : headers) {
        if (header.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(deviceHandle, &header, sizeof header);
    }
    waveOutClose(deviceHandle);
    deviceHandle = nullptr;
    CloseHandle(doneEvent);
    doneEvent = nullptr;
    DeleteCriticalSection(&ringLock);
    ring = nullptr;
    handOver = nullptr;
}

const char* deviceError() { return lastError; }

const AudioDevice device{openDevice, startDevice, devicePosition, resetDevice, closeDevice, deviceError};

}  // namespace

const AudioDevice* systemAudioDevice() { return &device; }

}  // namespace music

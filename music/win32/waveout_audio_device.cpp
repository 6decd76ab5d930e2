// The waveOut sound device: the program's buffer is handed to the device as
// one header that loops for ever, and the play position is read from the
// device. Nothing here allocates, locks or does I/O once playing; the output
// thread only calls devicePosition.
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <cstdint>
#include <cstdio>

#include "music/audio_device.h"

namespace {

HWAVEOUT deviceHandle = nullptr;
WAVEHDR header{};
bool headerPrepared = false;
int32_t frameBytes = 4;  // 16-bit stereo
char lastError[MAXERRORLENGTH + 64] = "";

// The device reports its position as a 32-bit byte count that wraps after
// 4 GiB (about 6.8 hours at 44,100 Hz); it is extended here into a count
// that never wraps. Written by devicePosition on the output thread, reset by
// startDevice on the main thread before that thread starts.
uint32_t lastDeviceBytes = 0;
uint64_t playedBytes = 0;

void recordError(const char* what, MMRESULT result) {
    char reason[MAXERRORLENGTH] = "";
    if (waveOutGetErrorTextA(result, reason, sizeof reason) != MMSYSERR_NOERROR) reason[0] = '\0';
    std::snprintf(lastError, sizeof lastError, "%s (waveOut error %u%s%s)", what, result, reason[0] ? ": " : "",
                  reason);
}

bool openDevice(int32_t rate) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(frameBytes);
    format.nAvgBytesPerSec = static_cast<DWORD>(rate) * format.nBlockAlign;
    format.cbSize = 0;
    // No completion notification: the refill is driven by polling the position.
    const MMRESULT result = waveOutOpen(&deviceHandle, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
    if (result != MMSYSERR_NOERROR) {
        deviceHandle = nullptr;
        recordError(waveOutGetNumDevs() == 0 ? "no sound output device" : "the sound output device cannot be opened",
                    result);
        return false;
    }
    return true;
}

void resetDevice() {
    if (deviceHandle == nullptr) return;
    waveOutReset(deviceHandle);
    if (headerPrepared) {
        waveOutUnprepareHeader(deviceHandle, &header, sizeof header);
        headerPrepared = false;
    }
}

// The device plays the buffer as a hardware loop, so it does not consult the
// ring hand-over: what the output has not rendered in time plays as it
// stands, and no underrun is counted.
void startDevice(const int16_t* buffer, int32_t frames, RingHandOver*) {
    if (deviceHandle == nullptr) return;
    resetDevice();
    header = WAVEHDR{};
    // The device only reads the buffer.
    header.lpData = reinterpret_cast<LPSTR>(const_cast<int16_t*>(buffer));
    header.dwBufferLength = static_cast<DWORD>(frames) * static_cast<DWORD>(frameBytes);
    header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header.dwLoops = 0xFFFFFFFF;
    lastDeviceBytes = 0;
    playedBytes = 0;
    if (waveOutPrepareHeader(deviceHandle, &header, sizeof header) != MMSYSERR_NOERROR) return;
    headerPrepared = true;
    waveOutWrite(deviceHandle, &header, sizeof header);
}

int64_t devicePosition() {
    if (deviceHandle == nullptr) return 0;
    MMTIME time{};
    time.wType = TIME_BYTES;
    if (waveOutGetPosition(deviceHandle, &time, sizeof time) != MMSYSERR_NOERROR) {
        return static_cast<int64_t>(playedBytes / static_cast<uint64_t>(frameBytes));
    }
    // A device that cannot count bytes answers in the nearest format it can.
    uint32_t bytes = time.u.cb;
    if (time.wType == TIME_SAMPLES) bytes = time.u.sample * static_cast<uint32_t>(frameBytes);
    // Unsigned difference: correct across the 32-bit wrap.
    playedBytes += static_cast<uint32_t>(bytes - lastDeviceBytes);
    lastDeviceBytes = bytes;
    return static_cast<int64_t>(playedBytes / static_cast<uint64_t>(frameBytes));
}

void closeDevice() {
    if (deviceHandle == nullptr) return;
    resetDevice();
    waveOutClose(deviceHandle);
    deviceHandle = nullptr;
}

const char* deviceError() { return lastError; }

const AudioDevice device{openDevice, startDevice, devicePosition, resetDevice, closeDevice, deviceError};

}  // namespace

const AudioDevice* systemAudioDevice() { return &device; }

// A RIFF WAV writer for 16-bit stereo PCM: the header first (its sizes fixed
// up at the end when the stream can seek back), then the frames as they come.
#pragma once

#include <cstdint>
#include <cstdio>

// The 44-byte header of a PCM WAV file holding `frames` stereo frames of
// 16-bit samples at `rate` frames per second.
void wavHeader(uint8_t (&header)[44], int32_t rate, uint32_t frames);

// Largest frame count whose data still fits the 32-bit sizes of a WAV file.
constexpr uint32_t maxWavFrames = (0xffffffffu - 36) / 4;

// Writes frames of interleaved little-endian int16 samples; false on a write error.
bool writeWavFrames(std::FILE* file, const int16_t* samples, int64_t frames);

// What the fuzz targets do with every song that loads, shared with the tests
// that replay the fuzzers' seeds and the inputs that once broke them: read
// everything the song claims to hold, then play it for a bounded number of
// ticks through the engine's own tick and mix interleave.
#pragma once

#include <cstddef>
#include <cstdint>

#include "music/song.h"

// Ticks played per input and output frames mixed after each: enough to run
// dozens of rows with their breaks, loops and envelopes and every voice ramp
// (ramps last 23 frames at 8,000 Hz and carry over from tick to tick), at
// under a millisecond an input.
inline constexpr int32_t fuzzTicks = 256;
inline constexpr int32_t fuzzFramesPerTick = 16;

// Reads every order, cell, envelope point and sample frame up to the last
// guard frame, so that a count overstating its array trips the sanitizers.
// Returns a sum so the reads are not optimised away.
uint32_t touchSong(const music::Song& song);

// Plays fuzzTicks ticks of the song from its start at 8,000 Hz, mixing
// fuzzFramesPerTick frames after each tick and converting them to PCM.
// Main thread, while no playback runs on the device.
void playTicks(music::Song& song);

// Serves bytes as the resource "#190", loads it, and when it loads, touches
// and (if play) plays it before freeing it. True when the bytes loaded.
bool exerciseModuleBytes(const uint8_t* data, size_t size, bool play);

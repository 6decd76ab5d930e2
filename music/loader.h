// The XM loader: parses one module (FastTracker 2 Extended Module, version 1.04
// layout) from a SongFile into a zeroed Song.
#pragma once

#include <cstdint>

#include "music/file_callbacks.h"
#include "music/song.h"

// Limits the loader holds a file to. Files that name more patterns, rows or
// instruments keep the first ones (the rest can never be played); a channel
// count above maxStoredChannels fails the load, as no tracker writes one and
// every pattern would grow with it.
constexpr int32_t maxPatterns = 256;  // pattern numbers are bytes
constexpr int32_t maxPatternRows = 256;
constexpr int32_t maxInstruments = 128;  // cells name instruments 1..128
constexpr int32_t maxStoredChannels = 128;
constexpr int32_t emptyPatternRows = 64;  // rows of a pattern only named by the order table

// Fills the zeroed song from the open file. False for a file that is not an XM
// module or that has an instrument with more than 16 samples; the song may then
// be partly filled, and releaseSong copes with that. Main thread, by loadSong.
bool loadXm(Song* song, SongFile* file);

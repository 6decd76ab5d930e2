// The XM loader: parses one module (FastTracker 2 Extended Module, in the
// layouts of format versions 1.02, 1.03 and 1.04 and later) from a SongFile
// into a zeroed Song.
#pragma once

#include <cstdint>
#include <string>

#include "music/file_callbacks.h"
#include "music/song.h"

namespace music {

// Limits the loader holds a file to. Files that name more patterns, rows or
// instruments keep the first ones (the rest can never be played); a channel
// count above maxStoredChannels fails the load, as no tracker writes one and
// every pattern would grow with it.
constexpr int32_t maxPatterns = 256;  // pattern numbers are bytes
constexpr int32_t maxPatternRows = 256;
constexpr int32_t maxInstruments = 128;  // cells name instruments 1..128
constexpr int32_t maxStoredChannels = 128;
constexpr int32_t emptyPatternRows = 64;  // rows of a pattern only named by the order table

// Fills the zeroed song from the open file. The version field chooses the
// layout; versions before 1.02 are refused. False for a file that is not an
// XM module, has an unknown layout or more than maxStoredChannels channels,
// with a few words on why in `reason` when given; the song may then be partly
// filled, and releaseSong copes with that. Main thread, by loadSong.
bool loadXm(Song* song, SongFile* file, std::string* reason = nullptr);

}  // namespace music

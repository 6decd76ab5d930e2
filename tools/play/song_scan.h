// A quick silent pass over a song before it plays: where it ends (as
// xmrender finds the end), where each order position begins and with which
// tempo, and where the song goes on when it loops. The live view's total
// time, seeking and looping are worked out from it.
#pragma once

#include <cstdint>
#include <vector>

#include "music/lifecycle.h"
#include "music/song.h"

struct SongScan {
    int64_t totalFrames = 0;  // output frames until the song ends (or the limit)
    bool ends = false;        // false when no end came within the limit
    int32_t loopOrder = 0;    // the order position playback goes on at after the end
    // One entry per order position of the song; frame -1 for positions that
    // playing from the start never reaches.
    std::vector<music::OrderStart> starts;
};

// Scans `song` from its start at `rate` frames per second, for at most
// `limitFrames` frames. Uses the engine's player, so no output may be playing
// a song. Main thread.
SongScan scanSong(music::Song* song, int32_t rate, int64_t limitFrames);

// Where playing from `order` starts (clamped into the song): the scan's entry,
// or for a position never reached, that of the nearest reached position before
// it (the song's defaults when there is none) with `order` put in.
music::OrderStart orderStartFor(const SongScan& scan, const music::Song& song, int32_t order);

// The frames of the song heard by `playedFrames` as a listener counts them:
// past the end of a looping song, the time goes on from the loop's start.
int64_t elapsedFrames(const SongScan& scan, int64_t playedFrames);

// The played-frames count at which the song should stop: never while looping;
// otherwise the end, or, once a loop has gone past the end, the end of the
// lap being played.
int64_t endFrameFor(const SongScan& scan, bool loop, int64_t playedFrames);

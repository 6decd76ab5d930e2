// One song playing live on the audio output, steered by the listener's
// controls: start, seek, pause, volume and loop reach the output within a few
// blocks through holdOutput/releaseOutput. Main thread.
#pragma once

#include <cstdint>

#include "music/song.h"
#include "tools/play/play_controls.h"
#include "tools/play/song_scan.h"

// Starts `song`, scanned as `scan`, at order position `startOrder` (its last
// when the song is shorter) with `controls`. False when the output cannot
// play it.
bool startLiveSong(music::Song* song, const SongScan& scan, const PlayControls& controls, int32_t startOrder);

// Makes new controls (pause, volume, loop) heard.
void applyLiveControls(const SongScan& scan, const PlayControls& controls);

// Plays on from the start of order position `order`, as a play from the
// song's start would reach it.
void seekLive(music::Song* song, const SongScan& scan, int32_t order, const PlayControls& controls);

// Fades the song out, waits until the silence is heard (a quarter second at
// most), and stops it. The song stays the caller's.
void stopLiveSong(music::Song* song);

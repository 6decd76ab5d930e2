// Offline rendering: the current song rendered into a caller's buffer with
// exactly the tick and mix interleave of the output thread, without a device.
// Used by xmrender, the capture tool and the soundtrack checks; all calls on
// one thread, while no playback runs on the device.
#pragma once

#include <cstdint>

#include "music/audio_output.h"
#include "music/song.h"

namespace music {

// Makes `song` the current song, reset to its start as playSong does, with
// the mixer set up for `rate` (8,000..192,000) frames per second. False when
// given none, for an unsupported rate, or while the device plays a song.
bool beginRender(Song* song, int32_t rate);

// Renders up to `frames` stereo frames into `out` (2 x frames int16, left
// then right). Blocks of the output's size are rendered whole and handed out
// in order, so the samples equal what the device would play. Returns the
// frames written: all of them, unless `watch` returned true after a tick, in
// which case the frames from that tick on are not written and every later
// call writes none until the next beginRender.
int64_t renderFrames(int16_t* out, int64_t frames, TickWatch watch = nullptr, void* context = nullptr);

// Advances the current song by up to `frames` frames with its ticks alone:
// the ticks of renderFrames at the same frames, nothing mixed, in a small
// fraction of the time. Finds where a song ends or where its order positions
// begin; the voices are left set up but unplayed, so begin the render again
// before rendering sound. Returns the frames passed: all of them unless
// `watch` returned true after a tick, which then counts from that tick on.
int64_t scanFrames(int64_t frames, TickWatch watch = nullptr, void* context = nullptr);

// Forgets the current song and sets the mixer back to the output's rate. The song
// itself stays the caller's.
void endRender();

}  // namespace music

// How capture time is laid out: video frame k is drawn at the millisecond tick
// k * 1000 / fps and owns the audio frames from k * 44100 / fps up to the start
// of frame k + 1, so the remainder of 44100 / fps is carried from frame to frame
// and picture and music never drift apart.
#pragma once

#include <cstdint>

constexpr int32_t captureAudioRate = 44100;

// The scene's millisecond clock while video frame `frame` is drawn.
constexpr uint32_t tickOfFrame(int64_t frame, int32_t fps) { return static_cast<uint32_t>(frame * 1000 / fps); }

// The first audio frame that belongs to video frame `frame`.
constexpr int64_t audioFrameOfFrame(int64_t frame, int32_t fps) { return frame * captureAudioRate / fps; }

// What a key does to the player: the listener's settings (pause, loop,
// volume) and the moves it asks for (another order position, another file,
// quit). Plain logic, no engine calls; main applies the result.
#pragma once

#include <cstdint>

#include "tools/play/key_input.h"

constexpr int32_t volumeStepPercent = 10;
constexpr int32_t maxVolumePercent = 200;

struct PlayControls {
    bool paused = false;
    bool loop = false;            // the song loops instead of ending
    int32_t volumePercent = 100;  // 0..maxVolumePercent, on the mix
};

enum class KeyEffect : uint8_t {
    none,      // nothing changes (a volume already at its limit, say)
    controls,  // pause, loop or volume changed
    seek,      // play from the start of `order`; playback resumes
    nextFile,
    previousFile,
    quit,
};

struct KeyOutcome {
    KeyEffect effect = KeyEffect::none;
    int32_t order = 0;  // for seek
};

// Applies `key` to `controls`. `heardOrder` is the order position the
// listener hears (or the one a seek not yet heard is going to) and
// `songLength` the song's order count. Main thread.
KeyOutcome applyKey(Key key, PlayControls& controls, int32_t heardOrder, int32_t songLength);

// The sound device over SDL2 audio: SDL's callback copies frames from the
// program's looping buffer at the play cursor and counts the frames played.
#pragma once

#include "music/audio_device.h"

// The device record to pass to installAudioDevice. Opening initialises SDL's
// audio subsystem and closing shuts it down again.
const AudioDevice* sdlAudioDevice();

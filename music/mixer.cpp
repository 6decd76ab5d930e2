// The voice table and the mixer.
#include "music/mixer.h"

std::array<Voice, voiceCount> voices{};

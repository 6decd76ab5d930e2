// The channel table.
#include "music/channel.h"

#include <algorithm>

std::array<MusicChannel, maxSongChannels> channels{};

void resetChannels(int32_t channelCount) {
    int32_t count = std::clamp(channelCount, 0, maxSongChannels);
    for (int32_t c = 0; c < count; ++c) {
        channels[c] = MusicChannel{};
        channels[c].voice = &voices[c];
    }
}

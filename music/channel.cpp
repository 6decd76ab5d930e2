// The channel table.
#include "music/channel.h"

std::array<MusicChannel, maxSongChannels> channels{};

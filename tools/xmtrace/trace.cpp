// Formatting of the per-tick trace lines.
#include "tools/xmtrace/trace.h"

#include <cinttypes>
#include <cstdio>

#include "music/channel.h"
#include "music/mixer.h"
#include "music/player.h"

using namespace music;

namespace {

void appendf(std::string& out, const char* format, auto... values) {
    char line[160];
    int length = std::snprintf(line, sizeof line, format, values...);
    if (length > 0) out.append(line, std::min<size_t>(static_cast<size_t>(length), sizeof line - 1));
}

}  // namespace

void appendTickTrace(const Song& song, std::string& out) {
    const PlayedTick played = lastPlayedTick();
    bool any = false;
    for (int32_t v = 0; v < voiceCount; ++v) {
        const Voice& voice = mixerState.voices[static_cast<size_t>(v)];
        if (!voice.sample) continue;
        const int32_t c = v % maxSongChannels;
        const MusicChannel& channel = playerState.channels[static_cast<size_t>(c)];
        const bool driven = c < song.channelCount && channel.voice == &voice;
        // A voice its channel has left plays on silently once it has ramped
        // out; it says nothing more.
        if (!driven && voice.currentLeft == 0 && voice.currentRight == 0 && voice.rampFramesLeft == 0) continue;
        any = true;
        appendf(out, "o%d r%d t%d v%d c%d ", played.orderPosition, played.row, played.tick, v, c);
        if (driven) {
            appendf(out, "period %d", channel.period);
            if (channel.periodDelta != 0) appendf(out, "%+d", channel.periodDelta);
        } else {
            out += "fading";
        }
        const double position = static_cast<double>(voice.position) / 4294967296.0;
        appendf(out, " volume %d pan %d position %.4f\n", voice.volume, voice.pan, position);
    }
    if (!any) appendf(out, "o%d r%d t%d -\n", played.orderPosition, played.row, played.tick);
}

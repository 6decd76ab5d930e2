// The scan runs the song's ticks alone (scanFrames), watching after every
// tick for the end, as xmrender does, and for order positions reached for the
// first time. The tempo recorded for a position is the one in force before
// the tick that reads its first row, since that row's own effects run again
// when playback starts there.
#include "tools/play/song_scan.h"

#include <algorithm>
#include <limits>

#include "music/render.h"
#include "tools/xmrender/song_end.h"

using namespace music;

namespace {

struct ScanWatch {
    SongEndWatch end;
    SongScan* scan;
    int32_t lastOrder = -1;
    int32_t speed, bpm, globalVolume;  // after the previous tick
};

bool watchTick(const Song& song, void* context) {
    auto& watch = *static_cast<ScanWatch*>(context);
    if (songHasEnded(song, &watch.end)) {
        watch.scan->ends = true;
        watch.scan->loopOrder = song.orderPosition;
        return true;
    }
    const int32_t order = song.orderPosition;
    if (order != watch.lastOrder && order >= 0 && order < static_cast<int32_t>(watch.scan->starts.size())) {
        OrderStart& start = watch.scan->starts[static_cast<size_t>(order)];
        if (start.frame < 0) start = {order, watch.speed, watch.bpm, watch.globalVolume, song.playedFrames};
    }
    watch.lastOrder = order;
    watch.speed = song.speed;
    watch.bpm = song.bpm;
    watch.globalVolume = song.globalVolume;
    return false;
}

}  // namespace

SongScan scanSong(Song* song, int32_t rate, int64_t limitFrames) {
    SongScan scan;
    const int32_t length = std::max<int32_t>(song->songLength, 1);
    scan.starts.assign(static_cast<size_t>(length), OrderStart{0, 0, 0, 0, -1});
    if (!beginRender(song, rate)) return scan;
    ScanWatch watch{SongEndWatch{}, &scan, -1, song->speed, song->bpm, song->globalVolume};
    scan.totalFrames = scanFrames(limitFrames, watchTick, &watch);
    endRender();
    return scan;
}

OrderStart orderStartFor(const SongScan& scan, const Song& song, int32_t order) {
    const int32_t length = static_cast<int32_t>(scan.starts.size());
    order = std::clamp(order, 0, std::max(length - 1, 0));
    for (int32_t p = order; p >= 0 && p < length; --p) {
        OrderStart start = scan.starts[static_cast<size_t>(p)];
        if (start.frame < 0) continue;
        start.orderPosition = order;
        return start;
    }
    return {order, song.defaultSpeed, song.defaultBpm, song.initialGlobalVolume, 0};
}

int64_t elapsedFrames(const SongScan& scan, int64_t playedFrames) {
    if (!scan.ends || playedFrames < scan.totalFrames) return playedFrames;
    int64_t loopStart = 0;
    if (scan.loopOrder >= 0 && scan.loopOrder < static_cast<int32_t>(scan.starts.size()))
        loopStart = std::max<int64_t>(scan.starts[static_cast<size_t>(scan.loopOrder)].frame, 0);
    const int64_t lap = scan.totalFrames - loopStart;
    if (lap <= 0) return scan.totalFrames;
    return loopStart + (playedFrames - scan.totalFrames) % lap;
}

int64_t endFrameFor(const SongScan& scan, bool loop, int64_t playedFrames) {
    if (loop) return std::numeric_limits<int64_t>::max();
    if (playedFrames < scan.totalFrames || !scan.ends) return scan.totalFrames;
    // Past the end after looping: this lap ends where the song's end falls
    // again.
    const int64_t elapsed = elapsedFrames(scan, playedFrames);
    return playedFrames + (scan.totalFrames - elapsed);
}

// The reader's half of the ring hand-over, shared by every device that copies
// the looping buffer on a thread of its own.
#include "music/audio_device.h"

#include <algorithm>
#include <cstring>

namespace music {

void readRenderedFrames(RingHandOver& handOver, const int16_t* buffer, int32_t bufferFrames, int64_t first,
                        int16_t* out, int32_t frames) {
    if (frames <= 0) return;
    const int64_t until = handOver.renderedUntil.load(std::memory_order_acquire);
    const int64_t from = handOver.renderedFrom.load(std::memory_order_relaxed);
    const int64_t last = first + frames;
    // The rendered part of [first, last), empty when the span misses it.
    const int64_t copyFrom = std::clamp(from, first, last);
    const int64_t copyUntil = std::clamp(until, copyFrom, last);

    auto silence = [out, first](int64_t begin, int64_t end) {
        std::memset(out + 2 * (begin - first), 0, static_cast<size_t>(end - begin) * 4);
    };
    silence(first, copyFrom);
    for (int64_t frame = copyFrom; frame < copyUntil;) {
        const int32_t at = static_cast<int32_t>(frame % bufferFrames);
        const int64_t n = std::min<int64_t>(copyUntil - frame, bufferFrames - at);
        std::memcpy(out + 2 * (frame - first), buffer + 2 * static_cast<int64_t>(at), static_cast<size_t>(n) * 4);
        frame += n;
    }
    silence(copyUntil, last);

    const int64_t missed = (copyFrom - first) + (last - copyUntil);
    if (missed == 0 || handOver.stopped.load(std::memory_order_relaxed)) {
        handOver.missing = false;
        return;
    }
    // A run of silence counts once, however many reads it spans.
    int64_t runs = 0;
    if (copyUntil == copyFrom) {
        runs = handOver.missing ? 0 : 1;
        handOver.missing = true;
    } else {
        if (copyFrom > first && !handOver.missing) ++runs;
        if (last > copyUntil) ++runs;
        handOver.missing = last > copyUntil;
    }
    handOver.underruns.fetch_add(runs, std::memory_order_relaxed);
    handOver.missedFrames.fetch_add(missed, std::memory_order_relaxed);
}

}  // namespace music

// Frame pacing: watch presents while vsync is claimed, cap at the refresh
// period when it is refused or does not wait.
#include "app/frame_pacer.h"

void FramePacer::start(int64_t periodNs, bool vsyncGranted, int64_t now) {
    periodNs_ = periodNs;
    capping_ = !vsyncGranted;
    deadline_ = now;
    watchStart_ = now;
    watchCount_ = 0;
    watchStarted_ = false;
}

int64_t FramePacer::waitAfterPresent(int64_t now) {
    if (periodNs_ <= 0) return 0;
    if (!capping_) {
        if (!watchStarted_) {
            watchStarted_ = true;
            watchStart_ = now;
            return 0;
        }
        if (++watchCount_ < watchFrames) return 0;
        const double vsyncTime = static_cast<double>(periodNs_) * watchFrames;
        capping_ = static_cast<double>(now - watchStart_) < vsyncTime * watchFraction;
        watchStart_ = now;
        watchCount_ = 0;
        if (!capping_) return 0;
        deadline_ = now;
    }
    deadline_ += periodNs_;
    // A frame that overran by more than a period drops the lost time instead
    // of racing through frames to catch up.
    if (now - deadline_ > periodNs_) deadline_ = now;
    return deadline_ > now ? deadline_ - now : 0;
}

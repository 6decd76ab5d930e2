// Frame pacing for displays whose driver will not wait for the vertical
// refresh. The scene moves by fixed steps per presented frame, so an unpaced
// loop would run the production many times too fast. Pure logic: the display
// passes the time in and does the waiting.
#pragma once

#include <cstdint>

class FramePacer {
public:
    // Starts pacing at the display's refresh period (nanoseconds, > 0).
    // vsyncGranted: the driver accepted a swap interval of 1; the pacer then
    // only watches, and caps the loop itself if presenting turns out not to
    // wait after all. The first watch window begins at the first present, so
    // the scene and music start-up between openDisplay and the first frame
    // does not count as time spent presenting. Called by openDisplay; now is
    // a monotonic time in ns.
    void start(int64_t periodNs, bool vsyncGranted, int64_t now);

    // Called by the display right after each present. Returns how long to
    // wait (ns, 0 or more) before the next frame may begin.
    int64_t waitAfterPresent(int64_t now);

    // True once the pacer caps the frame rate itself.
    bool capping() const { return capping_; }

    // Frames in one watch window; the cap starts when a window of that many
    // presents took less than watchFraction of the time vsync would take.
    static constexpr int32_t watchFrames = 60;
    static constexpr double watchFraction = 2.0 / 3.0;

private:
    int64_t periodNs_ = 0;
    bool capping_ = false;
    int64_t deadline_ = 0;       // capping: earliest start of the next frame
    int64_t watchStart_ = 0;     // watching: time the current window began
    int32_t watchCount_ = 0;     // watching: presents in the current window
    bool watchStarted_ = false;  // watching: the first present has been seen
};

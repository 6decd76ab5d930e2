// Where the scene's millisecond tick count comes from. The scene never reads a
// clock itself: the program hands it one that reads SDL's tick counter, tests
// and offline capture hand it a ManualClock they step themselves.
#pragma once

#include <cstdint>

// A millisecond counter that wraps at 2^32, read through a plain function so
// that no virtual call is needed. A source with no function reads as 0.
struct TickSource {
    uint32_t (*read)(void* context) = nullptr;
    void* context = nullptr;

    // Called by the scene on the main thread, once per timed effect per frame
    // (and once per sprite while the logo override runs).
    uint32_t now() const { return read != nullptr ? read(context) : 0; }
};

// A clock that only moves when told to. The clock must outlive every
// TickSource taken from it.
class ManualClock {
public:
    uint32_t now() const { return milliseconds; }
    void set(uint32_t value) { milliseconds = value; }
    void advance(uint32_t delta) { milliseconds += delta; }
    TickSource source() { return TickSource{&ManualClock::readClock, this}; }

private:
    static uint32_t readClock(void* context) { return static_cast<ManualClock*>(context)->milliseconds; }

    uint32_t milliseconds = 0;
};

// The program's own random generator: a 32-bit linear congruential generator
// (state = state * 214013 + 2531011, result = bits 16 to 30 of the new state).
// Owning it rather than calling the C library's rand keeps the swarm's starting
// layout identical on every platform and every run, and lets tests replay it.
#pragma once

#include <cstdint>

class RandomGenerator {
public:
    // Replaces the state. Called once by main, after the scene is built, with
    // the calendar time in seconds; tests call it to replay a sequence.
    void seed(uint32_t seedValue) { state = seedValue; }

    // The next value, 0 to 32767. Main thread only (the scene's construction,
    // swarm respawns and the badge's image choice).
    int32_t next() {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7fffu);
    }

private:
    uint32_t state = 1;  // 1 until seeded
};

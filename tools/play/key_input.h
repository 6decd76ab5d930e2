// The keys of tavorly-play as they arrive from a terminal in raw mode: single
// bytes, and the escape sequences of the arrow keys (which may be split over
// two reads).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class Key : uint8_t {
    pause,          // space
    previousOrder,  // left arrow
    nextOrder,      // right arrow
    nextFile,       // n
    previousFile,   // p
    volumeUp,       // + (or =, its unshifted key)
    volumeDown,     // -
    loop,           // l
    quit,           // q
};

// Decodes the bytes read from the terminal, keeping an unfinished escape
// sequence for the next read. Main thread.
class KeyDecoder {
public:
    // Appends the keys that `bytes` complete to `keys`; other bytes and
    // sequences are skipped.
    void feed(const char* bytes, size_t count, std::vector<Key>& keys);

private:
    enum class State : uint8_t { plain, escape, sequence };
    State state = State::plain;
};

// The terminal while the live view is shown: raw keys (no echo, no line
// buffering), the alternate screen with the cursor hidden, and drawing that
// rewrites only the lines that changed. Everything is put back when the view
// ends, when the program exits and after a fatal signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Terminal {
public:
    // Takes over the terminal on standard input and output; false (changing
    // nothing) when either is not a terminal. Main thread.
    bool enter();

    // Restores the terminal as it was; harmless when not entered.
    void leave();

    ~Terminal() { leave(); }

    // Columns and rows of the window (80 x 24 when it cannot be asked).
    void size(int32_t& width, int32_t& height) const;

    // Shows `lines` from the top left, clearing what is below them.
    void draw(const std::vector<std::string>& lines);

    // Waits up to `timeoutMs` for key bytes and reads what is there into
    // `buffer`; returns the bytes read (0 on timeout or a signal).
    size_t readKeys(char* buffer, size_t capacity, int32_t timeoutMs);

private:
    bool entered = false;
    std::vector<std::string> shown;  // the lines on the screen
    int32_t shownWidth = 0;
    int32_t shownHeight = 0;
};

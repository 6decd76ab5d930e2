// The shell's failure messages in a message box captioned "ERROR" with one
// OK button, for the viewer in front of the screen.
#pragma once

enum class MessageIcon {
    Exclamation,
    Stop,
};

// Shows text in a message box with caption "ERROR" and waits for OK. Returns
// false at once, showing nothing, when no box can be shown (no display) or
// interactive is false; the caller has already written the reason to stderr.
// Main thread; called by openDisplay on its start-up failures. Per platform.
bool showErrorMessage(const char* text, MessageIcon icon, bool interactive);

// Reports why the program is about to end after its display opened (the music
// cannot start): "tavorly: " and the reason on stderr, and on Windows, where
// a desktop program's stderr is seen by nobody, the same reason in the box
// above with the exclamation icon. Main thread; called by runTavorly. Per
// platform.
void reportFatalError(const char* reason);

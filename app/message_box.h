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
// Main thread; called by openDisplay on its start-up failures.
bool showErrorMessage(const char* text, MessageIcon icon, bool interactive);

// The shell's failure messages: a message box captioned "ERROR" with one OK
// button, or a line on stderr where no box can be shown.
#pragma once

enum class MessageIcon {
    Exclamation,
    Stop,
};

// Shows text in a message box with caption "ERROR" and waits for OK. When no
// box can be shown (no display, or interactive is false), writes
// "ERROR: text" to stderr instead and returns at once. Main thread; called by
// openDisplay on its start-up failures.
void showErrorMessage(const char* text, MessageIcon icon, bool interactive);

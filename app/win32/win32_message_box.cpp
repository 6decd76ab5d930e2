// Failure messages through the Windows message box.
#include <windows.h>

#include <cstdio>

#include "app/message_box.h"

bool showErrorMessage(const char* text, MessageIcon icon, bool interactive) {
    const UINT style = MB_OK | (icon == MessageIcon::Stop ? MB_ICONSTOP : MB_ICONEXCLAMATION);
    // No owner window: the display is closed, or was never opened, by now.
    return interactive && MessageBoxA(nullptr, text, "ERROR", style) != 0;
}

void reportFatalError(const char* reason) {
    std::fprintf(stderr, "tavorly: %s\n", reason);
    std::fflush(stderr);
    MessageBoxA(nullptr, reason, "ERROR", MB_OK | MB_ICONEXCLAMATION);
}

// The window procedure and the message loop's drain: the Win32 side of the
// display's input.
#include "app/win32/window_proc.h"

#include "app/display.h"
#include "app/display_events.h"

LRESULT CALLBACK displayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: return 0;
        case WM_CLOSE: PostQuitMessage(0); return 0;
        // The key code is masked to the table's size: a virtual-key code is
        // below 256, but the parameter is a whole machine word that any
        // program may send.
        case WM_KEYDOWN: displayState.keyDown[wParam & 0xFF] = 1; return 0;
        case WM_KEYUP: displayState.keyDown[wParam & 0xFF] = 0; return 0;
        case WM_SYSCOMMAND:
            // The low four bits of a system command are the system's own.
            if ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER) return 0;
            break;
        default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

DisplayEventResult pumpDisplayEvents() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return DisplayEventResult::Quit;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (displayState.keyDown[escapeKey]) displayState.escapePressed = true;
    }
    return DisplayEventResult::Handled;
}

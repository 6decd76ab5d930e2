// The display window's procedure and the message loop's drain, on Win32.
#pragma once

#include <windows.h>

// The window procedure of class "ZozEveru": key-down and key-up set and clear
// displayState.keyDown[virtual-key code]; the close command posts the quit
// message with exit code 0; screen-saver and monitor power-off requests are
// refused; size messages change nothing (the view keeps its size); system
// keys (Alt held) are not recorded; everything else gets the default
// handling. Called by DispatchMessage (and SendMessage) on the main thread.
LRESULT CALLBACK displayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

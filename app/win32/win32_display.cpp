// The full-screen window, its WGL context and presenting, on Win32: the
// window class "ZozEveru", the 800 x 600 x 32 mode switch, the pixel format
// and context, and the desktop's mode restored at the end.
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <GL/gl.h>

#include <cstdio>

#include "app/display.h"
#include "app/message_box.h"
#include "app/win32/window_proc.h"

namespace {

constexpr const char* windowClassName = "ZozEveru";

// The window, contexts and what openDisplay changed on the desktop, beside
// the shared displayState.
struct Win32DisplayHandles {
    HINSTANCE instance = nullptr;
    bool classRegistered = false;
    bool modeChanged = false;     // the display mode was switched and must be restored
    bool cursorHidden = false;    // one ShowCursor(FALSE) to undo
    bool timerPeriodSet = false;  // timeBeginPeriod(1) to undo
    HWND window = nullptr;
    HDC deviceContext = nullptr;
    HGLRC renderingContext = nullptr;
};
Win32DisplayHandles handles;

using SwapIntervalFunction = BOOL(WINAPI*)(int);
using GetSwapIntervalFunction = int(WINAPI*)();

// The start-up failures worded for the viewer; the system's reason goes to
// stderr too, since the box cannot carry it.
void reportFailure(const char* text, MessageIcon icon, bool interactive) {
    std::fprintf(stderr, "tavorly: %s (system error %lu)\n", text, GetLastError());
    showErrorMessage(text, icon, interactive);
}

// Asks for presenting at the refresh through the swap-control extension.
// Where the driver refuses (or has no such extension) the pacer caps the loop
// at the display's refresh rate; where it claims vsync, the pacer still
// watches that presenting really waits.
void startWin32Pacing() {
    bool vsyncGranted = false;
    auto setInterval =
        reinterpret_cast<SwapIntervalFunction>(reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
    auto getInterval =
        reinterpret_cast<GetSwapIntervalFunction>(reinterpret_cast<void*>(wglGetProcAddress("wglGetSwapIntervalEXT")));
    if (setInterval != nullptr && setInterval(1)) vsyncGranted = getInterval == nullptr || getInterval() == 1;
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    int32_t refreshHz = 0;
    // 0 and 1 stand for the hardware's default rate: unknown.
    if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmDisplayFrequency > 1) {
        refreshHz = static_cast<int32_t>(mode.dmDisplayFrequency);
    }
    startPacing(refreshHz, vsyncGranted);
}

bool registerWindowClass() {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = displayWindowProc;
    windowClass.hInstance = handles.instance;
    windowClass.hIcon = LoadIcon(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = windowClassName;
    handles.classRegistered = RegisterClassA(&windowClass) != 0;
    return handles.classRegistered;
}

// Switches the desktop to width x height at bits per pixel for as long as
// the program runs (released by the system if the process dies).
bool switchDisplayMode(int32_t width, int32_t height, int32_t bits) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(bits);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    handles.modeChanged = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
    return handles.modeChanged;
}

bool createContext(int32_t bits) {
    handles.deviceContext = GetDC(handles.window);
    if (handles.deviceContext == nullptr) return false;
    PIXELFORMATDESCRIPTOR request{};
    request.nSize = sizeof request;
    request.nVersion = 1;
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = static_cast<BYTE>(bits);
    request.cDepthBits = 16;
    request.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(handles.deviceContext, &request);
    if (format == 0 || !SetPixelFormat(handles.deviceContext, format, &request)) return false;
    handles.renderingContext = wglCreateContext(handles.deviceContext);
    return handles.renderingContext != nullptr && wglMakeCurrent(handles.deviceContext, handles.renderingContext);
}

}  // namespace

bool openDisplay(const char* title, int32_t width, int32_t height, int32_t bits, DisplaySurface surface) {
    const bool fullScreen = surface == DisplaySurface::FullScreen;
    const bool interactive = fullScreen;
    resetDisplayState(width, height, !fullScreen);
    handles.instance = GetModuleHandleA(nullptr);

    if (!registerWindowClass()) {
        reportFailure("Failed To Register The Window Class.", MessageIcon::Exclamation, interactive);
        return false;
    }

    // Full screen with a real mode switch where the display grants it;
    // otherwise a borderless window over the whole desktop, into which the
    // picture is scaled with black bars (instead of giving up).
    RECT frame{0, 0, width, height};
    if (fullScreen) {
        if (!switchDisplayMode(width, height, bits)) {
            frame = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            if (frame.right <= 0 || frame.bottom <= 0) frame = RECT{0, 0, width, height};
        }
        ShowCursor(FALSE);
        handles.cursorHidden = true;
        // The timer's 1 ms period makes the pacer's and the music's sleeps
        // and the tick counter exact to the millisecond.
        handles.timerPeriodSet = timeBeginPeriod(1) == TIMERR_NOERROR;
        // Keeps the screen on without the window having to be in front.
        SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
    }
    const DWORD style = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    const DWORD extendedStyle = WS_EX_APPWINDOW;
    AdjustWindowRectEx(&frame, WS_POPUP, FALSE, extendedStyle);

    handles.window =
        CreateWindowExA(extendedStyle, windowClassName, title, style, frame.left, frame.top, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, nullptr, handles.instance, nullptr);
    if (handles.window == nullptr) {
        closeDisplay();
        reportFailure("Can't create window.", MessageIcon::Exclamation, interactive);
        return false;
    }
    if (!createContext(bits)) {
        std::fprintf(stderr, "tavorly: no OpenGL context (system error %lu)\n", GetLastError());
        closeDisplay();
        return false;
    }
    if (fullScreen) {
        ShowWindow(handles.window, SW_SHOW);
        SetForegroundWindow(handles.window);
        SetFocus(handles.window);
    }

    resizeView(width, height);
    RECT client{};
    GetClientRect(handles.window, &client);
    placePicture(client.right - client.left, client.bottom - client.top, fullScreen);

    if (!initRenderState()) {
        closeDisplay();
        return false;
    }
    if (fullScreen) {
        startWin32Pacing();
    } else {
        stopPacing();
    }
    return true;
}

void closeDisplay() {
    DisplayState& state = displayState;
    if (handles.modeChanged) {
        ChangeDisplaySettingsA(nullptr, 0);
        handles.modeChanged = false;
    }
    if (handles.cursorHidden) {
        ShowCursor(TRUE);
        handles.cursorHidden = false;
        SetThreadExecutionState(ES_CONTINUOUS);
    }
    if (handles.timerPeriodSet) {
        timeEndPeriod(1);
        handles.timerPeriodSet = false;
    }
    if (handles.renderingContext != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(handles.renderingContext);
        handles.renderingContext = nullptr;
    }
    if (handles.deviceContext != nullptr) {
        ReleaseDC(handles.window, handles.deviceContext);
        handles.deviceContext = nullptr;
    }
    if (handles.window != nullptr) {
        DestroyWindow(handles.window);
        handles.window = nullptr;
    }
    if (handles.classRegistered) {
        UnregisterClassA(windowClassName, handles.instance);
        handles.classRegistered = false;
    }
    state.letterboxed = false;
    stopPacing();
}

void presentFrame() {
    collectGlErrors();
    SwapBuffers(handles.deviceContext);
    paceAfterPresent();
}

// The full-screen window, its GL context and presenting, on SDL2.
#include <SDL.h>
#include <SDL_opengl.h>
#include <SDL_syswm.h>
#include <dlfcn.h>
#include <link.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/display.h"
#include "app/message_box.h"

namespace {

// The window and context, beside the shared displayState.
struct SdlDisplayHandles {
    SDL_Window* window = nullptr;
    SDL_GLContext renderingContext = nullptr;
    bool videoStarted = false;  // openDisplay initialised SDL's video subsystem
};
SdlDisplayHandles handles;

// A start-up failure: one line on stderr that says what went wrong and what
// to do about it (with SDL's reason), then the viewer's message box with its
// fixed text where one can be shown.
void reportFailure(const char* boxText, MessageIcon icon, bool interactive, const std::string& detail) {
    std::fprintf(stderr, "tavorly: %s\n", detail.c_str());
    showErrorMessage(boxText, icon, interactive);
}

// Why no display could be used, naming the variables that are missing or
// the one that points nowhere, and how to run the demo anyway.
std::string noDisplayDetail(const char* reason) {
    const char* x11 = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    const bool hasX11 = x11 != nullptr && *x11 != '\0';
    const bool hasWayland = wayland != nullptr && *wayland != '\0';
    const std::string virtualServer = "or run it on a virtual X server: xvfb-run -s \"-screen 0 800x600x24\" tavorly";
    if (!hasX11 && !hasWayland) {
        return "no display to show the demo on: neither DISPLAY nor WAYLAND_DISPLAY is set. Start it from a "
               "desktop session, set DISPLAY to a running X server (for example DISPLAY=:0), " +
               virtualServer;
    }
    std::string named;
    if (hasX11) named = std::string("DISPLAY=") + x11;
    if (hasWayland) named += std::string(hasX11 ? " or " : "") + "WAYLAND_DISPLAY=" + wayland;
    return "cannot open the display " + named + " (" + reason + "). Check that the server is running and that " +
           "this user may connect to it (XAUTHORITY, xhost), " + virtualServer;
}

// The window or context could not be made: most often no OpenGL driver.
std::string noOpenGlDetail(const char* what) {
    return std::string("cannot create ") + what + " (" + SDL_GetError() +
           "). The demo needs OpenGL through GLX or EGL: install your graphics driver or Mesa's "
           "(Debian: libgl1-mesa-dri)";
}

#if defined(__SANITIZE_ADDRESS__)
#define TAVORLY_KEEP_GL_LIBRARIES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVORLY_KEEP_GL_LIBRARIES 1
#endif
#endif

#ifdef TAVORLY_KEEP_GL_LIBRARIES
// Address-sanitizer builds only: keeps every library loaded so far (the GL
// driver's among them) mapped until the process ends. SDL unloads the driver
// when the video subsystem quits; after that the leak checker can neither
// read the driver's globals, so all it still holds looks leaked, nor name the
// driver in a report.
void keepLoadedLibraries() {
    struct Names {
        std::array<std::string, 256> names;
        size_t count = 0;
    } found;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto& list = *static_cast<Names*>(data);
            if (info->dlpi_name != nullptr && *info->dlpi_name != '\0' && list.count < list.names.size()) {
                list.names[list.count++] = info->dlpi_name;
            }
            return 0;
        },
        &found);
    for (size_t i = 0; i < found.count; ++i) dlopen(found.names[i].c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}
#else
void keepLoadedLibraries() {}
#endif

// The display mode to switch to: the driver's mode of exactly width x height
// closest to the given depth; false when the display has no such size.
bool chooseDisplayMode(int32_t width, int32_t height, int32_t bits, SDL_DisplayMode& mode) {
    SDL_DisplayMode wanted{};
    wanted.format = bits >= 24 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_RGB565;
    wanted.w = width;
    wanted.h = height;
    return SDL_GetClosestDisplayMode(0, &wanted, &mode) != nullptr && mode.w == width && mode.h == height;
}

// Asks for presenting at the refresh (swap interval 1). Where the driver
// refuses, the pacer caps the loop at the display's refresh rate; where it
// claims vsync, the pacer still watches that presenting really waits.
void startSdlPacing(SDL_Window* window) {
    const bool vsyncGranted = SDL_GL_SetSwapInterval(1) == 0 && SDL_GL_GetSwapInterval() == 1;
    SDL_DisplayMode mode{};
    int32_t refreshHz = 0;
    if (SDL_GetWindowDisplayMode(window, &mode) == 0) refreshHz = mode.refresh_rate;
    startPacing(refreshHz, vsyncGranted);
}

// True unless the window is on an X server that runs no window manager, which
// says so by the root window's _NET_SUPPORTING_WM_CHECK property (EWMH). On
// Wayland and with a window manager SDL's full screen is the one to use.
bool hasWindowManager(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
    Display* display = info.info.x11.display;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, bytesAfter = 0;
    unsigned char* value = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                          &format, &items, &bytesAfter, &value);
    if (value != nullptr) XFree(value);
    return status != Success || (type == XA_WINDOW && items == 1);
#else
    (void)window;
    return true;
#endif
}

// SDL falls back to drivers that show nothing when there is no display;
// the demo takes them only when the environment names them on purpose.
bool isRealDisplayDriver() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return false;
    const bool invisible = std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    return !invisible || (requested && std::strstr(requested, driver));
}

}  // namespace

bool openDisplay(const char* title, int32_t width, int32_t height, int32_t bits, DisplaySurface surface) {
    const bool fullScreen = surface == DisplaySurface::FullScreen;
    const bool interactive = fullScreen;
    resetDisplayState(width, height, !fullScreen);

    if (surface == DisplaySurface::Offscreen) {
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
    } else {
        SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        reportFailure("Failed To Register The Window Class.", MessageIcon::Exclamation, interactive,
                      noDisplayDetail(SDL_GetError()));
        return false;
    }
    handles.videoStarted = true;
    if (fullScreen && !isRealDisplayDriver()) {
        const std::string reason = std::string("SDL found only its ") + SDL_GetCurrentVideoDriver() + " video driver";
        closeDisplay();
        reportFailure("Failed To Register The Window Class.", MessageIcon::Exclamation, interactive,
                      noDisplayDetail(reason.c_str()));
        return false;
    }

    SDL_DisplayMode mode{};
    SDL_Rect bounds{0, 0, width, height};
    if (fullScreen) {
        if (SDL_GetNumVideoDisplays() < 1 || SDL_GetDisplayBounds(0, &bounds) != 0) {
            const std::string detail =
                std::string("the display reports no screen to show the demo on (") + SDL_GetError() + ")";
            closeDisplay();
            reportFailure("Can't get screen. Program Will Now Close.", MessageIcon::Stop, interactive, detail);
            return false;
        }
        SDL_ShowCursor(SDL_DISABLE);
        SDL_DisableScreenSaver();
    }

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);

    // Full screen with a real mode switch where the display offers the size;
    // otherwise a full-screen window over the whole desktop, into which the
    // picture is scaled. That window is created at the desktop's size, so it
    // covers the screen even where no window manager resizes it.
    const bool modeFound = fullScreen && chooseDisplayMode(width, height, bits, mode);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    SDL_Rect frame{0, 0, width, height};
    if (fullScreen && modeFound) {
        flags |= SDL_WINDOW_FULLSCREEN;
    } else if (fullScreen) {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
        frame = bounds;
    }
    handles.window = SDL_CreateWindow(title, frame.x, frame.y, frame.w, frame.h, flags);
    if (!handles.window) {
        const std::string detail = noOpenGlDetail("the full-screen OpenGL window");
        closeDisplay();
        reportFailure("Can't create window.", MessageIcon::Exclamation, interactive, detail);
        return false;
    }
    if (modeFound) SDL_SetWindowDisplayMode(handles.window, &mode);
    // On an X server with no window manager, a screen that already has the
    // demo's size is covered by the window as created: SDL's full screen would
    // switch to the mode in use and then wait 100 ms for a window manager's
    // answer that never comes, so the window is shown as it stands.
    if (fullScreen && bounds.x == 0 && bounds.y == 0 && bounds.w == width && bounds.h == height &&
        !hasWindowManager(handles.window)) {
        SDL_SetWindowFullscreen(handles.window, 0);
    }

    handles.renderingContext = SDL_GL_CreateContext(handles.window);
    if (!handles.renderingContext) {
        std::fprintf(stderr, "tavorly: %s\n", noOpenGlDetail("an OpenGL context").c_str());
        closeDisplay();
        return false;
    }
    keepLoadedLibraries();

    if (fullScreen) {
        SDL_ShowWindow(handles.window);
        SDL_RaiseWindow(handles.window);
        SDL_PumpEvents();
    }

    resizeView(width, height);
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(handles.window, &drawableWidth, &drawableHeight);
    placePicture(drawableWidth, drawableHeight, fullScreen);

    if (!initRenderState()) {
        closeDisplay();
        return false;
    }
    if (fullScreen) {
        startSdlPacing(handles.window);
    } else {
        SDL_GL_SetSwapInterval(0);
        stopPacing();
    }
    return true;
}

void closeDisplay() {
    DisplayState& state = displayState;
    if (!state.windowed) {
        if (handles.window) SDL_SetWindowFullscreen(handles.window, 0);
        if (handles.videoStarted) {
            SDL_ShowCursor(SDL_ENABLE);
            SDL_EnableScreenSaver();
        }
    }
    if (handles.renderingContext) {
        SDL_GL_MakeCurrent(handles.window, nullptr);
        SDL_GL_DeleteContext(handles.renderingContext);
        handles.renderingContext = nullptr;
    }
    if (handles.window) {
        SDL_DestroyWindow(handles.window);
        handles.window = nullptr;
    }
    if (handles.videoStarted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        handles.videoStarted = false;
    }
    state.letterboxed = false;
    stopPacing();
}

void presentFrame() {
    collectGlErrors();
    SDL_GL_SwapWindow(handles.window);
    paceAfterPresent();
}

// The display: one full-screen window with a legacy OpenGL context, the GL
// state the scene expects, presenting, and the shell's global record. The
// window, context and presenting are per platform (app/sdl/, app/win32/);
// the GL state, the picture placement and the frame step are shared.
// Everything here runs on the main thread, which holds the GL context from
// openDisplay to closeDisplay.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "app/frame_pacer.h"
#include "app/picture_fit.h"

// Where openDisplay puts the picture.
enum class DisplaySurface : uint8_t {
    FullScreen,  // the demo: full screen, cursor hidden, screen blanking refused, paced
    Hidden,      // a window that is never shown, on the current display (GL tests)
    Offscreen,   // no display server needed where the platform can (SDL's offscreen
                 // driver); a never-shown window elsewhere (capture, GL tests)
};

// The virtual-key code of Escape, the one key the main loop reads.
inline constexpr int32_t escapeKey = 27;

// The shell's one global record, shared by the platforms; each platform keeps
// its window and context handles beside it in its own display file.
struct DisplayState {
    // 1 between a key's key-down and key-up, indexed by virtual-key code.
    // Written by the event handling, read by the main loop; main thread only.
    std::array<uint32_t, 256> keyDown{};
    // Set when Escape goes down, never cleared. A tap whose key-up arrives in
    // the same drain of the event queue as its key-down (a quick tap during a
    // slow frame, or synthetic input) leaves keyDown clear, yet must still end
    // the production.
    bool escapePressed = false;
    // False for the full-screen demo: closeDisplay then restores the desktop
    // mode, the cursor and screen blanking.
    bool windowed = false;
    int32_t width = 0;  // the picture's size as passed to openDisplay
    int32_t height = 0;
    // The picture's rectangle in the drawable. It differs from (0, 0, width,
    // height) only when the full-screen drawable has another size than asked
    // for; then the picture is scaled into it and the bars around are black.
    PictureRect picture{};
    bool letterboxed = false;
    bool paced = false;  // full screen: presentFrame applies the pacer
    FramePacer pacer;
    // GL errors raised while drawing, collected at each present since
    // openDisplay: how many, and the first one's code (0 when none).
    int64_t glErrors = 0;
    uint32_t firstGlError = 0;
};

extern DisplayState displayState;

// Starts the record afresh for a display of width by height: no key held, no
// Escape seen, no GL error counted. Called by each platform's openDisplay
// first; main thread.
void resetDisplayState(int32_t width, int32_t height, bool windowed);

// Opens the window and its GL context, makes the context current and sets the
// GL state. Returns false after writing what failed and what to do about it
// to stderr, then (full screen only) showing the viewer's message box
// captioned "ERROR" where a box can be shown; every partial acquisition is
// then released. Called once by runTavorly with
// ("Tavorly!", 800, 600, 32, DisplaySurface::FullScreen); GL tests and the
// capture tool open Hidden or Offscreen. Per platform.
bool openDisplay(const char* title, int32_t width, int32_t height, int32_t bits, DisplaySurface surface);

// Releases whatever openDisplay acquired, restoring the desktop's display mode,
// the cursor and screen blanking after full screen. Safe after a partial or a
// failed openDisplay and when called twice. Called by runTavorly at shut-down.
// Per platform.
void closeDisplay();

// Viewport (0, 0, width, height) and the 45-degree perspective projection of
// the 3-D drawing; leaves the identity in the modelview matrix. Called once,
// by openDisplay. A height of 0 counts as 1.
void resizeView(int32_t width, int32_t height);

// The GL state defaults: smooth shading, the clear colour and depth, depth
// test with less-or-equal, nicest perspective correction, 2-D texturing.
// Returns true. Called once, by openDisplay.
bool initRenderState();

// Places the picture in a drawable of the given size (scaled and centred with
// black bars when a full-screen drawable has another size than the picture)
// and sets the viewport to it. Called by openDisplay after resizeView.
void placePicture(int32_t drawableWidth, int32_t drawableHeight, bool fullScreen);

// Starts pacing the full-screen loop at refreshHz (0 or less: 60), with
// vsyncGranted saying whether the driver accepted a swap interval of 1.
// Called by openDisplay; stopPacing by openDisplay for other surfaces and by
// closeDisplay.
void startPacing(int32_t refreshHz, bool vsyncGranted);
void stopPacing();

// The first half of a frame: clears colour and depth (mask 0x4100) to the
// values set by initRenderState (and the bars around a scaled picture to
// black), then loads the identity into the modelview matrix.
void beginFrame();

// The second half: collects the frame's GL errors (collectGlErrors), presents
// the back buffer, then waits when the driver will not pace presenting itself
// (full screen only). Per platform.
void presentFrame();

// Drains glGetError into displayState.glErrors and firstGlError. Nothing in
// the loop stops on a GL error, but they are counted so that the demo can say
// at exit that the driver refused something. Called by presentFrame.
void collectGlErrors();

// Waits as long as the pacer asks after a present. Called by presentFrame.
void paceAfterPresent();

// One frame of the main loop: beginFrame, draw(), presentFrame. Returns what
// draw returned (non-zero: the production has reached its end). The main loop,
// the capture tool and GL tests all draw through this.
template <class Draw>
int32_t stepFrame(Draw&& draw) {
    beginFrame();
    const int32_t result = draw();
    presentFrame();
    return result;
}

// Reads the drawn picture (width x height as opened, RGB, top row first) from
// the buffer being drawn, so call it between drawing and presentFrame.
// Returns false when the buffer is too small or the picture is scaled.
bool readFramePixels(std::span<uint8_t> rgb);

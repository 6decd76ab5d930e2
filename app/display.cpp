// The display's shared half: the GL state, the projection, the picture's
// place in the drawable, the frame step and frame pacing. Plain OpenGL 1.1 and
// GLU; the window, context and presenting are in app/sdl/ and app/win32/.
#include "app/display.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <chrono>
#include <thread>

DisplayState displayState;

namespace {

constexpr GLfloat clearRed = 0.2f, clearGreen = 0.0f, clearBlue = 0.2f, clearAlpha = 0.5f;
constexpr int32_t fallbackRefreshHz = 60;

int64_t monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void resetDisplayState(int32_t width, int32_t height, bool windowed) {
    DisplayState& state = displayState;
    state.windowed = windowed;
    state.width = width;
    state.height = height;
    state.keyDown.fill(0);
    state.escapePressed = false;
    state.glErrors = 0;
    state.firstGlError = 0;
}

void resizeView(int32_t width, int32_t height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<GLdouble>(width) / static_cast<GLdouble>(height), static_cast<GLdouble>(0.1f),
                   100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool initRenderState() {
    glShadeModel(GL_SMOOTH);
    glClearColor(clearRed, clearGreen, clearBlue, clearAlpha);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    return true;
}

void placePicture(int32_t drawableWidth, int32_t drawableHeight, bool fullScreen) {
    DisplayState& state = displayState;
    state.letterboxed = fullScreen && (drawableWidth != state.width || drawableHeight != state.height);
    state.picture = state.letterboxed ? fitPicture(drawableWidth, drawableHeight, state.width, state.height)
                                      : PictureRect{0, 0, state.width, state.height};
    if (state.letterboxed) glViewport(state.picture.x, state.picture.y, state.picture.width, state.picture.height);
}

void startPacing(int32_t refreshHz, bool vsyncGranted) {
    if (refreshHz <= 0) refreshHz = fallbackRefreshHz;
    displayState.pacer.start(1'000'000'000 / refreshHz, vsyncGranted, monotonicNs());
    displayState.paced = true;
}

void stopPacing() { displayState.paced = false; }

void beginFrame() {
    const DisplayState& state = displayState;
    if (state.letterboxed) {
        // Black bars around the scaled picture; the picture's own clear and
        // everything drawn stay inside it.
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(clearRed, clearGreen, clearBlue, clearAlpha);
        glScissor(state.picture.x, state.picture.y, state.picture.width, state.picture.height);
        glEnable(GL_SCISSOR_TEST);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void collectGlErrors() {
    DisplayState& state = displayState;
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        if (state.glErrors++ == 0) state.firstGlError = error;
    }
}

void paceAfterPresent() {
    DisplayState& state = displayState;
    if (!state.paced) return;
    const int64_t wait = state.pacer.waitAfterPresent(monotonicNs());
    if (wait > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
}

bool readFramePixels(std::span<uint8_t> rgb) {
    const DisplayState& state = displayState;
    const size_t rowBytes = static_cast<size_t>(state.width) * 3;
    if (state.letterboxed || state.width <= 0 || state.height <= 0 ||
        rgb.size() < rowBytes * static_cast<size_t>(state.height)) {
        return false;
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(state.picture.x, state.picture.y, state.width, state.height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    // GL reads bottom row first; swap rows in place so the top row comes first.
    for (int32_t top = 0, bottom = state.height - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(rgb.begin() + top * static_cast<ptrdiff_t>(rowBytes),
                         rgb.begin() + (top + 1) * static_cast<ptrdiff_t>(rowBytes),
                         rgb.begin() + bottom * static_cast<ptrdiff_t>(rowBytes));
    }
    return true;
}

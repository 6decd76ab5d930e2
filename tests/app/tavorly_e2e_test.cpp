// The real tavorly program on a private Xvfb server with Mesa's software
// renderer and SDL's dummy audio driver: the window, the first frame, and the
// ways out (Escape, the window manager's close, no display, no sound).
// Timeouts are generous: the software renderer is slow, and nothing here
// assumes a frame rate.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

#include "tests/app/x_harness.h"

namespace {

using namespace std::chrono_literals;

constexpr auto startTimeout = 60s;
constexpr auto quitTimeout = 10s;
const std::array<int, 3> clearColour = {51, 0, 51};
const std::array<int, 3> black = {0, 0, 0};

class TavorlyOnXvfb : public ::testing::Test {
protected:
    void start(int screenWidth, int screenHeight) {
        server = std::make_unique<XvfbServer>(screenWidth, screenHeight);
        ASSERT_TRUE(server->running()) << "Xvfb did not start";
        startedAt = std::chrono::steady_clock::now();
        program = std::make_unique<ChildProcess>(
            std::vector<std::string>{TAVORLY_PROGRAM},
            std::vector<std::string>{"DISPLAY=" + server->name(), "SDL_AUDIODRIVER=dummy", "WAYLAND_DISPLAY"});
        ASSERT_TRUE(program->started());
    }

    // Waits for the demo's window and for its first frame on the screen
    // (the clear colour at the given point of the screen).
    Window waitForFirstFrame(int x, int y) {
        std::optional<Window> window;
        EXPECT_TRUE(waitUntil(
            [&] { return (window = server->findWindow("Tavorly!")).has_value() || program->exited(); }, startTimeout))
            << "no window titled Tavorly!";
        EXPECT_TRUE(window) << "exited early: " << program->stderrText();
        if (!window) return 0;
        EXPECT_TRUE(
            waitUntil([&] { return server->screenPixel(x, y) == clearColour || program->exited(); }, startTimeout));
        EXPECT_EQ(server->screenPixel(x, y), clearColour) << "no frame presented";
        const auto elapsed = std::chrono::steady_clock::now() - startedAt;
        std::cout << "start-up to first frame on screen: "
                  << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() << " ms\n";
        return *window;
    }

    std::unique_ptr<XvfbServer> server;
    std::unique_ptr<ChildProcess> program;
    std::chrono::steady_clock::time_point startedAt;
};

TEST_F(TavorlyOnXvfb, CoversTheScreenShowsTheClearColourAndQuitsOnEscape) {
    start(800, 600);
    const Window window = waitForFirstFrame(10, 10);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(server->screenRect(window), (std::array<int, 4>{0, 0, 800, 600}));
    EXPECT_EQ(server->screenPixel(790, 10), clearColour);

    ChildProcess key({"xdotool", "key", "Escape"}, {"DISPLAY=" + server->name()});
    EXPECT_EQ(key.waitForExit(quitTimeout), 0);
    EXPECT_EQ(program->waitForExit(quitTimeout), 0) << program->stderrText();
}

TEST_F(TavorlyOnXvfb, WindowManagerCloseEndsItWithExitCodeZero) {
    start(800, 600);
    const Window window = waitForFirstFrame(10, 10);
    ASSERT_NE(window, 0u);
    server->requestClose(window);
    EXPECT_EQ(program->waitForExit(quitTimeout), 0) << program->stderrText();
    EXPECT_FALSE(program->signalled());
}

TEST_F(TavorlyOnXvfb, PictureIsScaledAndCentredWhenTheScreenKeepsAWiderMode) {
    // A 1280 x 720 screen cannot switch to 800 x 600 here: the window covers
    // the screen and the 4:3 picture (960 x 720) sits in the middle.
    start(1280, 720);
    const Window window = waitForFirstFrame(640, 10);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(server->screenRect(window), (std::array<int, 4>{0, 0, 1280, 720}));
    // Inside the picture, its top corners show the clear colour (the scene
    // draws nothing there at the start); outside it, the bars are black.
    EXPECT_EQ(server->screenPixel(170, 10), clearColour);
    EXPECT_EQ(server->screenPixel(1110, 10), clearColour);
    EXPECT_EQ(server->screenPixel(150, 10), black);
    EXPECT_EQ(server->screenPixel(150, 710), black);
    EXPECT_EQ(server->screenPixel(1130, 10), black);
    EXPECT_EQ(server->screenPixel(1130, 710), black);
    server->requestClose(window);
    EXPECT_EQ(program->waitForExit(quitTimeout), 0);
}

TEST(TavorlyWithoutSound, ExitsNonZeroAndSaysWhyWhenTheAudioOutputCannotOpen) {
    XvfbServer server(800, 600);
    ASSERT_TRUE(server.running());
    ChildProcess program({TAVORLY_PROGRAM}, {"DISPLAY=" + server.name(), "SDL_AUDIODRIVER=no-such-driver"});
    ASSERT_TRUE(program.started());
    // Watch the screen while it runs: the window may open, but no frame is drawn.
    bool framePresented = false;
    waitUntil(
        [&] {
            framePresented = framePresented || server.screenPixel(400, 300) == clearColour;
            return program.exited() || program.waitForExit(0ms).has_value();
        },
        startTimeout);
    EXPECT_EQ(program.waitForExit(quitTimeout), 1);
    EXPECT_FALSE(framePresented);
    EXPECT_NE(program.stderrText().find("audio"), std::string::npos) << program.stderrText();
}

// Without a usable display the demo fails at once with exit code 1 (never
// waiting on a message box nobody can see) and says on stderr which variable
// is missing or where it points, and how to run it anyway.
TEST(TavorlyWithoutDisplay, ExitsNonZeroNamingTheDisplayVariableAndTheWayToRunIt) {
    struct Case {
        std::vector<std::string> environment;
        std::vector<std::string> mentions;
    };
    const Case cases[] = {
        {{"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, {"DISPLAY", "WAYLAND_DISPLAY", "xvfb-run"}},
        // A display number no server listens on.
        {{"DISPLAY=:4321", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, {"DISPLAY=:4321", "xvfb-run"}},
    };
    for (const Case& c : cases) {
        ChildProcess program({TAVORLY_PROGRAM}, c.environment);
        ASSERT_TRUE(program.started());
        EXPECT_EQ(program.waitForExit(quitTimeout), 1) << c.environment[0];
        for (const std::string& text : c.mentions) {
            EXPECT_NE(program.stderrText().find(text), std::string::npos)
                << c.environment[0] << ": " << program.stderrText();
        }
    }
}

// The real scene through the shell: the strip band along the bottom is lit
// by its colour bars over black, the picture keeps changing from frame to
// frame, and Escape still ends the production.
TEST_F(TavorlyOnXvfb, TheStripBandIsLitFramesKeepComingAndEscapeStillEndsIt) {
    start(800, 600);
    const Window window = waitForFirstFrame(10, 10);
    ASSERT_NE(window, 0u);
    // One column of the band, rows 568 to 599, at the left edge where no badge rises.
    auto bandColumn = [&] {
        std::vector<std::array<int, 3>> column;
        for (int y = 568; y < 600; ++y) column.push_back(server->screenPixel(40, y));
        return column;
    };
    auto lit = [](const std::vector<std::array<int, 3>>& column) {
        for (const std::array<int, 3>& p : column) {
            if (p[0] + p[1] + p[2] >= 255) return true;
        }
        return false;
    };
    std::vector<std::array<int, 3>> first;
    EXPECT_TRUE(waitUntil([&] { return lit(first = bandColumn()) || program->exited(); }, startTimeout))
        << "the strip band stays dark";
    EXPECT_EQ(server->screenPixel(40, 566), clearColour);
    // The bars move with time and the text with every frame: the band changes again and again.
    int changes = 0;
    std::vector<std::array<int, 3>> previous = first;
    waitUntil(
        [&] {
            std::vector<std::array<int, 3>> now = bandColumn();
            if (now != previous) ++changes;
            previous = now;
            return changes >= 3 || program->exited();
        },
        startTimeout);
    EXPECT_GE(changes, 3) << "frames stopped coming";

    ChildProcess key({"xdotool", "key", "Escape"}, {"DISPLAY=" + server->name()});
    EXPECT_EQ(key.waitForExit(quitTimeout), 0);
    EXPECT_EQ(program->waitForExit(quitTimeout), 0) << program->stderrText();
}

}  // namespace

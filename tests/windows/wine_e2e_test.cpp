// The Windows build's programs under Wine: tavorly.exe on a private 800 x 600
// Xvfb server with a PulseAudio null sink behind waveOut (the window, the
// first frame, Escape), without any sound device (the message box, exit 1),
// and xmrender.exe writing the same bytes as the Linux xmrender. Each test
// stops its Wine server at the end, so the next one starts on its own display.
// The Windows build tree is named by TAVORLY_WINDOWS_BUILD_DIR (the test
// command's Windows stage sets it); without it the tests are skipped.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>

#include "tests/app/x_harness.h"

namespace {

using namespace std::chrono_literals;

constexpr auto startTimeout = 120s;
constexpr auto quitTimeout = 20s;
const std::array<int, 3> clearColour = {51, 0, 51};
const std::string wineLoader = "/usr/lib/wine/wine64";
const std::string wineServer = "/usr/lib/wine/wineserver";

// The Windows build tree, or empty.
std::string windowsBuild() {
    const char* directory = std::getenv("TAVORLY_WINDOWS_BUILD_DIR");
    return directory != nullptr ? directory : "";
}
std::string winePrefix() { return windowsBuild() + "/wineprefix"; }
std::string windowsTavorly() { return windowsBuild() + "/app/win32/tavorly.exe"; }
std::string windowsXmrender() { return windowsBuild() + "/tools/xmrender/xmrender.exe"; }

#define SKIP_WITHOUT_WINDOWS_BUILD()                                                    \
    if (windowsBuild().empty()) GTEST_SKIP() << "TAVORLY_WINDOWS_BUILD_DIR is not set"; \
    ASSERT_TRUE(std::filesystem::exists(windowsTavorly())) << windowsTavorly() << " is missing"

std::vector<std::string> wineCommand(const std::string& program, std::vector<std::string> arguments = {}) {
    std::vector<std::string> command = {TAVORLY_WINE_RUN, wineLoader, program};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

// Ends every Wine process of the prefix and its server.
void stopWine() {
    ChildProcess stop({wineServer, "-k"}, {"WINEPREFIX=" + winePrefix()});
    stop.waitForExit(quitTimeout);
    ChildProcess wait({wineServer, "-w"}, {"WINEPREFIX=" + winePrefix()});
    wait.waitForExit(quitTimeout);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A PulseAudio server with only a null sink, on a socket of its own, so that
// Wine's waveOut finds an output device on a machine without sound hardware.
class PulseNullSink {
public:
    PulseNullSink() {
        char pattern[] = "/tmp/tavorly-pulse-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        directory_ = pattern;
        socket_ = directory_ + "/native";
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n",
                                     "--load=module-null-sink",
                                     "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket_},
            std::vector<std::string>{"XDG_RUNTIME_DIR=" + directory_, "HOME=" + directory_});
        waitUntil([&] { return std::filesystem::exists(socket_) || server_->exited(); }, 20s);
    }
    ~PulseNullSink() {
        server_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    bool running() const { return server_ && !server_->exited() && std::filesystem::exists(socket_); }
    std::string serverVariable() const { return "PULSE_SERVER=unix:" + socket_; }
    std::string stderrText() const { return server_ ? server_->stderrText() : ""; }

private:
    std::string directory_;
    std::string socket_;
    std::unique_ptr<ChildProcess> server_;
};

class TavorlyUnderWine : public ::testing::Test {
protected:
    void TearDown() override {
        program.reset();
        if (!windowsBuild().empty()) stopWine();
    }

    void start(const std::string& pulseVariable) {
        server = std::make_unique<XvfbServer>(800, 600);
        ASSERT_TRUE(server->running()) << "Xvfb did not start";
        startedAt = std::chrono::steady_clock::now();
        program = std::make_unique<ChildProcess>(
            wineCommand(windowsTavorly()),
            std::vector<std::string>{"DISPLAY=" + server->name(), "WINEPREFIX=" + winePrefix(), pulseVariable,
                                     "WAYLAND_DISPLAY"});
        ASSERT_TRUE(program->started());
    }

    std::unique_ptr<XvfbServer> server;
    std::unique_ptr<ChildProcess> program;
    std::chrono::steady_clock::time_point startedAt;
};

TEST_F(TavorlyUnderWine, ShowsTheClearColourAtTheCornerAndQuitsOnEscape) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    PulseNullSink pulse;
    ASSERT_TRUE(pulse.running()) << pulse.stderrText();
    start(pulse.serverVariable());

    std::optional<Window> window;
    EXPECT_TRUE(waitUntil([&] { return (window = server->findWindow("Tavorly!")).has_value() || program->exited(); },
                          startTimeout))
        << "no window titled Tavorly!";
    ASSERT_TRUE(window) << "exited early: " << program->stderrText();
    EXPECT_TRUE(
        waitUntil([&] { return server->screenPixel(10, 10) == clearColour || program->exited(); }, startTimeout));
    ASSERT_EQ(server->screenPixel(10, 10), clearColour) << "no frame presented; " << program->stderrText();
    const auto elapsed = std::chrono::steady_clock::now() - startedAt;
    std::cout << "start-up to first frame on screen under Wine: "
              << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() << " ms\n";
    EXPECT_EQ(server->screenRect(*window), (std::array<int, 4>{0, 0, 800, 600}));

    // Frames keep coming while the music plays (the strip's colour bars
    // move), then Escape ends the production.
    std::this_thread::sleep_for(1s);
    EXPECT_FALSE(program->exited()) << program->stderrText();
    ChildProcess key({"xdotool", "key", "Escape"}, {"DISPLAY=" + server->name()});
    EXPECT_EQ(key.waitForExit(quitTimeout), 0);
    EXPECT_EQ(program->waitForExit(quitTimeout), 0) << program->stderrText();
}

TEST_F(TavorlyUnderWine, WithoutASoundDeviceShowsWhyAndExitsWithOneOnceTheBoxIsDismissed) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    // A server address that leads nowhere: waveOut has no device.
    start("PULSE_SERVER=unix:/nonexistent/pulse/native");
    std::optional<Window> box;
    EXPECT_TRUE(
        waitUntil([&] { return (box = server->findWindow("ERROR")).has_value() || program->exited(); }, startTimeout))
        << "no message box titled ERROR";
    ASSERT_TRUE(box) << "exited early: " << program->stderrText();
    EXPECT_FALSE(program->exited());
    EXPECT_NE(program->stderrText().find("audio"), std::string::npos) << program->stderrText();

    ChildProcess key({"xdotool", "key", "Return"}, {"DISPLAY=" + server->name()});
    EXPECT_EQ(key.waitForExit(quitTimeout), 0);
    EXPECT_EQ(program->waitForExit(quitTimeout), 1) << program->stderrText();
}

class XmrenderUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tavorly-xmrender-wine-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
    }
    void TearDown() override {
        if (!windowsBuild().empty()) stopWine();
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
    std::string directory;
};

TEST_F(XmrenderUnderWine, WritesTheSameBytesAsTheLinuxBuildToAFileAndToAPipe) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    const std::string linuxWav = directory + "/linux.wav";
    const std::string windowsWav = directory + "/windows.wav";
    ChildProcess linuxRender({TAVORLY_LINUX_XMRENDER, TAVORLY_SOUNDTRACK, linuxWav}, {});
    ASSERT_EQ(linuxRender.waitForExit(120s), 0) << linuxRender.stderrText();

    // Wine's drive Z: is the Linux root.
    ChildProcess windowsRender(
        wineCommand(windowsXmrender(), {std::string("Z:") + TAVORLY_SOUNDTRACK, "Z:" + windowsWav}),
        {"WINEPREFIX=" + winePrefix()});
    ASSERT_EQ(windowsRender.waitForExit(120s), 0) << windowsRender.stderrText();
    const std::string expected = readFile(linuxWav);
    ASSERT_GT(expected.size(), 44u);
    EXPECT_TRUE(readFile(windowsWav) == expected) << "the Windows render differs from the Linux render";

    // Standard output as a pipe: binary mode, and the length found first.
    std::string command;
    for (const std::string& part : wineCommand(windowsXmrender(), {std::string("Z:") + TAVORLY_SOUNDTRACK, "-"})) {
        command += "'" + part + "' ";
    }
    command = "WINEPREFIX='" + winePrefix() + "' " + command + "2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string piped;
    char chunk[65536];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) piped.append(chunk, got);
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(piped.size(), expected.size());
    EXPECT_TRUE(piped == expected) << "the piped Windows render differs from the Linux render";
}

}  // namespace

// tavorly-play end to end with SDL's dummy audio driver (which plays at about
// real time): the live view in a tmux pane, read back with capture-pane while
// keys are sent; and without a terminal, one line per file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>

#include "tools/xmwriter/xm_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The program runs with the dummy audio driver; in the sanitizer build leak
// checking is off for it, as SDL's audio libraries keep allocations until the
// process ends.
const std::string programEnvironment = "SDL_AUDIODRIVER=dummy LSAN_OPTIONS=detect_leaks=0 ";

fs::path workDirectory() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const fs::path directory = fs::path(testing::TempDir()) / (std::string("play_") + test->name());
    fs::remove_all(directory);
    fs::create_directories(directory);
    return directory;
}

std::string readFile(const fs::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string runOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
        pclose(pipe);
    }
    return output;
}

// A song of `orders` patterns of 64 rows at speed 6 and 125 BPM (7.7 s each)
// with notes on four channels, named `name`.
void writeSong(const fs::path& path, const std::string& name, int orders, int rows = 64) {
    XmModule module;
    module.name = name;
    module.trackerName = "Test Tracker";
    module.orders.assign(static_cast<size_t>(orders), 0);
    XmPattern& pattern = module.patterns.emplace_back();
    pattern.rows = static_cast<uint16_t>(rows);
    for (int row = 0; row < rows; row += 4)
        for (int c = 0; c < 4; ++c) pattern.set(row, c, {static_cast<uint8_t>(49 + c * 4), 1, 0, 0, 0});
    XmSample sample;
    for (int i = 0; i < 64; ++i) sample.pcm.push_back(static_cast<int16_t>(i < 32 ? 60 : -60));
    sample.loop = XmLoop::forward;
    sample.loopLength = 64;
    module.instruments.emplace_back().samples.push_back(sample);
    ASSERT_TRUE(writeXmFile(module, path.string()));
}

// A tmux server of the test's own with one pane running the program.
class TmuxPane {
public:
    // The terminal's settings are saved before the program and after it, and
    // the pane stays a minute after the program ends, so what it left behind
    // shows (tmux tells nothing of a pane that has closed).
    TmuxPane(const fs::path& directory, const std::string& arguments)
        : statusPath(directory / "status"), before(directory / "stty_before"), after(directory / "stty_after") {
        socket = "tavorly-play-test-" + std::to_string(getpid()) + "-" + directory.filename().string();
        const std::string command = "stty -g >'" + before.string() + "'; " + programEnvironment +
                                    "'" TAVORLY_PLAY_PROGRAM "' " + arguments + " 2>'" +
                                    (directory / "stderr").string() + "'; echo \\$? >'" + statusPath.string() +
                                    "'; stty -g >'" + after.string() + "'; sleep 60";
        tmux("-f /dev/null new-session -d -s play -x 100 -y 30 \"" + command + "\"");
    }
    ~TmuxPane() { tmux("kill-server"); }

    std::string screen() { return runOutput(prefix() + "capture-pane -p -t play 2>/dev/null"); }
    void send(const std::string& keys) { tmux("send-keys -t play " + keys); }

    // Waits up to `timeout` for `condition` on the screen; the last screen
    // read is kept for messages.
    bool waitFor(const std::function<bool(const std::string&)>& condition, std::chrono::milliseconds timeout = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        do {
            last = screen();
            if (condition(last)) return true;
            std::this_thread::sleep_for(50ms);
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }

    // The program's exit status once it has ended; -1 if it has not within a few seconds.
    int exitStatus() {
        for (int i = 0; i < 200 && !fs::exists(statusPath); ++i) std::this_thread::sleep_for(50ms);
        std::this_thread::sleep_for(50ms);
        const std::string text = readFile(statusPath);
        return text.empty() ? -1 : std::stoi(text);
    }

    // After the program has ended: its settings back as they were, the view's
    // screen left and the cursor shown again.
    bool terminalRestored() {
        for (int i = 0; i < 100 && !fs::exists(after); ++i) std::this_thread::sleep_for(50ms);
        const std::string flags = runOutput(prefix() + "display-message -p -t play '#{alternate_on}#{cursor_flag}'");
        return !readFile(before).empty() && readFile(before) == readFile(after) && flags == "01\n";
    }

    std::string last;

private:
    std::string prefix() const { return "tmux -L '" + socket + "' "; }
    void tmux(const std::string& arguments) { std::system((prefix() + arguments + " >/dev/null 2>&1").c_str()); }

    std::string socket;
    fs::path statusPath, before, after;
};

bool contains(const std::string& screen, const std::string& text) { return screen.find(text) != std::string::npos; }

// The order position and row the view shows, as one number; -1 when none.
int64_t position(const std::string& screen) {
    std::smatch match;
    static const std::regex pattern(R"(Order\s+(\d+)/\d+\s+Pattern \d+\s+Row (\d+)/)");
    if (!std::regex_search(screen, match, pattern)) return -1;
    return std::stoll(match[1]) * 1000 + std::stoll(match[2]);
}

TEST(PlayProgram, ViewFollowsThePlayAndKeysPauseSeekSkipAndQuit) {
    const fs::path directory = workDirectory();
    writeSong(directory / "first.xm", "First Song", 3);
    writeSong(directory / "second.xm", "Second Song", 3);
    TmuxPane pane(directory,
                  "'" + (directory / "first.xm").string() + "' '" + (directory / "second.xm").string() + "'");

    ASSERT_TRUE(pane.waitFor([](const std::string& s) { return contains(s, "First Song") && position(s) >= 2; }))
        << pane.last;
    EXPECT_TRUE(contains(pane.last, "file 1/2")) << pane.last;
    EXPECT_TRUE(contains(pane.last, "Test Tracker   4 channels")) << pane.last;
    EXPECT_TRUE(contains(pane.last, " 1 [#")) << "a meter shows the playing channel\n" << pane.last;
    const int64_t early = position(pane.last);
    ASSERT_TRUE(pane.waitFor([&](const std::string& s) { return position(s) >= early + 3; })) << pane.last;

    // Paused, the row stands still once the pause is heard.
    pane.send("Space");
    ASSERT_TRUE(pane.waitFor([](const std::string& s) { return contains(s, "[paused]"); })) << pane.last;
    std::this_thread::sleep_for(400ms);
    const int64_t paused = position(pane.screen());
    std::this_thread::sleep_for(700ms);
    EXPECT_EQ(position(pane.screen()), paused);
    pane.send("Space");
    ASSERT_TRUE(pane.waitFor([&](const std::string& s) { return position(s) > paused; })) << pane.last;
    EXPECT_TRUE(contains(pane.last, "[playing]"));

    // Right goes on at the next order position's first rows.
    pane.send("Right");
    ASSERT_TRUE(pane.waitFor([](const std::string& s) { return position(s) / 1000 == 1; }, 3s)) << pane.last;
    EXPECT_LT(position(pane.last) % 1000, 20) << pane.last;

    pane.send("n");
    ASSERT_TRUE(pane.waitFor([](const std::string& s) { return contains(s, "Second Song"); })) << pane.last;
    EXPECT_TRUE(contains(pane.last, "file 2/2")) << pane.last;
    pane.send("q");
    EXPECT_EQ(pane.exitStatus(), 0);
    EXPECT_TRUE(pane.terminalRestored());
    EXPECT_EQ(readFile(directory / "stderr"), "");
}

TEST(PlayProgram, CtrlCStopsPlayingAndRestoresTheTerminal) {
    const fs::path directory = workDirectory();
    writeSong(directory / "song.xm", "Song", 3);
    TmuxPane pane(directory, "'" + (directory / "song.xm").string() + "'");
    ASSERT_TRUE(pane.waitFor([](const std::string& s) { return position(s) >= 2; })) << pane.last;
    pane.send("C-c");
    EXPECT_EQ(pane.exitStatus(), 130);
    EXPECT_TRUE(pane.terminalRestored());
    EXPECT_EQ(readFile(directory / "stderr"), "");
}

TEST(PlayProgram, ADamagedFileGivesItsReasonAndTheNextOnePlays) {
    const fs::path directory = workDirectory();
    writeSong(directory / "good.xm", "Good Song", 2);
    // A format version older than any layout the loader reads.
    XmModule broken;
    broken.patterns.emplace_back();
    broken.version = 0x0101;
    ASSERT_TRUE(writeXmFile(broken, (directory / "broken.xm").string()));
    TmuxPane pane(directory, "'" + (directory / "broken.xm").string() + "' '" + (directory / "good.xm").string() + "'");
    const std::string reason = "'" + (directory / "broken.xm").string() + "' fails to load";
    ASSERT_TRUE(pane.waitFor([&](const std::string& s) {
        return contains(s, "Good Song") && contains(s, "broken.xm' fails") && position(s) >= 2;
    })) << pane.last;
    pane.send("q");
    EXPECT_EQ(pane.exitStatus(), 1) << "a file that could not be played fails the run";
    EXPECT_NE(readFile(directory / "stderr").find("tavorly-play: " + reason), std::string::npos);
}

struct RunResult {
    int exitCode;
    std::string out;
    std::string err;
};

RunResult runProgram(const fs::path& directory, const std::string& environment, const std::string& arguments) {
    const std::string command = environment + "'" TAVORLY_PLAY_PROGRAM "' " + arguments + " >'" +
                                (directory / "out").string() + "' 2>'" + (directory / "err").string() + "' </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(directory / "out"), readFile(directory / "err")};
}

TEST(PlayProgram, WithoutATerminalEachFileGetsOneLineAndTheSongsEndByThemselves) {
    const fs::path directory = workDirectory();
    // Two half-second songs (8 rows at speed 6), a file that is not a module
    // between them.
    writeSong(directory / "one.xm", "One", 1, 4);
    std::ofstream(directory / "notes.xm") << "some notes";
    writeSong(directory / "two.xm", "Two", 1, 4);
    const std::string files = "'" + (directory / "one.xm").string() + "' '" + (directory / "notes.xm").string() +
                              "' '" + (directory / "two.xm").string() + "'";
    const auto started = std::chrono::steady_clock::now();
    const RunResult result = runProgram(directory, programEnvironment, files);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "1/3 " + (directory / "one.xm").string() + ": \"One\" (Test Tracker, 4 channels, 0:00)\n" +
                              "3/3 " + (directory / "two.xm").string() +
                              ": \"Two\" (Test Tracker, 4 channels, 0:00)\n");
    EXPECT_EQ(result.err, "tavorly-play: '" + (directory / "notes.xm").string() + "' is not an XM module\n");
}

TEST(PlayProgram, ExitCodesForHelpUsageAndAMissingSoundDevice) {
    const fs::path directory = workDirectory();
    writeSong(directory / "song.xm", "Song", 1, 4);
    const RunResult help = runProgram(directory, programEnvironment, "--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: tavorly-play", 0), 0u);
    const RunResult usage = runProgram(directory, programEnvironment, "--start 300 song.xm");
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.err.find("--start wants an order position from 0 to 255"), std::string::npos) << usage.err;
    const RunResult noDevice = runProgram(directory, "SDL_AUDIODRIVER=no-such-driver LSAN_OPTIONS=detect_leaks=0 ",
                                          "'" + (directory / "song.xm").string() + "'");
    EXPECT_EQ(noDevice.exitCode, 1);
    EXPECT_EQ(noDevice.err.rfind("tavorly-play: cannot open the sound device: ", 0), 0u) << noDevice.err;
    EXPECT_EQ(noDevice.out, "");
}

}  // namespace

// The capture program end to end: built around the tests' own short script
// (capture_script.h), run offscreen, its files read back.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/capture/capture_script.h"
#include "tests/capture/png_reading.h"
#include "tools/capture/video_pipe.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int32_t width = 800;
constexpr int32_t height = 600;
constexpr int32_t stripTop = 568;           // the strip band covers rows 568 to 599
constexpr uint32_t clearColour = 0x330033;  // the clear colour (0.2, 0, 0.2) in 8 bits

struct RunResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

// A fresh directory for one test's files.
fs::path workDirectory() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const fs::path directory = fs::path(testing::TempDir()) / (std::string("capture_") + test->name());
    fs::remove_all(directory);
    fs::create_directories(directory);
    return directory;
}

RunResult run(const std::string& program, const std::string& arguments, const fs::path& directory) {
    const fs::path log = directory / "output.txt";
    // In the sanitizer build, leak checking is off for the program: Mesa's GL
    // driver keeps allocations until the process ends and is unloaded by then,
    // so its leaks could not even be told apart from ours. Memory errors are
    // still caught.
    const std::string command =
        "LSAN_OPTIONS=detect_leaks=0 '" + program + "' " + arguments + " >'" + log.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream file(log);
    std::stringstream text;
    text << file.rdbuf();
    result.output = text.str();
    return result;
}

RunResult capture(const std::string& arguments, const fs::path& directory) {
    return run(CAPTURE_TEST_PROGRAM, arguments, directory);
}

std::string framePath(const fs::path& directory, int64_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(frame));
    return (directory / name).string();
}

DecodedImage readFrame(const fs::path& directory, int64_t frame) {
    const auto image = decodePng(readFileBytes(framePath(directory, frame)));
    EXPECT_TRUE(image) << framePath(directory, frame);
    EXPECT_EQ(image->width, width);
    EXPECT_EQ(image->height, height);
    return image ? *image : DecodedImage{};
}

// The PCM bytes of a WAV file written by the capture (after its 44-byte header).
std::vector<uint8_t> wavData(const fs::path& path) {
    std::vector<uint8_t> bytes = readFileBytes(path.string());
    EXPECT_GE(bytes.size(), 44u) << path;
    return bytes.size() < 44 ? bytes : std::vector<uint8_t>(bytes.begin() + 44, bytes.end());
}

// Pixels above the strip that differ from the clear colour.
int64_t pixelsOffClearAboveStrip(const DecodedImage& image) {
    int64_t count = 0;
    for (int32_t y = 0; y < stripTop; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            count += image.pixel(x, y) != clearColour;
        }
    }
    return count;
}

// Summed distance from the clear colour over the centre of the screen, where
// the big logo is drawn.
int64_t centreDistanceFromClear(const DecodedImage& image) {
    int64_t sum = 0;
    for (int32_t y = 250; y < 350; ++y) {
        for (int32_t x = 350; x < 450; ++x) {
            const uint32_t p = image.pixel(x, y);
            sum += std::abs(int32_t(p >> 16) - 0x33) + int32_t(p >> 8 & 0xff) + std::abs(int32_t(p & 0xff) - 0x33);
        }
    }
    return sum;
}

int64_t audioFrameOf(int64_t frame, int32_t fps) { return frame * 44100 / fps; }

TEST(CaptureProgram, FrameZeroShowsTheClearColourAndAStripOfColourBarsOnly) {
    const fs::path directory = workDirectory();
    const RunResult result = capture("--frames 0:0 --png '" + directory.string() + "'", directory);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const DecodedImage frame = readFrame(directory, 0);
    EXPECT_EQ(pixelsOffClearAboveStrip(frame), 0);
    // Without text every row of the band is one colour across the screen, and
    // the bars put some colour other than black into it.
    bool someColour = false;
    for (int32_t y = stripTop; y < height; ++y) {
        for (int32_t x = 1; x < width; ++x) {
            ASSERT_EQ(frame.pixel(x, y), frame.pixel(0, y)) << "row " << y << " column " << x;
        }
        EXPECT_NE(frame.pixel(0, y), clearColour) << "row " << y;
        someColour = someColour || frame.pixel(0, y) != 0;
    }
    EXPECT_TRUE(someColour);
}

TEST(CaptureProgram, SpritesAppearInTheFrameAfterStartSwarmIsRead) {
    const fs::path directory = workDirectory();
    const int64_t first = scriptStartSwarmFrame - 1;
    const RunResult result =
        capture("--fps 10 --frames " + std::to_string(first) + ":" + std::to_string(scriptStartSwarmFrame + 1) +
                    " --png '" + directory.string() + "'",
                directory);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    // The big logo has faded out by then; only the swarm changes the picture
    // above the strip.
    const DecodedImage before = readFrame(directory, first);
    const DecodedImage reading = readFrame(directory, scriptStartSwarmFrame);
    const DecodedImage after = readFrame(directory, scriptStartSwarmFrame + 1);
    int64_t changedByRead = 0;
    int64_t changedAfter = 0;
    for (int32_t y = 0; y < stripTop; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            changedByRead += before.pixel(x, y) != reading.pixel(x, y);
            changedAfter += reading.pixel(x, y) != after.pixel(x, y);
        }
    }
    EXPECT_EQ(changedByRead, 0);
    EXPECT_EQ(pixelsOffClearAboveStrip(reading), 0);
    EXPECT_GT(changedAfter, 0);
}

TEST(CaptureProgram, TheBigLogoFadesInAfterShowLogoIsRead) {
    const fs::path directory = workDirectory();
    // At 10 frames per second the two-second fade takes 20 frames.
    const int64_t first = scriptShowLogoFrame;
    const int64_t last = scriptShowLogoFrame + 22;
    const RunResult result = capture("--fps 10 --frames " + std::to_string(first) + ":" + std::to_string(last) +
                                         " --png '" + directory.string() + "'",
                                     directory);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(pixelsOffClearAboveStrip(readFrame(directory, first)), 0);
    int64_t previous = 0;
    for (int64_t frame : {first + 1, first + 6, first + 11, first + 16, first + 21}) {
        const int64_t distance = centreDistanceFromClear(readFrame(directory, frame));
        EXPECT_GT(distance, previous) << "frame " << frame;
        previous = distance;
    }
    // Fully in: it holds.
    const DecodedImage in = readFrame(directory, first + 21);
    const DecodedImage holding = readFrame(directory, first + 22);
    EXPECT_TRUE(std::equal(in.rgb.begin(), in.rgb.begin() + stripTop * width * 3, holding.rgb.begin()));
}

TEST(CaptureProgram, TheSameSpanGivesTheSameBytesAndALateStartTheSameFramesAndMusic) {
    const fs::path directory = workDirectory();
    const auto span = [&](const std::string& name, int64_t first, int64_t last) {
        const fs::path out = directory / name;
        const RunResult result =
            capture("--fps 20 --seed 7 --frames " + std::to_string(first) + ":" + std::to_string(last) + " --png '" +
                        out.string() + "' --audio '" + out.string() + ".wav'",
                    directory);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        return out;
    };
    // A span with the logo, the swarm and its random draws.
    const fs::path whole = span("whole", 0, 106);
    const fs::path again = span("again", 0, 106);
    const fs::path late = span("late", 102, 106);
    for (int64_t frame = 0; frame <= 106; ++frame) {
        EXPECT_EQ(readFileBytes(framePath(whole, frame)), readFileBytes(framePath(again, frame))) << frame;
        if (frame >= 102) {
            EXPECT_EQ(readFileBytes(framePath(whole, frame)), readFileBytes(framePath(late, frame))) << frame;
        }
    }
    EXPECT_FALSE(fs::exists(framePath(late, 101)));
    const std::vector<uint8_t> wholeMusic = wavData(whole.string() + ".wav");
    EXPECT_EQ(wholeMusic, wavData(again.string() + ".wav"));
    // The late span's music is exactly the matching stretch of the whole.
    const std::vector<uint8_t> lateMusic = wavData(late.string() + ".wav");
    const auto from = static_cast<size_t>(audioFrameOf(102, 20) * 4);
    ASSERT_EQ(wholeMusic.size(), static_cast<size_t>(audioFrameOf(107, 20) * 4));
    EXPECT_TRUE(std::equal(lateMusic.begin(), lateMusic.end(), wholeMusic.begin() + static_cast<ptrdiff_t>(from),
                           wholeMusic.end()));
    EXPECT_EQ(lateMusic.size(), wholeMusic.size() - from);
}

TEST(CaptureProgram, TheWavHoldsExactlyTheAudioFramesOfTheSpan) {
    const fs::path directory = workDirectory();
    // 44100 / 13 leaves a remainder, which is carried from frame to frame.
    RunResult result = capture("--fps 13 --frames 3:9 --audio '" + (directory / "span.wav").string() + "'", directory);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(wavData(directory / "span.wav").size(),
              static_cast<size_t>(audioFrameOf(10, 13) - audioFrameOf(3, 13)) * 4);

    // Without --frames the capture ends with the frame that reads the end mark.
    result = capture("--audio '" + (directory / "all.wav").string() + "'", directory);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(wavData(directory / "all.wav").size(), static_cast<size_t>(audioFrameOf(scriptEndFrame + 1, 60)) * 4);

    // A span past the end stops there, and says so.
    result = capture("--frames 100:200 --audio '" + (directory / "past.wav").string() + "'", directory);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("ends at frame " + std::to_string(scriptEndFrame)), std::string::npos)
        << result.output;
    EXPECT_EQ(wavData(directory / "past.wav").size(),
              static_cast<size_t>(audioFrameOf(scriptEndFrame + 1, 60) - audioFrameOf(100, 60)) * 4);
}

TEST(CaptureProgram, AShortVideoHasTheSpanDurationAndFrameCount) {
    const char* path = std::getenv("PATH");
    if (findExecutable("ffmpeg", path ? path : "").empty() || findExecutable("ffprobe", path ? path : "").empty()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    const fs::path directory = workDirectory();
    const fs::path video = directory / "short.mp4";
    const RunResult result = capture("--fps 30 --frames 0:44 --video '" + video.string() + "'", directory);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const RunResult probe = run("ffprobe",
                                "-v error -count_frames -show_entries stream=codec_name,width,height,nb_read_frames:"
                                "format=duration -of default=nw=1 '" +
                                    video.string() + "'",
                                directory);
    ASSERT_EQ(probe.exitCode, 0) << probe.output;
    EXPECT_NE(probe.output.find("codec_name=h264"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("codec_name=aac"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("width=800\nheight=600"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("nb_read_frames=45"), std::string::npos) << probe.output;
    const size_t at = probe.output.find("duration=");
    ASSERT_NE(at, std::string::npos) << probe.output;
    EXPECT_NEAR(std::stod(probe.output.substr(at + 9)), 1.5, 0.05) << probe.output;
}

TEST(CaptureProgram, SigtermStopsTheCaptureWithCompleteFiles) {
    const fs::path directory = workDirectory();
    const std::string wav = (directory / "music.wav").string();
    const std::string video = (directory / "video.mp4").string();
    const char* path = std::getenv("PATH");
    const bool withVideo = !findExecutable("ffmpeg", path ? path : "").empty();
    // The production's own text runs for many minutes, long enough to be stopped.
    std::vector<std::string> arguments = {TAVORLY_CAPTURE_PROGRAM, "--audio", wav};
    if (withVideo) {
        arguments.insert(arguments.end(), {"--video", video});
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    // As in run(): no leak report from the sanitizer build's program.
    setenv("LSAN_OPTIONS", "detect_leaks=0", 1);
    pid_t child = -1;
    ASSERT_EQ(posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    // Stop it once it has written some music.
    for (int i = 0; i < 300 && (!fs::exists(wav) || fs::file_size(wav) < 100000); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);

    const std::vector<uint8_t> bytes = readFileBytes(wav);
    ASSERT_GT(bytes.size(), 44u);
    const uint32_t dataBytes = bytes[40] | bytes[41] << 8 | bytes[42] << 16 | static_cast<uint32_t>(bytes[43]) << 24;
    EXPECT_EQ(dataBytes, bytes.size() - 44);
    if (withVideo) {
        const RunResult probe =
            run("ffprobe", "-v error -show_entries format=duration -of default=nw=1 '" + video + "'", directory);
        EXPECT_EQ(probe.exitCode, 0) << probe.output;
        EXPECT_NE(probe.output.find("duration="), std::string::npos) << probe.output;
    }
}

TEST(CaptureProgram, BadCommandLinesAndSpansPastTheEndFailWithAMessage) {
    const fs::path directory = workDirectory();
    RunResult result = run(TAVORLY_CAPTURE_PROGRAM, "--fps 0", directory);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.output.find("--fps"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("--help"), std::string::npos) << result.output;

    result = run(TAVORLY_CAPTURE_PROGRAM, "--help", directory);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("Usage: tavorly-capture"), std::string::npos) << result.output;

    result = capture("--frames 150:160 --png '" + directory.string() + "'", directory);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("ends at frame " + std::to_string(scriptEndFrame) + ", before frame 150"),
              std::string::npos)
        << result.output;

    result = capture("--audio /nonexistent-dir/music.wav", directory);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("/nonexistent-dir/music.wav"), std::string::npos) << result.output;
}

}  // namespace

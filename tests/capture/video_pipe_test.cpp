#include "tools/capture/video_pipe.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

std::string commandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) {
            output += buffer;
        }
        pclose(pipe);
    }
    return output;
}

bool haveFfmpeg() {
    const char* path = std::getenv("PATH");
    return !findExecutable("ffmpeg", path ? path : "").empty() && !findExecutable("ffprobe", path ? path : "").empty();
}

// Sets PATH for the lifetime of the object.
class ScopedPath {
public:
    explicit ScopedPath(const char* value) {
        if (const char* old = std::getenv("PATH")) {
            saved = old;
        }
        setenv("PATH", value, 1);
    }
    ~ScopedPath() { setenv("PATH", saved.c_str(), 1); }

private:
    std::string saved;
};

TEST(VideoPipe, WithoutFfmpegOnThePathStartFailsSayingWhatToInstall) {
    const ScopedPath emptyPath("/nonexistent-dir");
    VideoPipe pipe;
    std::string error;
    EXPECT_FALSE(pipe.start((std::filesystem::temp_directory_path() / "never.mp4").string(), 64, 48, 30, error));
    EXPECT_NE(error.find("ffmpeg"), std::string::npos) << error;
    EXPECT_NE(error.find("apt-get install ffmpeg"), std::string::npos) << error;
}

TEST(VideoPipe, FramesAndMusicBecomeAnMp4WithH264AndAacOfTheRightLength) {
    if (!haveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg or ffprobe is not installed";
    }
    const std::string path =
        (std::filesystem::temp_directory_path() / ("video_pipe_test." + std::to_string(getpid()) + ".mp4")).string();
    constexpr int32_t width = 160;
    constexpr int32_t height = 120;
    constexpr int32_t fps = 30;
    constexpr int32_t frames = 45;
    VideoPipe pipe;
    std::string error;
    ASSERT_TRUE(pipe.start(path, width, height, fps, error)) << error;
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    std::vector<int16_t> audio;
    for (int32_t k = 0; k < frames; ++k) {
        std::fill(rgb.begin(), rgb.end(), static_cast<uint8_t>(k * 5));
        audio.assign(2 * 1470, static_cast<int16_t>(k % 2 ? 8000 : -8000));
        ASSERT_TRUE(pipe.writeFrame(rgb, audio, error)) << error;
    }
    ASSERT_TRUE(pipe.finish(error)) << error;

    const std::string probe =
        "ffprobe -v error -count_frames -show_entries "
        "stream=codec_name,pix_fmt,nb_read_frames:format=duration -of default=nw=1 '" +
        path + "'";
    const std::string info = commandOutput(probe);
    std::filesystem::remove(path);
    EXPECT_NE(info.find("codec_name=h264"), std::string::npos) << info;
    EXPECT_NE(info.find("pix_fmt=yuv420p"), std::string::npos) << info;
    EXPECT_NE(info.find("codec_name=aac"), std::string::npos) << info;
    EXPECT_NE(info.find("nb_read_frames=45"), std::string::npos) << info;
    const size_t at = info.find("duration=");
    ASSERT_NE(at, std::string::npos) << info;
    EXPECT_NEAR(std::stod(info.substr(at + 9)), 1.5, 0.05) << info;
}

TEST(VideoPipe, AFailingFfmpegIsReportedInsteadOfHangingTheCapture) {
    if (!haveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    VideoPipe pipe;
    std::string error;
    // ffmpeg starts but cannot create its output, and exits.
    ASSERT_TRUE(pipe.start("/nonexistent-dir/video.mp4", 64, 48, 30, error)) << error;
    std::vector<uint8_t> rgb(64 * 48 * 3);
    std::vector<int16_t> audio(2 * 1470);
    bool ok = true;
    for (int32_t k = 0; k < 200 && ok; ++k) {
        ok = pipe.writeFrame(rgb, audio, error);
    }
    if (ok) {
        ok = pipe.finish(error);
    }
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("ffmpeg"), std::string::npos) << error;
}

}  // namespace

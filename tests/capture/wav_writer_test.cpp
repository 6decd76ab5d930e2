#include "tools/capture/wav_writer.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstring>
#include <filesystem>

#include "tests/capture/png_reading.h"

namespace {

uint32_t little32(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

uint16_t little16(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

TEST(WavWriter, FramesWrittenInPiecesEndUpBehindAHeaderWithTheFinalSizes) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("wav_writer_test." + std::to_string(getpid()) + ".wav")).string();
    std::vector<int16_t> frames;
    for (int16_t i = 0; i < 2 * 1000; ++i) {
        frames.push_back(static_cast<int16_t>(i * 37 - 30000));
    }
    WavWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(path, 44100, error)) << error;
    // Uneven pieces, as the capture writes 735 or 736 frames per picture.
    const std::span<const int16_t> all(frames);
    ASSERT_TRUE(writer.write(all.first(2 * 735), error)) << error;
    ASSERT_TRUE(writer.write(all.subspan(2 * 735, 0), error)) << error;
    ASSERT_TRUE(writer.write(all.subspan(2 * 735), error)) << error;
    EXPECT_EQ(writer.framesWritten(), 1000u);
    ASSERT_TRUE(writer.close(error)) << error;

    const std::vector<uint8_t> file = readFileBytes(path);
    std::filesystem::remove(path);
    ASSERT_EQ(file.size(), 44u + 4000u);
    EXPECT_EQ(std::memcmp(file.data(), "RIFF", 4), 0);
    EXPECT_EQ(little32(file, 4), file.size() - 8);
    EXPECT_EQ(little32(file, 24), 44100u);
    EXPECT_EQ(little32(file, 40), 4000u);
    for (size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(static_cast<int16_t>(little16(file, 44 + 2 * i)), frames[i]) << "sample " << i;
    }
}

TEST(WavWriter, CreatingAFileInAMissingDirectoryFailsWithThePathInTheMessage) {
    WavWriter writer;
    std::string error;
    EXPECT_FALSE(writer.open("/nonexistent-dir/music.wav", 44100, error));
    EXPECT_NE(error.find("/nonexistent-dir/music.wav"), std::string::npos) << error;
}

}  // namespace

// The disk file routines: the memory file's rules over an ordinary file, and
// modules loading from disk exactly as they load from memory.
#include <gtest/gtest.h>

#include <unistd.h>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "music/disk_file.h"
#include "tests/music/song_loading.h"

using namespace music;

namespace {

const std::array<uint8_t, 10> tenBytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

class DiskFileTest : public testing::Test {
protected:
    void SetUp() override {
        path_ = testing::TempDir() + "tavorly_disk_file_test." + std::to_string(getpid()) + ".bin";
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(tenBytes.data(), 1, tenBytes.size(), file);
        std::fclose(file);
    }
    void TearDown() override { std::remove(path_.c_str()); }
    std::string path_;
};

TEST_F(DiskFileTest, ReadsAndSeeksLikeTheMemoryFile) {
    void* file = openDiskFile(path_.c_str());
    ASSERT_NE(file, nullptr);
    std::array<uint8_t, 17> destination{};
    seekDiskFile(file, 6, 0);
    EXPECT_EQ(readDiskFile(destination.data(), 17, file), 4);
    EXPECT_EQ(destination[0], 6);
    EXPECT_EQ(readDiskFile(destination.data(), 17, file), 0);
    seekDiskFile(file, -3, 2);
    EXPECT_EQ(tellDiskFile(file), 7);
    seekDiskFile(file, -30, 1);
    EXPECT_EQ(tellDiskFile(file), 0);
    EXPECT_EQ(readDiskFile(destination.data(), 2, file), 2);
    EXPECT_EQ(destination[1], 1);
    seekDiskFile(file, 100, 0);
    EXPECT_EQ(tellDiskFile(file), 10);
    closeDiskFile(file);
}

TEST_F(DiskFileTest, RefusesMissingFilesAndDirectories) {
    EXPECT_EQ(openDiskFile((path_ + ".missing").c_str()), nullptr);
    EXPECT_EQ(openDiskFile(testing::TempDir().c_str()), nullptr);
}

std::vector<uint8_t> readAll(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), {}};
}

// The committed demo module and the fuzzer's seed modules, read through the
// disk routines by path and through the memory routines from their bytes.
TEST(DiskFileLoading, ModulesLoadFromDiskAsFromMemory) {
    std::vector<std::filesystem::path> paths{TAVORLY_DATA_DIR "/rcdata/190.xm"};
    for (const auto& entry : std::filesystem::directory_iterator(TAVORLY_FUZZ_CORPUS_DIR))
        paths.push_back(entry.path());
    int loaded = 0;
    for (const std::filesystem::path& path : paths) {
        if (!std::filesystem::exists(path)) continue;
        SongPtr fromMemory = loadBytes(readAll(path));
        installFileCallbacks(openDiskFile, closeDiskFile, readDiskFile, seekDiskFile, tellDiskFile);
        SongPtr fromDisk(loadSong(path.string().c_str()));
        ASSERT_TRUE(fromDisk) << path;
        ASSERT_TRUE(fromMemory) << path;
        expectPlayableSong(*fromDisk);
        expectSameSong(*fromDisk, *fromMemory);
        ++loaded;
    }
    EXPECT_GE(loaded, 3);
    installFileCallbacks(openDiskFile, closeDiskFile, readDiskFile, seekDiskFile, tellDiskFile);
    EXPECT_EQ(loadSong("/nonexistent/song.xm"), nullptr);
}

}  // namespace

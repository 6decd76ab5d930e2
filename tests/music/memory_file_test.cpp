// The memory file's read and seek rules and the installed routines behind
// SongFile.
#include <gtest/gtest.h>

#include <array>

#include "data/resources.h"
#include "music/file_callbacks.h"
#include "music/memory_file.h"

using namespace music;

namespace {

const std::array<uint8_t, 10> tenBytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

MemoryFile tenByteFile() { return MemoryFile{10, 0, tenBytes.data()}; }

TEST(MemoryFile, ReadStopsAtTheEndAndThenDeliversNothing) {
    MemoryFile file = tenByteFile();
    std::array<uint8_t, 17> destination{};
    destination.fill(0xee);
    EXPECT_EQ(readMemoryFile(destination.data(), 17, &file), 10);
    EXPECT_EQ(destination[9], 9);
    EXPECT_EQ(destination[10], 0xee);
    EXPECT_EQ(tellMemoryFile(&file), 10);
    destination.fill(0xee);
    EXPECT_EQ(readMemoryFile(destination.data(), 17, &file), 0);
    EXPECT_EQ(destination[0], 0xee);
}

TEST(MemoryFile, ReadAdvancesByWhatItCopied) {
    MemoryFile file = tenByteFile();
    std::array<uint8_t, 4> destination{};
    seekMemoryFile(&file, 3, 0);
    EXPECT_EQ(readMemoryFile(destination.data(), 4, &file), 4);
    EXPECT_EQ(destination, (std::array<uint8_t, 4>{3, 4, 5, 6}));
    EXPECT_EQ(tellMemoryFile(&file), 7);
    EXPECT_EQ(readMemoryFile(destination.data(), -5, &file), 0);
    EXPECT_EQ(tellMemoryFile(&file), 7);
}

TEST(MemoryFile, SeeksFollowTheirOriginAndParkAtTheEnds) {
    MemoryFile file = tenByteFile();
    seekMemoryFile(&file, 0, 2);
    EXPECT_EQ(tellMemoryFile(&file), 10);
    seekMemoryFile(&file, 110, 0);
    EXPECT_EQ(tellMemoryFile(&file), 10);
    seekMemoryFile(&file, -4, 1);
    EXPECT_EQ(tellMemoryFile(&file), 6);
    seekMemoryFile(&file, -3, 2);
    EXPECT_EQ(tellMemoryFile(&file), 7);
    seekMemoryFile(&file, 2, 7);  // unknown origin
    EXPECT_EQ(tellMemoryFile(&file), 7);
    seekMemoryFile(&file, 2, 0x100);  // only the low byte of the origin counts
    EXPECT_EQ(tellMemoryFile(&file), 2);
}

TEST(MemoryFile, NeverProducesANegativePosition) {
    MemoryFile file = tenByteFile();
    seekMemoryFile(&file, -5, 0);
    EXPECT_EQ(tellMemoryFile(&file), 0);
    seekMemoryFile(&file, 4, 0);
    seekMemoryFile(&file, -9, 1);
    EXPECT_EQ(tellMemoryFile(&file), 0);
    seekMemoryFile(&file, -20, 2);
    EXPECT_EQ(tellMemoryFile(&file), 0);
    seekMemoryFile(&file, INT32_MIN, 1);
    EXPECT_EQ(tellMemoryFile(&file), 0);
    seekMemoryFile(&file, 5, 0);
    seekMemoryFile(&file, INT32_MAX, 1);
    EXPECT_EQ(tellMemoryFile(&file), 10);
}

TEST(MemoryFile, OpensResourcesByNameAndAMissingOneAsEmpty) {
    const std::array<ResourceEntry, 1> table{{{ResourceType::RcData, 190, tenBytes.data(), 10}}};
    installResourceTable(table);
    auto* found = static_cast<MemoryFile*>(openResourceFile("#190"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->size, 10);
    EXPECT_EQ(found->data, tenBytes.data());
    closeMemoryFile(found);

    void* missing = openResourceFile("#191");
    ASSERT_NE(missing, nullptr);
    uint8_t byte = 0x5a;
    EXPECT_EQ(readMemoryFile(&byte, 1, missing), 0);
    EXPECT_EQ(byte, 0x5a);
    EXPECT_EQ(tellMemoryFile(missing), 0);
    closeMemoryFile(missing);
    installResourceTable({});
}

TEST(FileCallbacks, InstallingWithOneRoutineMissingLeavesNoneInstalled) {
    installFileCallbacks(openResourceFile, closeMemoryFile, readMemoryFile, seekMemoryFile, tellMemoryFile);
    EXPECT_TRUE(fileCallbacksInstalled());
    installFileCallbacks(openResourceFile, closeMemoryFile, readMemoryFile, seekMemoryFile, nullptr);
    EXPECT_FALSE(fileCallbacksInstalled());
    EXPECT_EQ(openSongFile("#190"), nullptr);
    installFileCallbacks(nullptr, closeMemoryFile, readMemoryFile, seekMemoryFile, tellMemoryFile);
    EXPECT_FALSE(fileCallbacksInstalled());
}

TEST(FileCallbacks, SongFileForwardsToTheInstalledRoutines) {
    const std::array<ResourceEntry, 1> table{{{ResourceType::RcData, 190, tenBytes.data(), 10}}};
    installResourceTable(table);
    installFileCallbacks(openResourceFile, closeMemoryFile, readMemoryFile, seekMemoryFile, tellMemoryFile);
    SongFile* file = openSongFile("#190");
    ASSERT_NE(file, nullptr);
    songFileSeek(file, -2, seekFromEnd);
    uint8_t bytes[4] = {};
    EXPECT_EQ(songFileRead(bytes, 4, file), 2);
    EXPECT_EQ(bytes[0], 8);
    EXPECT_EQ(songFileTell(file), 10);
    closeSongFile(file);
    closeSongFile(nullptr);
    EXPECT_EQ(songFileRead(bytes, 4, nullptr), 0);
    EXPECT_EQ(songFileTell(nullptr), 0);
    installResourceTable({});
}

}  // namespace

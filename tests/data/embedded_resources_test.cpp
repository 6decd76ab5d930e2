// The resources the build embeds: whatever files exist under data/ must come
// through with the sizes and formats the scene and the music engine read.
#include "data/embedded_resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t rawImageSize = 256 * 128 * 3;
constexpr uint32_t fontSheetSize = 40 + 1024 + 256 * 256 + 2;

uint32_t readLe32(const uint8_t* bytes) { return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24; }

bool isLogoOrBadge(int32_t id) { return (id >= 110 && id <= 149) || (id >= 180 && id <= 182); }

TEST(EmbeddedResources, NoTypeAndIdAppearsTwice) {
    std::set<std::pair<ResourceType, int32_t>> seen;
    for (const ResourceEntry& entry : embeddedResources()) {
        EXPECT_TRUE(seen.insert({entry.type, entry.id}).second) << "id " << entry.id;
    }
}

TEST(EmbeddedResources, ImagesHaveTheRawRgbSize) {
    for (const ResourceEntry& entry : embeddedResources()) {
        if (entry.type == ResourceType::RcData && isLogoOrBadge(entry.id)) {
            EXPECT_EQ(entry.size, rawImageSize) << "RCDATA " << entry.id;
        }
    }
}

TEST(EmbeddedResources, FontSheetsAreServedWithoutTheFileHeader) {
    for (const ResourceEntry& entry : embeddedResources()) {
        if (entry.type != ResourceType::Bitmap) continue;
        SCOPED_TRACE(testing::Message() << "BITMAP " << entry.id);
        EXPECT_GE(entry.id, 171);
        EXPECT_LE(entry.id, 178);
        ASSERT_EQ(entry.size, fontSheetSize);
        EXPECT_EQ(readLe32(entry.bytes), 40u) << "info header size";
        EXPECT_EQ(readLe32(entry.bytes + 4), 256u) << "width";
        EXPECT_EQ(readLe32(entry.bytes + 8), 256u) << "height";
    }
}

TEST(EmbeddedResources, ModuleIsFoundByNameAndIsAnXmFile) {
    installResourceTable(embeddedResources());
    auto byId = findResource(ResourceType::RcData, 190);
    auto byName = findResource(ResourceType::RcData, "#190");
    installResourceTable({});
    if (!byId) GTEST_SKIP() << "no module embedded yet (data/rcdata/190.xm)";
    ASSERT_TRUE(byName);
    EXPECT_EQ(byName->bytes, byId->bytes);
    ASSERT_GT(byId->size, 60u);
    EXPECT_EQ(std::memcmp(byId->bytes, "Extended Module: ", 17), 0);
}

TEST(EmbeddedResources, EveryDataFileIsEmbeddedByteForByte) {
    installResourceTable(embeddedResources());
    size_t files = 0;
    for (auto [directory, type, headerSize] :
         {std::tuple{"rcdata", ResourceType::RcData, 0}, std::tuple{"bitmap", ResourceType::Bitmap, 14}}) {
        const std::filesystem::path path = std::filesystem::path(TAVORLY_DATA_DIR) / directory;
        if (!std::filesystem::is_directory(path)) continue;
        for (const auto& file : std::filesystem::directory_iterator(path)) {
            const std::string stem = file.path().stem().string();
            if (stem.empty() || stem.find_first_not_of("0123456789") != std::string::npos) continue;
            if (type == ResourceType::Bitmap && file.path().extension() != ".bmp") continue;
            SCOPED_TRACE(file.path().string());
            ++files;
            std::ifstream in(file.path(), std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            ASSERT_GE(bytes.size(), size_t(headerSize));
            auto resource = findResource(type, std::stoi(stem));
            ASSERT_TRUE(resource) << "not embedded: rebuild after adding files";
            ASSERT_EQ(resource->size, bytes.size() - size_t(headerSize));
            EXPECT_EQ(std::memcmp(resource->bytes, bytes.data() + headerSize, resource->size), 0);
        }
    }
    installResourceTable({});
    EXPECT_EQ(files, embeddedResources().size());
}

}  // namespace

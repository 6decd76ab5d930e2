// Lookups by type and id, and by "#id" name, over a table the test installs.
#include "data/resources.h"

#include <gtest/gtest.h>

#include <array>

namespace {

const uint8_t logoBytes[3] = {1, 2, 3};
const uint8_t fontBytes[5] = {4, 5, 6, 7, 8};
const uint8_t moduleBytes[2] = {9, 10};

const std::array<ResourceEntry, 3> testTable = {{
    {ResourceType::RcData, 110, logoBytes, sizeof logoBytes},
    {ResourceType::Bitmap, 171, fontBytes, sizeof fontBytes},
    {ResourceType::RcData, 190, moduleBytes, sizeof moduleBytes},
}};

class ResourceLookup : public ::testing::Test {
protected:
    void SetUp() override { installResourceTable(testTable); }
    void TearDown() override { installResourceTable({}); }
};

TEST_F(ResourceLookup, FindsEachEntryByTypeAndIdWithItsBytesAndSize) {
    auto logo = findResource(ResourceType::RcData, 110);
    ASSERT_TRUE(logo);
    EXPECT_EQ(logo->bytes, logoBytes);
    EXPECT_EQ(logo->size, 3u);

    auto font = findResource(ResourceType::Bitmap, 171);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->bytes, fontBytes);
    EXPECT_EQ(font->size, 5u);
}

TEST_F(ResourceLookup, TypeIsPartOfTheKey) {
    EXPECT_FALSE(findResource(ResourceType::Bitmap, 110));
    EXPECT_FALSE(findResource(ResourceType::RcData, 171));
}

TEST_F(ResourceLookup, MissingIdGivesNone) {
    EXPECT_FALSE(findResource(ResourceType::RcData, 111));
    EXPECT_FALSE(findResource(ResourceType::RcData, 0));
    EXPECT_FALSE(findResource(ResourceType::RcData, -110));
}

TEST_F(ResourceLookup, HashNameFindsTheNumberedResource) {
    auto song = findResource(ResourceType::RcData, "#190");
    ASSERT_TRUE(song);
    EXPECT_EQ(song->bytes, moduleBytes);
    EXPECT_EQ(song->size, 2u);
}

TEST_F(ResourceLookup, MalformedNamesFindNothing) {
    for (const char* name :
         {"190", "#", "", "#190x", "# 190", "#+190", "#0x0BE", "#1900", "#-190", "#99999999999999999999"}) {
        EXPECT_FALSE(findResource(ResourceType::RcData, name)) << "name \"" << name << "\"";
    }
}

TEST(ResourceLookupWithoutTable, FindsNothing) {
    installResourceTable({});
    EXPECT_FALSE(findResource(ResourceType::RcData, 190));
    EXPECT_FALSE(findResource(ResourceType::RcData, "#190"));
}

TEST(ResourceLookupReplacement, OnlyTheLastInstalledTableIsSearched) {
    const uint8_t other[1] = {42};
    const std::array<ResourceEntry, 1> second = {{{ResourceType::RcData, 120, other, 1}}};
    installResourceTable(testTable);
    installResourceTable(second);
    EXPECT_FALSE(findResource(ResourceType::RcData, 110));
    ASSERT_TRUE(findResource(ResourceType::RcData, 120));
    installResourceTable({});
}

}  // namespace

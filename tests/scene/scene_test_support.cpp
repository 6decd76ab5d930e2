// Builders for test resources and the scene's GL-free parts.
#include "scene_test_support.h"

#include <cstring>

#include "scene/image_resources.h"

void TestResources::add(ResourceType type, int32_t id, std::vector<uint8_t> bytes) {
    blobs.push_back(std::make_unique<std::vector<uint8_t>>(std::move(bytes)));
    const std::vector<uint8_t>& stored = *blobs.back();
    entries.push_back(ResourceEntry{type, id, stored.data(), uint32_t(stored.size())});
}

void TestResources::install() const { installResourceTable(entries); }

std::vector<uint8_t> makeImage(const std::function<Rgb(int32_t x, int32_t y)>& colourAt) {
    std::vector<uint8_t> rgb(imageRgbBytes);
    for (int32_t y = 0; y < imageHeight; ++y) {
        for (int32_t x = 0; x < imageWidth; ++x) {
            Rgb c = colourAt(x, y);
            std::memcpy(&rgb[size_t(y * imageWidth + x) * 3], c.data(), 3);
        }
    }
    return rgb;
}

std::vector<uint8_t> makeSolidImage(Rgb colour, int32_t border) {
    return makeImage([&](int32_t x, int32_t y) {
        bool frame = x < border || y < border || x >= imageWidth - border || y >= imageHeight - border;
        return frame ? Rgb{0, 0, 0} : colour;
    });
}

std::vector<uint8_t> makeQuadrantImage(Rgb topLeft, Rgb topRight, Rgb bottomLeft, Rgb bottomRight) {
    return makeImage([&](int32_t x, int32_t y) {
        if (y < imageHeight / 2) return x < imageWidth / 2 ? topLeft : topRight;
        return x < imageWidth / 2 ? bottomLeft : bottomRight;
    });
}

std::vector<uint8_t> makeFontSheet(const std::function<uint8_t(int32_t cell, int32_t y, int32_t x)>& valueAt) {
    std::vector<uint8_t> dib(40 + 1024 + 65536 + 2, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (size_t i = 0; i < 4; ++i) dib[at + i] = uint8_t(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, 256);
    put32(8, 256);
    dib[12] = 1;
    dib[14] = 8;
    put32(24, 2834);
    put32(28, 2834);
    for (size_t i = 0; i < 256; ++i) dib[40 + i * 4] = dib[41 + i * 4] = dib[42 + i * 4] = uint8_t(i);
    uint8_t* pixels = dib.data() + 40 + 1024;
    for (int32_t cell = 0; cell < 256; ++cell) {
        for (int32_t y = 0; y < 16; ++y) {
            for (int32_t x = 0; x < 16; ++x) {
                pixels[(cell / 16 * 16 + y) * 256 + cell % 16 * 16 + x] = valueAt(cell, y, x);
            }
        }
    }
    return dib;
}

Rgb logoColour(int32_t logoNumber) {
    return Rgb{uint8_t(40 + logoNumber * 5), uint8_t(220 - logoNumber * 4), uint8_t(10 + logoNumber * 6)};
}

Rgb badgeColour(int32_t index) {
    static constexpr Rgb colours[3] = {{0, 200, 0}, {0, 0, 200}, {200, 200, 0}};
    return colours[index];
}

uint8_t patternValue(int32_t sheet, int32_t cell, int32_t y, int32_t x) {
    if (cell == 0 || cell == 128) return 0;
    return uint8_t(1 + (sheet * 31 + cell * 7 + y * 3 + x) % 254);
}

TestResources standardResources() {
    TestResources resources;
    for (int32_t k = 1; k <= 40; ++k) resources.add(ResourceType::RcData, 109 + k, makeSolidImage(logoColour(k), 4));
    for (int32_t i = 0; i < 3; ++i) resources.add(ResourceType::RcData, 180 + i, makeSolidImage(badgeColour(i), 0));
    for (int32_t sheet = 0; sheet < 8; ++sheet) {
        resources.add(ResourceType::Bitmap, 171 + sheet, makeFontSheet([sheet](int32_t cell, int32_t y, int32_t x) {
                          if (cell == 0 || cell == 128) return uint8_t(0);
                          if (sheet == 1) return uint8_t(x == y ? 255 : 0);
                          if (sheet == 2) return uint8_t(255);
                          return patternValue(sheet, cell, y, x);
                      }));
    }
    return resources;
}

::testing::AssertionResult glyphAtEntry(const Strip& strip, int32_t sheet, int32_t cell) {
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 16; ++x) {
            uint8_t v = 0;
            if (y > 0 && cell != 0 && cell != 128) {
                v = sheet == 1 ? (x == y ? 255 : 0) : sheet == 2 ? 255 : patternValue(sheet, cell, y, x);
            }
            const uint8_t* p = &strip.scrollBuffer[size_t(y * 512 + 416 + x) * 4];
            bool ok = v == 0 ? (p[0] | p[1] | p[2] | p[3]) == 0 : p[0] == v && p[1] == v && p[2] == v && p[3] == 255;
            if (!ok) {
                return ::testing::AssertionFailure() << "sheet " << sheet << " cell " << cell << " differs at row " << y
                                                     << " column " << x << ": " << int(p[0]) << " expected " << int(v);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

SceneParts::SceneParts(std::string_view body, std::string_view tail)
    : parade(clock.source(), random), scroller(body, tail), strip(clock.source()), badge(clock.source(), random) {}

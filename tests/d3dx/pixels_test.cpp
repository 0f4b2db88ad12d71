// Format conversion, box-filtered mip levels and resampling to a forced size.
#include <gtest/gtest.h>

#include "d3dx/d3dx_image.h"

namespace eh::d3dx {
namespace {

std::uint32_t convertOne(std::uint32_t colour, std::uint32_t format) {
    Image img(1, 1);
    img.pixels[0] = colour;
    std::uint32_t out = 0;
    convertPixels(img, format, &out, 4);
    return format == kFormatA8R8G8B8 || format == kFormatX8R8G8B8 ? out : out & 0xFFFF;
}

TEST(ConvertPixels, BitLayoutsOfEachFormat) {
    // Pure channels land in the documented fields.
    EXPECT_EQ(convertOne(0xFFFF0000, kFormatR5G6B5), 0xF800u);
    EXPECT_EQ(convertOne(0xFF00FF00, kFormatR5G6B5), 0x07E0u);
    EXPECT_EQ(convertOne(0xFF0000FF, kFormatR5G6B5), 0x001Fu);
    EXPECT_EQ(convertOne(0xFFFF0000, kFormatA1R5G5B5), 0xFC00u);
    EXPECT_EQ(convertOne(0x7F00FF00, kFormatA1R5G5B5), 0x03E0u);  // alpha below half: off
    EXPECT_EQ(convertOne(0x80000000, kFormatA1R5G5B5), 0x8000u);  // half and up: on
    EXPECT_EQ(convertOne(0x0000001F, kFormatX1R5G5B5), 0x8004u);  // unused bit set to 1
    EXPECT_EQ(convertOne(0xF0F0F0F0, kFormatA4R4G4B4), 0xEEEEu);  // 240 -> 14 (rounded)
    EXPECT_EQ(convertOne(0x12345678, kFormatA8R8G8B8), 0x12345678u);
    EXPECT_EQ(convertOne(0x12345678, kFormatX8R8G8B8), 0xFF345678u);
}

TEST(ConvertPixels, RoundTripStaysWithinQuantisation) {
    // Every 8-bit level of every channel: 5 bits lose at most half a step (4.1 levels).
    for (std::uint32_t format :
         {kFormatR5G6B5, kFormatA1R5G5B5, kFormatX1R5G5B5, kFormatA4R4G4B4}) {
        SCOPED_TRACE(format);
        const int tolerance = format == kFormatA4R4G4B4 ? 9 : 5;
        for (std::uint32_t v = 0; v < 256; ++v) {
            const std::uint32_t c = 0xFF000000u | v << 16 | (255 - v) << 8 | v;
            std::uint16_t packed = 0;
            Image img(1, 1);
            img.pixels[0] = c;
            convertPixels(img, format, &packed, 2);
            const std::uint32_t back = readPixel(format, &packed);
            for (int s = 0; s < 24; s += 8)
                ASSERT_LE(std::abs(int(back >> s & 0xFF) - int(c >> s & 0xFF)), tolerance) << v;
            EXPECT_EQ(back >> 24, 0xFFu);
        }
    }
    // Extremes are exact.
    std::uint16_t white = 0xFFFF;
    EXPECT_EQ(readPixel(kFormatR5G6B5, &white), 0xFFFFFFFFu);
    EXPECT_EQ(readPixel(kFormatA4R4G4B4, &white), 0xFFFFFFFFu);
}

TEST(ConvertPixels, HonoursThePitch) {
    Image img(2, 2);
    img.pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    std::uint16_t out[2][4] = {};  // 8-byte rows, only 4 bytes used each
    convertPixels(img, kFormatR5G6B5, out, 8);
    EXPECT_EQ(out[0][0], 0xF800);
    EXPECT_EQ(out[0][1], 0x07E0);
    EXPECT_EQ(out[0][2], 0);  // padding untouched
    EXPECT_EQ(out[1][0], 0x001F);
    EXPECT_EQ(out[1][1], 0xFFFF);
}

TEST(MipChain, LevelCountsAndSizes) {
    EXPECT_EQ(fullMipCount(1, 1), 1u);
    EXPECT_EQ(fullMipCount(256, 256), 9u);
    EXPECT_EQ(fullMipCount(512, 128), 10u);
    EXPECT_EQ(fullMipCount(64, 1024), 11u);
    EXPECT_EQ(fullMipCount(5, 3), 3u);  // 5x3, 2x1, 1x1

    Image level(512, 128);
    std::uint32_t count = 1;
    while (level.width > 1 || level.height > 1) {
        level = boxDownsample(level);
        ++count;
    }
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(level.width, 1u);
    EXPECT_EQ(level.height, 1u);
}

TEST(MipChain, BoxFilterAveragesEachBlock) {
    Image img(4, 2);
    img.pixels = {0x00000000, 0xFFFFFFFF, 0x10203040, 0x10203040,   // row 0
                  0xFFFFFFFF, 0x00000000, 0x30405060, 0x50607080};  // row 1
    const Image half = boxDownsample(img);
    ASSERT_EQ(half.width, 2u);
    ASSERT_EQ(half.height, 1u);
    EXPECT_EQ(half.pixels[0], 0x80808080u);  // (0 + 255 + 255 + 0) / 4 = 127.5 -> 128
    EXPECT_EQ(half.pixels[1], 0x28384858u);  // per channel mean of the right block

    Image column(1, 2);  // one dimension already 1: pairs average along the other
    column.pixels = {0xFF000000, 0xFF0000FE};
    EXPECT_EQ(boxDownsample(column).pixels[0], 0xFF00007Fu);
}

TEST(Resample, SameSizeIsACopyAndFlatStaysFlat) {
    Image img(3, 5);
    for (std::uint32_t i = 0; i < img.pixels.size(); ++i) img.pixels[i] = 0x01020304u * i;
    EXPECT_EQ(resample(img, 3, 5).pixels, img.pixels);

    Image flat(37, 19);
    flat.pixels.assign(flat.pixels.size(), 0x80402010u);
    for (auto [w, h] : {std::pair{128u, 128u}, {256u, 256u}, {1u, 1u}, {7u, 100u}}) {
        const Image r = resample(flat, w, h);
        ASSERT_EQ(r.width, w);
        ASSERT_EQ(r.height, h);
        for (std::uint32_t c : r.pixels) ASSERT_EQ(c, 0x80402010u);
    }
}

TEST(Resample, ShrinkAveragesAndEnlargeInterpolates) {
    Image img(4, 1);
    img.pixels = {0xFF000000, 0xFF000000, 0xFF0000FF, 0xFF0000FF};
    const Image one = resample(img, 1, 1);
    EXPECT_EQ(one.pixels[0], 0xFF000080u);  // every source pixel counts, symmetric weights

    Image two(2, 1);
    two.pixels = {0xFF000000, 0xFF0000FF};
    const Image four = resample(two, 4, 1);
    // Centres at -0.25, 0.25, 0.75, 1.25 in source pixels: 0, 1/4, 3/4, 1 of the way.
    EXPECT_EQ(four.pixels[0] & 0xFF, 0u);
    EXPECT_EQ(four.pixels[1] & 0xFF, 64u);
    EXPECT_EQ(four.pixels[2] & 0xFF, 191u);
    EXPECT_EQ(four.pixels[3] & 0xFF, 255u);
    for (std::uint32_t c : four.pixels) EXPECT_EQ(c >> 24, 0xFFu);
}

}  // namespace
}  // namespace eh::d3dx

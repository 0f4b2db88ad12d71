#include "mediagen/images/image_writers.h"

#include <gtest/gtest.h>

#include "mediagen/images/image_codecs.h"
#include "tests/mediagen/images/format_readers.h"

namespace eh::mediagen {
namespace {

using test::Le16;
using test::Le32;

Image8 Pattern(int w, int h) {
    Image8 img(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.at(x, y);
            p[0] = static_cast<uint8_t>(x * 7 + y);
            p[1] = static_cast<uint8_t>(y * 5);
            p[2] = static_cast<uint8_t>(x ^ y);
            p[3] = static_cast<uint8_t>(255 - x);
        }
    }
    return img;
}

TEST(TgaWriter, ThirtyTwoBitTreeSizedFileIsJustOverOneMebibyte) {
    std::vector<uint8_t> b = EncodeTga(Image8(512, 512), TgaDepth::k32);
    EXPECT_EQ(b.size(), 1048594u);
    EXPECT_EQ(b[2], 2);      // uncompressed true colour
    EXPECT_EQ(b[16], 32);    // bits per pixel
    EXPECT_EQ(b[17], 0x08);  // 8 alpha bits, bottom-left origin
}

TEST(TgaWriter, RoundTripsPixelsAndAlphaInBothDepths) {
    Image8 src = Pattern(5, 3);
    Image8 back;
    int bits = 0;
    ASSERT_TRUE(test::ReadTga(EncodeTga(src, TgaDepth::k32), back, &bits));
    EXPECT_EQ(bits, 32);
    EXPECT_EQ(back.rgba, src.rgba);
    ASSERT_TRUE(test::ReadTga(EncodeTga(src, TgaDepth::k24), back, &bits));
    EXPECT_EQ(bits, 24);
    // Stored bottom-up: the first stored pixel is the bottom-left one, in B, G, R order.
    std::vector<uint8_t> raw = EncodeTga(src, TgaDepth::k24);
    EXPECT_EQ(raw[18], src.at(0, 2)[2]);
    EXPECT_EQ(raw[20], src.at(0, 2)[0]);
    EXPECT_EQ(back.at(4, 1)[3], 255);
    EXPECT_EQ(back.at(4, 1)[0], src.at(4, 1)[0]);
}

TEST(BmpWriter, TwentyFourBitRowsArePaddedAndBottomUp) {
    Image8 src = Pattern(3, 2);  // 9 bytes per row, padded to 12
    std::vector<uint8_t> b = EncodeBmp24(src);
    EXPECT_EQ(b.size(), 54u + 12 * 2);
    EXPECT_EQ(Le32(b, 2), b.size());
    EXPECT_EQ(Le32(b, 10), 54u);
    EXPECT_EQ(Le32(b, 14), 40u);
    Image8 back;
    ASSERT_TRUE(test::ReadBmp24(b, back));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            for (int k = 0; k < 3; ++k) EXPECT_EQ(back.at(x, y)[k], src.at(x, y)[k]);
    EXPECT_EQ(b[54], src.at(0, 1)[2]);  // first stored byte: blue of the bottom-left pixel
}

TEST(BmpWriter, EightBitCarriesItsPaletteAndIndices) {
    std::vector<uint8_t> b = EncodeBmp8(5, 2, {0, 1, 2, 3, 4, 4, 3, 2, 1, 0},
                                        {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
    EXPECT_EQ(Le16(b, 28), 8u);
    EXPECT_EQ(Le32(b, 46), 5u);  // colours used
    size_t off = Le32(b, 10);
    EXPECT_EQ(off, 54u + 5 * 4);
    EXPECT_EQ(b.size(), off + 8 * 2);    // rows padded to 8 bytes
    EXPECT_EQ(b[off], 4);                // bottom row first
    EXPECT_EQ(b[54 + 4 * 1 + 2], 0xFF);  // palette entry 1 red, stored B G R 0
    std::vector<uint8_t> d = EncodeBmp8Dithered(Pattern(16, 16));
    EXPECT_EQ(Le32(d, 46), 252u);
}

TEST(DdsWriter, CubeMapHeaderFacesAndMipChain) {
    std::array<Image8, 6> faces;
    for (int f = 0; f < 6; ++f) {
        faces[f] = Image8(8, 8);
        for (size_t i = 0; i < faces[f].rgba.size(); i += 4) {
            faces[f].rgba[i] = static_cast<uint8_t>(f * 40);
            faces[f].rgba[i + 3] = 255;
        }
    }
    std::vector<uint8_t> flat = EncodeDdsCube(faces, false);
    EXPECT_EQ(flat.size(), 128u + 6 * 8 * 8 * 4);
    std::vector<uint8_t> b = EncodeDdsCube(faces, true);
    ASSERT_EQ(b.size(), 128u + 6 * 4 * (64 + 16 + 4 + 1));
    EXPECT_EQ(Le32(b, 0), 0x20534444u);
    EXPECT_EQ(Le32(b, 4), 124u);
    EXPECT_EQ(Le32(b, 12), 8u);
    EXPECT_EQ(Le32(b, 16), 8u);
    EXPECT_EQ(Le32(b, 28), 4u);  // mip levels 8, 4, 2, 1
    EXPECT_EQ(Le32(b, 76), 32u);
    EXPECT_EQ(Le32(b, 88), 32u);
    EXPECT_EQ(Le32(b, 92), 0x00FF0000u);
    EXPECT_EQ(Le32(b, 104), 0xFF000000u);
    EXPECT_EQ(Le32(b, 112) & 0xFE00u, 0xFE00u);  // cube map with all six faces
    // Faces in order, each with its chain: face f starts with red = 40 f, stored B G R A.
    for (int f = 0; f < 6; ++f) {
        size_t at = 128 + static_cast<size_t>(f) * 4 * 85;
        EXPECT_EQ(b[at + 2], f * 40) << f;
        EXPECT_EQ(b[at + 3], 255);
    }
}

TEST(IcoWriter, DirectoryPointsAtEachImage) {
    std::vector<uint8_t> b = EncodeIco({Pattern(16, 16), Pattern(32, 32)});
    EXPECT_EQ(Le16(b, 2), 1u);
    ASSERT_EQ(Le16(b, 4), 2u);
    for (int i = 0; i < 2; ++i) {
        size_t e = 6 + 16 * static_cast<size_t>(i);
        int size = i == 0 ? 16 : 32;
        EXPECT_EQ(b[e], size);
        uint32_t bytes = Le32(b, e + 8), off = Le32(b, e + 12);
        ASSERT_LE(static_cast<size_t>(off) + bytes, b.size());
        EXPECT_EQ(Le32(b, off), 40u);
        EXPECT_EQ(Le32(b, off + 8), static_cast<uint32_t>(size * 2));  // image and mask
        EXPECT_EQ(bytes, 40u + size * size * 4 + size * 4);
    }
}

TEST(JpegCodec, RoundTripIsCloseAndGarbageIsRefused) {
    Image8 src(64, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t* p = src.at(x, y);
            p[0] = static_cast<uint8_t>(x * 4);
            p[1] = static_cast<uint8_t>(y * 8);
            p[2] = 128;
            p[3] = 255;
        }
    std::vector<uint8_t> j = EncodeJpeg(src, 95);
    ASSERT_GT(j.size(), 100u);
    EXPECT_EQ(j[0], 0xFF);
    EXPECT_EQ(j[1], 0xD8);
    Image8 back;
    ASSERT_TRUE(DecodeJpeg(j, back));
    ASSERT_EQ(back.width, 64);
    ASSERT_EQ(back.height, 32);
    double err = 0;
    for (size_t i = 0; i < src.rgba.size(); ++i) err += std::abs(src.rgba[i] - back.rgba[i]);
    EXPECT_LT(err / src.rgba.size(), 2.0);
    Image8 junk;
    EXPECT_FALSE(DecodeJpeg({1, 2, 3, 4}, junk));
    std::vector<uint8_t> truncatedHeader(j.begin(), j.begin() + 20);
    EXPECT_FALSE(DecodeJpeg(truncatedHeader, junk));
}

}  // namespace
}  // namespace eh::mediagen

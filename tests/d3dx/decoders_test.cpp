// Decoders against reference files written by tests/d3dx/image_writers.*: every format and
// variant the texture functions accept, and truncated or lying files.
#include <gtest/gtest.h>
#include <png.h>

#include <string>

#include "d3dx/d3dx_image.h"
#include "d3dx/image_writers.h"

namespace eh::d3dx {
namespace {

using test::Bytes;

DecodedImage decodeOk(const Bytes& file) {
    DecodedImage out;
    std::string error;
    EXPECT_TRUE(decodeImage(file.data(), file.size(), out, error)) << error;
    return out;
}

bool decodes(const Bytes& file) {
    DecodedImage out;
    std::string error;
    return decodeImage(file.data(), file.size(), out, error);
}

// Per-channel comparison with a tolerance (0 for lossless formats).
void expectPixels(const Image& want, const Image& got, int tolerance = 0) {
    ASSERT_EQ(want.width, got.width);
    ASSERT_EQ(want.height, got.height);
    int worst = 0;
    std::uint32_t worstAt = 0;
    for (std::size_t i = 0; i < want.pixels.size(); ++i) {
        for (int s = 0; s < 32; s += 8) {
            const int d =
                std::abs(int(want.pixels[i] >> s & 0xFF) - int(got.pixels[i] >> s & 0xFF));
            if (d > worst) worst = d, worstAt = static_cast<std::uint32_t>(i);
        }
    }
    EXPECT_LE(worst, tolerance) << "pixel " << worstAt % want.width << "," << worstAt / want.width
                                << " want " << std::hex << want.pixels[worstAt] << " got "
                                << got.pixels[worstAt];
}

Image withAlpha(Image img, std::uint32_t alpha) {
    for (std::uint32_t& c : img.pixels) c = (c & 0x00FFFFFFu) | alpha << 24;
    return img;
}

// Quantise to what a 5:5:5 field keeps and expands back (bit replication).
Image as555(Image img, bool keepAlpha) {
    for (std::uint32_t& c : img.pixels) {
        std::uint32_t out = keepAlpha ? ((c >> 31) ? 0xFF000000u : 0u) : 0xFF000000u;
        for (int s = 0; s < 24; s += 8) {
            const std::uint32_t f = (c >> s & 0xFF) >> 3;
            out |= ((f << 3) | (f >> 2)) << s;
        }
        c = out;
    }
    return img;
}

// Every truncation of a valid file fails cleanly (no crash, no partial success).
void expectAllTruncationsFail(const Bytes& file, std::size_t step = 1) {
    for (std::size_t n = 0; n < file.size(); n += step) {
        const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(decodes(cut))
            << "decoded with only " << n << " of " << file.size() << " bytes";
    }
}

// A small palette image (few colours) for palette formats and RLE runs.
Image makeBlocky(std::uint32_t w, std::uint32_t h) {
    const std::uint32_t colours[4] = {0xFF102030, 0xFFF0E0D0, 0x80405060, 0x00FFFFFF};
    Image img(w, h);
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x) img.at(x, y) = colours[(x / 3 + y) % 4];
    return img;
}

TEST(TgaDecoder, TrueColourDepthsOriginsAndRle) {
    const Image ref = test::makeTestImage(7, 5, true);
    struct Case {
        test::TgaOptions options;
        Image expected;
        std::uint32_t format;
    };
    const Case cases[] = {
        {{.bits = 32}, ref, kFormatA8R8G8B8},
        {{.bits = 32, .topDown = true}, ref, kFormatA8R8G8B8},
        {{.bits = 32, .rightToLeft = true}, ref, kFormatA8R8G8B8},
        {{.bits = 32, .rle = true}, ref, kFormatA8R8G8B8},
        {{.bits = 24}, withAlpha(ref, 0xFF), kFormatX8R8G8B8},
        {{.bits = 24, .rle = true, .topDown = true}, withAlpha(ref, 0xFF), kFormatX8R8G8B8},
        {{.bits = 16}, as555(ref, true), kFormatA1R5G5B5},
        {{.bits = 16, .alphaBits = 0}, as555(ref, false), kFormatX1R5G5B5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("bits " + std::to_string(c.options.bits) + " rle " +
                     std::to_string(c.options.rle) + " top " + std::to_string(c.options.topDown));
        const DecodedImage d = decodeOk(test::writeTga(ref, c.options));
        ASSERT_EQ(d.surfaces.size(), 1u);
        EXPECT_EQ(d.format, c.format);
        EXPECT_FALSE(d.cube);
        expectPixels(c.expected, d.surfaces[0]);
    }
}

TEST(TgaDecoder, GreyAndColourMapped) {
    Image greyImg(6, 4);
    for (std::uint32_t i = 0; i < greyImg.pixels.size(); ++i) {
        const std::uint32_t l = i * 10, a = 255 - i * 7;
        greyImg.pixels[i] = a << 24 | l << 16 | l << 8 | l;
    }
    DecodedImage d = decodeOk(test::writeTga(greyImg, {.bits = 8, .grey = true}));
    EXPECT_EQ(d.format, kFormatX8R8G8B8);
    expectPixels(withAlpha(greyImg, 0xFF), d.surfaces[0]);

    d = decodeOk(test::writeTga(greyImg, {.bits = 16, .grey = true, .rle = true}));
    EXPECT_EQ(d.format, kFormatA8R8G8B8);
    expectPixels(greyImg, d.surfaces[0]);

    const Image blocky = withAlpha(makeBlocky(9, 4), 0xFF);
    d = decodeOk(test::writeTga(blocky, {.colourMapped = true}));
    EXPECT_EQ(d.format, kFormatX8R8G8B8);
    expectPixels(blocky, d.surfaces[0]);
    d = decodeOk(test::writeTga(blocky, {.colourMapped = true, .rle = true}));
    expectPixels(blocky, d.surfaces[0]);
}

TEST(TgaDecoder, DamagedFilesFail) {
    const Image ref = makeBlocky(8, 8);
    expectAllTruncationsFail(test::writeTga(ref, {.bits = 32}));
    expectAllTruncationsFail(test::writeTga(ref, {.bits = 24, .rle = true}));

    Bytes mapped = test::writeTga(withAlpha(ref, 0xFF), {.colourMapped = true});
    mapped.back() = 200;  // an index past the 4-entry map
    EXPECT_FALSE(decodes(mapped));

    Bytes badType = test::writeTga(ref, {.bits = 32});
    badType[2] = 4;
    EXPECT_FALSE(decodes(badType));
    Bytes badDepth = test::writeTga(ref, {.bits = 32});
    badDepth[16] = 12;
    EXPECT_FALSE(decodes(badDepth));
    Bytes zeroWidth = test::writeTga(ref, {.bits = 32});
    zeroWidth[12] = zeroWidth[13] = 0;
    EXPECT_FALSE(decodes(zeroWidth));
}

TEST(TgaDecoder, RunPastTheLastPixelIsCutOff) {
    // 2 x 1 image, one run packet claiming 128 pixels: the image takes the first 2.
    Bytes b = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x20, 0xFF, 1, 2, 3};
    const DecodedImage d = decodeOk(b);
    ASSERT_EQ(d.surfaces[0].pixels.size(), 2u);
    EXPECT_EQ(d.surfaces[0].pixels[1], 0xFF030201u);
}

TEST(BmpDecoder, DepthsAndRowOrders) {
    const Image ref = withAlpha(test::makeTestImage(5, 3, false), 0xFF);  // odd width: padding
    const Image blocky = withAlpha(makeBlocky(11, 3), 0xFF);
    Image twoColour = blocky;
    for (std::uint32_t& c : twoColour.pixels) c = (c & 0x10) ? 0xFF102030 : 0xFFF0E0D0;
    struct Case {
        test::BmpOptions options;
        Image image;
        Image expected;
        int tolerance = 0;  // bit-field channels are scaled, not bit-replicated: +-1
    };
    Image expected565 = ref;
    for (std::uint32_t& c : expected565.pixels) {
        const std::uint32_t r = c >> 19 & 31, g = c >> 10 & 63, b = c >> 3 & 31;
        c = 0xFF000000u | ((r << 3) | (r >> 2)) << 16 | ((g << 2) | (g >> 4)) << 8 |
            ((b << 3) | (b >> 2));
    }
    const Case cases[] = {
        {{.bits = 24}, ref, ref},
        {{.bits = 24, .topDown = true}, ref, ref},
        {{.bits = 32}, test::makeTestImage(5, 3, true), ref},  // BI_RGB alpha byte ignored
        {{.bits = 16}, ref, as555(ref, false), 1},
        {{.bits = 16, .bitfields565 = true}, ref, expected565, 1},
        {{.bits = 8}, blocky, blocky},
        {{.bits = 8, .topDown = true}, blocky, blocky},
        {{.bits = 4}, blocky, blocky},
        {{.bits = 1}, twoColour, twoColour},
        {{.bits = 8, .coreHeader = true}, blocky, blocky},
        {{.bits = 24, .coreHeader = true}, ref, ref},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("bits " + std::to_string(c.options.bits) + " top " +
                     std::to_string(c.options.topDown) + " core " +
                     std::to_string(c.options.coreHeader));
        const DecodedImage d = decodeOk(test::writeBmp(c.image, c.options));
        EXPECT_EQ(d.format, kFormatX8R8G8B8);
        ASSERT_EQ(d.surfaces.size(), 1u);
        expectPixels(c.expected, d.surfaces[0], c.tolerance);
    }
}

TEST(BmpDecoder, DamagedFilesFail) {
    // Rows without padding: a file that lacks only the final row's padding still decodes.
    const Image ref = withAlpha(makeBlocky(8, 4), 0xFF);
    expectAllTruncationsFail(test::writeBmp(ref, {.bits = 24}));
    expectAllTruncationsFail(test::writeBmp(ref, {.bits = 8}));
    Bytes rle = test::writeBmp(ref, {.bits = 8});
    rle[30] = 1;  // BI_RLE8
    EXPECT_FALSE(decodes(rle));
    Bytes lyingOffset = test::writeBmp(ref, {.bits = 24});
    lyingOffset[10] = 0xF0, lyingOffset[11] = 0xFF, lyingOffset[12] = 0xFF, lyingOffset[13] = 0x7F;
    EXPECT_FALSE(decodes(lyingOffset));
    Bytes hugeHeight = test::writeBmp(ref, {.bits = 24});
    hugeHeight[22] = 0, hugeHeight[23] = 0, hugeHeight[24] = 0, hugeHeight[25] = 0x80;  // INT_MIN
    EXPECT_FALSE(decodes(hugeHeight));
}

TEST(DdsDecoder, UncompressedFormatsAndMipChain) {
    const Image ref = test::makeTestImage(8, 4, true);
    std::vector<Image> chain{ref};
    while (chain.back().width > 1 || chain.back().height > 1)
        chain.push_back(boxDownsample(chain.back()));
    ASSERT_EQ(chain.size(), 4u);

    DecodedImage d = decodeOk(test::writeDdsRgb(chain, 4, false, {}));
    EXPECT_EQ(d.format, kFormatA8R8G8B8);
    ASSERT_EQ(d.levels, 4u);
    for (std::uint32_t i = 0; i < 4; ++i) expectPixels(chain[i], d.surface(0, i));

    d = decodeOk(test::writeDdsRgb({ref}, 1, false, {.bits = 32, .a = 0}));
    EXPECT_EQ(d.format, kFormatX8R8G8B8);
    expectPixels(withAlpha(ref, 0xFF), d.surfaces[0]);

    d = decodeOk(test::writeDdsRgb({ref}, 1, false, {.bits = 24, .a = 0}));
    EXPECT_EQ(d.format, kFormatX8R8G8B8);
    expectPixels(withAlpha(ref, 0xFF), d.surfaces[0]);

    d = decodeOk(test::writeDdsRgb({ref}, 1, false, {16, 0xF800, 0x07E0, 0x001F, 0}));
    EXPECT_EQ(d.format, kFormatR5G6B5);
    expectPixels(withAlpha(ref, 0xFF), d.surfaces[0], 5);

    d = decodeOk(test::writeDdsRgb({ref}, 1, false, {16, 0x7C00, 0x03E0, 0x001F, 0x8000}));
    EXPECT_EQ(d.format, kFormatA1R5G5B5);
    d = decodeOk(test::writeDdsRgb({ref}, 1, false, {16, 0x0F00, 0x00F0, 0x000F, 0xF000}));
    EXPECT_EQ(d.format, kFormatA4R4G4B4);
    expectPixels(ref, d.surfaces[0], 9);
}

// Hand-made blocks with known results.
TEST(DdsDecoder, BlockCompressedFormats) {
    // DXT1, four-colour mode: c0 = pure red 0xF800, c1 = pure blue 0x001F; indices 0,1,2,3
    // along each row.
    const Bytes dxt1 = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4};
    DecodedImage d = decodeOk(test::writeDdsBlocks(4, 4, 1, "DXT1", dxt1));
    EXPECT_EQ(d.format, kFormatA8R8G8B8);
    const Image& s = d.surfaces[0];
    EXPECT_EQ(s.at(0, 0), 0xFFFF0000u);
    EXPECT_EQ(s.at(1, 3), 0xFF0000FFu);
    EXPECT_EQ(s.at(2, 1), 0xFFAA0055u);  // 2/3 red + 1/3 blue
    EXPECT_EQ(s.at(3, 2), 0xFF5500AAu);

    // Three-colour mode (c0 <= c1): index 2 is the mean, index 3 transparent black.
    const Bytes dxt1t = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0xE4, 0xE4, 0xE4};
    d = decodeOk(test::writeDdsBlocks(4, 4, 1, "DXT1", dxt1t));
    EXPECT_EQ(d.surfaces[0].at(2, 0), 0xFF7F007Fu);
    EXPECT_EQ(d.surfaces[0].at(3, 0), 0x00000000u);

    // DXT3: alpha nibbles 0..15 in pixel order, colour all white (indices 0).
    Bytes dxt3 = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                  0xFF, 0xFF, 0xFF, 0xFF, 0,    0,    0,    0};
    d = decodeOk(test::writeDdsBlocks(4, 4, 1, "DXT3", dxt3));
    for (std::uint32_t i = 0; i < 16; ++i)
        EXPECT_EQ(d.surfaces[0].pixels[i], (i * 17) << 24 | 0xFFFFFFu);

    // DXT5, eight-alpha mode: a0 = 255, a1 = 0; index 2 = (6*255 + 0)/7 = 219 (rounded);
    // all 16 indices = 2 (bits 010 repeated: 0x92 0x24 0x49 …).
    Bytes dxt5 = {255, 0, 0x92, 0x24, 0x49, 0x92, 0x24, 0x49, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    d = decodeOk(test::writeDdsBlocks(4, 4, 1, "DXT5", dxt5));
    for (std::uint32_t c : d.surfaces[0].pixels) EXPECT_EQ(c, 0xDBFFFFFFu);
    // Six-alpha mode (a0 <= a1): indices 6 and 7 are 0 and 255.
    dxt5 = {0, 255, 0x3E, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};  // 110, 111, 0…
    d = decodeOk(test::writeDdsBlocks(4, 4, 1, "DXT5", dxt5));
    EXPECT_EQ(d.surfaces[0].pixels[0] >> 24, 0u);
    EXPECT_EQ(d.surfaces[0].pixels[1] >> 24, 255u);
    EXPECT_EQ(d.surfaces[0].pixels[2] >> 24, 0u);  // index 0 = a0

    // DXT4 (premultiplied) comes back straight: alpha 0x80 with colour 0x80 reads white.
    Bytes dxt4 = {0x80, 0x80, 0, 0, 0, 0, 0, 0, 0x10, 0x84, 0x10, 0x84, 0, 0, 0, 0};
    d = decodeOk(test::writeDdsBlocks(4, 4, 1, "DXT4", dxt4));
    EXPECT_EQ(d.surfaces[0].pixels[5], 0x80FFFFFFu);
}

TEST(DdsDecoder, SizesThatAreNotBlockMultiplesAndMipChains) {
    // 6 x 2 with 3 levels: 2 x 1 blocks, then 3 x 1 (1 block), then 1 x 1 (1 block).
    Bytes blocks;
    for (int i = 0; i < 4; ++i) blocks.insert(blocks.end(), {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0});
    const DecodedImage d = decodeOk(test::writeDdsBlocks(6, 2, 3, "DXT1", blocks));
    ASSERT_EQ(d.levels, 3u);
    EXPECT_EQ(d.surface(0, 1).width, 3u);
    EXPECT_EQ(d.surface(0, 1).height, 1u);
    EXPECT_EQ(d.surface(0, 2).width, 1u);
    for (std::uint32_t c : d.surface(0, 0).pixels) EXPECT_EQ(c, 0xFFFF0000u);
    // One block short fails.
    const Bytes shortBlocks(blocks.begin(), blocks.end() - 8);
    EXPECT_FALSE(decodes(test::writeDdsBlocks(6, 2, 3, "DXT1", shortBlocks)));
    // A mip count beyond the full chain is clamped to it.
    Bytes lying = test::writeDdsBlocks(6, 2, 3, "DXT1", blocks);
    lying[28] = 40;
    EXPECT_EQ(decodeOk(lying).levels, 3u);
}

TEST(DdsDecoder, CubeMapFacesInOrder) {
    std::vector<Image> faces;
    for (std::uint32_t f = 0; f < 6; ++f) {
        Image top(4, 4), next(2, 2), last(1, 1);
        top.pixels.assign(16, 0xFF000000u | f * 40);
        next.pixels.assign(4, 0xFF000000u | (f * 40 + 1));
        last.pixels.assign(1, 0xFF000000u | (f * 40 + 2));
        faces.insert(faces.end(), {top, next, last});
    }
    const DecodedImage d = decodeOk(test::writeDdsRgb(faces, 3, true, {}));
    ASSERT_TRUE(d.cube);
    ASSERT_EQ(d.levels, 3u);
    ASSERT_EQ(d.surfaces.size(), 18u);
    for (std::uint32_t f = 0; f < 6; ++f)
        for (std::uint32_t l = 0; l < 3; ++l)
            EXPECT_EQ(d.surface(f, l).pixels[0] & 0xFF, f * 40 + l);

    Bytes partial = test::writeDdsRgb(faces, 3, true, {});
    partial[113] = 0x7E;  // caps2 without NEGATIVEZ
    EXPECT_FALSE(decodes(partial));
    expectAllTruncationsFail(test::writeDdsRgb(faces, 3, true, {}), 7);
}

TEST(DdsDecoder, DamagedHeadersFail) {
    const Bytes good = test::writeDdsBlocks(4, 4, 1, "DXT1", Bytes(8, 0));
    Bytes b = good;
    b[84] = 'Q';  // unknown FourCC
    EXPECT_FALSE(decodes(b));
    b = good;
    b[4] = 100;  // header size
    EXPECT_FALSE(decodes(b));
    b = good;
    b[114] = 0x20;  // caps2 VOLUME
    EXPECT_FALSE(decodes(b));
    b = good;
    b[16] = b[17] = b[18] = b[19] = 0xFF;  // width 4 billion
    EXPECT_FALSE(decodes(b));
    expectAllTruncationsFail(good);
}

TEST(JpegDecoder, BaselineProgressiveAndGrey) {
    // Flat 8 x 8 blocks survive quality-100 compression almost exactly.
    Image ref(16, 16);
    const std::uint32_t colours[4] = {0xFFC83214, 0xFF14C832, 0xFF3214C8, 0xFF808080};
    for (std::uint32_t y = 0; y < 16; ++y)
        for (std::uint32_t x = 0; x < 16; ++x) ref.at(x, y) = colours[(x / 8) + 2 * (y / 8)];
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const DecodedImage d = decodeOk(test::writeJpeg(ref, false, progressive));
        EXPECT_EQ(d.format, kFormatX8R8G8B8);
        expectPixels(ref, d.surfaces[0], 3);  // alpha included: it must read exactly 0xFF
    }
    Image greyRef(16, 8);
    for (std::uint32_t i = 0; i < greyRef.pixels.size(); ++i) {
        const std::uint32_t l = (i % 16 < 8) ? 0x30 : 0xD0;
        greyRef.pixels[i] = 0xFF000000u | l << 16 | l << 8 | l;
    }
    const DecodedImage g = decodeOk(test::writeJpeg(greyRef, true, false));
    EXPECT_EQ(g.format, kFormatX8R8G8B8);
    expectPixels(greyRef, g.surfaces[0], 3);
}

TEST(JpegDecoder, DamagedFilesFail) {
    const Bytes file = test::writeJpeg(test::makeTestImage(16, 16, false), false, false, 90);
    expectAllTruncationsFail(file, 3);
    Bytes garbage = file;
    for (std::size_t i = 20; i < garbage.size(); i += 5) garbage[i] ^= 0x5A;
    DecodedImage out;
    std::string error;
    decodeImage(garbage.data(), garbage.size(), out, error);  // may decode or fail; never crash
}

TEST(PngDecoder, ColourTypes) {
    const Image ref = test::makeTestImage(9, 7, true);
    Image greyRef(9, 7);
    for (std::uint32_t i = 0; i < greyRef.pixels.size(); ++i) {
        const std::uint32_t l = i * 4, a = 255 - i * 3;
        greyRef.pixels[i] = a << 24 | l << 16 | l << 8 | l;
    }
    struct Case {
        int type;
        int depth;
        Image image;
        Image expected;
        std::uint32_t format;
    };
    const Image blocky = makeBlocky(9, 7);
    const Case cases[] = {
        {PNG_COLOR_TYPE_RGB_ALPHA, 8, ref, ref, kFormatA8R8G8B8},
        {PNG_COLOR_TYPE_RGB_ALPHA, 16, ref, ref, kFormatA8R8G8B8},
        {PNG_COLOR_TYPE_RGB, 8, ref, withAlpha(ref, 0xFF), kFormatX8R8G8B8},
        {PNG_COLOR_TYPE_GRAY, 8, greyRef, withAlpha(greyRef, 0xFF), kFormatX8R8G8B8},
        {PNG_COLOR_TYPE_GRAY_ALPHA, 8, greyRef, greyRef, kFormatA8R8G8B8},
        {PNG_COLOR_TYPE_PALETTE, 8, blocky, blocky, kFormatA8R8G8B8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + " depth " + std::to_string(c.depth));
        const DecodedImage d = decodeOk(test::writePng(c.image, c.type, c.depth));
        EXPECT_EQ(d.format, c.format);
        expectPixels(c.expected, d.surfaces[0]);
    }
}

TEST(PngDecoder, DamagedFilesFail) {
    const Bytes file = test::writePng(test::makeTestImage(8, 8, true), PNG_COLOR_TYPE_RGB_ALPHA);
    expectAllTruncationsFail(file);
    Bytes badCrc = file;
    badCrc[40] ^= 0xFF;
    EXPECT_FALSE(decodes(badCrc));
}

TEST(ImageDispatch, EmptyAndUnknownDataFail) {
    EXPECT_FALSE(decodes({}));
    EXPECT_FALSE(decodes({'h', 'e', 'l', 'l', 'o'}));
    DecodedImage out;
    std::string error;
    EXPECT_FALSE(decodeImage(nullptr, 10, out, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace eh::d3dx

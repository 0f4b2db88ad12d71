// Small files whose headers declare far more than they hold: every decoder refuses them
// before it allocates the declared image, and files that are legitimately tiny for their
// size (uniform pictures squeezed as hard as the format allows) still decode.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <string>

#include "d3dx/alloc_probe.h"
#include "d3dx/d3dx_image.h"
#include "d3dx/image_writers.h"

namespace eh::d3dx {
namespace {

using test::Bytes;

// Far below one 8192 x 8192 surface (256 MiB) and above anything the refusals need.
constexpr std::size_t kSmallAllocation = 1u << 20;

struct Outcome {
    bool decoded;
    std::size_t largest;
    std::string error;
};

Outcome decodeWatched(const Bytes& file) {
    DecodedImage out;
    Outcome o{};
    eh::test::resetLargestAllocation();
    o.decoded = decodeImage(file.data(), file.size(), out, o.error);
    o.largest = eh::test::largestAllocation();
    return o;
}

void expectRefusedCheaply(const Bytes& file) {
    const Outcome o = decodeWatched(file);
    EXPECT_FALSE(o.decoded) << file.size() << "-byte file decoded";
    EXPECT_FALSE(o.error.empty());
    EXPECT_LT(o.largest, kSmallAllocation) << "allocated " << o.largest << " bytes for a "
                                           << file.size() << "-byte file (" << o.error << ")";
}

Bytes tgaHeader(std::uint8_t type, std::uint16_t width, std::uint16_t height, std::uint8_t bits) {
    return {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0,
            static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
            static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8), bits, 0x20};
}

// A TGA RLE body of `packets` run packets of 128 pixels of one 24-bit colour.
Bytes tgaRuns(Bytes file, std::size_t packets) {
    for (std::size_t i = 0; i < packets; ++i) file.insert(file.end(), {0xFF, 0x10, 0x20, 0x30});
    return file;
}

void put32be(Bytes& b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
}

void pngChunk(Bytes& file, const char* type, const Bytes& body) {
    put32be(file, static_cast<std::uint32_t>(body.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    file.insert(file.end(), typed.begin(), typed.end());
    put32be(file, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

// A well-formed PNG header chain (valid CRCs) around a one-row IDAT.
Bytes hugePng(std::uint32_t width, std::uint32_t height) {
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    put32be(ihdr, width);
    put32be(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, not interlaced
    pngChunk(file, "IHDR", ihdr);
    Bytes row(1 + 16, 0);
    Bytes packed(compressBound(static_cast<uLong>(row.size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    compress(packed.data(), &packedSize, row.data(), static_cast<uLong>(row.size()));
    packed.resize(packedSize);
    pngChunk(file, "IDAT", packed);
    pngChunk(file, "IEND", {});
    return file;
}

// A real JPEG whose frame header is rewritten to declare width x height.
Bytes jpegDeclaring(bool progressive, bool grey, std::uint16_t width, std::uint16_t height) {
    Bytes file = test::writeJpeg(test::makeTestImage(16, 16, false), grey, progressive, 90);
    for (std::size_t i = 2; i + 9 < file.size(); ++i) {
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
            file[i + 5] = static_cast<std::uint8_t>(height >> 8);
            file[i + 6] = static_cast<std::uint8_t>(height);
            file[i + 7] = static_cast<std::uint8_t>(width >> 8);
            file[i + 8] = static_cast<std::uint8_t>(width);
            return file;
        }
    }
    ADD_FAILURE() << "no frame header in the JPEG writer's output";
    return file;
}

TEST(HostileImages, TgaHeadersDeclaringMoreThanTheFileHolds) {
    // 18 bytes declaring 8192 x 8192 true colour, with no pixel data at all.
    expectRefusedCheaply(tgaHeader(2, 8192, 8192, 32));
    // One pixel short of the declared size.
    Bytes raw = tgaHeader(2, 1024, 1024, 8 * 3);
    raw.resize(raw.size() + 1024 * 1024 * 3 - 3);
    expectRefusedCheaply(raw);
    // 68 bytes of RLE runs (12 packets, 1536 pixels) declaring 8192 x 8192.
    const Bytes rle = tgaRuns(tgaHeader(10, 8192, 8192, 24), 12);
    ASSERT_EQ(rle.size(), 66u);
    Bytes rle68 = rle;
    rle68.insert(rle68.end(), {0x00, 0x7F});
    expectRefusedCheaply(rle68);
    // Grey RLE, the densest stored pixel (one byte): still 2 bytes per 128 pixels.
    Bytes grey = tgaHeader(11, 8192, 8192, 8);
    grey.resize(grey.size() + 1000, 0xFF);
    expectRefusedCheaply(grey);
}

TEST(HostileImages, TgaRleBoundIsExactAtItsEdge) {
    EXPECT_EQ(rleCoverage(0, 3), 0u);
    EXPECT_EQ(rleCoverage(3, 3), 0u);  // not even one packet fits
    EXPECT_EQ(rleCoverage(4, 3), 128u);
    EXPECT_EQ(rleCoverage(7, 3), 128u);
    EXPECT_EQ(rleCoverage(8, 1), 512u);
    // 256 x 2 pixels in exactly four full run packets decode; three packets are refused,
    // and so is the same body under a header one row taller.
    const Bytes exact = tgaRuns(tgaHeader(10, 256, 2, 24), 4);
    const Outcome ok = decodeWatched(exact);
    ASSERT_TRUE(ok.decoded) << ok.error;
    EXPECT_EQ(decodeWatched(tgaRuns(tgaHeader(10, 256, 2, 24), 3)).decoded, false);
    EXPECT_EQ(decodeWatched(tgaRuns(tgaHeader(10, 256, 3, 24), 4)).decoded, false);
}

TEST(HostileImages, BmpAndDdsHeadersDeclaringMoreThanTheFileHolds) {
    Bytes bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                 0, 0x20, 0, 0, 0, 0x20, 0, 0, 1, 0, 32, 0};  // 8192 x 8192, 32 bits
    bmp.resize(54 + 64, 0);
    expectRefusedCheaply(bmp);

    Bytes dds(128, 0);
    const std::uint32_t fields[][2] = {{0, 0x20534444}, {4, 124}, {12, 8192}, {16, 8192},
                                       {76, 32},        {80, 0x41}, {88, 32},  {92, 0xFF0000},
                                       {96, 0xFF00},    {100, 0xFF}, {104, 0xFF000000u}};
    for (const auto& f : fields)
        for (int k = 0; k < 4; ++k) dds[f[0] + k] = static_cast<std::uint8_t>(f[1] >> (8 * k));
    dds.resize(dds.size() + 4096, 0);
    expectRefusedCheaply(dds);
}

TEST(HostileImages, JpegFramesDeclaringMoreThanTheScansCanHold) {
    for (bool progressive : {false, true}) {
        for (bool grey : {false, true}) {
            SCOPED_TRACE(std::string(progressive ? "progressive" : "baseline") +
                         (grey ? " grey" : " colour"));
            expectRefusedCheaply(jpegDeclaring(progressive, grey, 8192, 8192));
        }
    }
}

TEST(HostileImages, PngHeaderDeclaringMoreThanDeflateCanHold) {
    expectRefusedCheaply(hugePng(8192, 8192));
    // Around the bound (at most 1032 pixel bytes per file byte): below it the decoder goes
    // on and fails on the missing rows instead; above it the size alone refuses the file.
    const std::size_t fileSize = hugePng(1, 1).size();
    ASSERT_LE(std::size_t{8192} * 1 * 4 / 1032, fileSize) << "no row count below the bound";
    ASSERT_GT(std::size_t{8192} * 4 * 4 / 1032, fileSize) << "no row count above the bound";
    for (std::uint32_t rows = 1; rows <= 4; ++rows) {
        SCOPED_TRACE("8192 x " + std::to_string(rows));
        const Outcome o = decodeWatched(hugePng(8192, rows));
        EXPECT_FALSE(o.decoded);
        const bool beyond = std::size_t{8192} * rows * 4 / 1032 > fileSize;
        EXPECT_EQ(o.error.find("too little data") != std::string::npos, beyond) << o.error;
    }
}

TEST(HostileImages, UniformPicturesSqueezedHardStillDecode) {
    // A uniform 2048 x 2048 grey PNG deflates about 1000 to 1, close to the format's limit.
    const Image flat(2048, 2048);
    const Bytes png = test::writePng(flat, PNG_COLOR_TYPE_GRAY, 8);
    ASSERT_LT(png.size(), 2048u * 2048u / 500u) << "writer no longer squeezes the test picture";
    const Outcome p = decodeWatched(png);
    EXPECT_TRUE(p.decoded) << p.error;

    Image mid(1024, 1024);
    for (std::uint32_t& c : mid.pixels) c = 0xFF808080u;
    for (bool progressive : {false, true}) {
        const Outcome j = decodeWatched(test::writeJpeg(mid, true, progressive, 10));
        EXPECT_TRUE(j.decoded) << (progressive ? "progressive: " : "baseline: ") << j.error;
    }
}

}  // namespace
}  // namespace eh::d3dx

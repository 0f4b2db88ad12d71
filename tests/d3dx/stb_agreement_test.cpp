// The Windows build decodes JPEG and PNG with stb_image (d3dx_stb.cpp), Linux with
// libjpeg-turbo and libpng. Both must give the program the same textures: the same size
// and format, PNG pixels identical, JPEG pixels within 2 levels per channel. The two
// JPEG decoders round their IDCT, chroma upsampling (libjpeg alternates its bias, stb
// does not) and colour conversion differently, and where all three roundings meet a
// sample can differ by 3: about one in 500 000 samples of our media does. Anything
// beyond that, or more often, is a fault. And a file one of them refuses, the other must
// refuse too.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "d3dx/d3dx_image.h"
#include "d3dx/d3dx_stb.h"
#include "d3dx/image_writers.h"

namespace eh::d3dx {
namespace {

using test::Bytes;
using Decoder = bool (*)(const std::uint8_t*, std::size_t, DecodedImage&, std::string&);

struct Pair {
    Decoder reference;  // libjpeg-turbo / libpng
    Decoder stb;
};
constexpr Pair kJpeg{&decodeJpeg, &decodeJpegStb};
constexpr Pair kPng{&decodePng, &decodePngStb};

struct Difference {
    int worst = 0;              // largest per-channel difference
    std::size_t beyondTwo = 0;  // colour samples that differ by more than 2
    std::size_t samples = 0;    // colour samples compared
};

// How the two decodes of `file` differ; both must succeed with equal size and format.
Difference compare(const Pair& pair, const Bytes& file, const std::string& what) {
    DecodedImage ref, stb;
    std::string refError, stbError;
    const bool refOk = pair.reference(file.data(), file.size(), ref, refError);
    const bool stbOk = pair.stb(file.data(), file.size(), stb, stbError);
    EXPECT_TRUE(refOk) << what << ": " << refError;
    EXPECT_TRUE(stbOk) << what << ": " << stbError;
    if (!refOk || !stbOk) return {256, 1, 1};
    EXPECT_EQ(ref.format, stb.format) << what;
    EXPECT_EQ(ref.surfaces.size(), 1u) << what;
    EXPECT_EQ(stb.surfaces.size(), 1u) << what;
    const Image& a = ref.surfaces.front();
    const Image& b = stb.surfaces.front();
    EXPECT_EQ(a.width, b.width) << what;
    EXPECT_EQ(a.height, b.height) << what;
    if (a.width != b.width || a.height != b.height) return {256, 1, 1};
    Difference diff;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        for (int shift = 0; shift < 32; shift += 8) {
            const int d =
                std::abs(int(a.pixels[i] >> shift & 0xFF) - int(b.pixels[i] >> shift & 0xFF));
            diff.worst = std::max(diff.worst, d);
            if (shift < 24) {
                ++diff.samples;
                if (d > 2) ++diff.beyondTwo;
            }
        }
    }
    return diff;
}

int worstDifference(const Pair& pair, const Bytes& file, const std::string& what) {
    return compare(pair, file, what).worst;
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::filesystem::path> filesEndingIn(const std::filesystem::path& dir,
                                                 const std::string& extension) {
    std::vector<std::filesystem::path> found;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (it->is_regular_file() && ext == extension) found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Every JPEG of the program's own media, as the build generated them: the textures the
// Windows program actually decodes.
TEST(StbAgreement, GeneratedMediaJpegsAgreeWithinTwoLevels) {
    const auto files = filesEndingIn(EH_MEDIA_IMAGES_DIR, ".jpg");
    ASSERT_GE(files.size(), 20u) << "no generated pictures under " << EH_MEDIA_IMAGES_DIR;
    std::size_t beyondTwo = 0, samples = 0;
    for (const auto& path : files) {
        const Difference diff = compare(kJpeg, readFile(path), path.string());
        EXPECT_LE(diff.worst, 3) << path;
        beyondTwo += diff.beyondTwo;
        samples += diff.samples;
    }
    // Within 2 levels but for the rare sample where every rounding goes the same way.
    EXPECT_LE(beyondTwo * 100000, samples) << beyondTwo << " of " << samples << " samples";
}

TEST(StbAgreement, JpegVariantsAgreeWithinTwoLevels) {
    // Odd sizes leave partial blocks and chroma pairs at the right and bottom edges.
    const Image pictures[] = {test::makeTestImage(64, 48, false),
                              test::makeTestImage(37, 23, false), test::makeTestImage(1, 1, false),
                              test::makeTestImage(17, 130, false)};
    for (const Image& picture : pictures) {
        for (int quality : {100, 75, 20}) {
            for (bool grey : {false, true}) {
                for (bool progressive : {false, true}) {
                    const std::string what = std::to_string(picture.width) + "x" +
                                             std::to_string(picture.height) + " q" +
                                             std::to_string(quality) + (grey ? " grey" : "") +
                                             (progressive ? " progressive" : "");
                    const Bytes file = test::writeJpeg(picture, grey, progressive, quality);
                    EXPECT_LE(worstDifference(kJpeg, file, what), 2) << what;
                }
            }
        }
    }
}

TEST(StbAgreement, PngColourTypesAndDepthsAgreeExactly) {
    struct Case {
        int colourType;
        int bitDepth;
        bool alpha;
    };
    const Case cases[] = {
        {PNG_COLOR_TYPE_RGB_ALPHA, 8, true},  {PNG_COLOR_TYPE_RGB_ALPHA, 16, true},
        {PNG_COLOR_TYPE_RGB, 8, false},       {PNG_COLOR_TYPE_RGB, 16, false},
        {PNG_COLOR_TYPE_GRAY, 8, false},      {PNG_COLOR_TYPE_GRAY, 16, false},
        {PNG_COLOR_TYPE_GRAY_ALPHA, 8, true}, {PNG_COLOR_TYPE_GRAY_ALPHA, 16, true},
        {PNG_COLOR_TYPE_PALETTE, 8, true},
    };
    for (const Case& c : cases) {
        for (auto [w, h] : {std::pair{33u, 17u}, std::pair{1u, 1u}, std::pair{200u, 3u}}) {
            Image picture = test::makeTestImage(w, h, c.alpha);
            if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
                // A palette holds at most 256 entries: keep few distinct colours.
                for (std::uint32_t& p : picture.pixels) p &= 0xC0C0C0C0u;
            }
            const std::string what = "type " + std::to_string(c.colourType) + " depth " +
                                     std::to_string(c.bitDepth) + " " + std::to_string(w) + "x" +
                                     std::to_string(h);
            EXPECT_EQ(
                worstDifference(kPng, test::writePng(picture, c.colourType, c.bitDepth), what), 0)
                << what;
        }
    }
}

// Truncation anywhere, and damage the format can detect, is refused by both.
TEST(StbAgreement, BothRefuseTruncatedFiles) {
    const Bytes jpeg = test::writeJpeg(test::makeTestImage(40, 40, false), false, false, 90);
    const Bytes png = test::writePng(test::makeTestImage(40, 40, true), PNG_COLOR_TYPE_RGB_ALPHA);
    for (const auto& [pair, file, name] :
         {std::tuple{kJpeg, jpeg, "JPEG"}, std::tuple{kPng, png, "PNG"}}) {
        for (std::size_t keep : {std::size_t{0}, std::size_t{3}, std::size_t{20}, file.size() / 2,
                                 file.size() - 3, file.size() - 1}) {
            const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(keep));
            DecodedImage out;
            std::string error;
            EXPECT_FALSE(pair.reference(cut.data(), cut.size(), out, error))
                << name << " cut to " << keep;
            EXPECT_FALSE(pair.stb(cut.data(), cut.size(), out, error))
                << name << " cut to " << keep;
        }
    }
}

TEST(StbAgreement, BothRefuseDamagedPngChunksAndCmykJpegHeaders) {
    Bytes png = test::writePng(test::makeTestImage(16, 16, false), PNG_COLOR_TYPE_RGB);
    png[8 + 8 + 4] ^= 0x01;  // a bit of IHDR's width: its CRC no longer matches
    DecodedImage out;
    std::string error;
    EXPECT_FALSE(decodePng(png.data(), png.size(), out, error));
    EXPECT_FALSE(decodePngStb(png.data(), png.size(), out, error));

    // A header that promises more blocks than the file can hold bits for.
    Bytes jpeg = test::writeJpeg(test::makeTestImage(16, 16, false), false, false, 90);
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = 0x7F;  // height and width high bytes: 32 000 pixels
            break;
        }
    }
    EXPECT_FALSE(decodeJpeg(jpeg.data(), jpeg.size(), out, error));
    EXPECT_FALSE(decodeJpegStb(jpeg.data(), jpeg.size(), out, error));
}

}  // namespace
}  // namespace eh::d3dx

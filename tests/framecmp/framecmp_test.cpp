// framecmp: the figures against values worked out by hand for pictures built to have them,
// the difference picture's scale, and the command line's pairing, output and exit codes.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "framecmp/frame_compare.h"

namespace framecmp {
namespace {

namespace fs = std::filesystem;

RgbImage filled(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(image.PixelCount() * 3);
    for (std::size_t i = 0; i < image.PixelCount(); ++i) {
        image.rgb[i * 3] = r;
        image.rgb[i * 3 + 1] = g;
        image.rgb[i * 3 + 2] = b;
    }
    return image;
}

void setPixel(RgbImage& image, std::size_t i, int r, int g, int b) {
    image.rgb[i * 3] = static_cast<std::uint8_t>(r);
    image.rgb[i * 3 + 1] = static_cast<std::uint8_t>(g);
    image.rgb[i * 3 + 2] = static_cast<std::uint8_t>(b);
}

TEST(FrameCompare, IdenticalPicturesHaveNoDifferenceAtAll) {
    RgbImage a = filled(8, 4, 10, 200, 30);
    setPixel(a, 5, 255, 0, 128);
    const FrameDifference d = Compare(a, a);
    EXPECT_EQ(d.psnr, kIdenticalPsnr);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(d.channelPsnr[c], kIdenticalPsnr);
        EXPECT_EQ(d.meanAbs[c], 0.0);
    }
    EXPECT_EQ(d.farShare, 0.0);
    EXPECT_EQ(d.maxAbs, 0);
}

TEST(FrameCompare, OneChannelOffEverywhereGivesItsPsnrAndMeanThere) {
    // Red off by 10 on every pixel: the red MSE is 100, the three-channel MSE a third.
    const RgbImage a = filled(16, 16, 100, 100, 100);
    const RgbImage b = filled(16, 16, 110, 100, 100);
    const FrameDifference d = Compare(a, b);
    EXPECT_NEAR(d.channelPsnr[0], 10.0 * std::log10(255.0 * 255.0 / 100.0), 1e-9);
    EXPECT_EQ(d.channelPsnr[1], kIdenticalPsnr);
    EXPECT_EQ(d.channelPsnr[2], kIdenticalPsnr);
    EXPECT_NEAR(d.psnr, 10.0 * std::log10(255.0 * 255.0 * 3.0 / 100.0), 1e-9);
    EXPECT_DOUBLE_EQ(d.meanAbs[0], 10.0);
    EXPECT_DOUBLE_EQ(d.meanAbs[1], 0.0);
    EXPECT_EQ(d.farShare, 0.0) << "10 levels is not far off";
    EXPECT_EQ(d.maxAbs, 10);
    // The order of the pictures does not matter.
    const FrameDifference back = Compare(b, a);
    EXPECT_EQ(back.psnr, d.psnr);
    EXPECT_EQ(back.meanAbs[0], d.meanAbs[0]);
}

TEST(FrameCompare, FarOffCountsPixelsBeyondSixteenLevelsInAnyChannel) {
    // 8 pixels: two off by exactly 16 (not far), one by 17 in green, one by 200 in blue,
    // one by 17 in all three (one pixel, counted once), three equal.
    const RgbImage a = filled(4, 2, 100, 100, 20);
    RgbImage b = a;
    setPixel(b, 0, 116, 100, 20);
    setPixel(b, 1, 100, 84, 20);
    setPixel(b, 2, 100, 117, 20);
    setPixel(b, 3, 100, 100, 220);
    setPixel(b, 4, 117, 117, 37);
    const FrameDifference d = Compare(a, b);
    EXPECT_DOUBLE_EQ(d.farShare, 3.0 / 8.0);
    EXPECT_EQ(d.maxAbs, 200);
    EXPECT_DOUBLE_EQ(d.meanAbs[0], (16.0 + 17.0) / 8.0);
    EXPECT_DOUBLE_EQ(d.meanAbs[1], (16.0 + 17.0 + 17.0) / 8.0);
    EXPECT_DOUBLE_EQ(d.meanAbs[2], (200.0 + 17.0) / 8.0);
    const double squares = 16 * 16 + 16 * 16 + 17 * 17 + 200 * 200 + 3 * 17 * 17;
    EXPECT_NEAR(d.psnr, 10.0 * std::log10(255.0 * 255.0 / (squares / 24.0)), 1e-9);
}

TEST(FrameCompare, PicturesOfDifferentSizesAreNeverAlike) {
    const RgbImage a = filled(4, 4, 50, 50, 50);
    const RgbImage b = filled(4, 5, 50, 50, 50);
    const FrameDifference d = Compare(a, b);
    EXPECT_EQ(d.psnr, 0.0);
    EXPECT_EQ(d.farShare, 1.0);
    EXPECT_EQ(DifferenceImage(a, b, 8).PixelCount(), 0u);
}

TEST(FrameCompare, DifferencePictureAmplifiesClampsAndMarksFarPixels) {
    const RgbImage a = filled(4, 1, 100, 100, 100);
    RgbImage b = a;
    setPixel(b, 1, 101, 110, 100);  // 1 and 10 levels: 8 and 80 at gain 8
    setPixel(b, 2, 140, 100, 100);  // 40 levels: clamped; the other channels lifted to 64
    setPixel(b, 3, 60, 100, 100);   // the same, downwards
    const RgbImage d = DifferenceImage(a, b, 8);
    ASSERT_EQ(d.PixelCount(), 4u);
    const std::uint8_t expected[4][3] = {{0, 0, 0}, {8, 80, 0}, {255, 64, 64}, {255, 64, 64}};
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(d.rgb[i * 3 + c], expected[i][c]) << "pixel " << i << " channel " << c;
    // Gain 1 shows the difference itself.
    EXPECT_EQ(DifferenceImage(a, b, 1).rgb[1 * 3 + 1], 10);
}

class FrameFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("framecmp_test_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "a");
        fs::create_directories(dir / "b");
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    // Runs framecmp with `args`; its exit code, stdout in `out`.
    int run(const std::string& args, std::string& out) const {
        const std::string command = std::string(FRAMECMP_EXE) + " " + args + " 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return -1;
        char buffer[512];
        out.clear();
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
        const int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir;
};

TEST_F(FrameFiles, GreyAndSixteenBitFilesReadAsEightBitRgb) {
    // A grey 16-bit file, written by libpng itself: every channel gets the grey level.
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = 3;
    png.height = 2;
    png.format = PNG_FORMAT_LINEAR_Y;  // 16-bit linear grey
    const std::uint16_t grey[6] = {0, 65535, 65535, 0, 0, 65535};
    ASSERT_TRUE(png_image_write_to_file(&png, path("grey.png").c_str(), 0, grey, 0, nullptr));
    RgbImage image;
    std::string error;
    ASSERT_TRUE(ReadPng(path("grey.png"), image, error)) << error;
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    const std::uint8_t white[3] = {255, 255, 255};
    EXPECT_EQ(0, std::memcmp(&image.rgb[3], white, 3));
    EXPECT_EQ(image.rgb[0], 0);
    EXPECT_EQ(image.rgb[1 * 3 + 2], 255);

    EXPECT_FALSE(ReadPng(path("missing.png"), image, error));
    EXPECT_FALSE(error.empty());
    std::FILE* f = std::fopen(path("text.png").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("not a picture", f);
    std::fclose(f);
    EXPECT_FALSE(ReadPng(path("text.png"), image, error));
}

TEST_F(FrameFiles, DirectoryModePairsByNameAndReportsEachPairOnOneLine) {
    const RgbImage base = filled(10, 10, 100, 100, 100);
    RgbImage off = base;
    for (std::size_t i = 0; i < 10; ++i) setPixel(off, i, 200, 100, 100);  // a tenth far off
    ASSERT_TRUE(WritePng(path("a/frame_0000.png"), base));
    ASSERT_TRUE(WritePng(path("b/frame_0000.png"), base));
    ASSERT_TRUE(WritePng(path("a/frame_0030.png"), base));
    ASSERT_TRUE(WritePng(path("b/frame_0030.png"), off));

    std::string out;
    EXPECT_EQ(run("--kv --dir " + path("a") + " " + path("b") + " --diff-dir " + path("d"), out),
              0);
    EXPECT_NE(out.find("pair=frame_0000.png psnr=inf "), std::string::npos) << out;
    EXPECT_NE(out.find("pair=frame_0030.png "), std::string::npos) << out;
    EXPECT_NE(out.find(" far=0.10000 max=100 status=ok"), std::string::npos) << out;
    // 10 of 300 channel values off by 100: MSE 10000 / 30.
    char psnr[32];
    std::snprintf(psnr, sizeof psnr, "psnr=%.2f ", 10.0 * std::log10(65025.0 * 30.0 / 10000.0));
    EXPECT_NE(out.find(psnr), std::string::npos) << out;
    RgbImage diff;
    std::string error;
    ASSERT_TRUE(ReadPng(path("d/frame_0030.png"), diff, error)) << error;
    EXPECT_EQ(diff.rgb[0], 255);
    EXPECT_EQ(diff.rgb[10 * 3], 0);

    // Thresholds: the far-off pair fails each of them, and only that pair.
    EXPECT_EQ(run("--kv --min-psnr 30 --dir " + path("a") + " " + path("b"), out), 1);
    EXPECT_NE(out.find("pair=frame_0000.png psnr=inf psnr_r=inf psnr_g=inf psnr_b=inf "
                       "mad_r=0.000 mad_g=0.000 mad_b=0.000 far=0.00000 max=0 status=ok"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("status=FAIL"), std::string::npos) << out;
    EXPECT_EQ(run("--max-far 0.1 --dir " + path("a") + " " + path("b"), out), 0)
        << "exactly at the share is within";
    EXPECT_EQ(run("--max-far 0.09 --dir " + path("a") + " " + path("b"), out), 1);
    EXPECT_NE(out.find("FAIL"), std::string::npos);

    // A frame without its namesake is an error, whichever side has it.
    ASSERT_TRUE(WritePng(path("b/frame_0060.png"), base));
    EXPECT_EQ(run("--dir " + path("a") + " " + path("b"), out), 2);
    fs::remove(path("b/frame_0060.png"));
    ASSERT_TRUE(WritePng(path("a/frame_0060.png"), base));
    EXPECT_EQ(run("--dir " + path("a") + " " + path("b"), out), 2);
}

TEST_F(FrameFiles, TwoFilesModeChecksSizesAndArguments) {
    ASSERT_TRUE(WritePng(path("a/one.png"), filled(4, 4, 1, 2, 3)));
    ASSERT_TRUE(WritePng(path("b/one.png"), filled(4, 3, 1, 2, 3)));
    ASSERT_TRUE(WritePng(path("b/same.png"), filled(4, 4, 1, 2, 3)));
    std::string out;
    EXPECT_EQ(run(path("a/one.png") + " " + path("b/one.png"), out), 2) << "sizes differ";
    EXPECT_EQ(run(path("a/one.png") + " " + path("b/same.png") + " --diff " + path("d.png"), out),
              0);
    EXPECT_TRUE(fs::exists(path("d.png")));
    EXPECT_EQ(run(path("a/one.png"), out), 2) << "one file";
    EXPECT_EQ(run("--gain 0 " + path("a/one.png") + " " + path("b/same.png"), out), 2);
    EXPECT_EQ(run("--min-psnr x " + path("a/one.png") + " " + path("b/same.png"), out), 2);
    EXPECT_EQ(run("--dir " + path("a") + " " + path("nowhere"), out), 2);
}

}  // namespace
}  // namespace framecmp

// End to end: the program records frames headless; the scene is drawn and the clock and
// FPS digits appear where the overlay puts them.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/temp_dir.h"

namespace {

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* at(int x, int y) const { return &rgb[(std::size_t(y) * width + x) * 3]; }
};

bool ReadPng(const std::string& path, Image& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    return png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr) != 0;
}

// Pixels in the rectangle (fractions of the frame) that are bright in every channel.
int BrightPixels(const Image& image, float x0, float y0, float x1, float y1) {
    int count = 0;
    for (int y = int(y0 * image.height); y < int(y1 * image.height); ++y)
        for (int x = int(x0 * image.width); x < int(x1 * image.width); ++x) {
            const unsigned char* p = image.at(x, y);
            if (p[0] > 200 && p[1] > 200 && p[2] > 200) ++count;
        }
    return count;
}

TEST(Recording, WritesSceneFramesWithTheClockAndFps) {
    eh::testing::TempDir dir;
    std::filesystem::create_directories(dir.file("config/kestrelle"));
    {
        std::ofstream conf(dir.file("config/kestrelle/emberhold-3d-screensaver.conf"));
        conf << "[Software\\Kestrelle\\Emberhold 3D Screensaver]\nShowFPS=2\nShowTime=2\n"
                "DigClock_24H=2\n";
    }
    std::string frames = dir.file("frames");
    std::string command = std::string("cd '") + dir.path() + "' && XDG_CONFIG_HOME='" +
                          dir.file("config") + "' EMBERHOLD_NO_MESSAGE_BOXES=1 '" EMBERHOLD_EXE +
                          "' --render-frames '" + frames +
                          "' --frames 32 --size 640x480 --fps 30 --seed 7";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (int i = 0; i < 32; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%04d.png", i);
        ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(frames) / name)) << name;
    }
    Image last;
    ASSERT_TRUE(ReadPng((std::filesystem::path(frames) / "frame_0031.png").string(), last));
    ASSERT_EQ(last.width, 640);
    ASSERT_EQ(last.height, 480);
    // The scene covers the frame: no pixel keeps the opaque blue the frame is cleared to,
    // and the picture is not flat.
    int clearBlue = 0;
    std::vector<bool> seen(1 << 12);
    int colours = 0;
    for (int y = 0; y < last.height; ++y)
        for (int x = 0; x < last.width; ++x) {
            const unsigned char* p = last.at(x, y);
            if (p[0] < 8 && p[1] < 8 && p[2] > 247) ++clearBlue;
            int key = (p[0] >> 4) << 8 | (p[1] >> 4) << 4 | (p[2] >> 4);
            if (!seen[key]) seen[key] = true, ++colours;
        }
    EXPECT_EQ(clearBlue, 0);
    EXPECT_GT(colours, 100);
    // The clock: eight glyphs from x 0.69 at y 0.92 (0.047 wide, advancing 0.79 of that).
    const float clockRight = 0.69f + 8 * 0.047f * 0.79f;
    EXPECT_GT(BrightPixels(last, 0.69f, 0.92f, clockRight, 0.98f), 200);
    // FPS after the first second of 30 fps: two digits at the top left.
    EXPECT_GT(BrightPixels(last, 0.01f, 0.01f, 0.01f + 2 * 0.047f * 0.79f, 0.07f), 50);
}

}  // namespace

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

TEST(Recording, TheSameSeedGivesTheSamePictures) {
    eh::testing::TempDir dir;
    std::filesystem::create_directories(dir.file("config"));
    auto record = [&](const std::string& out, int seed) {
        std::string command = std::string("cd '") + dir.path() + "' && XDG_CONFIG_HOME='" +
                              dir.file("config") + "' EMBERHOLD_NO_MESSAGE_BOXES=1 '" EMBERHOLD_EXE +
                              "' --render-frames '" + dir.file(out) +
                              "' --frames 24 --every 23 --size 160x120 --fps 30 --start-ms 20000 --seed " +
                              std::to_string(seed) + " >/dev/null 2>&1";
        return std::system(command.c_str());
    };
    ASSERT_EQ(record("a", 11), 0);
    ASSERT_EQ(record("b", 11), 0);
    ASSERT_EQ(record("c", 12), 0);
    // --every 23 keeps frames 0 and 23; the clock runs on the recording's own time.
    for (const char* name : {"frame_0000.png", "frame_0023.png"}) {
        std::string a = readFile(dir.file(std::string("a/") + name));
        ASSERT_FALSE(a.empty()) << name;
        EXPECT_EQ(a, readFile(dir.file(std::string("b/") + name))) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("a/frame_0001.png")));
    EXPECT_NE(readFile(dir.file("a/frame_0023.png")), readFile(dir.file("c/frame_0023.png")))
        << "another seed gives another run";
}

// The benchmark's mode: every frame is drawn and presented, no file and no folder is
// written, and the run reports how many frames it drew and at what rate.
TEST(Recording, NoWriteDrawsEveryFrameWritesNothingAndReportsTheRate) {
    eh::testing::TempDir dir;
    std::filesystem::create_directories(dir.file("config"));
    const std::string frames = dir.file("frames");
    const std::string report = dir.file("report.txt");
    std::string command = std::string("cd '") + dir.path() + "' && XDG_CONFIG_HOME='" +
                          dir.file("config") + "' EMBERHOLD_NO_MESSAGE_BOXES=1 '" EMBERHOLD_EXE +
                          "' --render-frames '" + frames +
                          "' --frames 12 --every 5 --size 160x120 --fps 30 --seed 3 --no-write >'" +
                          report + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_FALSE(std::filesystem::exists(frames)) << "nothing is written, not even the folder";
    std::string text = readFile(report);
    int drawn = -1;
    double seconds = -1.0, rate = -1.0;
    ASSERT_EQ(std::sscanf(text.c_str(), "emberhold: %d frames in %lf s: %lf frames/s", &drawn,
                          &seconds, &rate),
              3)
        << text;
    EXPECT_EQ(drawn, 12) << "every frame is drawn, not only every 5th";
    EXPECT_GT(seconds, 0.0);
    EXPECT_NEAR(rate, drawn / seconds, 0.01 * rate + 0.01);
}

}  // namespace

namespace {

// A fast-forward of 30 simulated days would take hours: SIGTERM ends it promptly and in
// order (exit code 0, nothing written), and values past the limits are refused at once.
TEST(Recording, LongFastForwardEndsOnSigtermAndImpossibleStartsAreRefused) {
    eh::testing::TempDir dir;
    const std::string prefix = std::string("cd '") + dir.path() + "' && XDG_CONFIG_HOME='" +
                               dir.file("config") + "' EMBERHOLD_NO_MESSAGE_BOXES=1 ";
    const std::string frames = dir.file("frames");
    for (const char* start : {"inf", "nan", "-5", "2592000001", "1e300"}) {
        std::string command = prefix + "'" EMBERHOLD_EXE "' --render-frames '" + frames +
                              "' --frames 1 --start-ms " + start + " 2>/dev/null";
        int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << start;
    }
    std::string command = prefix + "timeout -s KILL 60 '" EMBERHOLD_EXE "' --render-frames '" +
                          frames + "' --frames 1 --start-ms 2592000000 & pid=$!; sleep 4; "
                          "kill -TERM $pid; wait $pid";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << command;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "137 means it ignored SIGTERM until killed";
    EXPECT_FALSE(std::filesystem::exists(frames + "/frame_0000.png"));
}

}  // namespace

namespace {

// --loading-screen keeps the picture shown while the scene loads, before the first frame:
// the loading background with its corner pictures, no clock yet. Without the flag there is
// no such file.
TEST(Recording, TheLoadingScreenIsWrittenOnlyWhenAskedFor) {
    eh::testing::TempDir dir;
    std::filesystem::create_directories(dir.file("config"));
    auto record = [&](const std::string& out, const char* flag) {
        std::string command = std::string("cd '") + dir.path() + "' && XDG_CONFIG_HOME='" +
                              dir.file("config") + "' EMBERHOLD_NO_MESSAGE_BOXES=1 '" EMBERHOLD_EXE +
                              "' --render-frames '" + dir.file(out) +
                              "' --frames 1 --size 320x240 --seed 3 " + flag + " >/dev/null 2>&1";
        return std::system(command.c_str());
    };
    ASSERT_EQ(record("with", "--loading-screen"), 0);
    ASSERT_EQ(record("without", ""), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("without/loading.png")));
    Image loading, first;
    ASSERT_TRUE(ReadPng(dir.file("with/loading.png"), loading));
    ASSERT_TRUE(ReadPng(dir.file("with/frame_0000.png"), first));
    ASSERT_EQ(loading.width, 320);
    ASSERT_EQ(loading.height, 240);
    // The scene's frame shows the clock at the bottom right; the loading screen does not.
    const float clockRight = 0.69f + 8 * 0.047f * 0.79f;
    EXPECT_GT(BrightPixels(first, 0.69f, 0.92f, clockRight, 0.98f), 40);
    EXPECT_LT(BrightPixels(loading, 0.69f, 0.92f, clockRight, 0.98f), 5);
    // And it is a picture, not a cleared buffer: the sky above is bright and the grass
    // below dark, in a frame that is far from the scene's first one.
    EXPECT_GT(BrightPixels(loading, 0.0f, 0.0f, 1.0f, 0.5f), 1000);
    long differing = 0;
    for (std::size_t i = 0; i < loading.rgb.size(); ++i)
        differing += std::abs(int(loading.rgb[i]) - int(first.rgb[i])) > 32;
    EXPECT_GT(differing, static_cast<long>(loading.rgb.size() / 4));
}

}  // namespace

// emberhold.scr as Windows starts it (under Wine: Wine's user32, advapi32 and d3d8): a
// GUI-subsystem program whose output still reaches a pipe, whose switches select the
// modes, and whose recording draws the scene through the system's Direct3D 8.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "d3dx/d3dx_image.h"

namespace {

struct Result {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;  // stdout and stderr together
};

// The program's path as Windows names it (the build passes a Unix path under Wine).
std::string programPath() {
    std::string path = EMBERHOLD_EXE;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Runs the program with `args`, its output into one pipe, and waits for it (at most
// `timeoutMs`; a program still running then is ended and reported as 0xFFFFFFFF).
Result run(const std::string& args, DWORD timeoutMs = 60000) {
    Result result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::string line = "\"" + programPath() + "\" " + args;
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    const BOOL started = CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return result;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        result.out.append(buffer, got);
    CloseHandle(readEnd);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &result.exitCode);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

std::filesystem::path freshFolder(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::filesystem::path dir =
        std::filesystem::path(temp) / (std::string(name) + std::to_string(GetCurrentProcessId()));
    std::filesystem::remove_all(dir);
    return dir;
}

eh::d3dx::Image readPng(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    eh::d3dx::DecodedImage decoded;
    std::string error;
    EXPECT_TRUE(eh::d3dx::decodeImage(bytes.data(), bytes.size(), decoded, error))
        << path << ": " << error;
    return decoded.surfaces.empty() ? eh::d3dx::Image{} : decoded.surfaces.front();
}

// Mean red, green and blue of rows [top, bottom).
std::array<double, 3> meanColour(const eh::d3dx::Image& img, std::uint32_t top,
                                 std::uint32_t bottom) {
    std::array<double, 3> sum{};
    for (std::uint32_t y = top; y < bottom; ++y) {
        for (std::uint32_t x = 0; x < img.width; ++x) {
            const std::uint32_t c = img.at(x, y);
            sum[0] += c >> 16 & 0xFF;
            sum[1] += c >> 8 & 0xFF;
            sum[2] += c & 0xFF;
        }
    }
    const double n = double(bottom - top) * img.width;
    return {sum[0] / n, sum[1] / n, sum[2] / n};
}

TEST(WindowsProgram, OutputOfTheGuiProgramReachesItsCaller) {
    const Result version = run("--version");
    EXPECT_EQ(version.exitCode, 0u);
    EXPECT_EQ(version.out.rfind("emberhold 0.1.0", 0), 0u) << version.out;
    const Result help = run("--help");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_NE(help.out.find("/p <id>"), std::string::npos) << help.out;
    const Result bad = run("--no-such-option");
    EXPECT_EQ(bad.exitCode, 1u);
    EXPECT_NE(bad.out.find("unknown option --no-such-option"), std::string::npos) << bad.out;
}

// Neither the password change (MPR.DLL has no working one on NT and later, nor under
// Wine) nor a preview whose host window does not exist may hang or crash.
TEST(WindowsProgram, PasswordChangeAndAMissingPreviewHostEndAtOnce) {
    EXPECT_EQ(run("/a 1234", 30000).exitCode, 0u);
    EXPECT_EQ(run("-A:77", 30000).exitCode, 0u);
    const Result preview = run("/p 4000000", 30000);
    EXPECT_NE(preview.exitCode, 0xFFFFFFFFu) << "the preview did not end";
}

// A recording through the system's Direct3D 8: the scene's sky above its ground, and the
// same seed giving the same pictures.
TEST(WindowsProgram, RecordingDrawsTheSceneAndRepeatsWithTheSameSeed) {
    const std::filesystem::path first = freshFolder("emberhold_rec_a");
    const std::filesystem::path second = freshFolder("emberhold_rec_b");
    const std::string options = " --frames 2 --size 160x120 --seed 5";
    ASSERT_EQ(run("--render-frames \"" + first.string() + "\"" + options, 240000).exitCode, 0u);
    ASSERT_EQ(run("--render-frames \"" + second.string() + "\"" + options, 240000).exitCode, 0u);
    for (const char* name : {"frame_0000.png", "frame_0001.png"}) {
        const eh::d3dx::Image a = readPng(first / name);
        const eh::d3dx::Image b = readPng(second / name);
        ASSERT_EQ(a.width, 160u) << name;
        ASSERT_EQ(a.height, 120u) << name;
        EXPECT_EQ(a.pixels, b.pixels) << name << " differs between runs with the same seed";
        const auto sky = meanColour(a, 0, 20);
        const auto ground = meanColour(a, 90, 120);
        EXPECT_GT(sky[2], sky[0]) << name << ": the top is not sky blue";
        EXPECT_GT(ground[1], ground[2]) << name << ": the bottom is not grass green";
    }
    std::filesystem::remove_all(first);
    std::filesystem::remove_all(second);
}

// The benchmark's mode on Windows: every frame drawn and presented through the system's
// Direct3D 8, nothing written (not even the folder), the rate reported on the output.
TEST(WindowsProgram, RecordingWithoutWritingReportsItsFrameRate) {
    const std::filesystem::path folder = freshFolder("emberhold_nowrite");
    const Result r = run("--render-frames \"" + folder.string() +
                             "\" --frames 6 --every 4 --size 160x120 --seed 5 --no-write",
                         240000);
    ASSERT_EQ(r.exitCode, 0u) << r.out;
    EXPECT_FALSE(std::filesystem::exists(folder)) << "nothing is written";
    const std::size_t at = r.out.find("emberhold: ");
    ASSERT_NE(at, std::string::npos) << r.out;
    int drawn = -1;
    double seconds = -1.0, rate = -1.0;
    ASSERT_EQ(std::sscanf(r.out.c_str() + at, "emberhold: %d frames in %lf s: %lf frames/s",
                          &drawn, &seconds, &rate),
              3)
        << r.out;
    EXPECT_EQ(drawn, 6) << "every frame is drawn, not only every 4th";
    EXPECT_GT(seconds, 0.0);
    EXPECT_NEAR(rate, drawn / seconds, 0.01 * rate + 0.01);
}

}  // namespace

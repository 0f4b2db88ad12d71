// The executable as a user runs it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <array>
#include <filesystem>
#include <cstdio>
#include <string>

#include "shell/temp_dir.h"

namespace {

struct Result {
    int exitCode = -1;
    std::string out;
};

Result run(const std::string& args, const std::string& env = "") {
    std::string cmd = env + " " EMBERHOLD_EXE " " + args + " 2>&1";
    Result r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    while (std::size_t n = fread(buf.data(), 1, buf.size(), p)) r.out.append(buf.data(), n);
    int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class ProgramTest : public ::testing::Test {
protected:
    eh::testing::TempDir dir;
    std::string env() const {
        return "EMBERHOLD_NO_MESSAGE_BOXES=1 XDG_CONFIG_HOME=" + dir.path() +
               " XDG_RUNTIME_DIR=" + dir.path();
    }
};

TEST_F(ProgramTest, HelpAndVersion) {
    Result help = run("--help", env());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("/s"), std::string::npos);
    EXPECT_NE(help.out.find("--print-settings"), std::string::npos);
    Result version = run("--version", env());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("emberhold ", 0), 0u);
    EXPECT_EQ(run("--no-such-option", env()).exitCode, 1);
}

TEST_F(ProgramTest, PrintSettingsShowsDefaultsThenStoredValues) {
    Result fresh = run("--print-settings", env());
    ASSERT_EQ(fresh.exitCode, 0);
    EXPECT_NE(fresh.out.find("ShowFPS = false\nExitOnMouseMove = false\nShowTime = true\n"),
              std::string::npos)
        << fresh.out;
    EXPECT_NE(fresh.out.find("GmCntrl = 100\nUPS = true\n"), std::string::npos) << fresh.out;

    std::string conf = dir.file("kestrelle/emberhold-3d-screensaver.conf");
    eh::testing::TempDir::write(conf,
        "[Software\\Kestrelle\\Emberhold 3D Screensaver]\nMusicVolume=5\nUPS=1\nShowFPS=2\n");
    Result stored = run("--print-settings", env());
    EXPECT_NE(stored.out.find("ShowFPS = true\n"), std::string::npos) << stored.out;
    EXPECT_NE(stored.out.find("MusicVolume = 5\n"), std::string::npos) << stored.out;
    EXPECT_NE(stored.out.find("UPS = false\n"), std::string::npos) << stored.out;
}

TEST_F(ProgramTest, PrintSettingsLeavesTheFileAloneAndShowsClampedValues) {
    std::string conf = dir.file("kestrelle/emberhold-3d-screensaver.conf");
    std::filesystem::create_directories(dir.file("kestrelle"));
    const char bytes[] = "\x89\x00\xFF\xFE binary\n\x01[x\n=\n\x00\x7F";
    const std::string garbage(bytes, sizeof bytes - 1);
    eh::testing::TempDir::write(conf, garbage);
    ASSERT_EQ(chmod(conf.c_str(), 0644), 0);
    Result r = run("--print-settings", env());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("GmCntrl = 100\n"), std::string::npos) << r.out;
    EXPECT_EQ(eh::testing::TempDir::read(conf), garbage);
    struct stat st {};
    ASSERT_EQ(stat(conf.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);

    eh::testing::TempDir::write(conf,
        "[Software\\Kestrelle\\Emberhold 3D Screensaver]\nBitCount=7\nHeight=99999999\n"
        "FSAA=999\nMusicVolume=4294967291\nGmCntrl=256\nWidth=1024\n");
    const std::string stored = eh::testing::TempDir::read(conf);
    r = run("--print-settings", env());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("MusicVolume = 1\nWidth = 1024\nHeight = 600\nBitCount = 32\n"
                         "FSAA = 0\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("GmCntrl = 200\n"), std::string::npos) << r.out;
    EXPECT_EQ(eh::testing::TempDir::read(conf), stored);
}

TEST_F(ProgramTest, ResourcesListTheTextResources) {
    Result r = run("--resources", env());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("CustomData      482"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("CustomData      495"), std::string::npos) << r.out;
}

// Without a display the hosted run gets as far as looking for the host's window and stops
// there; what matters is what it made of the options on its way.
TEST_F(ProgramTest, UnknownOptionsEndAPlainRunButAreIgnoredUnderAHost) {
    for (const char* option : {"--no-such-option", "-no-such-option"}) {
        Result plain = run(option, "env -u XSCREENSAVER_WINDOW " + env());
        EXPECT_EQ(plain.exitCode, 1) << option;
        EXPECT_NE(plain.out.find(std::string("unknown option ") + option + " (see --help)"),
                  std::string::npos)
            << plain.out;
    }
    const std::string hosted = "env -u DISPLAY " + env() +
                               " XSCREENSAVER_WINDOW=0x1 SDL_AUDIODRIVER=dummy";
    for (const char* line : {"--root --no-such-option", "-root -no-such-option",
                             "--no-such-option"}) {
        Result r = run(line, hosted);
        EXPECT_NE(r.out.find("ignoring unknown option"), std::string::npos) << line << r.out;
        EXPECT_EQ(r.out.find("see --help"), std::string::npos) << line << r.out;
        EXPECT_NE(r.out.find("no window to run in"), std::string::npos) << line << r.out;
    }
    // XScreenSaver 6 writes the hack's -root as --root.
    Result doubleDash = run("--root -fps", hosted);
    EXPECT_EQ(doubleDash.out.find("unknown option"), std::string::npos) << doubleDash.out;
    EXPECT_NE(doubleDash.out.find("no window to run in"), std::string::npos) << doubleDash.out;
}

TEST_F(ProgramTest, BadWindowIdIsRefused) {
    Result r = run("-root --window-id nowhere", env());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("window id"), std::string::npos) << r.out;
}

TEST_F(ProgramTest, PasswordModeEndsQuietly) {
    Result r = run("/a 12", env());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.empty()) << r.out;
}

}  // namespace

#include "shell/settings_store.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/os/message_box.h"
#include "platform/os/registry.h"
#include "shell/temp_dir.h"

namespace eh::shell {
namespace {

const char kHeader[] = "[Software\\Kestrelle\\Emberhold 3D Screensaver]\n";

SaverSettings shippedDefaults() {
    SaverSettings s;
    s.ShowFPS = false;
    s.ExitOnMouseMove = false;
    s.ShowTime = true;
    s.Music = true;
    s.SFX = true;
    s.MusicVolume = 70;
    s.Width = 800;
    s.Height = 600;
    s.BitCount = 32;
    s.FSAA = 0;
    s.UseDesktopSettings = true;
    s.DigClock_24H = true;
    s.GmCntrl = 100;
    return s;
}

bool same(const SaverSettings& a, const SaverSettings& b) {
    return a.ShowFPS == b.ShowFPS && a.ExitOnMouseMove == b.ExitOnMouseMove &&
           a.ShowTime == b.ShowTime && a.Music == b.Music && a.SFX == b.SFX &&
           a.MusicVolume == b.MusicVolume && a.Width == b.Width && a.Height == b.Height &&
           a.BitCount == b.BitCount && a.FSAA == b.FSAA &&
           a.UseDesktopSettings == b.UseDesktopSettings && a.DigClock_24H == b.DigClock_24H &&
           a.GmCntrl == b.GmCntrl;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::string path = dir.file("kestrelle/emberhold-3d-screensaver.conf");
};

TEST_F(SettingsStoreTest, FreshUserKeepsDefaultsAndCreatesTheKey) {
    SaverSettings s = shippedDefaults();
    ReadSettings(s, path);
    EXPECT_TRUE(same(s, shippedDefaults()));
    EXPECT_EQ(testing::TempDir::read(path), kHeader);
}

TEST_F(SettingsStoreTest, WriteThenReadRoundTripsEveryField) {
    SaverSettings w = shippedDefaults();
    w.ShowFPS = true;
    w.Music = false;
    w.MusicVolume = 33;
    w.Width = 1024;
    w.Height = 768;
    w.BitCount = 16;
    w.FSAA = 4;
    w.UseDesktopSettings = false;
    w.DigClock_24H = false;
    w.GmCntrl = 150;
    WriteSettings(w, path);
    SaverSettings r = shippedDefaults();
    ReadSettings(r, path);
    EXPECT_TRUE(same(r, w));
    std::string file = testing::TempDir::read(path);
    EXPECT_NE(file.find("ShowFPS=2\n"), std::string::npos);
    EXPECT_NE(file.find("Music=1\n"), std::string::npos);
    EXPECT_NE(file.find("GmCntrl=150\n"), std::string::npos);
}

TEST_F(SettingsStoreTest, BooleansOtherThanTwoOrOneAreIgnored) {
    std::filesystem::create_directories(dir.file("kestrelle"));
    testing::TempDir::write(path, std::string(kHeader) + "ShowFPS=0\nShowTime=3\nMusic=1\nSFX=2\n");
    SaverSettings s = shippedDefaults();
    ReadSettings(s, path);
    EXPECT_FALSE(s.ShowFPS);  // 0: default kept
    EXPECT_TRUE(s.ShowTime);  // 3: default kept
    EXPECT_FALSE(s.Music);
    EXPECT_TRUE(s.SFX);
}

TEST_F(SettingsStoreTest, ZeroNumbersKeepTheDefaultAndGammaTakesTheLowByte) {
    std::filesystem::create_directories(dir.file("kestrelle"));
    testing::TempDir::write(path, std::string(kHeader) + "FSAA=0\nWidth=0\nGmCntrl=300\n");
    SaverSettings s = shippedDefaults();
    s.FSAA = 2;
    ReadSettings(s, path);
    EXPECT_EQ(s.FSAA, 2);
    EXPECT_EQ(s.Width, 800);
    EXPECT_EQ(s.GmCntrl, 300 & 0xFF);
}

TEST_F(SettingsStoreTest, DamagedFileReadsAsNotStoredAndKeepsForeignLines) {
    std::filesystem::create_directories(dir.file("kestrelle"));
    std::string garbage = "[Other]\nKeep=me\n" + std::string(kHeader) +
                          "Width=abc\nHeight=-5\nBitCount=99999999999\n\x01\x02\xFF\xFE\n" +
                          "=5\nMusicVolume = 42 \n" + std::string(10000, 'x') + "\nFSAA=4\n";
    testing::TempDir::write(path, garbage);
    SaverSettings s = shippedDefaults();
    ReadSettings(s, path);
    EXPECT_EQ(s.Width, 800);
    EXPECT_EQ(s.Height, 600);
    EXPECT_EQ(s.BitCount, 32);
    EXPECT_EQ(s.MusicVolume, 42);
    EXPECT_EQ(s.FSAA, 4);

    WriteSettings(s, path);
    std::string after = testing::TempDir::read(path);
    EXPECT_NE(after.find("[Other]\nKeep=me\n"), std::string::npos);
    EXPECT_NE(after.find("Width=800\n"), std::string::npos);
    // The value written replaces the unparsable one only where it is set; the garbage line
    // itself stays (nothing the user wrote is lost).
    EXPECT_NE(after.find("Width=abc\n"), std::string::npos);
    SaverSettings again = shippedDefaults();
    again.Width = 1;
    ReadSettings(again, path);
    EXPECT_EQ(again.Width, 800);
}

TEST_F(SettingsStoreTest, ExtraSettingReadsWritesAndIgnoresOtherValues) {
    bool extra = true;
    ReadExtraSetting(extra, path);
    EXPECT_TRUE(extra);
    WriteExtraSetting(false, path);
    extra = true;
    ReadExtraSetting(extra, path);
    EXPECT_FALSE(extra);
    EXPECT_NE(testing::TempDir::read(path).find("UPS=1\n"), std::string::npos);
}

TEST_F(SettingsStoreTest, UnwritableFolderFailsSilentlyWithDefaults) {
    std::filesystem::create_directories(dir.file("ro"));
    std::filesystem::permissions(dir.file("ro"), std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::owner_exec);
    if (access(dir.file("ro").c_str(), W_OK) == 0) GTEST_SKIP() << "running with root rights";
    SaverSettings s = shippedDefaults();
    ReadSettings(s, dir.file("ro/settings.conf"));
    WriteSettings(s, dir.file("ro/settings.conf"));
    EXPECT_TRUE(same(s, shippedDefaults()));
}

TEST_F(SettingsStoreTest, WritesAreAtomicUnderConcurrentKills) {
    // A writer child is killed at random moments while rewriting the file; every state a
    // reader sees is a whole file: either the old settings or the new ones.
    SaverSettings a = shippedDefaults();
    a.MusicVolume = 11;
    WriteSettings(a, path);
    for (int round = 0; round < 20; ++round) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            SaverSettings b = shippedDefaults();
            for (int i = 0;; ++i) {
                b.MusicVolume = 11 + (i % 2) * 11;
                WriteSettings(b, path);
            }
        }
        usleep(1000 + round * 500);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        SaverSettings r = shippedDefaults();
        r.MusicVolume = -1;
        ReadSettings(r, path);
        EXPECT_TRUE(r.MusicVolume == 11 || r.MusicVolume == 22) << r.MusicVolume;
        std::string file = testing::TempDir::read(path);
        EXPECT_EQ(file.rfind(kHeader, 0), 0u);
        EXPECT_NE(file.find("MusicVolume="), std::string::npos);
    }
}

TEST(DefaultRecord, ReadsEveryKeyIntoItsField) {
    std::string text =
        "ShowFPS=true\r\nExitOnMouseMove=true\r\nShowTime=false\r\nMusic=false\r\nSFX=false\r\n"
        "MusicVolume=12\r\nMW=1280\r\nMH=1024\r\nMBitCount=16\r\nFSAA=4\r\nUseDktpSet=false\r\n"
        "DigClock_24H=false\r\nGammControl=356\r\nPS_Fire=false\r\n";
    config::DefaultSettings d;
    d.Parse(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    SaverSettings r;
    bool extra = true;
    BuildDefaultRecord(d, &r, &extra);
    EXPECT_FALSE(extra);
    EXPECT_TRUE(r.ShowFPS);
    EXPECT_TRUE(r.ExitOnMouseMove);
    EXPECT_FALSE(r.ShowTime);
    EXPECT_EQ(r.MusicVolume, 12);
    EXPECT_EQ(r.Width, 1280);
    EXPECT_EQ(r.Height, 1024);
    EXPECT_EQ(r.BitCount, 16);
    EXPECT_EQ(r.FSAA, 4);
    EXPECT_FALSE(r.UseDesktopSettings);
    EXPECT_FALSE(r.DigClock_24H);
    EXPECT_EQ(r.GmCntrl, 356 & 0xFF);
}

TEST(DefaultRecord, MissingKeysReadAsZeroAfterTheirBoxes) {
    int boxes = 0;
    os::ScopedMessageBoxHandler count([&](const os::MessageBoxCall&) { return ++boxes, IDOK; });
    config::DefaultSettings empty;
    SaverSettings r;
    r.Width = 5;
    bool extra = true;
    BuildDefaultRecord(empty, &r, &extra);
    EXPECT_EQ(boxes, 14);
    EXPECT_EQ(r.Width, 0);
    EXPECT_FALSE(extra);
}

}  // namespace
}  // namespace eh::shell

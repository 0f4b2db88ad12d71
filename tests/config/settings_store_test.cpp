#include "config/settings_store.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/os/message_box.h"
#include "platform/os/registry.h"
#include "shell/temp_dir.h"

namespace eh::config {
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

TEST_F(SettingsStoreTest, ZeroNumbersKeepTheDefaultAndGammaIsTakenWhole) {
    std::filesystem::create_directories(dir.file("kestrelle"));
    testing::TempDir::write(path, std::string(kHeader) + "FSAA=0\nWidth=0\nGmCntrl=300\n");
    SaverSettings s = shippedDefaults();
    s.FSAA = 2;
    ReadSettings(s, path);
    EXPECT_EQ(s.FSAA, 2);
    EXPECT_EQ(s.Width, 800);
    EXPECT_EQ(s.GmCntrl, 200);  // clamped as a whole, not its low byte (44)
}

TEST_F(SettingsStoreTest, GammaPastAByteClampsToTheDialogsTop) {
    // A hand-edited gamma above 255 once kept only its low byte: 266 became 10% and the
    // screen nearly black, 256 read as not stored. The whole number is clamped now.
    std::filesystem::create_directories(dir.file("kestrelle"));
    struct Case {
        const char* stored;
        int gamma;
    };
    // A DWORD past 2^31 is a negative number, as for the volume: the low end.
    for (Case c : {Case{"256", 200}, Case{"257", 200}, Case{"266", 200}, Case{"300", 200},
                   Case{"511", 200}, Case{"65636", 200}, Case{"4294967295", 10}}) {
        SCOPED_TRACE(c.stored);
        testing::TempDir::write(path, std::string(kHeader) + "GmCntrl=" + c.stored + "\n");
        SaverSettings s = shippedDefaults();
        ReadSettings(s, path);
        EXPECT_EQ(s.GmCntrl, c.gamma);
    }
}

TEST_F(SettingsStoreTest, AFreshFileHoldsEveryValueInItsFixedOrder) {
    // The bytes a first OK of the dialog has always written; other tools may read them.
    SaverSettings s = shippedDefaults();
    s.FSAA = 4;
    WriteSettings(s, path);
    WriteExtraSetting(true, path);
    EXPECT_EQ(testing::TempDir::read(path),
              std::string(kHeader) +
                  "ShowFPS=1\nDigClock_24H=2\nShowTime=2\nExitOnMouseMove=1\nSFX=2\nMusic=2\n"
                  "UseDesktopSettings=2\nGmCntrl=100\nHeight=600\nWidth=800\nBitCount=32\n"
                  "FSAA=4\nMusicVolume=70\nUPS=2\n");
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

// What a reader must leave alone: the bytes, the mode and the inode of the file.
struct FileState {
    std::string bytes;
    mode_t mode = 0;
    ino_t inode = 0;
};

FileState stateOf(const std::string& file) {
    struct stat st {};
    EXPECT_EQ(lstat(file.c_str(), &st), 0) << file;
    return {testing::TempDir::read(file), st.st_mode, st.st_ino};
}

void expectUnchanged(const FileState& before, const std::string& file) {
    const FileState after = stateOf(file);
    EXPECT_EQ(after.bytes, before.bytes) << "contents changed";
    EXPECT_EQ(after.mode, before.mode) << std::oct << "mode " << before.mode << " became "
                                       << after.mode;
    EXPECT_EQ(after.inode, before.inode) << "file replaced";
}

std::string entriesOf(const std::string& folder) {
    std::string names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names += e.path().filename().string() + " ";
    return names;
}

TEST_F(SettingsStoreTest, ReadingNeverRewritesAnExistingFile) {
    std::filesystem::create_directories(dir.file("kestrelle"));
    const char bytes[] = "\x7F" "ELF\x02\x01\x00\xFF[\xFE]\n\x00\x00=\x01\r\n";
    const std::string garbage(bytes, sizeof bytes - 1);
    const std::string cases[] = {
        garbage,
        "[Other]\nKeep=me\n",  // another program's section only: ours is not added
        std::string(kHeader) + "ShowFPS=2\nHeight=99999999\n",
        "",
    };
    for (const std::string& contents : cases) {
        SCOPED_TRACE(::testing::PrintToString(contents));
        testing::TempDir::write(path, contents);
        ASSERT_EQ(chmod(path.c_str(), 0644), 0);
        const FileState before = stateOf(path);
        SaverSettings s = shippedDefaults();
        ReadSettings(s, path);
        bool extra = true;
        ReadExtraSetting(extra, path);
        expectUnchanged(before, path);
        EXPECT_EQ(entriesOf(dir.file("kestrelle")), "emberhold-3d-screensaver.conf ");
    }
}

TEST_F(SettingsStoreTest, WritingKeepsTheFilesModeAndForeignSections) {
    std::filesystem::create_directories(dir.file("kestrelle"));
    for (mode_t mode : {0644, 0640, 0600, 0444}) {
        SCOPED_TRACE(mode);
        testing::TempDir::write(path, "[Other]\nKeep=me\n");
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        SaverSettings s = shippedDefaults();
        s.MusicVolume = 64;
        WriteSettings(s, path);
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        const std::string after = testing::TempDir::read(path);
        EXPECT_EQ(after.rfind("[Other]\nKeep=me\n" + std::string(kHeader), 0), 0u) << after;
        EXPECT_NE(after.find("MusicVolume=64\n"), std::string::npos) << after;
    }
}

TEST_F(SettingsStoreTest, WritingThroughASymbolicLinkReplacesItsTarget) {
    // Absolute and relative link texts, a chain of two links, and a link whose target does
    // not exist yet (a dotfile manager that links before the program first writes).
    std::filesystem::create_directories(dir.file("kestrelle"));
    std::filesystem::create_directories(dir.file("dotfiles/sub"));
    struct Case {
        const char* name;
        std::string linkText;
        std::string target;
        bool exists;
    };
    const Case cases[] = {
        {"absolute", dir.file("dotfiles/a.conf"), dir.file("dotfiles/a.conf"), true},
        {"relative", "../dotfiles/sub/b.conf", dir.file("dotfiles/sub/b.conf"), true},
        {"dangling", "../dotfiles/c.conf", dir.file("dotfiles/c.conf"), false},
        {"chain", "../dotfiles/hop.conf", dir.file("dotfiles/sub/b.conf"), true},
    };
    std::filesystem::create_symlink("sub/b.conf", dir.file("dotfiles/hop.conf"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path);
        if (c.exists) {
            testing::TempDir::write(c.target, "[Other]\nKeep=me\n");
            ASSERT_EQ(chmod(c.target.c_str(), 0644), 0);
        }
        std::filesystem::create_symlink(c.linkText, path);
        SaverSettings s = shippedDefaults();
        s.Width = 1280;
        WriteSettings(s, path);
        ASSERT_TRUE(std::filesystem::is_symlink(path)) << "the link became a regular file";
        EXPECT_EQ(std::filesystem::read_symlink(path).string(), c.linkText);
        const std::string target = testing::TempDir::read(c.target);
        EXPECT_NE(target.find("Width=1280\n"), std::string::npos) << target;
        if (c.exists) {
            EXPECT_EQ(target.rfind("[Other]\nKeep=me\n", 0), 0u) << target;
            struct stat st {};
            ASSERT_EQ(stat(c.target.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0644u);
        }
        SaverSettings r = shippedDefaults();
        ReadSettings(r, path);
        EXPECT_EQ(r.Width, 1280);
    }
    EXPECT_EQ(entriesOf(dir.file("dotfiles")).find(".tmp."), std::string::npos)
        << entriesOf(dir.file("dotfiles"));
}

TEST_F(SettingsStoreTest, OutOfRangeValuesAreClampedOrIgnored) {
    std::filesystem::create_directories(dir.file("kestrelle"));
    struct Case {
        const char* stored;
        SaverSettings expected;
    };
    auto with = [](auto change) {
        SaverSettings s = shippedDefaults();
        change(s);
        return s;
    };
    const Case cases[] = {
        // Kept as stored at the edges of what the dialog offers.
        {"MusicVolume=1\nGmCntrl=10\nFSAA=2\nWidth=16384\nHeight=1\nBitCount=16\n",
         with([](SaverSettings& s) {
             s.MusicVolume = 1, s.GmCntrl = 10, s.FSAA = 2, s.Width = 16384, s.Height = 1;
             s.BitCount = 16;
         })},
        {"MusicVolume=100\nGmCntrl=200\nFSAA=16\n",
         with([](SaverSettings& s) { s.MusicVolume = 100, s.GmCntrl = 200, s.FSAA = 16; })},
        // Volume and gamma clamp to the slider's ends; -5 is stored as its DWORD.
        {"MusicVolume=4294967291\nGmCntrl=9\n",
         with([](SaverSettings& s) { s.MusicVolume = 1, s.GmCntrl = 10; })},
        {"MusicVolume=101\nGmCntrl=201\n",
         with([](SaverSettings& s) { s.MusicVolume = 100, s.GmCntrl = 200; })},
        {"MusicVolume=2147483648\nGmCntrl=255\n",
         with([](SaverSettings& s) { s.MusicVolume = 1, s.GmCntrl = 200; })},
        // Gamma 256 is past a byte: clamped whole to the top, never a black screen.
        {"GmCntrl=256\n", with([](SaverSettings& s) { s.GmCntrl = 200; })},
        // Sizes, depths and multisample types outside what can exist are ignored.
        {"BitCount=7\nHeight=99999999\nWidth=16385\nFSAA=999\n", shippedDefaults()},
        {"BitCount=24\nHeight=4294967295\nFSAA=1\n", shippedDefaults()},
        {"FSAA=17\nBitCount=4294967280\n", shippedDefaults()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        testing::TempDir::write(path, std::string(kHeader) + c.stored);
        SaverSettings s = shippedDefaults();
        ReadSettings(s, path);
        EXPECT_EQ(s.MusicVolume, c.expected.MusicVolume);
        EXPECT_EQ(s.GmCntrl, c.expected.GmCntrl);
        EXPECT_EQ(s.FSAA, c.expected.FSAA);
        EXPECT_EQ(s.Width, c.expected.Width);
        EXPECT_EQ(s.Height, c.expected.Height);
        EXPECT_EQ(s.BitCount, c.expected.BitCount);
        EXPECT_TRUE(same(s, c.expected));
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
}  // namespace eh::config

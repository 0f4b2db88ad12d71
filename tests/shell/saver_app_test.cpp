#include "shell/scene_app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/os/desktop_gamma.h"
#include "platform/os/message_box.h"
#include "platform/os/messages.h"
#include "shell/program_options.h"
#include "shell/temp_dir.h"
#include "support/fake_direct3d.h"

namespace eh::shell {
namespace {

// The concrete saver with the start-up state these tests look at opened up (it is not
// public), started from a command line the way main starts it.
class StartProbe : public SceneApp {
  public:
    using SaverApp::Hosted;
    using SaverApp::Initialize;
    using SaverApp::LoggingSwitch;
    using SaverApp::Mode;
    using SaverApp::ParentWindow;
    using SaverApp::RestoreDefaults;
    using SaverApp::RunAllowed;
    using SaverApp::SetInstanceLockPath;
    using SaverApp::SetSettingsPath;

    // `line` is a whole command line, program name first; a `hostWindow` other than 0
    // stands for the window XScreenSaver chose.
    void Initialize(HINSTANCE instance, const char* line, std::uintptr_t hostWindow = 0) {
        std::istringstream words(line);
        std::vector<std::string> args;
        std::string word;
        words >> word;  // the program name
        while (words >> word) args.push_back(word);
        std::optional<std::uintptr_t> host;
        if (hostWindow != 0) host = hostWindow;
        SaverApp::Initialize(instance, StartOptionsOf(ParseProgramOptions(args), host));
    }
};

// One adapter with one usable mode: enough for start-up to go on.
IDirect3D8* FakeDirect3DCreate(UINT) {
    auto* d3d = new testing::FakeDirect3D;
    testing::FakeAdapter adapter;
    adapter.modes = {testing::Mode(800, 600, D3DFMT_X8R8G8B8)};
    d3d->adapters = {adapter};
    d3d->deleteOnRelease = true;
    return d3d;
}

// Runs each case in a temporary current directory so log files land there.
class SaverAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        unsetenv("EMBERHOLD_LOG");
        // No real windows in unit tests: SDL's dummy driver refuses OpenGL windows, so the
        // saver modes start without one.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        unsetenv("EMBERHOLD_LOG");
        unsetenv("SDL_VIDEODRIVER");
    }
    void prepare(StartProbe& app) {
        app.SetSettingsPath(dir.file("settings.conf"));
        app.SetInstanceLockPath(dir.file("instance.lock"));
        app.SetDirect3DFactory(&FakeDirect3DCreate);
    }

    testing::TempDir dir;
    std::filesystem::path previous_;
    os::ScopedMessageBoxHandler noBoxes{[](const os::MessageBoxCall&) { return IDOK; }};
};

TEST_F(SaverAppTest, ConstructionTakesTheShippedDefaults) {
    StartProbe app;
    EXPECT_EQ(SaverApp::Instance(), &app);
    EXPECT_EQ(app.Settings().MusicVolume, 70);
    EXPECT_EQ(app.Settings().GmCntrl, 100);
    EXPECT_TRUE(app.Settings().UseDesktopSettings);
    EXPECT_TRUE(app.ExtraSetting());
}

TEST_F(SaverAppTest, LoggingIsOffUnlessAskedForAndNamedByMode) {
    {
        StartProbe app;
        prepare(app);
        app.Initialize(nullptr, "emberhold /s");
        EXPECT_FALSE(app.LoggingSwitch());
        EXPECT_FALSE(std::filesystem::exists(dir.file("Saver_Log.txt")));
    }
    setenv("EMBERHOLD_LOG", "1", 1);
    {
        StartProbe app;
        prepare(app);
        app.Initialize(nullptr, "emberhold /c");
        EXPECT_TRUE(app.Log().IsOpen());
        EXPECT_TRUE(std::filesystem::exists(dir.file("Config_Log.txt")));
    }
    {
        StartProbe app;
        prepare(app);
        app.Initialize(nullptr, "emberhold /t");
        EXPECT_TRUE(std::filesystem::exists(dir.file("Saver_Log.txt")));
    }
    {
        std::filesystem::remove(dir.file("Saver_Log.txt"));
        std::filesystem::remove(dir.file("Config_Log.txt"));
        StartProbe app;
        prepare(app);
        app.Initialize(nullptr, "emberhold /a 5");
        EXPECT_FALSE(app.Log().IsOpen());
        EXPECT_FALSE(std::filesystem::exists(dir.file("Saver_Log.txt")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("Config_Log.txt")));
    }
}

TEST_F(SaverAppTest, SecondCopyIsRefusedSilentlyInEveryMode) {
    StartProbe first;
    prepare(first);
    first.Initialize(nullptr, "emberhold /s");
    ASSERT_TRUE(first.RunAllowed());
    for (const char* line : {"emberhold /s", "emberhold /c", "emberhold /p 5", "emberhold"}) {
        StartProbe second;
        prepare(second);
        second.Initialize(nullptr, line);
        EXPECT_FALSE(second.RunAllowed()) << line;
        EXPECT_EQ(second.Execute(), 0) << line;
    }
}

// Starts `line` the way main does: hosted runs get the host's window and run as /s.
// Returns whether start-up let the run go on.
bool starts(StartProbe& app, const char* line, std::uintptr_t hostWindow = 0) {
    app.Initialize(nullptr, line, hostWindow);
    return app.RunAllowed();
}

TEST_F(SaverAppTest, PreviewNeverKeepsTheDialogFromOpening) {
    StartProbe preview;
    prepare(preview);
    ASSERT_TRUE(starts(preview, "emberhold /p 5"));
    StartProbe dialog;
    prepare(dialog);
    EXPECT_TRUE(starts(dialog, "emberhold /c")) << "the preview must not hold the lock";
    // The open dialog in turn refuses a new preview, as it refuses any other copy.
    StartProbe secondPreview;
    prepare(secondPreview);
    EXPECT_FALSE(starts(secondPreview, "emberhold /p 6"));
    EXPECT_EQ(secondPreview.Execute(), 0);
}

TEST_F(SaverAppTest, HostedRunNeverKeepsTheDialogOrAnotherScreenFromStarting) {
    StartProbe hosted;
    prepare(hosted);
    ASSERT_TRUE(starts(hosted, "emberhold /s", 0x400022));
    EXPECT_TRUE(hosted.Hosted());
    // XScreenSaver starts one copy per screen.
    StartProbe otherScreen;
    prepare(otherScreen);
    EXPECT_TRUE(starts(otherScreen, "emberhold /s", 0x400044));
    StartProbe dialog;
    prepare(dialog);
    EXPECT_TRUE(starts(dialog, "emberhold /c"));
    StartProbe lateHosted;
    prepare(lateHosted);
    EXPECT_FALSE(starts(lateHosted, "emberhold /s", 0x400066)) << "the dialog holds it now";
}

TEST_F(SaverAppTest, DialogRefusesAPreviewUntilItCloses) {
    {
        StartProbe dialog;
        prepare(dialog);
        ASSERT_TRUE(starts(dialog, "emberhold /c"));
        StartProbe preview;
        prepare(preview);
        EXPECT_FALSE(starts(preview, "emberhold /p 5"));
        EXPECT_EQ(preview.Execute(), 0);
    }
    StartProbe preview;
    prepare(preview);
    EXPECT_TRUE(starts(preview, "emberhold /p 5")) << "the closed dialog left no lock behind";
}

TEST_F(SaverAppTest, FullScreenAndTestRunsRefuseEveryLaterCopy) {
    for (const char* holderLine : {"emberhold /s", "emberhold /t"}) {
        StartProbe holder;
        prepare(holder);
        ASSERT_TRUE(starts(holder, holderLine)) << holderLine;
        struct Later {
            const char* line;
            std::uintptr_t host;
        };
        for (Later later : {Later{"emberhold /s", 0}, Later{"emberhold /t", 0},
                            Later{"emberhold /p 5", 0}, Later{"emberhold /c", 0},
                            Later{"emberhold /a 5", 0}, Later{"emberhold /s", 0x400022}}) {
            StartProbe second;
            prepare(second);
            EXPECT_FALSE(starts(second, later.line, later.host))
                << holderLine << " then " << later.line << (later.host ? " hosted" : "");
            EXPECT_EQ(second.Execute(), 0);
        }
    }
}

TEST_F(SaverAppTest, SaverModesReadStoredSettingsBeforeTheirLoop) {
    {
        StartProbe writer;
        prepare(writer);
        writer.Settings().MusicVolume = 25;
        config::WriteSettings(writer.Settings(), writer.SettingsPath());
        config::WriteExtraSetting(false, writer.SettingsPath());
    }
    StartProbe app;
    prepare(app);
    app.Initialize(nullptr, "emberhold /t");
    EXPECT_EQ(app.Mode(), RunMode::Test);
    // No window could be made (dummy video driver): the run fails after reading settings.
    EXPECT_NE(app.Execute(), 0);
    EXPECT_EQ(app.Settings().MusicVolume, 25);
    EXPECT_FALSE(app.ExtraSetting());
}

// The desktop's gamma as a display the test plays has it (on Windows the device's ramp
// reaches the display).
os::GammaRamp gDisplayRamp{};
bool readDisplayRamp(os::GammaRamp* ramp) {
    *ramp = gDisplayRamp;
    return true;
}
bool writeDisplayRamp(const os::GammaRamp& ramp) {
    gDisplayRamp = ramp;
    return true;
}

TEST_F(SaverAppTest, EveryEndOfASaverRunPutsTheDesktopsGammaBack) {
    // A run whose loop ended without Shutdown (WM_CLOSE, the host), or that never got as
    // far as its device, still ends through Execute: the kept ramp goes back there.
    os::ScopedDesktopGammaFunctions display(&readDisplayRamp, &writeDisplayRamp);
    for (const char* line : {"emberhold /t", "emberhold /s"}) {
        gDisplayRamp = os::GammaRamp{};
        gDisplayRamp.red[255] = gDisplayRamp.green[255] = gDisplayRamp.blue[255] = 60000;
        ASSERT_TRUE(os::KeepDesktopGamma());
        gDisplayRamp.red[255] = 1234;  // the saver's
        StartProbe app;
        prepare(app);
        app.Initialize(nullptr, line);
        EXPECT_NE(app.Execute(), 0) << line;  // no window here (dummy video driver)
        EXPECT_EQ(gDisplayRamp.red[255], 60000) << line;
    }
}

TEST_F(SaverAppTest, RestoreDefaultsCopiesTheDefaultRecordAndExtra) {
    StartProbe app;
    app.Settings().Width = 1;
    app.SetExtraSetting(false);
    app.RestoreDefaults();
    EXPECT_EQ(app.Settings().Width, 800);
    EXPECT_TRUE(app.ExtraSetting());
}

TEST_F(SaverAppTest, PasswordModeDoesNothingAndSucceeds) {
    StartProbe app;
    prepare(app);
    app.Initialize(nullptr, "emberhold /a 123");
    EXPECT_EQ(app.Mode(), RunMode::ChangePassword);
    EXPECT_EQ(app.ParentWindow(), 123u);
    EXPECT_EQ(app.Execute(), 0);
}

// A recording starts like a test run, but on its own terms: it neither takes the lock nor
// gives way to a copy that holds it, and its clock stands still until the run ends.
TEST_F(SaverAppTest, RecordingStartsAsATestRunOutsideTheLockOnTheManualClock) {
    StartOptions start;
    start.mode = RunMode::Config;  // not read for a recording
    start.recording = RecordingOptions{};
    start.recording->directory = dir.file("frames");
    {
        StartProbe recording;
        prepare(recording);
        recording.Initialize(nullptr, start);
        ASSERT_TRUE(recording.RunAllowed());
        EXPECT_EQ(recording.Mode(), RunMode::Test);
        EXPECT_TRUE(os::ManualClock());
        EXPECT_TRUE(std::filesystem::is_directory(dir.file("frames")));
        StartProbe saver;
        prepare(saver);
        EXPECT_TRUE(starts(saver, "emberhold /s")) << "the recording must not hold the lock";
        // No window under the dummy video driver: the run fails, and the clock runs again.
        EXPECT_EQ(recording.Execute(), 1);
        EXPECT_FALSE(os::ManualClock());
    }
    StartProbe holder;
    prepare(holder);
    ASSERT_TRUE(starts(holder, "emberhold /s"));
    StartProbe recording;
    prepare(recording);
    recording.Initialize(nullptr, start);
    EXPECT_TRUE(recording.RunAllowed()) << "a held lock must not stop a recording";
    EXPECT_EQ(recording.Execute(), 1);
    EXPECT_FALSE(os::ManualClock());
}

TEST_F(SaverAppTest, RecordingWithBadOptionsIsRefusedWithExitCodeOne) {
    using Spoil = void (*)(RecordingOptions&);
    const Spoil spoils[] = {
        [](RecordingOptions& r) { r.width = 15; },
        [](RecordingOptions& r) { r.height = 8193; },
        [](RecordingOptions& r) { r.every = 0; },
        [](RecordingOptions& r) { r.frames = -1; },
        [](RecordingOptions& r) { r.fps = 0.0f; },
    };
    for (Spoil spoil : spoils) {
        StartOptions start;
        start.recording = RecordingOptions{};
        start.recording->directory = dir.file("frames");
        spoil(*start.recording);
        StartProbe app;
        prepare(app);
        app.Initialize(nullptr, start);
        EXPECT_FALSE(app.RunAllowed());
        EXPECT_FALSE(os::ManualClock());
        EXPECT_FALSE(std::filesystem::exists(dir.file("frames")))
            << "nothing made before the check";
        EXPECT_EQ(app.Execute(), 1);
    }
}

}  // namespace
}  // namespace eh::shell

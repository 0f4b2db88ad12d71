#include "shell/scene_app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/os/message_box.h"
#include "shell/temp_dir.h"
#include "support/fake_direct3d.h"

namespace eh::shell {
namespace {

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
    void prepare(SceneApp& app) {
        app.SetSettingsPath(dir.file("settings.conf"));
        app.SetInstanceLockPath(dir.file("instance.lock"));
        app.SetDirect3DFactory(&FakeDirect3DCreate);
    }

    testing::TempDir dir;
    std::filesystem::path previous_;
    os::ScopedMessageBoxHandler noBoxes{[](const os::MessageBoxCall&) { return IDOK; }};
};

TEST_F(SaverAppTest, ConstructionTakesTheShippedDefaults) {
    SceneApp app;
    EXPECT_EQ(SaverApp::Instance(), &app);
    EXPECT_EQ(app.Settings().MusicVolume, 70);
    EXPECT_EQ(app.Settings().GmCntrl, 100);
    EXPECT_TRUE(app.Settings().UseDesktopSettings);
    EXPECT_TRUE(app.ExtraSetting());
}

TEST_F(SaverAppTest, LoggingIsOffUnlessAskedForAndNamedByMode) {
    {
        SceneApp app;
        prepare(app);
        app.Initialize(nullptr, "emberhold /s");
        EXPECT_FALSE(app.LoggingSwitch());
        EXPECT_FALSE(std::filesystem::exists(dir.file("Saver_Log.txt")));
    }
    setenv("EMBERHOLD_LOG", "1", 1);
    {
        SceneApp app;
        prepare(app);
        app.Initialize(nullptr, "emberhold /c");
        EXPECT_TRUE(app.Log().IsOpen());
        EXPECT_TRUE(std::filesystem::exists(dir.file("Config_Log.txt")));
    }
    {
        SceneApp app;
        prepare(app);
        app.Initialize(nullptr, "emberhold /t");
        EXPECT_TRUE(std::filesystem::exists(dir.file("Saver_Log.txt")));
    }
    {
        std::filesystem::remove(dir.file("Saver_Log.txt"));
        std::filesystem::remove(dir.file("Config_Log.txt"));
        SceneApp app;
        prepare(app);
        app.Initialize(nullptr, "emberhold /a 5");
        EXPECT_FALSE(app.Log().IsOpen());
        EXPECT_FALSE(std::filesystem::exists(dir.file("Saver_Log.txt")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("Config_Log.txt")));
    }
}

TEST_F(SaverAppTest, SecondCopyIsRefusedSilentlyInEveryMode) {
    SceneApp first;
    prepare(first);
    first.Initialize(nullptr, "emberhold /s");
    ASSERT_TRUE(first.RunAllowed());
    for (const char* line : {"emberhold /s", "emberhold /c", "emberhold /p 5", "emberhold"}) {
        SceneApp second;
        prepare(second);
        second.Initialize(nullptr, line);
        EXPECT_FALSE(second.RunAllowed()) << line;
        EXPECT_EQ(second.Execute(), 0) << line;
    }
}

// Starts `line` the way main does: hosted runs get the host's window and run as /s.
// Returns whether start-up let the run go on.
bool starts(SceneApp& app, const char* line, std::uintptr_t hostWindow = 0) {
    app.SetHostWindow(hostWindow);
    app.Initialize(nullptr, line);
    return app.RunAllowed();
}

TEST_F(SaverAppTest, PreviewNeverKeepsTheDialogFromOpening) {
    SceneApp preview;
    prepare(preview);
    ASSERT_TRUE(starts(preview, "emberhold /p 5"));
    SceneApp dialog;
    prepare(dialog);
    EXPECT_TRUE(starts(dialog, "emberhold /c")) << "the preview must not hold the lock";
    // The open dialog in turn refuses a new preview, as it refuses any other copy.
    SceneApp secondPreview;
    prepare(secondPreview);
    EXPECT_FALSE(starts(secondPreview, "emberhold /p 6"));
    EXPECT_EQ(secondPreview.Execute(), 0);
}

TEST_F(SaverAppTest, HostedRunNeverKeepsTheDialogOrAnotherScreenFromStarting) {
    SceneApp hosted;
    prepare(hosted);
    ASSERT_TRUE(starts(hosted, "emberhold /s", 0x400022));
    EXPECT_TRUE(hosted.Hosted());
    // XScreenSaver starts one copy per screen.
    SceneApp otherScreen;
    prepare(otherScreen);
    EXPECT_TRUE(starts(otherScreen, "emberhold /s", 0x400044));
    SceneApp dialog;
    prepare(dialog);
    EXPECT_TRUE(starts(dialog, "emberhold /c"));
    SceneApp lateHosted;
    prepare(lateHosted);
    EXPECT_FALSE(starts(lateHosted, "emberhold /s", 0x400066)) << "the dialog holds it now";
}

TEST_F(SaverAppTest, DialogRefusesAPreviewUntilItCloses) {
    {
        SceneApp dialog;
        prepare(dialog);
        ASSERT_TRUE(starts(dialog, "emberhold /c"));
        SceneApp preview;
        prepare(preview);
        EXPECT_FALSE(starts(preview, "emberhold /p 5"));
        EXPECT_EQ(preview.Execute(), 0);
    }
    SceneApp preview;
    prepare(preview);
    EXPECT_TRUE(starts(preview, "emberhold /p 5")) << "the closed dialog left no lock behind";
}

TEST_F(SaverAppTest, FullScreenAndTestRunsRefuseEveryLaterCopy) {
    for (const char* holderLine : {"emberhold /s", "emberhold /t"}) {
        SceneApp holder;
        prepare(holder);
        ASSERT_TRUE(starts(holder, holderLine)) << holderLine;
        struct Later {
            const char* line;
            std::uintptr_t host;
        };
        for (Later later : {Later{"emberhold /s", 0}, Later{"emberhold /t", 0},
                            Later{"emberhold /p 5", 0}, Later{"emberhold /c", 0},
                            Later{"emberhold /a 5", 0}, Later{"emberhold /s", 0x400022}}) {
            SceneApp second;
            prepare(second);
            EXPECT_FALSE(starts(second, later.line, later.host))
                << holderLine << " then " << later.line << (later.host ? " hosted" : "");
            EXPECT_EQ(second.Execute(), 0);
        }
    }
}

TEST_F(SaverAppTest, SaverModesReadStoredSettingsBeforeTheirLoop) {
    {
        SceneApp writer;
        prepare(writer);
        writer.Settings().MusicVolume = 25;
        config::WriteSettings(writer.Settings(), writer.SettingsPath());
        config::WriteExtraSetting(false, writer.SettingsPath());
    }
    SceneApp app;
    prepare(app);
    app.Initialize(nullptr, "emberhold /t");
    EXPECT_EQ(app.Mode(), RunMode::Test);
    // No window could be made (dummy video driver): the run fails after reading settings.
    EXPECT_NE(app.Execute(), 0);
    EXPECT_EQ(app.Settings().MusicVolume, 25);
    EXPECT_FALSE(app.ExtraSetting());
}

TEST_F(SaverAppTest, RestoreDefaultsCopiesTheDefaultRecordAndExtra) {
    SceneApp app;
    app.Settings().Width = 1;
    app.SetExtraSetting(false);
    app.RestoreDefaults();
    EXPECT_EQ(app.Settings().Width, 800);
    EXPECT_TRUE(app.ExtraSetting());
}

TEST_F(SaverAppTest, PasswordModeDoesNothingAndSucceeds) {
    SceneApp app;
    prepare(app);
    app.Initialize(nullptr, "emberhold /a 123");
    EXPECT_EQ(app.Mode(), RunMode::ChangePassword);
    EXPECT_EQ(app.ParentWindow(), 123u);
    EXPECT_EQ(app.Execute(), 0);
}

}  // namespace
}  // namespace eh::shell

// The framework's message rules, frame step and monitor table, driven by synthetic
// messages, the fake device and a fake display list (no window, no GL).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/os/desktop_gamma.h"
#include "platform/os/display.h"
#include "platform/os/message_box.h"
#include "shell/scene_app.h"
#include "shell/temp_dir.h"
#include "support/fake_device.h"

namespace eh::shell {
namespace {

using testing::FakeDevice;

// Records the hooks the framework calls, and opens the framework's steps and state (not
// public) to the tests.
class ProbeApp : public SaverApp {
  public:
    using SaverApp::AttachDeviceForTest;
    using SaverApp::Device;
    using SaverApp::EnumerateMonitors;
    using SaverApp::Fps;
    using SaverApp::FrameCount;
    using SaverApp::FrameStep;
    using SaverApp::FrontBufferParity;
    using SaverApp::MainLoop;
    using SaverApp::Monitor;
    using SaverApp::MonitorCount;
    using SaverApp::MouseMoveBudget;
    using SaverApp::PreviewWaiting;
    using SaverApp::QuitRequested;
    using SaverApp::RequestClose;
    using SaverApp::SetInstanceLockPath;
    using SaverApp::SetModeForTest;
    using SaverApp::SetSettingsPath;
    using SaverApp::StaticWindowProc;

    std::vector<std::string> calls;
    std::vector<float> elapsed;
    void StopSound() override { calls.push_back("StopSound"); }
    void ReleaseDeviceObjects() override { calls.push_back("ReleaseDeviceObjects"); }
    void InitDeviceState(IDirect3DDevice8*) override { calls.push_back("InitDeviceState"); }
    void InvalidateDeviceObjects() override { calls.push_back("Invalidate"); }
    void RestoreDeviceObjects(IDirect3DDevice8*) override { calls.push_back("Restore"); }
    void FrameMove(IDirect3DDevice8*, float ms) override {
        calls.push_back("FrameMove");
        elapsed.push_back(ms);
    }
    void RenderFrame(IDirect3DDevice8* device) override {
        calls.push_back("RenderFrame");
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
};

HWND FakeWindow() {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1000));
}

class SaverLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        os::ResetMessageQueue();
        os::SetManualClock(true, 5000);
        app.SetSettingsPath(dir.file("settings.conf"));
        app.SetInstanceLockPath(dir.file("instance.lock"));
        os::RegisterWindow(FakeWindow(), &ProbeApp::StaticWindowProc, 0);
    }
    void TearDown() override {
        os::ResetMessageQueue();
        os::SetManualClock(false);
    }
    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(FakeWindow(), message, wParam, lParam);
    }
    void attach() { app.AttachDeviceForTest(&device, D3DPRESENT_PARAMETERS{}); }

    testing::TempDir dir;
    os::ScopedMessageBoxHandler noBoxes{[](const os::MessageBoxCall&) { return IDOK; }};
    ProbeApp app;
    FakeDevice device;
};

TEST_F(SaverLoopTest, TestModeIgnoresKeysButtonsAndDeactivation) {
    app.SetModeForTest(RunMode::Test);
    attach();
    for (UINT m : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN})
        EXPECT_EQ(send(m), 0);
    EXPECT_EQ(send(WM_ACTIVATEAPP, 0), 0);
    EXPECT_FALSE(app.QuitRequested());
    EXPECT_TRUE(app.calls.empty());
    EXPECT_EQ(app.Device(), &device);
}

TEST_F(SaverLoopTest, CloseCommandOfTheTestWindowEndsTheLoopWithoutShutdown) {
    app.SetModeForTest(RunMode::Test);
    attach();
    // The window's close button: the default handling turns SC_CLOSE into WM_CLOSE.
    send(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_TRUE(app.QuitRequested());
    EXPECT_TRUE(app.calls.empty());  // no StopSound, nothing released
    EXPECT_TRUE(device.gammaSets.empty());
    EXPECT_EQ(app.Device(), &device);
}

// The system may end the process as soon as WM_ENDSESSION (TRUE) returns: the sound (and
// with it the audio library's temporary file) goes then, not when the session is only
// asked about or the end is called off; the rest stays for a shutdown that may follow.
TEST_F(SaverLoopTest, TheSessionEndingStopsTheSoundOnlyWhenItEndsForReal) {
    app.SetModeForTest(RunMode::Saver);
    attach();
    EXPECT_EQ(send(WM_QUERYENDSESSION), TRUE);
    EXPECT_TRUE(app.calls.empty());
    EXPECT_EQ(send(WM_ENDSESSION, FALSE), 0);
    EXPECT_TRUE(app.calls.empty());
    send(WM_ENDSESSION, TRUE);
    EXPECT_EQ(app.calls, std::vector<std::string>{"StopSound"});
    EXPECT_EQ(app.Device(), &device);
}

TEST_F(SaverLoopTest, SaverKeyShutsDownInOrder) {
    app.SetModeForTest(RunMode::Saver);
    attach();
    EXPECT_EQ(send(WM_KEYDOWN, 'A'), 1);
    EXPECT_TRUE(app.QuitRequested());
    ASSERT_EQ(app.calls.size(), 2u);
    EXPECT_EQ(app.calls[0], "StopSound");
    EXPECT_EQ(app.calls[1], "ReleaseDeviceObjects");
    ASSERT_EQ(device.gammaSets.size(), 1u);  // the linear ramp is back
    EXPECT_EQ(device.gammaSets[0].red[255], 65280);
    EXPECT_EQ(app.Device(), nullptr);
}

TEST_F(SaverLoopTest, MouseMovesCloseOnThe31stOnlyWhenTheSettingIsOn) {
    app.SetModeForTest(RunMode::Saver);
    app.Settings().ExitOnMouseMove = FALSE;
    for (int i = 0; i < 100; ++i) send(WM_MOUSEMOVE);
    EXPECT_FALSE(app.QuitRequested());
    EXPECT_EQ(app.MouseMoveBudget(), 30);

    app.Settings().ExitOnMouseMove = TRUE;
    for (int i = 0; i < 30; ++i) send(WM_MOUSEMOVE);
    EXPECT_FALSE(app.QuitRequested());
    EXPECT_EQ(app.MouseMoveBudget(), 0);
    EXPECT_EQ(send(WM_MOUSEMOVE), 1);
    EXPECT_TRUE(app.QuitRequested());
}

TEST_F(SaverLoopTest, SaverClosesOnDeactivationSystemCommandsAndSuspend) {
    struct Case {
        UINT message;
        WPARAM wParam;
        bool closes;
    } cases[] = {
        {WM_ACTIVATEAPP, 0, true},
        {WM_ACTIVATEAPP, 1, false},
        {WM_SYSCOMMAND, SC_SCREENSAVE, true},
        {WM_SYSCOMMAND, SC_NEXTWINDOW, true},
        {WM_SYSCOMMAND, SC_PREVWINDOW, true},
        {WM_SYSCOMMAND, SC_MINIMIZE, false},
        {WM_POWERBROADCAST, PBT_APMSUSPEND, true},
        {WM_POWERBROADCAST, 7, false},
        {WM_SYSKEYDOWN, 0, false},
    };
    for (const Case& c : cases) {
        ProbeApp fresh;
        fresh.SetModeForTest(RunMode::Saver);
        SendMessageA(FakeWindow(), c.message, c.wParam, 0);
        EXPECT_EQ(fresh.QuitRequested(), c.closes) << c.message << " " << c.wParam;
    }
}

TEST_F(SaverLoopTest, PreviewIgnoresInputAndEndsOnDestroy) {
    app.SetModeForTest(RunMode::Preview);
    app.Settings().ExitOnMouseMove = TRUE;
    for (int i = 0; i < 40; ++i) send(WM_MOUSEMOVE);
    for (UINT m : {WM_KEYDOWN, WM_LBUTTONDOWN}) send(m);
    send(WM_ACTIVATEAPP, 0);
    EXPECT_FALSE(app.QuitRequested());
    EXPECT_EQ(app.MouseMoveBudget(), 30);
    EXPECT_EQ(app.RequestClose(), 0);
    send(WM_DESTROY);
    EXPECT_TRUE(app.QuitRequested());
}

TEST_F(SaverLoopTest, PreviewStartTimerRunsHalfASecondThenStops) {
    app.SetModeForTest(RunMode::Preview);
    send(WM_USER);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    os::AdvanceManualClock(499);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    os::AdvanceManualClock(1);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, kPreviewStartTimer);
    DispatchMessageA(&msg);
    EXPECT_FALSE(app.PreviewWaiting());
    os::AdvanceManualClock(2000);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // killed by its first tick
}

TEST_F(SaverLoopTest, FpsShowsTheFramesOfThePreviousSecond) {
    app.SetModeForTest(RunMode::Test);
    attach();
    EXPECT_EQ(app.Fps(), 0);
    SetTimer(FakeWindow(), kFpsTimer, 1000, nullptr);
    for (int i = 0; i < 12; ++i) ASSERT_EQ(app.FrameStep(), S_OK);
    EXPECT_EQ(app.Fps(), 0);  // before the first tick
    os::AdvanceManualClock(1000);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&msg);
    EXPECT_EQ(app.Fps(), 12);
    EXPECT_EQ(app.FrameCount(), 0);
    app.FrameStep();
    EXPECT_EQ(app.Fps(), 12);
}

TEST_F(SaverLoopTest, FrameStepPassesElapsedMillisecondsAndFlipsParity) {
    app.SetModeForTest(RunMode::Test);
    EXPECT_EQ(app.FrameStep(), E_FAIL);  // no device
    attach();
    os::SetManualClock(true, 10000);
    app.FrameStep();  // from the construction time stamp 0: a large first step
    os::AdvanceManualClock(16);
    int parity = app.FrontBufferParity();
    ASSERT_EQ(app.FrameStep(), S_OK);
    EXPECT_FLOAT_EQ(app.elapsed.back(), 16.0f);
    EXPECT_EQ(app.FrontBufferParity(), 1 - parity);
    EXPECT_EQ(app.FrameCount(), 2);
}

// A machine that has been up for days: each frame sees the milliseconds that really
// passed, also across the 49.7-day wrap of the millisecond clock.
TEST_F(SaverLoopTest, FrameStepMeasuresEveryFrameExactlyAfterDaysOfUptime) {
    app.SetModeForTest(RunMode::Test);
    attach();
    constexpr DWORD kDay = 24u * 60 * 60 * 1000;
    const DWORD starts[] = {6 * kDay, 30 * kDay, 0xFFFFFFFFu - 400};
    for (DWORD start : starts) {
        SCOPED_TRACE(start);
        os::SetManualClock(true, start);
        app.FrameStep();  // the first step measures from the previous time stamp
        app.elapsed.clear();
        std::vector<float> expected;
        for (int frame = 0; frame < 60; ++frame) {
            DWORD step = frame % 3 == 0 ? 17 : 16;  // 60 Hz in whole milliseconds
            os::AdvanceManualClock(step);
            ASSERT_EQ(app.FrameStep(), S_OK);
            expected.push_back(static_cast<float>(step));
        }
        EXPECT_EQ(app.elapsed, expected);
    }
}

TEST_F(SaverLoopTest, LostDeviceSkipsFramesAndResetResumesWithoutATimeJump) {
    app.SetModeForTest(RunMode::Test);
    attach();
    app.FrameStep();
    app.calls.clear();
    device.cooperativeLevel = D3DERR_DEVICELOST;
    os::AdvanceManualClock(5000);  // minimised for five seconds
    EXPECT_EQ(app.FrameStep(), D3DERR_DEVICELOST);
    EXPECT_TRUE(app.calls.empty());
    device.cooperativeLevel = D3DERR_DEVICENOTRESET;
    os::AdvanceManualClock(3000);
    EXPECT_EQ(app.FrameStep(), D3DERR_DEVICENOTRESET);
    std::vector<std::string> expected = {"Invalidate", "InitDeviceState", "Restore"};
    EXPECT_EQ(app.calls, expected);
    EXPECT_EQ(device.resets, 1);
    EXPECT_EQ(app.FrontBufferParity(), 1);
    os::AdvanceManualClock(20);
    ASSERT_EQ(app.FrameStep(), S_OK);
    EXPECT_FLOAT_EQ(app.elapsed.back(), 20.0f);
}

TEST_F(SaverLoopTest, FailedResetRetriesOnTheNextStep) {
    app.SetModeForTest(RunMode::Test);
    attach();
    device.cooperativeLevel = D3DERR_DEVICENOTRESET;
    device.resetResult = D3DERR_INVALIDCALL;
    EXPECT_EQ(app.FrameStep(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(app.FrameStep(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device.resets, 2);
    device.resetResult = S_OK;
    app.FrameStep();
    EXPECT_EQ(app.FrameStep(), S_OK);
}

TEST_F(SaverLoopTest, MonitorRecordsFromTheDisplayList) {
    std::vector<os::DisplayDevice> displays;
    os::DisplayDevice primary;
    primary.adapterName = "Adapter A";
    primary.monitorName = "Monitor A";
    primary.primary = true;
    primary.bounds = RECT{0, 0, 1920, 1080};
    os::DisplayDevice mirror = primary;
    mirror.mirroring = true;
    os::DisplayDevice left;
    left.adapterName = "Adapter B";
    left.monitorName = "Monitor B";
    left.bounds = RECT{-1280, 0, 0, 1024};
    os::DisplayDevice detached;
    detached.adapterName = "Adapter C";
    detached.attached = false;
    displays = {primary, mirror, left, detached};
    for (int i = 0; i < 10; ++i) {
        os::DisplayDevice extra = left;
        extra.bounds = RECT{1920 + 800 * i, 0, 2720 + 800 * i, 600};
        displays.push_back(extra);
    }
    os::ScopedFakeDisplays fake(displays);
    app.EnumerateMonitors();
    ASSERT_EQ(app.MonitorCount(), kMaxMonitors);
    const MonitorRecord& a = app.Monitor(0);
    EXPECT_STREQ(a.adapterDescription, "Adapter A");
    EXPECT_STREQ(a.monitorDescription, "Monitor A");
    EXPECT_EQ(a.rect.left, 0);
    EXPECT_EQ(a.rect.right, 1920);
    EXPECT_NE(a.monitor, nullptr);
    const MonitorRecord& b = app.Monitor(1);  // the mirroring driver is skipped
    EXPECT_STREQ(b.adapterDescription, "Adapter B");
    EXPECT_EQ(b.rect.left, -1280);
    EXPECT_EQ(b.rect.bottom, 1024);
    EXPECT_NE(b.monitor, nullptr);
    EXPECT_NE(b.monitor, a.monitor);
    const MonitorRecord& c = app.Monitor(2);
    EXPECT_EQ(c.monitor, nullptr);  // not part of the desktop
    EXPECT_EQ(c.window, nullptr);
}

// The desktop's gamma as the framework leaves it, through display calls the test plays: on
// Windows the device's ramp reaches the display, and every way out must put the desktop's
// own ramp back after it.
struct GammaDisplay {
    os::GammaRamp current{};
    int writes = 0;
    std::size_t deviceRampsAtWrite = 0;  // the device's ramps set before the last write
    bool deviceGoneAtWrite = false;
};
GammaDisplay gGamma;
ProbeApp* gGammaApp = nullptr;
FakeDevice* gGammaDevice = nullptr;

bool readGamma(os::GammaRamp* ramp) {
    *ramp = gGamma.current;
    return true;
}
bool writeGamma(const os::GammaRamp& ramp) {
    gGamma.current = ramp;
    ++gGamma.writes;
    gGamma.deviceRampsAtWrite = gGammaDevice->gammaSets.size();
    gGamma.deviceGoneAtWrite = gGammaApp->Device() == nullptr;
    return true;
}

class SaverGammaTest : public SaverLoopTest {
  protected:
    void SetUp() override {
        SaverLoopTest::SetUp();
        gGamma = GammaDisplay{};
        for (int i = 0; i < 256; ++i)  // a desktop ramp that is not linear
            gGamma.current.red[i] = gGamma.current.green[i] = gGamma.current.blue[i] =
                static_cast<std::uint16_t>(i * 200 + 7);
        desktop = gGamma.current;
        gGammaApp = &app;
        gGammaDevice = &device;
        app.SetModeForTest(RunMode::Saver);
        attach();
        // What the device creation does first.
        ASSERT_TRUE(os::KeepDesktopGamma());
        gGamma.current = os::GammaRamp{};  // the saver's ramp on the display
    }
    bool desktopIsBack() const {
        return std::memcmp(&gGamma.current, &desktop, sizeof desktop) == 0;
    }

    os::ScopedDesktopGammaFunctions gammaCalls{&readGamma, &writeGamma};
    os::GammaRamp desktop{};
};

TEST_F(SaverGammaTest, ShutdownPutsTheDesktopsRampBackAfterTheLinearOneAndTheDevice) {
    EXPECT_EQ(send(WM_KEYDOWN, 'A'), 1);
    EXPECT_TRUE(desktopIsBack());
    EXPECT_EQ(gGamma.writes, 1);
    EXPECT_EQ(gGamma.deviceRampsAtWrite, 1u);  // after the device's linear ramp
    EXPECT_TRUE(gGamma.deviceGoneAtWrite);     // and after the device is released
}

TEST_F(SaverGammaTest, TheSessionEndingPutsTheDesktopsRampBackAndCalledOffTheSaversAgain) {
    app.Settings().GmCntrl = 150;
    // Asked whether the session may end: yes, and the desktop's ramp is back already,
    // in case the process is ended right after.
    EXPECT_EQ(send(WM_QUERYENDSESSION), TRUE);
    EXPECT_TRUE(desktopIsBack());
    EXPECT_FALSE(app.QuitRequested());
    // Called off: the saver goes on with its own ramp on the device.
    EXPECT_EQ(send(WM_ENDSESSION, FALSE), 0);
    ASSERT_EQ(device.gammaSets.size(), 1u);
    os::GammaRamp setting{};
    std::memcpy(&setting, &device.gammaSets[0], sizeof setting);
    // The ramp of 150 %, not the linear one: slope 256 - 1.5 * 50 = 181, top 65355.
    EXPECT_EQ(setting.red[255], 65355);
    EXPECT_EQ(setting.red[0], 65355 - 181 * 255);
    // Ending for real: the desktop's ramp once more, the device untouched.
    gGamma.current = os::GammaRamp{};
    send(WM_ENDSESSION, TRUE);
    EXPECT_TRUE(desktopIsBack());
    EXPECT_EQ(gGamma.writes, 2);
    EXPECT_EQ(device.gammaSets.size(), 1u);
}

TEST_F(SaverLoopTest, MainLoopEndsOnWmCloseWithoutShutdown) {
    app.SetModeForTest(RunMode::Preview);  // no device; the loop only serves messages
    PostMessageA(FakeWindow(), WM_CLOSE, 0, 0);
    app.MainLoop();
    EXPECT_TRUE(app.QuitRequested());
    EXPECT_TRUE(app.calls.empty());
}

}  // namespace
}  // namespace eh::shell

// The desktop's gamma on Windows: the service against the system's GDI, and its exit
// hooks in a process of their own (tests/platform/os/win32/gamma_exit_child_win32.cpp)
// ended by a return from main, an unhandled exception and an uncaught C++ exception.
//
// Under Wine on Xvfb the screen's ramp can be neither read nor written (no XF86VidMode):
// there the service must keep nothing, restore nothing and do no harm. Where the display
// has a ramp, the same test changes it and checks that the service puts it back.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/os/desktop_gamma.h"
#include "platform/os/win32_types.h"

namespace eh::os {
namespace {

bool screenRamp(GammaRamp* ramp) {
    HDC screen = GetDC(nullptr);
    const bool ok = screen != nullptr && GetDeviceGammaRamp(screen, ramp) != FALSE;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return ok;
}

bool setScreenRamp(GammaRamp ramp) {
    HDC screen = GetDC(nullptr);
    const bool ok = screen != nullptr && SetDeviceGammaRamp(screen, &ramp) != FALSE;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return ok;
}

TEST(DesktopGammaWin32, TheServiceKeepsAndRestoresTheScreensOwnRampOrNothing) {
    GammaRamp before{};
    const bool readable = screenRamp(&before);
    const bool kept = KeepDesktopGamma();
    EXPECT_EQ(kept, readable) << "the service and GetDeviceGammaRamp disagree";
    if (!readable) {
        std::printf(
            "the screen has no gamma ramp here (GetDeviceGammaRamp fails): "
            "nothing kept, nothing restored\n");
        EXPECT_FALSE(RestoreDesktopGamma());
        EXPECT_FALSE(RestoreDesktopGamma());
        GammaRamp after{};
        EXPECT_FALSE(screenRamp(&after));
        return;
    }
    // A display with a ramp: a darker one stands for the saver's, and the service must
    // put the desktop's back, also when asked twice.
    GammaRamp darker = before;
    for (auto* channel : {darker.red, darker.green, darker.blue})
        for (int i = 0; i < 256; ++i) channel[i] = static_cast<std::uint16_t>(channel[i] * 9 / 10);
    ASSERT_TRUE(setScreenRamp(darker));
    EXPECT_TRUE(RestoreDesktopGamma());
    EXPECT_TRUE(RestoreDesktopGamma());
    GammaRamp after{};
    ASSERT_TRUE(screenRamp(&after));
    EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
}

struct ChildRun {
    DWORD exitCode = STILL_ACTIVE;
    std::string report;
};

ChildRun runChild(const std::string& mode) {
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    const std::string report = std::string(directory) + "eh_gamma_exit_" +
                               std::to_string(GetCurrentProcessId()) + "_" + mode + ".txt";
    DeleteFileA(report.c_str());
    std::string command = "\"" EH_OS_TEST_GAMMA_EXIT_CHILD "\" " + mode + " \"" + report + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ChildRun run;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return run;
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 9);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::ifstream in(report, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    run.report = text.str();
    DeleteFileA(report.c_str());
    return run;
}

TEST(DesktopGammaWin32, AProcessThatReturnsFromMainRestoresTheKeptRampOnce) {
    const ChildRun run = runChild("exit");
    EXPECT_EQ(run.exitCode, 0u);
    // The ramp the child's display had, written back by the atexit hook.
    EXPECT_EQ(run.report, "kept\nwrite 60000\n");
}

TEST(DesktopGammaWin32, AnUnhandledExceptionRestoresFirstThenCallsTheFilterBeforeOurs) {
    const ChildRun run = runChild("crash");
    // The earlier filter decided the end: the process ends with the exception's code.
    EXPECT_EQ(run.exitCode, 0xE0474D41u);
    EXPECT_EQ(run.report, "kept\nwrite 60000\nprevious E0474D41\n");
}

TEST(DesktopGammaWin32, AnUncaughtCppExceptionRestoresFirstThenCallsTheTerminateHandlerBeforeOurs) {
    const ChildRun run = runChild("throw");
    EXPECT_EQ(run.exitCode, 7u);  // the earlier handler's end
    EXPECT_EQ(run.report, "kept\nwrite 60000\nterminate\n");
}

TEST(DesktopGammaWin32, NothingKeptArmsNothingAndWritesNothingAtExit) {
    const ChildRun run = runChild("unreadable");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.report, "not kept\n");
}

}  // namespace
}  // namespace eh::os

// The message queue, timers and clock without a display (posted messages and timers only),
// and the display list's monitor lookup.
#include <gtest/gtest.h>

#include <vector>

#include "platform/os/display.h"
#include "platform/os/messages.h"

namespace eh::os {
namespace {

std::vector<MSG> gSeen;

LRESULT Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    gSeen.push_back(MSG{window, message, wParam, lParam, 0, {}});
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND Window(std::uintptr_t n) {
    return reinterpret_cast<HWND>(n * 16);
}

class MessagesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetMessageQueue();
        SetManualClock(true, 1000);
        gSeen.clear();
        RegisterWindow(Window(1), &Record, 0);
        RegisterWindow(Window(2), &Record, 0);
    }
    void TearDown() override {
        ResetMessageQueue();
        SetDestroyWindowHook(nullptr);
        SetManualClock(false);
    }
};

TEST_F(MessagesTest, PostedMessagesComeInOrderAndFilterByWindow) {
    EXPECT_TRUE(PostMessageA(Window(1), WM_USER, 1, 0));
    EXPECT_TRUE(PostMessageA(Window(2), WM_USER, 2, 0));
    EXPECT_TRUE(PostMessageA(Window(1), WM_USER, 3, 0));
    EXPECT_FALSE(PostMessageA(Window(9), WM_USER, 4, 0));  // not a window
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, Window(2), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&msg);
    ASSERT_EQ(gSeen.size(), 1u);
    EXPECT_EQ(gSeen[0].hwnd, Window(1));
}

TEST_F(MessagesTest, TimersTickByTheClockAndCollapseMissedPeriods) {
    EXPECT_EQ(SetTimer(Window(1), 7, 1000, nullptr), 7u);
    MSG msg;
    AdvanceManualClock(999);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    AdvanceManualClock(1);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 7u);
    AdvanceManualClock(5000);  // five periods missed: one message
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    // Posted messages go before a due timer.
    AdvanceManualClock(1000);
    PostMessageA(Window(1), WM_USER, 0, 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER);
    EXPECT_TRUE(KillTimer(Window(1), 7));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(KillTimer(Window(1), 7));
    EXPECT_EQ(SetTimer(Window(9), 1, 10, nullptr), 0u);
}

TEST_F(MessagesTest, QuitEndsGetMessageAndAGoneWindowIsReported) {
    PostMessageA(Window(1), WM_USER, 0, 0);
    PostQuitMessage(3);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    UnregisterWindow(Window(2));
    EXPECT_EQ(GetMessageA(&msg, Window(2), 0, 0), -1);
    // A wait filtered to a window ends with its timer, as the manual clock moves on.
    SetTimer(Window(1), 1, 500, nullptr);
    EXPECT_EQ(GetMessageA(&msg, Window(1), 0, 0), TRUE);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_GE(timeGetTime(), 1500u);
}

HWND gDestroyed = nullptr;

TEST_F(MessagesTest, DefaultHandlingTurnsTheCloseCommandIntoCloseAndDestroy) {
    SetDestroyWindowHook([](HWND w) { gDestroyed = w; });
    SendMessageA(Window(1), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_EQ(gSeen.size(), 2u);
    EXPECT_EQ(gSeen[1].message, WM_CLOSE);
    EXPECT_EQ(gDestroyed, Window(1));
    EXPECT_EQ(DefWindowProcA(Window(1), WM_KEYDOWN, 0, 0), 0);
}

TEST_F(MessagesTest, ManualClockMovesOnlyWhenToldAndSleepReturnsAtOnce) {
    DWORD t = timeGetTime();
    Sleep(10000);
    EXPECT_EQ(timeGetTime(), t);
    AdvanceManualClock(16);
    EXPECT_EQ(timeGetTime(), t + 16);
    SetManualClock(false);
    DWORD a = timeGetTime();
    Sleep(2);
    EXPECT_GE(timeGetTime(), a + 2);
}

TEST_F(MessagesTest, RealClockStartsAtAnyValueAndCountsOnAcrossTheWrap) {
    SetManualClock(false);
    constexpr DWORD kSixDays = 6u * 24 * 60 * 60 * 1000;
    SetClockStart(kSixDays);
    DWORD a = timeGetTime();
    EXPECT_GE(a, kSixDays);
    EXPECT_LT(a - kSixDays, 1000u);
    // Ten milliseconds before the 49.7-day wrap: the clock wraps to small values and the
    // unsigned difference is still the time that passed.
    SetClockStart(0xFFFFFFFFu - 9);
    DWORD before = timeGetTime();
    Sleep(30);
    DWORD after = timeGetTime();
    EXPECT_LT(after, before);
    EXPECT_GE(after - before, 30u);
    EXPECT_LT(after - before, 1000u);
    SetClockStart(0);
}

TEST_F(MessagesTest, TimersTickAcrossTheClockWrap) {
    SetManualClock(true, 0xFFFFFFFFu - 499);
    SetTimer(Window(1), 3, 1000, nullptr);
    MSG msg;
    AdvanceManualClock(999);  // past the wrap, one millisecond early
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    AdvanceManualClock(1);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(Displays, MonitorFromRectFindsTheAttachedDisplayOfTheCentre) {
    DisplayDevice a;
    a.primary = true;
    a.bounds = RECT{0, 0, 1024, 768};
    DisplayDevice b;
    b.bounds = RECT{1024, 0, 2048, 768};
    DisplayDevice off;
    off.attached = false;
    off.bounds = RECT{0, 768, 1024, 1536};
    ScopedFakeDisplays fake({a, b, off});
    EXPECT_EQ(EnumerateDisplayDevices().size(), 3u);
    EXPECT_EQ(MonitorFromRect(RECT{0, 0, 1024, 768}), reinterpret_cast<HMONITOR>(1));
    EXPECT_EQ(MonitorFromRect(RECT{1024, 0, 2048, 768}), reinterpret_cast<HMONITOR>(2));
    EXPECT_EQ(MonitorFromRect(RECT{0, 768, 1024, 1536}), nullptr);
    EXPECT_EQ(MonitorFromRect(RECT{5000, 5000, 5100, 5100}), nullptr);
}

}  // namespace
}  // namespace eh::os

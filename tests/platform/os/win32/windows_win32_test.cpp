// The clock, offscreen and foreign windows, painting, displays and message boxes of the
// Win32 back end, against the system's windows and queue (Wine's user32 under Xvfb).
#include <gtest/gtest.h>

#include <d3d8.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/os/display.h"
#include "platform/os/library.h"
#include "platform/os/message_box.h"
#include "platform/os/messages.h"
#include "platform/os/saver_windows.h"
#include "platform/os/window.h"

namespace eh::os {
namespace {

// Runs the thread's queue until `done` holds or `ms` of real time have passed.
template <typename Done>
bool pumpUntil(Done done, DWORD ms = 2000) {
    const DWORD start = ::timeGetTime();
    while (!done()) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (done()) return true;
        if (::timeGetTime() - start > ms) return false;
        ::Sleep(1);
    }
    return true;
}

// The program's code calls timeGetTime() and Sleep() unqualified inside namespace eh, and so
// does this test: what it reads is what the saver and the recording read.
class ClockTest : public ::testing::Test {
  protected:
    void TearDown() override {
        SetManualClock(false);
        SetClockStart(::timeGetTime());
    }
};

TEST_F(ClockTest, TheProgramsClockIsTheManualOneWhileItIsOn) {
    SetManualClock(true, 1000);
    EXPECT_TRUE(ManualClock());
    const DWORD realBefore = ::timeGetTime();
    Sleep(10000);
    EXPECT_LT(::timeGetTime() - realBefore, 1000u) << "Sleep returns at once";
    EXPECT_EQ(timeGetTime(), 1000u);
    AdvanceManualClock(16);
    EXPECT_EQ(timeGetTime(), 1016u);
    SetManualClock(true, 0xFFFFFFFFu - 5);
    AdvanceManualClock(10);
    EXPECT_EQ(timeGetTime(), 4u) << "the manual clock wraps as the system's does";

    SetManualClock(false);
    EXPECT_FALSE(ManualClock());
    const DWORD a = timeGetTime();
    Sleep(20);
    const DWORD b = timeGetTime();
    EXPECT_GE(b - a, 15u) << "off again, Sleep sleeps and the clock runs";
    EXPECT_LT(b - a, 1000u);
}

TEST_F(ClockTest, TheRealClockStartsAtAnyValueAndCountsOnAcrossTheWrap) {
    constexpr DWORD kSixDays = 6u * 24 * 60 * 60 * 1000;
    SetClockStart(kSixDays);
    const DWORD a = timeGetTime();
    EXPECT_GE(a, kSixDays);
    EXPECT_LT(a - kSixDays, 1000u);
    SetClockStart(0xFFFFFFFFu - 9);
    const DWORD before = timeGetTime();
    Sleep(40);
    const DWORD after = timeGetTime();
    EXPECT_LT(after, before) << "wrapped";
    EXPECT_GE(after - before, 30u);
    EXPECT_LT(after - before, 1000u);
}

std::vector<UINT> gSeen;

LRESULT CALLBACK Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER || message == WM_TIMER || message == WM_DESTROY)
        gSeen.push_back(message == WM_USER ? WM_USER + static_cast<UINT>(wParam) : message);
    return DefWindowProcA(window, message, wParam, lParam);
}

class OffscreenWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetMessageQueue();
        gSeen.clear();
    }
    void TearDown() override { ResetMessageQueue(); }
};

TEST_F(OffscreenWindowTest, AHiddenWindowOfTheClientSizeAsked) {
    HWND window = CreateOffscreenWindow(320, 200);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right - client.left, 320);
    EXPECT_EQ(client.bottom - client.top, 200);
    HWND other = CreateOffscreenWindow(17, 9);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, window);
    ASSERT_TRUE(GetClientRect(other, &client));
    EXPECT_EQ(client.right, 17);
    EXPECT_EQ(client.bottom, 9);
    DestroyOffscreenWindow(other);
    DestroyOffscreenWindow(window);
    EXPECT_FALSE(IsWindow(window));
    DestroyOffscreenWindow(nullptr);
    EXPECT_EQ(CreateOffscreenWindow(0, 10), nullptr);
    EXPECT_EQ(CreateOffscreenWindow(10, -1), nullptr);
}

TEST_F(OffscreenWindowTest, AnAdoptedWindowGetsPostedMessagesAndTimersInOrder) {
    HWND window = CreateOffscreenWindow(64, 48);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsKnownWindow(window));
    PostMessageA(window, WM_USER, 1, 0);
    pumpUntil([] { return false; }, 50);
    EXPECT_TRUE(gSeen.empty()) << "before adoption its messages go to the default handling";

    AdoptWindow(window, &Record);
    EXPECT_TRUE(IsKnownWindow(window));
    PostMessageA(window, WM_USER, 2, 0);
    PostMessageA(window, WM_USER, 3, 0);
    ASSERT_EQ(::SetTimer(window, 5, 20, nullptr), 5u);
    ASSERT_TRUE(pumpUntil([] { return gSeen.size() >= 3; }));
    EXPECT_EQ(gSeen[0], WM_USER + 2u);
    EXPECT_EQ(gSeen[1], WM_USER + 3u);
    EXPECT_EQ(gSeen[2], static_cast<UINT>(WM_TIMER));
    ::KillTimer(window, 5);

    // Given back, the window's procedure hears nothing more, not even its destruction.
    UnregisterWindow(window);
    EXPECT_FALSE(IsKnownWindow(window));
    gSeen.clear();
    PostMessageA(window, WM_USER, 4, 0);
    pumpUntil([] { return false; }, 50);
    EXPECT_TRUE(gSeen.empty());
    AdoptWindow(window, &Record);
    DestroyOffscreenWindow(window);
    EXPECT_TRUE(gSeen.empty()) << "destroying unregisters first";
    EXPECT_FALSE(IsKnownWindow(window));
}

TEST_F(OffscreenWindowTest, ResetEmptiesTheQueueAndForgetsTheWindows) {
    HWND window = CreateOffscreenWindow(8, 8);
    ASSERT_NE(window, nullptr);
    AdoptWindow(window, &Record);
    PostMessageA(window, WM_USER, 1, 0);
    PostQuitMessage(0);
    ResetMessageQueue();
    EXPECT_FALSE(IsKnownWindow(window));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DestroyOffscreenWindow(window);
}

TEST(OffscreenDirect3D, ADeviceRendersIntoAnOffscreenWindow) {
    HWND window = CreateOffscreenWindow(64, 48);
    ASSERT_NE(window, nullptr);
    HMODULE library = LoadLibraryA("d3d8.dll");
    ASSERT_NE(library, nullptr);
    using Create = IDirect3D8*(WINAPI*)(UINT);
    auto create = reinterpret_cast<Create>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "Direct3DCreate8")));
    ASSERT_NE(create, nullptr);
    IDirect3D8* d3d = create(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DDISPLAYMODE desktop{};
    ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop), D3D_OK);
    D3DPRESENT_PARAMETERS params{};
    params.Windowed = TRUE;
    params.SwapEffect = D3DSWAPEFFECT_COPY;
    params.BackBufferWidth = 64;
    params.BackBufferHeight = 48;
    params.BackBufferFormat = desktop.Format;
    params.hDeviceWindow = window;
    params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device),
              D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(200, 40, 10), 1.0f, 0),
              D3D_OK);
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* row = static_cast<const BYTE*>(locked.pBits) + 47 * locked.Pitch;
    const DWORD pixel = reinterpret_cast<const DWORD*>(row)[63] & 0x00FFFFFFu;
    back->UnlockRect();
    back->Release();
    EXPECT_EQ(pixel, 0x00C8280Au) << "the last pixel of the back buffer holds the clear colour";
    device->Release();
    d3d->Release();
    FreeLibrary(library);
    DestroyOffscreenWindow(window);
}

// A visible top-level window, as the host's preview window is to the saver.
HWND makeHostWindow(int width, int height) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "EmberholdTestHost";
    RegisterClassA(&wc);
    return CreateWindowExA(WS_EX_TOPMOST, "EmberholdTestHost", "host", WS_POPUP | WS_VISIBLE, 0, 0,
                           width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST(ForeignWindow, AnotherProgramsWindowIsNamedByItsHandleWhileItExists) {
    HWND host = makeHostWindow(40, 30);
    ASSERT_NE(host, nullptr);
    const auto id = reinterpret_cast<std::uintptr_t>(host);
    EXPECT_EQ(ForeignWindow(id), host);
    EXPECT_EQ(ForeignWindow(0), nullptr);
    EXPECT_EQ(ForeignWindow(id + 0x10000), nullptr) << "no window has that handle";
    ReleaseForeignWindows();
    EXPECT_TRUE(IsWindow(host)) << "letting go never destroys the host's window";
    DestroyWindow(host);
    EXPECT_EQ(ForeignWindow(id), nullptr);
    EXPECT_EQ(RootWindowId(), 0u);
}

HBITMAP gPainted = nullptr;

LRESULT CALLBACK PaintProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PaintBitmap(window, gPainted);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(PaintBitmap, CopiesTheBitmapUnscaledToTheTopLeftAndValidates) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &PaintProcedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "EmberholdTestPaint";
    RegisterClassA(&wc);
    HWND window =
        CreateWindowExA(WS_EX_TOPMOST, "EmberholdTestPaint", "paint", WS_POPUP | WS_VISIBLE, 0, 0,
                        32, 32, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    // 4 x 4: red on the left half, blue on the right, in a memory bitmap.
    HDC screen = GetDC(window);
    gPainted = CreateCompatibleBitmap(screen, 4, 4);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, gPainted);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) SetPixel(memory, x, y, x < 2 ? RGB(255, 0, 0) : RGB(0, 0, 255));
    SelectObject(memory, old);
    DeleteDC(memory);

    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    RECT update{};
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE)) << "the paint validated the window";
    EXPECT_EQ(GetPixel(screen, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(screen, 3, 3), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(screen, 4, 0), RGB(0, 0, 0)) << "unscaled: the background beside it";
    EXPECT_EQ(GetPixel(screen, 0, 4), RGB(0, 0, 0));

    // Without a bitmap the paint still ends, or WM_PAINT would come for ever.
    HBITMAP bitmap = gPainted;
    gPainted = nullptr;
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE));
    ReleaseDC(window, screen);
    DeleteObject(bitmap);
    DestroyWindow(window);
}

TEST(Displays, TheSystemsDisplaysWithThePrimaryFirstAtTheOrigin) {
    const std::vector<DisplayDevice> displays = EnumerateDisplayDevices();
    ASSERT_FALSE(displays.empty());
    const DisplayDevice& primary = displays.front();
    EXPECT_TRUE(primary.primary);
    EXPECT_TRUE(primary.attached);
    EXPECT_FALSE(primary.mirroring);
    EXPECT_FALSE(primary.adapterName.empty());
    EXPECT_EQ(primary.bounds.left, 0);
    EXPECT_EQ(primary.bounds.top, 0);
    EXPECT_EQ(primary.bounds.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(primary.bounds.bottom, GetSystemMetrics(SM_CYSCREEN));
    for (std::size_t i = 1; i < displays.size(); ++i) EXPECT_FALSE(displays[i].primary);
    EXPECT_EQ(ScreenOrigin().x, 0);
    EXPECT_EQ(ScreenOrigin().y, 0);
    // The system's monitor handles, the ones Direct3D reports for its adapters.
    const POINT origin{0, 0};
    EXPECT_EQ(MonitorFromRect(primary.bounds), ::MonitorFromPoint(origin, MONITOR_DEFAULTTONULL));
    EXPECT_NE(MonitorFromRect(primary.bounds), nullptr);
    EXPECT_EQ(MonitorFromRect(RECT{-30000, -30000, -29000, -29000}), nullptr);
}

TEST(Displays, AFakeListReplacesTheSystemsWithItsOwnHandles) {
    DisplayDevice a;
    a.primary = true;
    a.bounds = RECT{0, 0, 1024, 768};
    DisplayDevice b;
    b.bounds = RECT{1024, 0, 2048, 768};
    {
        ScopedFakeDisplays fake({a, b});
        EXPECT_EQ(EnumerateDisplayDevices().size(), 2u);
        EXPECT_EQ(MonitorFromRect(RECT{1024, 0, 2048, 768}), reinterpret_cast<HMONITOR>(2));
        EXPECT_EQ(MonitorFromRect(RECT{5000, 5000, 5100, 5100}), nullptr);
    }
    EXPECT_EQ(EnumerateDisplayDevices().front().bounds.left, 0);
    EXPECT_EQ(MonitorFromRect(RECT{0, 0, 100, 100}),
              ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTONULL));
}

TEST(MessageBoxes, AHandlerSeesTheTextsInUtf8) {
    std::vector<MessageBoxCall> calls;
    {
        ScopedMessageBoxHandler handler([&](const MessageBoxCall& call) {
            calls.push_back(call);
            return IDCANCEL;
        });
        EXPECT_EQ(ShowMessageBox(nullptr, "Lautst\xE4rke", "Fehler!", MB_ICONERROR), IDCANCEL);
        ShowMessageBox(nullptr, "\xD1", "x", MB_OK, CodePage::Windows1251);
    }
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].text, "Lautstärke");
    EXPECT_EQ(calls[0].caption, "Fehler!");
    EXPECT_EQ(calls[0].type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(calls[1].text, "С");
}

// Switched off, a box without a handler goes to stderr only and returns at once (were a
// real box shown, nobody would dismiss it and the test would time out).
TEST(MessageBoxes, SwitchedOffBoxesGoToStderrOnly) {
    const char* before = std::getenv("EMBERHOLD_NO_MESSAGE_BOXES");
    const std::string previous = before != nullptr ? before : "";
    _putenv_s("EMBERHOLD_NO_MESSAGE_BOXES", "1");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ShowMessageBox(nullptr, "Cant get Desktop DisplayMode.", "Error!", MB_ICONERROR),
              IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[Error!] Cant get Desktop DisplayMode.\n");
    _putenv_s("EMBERHOLD_NO_MESSAGE_BOXES", previous.c_str());  // empty removes it
}

}  // namespace
}  // namespace eh::os

// Offscreen windows on Windows: hidden windows of a class of this layer, whose messages go
// to the procedure registered for them (messages.h), else to DefWindowProcA.
#include "platform/os/window.h"

#include "platform/os/messages.h"
#include "platform/os/win32/win32_local.h"

namespace eh::os {
namespace {

constexpr char kOffscreenClass[] = "EmberholdOffscreenWindow";

int gVideoUsers = 0;
bool gClassRegistered = false;

LRESULT CALLBACK offscreenProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (WNDPROC procedure = win32::RegisteredProcedure(window))
        return procedure(window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

bool registerClass() {
    if (gClassRegistered) return true;
    WNDCLASSA wc{};
    wc.lpfnWndProc = &offscreenProcedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kOffscreenClass;
    // A class left registered by an earlier user in this process is as good as ours.
    gClassRegistered = RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return gClassRegistered;
}

}  // namespace

// The system's window manager is always running: acquiring only counts the users, so that
// the pairs of calls balance as on other systems.
bool AcquireVideo() {
    ++gVideoUsers;
    return true;
}

void ReleaseVideo() {
    if (gVideoUsers > 0) --gVideoUsers;
}

HWND CreateOffscreenWindow(int width, int height) {
    if (width <= 0 || height <= 0 || !AcquireVideo()) return nullptr;
    if (!registerClass()) {
        ReleaseVideo();
        return nullptr;
    }
    // A popup has no frame, so the window is exactly the client size asked for; never
    // shown, it takes no room on the desktop and no input, and a Direct3D device renders
    // into its back buffer all the same.
    HWND window = CreateWindowExA(0, kOffscreenClass, "", WS_POPUP, 0, 0, width, height, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) ReleaseVideo();
    return window;
}

void DestroyOffscreenWindow(HWND window) {
    if (window == nullptr) return;
    // As on other systems, the procedure the window was adopted with hears nothing of it.
    UnregisterWindow(window);
    DestroyWindow(window);
    ReleaseVideo();
}

}  // namespace eh::os

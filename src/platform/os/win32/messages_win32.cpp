// The Win32 side of messages.h: the system runs the queue, timers and dispatch; this file
// keeps which procedure each offscreen window hands its messages to, and the clock of the
// program (the system's, moved by the clock start, or the manual clock).
#include "platform/os/messages.h"

#include <vector>

#include "platform/os/win32/win32_local.h"

namespace eh::os {
namespace {

struct WindowEntry {
    HWND window;
    WNDPROC procedure;
};

struct State {
    std::vector<WindowEntry> windows;
    bool manualClock = false;
    DWORD manualNow = 0;
    DWORD clockOffset = 0;  // added to the system's clock (SetClockStart)
};

State& state() {
    static State s;
    return s;
}

}  // namespace

void RegisterWindow(HWND window, WNDPROC procedure, std::uint32_t /*nativeId*/) {
    UnregisterWindow(window);
    state().windows.push_back({window, procedure});
}

void UnregisterWindow(HWND window) {
    std::erase_if(state().windows, [window](const WindowEntry& e) { return e.window == window; });
}

bool IsKnownWindow(HWND window) {
    return win32::RegisteredProcedure(window) != nullptr;
}

void SetManualClock(bool on, DWORD now) {
    state().manualClock = on;
    state().manualNow = now;
}

void SetClockStart(DWORD start) {
    state().clockOffset = start - ::timeGetTime();
}

void AdvanceManualClock(DWORD milliseconds) {
    state().manualNow += milliseconds;
}

bool ManualClock() {
    return state().manualClock;
}

void ResetMessageQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    state().windows.clear();
}

namespace win32 {

WNDPROC RegisteredProcedure(HWND window) {
    for (const WindowEntry& e : state().windows)
        if (e.window == window) return e.procedure;
    return nullptr;
}

}  // namespace win32
}  // namespace eh::os

namespace eh {

DWORD timeGetTime() {
    const os::State& s = os::state();
    return s.manualClock ? s.manualNow : ::timeGetTime() + s.clockOffset;
}

void Sleep(DWORD milliseconds) {
    if (!os::state().manualClock) ::Sleep(milliseconds);
}

}  // namespace eh

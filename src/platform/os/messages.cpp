// The message queue, timers and clock, the same for every back end that has no Win32
// queue underneath; the windowing system's events come in through backend::PumpEvents.
#include "platform/os/messages.h"

#include <chrono>
#include <deque>
#include <thread>
#include <vector>

#include "platform/os/backend.h"

namespace eh::os {
namespace {

struct WindowEntry {
    HWND window;
    WNDPROC procedure;
    std::uint32_t nativeId;  // the windowing system's id its events carry, 0 for none
};

struct Timer {
    HWND window;
    UINT_PTR id;
    DWORD elapse;  // ms
    DWORD due;     // timeGetTime value of the next tick
};

struct State {
    std::deque<MSG> queue;
    std::vector<WindowEntry> windows;
    std::vector<Timer> timers;
    bool quitPosted = false;
    int quitCode = 0;
    bool appActive = false;
    bool manualClock = false;
    DWORD manualNow = 0;
    DWORD clockOffset = 0;  // added to the real clock (SetClockStart)
    void (*destroy)(HWND) = nullptr;
};

State& state() {
    static State s;
    return s;
}

const WindowEntry* findWindow(HWND window) {
    for (const WindowEntry& e : state().windows)
        if (e.window == window) return &e;
    return nullptr;
}

void post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    state().queue.push_back(MSG{window, message, wParam, lParam, timeGetTime(), POINT{0, 0}});
}

void (*idlePoll)() = nullptr;
DWORD lastIdlePoll = 0;

// Runs the idle poll when due and turns the windowing system's waiting events into
// queued messages.
void pumpEvents() {
    if (idlePoll != nullptr && timeGetTime() - lastIdlePoll >= kIdlePollPeriod) {
        lastIdlePoll = timeGetTime();
        idlePoll();
    }
    if (!backend::PumpEvents()) return;
    // Activation belongs to the application, not to one window: focus moving between our
    // own windows is no deactivation.
    bool active = backend::OwnsKeyboardFocus();
    if (active != state().appActive) {
        state().appActive = active;
        if (!state().windows.empty())
            post(state().windows.front().window, WM_ACTIVATEAPP, active ? 1 : 0, 0);
    }
}

bool dueTimer(HWND filter, MSG* out) {
    DWORD now = timeGetTime();
    for (Timer& t : state().timers) {
        if (filter != nullptr && t.window != filter) continue;
        if (static_cast<std::int32_t>(now - t.due) < 0) continue;
        t.due = now + t.elapse;  // missed periods collapse into one message
        *out = MSG{t.window, WM_TIMER, t.id, 0, now, POINT{0, 0}};
        return true;
    }
    return false;
}

bool takeMessage(MSG* msg, HWND filter, bool remove) {
    pumpEvents();
    std::deque<MSG>& q = state().queue;
    for (auto it = q.begin(); it != q.end(); ++it) {
        if (filter != nullptr && it->hwnd != filter) continue;
        *msg = *it;
        if (remove) q.erase(it);
        return true;
    }
    if (filter == nullptr && state().quitPosted) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(state().quitCode), 0, timeGetTime(), {}};
        if (remove) state().quitPosted = false;
        return true;
    }
    if (dueTimer(filter, msg)) return true;
    return false;
}

DWORD steadyMilliseconds() {
    static const auto start = std::chrono::steady_clock::now();
    auto elapsed = std::chrono::steady_clock::now() - start;
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace

void RegisterWindow(HWND window, WNDPROC procedure, std::uint32_t nativeId) {
    UnregisterWindow(window);
    state().windows.push_back({window, procedure, nativeId});
}

void UnregisterWindow(HWND window) {
    auto& w = state().windows;
    std::erase_if(w, [window](const WindowEntry& e) { return e.window == window; });
    std::erase_if(state().timers, [window](const Timer& t) { return t.window == window; });
    std::erase_if(state().queue, [window](const MSG& m) { return m.hwnd == window; });
}

bool IsKnownWindow(HWND window) {
    return findWindow(window) != nullptr;
}

void SetDestroyWindowHook(void (*destroy)(HWND)) {
    state().destroy = destroy;
}

void SetIdlePoll(void (*poll)()) { idlePoll = poll; }

void SetManualClock(bool on, DWORD now) {
    state().manualClock = on;
    state().manualNow = now;
}

void SetClockStart(DWORD start) {
    state().clockOffset = start - steadyMilliseconds();
}

void AdvanceManualClock(DWORD milliseconds) {
    state().manualNow += milliseconds;
}

bool ManualClock() {
    return state().manualClock;
}

void ResetMessageQueue() {
    State& s = state();
    s.queue.clear();
    s.windows.clear();
    s.timers.clear();
    s.quitPosted = false;
    s.appActive = false;
}

namespace backend {

HWND WindowOfNativeId(std::uint32_t id) {
    for (const WindowEntry& e : state().windows)
        if (e.nativeId != 0 && e.nativeId == id) return e.window;
    return nullptr;
}

void PostEvent(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    post(window, message, wParam, lParam);
}

void PostToEveryWindow(UINT message) {
    for (const WindowEntry& entry : state().windows) post(entry.window, message, 0, 0);
}

}  // namespace backend

}  // namespace eh::os

using eh::os::state;

BOOL PeekMessageA(MSG* msg, HWND window, UINT, UINT, UINT remove) {
    return eh::os::takeMessage(msg, window, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageA(MSG* msg, HWND window, UINT, UINT) {
    for (;;) {
        if (window != nullptr && !eh::os::IsKnownWindow(window)) return -1;
        if (eh::os::takeMessage(msg, window, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
        if (state().manualClock) {
            // Nothing can become due without the clock moving: let it move.
            eh::os::AdvanceManualClock(1);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg == nullptr || msg->message == WM_QUIT) return 0;
    const eh::os::WindowEntry* e = eh::os::findWindow(msg->hwnd);
    if (e == nullptr || e->procedure == nullptr) return 0;
    return e->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != nullptr && !eh::os::IsKnownWindow(window)) return FALSE;
    eh::os::post(window, message, wParam, lParam);
    return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{window, message, wParam, lParam, timeGetTime(), {}};
    return DispatchMessageA(&msg);
}

void PostQuitMessage(int exitCode) {
    state().quitPosted = true;
    state().quitCode = exitCode;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0u) == SC_CLOSE)
        return SendMessageA(window, WM_CLOSE, 0, 0);
    if (message == WM_CLOSE && state().destroy != nullptr) state().destroy(window);
    // As Win32: a window that does not object lets the session end.
    if (message == WM_QUERYENDSESSION) return TRUE;
    return 0;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, void*) {
    if (window != nullptr && !eh::os::IsKnownWindow(window)) return 0;
    KillTimer(window, id);
    DWORD period = elapse == 0 ? 1 : elapse;
    state().timers.push_back({window, id, period, timeGetTime() + period});
    return id == 0 ? 1 : id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    auto& t = state().timers;
    auto before = t.size();
    std::erase_if(t, [&](const eh::os::Timer& x) { return x.window == window && x.id == id; });
    return t.size() != before ? TRUE : FALSE;
}

DWORD timeGetTime() {
    if (state().manualClock) return state().manualNow;
    return eh::os::steadyMilliseconds() + state().clockOffset;
}

void Sleep(DWORD milliseconds) {
    if (state().manualClock) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

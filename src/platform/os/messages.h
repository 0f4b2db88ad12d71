// The thread's message queue, timers, window procedures and millisecond clock: the
// stand-ins for PeekMessageA, GetMessageA, DispatchMessageA, PostMessageA, SetTimer,
// KillTimer, DefWindowProcA, timeGetTime and Sleep, and SetCursor.
//
// One queue per process, used from the GUI thread only. Posted messages come first, in
// order; then the windowing system's events of the windows this layer knows, translated to
// WM_* messages by the back end (sdl/events_sdl.cpp lists its mapping); timer messages
// last, once per due timer however many periods were missed (as Win32 does). Without a
// running windowing system only posted messages and timers exist, which is how the tests
// drive a window procedure. What the events become:
//   key press                       WM_KEYDOWN      wParam = the back end's key code
//   mouse button press              WM_LBUTTONDOWN / WM_RBUTTONDOWN / WM_MBUTTONDOWN
//   mouse motion                    WM_MOUSEMOVE    lParam = MAKELPARAM(x, y)
//   every window of ours lost focus WM_ACTIVATEAPP  wParam = 0 (gained: 1)
//   close button / host close       WM_SYSCOMMAND   wParam = SC_CLOSE
//   exposed                         WM_PAINT
//   SIGTERM / SIGINT                WM_CLOSE to every window
//
// The queue, timers and clock are portable (messages.cpp); only the event pump and the
// cursor are the back end's.
//
// On Windows the real queue, timers, PostMessageA, DispatchMessageA and SetCursor serve
// the Win32 names (win32/messages_win32.cpp). The clock cannot be the real one alone:
// recording and tests stop time with the manual clock, and every timeGetTime() of the
// program must then read it. So on Windows this header declares eh::timeGetTime and
// eh::Sleep. The program's code lives in namespace eh, and an unqualified call there finds
// these before the global ones of <windows.h> (a name in an enclosing namespace hides the
// global one, and arguments of type DWORD bring in no other namespace); every caller
// includes this header, as it must to compile on other systems. They are the system's
// functions while the manual clock is off. Code that wants the system's own clock says
// ::timeGetTime(). Timers stay the system's (SetTimer's arguments name a window, whose
// type would bring the global SetTimer back in): they tick by the real clock, also while
// the manual clock is on.
#pragma once

#include <cstdint>

#include "platform/os/win32_types.h"

#ifndef _WIN32

using UINT_PTR = std::uintptr_t;
using LRESULT_CALLBACK = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using WNDPROC = LRESULT_CALLBACK;
struct HCURSOR__;
using HCURSOR = HCURSOR__*;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;  // timeGetTime() when queued
    POINT pt;
};

// Messages (values as in Win32).
#define WM_NULL 0x0000u
#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_SIZE 0x0005u
#define WM_PAINT 0x000Fu
#define WM_CLOSE 0x0010u
#define WM_QUERYENDSESSION 0x0011u  // never from this back end: the session is not ours
#define WM_QUIT 0x0012u
#define WM_ENDSESSION 0x0016u
#define WM_ACTIVATEAPP 0x001Cu
#define WM_SETCURSOR 0x0020u
#define WM_KEYDOWN 0x0100u
#define WM_SYSKEYDOWN 0x0104u
#define WM_SYSCOMMAND 0x0112u
#define WM_TIMER 0x0113u
#define WM_MOUSEMOVE 0x0200u
#define WM_LBUTTONDOWN 0x0201u
#define WM_RBUTTONDOWN 0x0204u
#define WM_MBUTTONDOWN 0x0207u
#define WM_POWERBROADCAST 0x0218u
#define WM_USER 0x0400u

// WM_SYSCOMMAND codes.
#define SC_MINIMIZE 0xF020u
#define SC_NEXTWINDOW 0xF040u
#define SC_PREVWINDOW 0xF050u
#define SC_CLOSE 0xF060u
#define SC_RESTORE 0xF120u
#define SC_SCREENSAVE 0xF140u

#define PBT_APMSUSPEND 0x0004u

#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u

#define MAKELPARAM(lo, hi)                                                      \
    static_cast<LPARAM>(static_cast<DWORD>((static_cast<DWORD>(lo) & 0xFFFFu) | \
                                           ((static_cast<DWORD>(hi) & 0xFFFFu) << 16)))

// Takes the next message (any window when `window` is null). PM_REMOVE removes it.
// The message range is not filtered (the program passes 0, 0).
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT remove);
// Waits for the next message. Returns 0 for WM_QUIT, -1 when `window` is given but is no
// longer a window (it was destroyed), else non-zero.
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
// Calls the window procedure of msg->hwnd (nothing for an unknown window or WM_QUIT).
LRESULT DispatchMessageA(const MSG* msg);
// Queues a message; FALSE when `window` is not null and not a known window.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure at once.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// The default handling: WM_SYSCOMMAND SC_CLOSE sends WM_CLOSE; WM_CLOSE destroys the
// window (eh::os::DestroyWindowHook); WM_QUERYENDSESSION returns TRUE; everything else
// returns 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A timer posts WM_TIMER (wParam = id) to `window` every `elapse` ms of timeGetTime.
// Setting an existing (window, id) restarts it. Returns id, 0 on failure.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, void* timerProc);
BOOL KillTimer(HWND window, UINT_PTR id);

// Milliseconds since the process started plus the clock start (wraps after 49.7 days),
// or the manual clock.
DWORD timeGetTime();
// Sleeps; does nothing while the manual clock is on (recording runs as fast as it can).
void Sleep(DWORD milliseconds);

// SetCursor(NULL) hides the mouse cursor over our windows; a non-null cursor shows it.
HCURSOR SetCursor(HCURSOR cursor);

#else  // _WIN32

#include <mmsystem.h>

namespace eh {

// timeGetTime(): the manual clock while it is on, else the system's timeGetTime plus the
// clock start (eh::os::SetClockStart). Milliseconds; wraps after 49.7 days.
DWORD timeGetTime();
// Returns at once while the manual clock is on (recording runs as fast as it can), else
// the system's Sleep.
void Sleep(DWORD milliseconds);

}  // namespace eh

#endif  // _WIN32

namespace eh::os {

// Window procedures of the windows this layer knows. The window code registers each new
// window here (with the windowing system's id its events carry, 0 for none) and
// unregisters it when destroyed. On Windows the system dispatches every window's messages
// itself; the registration there says which procedure an offscreen window (window.h) hands
// its messages to (nativeId is unused).
void RegisterWindow(HWND window, WNDPROC procedure, std::uint32_t nativeId);
void UnregisterWindow(HWND window);
bool IsKnownWindow(HWND window);

#ifndef _WIN32
// What DefWindowProcA does for WM_CLOSE: destroy the window. The window code installs
// its DestroyWindow here. (Windows' DefWindowProcA destroys the window itself.)
void SetDestroyWindowHook(void (*destroy)(HWND));

// Called by the message pump about every kIdlePollPeriod ms of timeGetTime, to watch what
// sends no events of its own (windows of other processes that the saver draws into). On
// Windows the system tells a window's children when it goes.
inline constexpr DWORD kIdlePollPeriod = 250;
void SetIdlePoll(void (*poll)());
#endif  // _WIN32

// The manual clock: while on, timeGetTime returns the value set here and Sleep returns at
// once. Recording and tests use it for a fixed time step.
void SetManualClock(bool on, DWORD now = 0);
// Makes the real clock read `start` now and count on from there, as on a machine that has
// been up that long (tests of long uptimes and of the wrap).
void SetClockStart(DWORD start);
void AdvanceManualClock(DWORD milliseconds);
bool ManualClock();

// Empties the queue and drops every timer and window registration (tests). On Windows it
// empties the thread's queue and drops the registrations; the system's timers stay.
void ResetMessageQueue();

}  // namespace eh::os

// Window classes, window creation and painting for the saver's windows: the stand-ins for
// RegisterClassA, CreateWindowExA, DestroyWindow, GetClientRect, AdjustWindowRect,
// LoadBitmapA and the paint calls of the preview.
//
// What each style makes:
//   WS_POPUP (with WS_EX_TOPMOST)   a borderless window covering the given virtual-screen
//                                   rectangle (one display), always on top, full screen on
//                                   the display it covers
//   WS_CAPTION | WS_SYSMENU ...     a decorated window whose client area is the given size
//                                   (the window manager draws the frame: AdjustWindowRect
//                                   leaves rectangles as they are)
//   WS_CHILD of a foreign window    no window of its own: the new handle draws into the
//                                   foreign window (a window of another program)
// Every window can take an OpenGL context. Messages reach the class's procedure through
// messages.h; WM_CREATE is sent before CreateWindowExA returns, WM_DESTROY by DestroyWindow.
//
// The back end is sdl/saver_windows_sdl.cpp, with x11/foreign_window_x11.cpp for the
// windows of other programs. On Windows the real functions serve every Win32 name here;
// the eh::os:: functions below are what a Win32 back end adds (a foreign window's id is
// then its HWND).
#pragma once

#include <cstdint>

#include "platform/os/messages.h"
#include "platform/os/win32_types.h"

#ifndef _WIN32

struct HICON__;
using HICON = HICON__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HMENU__;
using HMENU = HMENU__*;

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

#define CS_VREDRAW 0x0001u
#define CS_HREDRAW 0x0002u

#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_MINIMIZE 0x20000000u
#define WS_VISIBLE 0x10000000u
#define WS_CAPTION 0x00C00000u
#define WS_SYSMENU 0x00080000u
#define WS_MINIMIZEBOX 0x00020000u
#define WS_EX_TOPMOST 0x00000008u

// Registers a class by name (a second registration of a name replaces the first).
BOOL RegisterClassA(const WNDCLASSA* windowClass);
// Creates a window of a registered class (see above). `x`, `y` are virtual-screen
// coordinates (primary display at 0, 0), `width`, `height` the outer size (equal to the
// client size here). Returns null on failure.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
// The client area, origin (0, 0). Works for foreign windows too.
BOOL GetClientRect(HWND window, RECT* rect);
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu);

// A bitmap resource ("BITMAP" of the resource table, a BMP file) named by a numeric id
// (MAKEINTRESOURCEA), or null; resources here have no string names.
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
BOOL DeleteObject(HBITMAP bitmap);
// Width and height of a bitmap from LoadBitmapA.
BOOL GetBitmapSize(HBITMAP bitmap, int* width, int* height);

#endif  // _WIN32

namespace eh::os {

// The handle of another program's window, by the windowing system's id (the /p argument,
// -window-id, the root window). Null when there is no such window or no display. The
// handle is owned by this layer and is never destroyed by DestroyWindow. On Windows the id
// is the HWND itself, given back while IsWindow says it is one.
HWND ForeignWindow(std::uintptr_t id);
// Lets go of every foreign window, once the saver's own windows in them are destroyed.
// (Nothing is held on Windows: an HWND is only a name.)
void ReleaseForeignWindows();
// The root window of the default screen (XScreenSaver's -root), or 0. Always 0 on Windows,
// which has no root window to host a saver in: the desktop window is not one to draw into.
std::uintptr_t RootWindowId();

// Copies `bitmap` unscaled to the window's client area at (0, 0), clipped to the window:
// BeginPaint, BitBlt with SRCCOPY from a memory DC holding the bitmap, EndPaint.
void PaintBitmap(HWND window, HBITMAP bitmap);
// Attaches a window made elsewhere (an offscreen window) to the message queue with a
// procedure, so it receives posted messages and timers. On Windows the window must be one
// of CreateOffscreenWindow: its class hands the messages on.
void AdoptWindow(HWND window, WNDPROC procedure);

}  // namespace eh::os

// The windowing system and the offscreen windows of tests and recording.
//
// Outside src/platform/ an HWND is opaque: what it points at is the back end's window
// record (sdl/sdl_window.h, which the Direct3D 8 layer includes to draw into the window).
// The saver's own windows (full screen, test window, preview child) are created through
// saver_windows.h and their messages go through messages.h. Every window made here can
// take the renderer's OpenGL context.
//
// These are the null back end of the windowing system: an offscreen window is never
// shown and needs no display, so headless tests and frame recording run anywhere the
// renderer does. On Windows (win32/window_win32.cpp) an offscreen window is a hidden
// frameless window of this layer's class "EmberholdOffscreenWindow", a device window for
// Direct3D 8 like any other; its messages go to the procedure it was adopted with
// (saver_windows.h), else to DefWindowProcA. Video is always there: AcquireVideo only
// counts.
#pragma once

#include "platform/os/win32_types.h"

namespace eh::os {

// Starts the windowing system (reference counted; pair with ReleaseVideo). Without a
// display (no DISPLAY and no WAYLAND_DISPLAY) and no driver named in the environment, the
// back end picks its offscreen driver (sdl/window_sdl.cpp), which renders with no display.
// Returns false, with the reason logged to stderr, when it cannot start.
bool AcquireVideo();
void ReleaseVideo();

// Creates a hidden window of the given client size for offscreen rendering (tests,
// recording). Starts video itself (AcquireVideo). Returns null on failure.
HWND CreateOffscreenWindow(int width, int height);

// Destroys a window made by CreateOffscreenWindow and releases its hold on video. Null is ignored.
void DestroyOffscreenWindow(HWND window);

}  // namespace eh::os

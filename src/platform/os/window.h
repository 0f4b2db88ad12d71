// Windows of the platform layer: what an HWND is on Linux.
//
// An HWND points at an HWND__ owned by this module. The Direct3D 8 layer draws into the
// SDL window it holds (an OpenGL-capable window: every window made here can take a GL 3.3
// core context). This header holds the window record, video start-up and the offscreen
// windows of tests and recording; the saver's own windows (full screen, test window,
// preview child) are created through saver_windows.h and their messages go through
// messages.h.
#pragma once

#include "platform/os/win32_types.h"

struct SDL_Window;

// The platform's window record, shared by every kind of window; what only the saver's
// windows need is kept beside it in saver_windows.cpp. Code outside src/platform/ treats
// HWND as opaque.
struct HWND__ {
    SDL_Window* sdl = nullptr;
    // True for windows that are never shown (tests, frame recording): the renderer must not
    // treat their hidden state as a lost device.
    bool offscreen = false;
    int width = 0;  // client size in pixels at creation
    int height = 0;
};

namespace eh::os {

// Starts SDL's video subsystem (reference counted; pair with ReleaseVideo). Without a
// display (no DISPLAY and no WAYLAND_DISPLAY) and with SDL_VIDEODRIVER unset, selects SDL's
// "offscreen" driver, which renders through EGL with no display. Returns false with SDL's
// error text logged to stderr when video cannot start.
bool AcquireVideo();
void ReleaseVideo();

// Creates a hidden window of the given client size for offscreen rendering (tests,
// recording). Starts video itself (AcquireVideo). Returns null on failure.
HWND CreateOffscreenWindow(int width, int height);

// Asks for the OpenGL context every window of ours draws with (3.3 core, double-buffered,
// no depth in the window: the renderer has its own framebuffers). Before SDL_CreateWindow.
void RequestWindowContext();
// Wraps a window SDL has just made (a null one reports SDL's error, releases the video
// reference taken for it and gives null); the size is read from SDL.
HWND WrapSdlWindow(SDL_Window* sdl);

// Destroys a window made by CreateOffscreenWindow and releases its hold on video. Null is ignored.
void DestroyOffscreenWindow(HWND window);

// The SDL window behind an HWND, or null for a null handle.
SDL_Window* SdlWindowOf(HWND window);

}  // namespace eh::os

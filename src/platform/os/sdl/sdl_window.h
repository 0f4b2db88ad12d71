// The SDL back end's window record: what an HWND points at on this back end.
//
// Only the back end and the code that draws into its windows (the Direct3D 8 layer, which
// makes its OpenGL context on the SDL window) include this header; everything else treats
// HWND as opaque (window.h).
#pragma once

#include "platform/os/win32_types.h"
#include "platform/os/window.h"

struct SDL_Window;

// The record shared by every kind of window; what only the saver's windows need is kept
// beside it in sdl/saver_windows_sdl.cpp.
struct HWND__ {
    SDL_Window* sdl = nullptr;
    // True for windows that are never shown (tests, frame recording): the renderer must not
    // treat their hidden state as a lost device.
    bool offscreen = false;
    int width = 0;  // client size in pixels at creation
    int height = 0;
};

namespace eh::os {

// Asks for the OpenGL context every window of ours draws with (3.3 core, double-buffered,
// no depth in the window: the renderer has its own framebuffers). Before SDL_CreateWindow.
void RequestWindowContext();
// Wraps a window SDL has just made (a null one reports SDL's error, releases the video
// reference taken for it and gives null); the size is read from SDL.
HWND WrapSdlWindow(SDL_Window* sdl);

// The SDL window behind an HWND, or null for a null handle.
SDL_Window* SdlWindowOf(HWND window);

}  // namespace eh::os

// Video start-up and the window record over SDL. Without a display SDL's "offscreen"
// driver renders through EGL, which is the null back end of tests and recording.
#include "platform/os/sdl/sdl_window.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

namespace eh::os {

bool AcquireVideo() {
    if (std::getenv("SDL_VIDEODRIVER") == nullptr && std::getenv("DISPLAY") == nullptr &&
        std::getenv("WAYLAND_DISPLAY") == nullptr) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "video: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

void ReleaseVideo() {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void RequestWindowContext() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
}

HWND WrapSdlWindow(SDL_Window* sdl) {
    if (sdl == nullptr) {
        std::fprintf(stderr, "window: %s\n", SDL_GetError());
        ReleaseVideo();
        return nullptr;
    }
    auto* window = new HWND__;
    window->sdl = sdl;
    SDL_GetWindowSize(sdl, &window->width, &window->height);
    return window;
}

HWND CreateOffscreenWindow(int width, int height) {
    if (width <= 0 || height <= 0 || !AcquireVideo()) return nullptr;
    // The renderer draws into its own framebuffer objects, so the window's default
    // framebuffer needs no depth buffer and no multisampling.
    RequestWindowContext();
    HWND window = WrapSdlWindow(SDL_CreateWindow("Emberhold", SDL_WINDOWPOS_UNDEFINED,
                                                 SDL_WINDOWPOS_UNDEFINED, width, height,
                                                 SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN));
    if (window != nullptr) {
        window->offscreen = true;
        window->width = width;
        window->height = height;
    }
    return window;
}

void DestroyOffscreenWindow(HWND window) {
    if (window == nullptr) return;
    if (window->sdl != nullptr) SDL_DestroyWindow(window->sdl);
    delete window;
    ReleaseVideo();
}

SDL_Window* SdlWindowOf(HWND window) {
    return window != nullptr ? window->sdl : nullptr;
}

}  // namespace eh::os

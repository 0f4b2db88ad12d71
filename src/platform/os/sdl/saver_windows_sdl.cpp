// The saver's windows over SDL: SDL windows for the full-screen and test windows, SDL's
// wrapper of a foreign window for the preview and the host's windows, and bitmaps as SDL
// surfaces.
#include "platform/os/saver_windows.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>
#include <string>

#include "platform/os/backend.h"
#include "platform/os/display.h"
#include "platform/os/resources.h"
#include "platform/os/sdl/sdl_window.h"

namespace eh::os {
namespace {

struct ClassEntry {
    WNDPROC procedure;
};

struct WindowInfo {
    bool borrowed = false;  // draws into a foreign window it does not own
    bool video = false;     // holds a reference on SDL video
};

std::map<std::string, ClassEntry>& classes() {
    static std::map<std::string, ClassEntry> c;
    return c;
}
std::map<HWND, WindowInfo>& windows() {
    static std::map<HWND, WindowInfo> w;
    return w;
}
// Windows of other processes that the saver draws into, by X id. The wrappers stay until
// ReleaseForeignWindows, also after the host destroyed the window, because the saver's own
// windows and device still hold them until they are gone.
struct ForeignEntry {
    HWND window;
    bool gone = false;  // the host destroyed it; WM_DESTROY has been sent
};
std::map<std::uintptr_t, ForeignEntry>& foreign() {
    static std::map<std::uintptr_t, ForeignEntry> f;
    return f;
}

void destroyHook(HWND window) {
    DestroyWindow(window);
}

// Windows of another process send no events through SDL here: neither exposure nor
// destruction. Each poll repaints them (the preview's still picture) and, when the host
// has destroyed one, tells its window procedure with WM_DESTROY, once.
void watchForeignWindows() {
    for (auto& [id, entry] : foreign()) {
        if (entry.gone) continue;
        const bool alive = backend::ForeignWindowExists(id);
        entry.gone = !alive;
        // The messages go to our windows in it: the foreign window itself when the saver
        // adopted it, and the children made in it.
        std::vector<HWND> targets;
        if (IsKnownWindow(entry.window)) targets.push_back(entry.window);
        for (const auto& [window, info] : windows())
            if (window != entry.window && window->sdl == entry.window->sdl)
                targets.push_back(window);
        for (HWND window : targets) PostMessageA(window, alive ? WM_PAINT : WM_DESTROY, 0, 0);
    }
}

}  // namespace

HWND ForeignWindow(std::uintptr_t id) {
    if (id == 0) return nullptr;
    auto it = foreign().find(id);
    if (it != foreign().end()) return it->second.gone ? nullptr : it->second.window;
    if (!backend::ForeignWindowExists(id) || !AcquireVideo()) return nullptr;
    // The scene may render into the window, so it must take an OpenGL context.
    SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
    HWND window = WrapSdlWindow(SDL_CreateWindowFrom(reinterpret_cast<const void*>(id)));
    if (window == nullptr) return nullptr;
    foreign()[id] = ForeignEntry{window};
    SetIdlePoll(watchForeignWindows);
    return window;
}

void ReleaseForeignWindows() {
    // Only our handles go. SDL's record of a window it did not create stays with SDL (and
    // so does the video subsystem): letting SDL go of it would touch the X window again,
    // and the host may have destroyed that already, which Xlib answers by ending us.
    for (auto& [id, entry] : foreign()) delete entry.window;
    foreign().clear();
    SetIdlePoll(nullptr);
}

void PaintBitmap(HWND window, HBITMAP bitmap) {
    SDL_Window* sdl = SdlWindowOf(window);
    auto* image = reinterpret_cast<SDL_Surface*>(bitmap);
    if (sdl == nullptr || image == nullptr) return;
    SDL_Surface* target = SDL_GetWindowSurface(sdl);
    if (target == nullptr) return;
    SDL_Rect to{0, 0, image->w, image->h};  // unscaled; the window clips
    SDL_BlitSurface(image, nullptr, target, &to);
    SDL_UpdateWindowSurface(sdl);
}

void AdoptWindow(HWND window, WNDPROC procedure) {
    SDL_Window* sdl = SdlWindowOf(window);
    RegisterWindow(window, procedure, sdl != nullptr ? SDL_GetWindowID(sdl) : 0);
}

}  // namespace eh::os

using eh::os::WindowInfo;

BOOL RegisterClassA(const WNDCLASSA* windowClass) {
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr) return FALSE;
    eh::os::classes()[windowClass->lpszClassName] = {windowClass->lpfnWndProc};
    eh::os::SetDestroyWindowHook(eh::os::destroyHook);
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU, HINSTANCE, LPVOID) {
    auto cls = eh::os::classes().find(className != nullptr ? className : "");
    if (cls == eh::os::classes().end()) return nullptr;
    HWND window = nullptr;
    WindowInfo info;
    if ((style & WS_CHILD) != 0) {
        // A child of another program's window draws into that window.
        if (parent == nullptr || parent->sdl == nullptr) return nullptr;
        window = new HWND__;
        window->sdl = parent->sdl;
        window->width = parent->width;
        window->height = parent->height;
        info.borrowed = true;
    } else {
        if (width <= 0 || height <= 0 || !eh::os::AcquireVideo()) return nullptr;
        info.video = true;
        eh::os::RequestWindowContext();
        Uint32 flags = SDL_WINDOW_OPENGL;
        if ((style & WS_VISIBLE) == 0) flags |= SDL_WINDOW_HIDDEN;
        int sx = x, sy = y;
        if ((style & WS_POPUP) != 0) {
            flags |= SDL_WINDOW_BORDERLESS;
            if ((exStyle & WS_EX_TOPMOST) != 0)
                flags |= SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_FULLSCREEN_DESKTOP;
            POINT origin = eh::os::ScreenOrigin();
            sx += origin.x;
            sy += origin.y;
        } else {
            sx = SDL_WINDOWPOS_CENTERED;
            sy = SDL_WINDOWPOS_CENTERED;
        }
        window = eh::os::WrapSdlWindow(
            SDL_CreateWindow(title != nullptr ? title : "", sx, sy, width, height, flags));
        if (window == nullptr) return nullptr;
        window->width = width;
        window->height = height;
    }
    eh::os::windows()[window] = info;
    eh::os::RegisterWindow(window, cls->second.procedure,
                           window->sdl != nullptr ? SDL_GetWindowID(window->sdl) : 0);
    SendMessageA(window, WM_CREATE, 0, 0);
    return window;
}

BOOL IsWindow(HWND window) {
    return window != nullptr && eh::os::windows().count(window) != 0 ? TRUE : FALSE;
}

BOOL DestroyWindow(HWND window) {
    auto it = eh::os::windows().find(window);
    if (it == eh::os::windows().end()) return FALSE;
    SendMessageA(window, WM_DESTROY, 0, 0);
    eh::os::UnregisterWindow(window);
    WindowInfo info = it->second;
    eh::os::windows().erase(it);
    if (!info.borrowed && window->sdl != nullptr) SDL_DestroyWindow(window->sdl);
    delete window;
    if (info.video) eh::os::ReleaseVideo();
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    if (window == nullptr || rect == nullptr) return FALSE;
    int w = window->width, h = window->height;
    if (window->sdl != nullptr) SDL_GetWindowSize(window->sdl, &w, &h);
    *rect = RECT{0, 0, w, h};
    return TRUE;
}

BOOL AdjustWindowRect(RECT*, DWORD, BOOL) {
    return TRUE;
}

HBITMAP LoadBitmapA(HINSTANCE, LPCSTR name) {
    const auto id = reinterpret_cast<std::uintptr_t>(name);
    if (id > 0xFFFFu) return nullptr;
    eh::os::ResourceData data = eh::os::FindResourceData("BITMAP", static_cast<int>(id));
    if (data.data == nullptr || data.size == 0) return nullptr;
    SDL_RWops* rw = SDL_RWFromConstMem(data.data, static_cast<int>(data.size));
    SDL_Surface* surface = rw != nullptr ? SDL_LoadBMP_RW(rw, 1) : nullptr;
    return reinterpret_cast<HBITMAP>(surface);
}

BOOL DeleteObject(HBITMAP bitmap) {
    if (bitmap == nullptr) return FALSE;
    SDL_FreeSurface(reinterpret_cast<SDL_Surface*>(bitmap));
    return TRUE;
}

BOOL GetBitmapSize(HBITMAP bitmap, int* width, int* height) {
    auto* s = reinterpret_cast<SDL_Surface*>(bitmap);
    if (s == nullptr) return FALSE;
    *width = s->w;
    *height = s->h;
    return TRUE;
}

// SDL's events as window messages, and the mouse cursor.
//
// SDL events become:
//   key press                       WM_KEYDOWN      wParam = SDL keycode
//   mouse button press              WM_LBUTTONDOWN / WM_RBUTTONDOWN / WM_MBUTTONDOWN
//   mouse motion                    WM_MOUSEMOVE    lParam = MAKELPARAM(x, y)
//   close button / host close       WM_SYSCOMMAND   wParam = SC_CLOSE
//   exposed                         WM_PAINT
//   SIGTERM / SIGINT (SDL_QUIT)     WM_CLOSE to every window
// WM_ACTIVATEAPP follows the keyboard focus (messages.cpp). Events of windows this layer
// does not know are dropped.
#include <SDL.h>

#include "platform/os/backend.h"
#include "platform/os/messages.h"

namespace eh::os::backend {

bool PumpEvents() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) {
        switch (e.type) {
            case SDL_KEYDOWN:
                if (HWND w = WindowOfNativeId(e.key.windowID))
                    PostEvent(w, WM_KEYDOWN, static_cast<WPARAM>(e.key.keysym.sym), 1);
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (HWND w = WindowOfNativeId(e.button.windowID)) {
                    UINT m = e.button.button == SDL_BUTTON_RIGHT    ? WM_RBUTTONDOWN
                             : e.button.button == SDL_BUTTON_MIDDLE ? WM_MBUTTONDOWN
                                                                    : WM_LBUTTONDOWN;
                    PostEvent(w, m, 0, MAKELPARAM(e.button.x, e.button.y));
                }
                break;
            case SDL_MOUSEMOTION:
                if (HWND w = WindowOfNativeId(e.motion.windowID))
                    PostEvent(w, WM_MOUSEMOVE, 0, MAKELPARAM(e.motion.x, e.motion.y));
                break;
            case SDL_WINDOWEVENT: {
                HWND w = WindowOfNativeId(e.window.windowID);
                if (w == nullptr) break;
                if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                    PostEvent(w, WM_SYSCOMMAND, SC_CLOSE, 0);
                if (e.window.event == SDL_WINDOWEVENT_EXPOSED) PostEvent(w, WM_PAINT, 0, 0);
                break;
            }
            case SDL_QUIT:
                PostToEveryWindow(WM_CLOSE);
                break;
            default:
                break;
        }
    }
    return true;
}

bool OwnsKeyboardFocus() {
    SDL_Window* focus = SDL_GetKeyboardFocus();
    return focus != nullptr && WindowOfNativeId(SDL_GetWindowID(focus)) != nullptr;
}

}  // namespace eh::os::backend

HCURSOR SetCursor(HCURSOR cursor) {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
        SDL_ShowCursor(cursor == nullptr ? SDL_DISABLE : SDL_ENABLE);
    return nullptr;
}

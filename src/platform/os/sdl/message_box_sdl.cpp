// Message boxes through SDL's simple message box.
#include <SDL.h>

#include <cstdlib>

#include "platform/os/backend.h"

namespace eh::os::backend {

bool MessageBoxReachable() {
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

void ShowMessageBox(const std::string& text, const std::string& caption, UINT type) {
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & 0xF0u) == MB_ICONERROR) flags = SDL_MESSAGEBOX_ERROR;
    if ((type & 0xF0u) == MB_ICONWARNING) flags = SDL_MESSAGEBOX_WARNING;
    // Fails harmlessly when no window system answers; stderr already has the text.
    SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr);
}

}  // namespace eh::os::backend

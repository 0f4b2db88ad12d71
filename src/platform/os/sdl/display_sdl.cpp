// The displays as SDL's video subsystem lists them; the primary (index 0) becomes the
// virtual screen's origin, as on Windows.
#include <SDL.h>

#include "platform/os/backend.h"

namespace eh::os::backend {

DisplayLayout QueryDisplays() {
    DisplayLayout out;
    bool started = false;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return out;
        started = true;
    }
    int count = SDL_GetNumVideoDisplays();
    SDL_Rect primary{0, 0, 0, 0};
    if (count > 0) SDL_GetDisplayBounds(0, &primary);
    out.origin = POINT{primary.x, primary.y};
    for (int i = 0; i < count; ++i) {
        SDL_Rect r{0, 0, 0, 0};
        if (SDL_GetDisplayBounds(i, &r) != 0) continue;
        DisplayDevice d;
        const char* name = SDL_GetDisplayName(i);
        d.adapterName = SDL_GetCurrentVideoDriver() != nullptr ? SDL_GetCurrentVideoDriver() : "";
        d.adapterName += " display adapter";
        d.monitorName = name != nullptr ? name : "Display";
        d.primary = i == 0;
        d.bounds =
            RECT{r.x - primary.x, r.y - primary.y, r.x - primary.x + r.w, r.y - primary.y + r.h};
        out.devices.push_back(d);
    }
    if (started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return out;
}

}  // namespace eh::os::backend

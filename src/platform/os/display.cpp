#include "platform/os/display.h"

#include <SDL.h>

#include <optional>

namespace eh::os {
namespace {

std::optional<std::vector<DisplayDevice>>& fakeDisplays() {
    static std::optional<std::vector<DisplayDevice>> fake;
    return fake;
}

struct SdlDisplays {
    std::vector<DisplayDevice> devices;
    POINT origin{0, 0};
};

SdlDisplays querySdl() {
    SdlDisplays out;
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

}  // namespace

std::vector<DisplayDevice> EnumerateDisplayDevices() {
    if (fakeDisplays()) return *fakeDisplays();
    return querySdl().devices;
}

HMONITOR MonitorFromRect(const RECT& rect) {
    std::vector<DisplayDevice> devices = EnumerateDisplayDevices();
    LONG cx = rect.left + (rect.right - rect.left) / 2;
    LONG cy = rect.top + (rect.bottom - rect.top) / 2;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const DisplayDevice& d = devices[i];
        if (!d.attached || d.mirroring) continue;
        if (cx >= d.bounds.left && cx < d.bounds.right && cy >= d.bounds.top &&
            cy < d.bounds.bottom)
            return reinterpret_cast<HMONITOR>(i + 1);
    }
    return nullptr;
}

POINT ScreenOrigin() {
    if (fakeDisplays()) return POINT{0, 0};
    return querySdl().origin;
}

ScopedFakeDisplays::ScopedFakeDisplays(std::vector<DisplayDevice> displays) {
    fakeDisplays() = std::move(displays);
}

ScopedFakeDisplays::~ScopedFakeDisplays() {
    fakeDisplays().reset();
}

}  // namespace eh::os

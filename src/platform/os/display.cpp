// The display list: the fake list of tests, or the back end's displays; the monitor
// lookup is the same for both.
#include "platform/os/display.h"

#include <optional>

#include "platform/os/backend.h"

namespace eh::os {
namespace {

std::optional<std::vector<DisplayDevice>>& fakeDisplays() {
    static std::optional<std::vector<DisplayDevice>> fake;
    return fake;
}

}  // namespace

std::vector<DisplayDevice> EnumerateDisplayDevices() {
    if (fakeDisplays()) return *fakeDisplays();
    return backend::QueryDisplays().devices;
}

HMONITOR MonitorFromRect(const RECT& rect) {
#ifdef _WIN32
    // The system's handles, which the rest of the system (Direct3D's adapter monitors)
    // knows; the fake list of tests keeps the handles below.
    if (!fakeDisplays()) return ::MonitorFromRect(&rect, MONITOR_DEFAULTTONULL);
#endif
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
    return backend::QueryDisplays().origin;
}

ScopedFakeDisplays::ScopedFakeDisplays(std::vector<DisplayDevice> displays) {
    fakeDisplays() = std::move(displays);
}

ScopedFakeDisplays::~ScopedFakeDisplays() {
    fakeDisplays().reset();
}

}  // namespace eh::os

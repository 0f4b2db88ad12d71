// What the portable parts ask of the Win32 back end: message boxes over MessageBoxW and the
// display devices over EnumDisplayDevicesA / EnumDisplaySettingsA.
#include <algorithm>

#include "platform/os/backend.h"
#include "platform/os/win32/win32_local.h"

namespace eh::os {

namespace win32 {

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int length = static_cast<int>(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
    return wide;
}

}  // namespace win32

namespace backend {

// A process of a service, or on a window station nobody sees, has nobody to answer a box,
// which would then wait for ever.
bool MessageBoxReachable() {
    HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    if (station == nullptr ||
        !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr))
        return true;  // cannot tell: let the system decide
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

// The texts arrive as UTF-8 (converted from their code page by message_box.cpp); the wide
// box shows them as they are whatever the system's ANSI code page is.
void ShowMessageBox(const std::string& text, const std::string& caption, UINT type) {
    MessageBoxW(nullptr, win32::Widen(text).c_str(), win32::Widen(caption).c_str(), type);
}

DisplayLayout QueryDisplays() {
    DisplayLayout layout;  // the virtual screen is the windowing coordinates: origin (0, 0)
    DISPLAY_DEVICEA adapter{};
    adapter.cb = sizeof adapter;
    for (DWORD i = 0; EnumDisplayDevicesA(nullptr, i, &adapter, 0); ++i) {
        DisplayDevice d;
        d.adapterName = adapter.DeviceString;
        d.primary = (adapter.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0;
        d.attached = (adapter.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) != 0;
        d.mirroring = (adapter.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER) != 0;
        DISPLAY_DEVICEA monitor{};
        monitor.cb = sizeof monitor;
        if (EnumDisplayDevicesA(adapter.DeviceName, 0, &monitor, 0))
            d.monitorName = monitor.DeviceString;
        DEVMODEA mode{};
        mode.dmSize = sizeof mode;
        if (d.attached && EnumDisplaySettingsA(adapter.DeviceName, ENUM_CURRENT_SETTINGS, &mode)) {
            // The system's virtual screen already puts the primary display at (0, 0).
            const LONG x = mode.dmPosition.x;
            const LONG y = mode.dmPosition.y;
            d.bounds = RECT{x, y, x + static_cast<LONG>(mode.dmPelsWidth),
                            y + static_cast<LONG>(mode.dmPelsHeight)};
        } else {
            d.attached = false;  // no desktop area: nothing to cover
        }
        layout.devices.push_back(std::move(d));
        adapter = DISPLAY_DEVICEA{};
        adapter.cb = sizeof adapter;
    }
    // The primary first, the others in the system's order.
    std::stable_partition(layout.devices.begin(), layout.devices.end(),
                          [](const DisplayDevice& d) { return d.primary; });
    return layout;
}

bool ForeignWindowExists(std::uintptr_t id) {
    return id != 0 && IsWindow(reinterpret_cast<HWND>(id));
}

}  // namespace backend
}  // namespace eh::os

// The display devices: the stand-in for EnumDisplayDevicesA, EnumDisplaySettingsA and
// MonitorFromRect.
//
// Coordinates follow the Windows virtual screen: the primary display's top-left corner is
// (0, 0) and every other display sits where it is relative to it. The window code adds
// ScreenOrigin() to turn them into the windowing system's coordinates.
#pragma once

#include <string>
#include <vector>

#include "platform/os/win32_types.h"

namespace eh::os {

struct DisplayDevice {
    std::string adapterName;  // the adapter's description (DeviceString)
    std::string monitorName;  // the first monitor's description
    bool primary = false;
    bool attached = true;    // part of the desktop
    bool mirroring = false;  // a mirroring driver (skipped by the saver)
    RECT bounds{};           // virtual-screen pixels; only meaningful when attached
};

// Every display device, the primary first. From the windowing system (starting it for the
// call when it is not running; sdl/display_sdl.cpp), or the fake list a test installed.
// On Windows EnumDisplayDevicesA and EnumDisplaySettingsA answer (win32/backend_win32.cpp):
// every adapter, mirroring drivers marked, those off the desktop not attached.
std::vector<DisplayDevice> EnumerateDisplayDevices();

// The monitor handle for a rectangle: the attached display that contains its centre, or
// null (MONITOR_DEFAULTTONULL). Handles are display index + 1. On Windows the system's
// MonitorFromRect answers with its own handles, unless a test installed fake displays.
HMONITOR MonitorFromRect(const RECT& rect);

// The primary display's top-left corner in the windowing system's coordinates.
POINT ScreenOrigin();

// Replaces the displays with `displays` until destroyed (tests).
class ScopedFakeDisplays {
  public:
    explicit ScopedFakeDisplays(std::vector<DisplayDevice> displays);
    ~ScopedFakeDisplays();
    ScopedFakeDisplays(const ScopedFakeDisplays&) = delete;
    ScopedFakeDisplays& operator=(const ScopedFakeDisplays&) = delete;
};

}  // namespace eh::os

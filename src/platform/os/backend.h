// What a back end gives the portable parts of this layer, and what they give it back.
// Private to src/platform/os/: nothing outside this folder includes it.
//
// The portable parts (messages.cpp, message_box.cpp, display.cpp, resources.cpp,
// desktop_gamma.cpp) hold the message queue, timers and clock, the test hooks (message box
// handler, fake display list, resource table, gamma functions) and every rule that does
// not depend on the windowing system. A back end answers the few questions below and
// nothing else; the windows themselves (window.h, saver_windows.h) are wholly the back
// end's. Today's back end is sdl/ (with x11/ for foreign windows); the null back end is
// its offscreen video driver together with the fake displays and the message box handler,
// so every function here must work without a display. The Win32 back end (win32/) has the
// system's queue under the Win32 names, so messages.cpp is not built there and the message
// questions go unasked; it answers the message box, display, resource, gamma and foreign
// window questions.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/desktop_gamma.h"
#include "platform/os/display.h"
#include "platform/os/resources.h"
#include "platform/os/win32_types.h"

namespace eh::os::backend {

// Messages (sdl/events_sdl.cpp).

// Turns the windowing system's events waiting now into messages through the calls below.
// Returns false, doing nothing, when no windowing system is running (then only posted
// messages and timers exist).
bool PumpEvents();
// Whether a window this layer knows (RegisterWindow) has the keyboard focus now.
bool OwnsKeyboardFocus();

// Given by messages.cpp to the event pump: the window registered with native id `id`
// (never for id 0), or null.
HWND WindowOfNativeId(std::uint32_t id);
// Queues a message as PostMessageA does, to a window the pump found.
void PostEvent(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Queues `message` to every window this layer knows, in registration order.
void PostToEveryWindow(UINT message);

// Message boxes (sdl/message_box_sdl.cpp).

// Whether a box can reach the user at all (a display is set); when not, the text on
// stderr is all there is.
bool MessageBoxReachable();
// Shows a box (UTF-8 texts, MB_* type) and blocks until it is dismissed. A failure is
// harmless: the caller has already written the text to stderr.
void ShowMessageBox(const std::string& text, const std::string& caption, UINT type);

// Displays (sdl/display_sdl.cpp).

struct DisplayLayout {
    std::vector<DisplayDevice> devices;  // the primary first, virtual-screen coordinates
    POINT origin{0, 0};                  // the primary's corner in windowing coordinates
};
// The displays as the windowing system sees them now, starting it for the call when it is
// not running; empty when it cannot start.
DisplayLayout QueryDisplays();

// Resources (resources_generated.cpp; win32/resources_win32.cpp).

// Every resource of the executable, listed once; empty when it has none.
std::span<const ResourceEntry> EmbeddedResources();
// The executable's resource `type` `id` (the type matched without regard to ASCII case).
ResourceData FindEmbeddedResource(std::string_view type, int id);

// Given by resources.cpp to the back ends: a lookup in a table (types compared with
// SameResourceType).
ResourceData FindInTable(std::span<const ResourceEntry> table, std::string_view type, int id);

// The desktop's gamma ramp (sdl/desktop_gamma_sdl.cpp; win32/desktop_gamma_win32.cpp).

// Reads / writes the primary display's ramp; false when the display refuses (always on
// Linux, where the desktop's ramp is never ours to change).
bool ReadDesktopGammaRamp(GammaRamp* ramp);
bool WriteDesktopGammaRamp(const GammaRamp& ramp);

// The exit hooks (posix/exit_hooks_posix.cpp; win32/exit_hooks_win32.cpp).

// Given by exit_actions.cpp at the first AddExitAction: installs whatever makes
// RunExitActions run on the ways out of the process that skip the shell.
void ArmExitHooks();

// Foreign windows (x11/foreign_window_x11.cpp).

// Whether `id` names a window of another program on the default display. False without
// such a display, and never fatal for a bad id.
bool ForeignWindowExists(std::uintptr_t id);

}  // namespace eh::os::backend

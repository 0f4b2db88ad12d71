// The desktop's gamma ramp on Windows: GDI's ramp of the screen DC. The exit hooks that
// put the kept one back when the process ends without the shell's restore are the
// program-wide ones of exit_actions.h (win32/exit_hooks_win32.cpp).
#include "platform/os/backend.h"
#include "platform/os/desktop_gamma.h"
#include "platform/os/win32_types.h"

namespace eh::os::backend {

// GetDeviceGammaRamp / SetDeviceGammaRamp take a WORD[3][256]; GammaRamp is that layout.
static_assert(sizeof(GammaRamp) == sizeof(WORD) * 3 * 256);

bool ReadDesktopGammaRamp(GammaRamp* ramp) {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return false;
    const BOOL read = GetDeviceGammaRamp(screen, ramp);
    ReleaseDC(nullptr, screen);
    return read != FALSE;
}

bool WriteDesktopGammaRamp(const GammaRamp& ramp) {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return false;
    // The system takes the ramp as writable memory but only reads it.
    GammaRamp copy = ramp;
    const BOOL written = SetDeviceGammaRamp(screen, &copy);
    ReleaseDC(nullptr, screen);
    return written != FALSE;
}

}  // namespace eh::os::backend

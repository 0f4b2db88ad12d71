// The desktop's gamma ramp on Windows: GDI's ramp of the screen DC, and the exit hooks
// that put the kept one back when the process ends without the shell's restore.
#include <cstdlib>
#include <exception>

#include "platform/os/backend.h"
#include "platform/os/desktop_gamma.h"
#include "platform/os/win32_types.h"

namespace eh::os::backend {

// GetDeviceGammaRamp / SetDeviceGammaRamp take a WORD[3][256]; GammaRamp is that layout.
static_assert(sizeof(GammaRamp) == sizeof(WORD) * 3 * 256);

namespace {

// The filter that was the top-level one before ours; ours hands every exception on to it.
LPTOP_LEVEL_EXCEPTION_FILTER gPreviousFilter = nullptr;

// An exception nobody handled ends the process: the desktop gets its ramp first, then
// whoever filtered before us decides what happens (a debugger, a report, the end).
LONG WINAPI restoreOnUnhandledException(EXCEPTION_POINTERS* info) {
    RestoreDesktopGamma();
    if (gPreviousFilter != nullptr) return gPreviousFilter(info);
    return EXCEPTION_CONTINUE_SEARCH;
}

void restoreAtExit() {
    RestoreDesktopGamma();
}

// A C++ exception nobody catches ends in std::terminate, whose default aborts without the
// atexit list and without the exception filter.
std::terminate_handler gPreviousTerminate = nullptr;

[[noreturn]] void restoreOnTerminate() {
    RestoreDesktopGamma();
    if (gPreviousTerminate != nullptr) gPreviousTerminate();
    std::abort();
}

}  // namespace

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

// exit() and a return from main run the atexit list; an unhandled exception (access
// violation and the like) runs the top-level filter; an uncaught C++ exception runs the
// terminate handler. A filter or handler set later by somebody else replaces ours without
// calling it; nothing in the program sets one.
void ArmDesktopGammaExitHooks() {
    std::atexit(&restoreAtExit);
    gPreviousFilter = SetUnhandledExceptionFilter(&restoreOnUnhandledException);
    gPreviousTerminate = std::set_terminate(&restoreOnTerminate);
}

}  // namespace eh::os::backend

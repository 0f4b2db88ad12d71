// The desktop's gamma ramp, kept before the saver changes it and put back on every way
// out of the process.
//
// On Windows the saver sets its gamma through the Direct3D 8 device, and the system
// applies that ramp to the display itself: it outlives the device and the process unless
// somebody sets the old one again. Shutdown sets a linear ramp, but a run can end without
// it (a crash, the session ending) and the desktop's own ramp need not be linear. So the
// shell calls KeepDesktopGamma before the device's ramp is set and RestoreDesktopGamma
// when the device is gone (and when the session ends); the first successful keep also
// adds the restore to the program's exit actions (exit_actions.h), which on Windows run
// at exit (atexit), on an unhandled exception (a top-level exception filter chained to
// the one it replaces) and on an uncaught C++ exception (a terminate handler chained
// likewise). What cannot be covered: a process killed outright (TerminateProcess), where
// no code of ours runs.
//
// Win32 back end (win32/desktop_gamma_win32.cpp): GetDeviceGammaRamp / SetDeviceGammaRamp
// on the screen DC (GetDC(NULL), the primary display, which is adapter 0, where the device
// is made). Under Wine on a display without XF86VidMode (Xvfb) both fail: nothing is kept
// and nothing is restored.
//
// Linux back end (sdl/desktop_gamma_sdl.cpp): nothing is ever kept. Our Direct3D 8 layer
// over OpenGL applies the gamma ramp in its own present program and never touches the
// display's ramp (no SDL_SetWindowGammaRamp, no XF86VidMode), so the desktop has nothing
// to get back.
//
// GUI thread only, except the exit hooks, which run wherever the process ends. The kept
// ramp lives in static storage with no destructor, so it is still there in atexit and in
// the exception filter, and restoring allocates nothing.
#pragma once

#include <cstdint>

namespace eh::os {

// A display's gamma ramp: 256 16-bit entries per channel, in the order and layout of
// GDI's WORD[3][256] and of D3DGAMMARAMP (red, then green, then blue).
struct GammaRamp {
    std::uint16_t red[256];
    std::uint16_t green[256];
    std::uint16_t blue[256];
};

// How a keeper reads and writes the display's ramp; each returns false when the display
// refused.
using ReadGammaRampFn = bool (*)(GammaRamp* ramp);
using WriteGammaRampFn = bool (*)(const GammaRamp& ramp);

// The keep-and-restore rules over two display calls; the program-wide one below uses the
// back end's, tests pass their own.
class DesktopGammaKeeper {
  public:
    constexpr DesktopGammaKeeper(ReadGammaRampFn read, WriteGammaRampFn write)
        : read_(read), write_(write) {}

    // Reads the display's ramp unless one is kept already: the first successful read is
    // the desktop's own ramp and is kept for the whole process; later calls, made after
    // the saver may have changed it, never replace it. A failed read keeps nothing, and a
    // later call tries again. Returns whether a ramp is kept now.
    bool Keep();
    // Writes the kept ramp back. Without one it writes nothing and returns false.
    // Restoring again writes the same ramp again (harmless); the ramp stays kept, so a
    // failed write can be tried again by a later way out. Returns whether it was written.
    bool Restore() const;
    bool Kept() const { return kept_; }
    // The kept ramp; all zero while none is kept.
    const GammaRamp& Ramp() const { return ramp_; }

  private:
    ReadGammaRampFn read_;
    WriteGammaRampFn write_;
    bool kept_ = false;
    GammaRamp ramp_{};
};

// The program-wide keeper over the back end's display calls. The shell calls
// KeepDesktopGamma before the saver first changes the gamma; the first call that keeps a
// ramp arms the exit hooks (once per process). Both return as DesktopGammaKeeper's.
bool KeepDesktopGamma();
bool RestoreDesktopGamma();

// Tests: the program-wide keeper reads and writes through `read` and `write`, starting
// with nothing kept; the previous keeper, with what it kept, comes back on destruction.
// Exit hooks armed meanwhile stay armed and restore through whichever keeper is current.
class ScopedDesktopGammaFunctions {
  public:
    ScopedDesktopGammaFunctions(ReadGammaRampFn read, WriteGammaRampFn write);
    ~ScopedDesktopGammaFunctions();
    ScopedDesktopGammaFunctions(const ScopedDesktopGammaFunctions&) = delete;
    ScopedDesktopGammaFunctions& operator=(const ScopedDesktopGammaFunctions&) = delete;

  private:
    DesktopGammaKeeper previous_;
};

}  // namespace eh::os

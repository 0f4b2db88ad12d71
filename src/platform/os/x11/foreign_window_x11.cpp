// Windows of other programs on the X display: whether one exists, and the root window.
// Built with or without Xlib (EMBERHOLD_HAVE_X11); without it there are no foreign
// windows, and the preview's and the host's windows are reported missing.
#include <cstdint>

#include "platform/os/backend.h"
#include "platform/os/saver_windows.h"

#ifdef EMBERHOLD_HAVE_X11
#include <X11/Xlib.h>
#endif

namespace eh::os {

#ifdef EMBERHOLD_HAVE_X11
namespace {

int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

// Asks the server about the window without letting a bad id end the process through
// Xlib's default error handler.
bool backend::ForeignWindowExists(std::uintptr_t id) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    auto previous = XSetErrorHandler(ignoreXError);
    XWindowAttributes attributes;
    Status ok = XGetWindowAttributes(display, static_cast<Window>(id), &attributes);
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return ok != 0;
}

std::uintptr_t RootWindowId() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 0;
    std::uintptr_t root = DefaultRootWindow(display);
    XCloseDisplay(display);
    return root;
}

#else

bool backend::ForeignWindowExists(std::uintptr_t) {
    return false;
}

std::uintptr_t RootWindowId() {
    return 0;
}

#endif

}  // namespace eh::os

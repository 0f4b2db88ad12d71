// The desktop's gamma ramp on Linux: never read, never written. The Direct3D 8 layer over
// OpenGL applies the saver's ramp in its own present program, so the display's ramp is
// never changed (this back end calls no SDL_SetWindowGammaRamp, no XF86VidMode), and there
// is nothing to keep or to put back.
#include "platform/os/backend.h"

namespace eh::os::backend {

bool ReadDesktopGammaRamp(GammaRamp*) {
    return false;
}

bool WriteDesktopGammaRamp(const GammaRamp&) {
    return false;
}

}  // namespace eh::os::backend

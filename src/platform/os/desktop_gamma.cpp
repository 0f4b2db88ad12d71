#include "platform/os/desktop_gamma.h"

#include "platform/os/backend.h"
#include "platform/os/exit_actions.h"

namespace eh::os {

bool DesktopGammaKeeper::Keep() {
    if (kept_) return true;
    GammaRamp ramp{};
    if (read_ == nullptr || !read_(&ramp)) return false;
    ramp_ = ramp;
    kept_ = true;
    return true;
}

bool DesktopGammaKeeper::Restore() const {
    if (!kept_ || write_ == nullptr) return false;
    return write_(ramp_);
}

namespace {

// Constant-initialised and trivially destructible: alive before any code runs and after
// every destructor, so the exit hooks can always use it.
DesktopGammaKeeper gKeeper{&backend::ReadDesktopGammaRamp, &backend::WriteDesktopGammaRamp};

void restoreOnExit() {
    RestoreDesktopGamma();
}

}  // namespace

bool KeepDesktopGamma() {
    const bool kept = gKeeper.Keep();
    // The process's ways out that skip the shell restore it too (registered once).
    if (kept) AddExitAction(&restoreOnExit);
    return kept;
}

bool RestoreDesktopGamma() {
    return gKeeper.Restore();
}

ScopedDesktopGammaFunctions::ScopedDesktopGammaFunctions(ReadGammaRampFn read,
                                                         WriteGammaRampFn write)
    : previous_(gKeeper) {
    gKeeper = DesktopGammaKeeper(read, write);
}

ScopedDesktopGammaFunctions::~ScopedDesktopGammaFunctions() {
    gKeeper = previous_;
}

}  // namespace eh::os

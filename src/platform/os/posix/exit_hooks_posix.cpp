// The exit hooks on Linux: exit() and a return from main run the program's exit actions
// (exit_actions.h). A fatal signal runs none: nothing of ours is safe to run in a signal
// handler, and the temporary files of this program live in the user's own folder.
#include <cstdlib>

#include "platform/os/backend.h"
#include "platform/os/exit_actions.h"

namespace eh::os::backend {
namespace {

void runAtExit() {
    RunExitActions();
}

}  // namespace

void ArmExitHooks() {
    std::atexit(&runAtExit);
}

}  // namespace eh::os::backend

#include "platform/os/exit_actions.h"

#include <atomic>

#include "platform/os/backend.h"

namespace eh::os {
namespace {

// Constant-initialised and trivially destructible: alive before any code runs and after
// every destructor, so a hook can always read it.
ExitAction gActions[kMaxExitActions] = {};
std::atomic<int> gCount{0};
bool gArmed = false;

}  // namespace

bool AddExitAction(ExitAction action) {
    if (action == nullptr) return false;
    const int count = gCount.load();
    for (int i = 0; i < count; ++i)
        if (gActions[i] == action) return true;
    if (count == kMaxExitActions) return false;
    gActions[count] = action;
    gCount.store(count + 1);  // published after the slot is written
    if (!gArmed) {
        gArmed = true;
        backend::ArmExitHooks();
    }
    return true;
}

void RunExitActions() {
    for (int i = gCount.load() - 1; i >= 0; --i) gActions[i]();
}

}  // namespace eh::os

// Work that must be done however the process ends: the desktop's gamma ramp put back, the
// audio library's temporary file deleted.
//
// The program's own shutdown does this work on every orderly way out; the actions here
// cover the rest. The first registration arms the back end's hooks, once per process:
//   Windows (win32/exit_hooks_win32.cpp): exit() and a return from main (atexit), an
//     unhandled exception such as an access violation (a top-level exception filter,
//     chained to the one it replaces) and an uncaught C++ exception (a std::terminate
//     handler, chained likewise).
//   Linux (posix/exit_hooks_posix.cpp): exit() and a return from main (atexit).
// Not covered anywhere: a process killed outright (TerminateProcess, SIGKILL), where no
// code of ours runs.
//
// An action must be safe to run more than once (the exit list may follow a terminate
// handler that already ran it) and from whichever thread ends the process; it allocates
// as little as it can.
#pragma once

namespace eh::os {

using ExitAction = void (*)();

// The most actions the list holds.
inline constexpr int kMaxExitActions = 8;

// Adds `action` to the list (a function already there is not added again). False when
// the list is full or `action` is null.
bool AddExitAction(ExitAction action);

// Runs every action of the list, the latest added first. The back end's hooks call this.
void RunExitActions();

}  // namespace eh::os

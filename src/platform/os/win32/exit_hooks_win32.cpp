// The exit hooks on Windows: the ways out of the process that skip the shell run the
// program's exit actions (exit_actions.h).
#include <cstdlib>
#include <exception>

#include "platform/os/backend.h"
#include "platform/os/exit_actions.h"
#include "platform/os/win32_types.h"

namespace eh::os::backend {
namespace {

// The filter that was the top-level one before ours; ours hands every exception on to it.
LPTOP_LEVEL_EXCEPTION_FILTER gPreviousFilter = nullptr;

// An exception nobody handled ends the process: the actions run first, then whoever
// filtered before us decides what happens (a debugger, a report, the end).
LONG WINAPI runOnUnhandledException(EXCEPTION_POINTERS* info) {
    RunExitActions();
    if (gPreviousFilter != nullptr) return gPreviousFilter(info);
    return EXCEPTION_CONTINUE_SEARCH;
}

void runAtExit() {
    RunExitActions();
}

// A C++ exception nobody catches ends in std::terminate, whose default aborts without the
// atexit list and without the exception filter.
std::terminate_handler gPreviousTerminate = nullptr;

[[noreturn]] void runOnTerminate() {
    RunExitActions();
    if (gPreviousTerminate != nullptr) gPreviousTerminate();
    std::abort();
}

}  // namespace

// exit() and a return from main run the atexit list; an unhandled exception (access
// violation and the like) runs the top-level filter; an uncaught C++ exception runs the
// terminate handler. A filter or handler set later by somebody else replaces ours without
// calling it; nothing in the program sets one.
void ArmExitHooks() {
    std::atexit(&runAtExit);
    gPreviousFilter = SetUnhandledExceptionFilter(&runOnUnhandledException);
    gPreviousTerminate = std::set_terminate(&runOnTerminate);
}

}  // namespace eh::os::backend

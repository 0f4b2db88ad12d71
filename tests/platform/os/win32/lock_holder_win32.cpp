// A second copy of the program, as far as the instance lock is concerned: takes the lock
// named by its first argument, reports the outcome through the event named by its second
// (set when it holds the lock), then waits to be ended. The tests end it with
// TerminateProcess, as a crash would.
#include <cstdio>

#include "platform/os/single_instance.h"
#include "platform/os/win32_types.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    eh::os::SingleInstanceLock lock;
    if (!lock.Acquire(argv[1])) return 1;
    HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (held == nullptr) return 3;
    SetEvent(held);
    CloseHandle(held);
    Sleep(INFINITE);
    return 0;
}

#include "shell/console_win32.h"

#include <cstdio>

#include <windows.h>

namespace eh::shell {
namespace {

// A handle that output can be written to: a file, a pipe, a character device.
bool leadsSomewhere(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void AttachParentConsole() {
    const bool out = leadsSomewhere(STD_OUTPUT_HANDLE);
    const bool err = leadsSomewhere(STD_ERROR_HANDLE);
    if (out && err) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    // The C run-time set its streams up before main without a console; point the ones
    // that lead nowhere at the console just attached.
    if (!out && std::freopen("CONOUT$", "w", stdout) != nullptr)
        std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (!err) std::freopen("CONOUT$", "w", stderr);
}

}  // namespace eh::shell

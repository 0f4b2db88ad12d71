// What the files of the Win32 back end share among themselves. Private to this folder.
#pragma once

#include <string>

#include "platform/os/win32_types.h"

namespace eh::os::win32 {

// The procedure an offscreen window of this layer hands its messages to (RegisterWindow,
// AdoptWindow), or null when none is registered (messages_win32.cpp).
WNDPROC RegisteredProcedure(HWND window);

// UTF-8 to UTF-16 for the system's wide functions; invalid bytes become U+FFFD.
std::wstring Widen(const std::string& utf8);

}  // namespace eh::os::win32

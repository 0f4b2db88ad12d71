// Message boxes: the stand-in for MessageBoxA.
//
// A box blocks until dismissed (the back end's box when a display is reachable; otherwise
// the text goes to stderr and the call returns IDOK at once). Texts are ANSI bytes in the
// given code page. Tests install a handler to see the boxes instead of showing them.
// The handler, stderr and EMBERHOLD_NO_MESSAGE_BOXES are portable (message_box.cpp); the
// box itself is sdl/message_box_sdl.cpp. On Windows the real MessageBoxA shows the box:
// a Win32 back end implements backend::ShowMessageBox with it. <windows.h> declares
// MessageBoxA itself, so the wrapper at the end is for other systems only, and shared code
// whose boxes a test must see calls ShowMessageBox.
#pragma once

#include <functional>
#include <string>

#include "platform/os/codepage.h"
#include "platform/os/win32_types.h"

namespace eh::os {

struct MessageBoxCall {
    std::string text;     // UTF-8
    std::string caption;  // UTF-8
    UINT type = 0;
};

using MessageBoxHandler = std::function<int(const MessageBoxCall&)>;

// Shows a box; `text` and `caption` are bytes of `page`. Returns IDOK.
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type,
                   CodePage page = CodePage::Windows1252);

// Replaces how boxes are shown until the returned guard is destroyed (tests). With the
// environment variable EMBERHOLD_NO_MESSAGE_BOXES=1 boxes always go to stderr only.
class ScopedMessageBoxHandler {
public:
    explicit ScopedMessageBoxHandler(MessageBoxHandler handler);
    ~ScopedMessageBoxHandler();
    ScopedMessageBoxHandler(const ScopedMessageBoxHandler&) = delete;
    ScopedMessageBoxHandler& operator=(const ScopedMessageBoxHandler&) = delete;

private:
    MessageBoxHandler previous_;
};

}  // namespace eh::os

#ifndef _WIN32
// The Win32 spelling used by the shared code (Windows-1252 texts).
inline int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    return eh::os::ShowMessageBox(owner, text, caption, type);
}
#endif  // _WIN32

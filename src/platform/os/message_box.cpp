#include "platform/os/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace eh::os {
namespace {

MessageBoxHandler& currentHandler() {
    static MessageBoxHandler handler;
    return handler;
}

bool displayReachable() {
    const char* noBoxes = std::getenv("EMBERHOLD_NO_MESSAGE_BOXES");
    if (noBoxes && std::strcmp(noBoxes, "1") == 0) return false;
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

}  // namespace

int ShowMessageBox(HWND /*owner*/, const char* text, const char* caption, UINT type,
                   CodePage page) {
    MessageBoxCall call{ToUtf8(text ? text : "", page), ToUtf8(caption ? caption : "", page),
                        type};
    if (currentHandler()) return currentHandler()(call);

    std::fprintf(stderr, "[%s] %s\n", call.caption.c_str(), call.text.c_str());
    if (displayReachable()) {
        Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
        if ((type & 0xF0u) == MB_ICONERROR) flags = SDL_MESSAGEBOX_ERROR;
        if ((type & 0xF0u) == MB_ICONWARNING) flags = SDL_MESSAGEBOX_WARNING;
        // Fails harmlessly when no window system answers; stderr already has the text.
        SDL_ShowSimpleMessageBox(flags, call.caption.c_str(), call.text.c_str(), nullptr);
    }
    return IDOK;
}

ScopedMessageBoxHandler::ScopedMessageBoxHandler(MessageBoxHandler handler)
    : previous_(std::move(currentHandler())) {
    currentHandler() = std::move(handler);
}

ScopedMessageBoxHandler::~ScopedMessageBoxHandler() { currentHandler() = std::move(previous_); }

}  // namespace eh::os

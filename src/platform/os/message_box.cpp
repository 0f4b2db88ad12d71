// Message boxes: the test handler, stderr and the environment switch are the same for
// every back end; only showing a box is the back end's (backend::ShowMessageBox).
#include "platform/os/message_box.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/os/backend.h"

namespace eh::os {
namespace {

MessageBoxHandler& currentHandler() {
    static MessageBoxHandler handler;
    return handler;
}

bool boxesSwitchedOff() {
    const char* noBoxes = std::getenv("EMBERHOLD_NO_MESSAGE_BOXES");
    return noBoxes && std::strcmp(noBoxes, "1") == 0;
}

}  // namespace

int ShowMessageBox(HWND /*owner*/, const char* text, const char* caption, UINT type,
                   CodePage page) {
    MessageBoxCall call{ToUtf8(text ? text : "", page), ToUtf8(caption ? caption : "", page),
                        type};
    if (currentHandler()) return currentHandler()(call);

    std::fprintf(stderr, "[%s] %s\n", call.caption.c_str(), call.text.c_str());
    if (!boxesSwitchedOff() && backend::MessageBoxReachable())
        backend::ShowMessageBox(call.text, call.caption, type);
    return IDOK;
}

ScopedMessageBoxHandler::ScopedMessageBoxHandler(MessageBoxHandler handler)
    : previous_(std::move(currentHandler())) {
    currentHandler() = std::move(handler);
}

ScopedMessageBoxHandler::~ScopedMessageBoxHandler() { currentHandler() = std::move(previous_); }

}  // namespace eh::os

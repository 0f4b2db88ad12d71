// The eh::os:: part of saver_windows.h on Windows. The saver's own windows are the system's
// (RegisterClassA, CreateWindowExA ...); another program's window is named by its HWND.
#include "platform/os/saver_windows.h"

#include <algorithm>

namespace eh::os {

HWND ForeignWindow(std::uintptr_t id) {
    HWND window = reinterpret_cast<HWND>(id);
    return id != 0 && IsWindow(window) ? window : nullptr;
}

// The HWND of another program's window is only a name: nothing is held, nothing to let go.
void ReleaseForeignWindows() {}

// There is no root window to host a saver in on Windows: -root names no window and the run
// finds no host (ForeignWindow(0) is null). The desktop window is not one to draw into.
std::uintptr_t RootWindowId() {
    return 0;
}

void PaintBitmap(HWND window, HBITMAP bitmap) {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    if (target != nullptr && bitmap != nullptr) {
        BITMAP info{};
        RECT client{};
        HDC source = CreateCompatibleDC(target);
        if (source != nullptr && GetObjectA(bitmap, sizeof info, &info) != 0 &&
            GetClientRect(window, &client)) {
            HGDIOBJ previous = SelectObject(source, bitmap);
            // Unscaled at the top-left corner, no more than the client area takes.
            const int width = std::min<LONG>(info.bmWidth, client.right);
            const int height = std::min<LONG>(info.bmHeight, client.bottom);
            BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
            SelectObject(source, previous);
        }
        if (source != nullptr) DeleteDC(source);
    }
    // Ended even without a bitmap: the update region is validated, or WM_PAINT would repeat.
    EndPaint(window, &paint);
}

void AdoptWindow(HWND window, WNDPROC procedure) {
    RegisterWindow(window, procedure, 0);
}

}  // namespace eh::os

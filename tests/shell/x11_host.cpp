// Hosts the saver the way a screensaver control panel or XScreenSaver does: creates an X
// window, starts `emberhold <mode> <window id>` in it, looks at what is drawn, destroys
// the window, and expects the saver to end by itself.
//
//   x11_host EXE preview   /p ID: the still preview bitmap at the top-left, unscaled
//   x11_host EXE window    -window-id ID: the scene fills the window
//
// Run under Xvfb. Exit code 0 when everything was as expected.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr int kWidth = 320, kHeight = 240;

bool waitForExit(pid_t pid, int seconds, int* status) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (waitpid(pid, status, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string exe = argv[1];
    const bool preview = std::strcmp(argv[2], "preview") == 0;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display\n");
        return 77;
    }
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth,
                                        kHeight, 0, 0, 0x000000);
    XMapWindow(display, window);
    XSync(display, False);

    char id[32];
    std::snprintf(id, sizeof id, "%lu", static_cast<unsigned long>(window));
    pid_t pid = fork();
    if (pid == 0) {
        if (preview)
            execl(exe.c_str(), exe.c_str(), "/p", id, static_cast<char*>(nullptr));
        else
            execl(exe.c_str(), exe.c_str(), "-window-id", id, static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until something is drawn (a busy machine loads the scene slowly), at most 40 s,
    // then give it one more second to settle.
    XImage* image = nullptr;
    for (int tries = 0; tries < 80; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        image = XGetImage(display, window, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        bool drawn = false;
        for (int y = 0; image != nullptr && y < kHeight && !drawn; y += 8)
            for (int x = 0; x < kWidth && !drawn; x += 8)
                drawn = (XGetPixel(image, x, y) & 0xFFFFFF) != 0;
        if (image != nullptr) XDestroyImage(image);
        image = nullptr;
        if (drawn) break;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    image = XGetImage(display, window, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    int failures = 0;
    if (image == nullptr) {
        std::fprintf(stderr, "cannot read the window\n");
        ++failures;
    } else {
        // Brightness inside and outside the 155 x 115 preview bitmap.
        double inside = 0, outside = 0;
        int insideCount = 0, outsideCount = 0, distinct = 0;
        unsigned long last = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                unsigned long p = XGetPixel(image, x, y);
                double v = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
                if (p != last) ++distinct, last = p;
                if (x < 155 && y < 115) inside += v, ++insideCount;
                else outside += v, ++outsideCount;
            }
        inside /= insideCount * 3.0;
        outside /= outsideCount * 3.0;
        std::printf("%s: mean inside the bitmap %.1f, outside %.1f, %d colour changes\n",
                    argv[2], inside, outside, distinct);
        if (preview) {
            // The bitmap is drawn unscaled at (0, 0); the rest of the window is untouched.
            if (!(inside > 20.0)) ++failures;
            if (!(outside < 5.0)) ++failures;
        } else {
            if (!(inside > 20.0 && outside > 20.0 && distinct > 1000)) ++failures;
        }
        XDestroyImage(image);
    }

    if (preview) {
        // The host closes the preview by destroying its window.
        XDestroyWindow(display, window);
        XSync(display, False);
    } else {
        // XScreenSaver ends its hacks with SIGTERM.
        kill(pid, SIGTERM);
    }
    int status = 0;
    if (!waitForExit(pid, 20, &status)) {
        std::fprintf(stderr, "the saver did not end\n");
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ++failures;
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the saver ended with status %d\n", status);
        ++failures;
    }
    XCloseDisplay(display);
    return failures == 0 ? 0 : 1;
}

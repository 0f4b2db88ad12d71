// Plays the parts Windows plays around a screensaver, for the tests under Wine: the
// display control panel's preview host, the screensaver settings page that opens the
// configuration dialog, and the user who presses a key or closes the test window. It
// starts emberhold.scr itself so that it knows the process it watches, and reports what
// it saw on stdout, one "name: value" line per check; the exit code is 0 when every
// check held.
//
//   wine_host preview  SCR           a host window with the still preview in it
//   wine_host saver    SCR PAUSE     /s: full screen, a second copy, a key ends it
//   wine_host testwin  SCR PAUSE     /t: the 600 x 400 window, keys ignored, close command
//   wine_host dialog   SCR ok|cancel PAUSE
//                                    /c: the dialog; toggles "show_fps" and ends with OK
//                                    or Cancel
//   wine_host closed   SCR           /s at gamma 150 %, ended by WM_CLOSE to its window:
//                                    the screen's gamma ramp is the one before
//   wine_host endsession SCR         /s, then the session ends (WM_QUERYENDSESSION and
//                                    WM_ENDSESSION sent as the system sends them), then
//                                    the process is ended as the system ends it
// In every run of /s that shows the scene, the audio library's temporary file (a new
// "bas*.TMP" in the temporary folder) must exist while the saver runs and be gone once it
// has ended, however it ended. The scripts run the saver with its WAV-file output, so the
// library loads whether or not Wine has a sound device.
// PAUSE is a file path: when the window under test is up, the host writes PAUSE.ready
// and waits (up to a minute) for PAUSE to exist, so that the script can take its
// screenshot of exactly that state.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace {

constexpr char kSaverClass[] = "Emberhold 3D Screensaver";
constexpr char kDialogTitle[] = "Emberhold 3D Bildschirmschoner Konfiguration";
constexpr DWORD kStartTimeoutMs = 60000;  // media loading under Wine on a busy machine

int failures = 0;

void check(const char* name, bool ok, const std::string& detail = {}) {
    std::printf("%s: %s%s%s\n", name, ok ? "ok" : "FAILED", detail.empty() ? "" : " ",
                detail.c_str());
    std::fflush(stdout);
    if (!ok) ++failures;
}

void pump(DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

struct Child {
    PROCESS_INFORMATION info{};
    bool started = false;

    ~Child() {
        if (!started) return;
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 9);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    bool Running() const { return started && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }
    // Waits for the exit while serving this thread's messages (a preview child sends to
    // its parent's thread).
    bool WaitExit(DWORD timeoutMs, DWORD* code) {
        DWORD start = GetTickCount();
        while (Running()) {
            if (GetTickCount() - start > timeoutMs) return false;
            pump(20);
        }
        GetExitCodeProcess(info.hProcess, code);
        return true;
    }
};

bool start(Child& child, const std::string& scr, const std::string& arguments) {
    std::string line = "\"" + scr + "\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    child.started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &child.info) != 0;
    return child.started;
}

struct Search {
    DWORD pid;
    const char* className;
    HWND found;
};

BOOL CALLBACK findOfProcess(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (pid == s->pid && IsWindowVisible(window) && std::string(name) == s->className) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

// The first visible top-level window of `className` that process `pid` owns.
HWND waitForWindow(DWORD pid, const char* className, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        Search s{pid, className, nullptr};
        EnumWindows(findOfProcess, reinterpret_cast<LPARAM>(&s));
        if (s.found != nullptr) return s.found;
        pump(100);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

// The audio library's temporary files in this user's temporary folder (the saver's is the
// same: same user, same Wine prefix): "bas" and four hex digits, ".TMP".
std::set<std::string> audioLibraryFiles() {
    char folder[MAX_PATH + 1] = {};
    GetTempPathA(sizeof folder, folder);
    std::set<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((std::string(folder) + "bas*.TMP").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.insert(std::string(folder) + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// The files of `now` that were not there `before`.
std::set<std::string> newFiles(const std::set<std::string>& before, const std::set<std::string>& now) {
    std::set<std::string> added;
    for (const std::string& name : now)
        if (before.count(name) == 0) added.insert(name);
    return added;
}

// The size of a file, 0 when it cannot be read.
DWORD fileSize(const std::string& name) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

// While the saver runs: exactly one new library file, a loadable image's worth of bytes.
// The sound starts once the scene has loaded, which a busy machine can make late, and the
// file is written after it is made: both waited for up to the start time-out. Returns its
// name (empty when the check failed).
std::string checkLibraryFileWhileRunning(const std::set<std::string>& before) {
    std::set<std::string> added = newFiles(before, audioLibraryFiles());
    auto whole = [&] { return added.size() == 1 && fileSize(*added.begin()) > 4096; };
    for (DWORD start = GetTickCount(); !whole() && GetTickCount() - start < kStartTimeoutMs;) {
        pump(200);
        added = newFiles(before, audioLibraryFiles());
    }
    std::string name = added.size() == 1 ? *added.begin() : std::string();
    check("the audio library's file exists while the saver runs", whole(),
          std::to_string(added.size()) + " new: " + name + " (" +
              std::to_string(name.empty() ? 0 : fileSize(name)) + " bytes)");
    return name;
}

void checkLibraryFileGone(const std::string& name, const char* when) {
    const bool gone = !name.empty() && GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES;
    check((std::string("the audio library's file is gone ") + when).c_str(), gone, name);
}

void pauseForScreenshot(const std::string& pause) {
    std::string ready = pause + ".ready";
    if (FILE* f = std::fopen(ready.c_str(), "w")) std::fclose(f);
    for (int i = 0; i < 600 && GetFileAttributesA(pause.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
        pump(100);
    }
}

void pressKey(WORD key) {
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = key;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

std::string rectText(const RECT& r) {
    char text[96];
    std::snprintf(text, sizeof text, "(%ld, %ld)-(%ld, %ld)", static_cast<long>(r.left),
                  static_cast<long>(r.top), static_cast<long>(r.right), static_cast<long>(r.bottom));
    return text;
}

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// The preview: a host window of the size the control panel's monitor picture has, the
// saver started with /p and the host's handle, then the host destroyed.
int preview(const std::string& scr) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = hostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "PreviewHost";
    RegisterClassA(&wc);
    HWND host = CreateWindowExA(0, "PreviewHost", "Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                100, 100, 300, 240, nullptr, nullptr, wc.hInstance, nullptr);
    check("host window", host != nullptr);
    if (host == nullptr) return 1;
    RECT client{};
    GetClientRect(host, &client);

    Child saver;
    check("started /p", start(saver, scr, "/p " + std::to_string(reinterpret_cast<UINT_PTR>(host))));
    HWND child = nullptr;
    for (DWORD waited = 0; child == nullptr && waited < kStartTimeoutMs && saver.Running(); waited += 100) {
        pump(100);
        child = FindWindowExA(host, nullptr, kSaverClass, nullptr);
    }
    check("child window in the host", child != nullptr);
    if (child != nullptr) {
        RECT rect{};
        GetClientRect(child, &rect);
        check("child covers the host's client area",
              rect.right == client.right && rect.bottom == client.bottom, rectText(rect));
        pump(1500);  // the start wait and the first paint
        // Wine shows nothing that another process paints into a child window, so the
        // pixels cannot be read from here (the painting itself is tested in process); what
        // can be seen is that the saver answers WM_PAINT: an invalidated window is valid
        // again once its thread has painted.
        InvalidateRect(child, nullptr, FALSE);
        bool painted = false;
        for (int i = 0; i < 50 && !painted; ++i) {
            pump(100);
            painted = GetUpdateRect(child, nullptr, FALSE) == FALSE;
        }
        check("the saver paints its window", painted);
    }
    pressKey(VK_SPACE);
    pump(1000);
    check("input does not end the preview", saver.Running());
    DestroyWindow(host);
    DWORD code = 99;
    bool ended = saver.WaitExit(15000, &code);
    check("ends when the host destroys its window", ended);
    if (ended) check("exit code 0", code == 0, std::to_string(code));
    return failures == 0 ? 0 : 1;
}

// A top-level window with the configuration dialog's title, as a running dialog has.
HWND makeDialogTitledWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = hostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TitleOnly";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "TitleOnly", kDialogTitle, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                           nullptr, nullptr, wc.hInstance, nullptr);
}

// Seconds of sound after the first frame that is not silence in the saver's WAV mix
// (16-bit stereo at 44.1 kHz after a 44-byte header); 0 while it is silent or missing.
double secondsOfMusic(const char* wav) {
    FILE* f = std::fopen(wav, "rb");
    if (f == nullptr) return 0;
    std::fseek(f, 44, SEEK_SET);
    long frame = 0;
    long onset = -1;
    short sample[2];
    while (std::fread(sample, sizeof sample, 1, f) == 1) {
        if (onset < 0 && (sample[0] != 0 || sample[1] != 0)) onset = frame;
        ++frame;
    }
    std::fclose(f);
    return onset < 0 ? 0 : static_cast<double>(frame - onset) / 44100.0;
}

// The loading screen, then the scene with its music. On a busy machine loading takes
// longer than usual: when the mix goes to a file, wait until it holds the stretch of
// music the test measures, which also means the scene is on the screen.
void waitForTheScene(const Child& saver) {
    pump(8000);
    const char* wav = std::getenv("EMBERHOLD_AUDIO_WAV");
    if (wav == nullptr) return;
    std::string path = wav;
    for (int waited = 0; waited < 60000 && saver.Running() && secondsOfMusic(path.c_str()) < 9.0;
         waited += 500) {
        pump(500);
    }
}

// Starts `/s`, checks it and waits for its window; `libraryFilesBefore` gets the audio
// library files that were there before, so the saver's own can be told apart.
HWND startSaver(Child& saver, const std::string& scr, std::set<std::string>& libraryFilesBefore) {
    libraryFilesBefore = audioLibraryFiles();
    check("started /s", start(saver, scr, "/s"));
    HWND window = waitForWindow(saver.info.dwProcessId, kSaverClass, kStartTimeoutMs);
    check("saver window", window != nullptr);
    return window;
}

int saver(const std::string& scr, const std::string& pause) {
    {
        // The dialog's title alone keeps the saver from starting, whatever shows it.
        HWND titled = makeDialogTitledWindow();
        Child blocked;
        check("started /s beside a window with the dialog's title", start(blocked, scr, "/s"));
        DWORD code = 99;
        bool ended = blocked.WaitExit(15000, &code);
        check("it ends at once", ended && code == 0, std::to_string(code));
        DestroyWindow(titled);
    }

    std::set<std::string> libraryFilesBefore;
    Child first;
    HWND window = startSaver(first, scr, libraryFilesBefore);
    if (window == nullptr) return 1;
    RECT rect{};
    GetWindowRect(window, &rect);
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    check("covers the screen", EqualRect(&rect, &screen) != 0, rectText(rect));
    LONG style = GetWindowLongA(window, GWL_STYLE);
    LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    check("popup, top-most", (style & WS_POPUP) != 0 && (exStyle & WS_EX_TOPMOST) != 0);
    waitForTheScene(first);
    const std::string libraryFile = checkLibraryFileWhileRunning(libraryFilesBefore);
    pauseForScreenshot(pause);

    Child second;
    check("started a second /s", start(second, scr, "/s"));
    DWORD code = 99;
    bool ended = second.WaitExit(15000, &code);
    check("the second copy ends at once", ended && code == 0, std::to_string(code));
    check("the first copy runs on", first.Running());

    SetForegroundWindow(window);
    pump(300);
    pressKey(VK_SPACE);
    ended = first.WaitExit(15000, &code);
    check("a key ends the saver", ended);
    if (ended) check("exit code 0", code == 0, std::to_string(code));
    checkLibraryFileGone(libraryFile, "after a key ended the saver");
    return failures == 0 ? 0 : 1;
}

int testWindow(const std::string& scr, const std::string& pause) {
    Child saver;
    check("started /t", start(saver, scr, "/t"));
    HWND window = waitForWindow(saver.info.dwProcessId, kSaverClass, kStartTimeoutMs);
    check("test window", window != nullptr);
    if (window == nullptr) return 1;
    RECT client{};
    GetClientRect(window, &client);
    check("client area 600 x 400", client.right == 600 && client.bottom == 400, rectText(client));
    LONG style = GetWindowLongA(window, GWL_STYLE);
    check("caption and system menu", (style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU) != 0);
    pump(8000);
    pauseForScreenshot(pause);

    SetForegroundWindow(window);
    pump(300);
    pressKey(VK_SPACE);
    pump(2000);
    check("a key does not end the test window", saver.Running());
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 99;
    bool ended = saver.WaitExit(15000, &code);
    check("the close command ends it", ended);
    if (ended) check("exit code 0", code == 0, std::to_string(code));
    return failures == 0 ? 0 : 1;
}

int dialog(const std::string& scr, const std::string& pause, const std::string& action) {
    Child config;
    check("started /c", start(config, scr, "/c"));
    HWND box = waitForWindow(config.info.dwProcessId, "#32770", kStartTimeoutMs);
    check("dialog", box != nullptr);
    if (box == nullptr) return 1;
    char title[128] = {};
    GetWindowTextA(box, title, sizeof title);
    check("title", std::string(title) == kDialogTitle, title);
    pump(1000);
    pauseForScreenshot(pause);

    // "show_fps" (1044) clicked as a user would, then OK (1) or Cancel (2).
    HWND showFps = GetDlgItem(box, 1044);
    check("show_fps check box", showFps != nullptr);
    LRESULT before = SendMessageA(showFps, BM_GETCHECK, 0, 0);
    SendMessageA(showFps, BM_CLICK, 0, 0);
    LRESULT after = SendMessageA(showFps, BM_GETCHECK, 0, 0);
    check("the click sets the mark", before != after);
    SendMessageA(GetDlgItem(box, action == "ok" ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
    DWORD code = 99;
    bool ended = config.WaitExit(15000, &code);
    check("the dialog ends the program", ended);
    if (ended) check("exit code 0", code == 0, std::to_string(code));
    std::printf("ShowFPS after the click: %d\n", after == BST_CHECKED ? 1 : 0);
    return failures == 0 ? 0 : 1;
}

}  // namespace

// The screen's gamma ramp (GDI's WORD[3][256]); false where the display has none.
bool screenGammaRamp(WORD (&ramp)[3][256]) {
    HDC screen = GetDC(nullptr);
    const bool ok = screen != nullptr && GetDeviceGammaRamp(screen, ramp) != FALSE;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return ok;
}

// The full-screen saver with the gamma setting at 150 %, ended by WM_CLOSE posted to its
// window: the way out that skips Shutdown. Afterwards the screen's ramp must be the one it
// had before the saver started. Where the display has no ramp (Wine on Xvfb: no
// XF86VidMode) only the clean end can be seen, and the output says so.
int closed(const std::string& scr) {
    HKEY key = nullptr;
    const DWORD gamma = 150;
    const bool stored =
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kestrelle\\Emberhold 3D Screensaver", 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS &&
        RegSetValueExA(key, "GmCntrl", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&gamma),
                       sizeof gamma) == ERROR_SUCCESS;
    if (key != nullptr) RegCloseKey(key);
    check("GmCntrl 150 stored", stored);

    WORD before[3][256] = {};
    const bool readable = screenGammaRamp(before);
    std::set<std::string> libraryFilesBefore;
    Child saver;
    HWND window = startSaver(saver, scr, libraryFilesBefore);
    if (window == nullptr) return 1;
    pump(8000);  // device made, its ramp set, the scene drawing, the sound started
    const std::string libraryFile = checkLibraryFileWhileRunning(libraryFilesBefore);
    WORD during[3][256] = {};
    if (readable && screenGammaRamp(during))
        std::printf("gamma ramp while running: %s\n",
                    std::memcmp(during, before, sizeof before) == 0 ? "unchanged" : "changed");
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 99;
    const bool ended = saver.WaitExit(20000, &code);
    check("WM_CLOSE ends the saver", ended);
    if (ended) check("exit code 0", code == 0, std::to_string(code));
    checkLibraryFileGone(libraryFile, "after WM_CLOSE");
    if (!readable) {
        std::printf("gamma ramp: the screen has none here (GetDeviceGammaRamp fails); "
                    "its restore cannot be seen\n");
    } else {
        WORD after[3][256] = {};
        check("the screen's gamma ramp is back",
              screenGammaRamp(after) && std::memcmp(after, before, sizeof before) == 0);
    }
    return failures == 0 ? 0 : 1;
}

// The session ends while the saver runs: the system asks every top-level window
// (WM_QUERYENDSESSION), tells it the answer (WM_ENDSESSION) and may end the process as
// soon as that returns, so the library's file must be gone by then.
int endSession(const std::string& scr) {
    std::set<std::string> libraryFilesBefore;
    Child saver;
    HWND window = startSaver(saver, scr, libraryFilesBefore);
    if (window == nullptr) return 1;
    pump(8000);
    const std::string libraryFile = checkLibraryFileWhileRunning(libraryFilesBefore);
    DWORD_PTR answer = 0;
    const bool asked = SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 10000,
                                           &answer) != 0;
    check("WM_QUERYENDSESSION: the session may end", asked && answer == TRUE,
          std::to_string(answer));
    const bool told =
        SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 10000, &answer) != 0;
    check("WM_ENDSESSION answered", told);
    checkLibraryFileGone(libraryFile, "when WM_ENDSESSION returns");
    // What the system does next: the process ends without another message.
    check("the saver still ran until ended", saver.Running());
    TerminateProcess(saver.info.hProcess, 0);
    WaitForSingleObject(saver.info.hProcess, 10000);
    checkLibraryFileGone(libraryFile, "after the process was ended");
    return failures == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "preview" && argc == 3) return preview(argv[2]);
    if (command == "saver" && argc == 4) return saver(argv[2], argv[3]);
    if (command == "testwin" && argc == 4) return testWindow(argv[2], argv[3]);
    const bool dialogAction =
        argc == 5 && (std::string(argv[3]) == "ok" || std::string(argv[3]) == "cancel");
    if (command == "dialog" && dialogAction) return dialog(argv[2], argv[4], argv[3]);
    if (command == "closed" && argc == 3) return closed(argv[2]);
    if (command == "endsession" && argc == 3) return endSession(argv[2]);
    std::fprintf(stderr, "usage: wine_host preview SCR | saver SCR PAUSE | testwin SCR PAUSE | "
                         "dialog SCR ok|cancel PAUSE | closed SCR | endsession SCR\n");
    return 2;
}

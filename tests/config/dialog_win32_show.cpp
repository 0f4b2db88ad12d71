// Shows the configuration dialog over the shipped texts, the stored settings and a short
// list of display modes for a few seconds, then closes it as Cancel does (nothing is
// written). With --about the About box is opened over it first. For looking at the dialog
// under Wine and for its screenshot:
//   config_dialog_win32_show.exe [seconds] [--about]
#include <windows.h>
// after <windows.h>, whose types it uses
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/dialog_win32.h"
#include "config/settings_store.h"
#include "tests/config/win32_resources.h"

namespace {

using namespace eh::config;

bool g_about = false;
// Thread timers get their ids from SetTimer.
UINT_PTR g_aboutTimer = 0;

HWND findDialog(const char* title) {
    return FindWindowA("#32770", title);
}

void CALLBACK onTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    static TextTable* texts = nullptr;
    if (texts == nullptr) {
        texts = new TextTable;
        testing::LoadTextTable(texts);
    }
    if (timer == g_aboutTimer) {
        KillTimer(nullptr, timer);
        HWND dialog = findDialog(texts->Lookup("screensaver_configuration").c_str());
        if (dialog != nullptr) PostMessageA(GetDlgItem(dialog, dialog_id::kAbout), BM_CLICK, 0, 0);
        return;
    }
    // The About box first, then the dialog; each as Escape would.
    HWND about = FindWindowA("#32770", texts->Lookup("about").c_str());
    if (about != nullptr) PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
    HWND dialog = findDialog(texts->Lookup("screensaver_configuration").c_str());
    if (dialog != nullptr) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 10;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--about") == 0)
            g_about = true;
        else
            seconds = std::atoi(argv[i]);
    }
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);

    TextTable texts;
    DefaultSettings defaultText;
    if (!testing::LoadTextTable(&texts) || !testing::LoadDefaultSettings(&defaultText)) {
        std::fprintf(stderr, "the text table or the default settings are not linked in\n");
        return 1;
    }
    SaverSettings defaults;
    bool extra = false;
    BuildDefaultRecord(defaultText, &defaults, &extra);
    SaverSettings settings = defaults;
    LogFile log;
    MultisampleSupport supported{true, true, true, true};
    ListedModes modes({{640, 480, 16}, {800, 600, 32}, {1024, 768, 32}, {1280, 1024, 32}},
                      supported);

    DialogContext context;
    context.settings = &settings;
    context.defaults = &defaults;
    context.texts = &texts;
    context.log = &log;
    context.modes = &modes;

    if (g_about) g_aboutTimer = SetTimer(nullptr, 0, 1000, onTimer);
    SetTimer(nullptr, 0, static_cast<UINT>(seconds > 0 ? seconds : 1) * 1000, onTimer);
    int result = RunConfigDialogWin32(context, GetModuleHandleA(nullptr), nullptr);
    std::printf("dialog result %d\n", result);
    return result == kDialogNotShown ? 1 : 0;
}

// The configuration dialog under the system's dialog manager (Wine's user32 and comctl32
// here), driven the way a user drives it: clicks (BM_CLICK), keys and mouse drags on the
// trackbars, arrow keys on the lists, Enter and Escape through the dialog's own keyboard
// handling. The dialog runs its modal loop on a thread of its own; this thread finds it by
// its title, sends it messages, and reads what OK stored back from the registry.
#include <windows.h>
// after <windows.h>, whose types it uses
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "config/dialog_win32.h"
#include "config/settings_store.h"
#include "config/text_table.h"
#include "tests/config/win32_resources.h"

namespace eh::config {
namespace {

namespace id = dialog_id;

// ---- the registry, read and written without the code under test ------------------------

std::optional<DWORD> storedValue(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return value;
}

void storeValue(const char* name, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

int storedValueCount() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return static_cast<int>(values);
}

void deleteSettingsKey() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
}

// ---- waiting while this thread's own windows keep answering -----------------------------

template <typename Done>
bool waitFor(Done done, DWORD timeoutMs = 10000) {
    DWORD start = GetTickCount();
    while (!done()) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

std::string windowText(HWND window) {
    char buffer[512] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

// Every dialog window of `thread` other than `except`.
HWND otherDialogOf(DWORD thread, HWND except) {
    struct Search {
        HWND except;
        HWND found;
    } search{except, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            char cls[32] = {};
            GetClassNameA(window, cls, sizeof cls);
            if (window != s->except && std::string(cls) == "#32770" && IsWindowVisible(window)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// ---- the dialog on its own thread ---------------------------------------------------------

class LiveDialog : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // The shell does this at start-up; without it the trackbar class is unknown.
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
    }

    void SetUp() override {
        ASSERT_TRUE(testing::LoadTextTable(&texts)) << "resource 482 is not linked in";
        DefaultSettings defaultText;
        ASSERT_TRUE(testing::LoadDefaultSettings(&defaultText)) << "resource 495 is not linked in";
        BuildDefaultRecord(defaultText, &defaults, &defaultExtra);
        settings = defaults;
        extra = defaultExtra;
        deleteSettingsKey();

        char folder[MAX_PATH] = {};
        GetTempPathA(sizeof folder, folder);
        logPath = std::string(folder) + "eh-dialog-test-" + std::to_string(GetCurrentProcessId()) +
                  ".txt";
        log.Open(logPath.c_str());
    }

    void TearDown() override {
        if (worker.joinable()) {
            // A failed test may leave the dialog (or the About box over it) open.
            for (int i = 0; i < 3 && !finished; ++i) {
                if (HWND other = otherDialogOf(workerThread, dialog))
                    PostMessageA(other, WM_COMMAND, IDCANCEL, 0);
                if (dialog != nullptr) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                waitFor([&] { return finished.load(); }, 3000);
            }
            if (finished) {
                worker.join();
            } else {
                ADD_FAILURE() << "the dialog does not close";
                worker.detach();
                ExitProcess(1);  // it still uses this fixture's members
            }
        }
        log.Close();
        DeleteFileA(logPath.c_str());
        deleteSettingsKey();
    }

    DialogContext makeContext() {
        DialogContext c;
        c.settings = &settings;
        c.defaults = &defaults;
        c.texts = &texts;
        c.log = &log;
        c.showSfxOption = true;
        c.modes = &modes;
        c.readExtraSettings = [this] { ReadExtraSetting(extra, c_settingsPath); };
        c.writeExtraSettings = [this] { WriteExtraSetting(extra, c_settingsPath); };
        c.resetExtraSettings = [this] { extra = defaultExtra; };
        c.settingsPath = c_settingsPath;
        return c;
    }

    // Starts the dialog and waits until it is up and has handled WM_INITDIALOG.
    void open(HWND owner = nullptr) {
        context = makeContext();
        if (recordCommands) {
            context.onExtraCommand = [this](DialogControls&, int controlId, int code) {
                std::lock_guard<std::mutex> lock(commandsMutex);
                commands.emplace_back(controlId, code);
                return std::intptr_t{0};
            };
        }
        worker = std::thread([this, owner] {
            workerThread = GetCurrentThreadId();
            result = RunConfigDialogWin32(context, GetModuleHandleA(nullptr), owner);
            finished = true;
        });
        std::string title = texts.Lookup("screensaver_configuration");
        ASSERT_TRUE(waitFor([&] {
            // The single-instance check finds the dialog the same way, by its title.
            HWND found = FindWindowA("#32770", title.c_str());
            if (found == nullptr || workerThread == 0 ||
                GetWindowThreadProcessId(found, nullptr) != workerThread)
                return finished.load();
            dialog = found;
            return IsWindowVisible(found) != FALSE;
        })) << "no dialog titled "
            << title;
        ASSERT_FALSE(finished) << "the dialog did not open: " << result;
        SendMessageA(dialog, WM_NULL, 0, 0);  // WM_INITDIALOG is done once this returns
    }

    // Waits for the dialog to end and returns DialogBoxParam's result.
    int finish() {
        EXPECT_TRUE(waitFor([&] { return finished.load(); })) << "the dialog stays open";
        if (finished) worker.join();
        return result;
    }

    HWND item(int controlId) const { return GetDlgItem(dialog, controlId); }
    void click(int controlId) const { SendMessageA(item(controlId), BM_CLICK, 0, 0); }
    bool checked(int controlId) const {
        return SendMessageA(item(controlId), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    bool enabled(int controlId) const { return IsWindowEnabled(item(controlId)) != FALSE; }
    std::string text(int controlId) const { return windowText(item(controlId)); }
    int position(int controlId) const {
        return static_cast<int>(SendMessageA(item(controlId), TBM_GETPOS, 0, 0));
    }
    int selection(int controlId) const {
        return static_cast<int>(SendMessageA(item(controlId), CB_GETCURSEL, 0, 0));
    }
    // A key pressed and released on a control, as the keyboard sends it there.
    void key(int controlId, WPARAM vk) const {
        SendMessageA(item(controlId), WM_KEYDOWN, vk, 1);
        SendMessageA(item(controlId), WM_KEYUP, vk, 0xC0000001);
    }
    // A key through the dialog's message loop, where IsDialogMessage sees it (Enter,
    // Escape).
    void dialogKey(int focusId, WPARAM vk) const {
        PostMessageA(item(focusId), WM_KEYDOWN, vk, 1);
        PostMessageA(item(focusId), WM_KEYUP, vk, 0xC0000001);
    }

    // Drags the trackbar's thumb to the right until it reaches `target` (or the first
    // position past it). Returns the position it was let go at; `whileHeld` sees each step.
    template <typename Step>
    int drag(int controlId, int target, Step whileHeld) const {
        HWND bar = item(controlId);
        RECT thumb{}, channel{};
        SendMessageA(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        SendMessageA(bar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
        int y = (thumb.top + thumb.bottom) / 2;
        int x = (thumb.left + thumb.right) / 2;
        SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        while (position(controlId) < target && x < channel.right + 20) {
            ++x;
            SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
            whileHeld();
        }
        SendMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        return position(controlId);
    }

    std::string readLog() const {
        std::ifstream in(logPath, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }

    TextTable texts;
    SaverSettings defaults;
    SaverSettings settings;
    bool defaultExtra = false;
    bool extra = false;
    LogFile log;
    std::string logPath;
    std::string c_settingsPath;  // the registry back end has no use for a path
    // Types 0, 2, 3, 4 supported: list positions 0..3 hold types 0, 2, 3, 4.
    ListedModes modes{{{640, 480, 16}, {800, 600, 32}, {1024, 768, 16}, {1024, 768, 32}},
                      MultisampleSupport{true, true, true, true}};

    DialogContext context;
    bool recordCommands = false;
    std::mutex commandsMutex;
    std::vector<std::pair<int, int>> commands;

    std::thread worker;
    std::atomic<DWORD> workerThread{0};
    std::atomic<bool> finished{false};
    int result = 0;
    HWND dialog = nullptr;
};

TEST_F(LiveDialog, OpensWithTheShippedCaptionsAndTheDefaultsInItsControls) {
    open();
    EXPECT_EQ(windowText(dialog), "Emberhold 3D Bildschirmschoner Konfiguration");
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);

    // Captions as the text table holds them, bytes handed to the ANSI functions unchanged.
    EXPECT_EQ(text(id::kVideoGroup), "Videomodus");
    EXPECT_EQ(text(id::kVolumeLabel), texts.Lookup("master_volume:"));
    EXPECT_EQ(text(id::kAbout), texts.Lookup("about") + "...");
    EXPECT_EQ(text(id::kGammaLabel), "Gammakontrolle: 100%");
    EXPECT_EQ(text(id::kCancel), "Abbrechen");
    if (GetACP() == 1252) {
        wchar_t wide[64] = {};
        GetWindowTextW(item(id::kVolumeLabel), wide, 64);
        EXPECT_EQ(std::wstring(wide), L"Lautst\u00e4rke:");
    }

    // Marks and greying from the shipped defaults.
    EXPECT_FALSE(checked(id::kShowFps));
    EXPECT_TRUE(checked(id::kShowTime));
    EXPECT_TRUE(checked(id::kClock24h));
    EXPECT_FALSE(checked(id::kClock12h));
    EXPECT_FALSE(checked(id::kExitOnMouseMove));
    EXPECT_TRUE(checked(id::kMusic));
    EXPECT_TRUE(checked(id::kSfx));
    EXPECT_TRUE(IsWindowVisible(item(id::kSfx)));
    EXPECT_TRUE(checked(id::kUseDesktopSettings));
    EXPECT_FALSE(enabled(id::kModeList));
    EXPECT_TRUE(enabled(id::kVolume));

    // Trackbars: ranges, positions and page sizes.
    HWND volume = item(id::kVolume);
    EXPECT_EQ(SendMessageA(volume, TBM_GETRANGEMIN, 0, 0), 1);
    EXPECT_EQ(SendMessageA(volume, TBM_GETRANGEMAX, 0, 0), 100);
    EXPECT_EQ(SendMessageA(volume, TBM_GETPAGESIZE, 0, 0), 10);
    EXPECT_EQ(position(id::kVolume), 70);
    HWND gamma = item(id::kGamma);
    EXPECT_EQ(SendMessageA(gamma, TBM_GETRANGEMIN, 0, 0), 10);
    EXPECT_EQ(SendMessageA(gamma, TBM_GETRANGEMAX, 0, 0), 200);
    EXPECT_EQ(SendMessageA(gamma, TBM_GETPAGESIZE, 0, 0), 1);
    EXPECT_EQ(position(id::kGamma), 100);

    // Lists: entries, item data and the current choice.
    HWND modeList = item(id::kModeList);
    ASSERT_EQ(SendMessageA(modeList, CB_GETCOUNT, 0, 0), 4);
    char entry[64] = {};
    SendMessageA(modeList, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(entry));
    EXPECT_STREQ(entry, "1024 x 768 16 bits");
    EXPECT_EQ(SendMessageA(modeList, CB_GETITEMDATA, 3, 0), 3);
    EXPECT_EQ(selection(id::kModeList), 1);
    HWND fsaaList = item(id::kFsaaList);
    ASSERT_EQ(SendMessageA(fsaaList, CB_GETCOUNT, 0, 0), 4);
    SendMessageA(fsaaList, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
    EXPECT_EQ(std::string(entry), texts.Lookup("none"));
    SendMessageA(fsaaList, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(entry));
    EXPECT_EQ(std::string(entry), "4 " + texts.Lookup("samples"));
    EXPECT_EQ(selection(id::kFsaaList), 0);

    // The scene's extra check box has no place in the template.
    EXPECT_EQ(item(id::kExtraCheck), nullptr);

    click(id::kCancel);
    EXPECT_EQ(finish(), 2);
    EXPECT_EQ(storedValueCount(), 0) << "Cancel wrote to the registry";
}

TEST_F(LiveDialog, OkStoresWhatTheControlsShow) {
    open();
    click(id::kShowFps);
    EXPECT_TRUE(checked(id::kShowFps));
    click(id::kExitOnMouseMove);
    click(id::kClock12h);
    EXPECT_TRUE(checked(id::kClock12h));
    EXPECT_FALSE(checked(id::kClock24h));

    // A keyboard step on the volume is stored too: OK keeps what the slider shows.
    key(id::kVolume, VK_RIGHT);
    EXPECT_EQ(position(id::kVolume), 71);

    // Dragging the gamma thumb: the label follows while it is still held. A step counts only
    // when the thumb stood still around the label's read: a mouse move the system makes up
    // (the virtual display's pointer rests over the dialog) may reach the held thumb between
    // two of this thread's reads.
    std::vector<std::string> mismatches;
    int compared = 0;
    int gamma = drag(id::kGamma, 150, [&] {
        int before = position(id::kGamma);
        std::string label = text(id::kGammaLabel);
        if (position(id::kGamma) != before) return;
        ++compared;
        if (label != "Gammakontrolle: " + std::to_string(before) + "%") mismatches.push_back(label);
    });
    EXPECT_GT(compared, 10);
    EXPECT_TRUE(mismatches.empty()) << mismatches.front();
    EXPECT_GE(gamma, 150);
    EXPECT_LE(gamma, 155);
    EXPECT_EQ(text(id::kGammaLabel), "Gammakontrolle: " + std::to_string(gamma) + "%");

    // The last multisample entry is type 4, not list position 3.
    key(id::kFsaaList, VK_END);
    EXPECT_EQ(selection(id::kFsaaList), 3);

    // The mode list comes alive with the desktop settings off; the arrow picks the next mode.
    click(id::kUseDesktopSettings);
    EXPECT_TRUE(enabled(id::kModeList));
    key(id::kModeList, VK_DOWN);
    EXPECT_EQ(selection(id::kModeList), 2);

    click(id::kOk);
    EXPECT_EQ(finish(), 1);

    EXPECT_EQ(storedValue("ShowFPS"), 2u);
    EXPECT_EQ(storedValue("ExitOnMouseMove"), 2u);
    EXPECT_EQ(storedValue("ShowTime"), 2u);
    EXPECT_EQ(storedValue("DigClock_24H"), 1u);
    EXPECT_EQ(storedValue("Music"), 2u);
    EXPECT_EQ(storedValue("SFX"), 2u);
    EXPECT_EQ(storedValue("MusicVolume"), 71u);
    EXPECT_EQ(storedValue("GmCntrl"), static_cast<DWORD>(gamma));
    EXPECT_EQ(storedValue("FSAA"), 4u);
    EXPECT_EQ(storedValue("UseDesktopSettings"), 1u);
    EXPECT_EQ(storedValue("Width"), 1024u);
    EXPECT_EQ(storedValue("Height"), 768u);
    EXPECT_EQ(storedValue("BitCount"), 16u);
    EXPECT_EQ(storedValue("UPS"), 2u);  // the scene's extra setting, at its default

    std::string logText = readLog();
    EXPECT_NE(logText.find("Write settings to reg complete.\r\n"), std::string::npos) << logText;
    EXPECT_NE(logText.find("Log finished"), std::string::npos) << logText;
}

TEST_F(LiveDialog, StoredValuesShowAndRestoreDefaultsThenCancelLeavesThemStored) {
    storeValue("ShowFPS", 2);
    storeValue("GmCntrl", 150);
    storeValue("MusicVolume", 35);
    storeValue("Music", 1);
    storeValue("SFX", 1);
    storeValue("UseDesktopSettings", 1);
    storeValue("Width", 1024);
    storeValue("Height", 768);
    storeValue("BitCount", 32);
    int before = storedValueCount();

    open();
    EXPECT_TRUE(checked(id::kShowFps));
    EXPECT_EQ(position(id::kGamma), 150);
    EXPECT_EQ(text(id::kGammaLabel), "Gammakontrolle: 150%");
    EXPECT_EQ(position(id::kVolume), 35);
    // Music and SFX both off: the slider and its label are greyed.
    EXPECT_FALSE(enabled(id::kVolume));
    EXPECT_FALSE(enabled(id::kVolumeLabel));
    EXPECT_TRUE(enabled(id::kModeList));
    EXPECT_EQ(selection(id::kModeList), 3);

    click(id::kRestoreDefaults);
    EXPECT_FALSE(checked(id::kShowFps));
    EXPECT_EQ(position(id::kGamma), 100);
    EXPECT_EQ(text(id::kGammaLabel), "Gammakontrolle: 100%");
    EXPECT_EQ(position(id::kVolume), 70);
    EXPECT_TRUE(enabled(id::kVolume));
    EXPECT_TRUE(enabled(id::kVolumeLabel));
    EXPECT_TRUE(checked(id::kMusic));
    EXPECT_TRUE(checked(id::kUseDesktopSettings));
    EXPECT_FALSE(enabled(id::kModeList));
    EXPECT_EQ(selection(id::kModeList), 1);  // 800 x 600 32 bits, greyed but shown

    // Escape through the dialog's keyboard handling is Cancel.
    dialogKey(id::kShowFps, VK_ESCAPE);
    EXPECT_EQ(finish(), 2);
    EXPECT_EQ(storedValueCount(), before);
    EXPECT_EQ(storedValue("ShowFPS"), 2u);
    EXPECT_EQ(storedValue("GmCntrl"), 150u);
    EXPECT_EQ(storedValue("MusicVolume"), 35u);
    EXPECT_EQ(storedValue("Music"), 1u);
    EXPECT_EQ(storedValue("Width"), 1024u);
    EXPECT_EQ(readLog().find("Write settings"), std::string::npos);
}

TEST_F(LiveDialog, DependentControlsGreyAndComeBackAndTheCloseBoxCancels) {
    open();
    click(id::kMusic);
    EXPECT_FALSE(checked(id::kMusic));
    EXPECT_TRUE(enabled(id::kVolume));  // SFX still on
    click(id::kSfx);
    EXPECT_FALSE(enabled(id::kVolume));
    EXPECT_FALSE(enabled(id::kVolumeLabel));
    click(id::kSfx);
    EXPECT_TRUE(enabled(id::kVolume));
    EXPECT_TRUE(enabled(id::kVolumeLabel));

    click(id::kShowTime);
    EXPECT_FALSE(checked(id::kShowTime));
    EXPECT_FALSE(enabled(id::kClock24h));
    EXPECT_FALSE(enabled(id::kClock12h));
    EXPECT_TRUE(checked(id::kClock24h));  // the style is kept while greyed
    click(id::kShowTime);
    EXPECT_TRUE(enabled(id::kClock24h));

    // Clicking the marked radio button again changes nothing.
    click(id::kClock24h);
    EXPECT_TRUE(checked(id::kClock24h));
    EXPECT_FALSE(checked(id::kClock12h));

    SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(finish(), 2);
    EXPECT_EQ(storedValue("Music"), std::nullopt);
}

TEST_F(LiveDialog, EnterPressesOk) {
    open();
    click(id::kShowFps);
    dialogKey(id::kShowFps, VK_RETURN);
    EXPECT_EQ(finish(), 1);
    EXPECT_EQ(storedValue("ShowFPS"), 2u);
}

TEST_F(LiveDialog, AboutOpensOverTheDialogAndClosesWithOkOrEscape) {
    open();
    AboutTexts expected = BuildAboutTexts(texts);
    for (bool withOk : {true, false}) {
        SCOPED_TRACE(withOk ? "OK" : "Escape");
        // Posted: the About box's own modal loop runs inside the click.
        PostMessageA(item(id::kAbout), BM_CLICK, 0, 0);
        HWND about = nullptr;
        ASSERT_TRUE(
            waitFor([&] { return (about = otherDialogOf(workerThread, dialog)) != nullptr; }));
        SendMessageA(about, WM_NULL, 0, 0);
        EXPECT_EQ(GetWindow(about, GW_OWNER), dialog);
        EXPECT_FALSE(IsWindowEnabled(dialog)) << "the dialog must wait for the About box";
        EXPECT_EQ(windowText(about), expected.title);
        EXPECT_EQ(windowText(GetDlgItem(about, IDOK)), expected.ok);
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(windowText(GetDlgItem(about, id::kAboutFirstLine + i)),
                      expected.lines[static_cast<std::size_t>(i)])
                << i;
        if (withOk) {
            SendMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
        } else {
            PostMessageA(GetDlgItem(about, IDOK), WM_KEYDOWN, VK_ESCAPE, 1);
        }
        ASSERT_TRUE(waitFor([&] { return !IsWindow(about) && IsWindowEnabled(dialog); }));
        EXPECT_FALSE(finished) << "closing the About box closed the dialog";
    }
    click(id::kCancel);
    EXPECT_EQ(finish(), 2);
    EXPECT_EQ(storedValueCount(), 0);
}

TEST_F(LiveDialog, ListChoicesAndClicksReachTheExtraHookWithTheirNotification) {
    recordCommands = true;
    open();
    click(id::kShowFps);
    key(id::kFsaaList, VK_DOWN);
    EXPECT_EQ(selection(id::kFsaaList), 1);
    click(id::kCancel);
    EXPECT_EQ(finish(), 2);

    auto seen = [&](int controlId, int code) {
        for (const auto& c : commands)
            if (c.first == controlId && c.second == code) return true;
        return false;
    };
    EXPECT_TRUE(seen(id::kShowFps, BN_CLICKED));
    EXPECT_TRUE(seen(id::kFsaaList, CBN_SELENDOK));
    // OK and Cancel end the dialog before the hook: it has nothing to add to them.
    EXPECT_FALSE(seen(id::kCancel, BN_CLICKED));
    EXPECT_EQ(settings.FSAA, 2);  // the second supported entry is type 2
}

// A list whose choice changes with only CBN_SELCHANGE to say so (a system that does not
// follow it with CBN_SELENDOK while the list is closed) still sets the setting; while the
// list is open, the choice waits for CBN_SELENDOK.
TEST_F(LiveDialog, AClosedListsSelectionChangeIsTakenAnOpenOnesWaits) {
    recordCommands = true;
    open();
    HWND fsaa = item(id::kFsaaList);
    auto selChange = [&] {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id::kFsaaList, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(fsaa));
    };
    SendMessageA(fsaa, CB_SETCURSEL, 2, 0);  // sends no notification of its own
    selChange();
    SendMessageA(fsaa, CB_SHOWDROPDOWN, TRUE, 0);
    ASSERT_NE(SendMessageA(fsaa, CB_GETDROPPEDSTATE, 0, 0), 0);
    std::size_t before = 0;
    {
        std::lock_guard<std::mutex> lock(commandsMutex);
        before = commands.size();
    }
    SendMessageA(fsaa, CB_SETCURSEL, 3, 0);
    selChange();
    std::size_t after = 0;
    {
        std::lock_guard<std::mutex> lock(commandsMutex);
        after = commands.size();
    }
    EXPECT_EQ(after, before) << "a change inside the open list was taken before its end";
    SendMessageA(fsaa, CB_SHOWDROPDOWN, FALSE, 0);
    SendMessageA(fsaa, CB_SETCURSEL, 2, 0);
    click(id::kCancel);
    EXPECT_EQ(finish(), 2);
    EXPECT_EQ(settings.FSAA, 3);  // list position 2 is type 3
    bool seen = false;
    for (const auto& c : commands) seen |= c.first == id::kFsaaList && c.second == CBN_SELENDOK;
    EXPECT_TRUE(seen);
}

// A module without the template (a build that left the resource script out): nothing is
// shown, read or written, and the caller learns it.
TEST_F(LiveDialog, AModuleWithoutTheTemplateShowsNothing) {
    DialogContext c = makeContext();
    EXPECT_EQ(RunConfigDialogWin32(c, GetModuleHandleA("kernel32.dll"), nullptr), kDialogNotShown);
    EXPECT_EQ(storedValueCount(), 0);
    EXPECT_EQ(readLog().find("Read settings"), std::string::npos);
}

TEST_F(LiveDialog, IsOwnedByTheHostWindowAndStandsAloneWhenThatIsGone) {
    HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    open(host);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), host);
    EXPECT_FALSE(IsWindowEnabled(host)) << "the host waits for the modal dialog";
    click(id::kCancel);
    EXPECT_EQ(finish(), 2);
    EXPECT_TRUE(IsWindowEnabled(host));

    // A handle that is no longer a window (the host went away) leaves the dialog unowned.
    DestroyWindow(host);
    worker = std::thread();
    finished = false;
    workerThread = 0;
    dialog = nullptr;
    open(host);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
    click(id::kCancel);
    EXPECT_EQ(finish(), 2);
}

}  // namespace
}  // namespace eh::config

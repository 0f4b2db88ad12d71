#include "config/dialog_win32.h"

#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include "config/text_table.h"

namespace eh::config {
namespace id = dialog_id;

namespace {

// What the procedure of one open configuration dialog works on; lives on the stack of
// RunConfigDialogWin32 and is reached through DWLP_USER.
struct ConfigDialogWindow {
    ConfigDialogController* controller = nullptr;
    const TextTable* texts = nullptr;
    HINSTANCE instance = nullptr;
    // What the controls show now, so that sync touches only what changed: setting a
    // caption or refilling a list repaints it (and a refill would close an open list).
    std::map<int, std::string> shownText;
    std::map<int, std::vector<ListItem>> shownItems;
    bool syncing = false;
};

// The controls sync visits: the template's, and the extra check box, which exists only
// where a template has room for it (GetDlgItem finds none in ours).
struct SyncedControl {
    int id;
    ControlKind kind;
};

std::vector<SyncedControl> syncedControls() {
    std::vector<SyncedControl> out;
    for (const ControlTemplate& c : ConfigDialogTemplate().controls) {
        if (c.id > 0) out.push_back({c.id, c.kind});
    }
    out.push_back({id::kExtraCheck, ControlKind::CheckBox});
    return out;
}

void setText(ConfigDialogWindow& w, HWND item, int controlId, const std::string& text) {
    auto it = w.shownText.find(controlId);
    if (it != w.shownText.end() && it->second == text) return;
    SetWindowTextA(item, text.c_str());
    w.shownText[controlId] = text;
}

void syncTrackbar(HWND item, const ControlState& s) {
    SendMessageA(item, TBM_SETRANGEMIN, FALSE, s.rangeMin);
    SendMessageA(item, TBM_SETRANGEMAX, TRUE, s.rangeMax);
    SendMessageA(item, TBM_SETPAGESIZE, 0, s.pageSize);
    if (SendMessageA(item, TBM_GETPOS, 0, 0) != s.position)
        SendMessageA(item, TBM_SETPOS, TRUE, s.position);
}

void syncList(ConfigDialogWindow& w, HWND item, int controlId, const ControlState& s) {
    std::vector<ListItem>& shown = w.shownItems[controlId];
    if (shown != s.items) {
        SendMessageA(item, CB_RESETCONTENT, 0, 0);
        for (const ListItem& entry : s.items) {
            LRESULT index =
                SendMessageA(item, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.text.c_str()));
            if (index >= 0) SendMessageA(item, CB_SETITEMDATA, index, entry.data);
        }
        shown = s.items;
    }
    if (SendMessageA(item, CB_GETCURSEL, 0, 0) != s.selection)
        SendMessageA(item, CB_SETCURSEL, s.selection, 0);  // -1 clears it
}

// Shows the controller's control states in the dialog's controls.
void sync(HWND dialog, ConfigDialogWindow& w) {
    w.syncing = true;
    const DialogControls& controls = w.controller->Controls();
    for (const SyncedControl& c : syncedControls()) {
        HWND item = GetDlgItem(dialog, c.id);
        if (item == nullptr) continue;
        const ControlState& s = controls.Get(c.id);
        switch (c.kind) {
            case ControlKind::CheckBox:
            case ControlKind::RadioButton:
                if (!s.text.empty()) setText(w, item, c.id, s.text);
                CheckDlgButton(dialog, c.id, s.checked ? BST_CHECKED : BST_UNCHECKED);
                break;
            case ControlKind::Trackbar:
                syncTrackbar(item, s);
                break;
            case ControlKind::DropDownList:
                syncList(w, item, c.id, s);
                break;
            default:
                setText(w, item, c.id, s.text);
                break;
        }
        bool visible = (GetWindowLongA(item, GWL_STYLE) & WS_VISIBLE) != 0;
        if (visible != s.visible) ShowWindow(item, s.visible ? SW_SHOWNA : SW_HIDE);
        EnableWindow(item, s.enabled ? TRUE : FALSE);
    }
    w.syncing = false;
}

// Stores the trackbars' positions in the controller's controls, as it expects before
// HScroll (the handler reads both; WM_HSCROLL does not say which one moved).
void readTrackbars(HWND dialog, ConfigDialogWindow& w) {
    for (int trackbar : {id::kVolume, id::kGamma}) {
        HWND item = GetDlgItem(dialog, trackbar);
        if (item != nullptr)
            w.controller->Controls()[trackbar].position =
                static_cast<int>(SendMessageA(item, TBM_GETPOS, 0, 0));
    }
}

void act(HWND dialog, ConfigDialogWindow& w, DialogAction action) {
    switch (action) {
        case DialogAction::ShowAbout:
            ShowAboutBoxWin32(w.instance, dialog, *w.texts);
            break;
        case DialogAction::EndDialog:
            EndDialog(dialog, w.controller->EndResult());
            break;
        case DialogAction::None:
            break;
    }
}

// WM_COMMAND. A drop-down list reports a choice made in its open list with CBN_SELENDOK;
// a choice made with the arrow keys while it is closed may come as CBN_SELCHANGE alone,
// depending on the system's version, so that is taken as well: the setting always follows
// what the list shows. Changes while the list is open wait for CBN_SELENDOK (Escape there
// takes the choice back). Taking the same choice twice changes nothing.
void command(HWND dialog, ConfigDialogWindow& w, int controlId, int notification, HWND from) {
    if (controlId == id::kModeList || controlId == id::kFsaaList) {
        if (notification == CBN_SELCHANGE) {
            if (SendMessageA(from, CB_GETDROPPEDSTATE, 0, 0) != 0) return;
            notification = CBN_SELENDOK;
        }
        if (notification == CBN_SELENDOK)
            w.controller->Controls()[controlId].selection =
                static_cast<int>(SendMessageA(from, CB_GETCURSEL, 0, 0));
    }
    act(dialog, w, w.controller->Command(controlId, notification));
}

INT_PTR CALLBACK configProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* w = reinterpret_cast<ConfigDialogWindow*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        w = reinterpret_cast<ConfigDialogWindow*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        w->controller->InitDialog();
        SetWindowTextA(dialog, w->controller->Title().c_str());
        sync(dialog, *w);
        return TRUE;  // focus to the first tab stop
    }
    if (w == nullptr || w->syncing) return FALSE;

    switch (message) {
        case WM_COMMAND:
            command(dialog, *w, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            sync(dialog, *w);
            return TRUE;
        case WM_HSCROLL:
            readTrackbars(dialog, *w);
            w->controller->HScroll(LOWORD(wParam));
            sync(dialog, *w);
            return TRUE;
        case WM_CLOSE:
            act(dialog, *w, w->controller->Close());
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* texts = reinterpret_cast<const AboutTexts*>(lParam);
            SetWindowTextA(dialog, texts->title.c_str());
            SetDlgItemTextA(dialog, id::kOk, texts->ok.c_str());
            for (int i = 0; i < 7; ++i) {
                SetDlgItemTextA(dialog, id::kAboutFirstLine + i,
                                texts->lines[static_cast<std::size_t>(i)].c_str());
            }
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 2);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

int RunConfigDialogWin32(const DialogContext& context, HINSTANCE instance, HWND owner) {
    ConfigDialogController controller(context);
    ConfigDialogWindow window;
    window.controller = &controller;
    window.texts = context.texts;
    window.instance = instance;
    // A handle the host passed that is not (or no longer) a window would make the dialog
    // fail; the dialog then stands alone.
    if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(ConfigDialogTemplate().id), owner,
                                     configProc, reinterpret_cast<LPARAM>(&window));
    if (result <= 0) return kDialogNotShown;
    return static_cast<int>(result);
}

int ShowAboutBoxWin32(HINSTANCE instance, HWND owner, const TextTable& texts) {
    AboutTexts about = BuildAboutTexts(texts);
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(AboutDialogTemplate().id), owner,
                                     aboutProc, reinterpret_cast<LPARAM>(&about));
    return result <= 0 ? kDialogNotShown : static_cast<int>(result);
}

}  // namespace eh::config

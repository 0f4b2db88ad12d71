// The configuration dialog's behaviour, without a window system.
//
// ConfigDialogController is the dialog procedure of template 2003: it receives the
// dialog's messages (InitDialog, Command, HScroll, Close) and keeps the state of every
// control in DialogControls, which a view (the GTK one, or a test) shows and feeds back:
// before it reports a user action the view stores what the user changed in the control
// (a trackbar's position, a list's selection); after each call it shows the controls
// again. Check boxes and radio buttons are not automatic: only the controller sets marks.
//
// The settings record, the defaults, the texts, the log and the extra setting belong to
// the application; DialogContext lends them for the dialog's lifetime.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "config/dialog_lists.h"
#include "config/dialog_template.h"
#include "config/log_file.h"
#include "config/settings_store.h"

namespace eh::config {

class TextTable;

struct ControlState {
    std::string text;  // Windows-1252 bytes
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    // Trackbars: range, position and page size (TBM_SETRANGE, TBM_SETPOS, TBM_SETPAGESIZE).
    int rangeMin = 0;
    int rangeMax = 100;
    int position = 0;
    int pageSize = 10;
    // Drop-down lists: entries and the selected position (-1 for none).
    std::vector<ListItem> items;
    int selection = -1;
};

// Every control of a dialog by id; unknown ids read as a default control.
class DialogControls {
  public:
    ControlState& operator[](int id) { return controls_[id]; }
    const ControlState& Get(int id) const;
    bool Has(int id) const { return controls_.count(id) != 0; }

  private:
    std::map<int, ControlState> controls_;
};

struct DialogContext {
    SaverSettings* settings = nullptr;        // edited in place
    const SaverSettings* defaults = nullptr;  // the default record
    const TextTable* texts = nullptr;
    LogFile* log = nullptr;
    std::string settingsPath;  // where ReadSettings / WriteSettings go
    bool showSfxOption = true;
    DisplayModeSource* modes = nullptr;
    // The application's extra setting (may be empty: nothing to do).
    std::function<void()> readExtraSettings;
    std::function<void()> writeExtraSettings;
    std::function<void()> resetExtraSettings;
    std::function<void(DialogControls&)> initExtraControls;
    // Every command after the dialog's own handling; returns the procedure's result.
    std::function<std::intptr_t(DialogControls&, int id, int notification)> onExtraCommand;
};

// What the view must do after a message.
enum class DialogAction { None, ShowAbout, EndDialog };

class ConfigDialogController {
  public:
    explicit ConfigDialogController(DialogContext context);

    // WM_INITDIALOG: title, settings and extra setting read, mode selection and lists,
    // control states; one log line per step.
    void InitDialog();
    // WM_COMMAND from control `id` with `notification` (BN_CLICKED, CBN_SELENDOK).
    DialogAction Command(int id, int notification = BN_CLICKED);
    // WM_HSCROLL from either trackbar with scroll code `code`; the positions are read from
    // the controls.
    void HScroll(int code);
    // The close box: the same as Cancel.
    DialogAction Close() { return Command(dialog_id::kCancel); }

    const std::string& Title() const { return title_; }
    DialogControls& Controls() { return controls_; }
    const DialogControls& Controls() const { return controls_; }
    // Set by OK (1) and Cancel (2); 0 while the dialog is open.
    int EndResult() const { return endResult_; }

  private:
    void initModeSelection();  // select, copy back, refill the lists
    void initControls();
    void setGammaLabel();
    void enableVolume();
    void endDialog(int result);

    DialogContext ctx_;
    DialogControls controls_;
    std::string title_;
    int endResult_ = 0;
};

// The About box (template 235): title, OK caption and the seven label lines.
struct AboutTexts {
    std::string title;
    std::string ok;
    std::vector<std::string> lines;  // always seven
};
AboutTexts BuildAboutTexts(const TextTable& texts);

}  // namespace eh::config

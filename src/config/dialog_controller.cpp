#include "config/dialog_controller.h"

#include <algorithm>
#include <utility>

#include "config/settings_fields.h"
#include "config/text_table.h"

namespace eh::config {
namespace id = dialog_id;
namespace lines = log_lines;

namespace {

template <typename Bool>
void toggle(Bool& value) {
    value = !value;
}

}  // namespace

const ControlState& DialogControls::Get(int controlId) const {
    static const ControlState kAbsent;
    auto it = controls_.find(controlId);
    return it == controls_.end() ? kAbsent : it->second;
}

ConfigDialogController::ConfigDialogController(DialogContext context) : ctx_(std::move(context)) {
    for (const ControlTemplate& c : ConfigDialogTemplate().controls) controls_[c.id];
}

void ConfigDialogController::InitDialog() {
    SaverSettings& s = *ctx_.settings;
    title_ = ctx_.texts->Lookup("screensaver_configuration");

    ReadSettings(s, ctx_.settingsPath);
    if (ctx_.resetExtraSettings) ctx_.resetExtraSettings();
    if (ctx_.readExtraSettings) ctx_.readExtraSettings();
    ctx_.log->Write(lines::kReadSettingsComplete);

    initModeSelection();
    ctx_.log->Write(lines::kVideoModeControlsInit);

    if (ctx_.initExtraControls) ctx_.initExtraControls(controls_);
    ctx_.log->Write(lines::kDialogControlsInit);

    initControls();
    ctx_.log->Write(lines::kDefDialogControlsInit);
    ctx_.log->Write(lines::kCreateConfigWindow);
}

void ConfigDialogController::initModeSelection() {
    if (ctx_.modes == nullptr) return;
    SaverSettings& s = *ctx_.settings;
    ctx_.modes->SelectMode(s.Width, s.Height, s.BitCount, s.FSAA);
    ModeSelection selection = ctx_.modes->Selection();
    // A source without any mode has no selection to copy; the stored values then stay.
    if (selection.width > 0) {
        s.Width = selection.width;
        s.Height = selection.height;
        s.BitCount = selection.bitCount;
    }
    s.FSAA = selection.multisample;

    DialogLists lists = BuildDialogLists(*ctx_.modes, *ctx_.texts);
    ControlState& modeList = controls_[id::kModeList];
    modeList.items = std::move(lists.modes);
    modeList.selection = lists.modeSelection;
    ControlState& fsaaList = controls_[id::kFsaaList];
    fsaaList.items = std::move(lists.multisample);
    fsaaList.selection = lists.multisampleSelection;
}

void ConfigDialogController::initControls() {
    SaverSettings& s = *ctx_.settings;
    const TextTable& texts = *ctx_.texts;

    for (const ControlTemplate& c : ConfigDialogTemplate().controls) {
        if (c.captionKey != nullptr) controls_[c.id].text = texts.Lookup(c.captionKey);
    }
    controls_[id::kGammaLabel].text = texts.Lookup("gamma_control:") + " 100%";
    controls_[id::kAbout].text = texts.Lookup("about") + "...";

    controls_[id::kShowFps].checked = s.ShowFPS;
    controls_[id::kShowTime].checked = s.ShowTime;
    controls_[id::kClock24h].checked = s.DigClock_24H;
    controls_[id::kClock12h].checked = !s.DigClock_24H;
    controls_[id::kClock24h].enabled = s.ShowTime;
    controls_[id::kClock12h].enabled = s.ShowTime;

    controls_[id::kExitOnMouseMove].checked = s.ExitOnMouseMove;

    ControlState& gamma = controls_[id::kGamma];
    gamma.rangeMin = kGammaMin;
    gamma.rangeMax = kGammaMax;
    gamma.position = std::clamp<int>(s.GmCntrl, gamma.rangeMin, gamma.rangeMax);
    gamma.pageSize = 1;
    setGammaLabel();

    controls_[id::kSfx].checked = s.SFX;
    controls_[id::kSfx].visible = true;
    if (!ctx_.showSfxOption) {
        s.SFX = false;
        controls_[id::kSfx].checked = false;
        controls_[id::kSfx].visible = false;
    }

    controls_[id::kMusic].checked = s.Music;

    controls_[id::kUseDesktopSettings].checked = s.UseDesktopSettings;
    controls_[id::kModeList].enabled = !s.UseDesktopSettings;

    ControlState& volume = controls_[id::kVolume];
    volume.rangeMin = kVolumeMin;
    volume.rangeMax = kVolumeMax;
    volume.position = std::clamp(s.MusicVolume, volume.rangeMin, volume.rangeMax);
    volume.pageSize = 10;
    enableVolume();
}

void ConfigDialogController::setGammaLabel() {
    controls_[id::kGammaLabel].text =
        ctx_.texts->Lookup("gamma_control:") + " " + std::to_string(ctx_.settings->GmCntrl) + "%";
}

void ConfigDialogController::enableVolume() {
    bool on = ctx_.settings->Music || ctx_.settings->SFX;
    controls_[id::kVolume].enabled = on;
    controls_[id::kVolumeLabel].enabled = on;
}

void ConfigDialogController::endDialog(int result) {
    ctx_.log->Close();
    endResult_ = result;
}

DialogAction ConfigDialogController::Command(int controlId, int notification) {
    if (endResult_ != 0) return DialogAction::None;
    SaverSettings& s = *ctx_.settings;
    DialogAction action = DialogAction::None;

    switch (controlId) {
        case id::kShowFps:
            toggle(s.ShowFPS);
            controls_[id::kShowFps].checked = s.ShowFPS;
            break;
        case id::kExitOnMouseMove:
            toggle(s.ExitOnMouseMove);
            controls_[id::kExitOnMouseMove].checked = s.ExitOnMouseMove;
            break;
        case id::kShowTime:
            toggle(s.ShowTime);
            controls_[id::kShowTime].checked = s.ShowTime;
            controls_[id::kClock24h].enabled = s.ShowTime;
            controls_[id::kClock12h].enabled = s.ShowTime;
            break;
        case id::kClock24h:
        case id::kClock12h:
            s.DigClock_24H = controlId == id::kClock24h;
            controls_[id::kClock24h].checked = s.DigClock_24H;
            controls_[id::kClock12h].checked = !s.DigClock_24H;
            break;
        case id::kMusic:
        case id::kSfx: {
            BOOL& flag = controlId == id::kMusic ? s.Music : s.SFX;
            toggle(flag);
            controls_[controlId].checked = flag;
            enableVolume();
            break;
        }
        case id::kUseDesktopSettings:
            toggle(s.UseDesktopSettings);
            controls_[id::kUseDesktopSettings].checked = s.UseDesktopSettings;
            controls_[id::kModeList].enabled = !s.UseDesktopSettings;
            break;
        case id::kAbout:
            action = DialogAction::ShowAbout;
            break;
        case id::kRestoreDefaults:
            // Defaults are shown, not stored: only OK writes.
            if (ctx_.resetExtraSettings) ctx_.resetExtraSettings();
            s = *ctx_.defaults;
            initModeSelection();
            if (ctx_.initExtraControls) ctx_.initExtraControls(controls_);
            initControls();
            break;
        case id::kOk:
            WriteSettings(s, ctx_.settingsPath);
            if (ctx_.writeExtraSettings) ctx_.writeExtraSettings();
            ctx_.log->Write(lines::kWriteSettingsComplete);
            endDialog(1);
            return DialogAction::EndDialog;
        case id::kCancel:
            endDialog(2);
            return DialogAction::EndDialog;
        default:
            break;
    }

    if (notification == CBN_SELENDOK && ctx_.modes != nullptr &&
        (controlId == id::kModeList || controlId == id::kFsaaList)) {
        const ControlState& list = controls_[controlId];
        if (list.selection < 0 || list.selection >= static_cast<int>(list.items.size()))
            return DialogAction::None;
        std::intptr_t data = list.items[static_cast<std::size_t>(list.selection)].data;
        if (controlId == id::kModeList) {
            ctx_.modes->SetCurrentMode(data);
            ModeSelection selection = ctx_.modes->Selection();
            s.Width = selection.width;
            s.Height = selection.height;
            s.BitCount = selection.bitCount;
        } else {
            ctx_.modes->SetCurrentMultisampleEntry(data);
            s.FSAA = ctx_.modes->Selection().multisample;
        }
    }

    if (ctx_.onExtraCommand) ctx_.onExtraCommand(controls_, controlId, notification);
    return action;
}

void ConfigDialogController::HScroll(int code) {
    if (endResult_ != 0) return;
    SaverSettings& s = *ctx_.settings;
    const ControlState& volume = controls_[id::kVolume];
    const ControlState& gamma = controls_[id::kGamma];

    // The volume follows every change, keyboard steps included, so that OK stores the
    // value the slider shows.
    s.MusicVolume = std::clamp(volume.position, kVolumeMin, kVolumeMax);

    switch (code) {
        case TB_PAGEUP:
        case TB_PAGEDOWN:
        case TB_THUMBPOSITION:
        case TB_THUMBTRACK:
        case TB_ENDTRACK:
            s.GmCntrl = static_cast<std::uint8_t>(std::clamp(gamma.position, kGammaMin, kGammaMax));
            setGammaLabel();
            break;
        default:
            break;
    }
}

AboutTexts BuildAboutTexts(const TextTable& texts) {
    AboutTexts about;
    about.title = texts.Lookup("about");
    about.ok = texts.Lookup("ok");
    about.lines = SplitAboutText(texts.Lookup("about_window_text"), 7);
    about.lines.resize(7);
    return about;
}

}  // namespace eh::config

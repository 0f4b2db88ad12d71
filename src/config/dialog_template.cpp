#include "config/dialog_template.h"

#include <array>

namespace eh::config {
namespace {

using K = ControlKind;
namespace id = dialog_id;

// Drawing order: group boxes first so that the controls inside them are painted on top.
constexpr std::array kConfigControls = {
    ControlTemplate{id::kVideoGroup, K::GroupBox, 8, 4, 191, 44, "video_mode_selection"},
    ControlTemplate{id::kSoundGroup, K::GroupBox, 8, 50, 191, 43, "sound_control"},
    ControlTemplate{id::kGraphicsGroup, K::GroupBox, 7, 96, 233, 79, "graphics"},
    ControlTemplate{id::kMiscGroup, K::GroupBox, 245, 96, 96, 79, "misc_options"},
    ControlTemplate{id::kModeList, K::DropDownList, 14, 15, 178, 74, nullptr},
    ControlTemplate{id::kUseDesktopSettings, K::CheckBox, 14, 32, 178, 10, "use_desktop_settings"},
    ControlTemplate{id::kVolumeLabel, K::Label, 13, 62, 55, 8, "master_volume:"},
    ControlTemplate{id::kVolume, K::Trackbar, 68, 61, 128, 13, nullptr},
    ControlTemplate{id::kMusic, K::CheckBox, 14, 76, 72, 11, "enable_music"},
    ControlTemplate{id::kSfx, K::CheckBox, 94, 77, 94, 9, "enable_sfx"},
    ControlTemplate{id::kPicture, K::Picture, 207, 5, 128, 89, nullptr},
    ControlTemplate{id::kGammaLabel, K::Label, 14, 118, 73, 8, "gamma_control:"},
    ControlTemplate{id::kGamma, K::Trackbar, 88, 116, 149, 12, nullptr},
    ControlTemplate{id::kFsaaLabel, K::Label, 13, 144, 73, 8, "fullscreen_antialiasing"},
    ControlTemplate{id::kFsaaList, K::DropDownList, 91, 141, 87, 51, nullptr},
    ControlTemplate{id::kShowFps, K::CheckBox, 252, 109, 82, 10, "show_fps"},
    ControlTemplate{id::kShowTime, K::CheckBox, 252, 125, 82, 10, "show_time"},
    ControlTemplate{id::kClock12h, K::RadioButton, 263, 136, 68, 10, "12h_style"},
    ControlTemplate{id::kClock24h, K::RadioButton, 263, 147, 67, 10, "24h_style"},
    ControlTemplate{id::kExitOnMouseMove, K::CheckBox, 252, 157, 80, 12, "exit_on_mouse_move"},
    ControlTemplate{id::kAbout, K::Button, 278, 185, 59, 13, "about"},
    // The bottom row sits 10 units below the About button instead of the template's y 235,
    // which would leave a 37-unit empty band; the dialog ends 8 units below it.
    ControlTemplate{id::kRestoreDefaults, K::Button, 12, 208, 78, 13, "restore_defaults"},
    ControlTemplate{id::kOk, K::DefaultButton, 214, 208, 59, 13, "ok"},
    ControlTemplate{id::kCancel, K::Button, 278, 208, 59, 13, "cancel"},
};

constexpr std::array kAboutControls = {
    ControlTemplate{id::kAboutFrame, K::Frame, 4, 4, 225, 92, nullptr},
    ControlTemplate{id::kPicture, K::Picture, 169, 12, 49, 46, nullptr},
    ControlTemplate{id::kAboutFirstLine + 0, K::Label, 7, 13, 156, 8, nullptr},
    ControlTemplate{id::kAboutFirstLine + 1, K::Label, 7, 24, 156, 8, nullptr},
    ControlTemplate{id::kAboutFirstLine + 2, K::Label, 7, 35, 156, 8, nullptr},
    ControlTemplate{id::kAboutFirstLine + 3, K::Label, 7, 46, 156, 8, nullptr},
    ControlTemplate{id::kAboutFirstLine + 4, K::Label, 7, 57, 156, 8, nullptr},
    ControlTemplate{id::kAboutFirstLine + 5, K::Label, 7, 68, 156, 8, nullptr},
    ControlTemplate{id::kAboutFirstLine + 6, K::Label, 7, 79, 156, 8, nullptr},
    ControlTemplate{id::kOk, K::DefaultButton, 169, 71, 50, 14, "ok"},
};

constexpr DialogTemplate kConfigTemplate{2003, 348, 229, "Microsoft Sans Serif", 8,
                                         434,  190, 144, kConfigControls};
constexpr DialogTemplate kAboutTemplate{235, 233, 100, "Microsoft Sans Serif", 8,
                                        437, 70,  70,  kAboutControls};

int mulDiv(int value, int numerator, int denominator) {
    long long product = static_cast<long long>(value) * numerator;
    long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

}  // namespace

const DialogTemplate& ConfigDialogTemplate() {
    return kConfigTemplate;
}
const DialogTemplate& AboutDialogTemplate() {
    return kAboutTemplate;
}

PixelRect DialogUnitsToPixels(int x, int y, int w, int h, int baseUnitX, int baseUnitY) {
    return PixelRect{mulDiv(x, baseUnitX, 4), mulDiv(y, baseUnitY, 8), mulDiv(w, baseUnitX, 4),
                     mulDiv(h, baseUnitY, 8)};
}

}  // namespace eh::config

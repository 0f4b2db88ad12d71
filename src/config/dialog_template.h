// The two dialog templates: the configuration dialog (2003) and the About box (235).
//
// Positions are in dialog units, as a Windows resource holds them; a view converts them to
// pixels with the base units of its dialog font (DialogUnitsToPixels). Control ids are
// the template's own, so a Windows build can use the same numbers in its .rc file.
#pragma once

#include <cstdint>
#include <span>

// Notification and scroll codes of the Win32 controls the dialog reacts to (WM_COMMAND's
// HIWORD, WM_HSCROLL's LOWORD). Guarded so that a Windows build takes <windows.h>'s.
#ifndef BN_CLICKED
#define BN_CLICKED 0
#endif
#ifndef CBN_SELENDOK
#define CBN_SELENDOK 9
#endif
#ifndef TB_LINEUP
#define TB_LINEUP 0
#define TB_LINEDOWN 1
#define TB_PAGEUP 2
#define TB_PAGEDOWN 3
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_TOP 6
#define TB_BOTTOM 7
#define TB_ENDTRACK 8
#endif

namespace eh::config {

namespace dialog_id {
inline constexpr int kPicture = -1;  // the static picture has no id (IDC_STATIC)
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kModeList = 1011;
inline constexpr int kUseDesktopSettings = 1012;
inline constexpr int kVolume = 1020;
inline constexpr int kMusic = 1021;
inline constexpr int kSfx = 1022;
inline constexpr int kVolumeLabel = 1023;
inline constexpr int kShowTime = 1043;
inline constexpr int kShowFps = 1044;
inline constexpr int kExitOnMouseMove = 1045;
inline constexpr int kGamma = 1046;
inline constexpr int kFsaaList = 1047;
inline constexpr int kAbout = 1062;
inline constexpr int kRestoreDefaults = 1063;
inline constexpr int kGammaLabel = 1106;
inline constexpr int kClock24h = 1110;
inline constexpr int kClock12h = 1111;
inline constexpr int kExtraCheck = 1112;  // served by the scene, not in the template
inline constexpr int kVideoGroup = 1117;
inline constexpr int kSoundGroup = 1118;
inline constexpr int kGraphicsGroup = 1119;
inline constexpr int kMiscGroup = 1122;
inline constexpr int kFsaaLabel = 1124;
inline constexpr int kAboutFirstLine = 1125;  // 1125..1131, one per About line
inline constexpr int kAboutFrame = -2;        // the About box's frame, no id
}  // namespace dialog_id

enum class ControlKind : std::uint8_t {
    GroupBox,
    DropDownList,
    CheckBox,
    RadioButton,
    Label,
    Trackbar,
    Picture,
    Frame,
    Button,
    DefaultButton,
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    int x, y, w, h;          // dialog units
    const char* captionKey;  // text-table key, or nullptr
};

struct DialogTemplate {
    int id;
    int width, height;  // dialog units
    const char* fontFace;
    int fontPoints;
    int bitmapId;                   // the picture control's bitmap resource
    int bitmapWidth, bitmapHeight;  // pixels
    std::span<const ControlTemplate> controls;
};

// Template 2003; the height and the bottom row (y 235) are ours to choose.
const DialogTemplate& ConfigDialogTemplate();
// Template 235; its seven labels carry the lines of "about_window_text".
const DialogTemplate& AboutDialogTemplate();

struct PixelRect {
    int x, y, w, h;
};

// MapDialogRect: x and widths scale by baseUnitX / 4, y and heights by baseUnitY / 8,
// rounded to nearest as MulDiv does. Base units are the dialog font's average character
// width and its height, in pixels.
PixelRect DialogUnitsToPixels(int x, int y, int w, int h, int baseUnitX, int baseUnitY);

}  // namespace eh::config

// The start-up log: one line per completed start-up step, when logging is switched on.
//
// SaverApp owns the one LogFile; the adapter catalog, device creation, the overlay and
// the configuration dialog write to it through a pointer (config sits below graphics, so
// they include this header), and the sound start through a line callback. The file is written in text form
// with CR LF line ends, in the current directory, truncated at Open. Nothing is written
// unless the object is enabled (it is by construction; the application switches it from
// its logging switch before Open) and open.
#pragma once

#include <fstream>

namespace eh::config {

class LogFile {
public:
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }
    bool IsOpen() const { return open_; }

    // Truncates or creates `fileName` and writes "Log started" and an empty line. A file
    // that cannot be created is reported with a "Warning" box; later writes are dropped.
    void Open(const char* fileName);
    // `line` and a line end; no time stamp, no prefix.
    void Write(const char* line);
    // An empty line, "Log finished", then closes. Does nothing unless open.
    void Close();

private:
    std::ofstream stream_;
    bool open_ = false;
    bool enabled_ = true;
};

// The lines the program writes, byte for byte. The first letter of kCreateD3dComplete is
// the Cyrillic capital Es (0xD1 in Windows-1251), not a Latin C.
namespace log_lines {
inline constexpr char kCreateD3dComplete[] = "\xD1reate D3D complete";
inline constexpr char kEnumerateDeviceListComplete[] = "Enumerate Device List complete";
inline constexpr char kCantEnumerateDeviceList[] = "Cant Enumerate Device List";
inline constexpr char kCannotCreateSaverWindow[] = "Cannot create Saver Window!";
inline constexpr char kCreateSaverWindowComplete[] = "Create Saver Window complete";
inline constexpr char kCantGetDesktopDisplayMode[] = "Cant get Desktop DisplayMode!";
inline constexpr char kCantCreateHalTrySafe[] = "Cant create HAL D3D_Device, try use safe mode.";
inline constexpr char kCantCreateAnyHal[] = "Cant create any HAL D3D_Device!";
inline constexpr char kCreateDeviceComplete[] = "Create D3D_Device Complete";
inline constexpr char kInitDeviceComplete[] = "Init D3D_Device Complete";
inline constexpr char kLoadNotTableAlpha[] = "Load Not_table_alpha texture complete";
inline constexpr char kLoadLoadingTexture[] = "Load Loading Texture complete.";
inline constexpr char kDrawLoadingScreen[] = "Draw Loading Screen complete.";
inline constexpr char kUnloadLoadingData[] = "Unload Loading Data complete.";
inline constexpr char kLoadDigitTextures[] = "Load Digit textures complete";
inline constexpr char kSoundSysInit[] = "SoundSys Init Comlete.";
inline constexpr char kAllDataLoaded[] = "All Data Was Loaded.";
inline constexpr char kDeviceWasLost[] = "Device was lost.";
inline constexpr char kTryToRestore[] = "Try to restore.";
inline constexpr char kRestoreComplete[] = "Restore state to complete.";
inline constexpr char kReadSettingsComplete[] = "Read settings from reg complete.";
inline constexpr char kVideoModeControlsInit[] = "Video mode controls init complete.";
inline constexpr char kDialogControlsInit[] = "Dialog controls init complete.";
inline constexpr char kDefDialogControlsInit[] = "Def Dialog controls init complete.";
inline constexpr char kCreateConfigWindow[] = "Create Config Window complete.";
inline constexpr char kWriteSettingsComplete[] = "Write settings to reg complete.";
}  // namespace log_lines

}  // namespace eh::config

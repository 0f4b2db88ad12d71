// The lines the start-up log holds, one per completed step, in one place for every
// layer that reports a step.
#pragma once

namespace eh::config {

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

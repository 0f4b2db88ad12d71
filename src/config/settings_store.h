// The user's settings and where they are kept.
//
// `SaverSettings` is the record the whole program reads; its defaults come from the
// default-settings text, its stored values from the settings file (the registry key
// "Software\Kestrelle\Emberhold 3D Screensaver"). Values keep the registry's encoding:
// booleans are 2 for true and 1 for false, 0 (also what a missing value reads as) means
// "not stored"; numbers are stored as they are, 0 meaning "not stored"; GmCntrl is a
// DWORD holding the byte.
#pragma once

#include <cstdint>
#include <string>

#include "config/default_settings.h"
#include "platform/os/win32_types.h"

namespace eh::config {

inline constexpr char kSettingsKey[] = "Software\\Kestrelle\\Emberhold 3D Screensaver";

// Field order and widths are fixed: the record is copied as a whole from the defaults.
// Every field has its row in kSettingsFields (settings_fields.h), which says how it is
// stored, defaulted, bounded and printed.
struct SaverSettings {
    BOOL ShowFPS = FALSE;
    BOOL ExitOnMouseMove = FALSE;
    BOOL ShowTime = FALSE;
    BOOL Music = FALSE;
    BOOL SFX = FALSE;
    std::int32_t MusicVolume = 0;  // 1..100
    std::int32_t Width = 0;        // pixels
    std::int32_t Height = 0;       // pixels
    std::int32_t BitCount = 0;     // 16 or 32
    std::int32_t FSAA = 0;         // multisample type: 0, or 2..16 samples
    BOOL UseDesktopSettings = FALSE;
    bool DigClock_24H = false;
    std::uint8_t GmCntrl = 0;  // gamma in percent, 10..200, 100 neutral
};

// The defaults from the default-settings text: "PS_Fire" into `extra`, then each field's
// key in the table's order (each missing key shows its box and reads as 0). A one-byte
// field keeps the value's low byte.
void BuildDefaultRecord(const DefaultSettings& defaults, SaverSettings* record, bool* extra);

// Fills `settings` from the settings file over what it holds (creating the file when there
// is none; an existing file is never rewritten by reading). Values that are not stored leave
// their field unchanged; so does a file that cannot be opened. Out-of-range values never
// pass: this is the one place they are bounded, by each field's row in kSettingsFields
// (volume 1..100 and gamma 10..200 are clamped, the whole stored number and not a part of
// it; a width or height outside 1..kMaxModeSide, a BitCount other than 16 or 32 and an FSAA
// outside 2..16 are ignored).
void ReadSettings(SaverSettings& settings, const std::string& path);
// Stores every field, a new file getting them in their rows' store slots; a file that
// cannot be written is silently left as it was.
void WriteSettings(const SaverSettings& settings, const std::string& path);

// The scene's extra boolean, registry value "UPS". Read leaves `value` unchanged unless
// 2 or 1 is stored.
void ReadExtraSetting(bool& value, const std::string& path);
void WriteExtraSetting(bool value, const std::string& path);

}  // namespace eh::config

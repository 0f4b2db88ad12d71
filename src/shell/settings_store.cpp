#include "shell/settings_store.h"

#include <algorithm>

#include "platform/os/registry.h"

namespace eh::shell {
namespace {

constexpr DWORD kStoredTrue = 2;
constexpr DWORD kStoredFalse = 1;

DWORD query(const os::RegistryKey& key, const char* name) {
    DWORD value = 0;  // cleared before each query: a missing value reads as 0
    if (!key.QueryDword(name, &value)) value = 0;
    return value;
}

template <typename Bool>
void readBool(const os::RegistryKey& key, const char* name, Bool& field) {
    DWORD v = query(key, name);
    if (v == kStoredTrue) field = true;
    if (v == kStoredFalse) field = false;
}

// A stored number outside [lo, hi] is damage, or another tool's doing: it is ignored and
// the field keeps what it had (a mode the adapter cannot list, a multisample type that
// does not exist).
void readNumberIn(const os::RegistryKey& key, const char* name, std::int32_t& field,
                  std::int32_t lo, std::int32_t hi) {
    const auto v = static_cast<std::int32_t>(query(key, name));
    if (v != 0 && v >= lo && v <= hi) field = v;
}

// A stored number outside [lo, hi] is brought to the nearer end, where the dialog's
// slider would put it: a damaged volume or gamma never means silence or a black screen.
std::int32_t clampStored(DWORD v, std::int32_t lo, std::int32_t hi) {
    return std::clamp(static_cast<std::int32_t>(v), lo, hi);
}

DWORD stored(bool value) { return value ? kStoredTrue : kStoredFalse; }

}  // namespace

void BuildDefaultRecord(const config::DefaultSettings& defaults, SaverSettings* record,
                        bool* extra) {
    SaverSettings r;
    *extra = defaults.GetInt("PS_Fire") != 0;
    r.DigClock_24H = defaults.GetInt("DigClock_24H") != 0;
    r.ExitOnMouseMove = defaults.GetInt("ExitOnMouseMove");
    r.FSAA = defaults.GetInt("FSAA");
    r.GmCntrl = static_cast<std::uint8_t>(defaults.GetInt("GammControl") & 0xFF);
    r.BitCount = defaults.GetInt("MBitCount");
    r.Height = defaults.GetInt("MH");
    r.Width = defaults.GetInt("MW");
    r.Music = defaults.GetInt("Music");
    r.SFX = defaults.GetInt("SFX");
    r.MusicVolume = defaults.GetInt("MusicVolume");
    r.ShowFPS = defaults.GetInt("ShowFPS");
    r.ShowTime = defaults.GetInt("ShowTime");
    r.UseDesktopSettings = defaults.GetInt("UseDktpSet");
    *record = r;
}

void ReadSettings(SaverSettings& s, const std::string& path) {
    os::RegistryKey key;
    if (!key.Create(kSettingsKey, path)) return;
    readBool(key, "ShowFPS", s.ShowFPS);
    readBool(key, "DigClock_24H", s.DigClock_24H);
    // Gamma is the stored DWORD's low byte; a low byte of 0 reads as not stored.
    if (DWORD gamma = query(key, "GmCntrl") & 0xFF; gamma != 0)
        s.GmCntrl = static_cast<std::uint8_t>(clampStored(gamma, kGammaMin, kGammaMax));
    readBool(key, "ShowTime", s.ShowTime);
    readBool(key, "ExitOnMouseMove", s.ExitOnMouseMove);
    readBool(key, "SFX", s.SFX);
    readBool(key, "Music", s.Music);
    if (DWORD volume = query(key, "MusicVolume"); volume != 0)
        s.MusicVolume = clampStored(volume, kVolumeMin, kVolumeMax);
    readBool(key, "UseDesktopSettings", s.UseDesktopSettings);
    readNumberIn(key, "Height", s.Height, 1, kMaxModeSide);
    readNumberIn(key, "Width", s.Width, 1, kMaxModeSide);
    if (DWORD bits = query(key, "BitCount"); bits == 16 || bits == 32)
        s.BitCount = static_cast<std::int32_t>(bits);
    readNumberIn(key, "FSAA", s.FSAA, kMinMultisample, kMaxMultisample);
    key.Close();
}

void WriteSettings(const SaverSettings& s, const std::string& path) {
    os::RegistryKey key;
    if (!key.Create(kSettingsKey, path)) return;
    key.SetDword("ShowFPS", stored(s.ShowFPS));
    key.SetDword("DigClock_24H", stored(s.DigClock_24H));
    key.SetDword("ShowTime", stored(s.ShowTime));
    key.SetDword("ExitOnMouseMove", stored(s.ExitOnMouseMove));
    key.SetDword("SFX", stored(s.SFX));
    key.SetDword("Music", stored(s.Music));
    key.SetDword("UseDesktopSettings", stored(s.UseDesktopSettings));
    key.SetDword("GmCntrl", s.GmCntrl);
    key.SetDword("Height", static_cast<DWORD>(s.Height));
    key.SetDword("Width", static_cast<DWORD>(s.Width));
    key.SetDword("BitCount", static_cast<DWORD>(s.BitCount));
    key.SetDword("FSAA", static_cast<DWORD>(s.FSAA));
    key.SetDword("MusicVolume", static_cast<DWORD>(s.MusicVolume));
    key.Flush();
    key.Close();
}

void ReadExtraSetting(bool& value, const std::string& path) {
    os::RegistryKey key;
    if (!key.Create(kSettingsKey, path)) return;
    readBool(key, "UPS", value);
    key.Close();
}

void WriteExtraSetting(bool value, const std::string& path) {
    os::RegistryKey key;
    if (!key.Create(kSettingsKey, path)) return;
    key.SetDword("UPS", stored(value));
    key.Flush();
    key.Close();
}

}  // namespace eh::shell

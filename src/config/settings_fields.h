// The settings record's fields, written out once.
//
// Each row says what a field is called where it is stored and printed, how it is stored,
// where its default comes from, what the configuration dialog lets it hold, and the
// run-only option that overrides it. Reading and writing the settings file, building the
// default record, --print-settings, the overrides' ranges and help, and the check of
// XScreenSaver's description of the hack all walk this table; a field added to
// SaverSettings is added here and nowhere else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "config/settings_store.h"

namespace eh::config {

// What the configuration dialog can set, and so what ReadSettings lets through from the file.
inline constexpr std::int32_t kGammaMin = 10;   // percent
inline constexpr std::int32_t kGammaMax = 200;  // percent
inline constexpr std::int32_t kVolumeMin = 1;
inline constexpr std::int32_t kVolumeMax = 100;
// Multisample types with samples (D3DMULTISAMPLE_2_SAMPLES .. _16_SAMPLES); 0, none, is
// also what a missing value reads as.
inline constexpr std::int32_t kMinMultisample = 2;
inline constexpr std::int32_t kMaxMultisample = 16;
// Larger than any display mode an adapter lists; beyond it a stored size is damage.
inline constexpr std::int32_t kMaxModeSide = 16384;  // pixels

enum class FieldType : std::uint8_t {
    Flag,    // stored 2 for true, 1 for false; anything else reads as not stored
    Number,  // stored as it is (a DWORD taken as signed); 0 reads as not stored
};

// What reading does with a stored number outside [lo, hi].
enum class OutOfRange : std::uint8_t {
    Clamp,     // brought to the nearer end, where the dialog's slider would put it: a
               // damaged volume or gamma never means silence or a black screen
    Ignore,    // damage, or another tool's doing: the field keeps what it had (a mode the
               // adapter cannot list, a multisample type that does not exist)
    EndsOnly,  // only lo or hi pass (a depth is 16 or 32 bits); the rest is ignored
};

// Reads and writes one member of SaverSettings as a number; `width` is the member's size
// in bytes (a one-byte field keeps only the low byte of its default).
struct FieldAccess {
    std::uint8_t width;
    std::int32_t (*get)(const SaverSettings&);
    void (*set)(SaverSettings&, std::int32_t);
};

template <auto Member>
constexpr FieldAccess AccessOf() {
    using T = std::remove_cvref_t<decltype(std::declval<SaverSettings&>().*Member)>;
    return {static_cast<std::uint8_t>(sizeof(T)),
            [](const SaverSettings& s) { return static_cast<std::int32_t>(s.*Member); },
            [](SaverSettings& s, std::int32_t v) { s.*Member = static_cast<T>(v); }};
}

struct SettingsField {
    std::string_view name;  // the stored value's name, also --print-settings' label
    FieldType type;
    std::string_view defaultKey;  // key of the default-settings text
    std::int32_t lo;              // Number: the range the dialog offers
    std::int32_t hi;
    OutOfRange outOfRange;
    std::string_view option;  // the run-only option as --help shows it; empty: none
    std::string_view help;    // what the option does; "{range}" stands for "lo..hi"
    std::uint8_t storeSlot;   // the value's line in a freshly written file (0 first)
    FieldAccess access;
};

// In the record's order, which is the order --print-settings shows.
inline constexpr std::array<SettingsField, 13> kSettingsFields{{
    {"ShowFPS", FieldType::Flag, "ShowFPS", 0, 0, OutOfRange::Ignore, "-fps, --show-fps",
     "show the frame rate", 0, AccessOf<&SaverSettings::ShowFPS>()},
    {"ExitOnMouseMove", FieldType::Flag, "ExitOnMouseMove", 0, 0, OutOfRange::Ignore, "", "", 3,
     AccessOf<&SaverSettings::ExitOnMouseMove>()},
    {"ShowTime", FieldType::Flag, "ShowTime", 0, 0, OutOfRange::Ignore, "--clock 12|24|off",
     "the clock in 12- or 24-hour style, or no clock", 2, AccessOf<&SaverSettings::ShowTime>()},
    {"Music", FieldType::Flag, "Music", 0, 0, OutOfRange::Ignore, "--no-music", "no music", 5,
     AccessOf<&SaverSettings::Music>()},
    {"SFX", FieldType::Flag, "SFX", 0, 0, OutOfRange::Ignore, "--no-sfx", "no sound effects", 4,
     AccessOf<&SaverSettings::SFX>()},
    {"MusicVolume", FieldType::Number, "MusicVolume", kVolumeMin, kVolumeMax, OutOfRange::Clamp,
     "--volume N", "music and effects volume, {range}", 12,
     AccessOf<&SaverSettings::MusicVolume>()},
    {"Width", FieldType::Number, "MW", 1, kMaxModeSide, OutOfRange::Ignore, "", "", 9,
     AccessOf<&SaverSettings::Width>()},
    {"Height", FieldType::Number, "MH", 1, kMaxModeSide, OutOfRange::Ignore, "", "", 8,
     AccessOf<&SaverSettings::Height>()},
    {"BitCount", FieldType::Number, "MBitCount", 16, 32, OutOfRange::EndsOnly, "", "", 10,
     AccessOf<&SaverSettings::BitCount>()},
    {"FSAA", FieldType::Number, "FSAA", kMinMultisample, kMaxMultisample, OutOfRange::Ignore, "",
     "", 11, AccessOf<&SaverSettings::FSAA>()},
    {"UseDesktopSettings", FieldType::Flag, "UseDktpSet", 0, 0, OutOfRange::Ignore, "", "", 6,
     AccessOf<&SaverSettings::UseDesktopSettings>()},
    {"DigClock_24H", FieldType::Flag, "DigClock_24H", 0, 0, OutOfRange::Ignore, "", "", 1,
     AccessOf<&SaverSettings::DigClock_24H>()},
    {"GmCntrl", FieldType::Number, "GammControl", kGammaMin, kGammaMax, OutOfRange::Clamp,
     "--gamma N", "gamma in percent, {range} (100 neutral)", 7,
     AccessOf<&SaverSettings::GmCntrl>()},
}};

// The scene's extra boolean, kept outside the record (the application holds it): a flag
// like the others, without accessors.
inline constexpr SettingsField kExtraField{
    "UPS", FieldType::Flag, "PS_Fire", 0, 0, OutOfRange::Ignore, "", "", 0, {1, nullptr, nullptr}};

// The row whose stored name is `name`; null when there is none.
const SettingsField* FieldNamed(std::string_view name);

// A stored DWORD as the field takes it: the value to set, or nothing (not stored, or out
// of range and ignored).
bool StoredToField(const SettingsField& field, std::uint32_t stored, std::int32_t* value);
// The DWORD the settings file holds for the field's value.
std::uint32_t FieldToStored(const SettingsField& field, std::int32_t value);

// `field.help` with its range written in ("music and effects volume, 1..100").
std::string FieldHelp(const SettingsField& field);

// Every field as "Name = value" lines, in the table's order; flags read true or false.
std::string FormatSettings(const SaverSettings& settings);

namespace detail {
constexpr bool StoreSlotsArePermutation() {
    std::array<bool, kSettingsFields.size()> seen{};
    for (const SettingsField& f : kSettingsFields) {
        if (f.storeSlot >= seen.size() || seen[f.storeSlot]) return false;
        seen[f.storeSlot] = true;
    }
    return true;
}
}  // namespace detail
static_assert(detail::StoreSlotsArePermutation(),
              "each field needs its own line in a freshly written settings file");

}  // namespace eh::config

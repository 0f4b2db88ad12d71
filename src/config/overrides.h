// Options that override a stored setting for one saver run, as XScreenSaver and users
// pass them: -fps / --show-fps, --clock 12|24|off, --no-music, --no-sfx, --volume N,
// --gamma N (a value may also follow '=': --volume=40). Like every named option of the
// program, each is taken with one dash or two, as X programs and XScreenSaver's hacks are.
//
// The volume's and gamma's ranges, and the options' help lines, are their fields' rows in
// kSettingsFields (settings_fields.h).
//
// They change the settings record in memory after it is read and are never written back;
// the configuration dialog ignores them, so it cannot store a one-run choice by accident.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings_store.h"

namespace eh::config {

struct SettingsOverrides {
    std::optional<bool> showFps;
    std::optional<bool> showTime;
    std::optional<bool> clock24h;
    std::optional<bool> music;
    std::optional<bool> sfx;
    std::optional<int> volume;  // 1..100
    std::optional<int> gamma;   // percent, 10..200

    bool Empty() const {
        return !showFps && !showTime && !clock24h && !music && !sfx && !volume && !gamma;
    }
};

// The name of a named option without its dashes and without any "=value" ("--volume=40",
// "-volume" → "volume"), or empty when `arg` is none: named options are words after one or
// two dashes, while a dash or slash before a single letter is a screensaver switch ("/s",
// "-s", "-p2230", "-P:2230") and anything else is a value. `value` (may be null) receives
// what follows '=', and `hasValue` (may be null) whether there was one.
std::string_view OptionName(std::string_view arg, std::string_view* value = nullptr,
                            bool* hasValue = nullptr);

// Takes every override option (and its value) out of `args`, keeping the other arguments
// in order. On a missing or out-of-range value returns false, sets `error` to a one-line
// message for the user and leaves `args` and `out` in an unspecified state.
bool ExtractOverrides(std::vector<std::string>& args, SettingsOverrides* out, std::string* error);

// Writes the options that were given over `settings`.
void ApplyOverrides(const SettingsOverrides& overrides, SaverSettings& settings);

// The options' lines of --help.
const char* OverridesHelp();

}  // namespace eh::config

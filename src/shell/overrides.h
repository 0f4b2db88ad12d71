// Options that override a stored setting for one saver run, as XScreenSaver and users
// pass them: -fps / --show-fps, --clock 12|24|off, --no-music, --no-sfx, --volume N,
// --gamma N (a value may also follow '=': --volume=40).
//
// They change the settings record in memory after it is read and are never written back;
// the configuration dialog ignores them, so it cannot store a one-run choice by accident.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/settings_store.h"

namespace eh::shell {

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

// Takes every override option (and its value) out of `args`, keeping the other arguments
// in order. On a missing or out-of-range value returns false, sets `error` to a one-line
// message for the user and leaves `args` and `out` in an unspecified state.
bool ExtractOverrides(std::vector<std::string>& args, SettingsOverrides* out, std::string* error);

// Writes the options that were given over `settings`.
void ApplyOverrides(const SettingsOverrides& overrides, SaverSettings& settings);

// The options' lines of --help.
const char* OverridesHelp();

}  // namespace eh::shell

#include "config/overrides.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "config/settings_fields.h"

namespace eh::config {
namespace {

// A whole decimal number within [lo, hi]; nothing else (no sign, no trailing text).
std::optional<int> parseNumber(std::string_view text, int lo, int hi) {
    if (text.empty() || text.size() > 6) return std::nullopt;
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < lo || value > hi) return std::nullopt;
    return value;
}

// The option's value for `field`, within the range the dialog offers (the field's row).
std::optional<int> parseFieldValue(std::string_view text, const SettingsField& field) {
    return parseNumber(text, field.lo, field.hi);
}

// "needs a number from 1 to 100": the message for a value missing or outside the row's range.
std::string needsValue(const SettingsField& field, const char* noun) {
    return std::string("needs ") + noun + " from " + std::to_string(field.lo) + " to " +
           std::to_string(field.hi);
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

std::string_view OptionName(std::string_view arg, std::string_view* value, bool* hasValue) {
    std::string_view name;
    if (arg.size() > 2 && arg.substr(0, 2) == "--")
        name = arg.substr(2);
    else if (arg.size() > 2 && arg[0] == '-' && isLetter(arg[1]) && isLetter(arg[2]))
        name = arg.substr(1);
    std::size_t eq = name.find('=');
    if (hasValue != nullptr) *hasValue = eq != std::string_view::npos;
    if (eq == std::string_view::npos) return name;
    if (value != nullptr) *value = name.substr(eq + 1);
    return name.substr(0, eq);
}

bool ExtractOverrides(std::vector<std::string>& args, SettingsOverrides* out, std::string* error) {
    const SettingsField& volumeField = *FieldNamed("MusicVolume");
    const SettingsField& gammaField = *FieldNamed("GmCntrl");
    const std::string volumeNeeds = needsValue(volumeField, "a number");
    const std::string gammaNeeds = needsValue(gammaField, "a percentage");
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view value;
        bool inlineValue = false;
        std::string_view name = OptionName(args[i], &value, &inlineValue);
        const std::string& given = args[i];

        auto takeValue = [&]() -> bool {
            if (inlineValue) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };
        auto fail = [&](const std::string& what) {
            *error = given.substr(0, given.find('=')) + " " + what;
            return false;
        };

        if ((name == "fps" || name == "show-fps") && !inlineValue) {
            out->showFps = true;
        } else if (name == "no-music" && !inlineValue) {
            out->music = false;
        } else if (name == "no-sfx" && !inlineValue) {
            out->sfx = false;
        } else if (name == "clock") {
            if (!takeValue()) return fail("needs 12, 24 or off");
            if (value == "12" || value == "24") {
                out->showTime = true;
                out->clock24h = value == "24";
            } else if (value == "off") {
                out->showTime = false;
            } else {
                return fail("needs 12, 24 or off");
            }
        } else if (name == "volume") {
            if (!takeValue()) return fail(volumeNeeds);
            out->volume = parseFieldValue(value, volumeField);
            if (!out->volume) return fail(volumeNeeds);
        } else if (name == "gamma") {
            if (!takeValue()) return fail(gammaNeeds);
            out->gamma = parseFieldValue(value, gammaField);
            if (!out->gamma) return fail(gammaNeeds);
        } else {
            rest.push_back(args[i]);
        }
    }
    args = std::move(rest);
    return true;
}

void ApplyOverrides(const SettingsOverrides& o, SaverSettings& s) {
    if (o.showFps) s.ShowFPS = *o.showFps;
    if (o.showTime) s.ShowTime = *o.showTime;
    if (o.clock24h) s.DigClock_24H = *o.clock24h;
    if (o.music) s.Music = *o.music;
    if (o.sfx) s.SFX = *o.sfx;
    if (o.volume) s.MusicVolume = *o.volume;
    if (o.gamma) s.GmCntrl = static_cast<std::uint8_t>(*o.gamma);
}

const char* OverridesHelp() {
    static const std::string help = [] {
        std::string text = "Settings for this run only (the stored settings are not changed):\n";
        for (const SettingsField& f : kSettingsFields) {
            if (f.option.empty()) continue;
            std::string line = "  " + std::string(f.option);
            line.resize(std::max<std::size_t>(line.size() + 1, 20), ' ');
            text += line + FieldHelp(f) + "\n";
        }
        return text;
    }();
    return help.c_str();
}

}  // namespace eh::config

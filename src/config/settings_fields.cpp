#include "config/settings_fields.h"

#include <algorithm>

namespace eh::config {
namespace {

constexpr std::uint32_t kStoredTrue = 2;
constexpr std::uint32_t kStoredFalse = 1;

}  // namespace

const SettingsField* FieldNamed(std::string_view name) {
    for (const SettingsField& f : kSettingsFields)
        if (f.name == name) return &f;
    return nullptr;
}

bool StoredToField(const SettingsField& field, std::uint32_t stored, std::int32_t* value) {
    if (field.type == FieldType::Flag) {
        if (stored != kStoredTrue && stored != kStoredFalse) return false;
        *value = stored == kStoredTrue ? 1 : 0;
        return true;
    }
    // The registry holds a DWORD; the record's numbers are signed, so a stored -5 is the
    // DWORD 4294967291 and clamps to the low end rather than to the high one.
    const auto v = static_cast<std::int32_t>(stored);
    if (v == 0) return false;
    switch (field.outOfRange) {
        case OutOfRange::Clamp:
            *value = std::clamp(v, field.lo, field.hi);
            return true;
        case OutOfRange::Ignore:
            if (v < field.lo || v > field.hi) return false;
            *value = v;
            return true;
        case OutOfRange::EndsOnly:
            if (v != field.lo && v != field.hi) return false;
            *value = v;
            return true;
    }
    return false;
}

std::uint32_t FieldToStored(const SettingsField& field, std::int32_t value) {
    if (field.type == FieldType::Flag) return value != 0 ? kStoredTrue : kStoredFalse;
    return static_cast<std::uint32_t>(value);
}

std::string FieldHelp(const SettingsField& field) {
    std::string help(field.help);
    constexpr std::string_view kRange = "{range}";
    if (std::size_t at = help.find(kRange); at != std::string::npos)
        help.replace(at, kRange.size(), std::to_string(field.lo) + ".." + std::to_string(field.hi));
    return help;
}

std::string FormatSettings(const SaverSettings& settings) {
    std::string out;
    for (const SettingsField& f : kSettingsFields) {
        const std::int32_t v = f.access.get(settings);
        out.append(f.name).append(" = ");
        out += f.type == FieldType::Flag ? (v != 0 ? "true" : "false") : std::to_string(v);
        out += '\n';
    }
    return out;
}

}  // namespace eh::config

#include "config/settings_store.h"

#include <array>

#include "config/settings_fields.h"
#include "platform/os/registry.h"

namespace eh::config {
namespace {

DWORD query(const os::RegistryKey& key, std::string_view name) {
    DWORD value = 0;  // cleared before each query: a missing value reads as 0
    if (!key.QueryDword(std::string(name), &value)) value = 0;
    return value;
}

}  // namespace

void BuildDefaultRecord(const DefaultSettings& defaults, SaverSettings* record, bool* extra) {
    SaverSettings r;
    *extra = defaults.GetInt(kExtraField.defaultKey) != 0;
    for (const SettingsField& f : kSettingsFields) f.access.set(r, defaults.GetInt(f.defaultKey));
    *record = r;
}

void ReadSettings(SaverSettings& s, const std::string& path) {
    os::RegistryKey key;
    if (!key.Create(kSettingsKey, path)) return;
    for (const SettingsField& f : kSettingsFields) {
        std::int32_t value = 0;
        if (StoredToField(f, query(key, f.name), &value)) f.access.set(s, value);
    }
    key.Close();
}

void WriteSettings(const SaverSettings& s, const std::string& path) {
    os::RegistryKey key;
    if (!key.Create(kSettingsKey, path)) return;
    std::array<const SettingsField*, kSettingsFields.size()> bySlot{};
    for (const SettingsField& f : kSettingsFields) bySlot[f.storeSlot] = &f;
    for (const SettingsField* f : bySlot)
        key.SetDword(std::string(f->name), FieldToStored(*f, f->access.get(s)));
    key.Flush();
    key.Close();
}

void ReadExtraSetting(bool& value, const std::string& path) {
    os::RegistryKey key;
    if (!key.Create(kSettingsKey, path)) return;
    std::int32_t stored = 0;
    if (StoredToField(kExtraField, query(key, kExtraField.name), &stored)) value = stored != 0;
    key.Close();
}

void WriteExtraSetting(bool value, const std::string& path) {
    os::RegistryKey key;
    if (!key.Create(kSettingsKey, path)) return;
    key.SetDword(std::string(kExtraField.name), FieldToStored(kExtraField, value));
    key.Flush();
    key.Close();
}

}  // namespace eh::config

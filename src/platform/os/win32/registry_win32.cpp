// The settings key in the registry, under HKEY_CURRENT_USER. Values set are kept until
// Flush, which writes them with RegSetValueExA and RegFlushKey, so the key behaves as the
// settings file does on other systems: a key dropped without Close writes nothing.
#include <string>
#include <utility>
#include <vector>

#include "platform/os/registry.h"

namespace eh::os {
namespace {

// Value names are compared as the registry compares them: without regard to case.
bool sameName(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

}  // namespace

// The key is in the registry: there is no file. What the callers pass on as the "path" is
// the root the key lives under, for messages only.
std::string SettingsFilePath() {
    return "HKEY_CURRENT_USER";
}

struct RegistryKey::Store {
    HKEY key = nullptr;
    bool writable = false;
    // Set since the last Flush, in the order first set: Flush writes them in that order.
    std::vector<std::pair<std::string, DWORD>> pending;

    const std::pair<std::string, DWORD>* findPending(const std::string& name) const {
        for (const auto& entry : pending)
            if (sameName(entry.first, name)) return &entry;
        return nullptr;
    }

    ~Store() {
        if (key != nullptr) RegCloseKey(key);
    }
};

RegistryKey::RegistryKey() : store_(std::make_unique<Store>()) {}

RegistryKey::~RegistryKey() = default;

bool RegistryKey::IsOpen() const {
    return store_->key != nullptr;
}

bool RegistryKey::Create(const std::string& subkey, const std::string& /*path*/) {
    store_ = std::make_unique<Store>();
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        store_->writable = true;
    } else if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) !=
               ERROR_SUCCESS) {
        // Neither made nor readable: the caller keeps its defaults.
        return false;
    }
    // A key the user may only read (set so by an administrator) still gives its values;
    // writing them then fails at Flush.
    store_->key = key;
    return true;
}

bool RegistryKey::QueryDword(const std::string& name, DWORD* value) const {
    const Store& s = *store_;
    if (s.key == nullptr || value == nullptr) return false;
    if (const auto* entry = s.findPending(name)) {
        *value = entry->second;
        return true;
    }
    // Only a whole REG_DWORD counts: another type, or a value of another size, is not one
    // of our numbers.
    DWORD type = 0;
    DWORD stored = 0;
    DWORD size = sizeof stored;
    LSTATUS status = RegQueryValueExA(s.key, name.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(&stored), &size);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof stored) return false;
    *value = stored;
    return true;
}

void RegistryKey::SetDword(const std::string& name, DWORD value) {
    Store& s = *store_;
    if (s.key == nullptr) return;
    for (auto& entry : s.pending) {
        if (sameName(entry.first, name)) {
            entry.second = value;
            return;
        }
    }
    s.pending.emplace_back(name, value);
}

bool RegistryKey::Flush() {
    Store& s = *store_;
    if (s.pending.empty()) return true;
    if (s.key == nullptr || !s.writable) return false;
    // A value that cannot be written stays pending: a later Flush tries it again.
    std::vector<std::pair<std::string, DWORD>> failed;
    for (const auto& [name, value] : s.pending) {
        if (RegSetValueExA(s.key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof value) != ERROR_SUCCESS)
            failed.emplace_back(name, value);
    }
    const bool ok = failed.empty();
    s.pending = std::move(failed);
    return RegFlushKey(s.key) == ERROR_SUCCESS && ok;
}

void RegistryKey::Close() {
    if (store_->key == nullptr) return;
    Flush();
    RegCloseKey(store_->key);
    store_->key = nullptr;
    store_->pending.clear();
}

}  // namespace eh::os

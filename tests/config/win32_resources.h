// The Windows tests' access to this program's own resources through the real
// FindResourceA / LoadResource, and the one code page conversion they compare with.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "config/default_settings.h"
#include "config/text_table.h"

namespace eh::config::testing {

struct ResourceBytes {
    const void* data = nullptr;
    std::size_t size = 0;
};

inline ResourceBytes FindResourceBytes(LPCSTR type, int resourceId) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), type);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr) return {};
    return {LockResource(loaded), SizeofResource(module, found)};
}

inline bool LoadTextTable(TextTable* texts) {
    ResourceBytes bytes = FindResourceBytes("CustomData", TextTable::kResourceId);
    if (bytes.data == nullptr) return false;
    texts->LoadFromBytes(static_cast<const std::uint8_t*>(bytes.data), bytes.size);
    return texts->LineCount() > 0;
}

inline bool LoadDefaultSettings(DefaultSettings* defaults) {
    ResourceBytes bytes = FindResourceBytes("CustomData", DefaultSettings::kResourceId);
    if (bytes.data == nullptr) return false;
    defaults->Parse(static_cast<const std::uint8_t*>(bytes.data), bytes.size);
    return !defaults->Pairs().empty();
}

// Windows-1252 bytes as UTF-16, whatever the system's ANSI code page.
inline std::wstring Widen1252(const std::string& ansi) {
    if (ansi.empty()) return {};
    int n = MultiByteToWideChar(1252, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(1252, 0, ansi.data(), static_cast<int>(ansi.size()), out.data(), n);
    return out;
}

}  // namespace eh::config::testing

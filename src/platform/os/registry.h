// The per-user settings file: the stand-in for the program's registry key.
//
// The file is ${XDG_CONFIG_HOME:-$HOME/.config}/kestrelle/emberhold-3d-screensaver.conf and
// holds INI sections named after registry keys, one line `Name=decimal DWORD` per value:
//
//   [Software\Kestrelle\Emberhold 3D Screensaver]
//   ShowFPS=1
//   MusicVolume=70
//
// Values keep the registry's encoding (the callers decide what a number means). Lines that
// cannot be parsed read as "value not stored" and are kept as they are when the file is
// rewritten, as are other sections, so nothing the user put there is lost. The file is the
// user's and other tools may manage it: opening it never rewrites it, and a write keeps its
// mode and, when the path is a symbolic link, replaces the file the link points to. Writes
// go to a temporary file in the target's folder, are flushed to disk and renamed over the
// old file: a crash leaves either the old or the new file, never a torn one.
//
// The file is the back end (posix/registry_file.cpp). A Win32 back end keeps this class
// and its contract over RegCreateKeyExA / RegQueryValueExA / RegSetValueExA /
// RegFlushKey / RegCloseKey on HKEY_CURRENT_USER (its Store holds the HKEY; the path
// argument has no meaning there and SettingsFilePath is "HKEY_CURRENT_USER"), so the
// callers stay as they are: win32/registry_win32.cpp. There values set wait in the Store
// until Flush as here; a value is a number only when it is a REG_DWORD of four bytes;
// value names ignore case, as the registry's do; a key the user may only read opens, and
// Flush then fails.
#pragma once

#include <memory>
#include <string>

#include "platform/os/win32_types.h"

namespace eh::os {

// Where the settings file lives for the current user (environment read on each call).
std::string SettingsFilePath();

class RegistryKey {
public:
    RegistryKey();
    ~RegistryKey();  // does not flush: Close does
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens `subkey` in the file at `path` (RegCreateKeyExA). A missing file is created
    // with the empty section; an existing file is only read, a missing section being added
    // by the first Flush that has a value to write. Returns false when the file exists but
    // cannot be read (or is too large to be ours), or is missing and cannot be created.
    bool Create(const std::string& subkey, const std::string& path = SettingsFilePath());

    // RegQueryValueExA for a REG_DWORD: false when the value is missing or not a number.
    bool QueryDword(const std::string& name, DWORD* value) const;

    // RegSetValueExA: stored in memory until Flush (or Close).
    void SetDword(const std::string& name, DWORD value);

    // RegFlushKey: writes the file atomically when something changed. False on failure.
    bool Flush();

    // RegCloseKey: flushes pending changes.
    void Close();

    bool IsOpen() const;

private:
    // The back end's state of one open key (posix/registry_file.cpp: the file's lines).
    struct Store;
    std::unique_ptr<Store> store_;
};

}  // namespace eh::os

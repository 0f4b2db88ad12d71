#include "shell/password.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace eh::shell {

#ifdef _WIN32

bool IsWindows9x() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

void PasswordVerifier::Load() {
    Free();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return;
    DWORD value = 0, type = 0, size = sizeof value;
    const LONG read = RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, &type,
                                       reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    // Windows 9x stores the flag as a 4-byte value of either type.
    if (read != ERROR_SUCCESS || size != sizeof value || value == 0) return;
    library_ = LoadLibraryA("PASSWORD.CPL");
    if (library_ == nullptr) return;
    // GetProcAddress returns the generic FARPROC; the export has this signature.
    verify_ = reinterpret_cast<VerifyFunction>(
        reinterpret_cast<void*>(GetProcAddress(library_, "VerifyScreenSavePwd")));
}

bool PasswordVerifier::Verify(HWND window) const {
    return verify_ == nullptr || verify_(window) != FALSE;
}

void PasswordVerifier::Free() {
    if (library_ != nullptr) FreeLibrary(library_);
    library_ = nullptr;
    verify_ = nullptr;
}

void ChangeScreenSaverPassword(HWND parent) {
    using ChangeFunction = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    HMODULE library = LoadLibraryA("MPR.DLL");
    if (library == nullptr) return;
    auto change = reinterpret_cast<ChangeFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "PwdChangePasswordA")));
    if (change != nullptr) change("SCRSAVE", parent, 0, nullptr);
    FreeLibrary(library);
}

#else

// Neither library exists here: no verifier, no password change.
bool IsWindows9x() {
    return false;
}
void PasswordVerifier::Load() {}
bool PasswordVerifier::Verify(HWND) const {
    return true;
}
void PasswordVerifier::Free() {
    library_ = nullptr;
    verify_ = nullptr;
}
void ChangeScreenSaverPassword(HWND) {}

#endif

}  // namespace eh::shell

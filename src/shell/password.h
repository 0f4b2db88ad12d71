// The screensaver password of Windows 9x: the verifier the saver asks before it closes,
// and the password change of the /a mode.
//
// Windows 9x keeps the password in its own libraries, which exist nowhere else: on Windows
// NT and later (and under Wine) the saver never loads a verifier, and MPR.DLL has no
// "PwdChangePasswordA", so /a does nothing. On Linux neither library ever exists.
#pragma once

#include "platform/os/win32_types.h"

namespace eh::shell {

// True on the Windows 9x family (GetVersionExA's platform VER_PLATFORM_WIN32_WINDOWS);
// always false on Linux.
bool IsWindows9x();

// The loaded "VerifyScreenSavePwd" of PASSWORD.CPL, or nothing.
class PasswordVerifier {
  public:
    PasswordVerifier() = default;
    ~PasswordVerifier() { Free(); }
    PasswordVerifier(const PasswordVerifier&) = delete;
    PasswordVerifier& operator=(const PasswordVerifier&) = delete;

    // Loads the verifier when the user's "Control Panel\Desktop" value
    // "ScreenSaveUsePassword" reads as a non-zero 4-byte value; otherwise, or when the
    // library or its export is missing, nothing is loaded. Call only on Windows 9x.
    void Load();
    bool Loaded() const { return verify_ != nullptr; }
    // Asks the user for the password in a dialog owned by `window`: true when it was right
    // (or no verifier is loaded), false when it was wrong or the dialog was cancelled.
    bool Verify(HWND window) const;
    // Unloads the library; nothing is loaded afterwards.
    void Free();

  private:
#ifdef _WIN32
    using VerifyFunction = BOOL(WINAPI*)(HWND);
#else
    using VerifyFunction = BOOL (*)(HWND);
#endif
    HMODULE library_ = nullptr;
    VerifyFunction verify_ = nullptr;
};

// The system's password-change dialog for screensavers (MPR.DLL's "PwdChangePasswordA"
// with "SCRSAVE", owned by `parent`), when the library has it; otherwise nothing.
void ChangeScreenSaverPassword(HWND parent);

}  // namespace eh::shell

// The instance lock on Windows: a named mutex of the session, and the saver's window.
#include "platform/os/single_instance.h"

#include "platform/os/win32_types.h"

namespace eh::os {
namespace {

// The class of the saver's windows (src/shell), which every copy of the program registers.
constexpr char kSaverWindowClass[] = "Emberhold 3D Screensaver";

bool saverWindowExists(const std::string& name) {
    return name == SingleInstanceLock::DefaultPath() &&
           FindWindowA(kSaverWindowClass, nullptr) != nullptr;
}

}  // namespace

SingleInstanceLock::~SingleInstanceLock() {
    Release();
}

std::string SingleInstanceLock::DefaultPath() {
    return "Local\\Emberhold 3D Screensaver";
}

bool SingleInstanceLock::Acquire(const std::string& path) {
    if (mutex_ != nullptr) return true;
    if (saverWindowExists(path)) return false;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, path.c_str());
    const DWORD error = GetLastError();
    if (mutex == nullptr) {
        // Made by another user's copy in this session, which we may not open: held. Any
        // other failure (a name the system refuses) must not stop the program.
        return error != ERROR_ACCESS_DENIED;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    mutex_ = mutex;
    return true;
}

bool SingleInstanceLock::HeldElsewhere(const std::string& path) {
    if (saverWindowExists(path)) return true;
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, path.c_str());
    if (mutex == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    CloseHandle(mutex);
    return true;
}

void SingleInstanceLock::Release() {
    if (mutex_ == nullptr) return;
    // The last handle closed, the mutex is gone and the name free again.
    CloseHandle(static_cast<HANDLE>(mutex_));
    mutex_ = nullptr;
}

}  // namespace eh::os

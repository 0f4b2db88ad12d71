// One copy of the program per user session.
//
// The lock is an open-file-description lock (F_OFD_SETLK) on a file in $XDG_RUNTIME_DIR (or
// the temporary folder, with the user id in its name). It is held until the object is
// destroyed or the process ends, so a crashed copy never blocks the next one. Unlike
// flock, such a lock can be looked at without taking it, which is what a run that must
// give way to a holder, but never block one, needs. The back end is
// posix/single_instance_posix.cpp.
//
// On Windows (win32/single_instance_win32.cpp) the "path" is the name of a mutex in the
// session's namespace ("Local\..."): Acquire creates it and fails where it already exists,
// HeldElsewhere opens it and closes it again at once, and the system drops it with the last
// handle, so a crashed copy never blocks the next one either. For the default name a
// top-level window of the saver's class "Emberhold 3D Screensaver" also counts as a
// holder, as the program has always looked for its running copy on Windows; the mutex
// adds what a window cannot: the configuration dialog, whose title is a translated text,
// and two copies started at the same moment, before either has a window.
#pragma once

#include <string>

namespace eh::os {

class SingleInstanceLock {
public:
    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when this process now holds the lock (or already did); false when another
    // holder has it (another process, or another object of this one). A lock file that
    // cannot be created at all does not stop the program: it then runs without the check
    // and returns true.
    bool Acquire(const std::string& path = DefaultPath());
    void Release();

    // True when some holder has the lock at `path`. Takes nothing and leaves nothing
    // behind, so any number of lookers may ask at once without ever making an Acquire
    // fail; a missing or unreadable lock file means nobody holds it.
    static bool HeldElsewhere(const std::string& path = DefaultPath());

    static std::string DefaultPath();

private:
#ifdef _WIN32
    void* mutex_ = nullptr;  // HANDLE
#else
    int fd_ = -1;
#endif
};

}  // namespace eh::os

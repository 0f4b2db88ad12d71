// One copy of the program per user session.
//
// The lock is an open-file-description lock (F_OFD_SETLK) on a file in $XDG_RUNTIME_DIR (or
// the temporary folder, with the user id in its name). It is held until the object is
// destroyed or the process ends, so a crashed copy never blocks the next one. Unlike
// flock, such a lock can be looked at without taking it, which is what a run that must
// give way to a holder, but never block one, needs. The back end is
// posix/single_instance_posix.cpp; a Win32 back end would hold a named mutex in the
// session's namespace (CreateMutexA, looked at with OpenMutexA) behind the same class.
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
    int fd_ = -1;
};

}  // namespace eh::os

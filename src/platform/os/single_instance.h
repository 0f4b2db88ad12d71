// One copy of the program per user session.
//
// The lock is an flock on a file in $XDG_RUNTIME_DIR (or the temporary folder, with the
// user id in its name). It is held until the object is destroyed or the process ends, so
// a crashed copy never blocks the next one.
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
    // process holds it. A lock file that cannot be created at all does not stop the
    // program: it then runs without the check and returns true.
    bool Acquire(const std::string& path = DefaultPath());
    void Release();

    static std::string DefaultPath();

private:
    int fd_ = -1;
};

}  // namespace eh::os

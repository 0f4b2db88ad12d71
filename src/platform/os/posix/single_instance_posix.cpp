#include "platform/os/single_instance.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace eh::os {
namespace {

// The whole file, write-locked: one holder at a time.
struct flock wholeFile() {
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = 0;  // to the end, however long the file grows
    return range;
}

}  // namespace

SingleInstanceLock::~SingleInstanceLock() { Release(); }

std::string SingleInstanceLock::DefaultPath() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/')
        return std::string(runtime) + "/emberhold-3d-screensaver.lock";
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = (tmp && tmp[0] == '/') ? tmp : "/tmp";
    return dir + "/emberhold-3d-screensaver-" + std::to_string(getuid()) + ".lock";
}

bool SingleInstanceLock::Acquire(const std::string& path) {
    if (fd_ >= 0) return true;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;
    struct flock range = wholeFile();
    if (fcntl(fd, F_OFD_SETLK, &range) != 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool SingleInstanceLock::HeldElsewhere(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock range = wholeFile();
    bool held = fcntl(fd, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
    close(fd);
    return held;
}

void SingleInstanceLock::Release() {
    if (fd_ < 0) return;
    // Closing the last descriptor of the open file drops its lock.
    close(fd_);
    fd_ = -1;
}

}  // namespace eh::os

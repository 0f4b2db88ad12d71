#include "platform/os/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace eh::os {

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
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void SingleInstanceLock::Release() {
    if (fd_ < 0) return;
    flock(fd_, LOCK_UN);
    close(fd_);
    fd_ = -1;
}

}  // namespace eh::os

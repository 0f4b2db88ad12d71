// Private temporary files over mkstemp: O_CREAT | O_EXCL with mode 0600.
#include "platform/os/temp_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace eh::os {

std::string TempFolder() {
    const char* env = std::getenv("TMPDIR");
    if (env != nullptr && env[0] == '/') return env;
    return "/tmp";
}

std::string CreatePrivateTempFile(std::span<const std::uint8_t> bytes, std::string_view prefix,
                                  const std::string& folder) {
    std::string name = folder.empty() ? TempFolder() : folder;
    if (name.back() != '/') name += '/';
    name += prefix;
    name += "XXXXXX";
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    int fd = mkstemp(buf.data());  // O_CREAT | O_EXCL, 0600
    if (fd < 0) return {};
    std::string path(buf.data());
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    bool ok = done == bytes.size();
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        ::unlink(path.c_str());
        return {};
    }
    return path;
}

bool DeleteTempFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

}  // namespace eh::os

// The settings file back end of the registry key: an INI-style file per user, read
// through a descriptor and written atomically (temporary file, fsync, rename).
#include "platform/os/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

namespace eh::os {
namespace {

// A line longer than this cannot be a value line of ours; it is kept but not parsed, and
// reading stops growing a single line past it so a damaged file cannot exhaust memory.
constexpr std::size_t kMaxLineLength = 4096;
// A settings file larger than this is not ours to parse or rewrite; opening it fails.
constexpr std::size_t kMaxFileSize = 1 << 20;

bool makeDirectories(const std::string& dir) {
    if (dir.empty()) return true;
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = dir.find('/', pos + 1);
        partial = dir.substr(0, pos);
        if (partial.empty()) continue;
        if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// The file a chain of symbolic links ends at (which may not exist yet). Relative link
// texts count from the link's own folder. A chain longer than the kernel's own limit is
// left unresolved: writing then fails on the link as a file would.
std::string followLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = readlink(path.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return path;
        link.resize(static_cast<std::size_t>(n));
        if (link.front() != '/') {
            const std::size_t slash = path.rfind('/');
            if (slash != std::string::npos) link = path.substr(0, slash + 1) + link;
        }
        path = link;
    }
    return path;
}

std::string trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

// Decimal DWORD: digits only, at most 4294967295.
std::optional<DWORD> parseDword(const std::string& text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<DWORD>(v);
}

}  // namespace

std::string SettingsFilePath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0]) {
        base = std::string(home) + "/.config";
    } else {
        base = "/tmp";
    }
    return base + "/kestrelle/emberhold-3d-screensaver.conf";
}

struct RegistryKey::Store {
    struct Line {
        std::string text;                 // as read (for lines we keep verbatim)
        std::optional<std::string> name;  // set for a parsed value line of our section
    };

    bool load();
    // `replace` false: fails where a file already stands instead of replacing it.
    bool writeAtomically(const std::string& contents, bool replace) const;
    std::string render() const;

    bool opened = false;
    bool dirty = false;
    std::string path;
    std::string section;
    std::vector<std::string> before;  // lines before our section (other sections)
    std::vector<Line> ours;           // lines of our section, header excluded
    std::vector<std::string> after;   // lines after our section
    std::map<std::string, DWORD> values;  // parsed values of our section (exact names)
};

RegistryKey::RegistryKey() : store_(std::make_unique<Store>()) {}

RegistryKey::~RegistryKey() = default;

bool RegistryKey::IsOpen() const {
    return store_->opened;
}

bool RegistryKey::Create(const std::string& subkey, const std::string& path) {
    store_ = std::make_unique<Store>();
    store_->path = path;
    store_->section = subkey;
    if (!store_->load()) return false;
    store_->opened = true;
    return true;
}

bool RegistryKey::Store::load() {
    // Read through a descriptor so that "no such file" (the key is created) and "cannot be
    // read" (left alone, defaults stay) are told apart.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) return false;
        // RegCreateKeyExA creates the key; the file is made only where none stands, so a
        // file another program creates meanwhile is never replaced.
        return writeAtomically(render(), /*replace=*/false);
    }
    struct stat st {};
    std::string contents;
    bool readable = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                    static_cast<std::uint64_t>(st.st_size) <= kMaxFileSize;
    // Past that size it is not a settings file we can trust ourselves to rewrite: refuse to
    // open, so the defaults stay in effect and the file is left exactly as it is.
    if (readable) {
        contents.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < contents.size()) {
            const ssize_t n = read(fd, contents.data() + got, contents.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) readable = false;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        contents.resize(got);
    }
    close(fd);
    if (!readable) return false;

    std::istringstream lines(contents);
    std::string line;
    enum { Before, Ours, After } where = Before;
    while (std::getline(lines, line)) {
        std::string t = trim(line);
        bool header = t.size() >= 2 && t.front() == '[' && t.back() == ']';
        if (header) {
            std::string name = t.substr(1, t.size() - 2);
            if (where == Before && name == section) {
                where = Ours;
                continue;
            }
            if (where == Ours) where = After;
        }
        if (where == Before) {
            before.push_back(line);
        } else if (where == After) {
            after.push_back(line);
        } else {
            Line l{line, std::nullopt};
            std::size_t eq = t.find('=');
            if (t.size() <= kMaxLineLength && eq != std::string::npos && eq > 0) {
                std::string name = trim(t.substr(0, eq));
                if (auto v = parseDword(trim(t.substr(eq + 1)))) {
                    values[name] = *v;
                    l.name = name;
                }
            }
            ours.push_back(std::move(l));
        }
    }
    // A file without our section (another program's, or damaged) gains it only when a value
    // is set and flushed: opening the key to read never rewrites what the user has.
    return true;
}

bool RegistryKey::QueryDword(const std::string& name, DWORD* value) const {
    const Store& s = *store_;
    if (!s.opened || value == nullptr) return false;
    auto it = s.values.find(name);
    if (it == s.values.end()) return false;
    *value = it->second;
    return true;
}

void RegistryKey::SetDword(const std::string& name, DWORD value) {
    Store& s = *store_;
    if (!s.opened) return;
    auto it = s.values.find(name);
    if (it != s.values.end() && it->second == value) return;
    if (it == s.values.end()) s.ours.push_back(Store::Line{"", name});
    s.values[name] = value;
    s.dirty = true;
}

std::string RegistryKey::Store::render() const {
    std::string out;
    for (const std::string& l : before) out += l + "\n";
    out += "[" + section + "]\n";
    // A value set twice in a damaged file is written once, where it first stood.
    std::map<std::string, bool> written;
    for (const Line& l : ours) {
        if (!l.name) {
            out += l.text + "\n";
            continue;
        }
        if (written[*l.name]) continue;
        written[*l.name] = true;
        out += *l.name + "=" + std::to_string(values.at(*l.name)) + "\n";
    }
    for (const std::string& l : after) out += l + "\n";
    return out;
}

bool RegistryKey::Store::writeAtomically(const std::string& contents, bool replace) const {
    // A settings file that is a symbolic link (dotfile managers keep the real one elsewhere)
    // is written where the link points, so the link survives.
    const std::string target = followLinks(path);
    std::size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : target.substr(0, slash);
    if (dir.empty()) dir = "/";
    if (!makeDirectories(dir)) return false;
    std::string temp = target + ".tmp.XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    // The new file takes the old one's mode and, where allowed, its group: a file the user
    // shared with their group stays shared.
    struct stat old {};
    if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        fchmod(fd, old.st_mode & 07777);
        if (old.st_uid != geteuid() || old.st_gid != getegid()) {
            [[maybe_unused]] const int ignored = fchown(fd, old.st_uid, old.st_gid);
        }
    } else {
        fchmod(fd, 0600);
    }
    const char* p = contents.data();
    std::size_t left = contents.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok && replace) {
        ok = rename(temp.c_str(), target.c_str()) == 0;
    } else if (ok) {
        // link() fails where a file already stands: the no-replace form of rename.
        ok = link(temp.c_str(), target.c_str()) == 0;
        unlink(temp.c_str());
    }
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

bool RegistryKey::Flush() {
    Store& s = *store_;
    if (!s.dirty) return true;
    if (!s.writeAtomically(s.render(), /*replace=*/true)) return false;
    s.dirty = false;
    return true;
}

void RegistryKey::Close() {
    if (store_->opened) Flush();
    store_->opened = false;
}

}  // namespace eh::os

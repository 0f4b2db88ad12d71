// Helpers shared by the archive tests: extraction through our reader and through unar.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "media/archive.h"

namespace eh::testing {

using Bytes = std::vector<std::uint8_t>;

// Extracts `name` with the program's reader; returns false on a 0 result.
inline bool ExtractWithReader(const Bytes& archive, const std::string& name, Bytes& out) {
    media::MemoryFile file{archive.data(), static_cast<std::uint32_t>(archive.size()), 0};
    std::uint8_t* data = nullptr;
    DWORD size = 0;
    const int ok = media::ExtractEntry(&data, &size, name.c_str(), &file, nullptr);
    if (ok == 1) out.assign(data, data + size);
    std::free(data);
    return ok == 1;
}

inline bool UnarAvailable() {
    return std::system("command -v unar >/dev/null 2>&1") == 0;
}

// Extracts the whole archive with unar into a fresh folder and returns the files keyed by
// archive name (backslash separators). Sets `ok` to false when unar reports a failure.
inline std::map<std::string, Bytes> ExtractWithUnar(const Bytes& archive, bool& ok) {
    namespace fs = std::filesystem;
    static int counter = 0;
    const fs::path dir = fs::temp_directory_path() / ("eh-unar-" + std::to_string(::getpid()) +
                                                      "-" + std::to_string(counter++));
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    const fs::path path = dir / "test.rar";
    {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(archive.data()),
                static_cast<std::streamsize>(archive.size()));
    }
    const std::string cmd =
        "unar -q -f -D -o '" + (dir / "out").string() + "' '" + path.string() + "' >/dev/null 2>&1";
    ok = std::system(cmd.c_str()) == 0;
    std::map<std::string, Bytes> files;
    for (const auto& e : fs::recursive_directory_iterator(dir / "out")) {
        if (!e.is_regular_file()) continue;
        std::string name = fs::relative(e.path(), dir / "out").string();
        for (char& c : name)
            if (c == '/') c = '\\';
        std::ifstream in(e.path(), std::ios::binary);
        files[name] = Bytes(std::istreambuf_iterator<char>(in), {});
    }
    fs::remove_all(dir);
    return files;
}

// Deterministic pseudo-random bytes.
inline Bytes RandomBytes(std::size_t n, std::uint64_t seed) {
    Bytes out(n);
    std::uint64_t s = seed * 0x9E3779B97F4A7C15ull + 1;
    for (auto& b : out) {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        b = static_cast<std::uint8_t>(s >> 24);
    }
    return out;
}

// Text-like bytes: words from a small vocabulary.
inline Bytes TextBytes(std::size_t n, std::uint64_t seed) {
    static const char* const kWords[] = {"grass", "horse", "the", "of",    "light",  "crow",
                                         "oak",   "wind",  "a",   "sword", "ribbon", "sky"};
    const Bytes r = RandomBytes(n, seed);
    std::string s;
    for (std::size_t i = 0; s.size() < n; ++i) {
        s += kWords[r[i % r.size()] % 12];
        s += (r[(i * 7) % r.size()] % 9 == 0) ? ".\n" : " ";
    }
    s.resize(n);
    return Bytes(s.begin(), s.end());
}

}  // namespace eh::testing

// rarpack: our RAR 2.0 archiver.
//   rarpack a ARCHIVE [--store] [--solid] [--mm] [-C DIR] FILES...   create
//   rarpack l ARCHIVE                                                list
//   rarpack t ARCHIVE                                                test every entry
//   rarpack x ARCHIVE DIR                                            extract
//   rarpack --bench FILES...  /  rarpack --make-corpus DIR [MiB]     figures
// l, t and x go through the screensaver's own reader and decoder (eh_media).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "archive_writer.h"
#include "media/archive.h"
#include "rarpack.h"

namespace fs = std::filesystem;

namespace eh::rarpack {

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: rarpack a ARCHIVE [--store] [--solid] [--mm] [--chain N] [--nice N] [-C "
                 "DIR] FILES...\n"
                 "       rarpack l ARCHIVE | t ARCHIVE | x ARCHIVE DIR\n"
                 "       rarpack --bench FILES... | --make-corpus DIR [MiB]\n");
    return 2;
}

// Archive name of a path relative to the base folder: backslash separators, no "./".
std::string archiveName(const fs::path& relative) {
    std::string name;
    for (const fs::path& part : relative) {
        const std::string s = part.string();
        if (s.empty() || s == ".") continue;
        if (!name.empty()) name += '\\';
        name += s;
    }
    return name;
}

bool addPath(const fs::path& base, const fs::path& relative, std::vector<ArchiveEntry>& entries) {
    const fs::path full = base / relative;
    std::error_code ec;
    if (fs::is_directory(full, ec)) {
        entries.push_back({archiveName(relative), true, {}});
        std::vector<fs::path> children;
        for (const auto& child : fs::directory_iterator(full, ec))
            children.push_back(relative / child.path().filename());
        std::sort(children.begin(), children.end());  // deterministic archive order
        for (const fs::path& child : children)
            if (!addPath(base, child, entries)) return false;
        return true;
    }
    ArchiveEntry e;
    e.name = archiveName(relative);
    // Refused before reading: the size would be truncated in the header, and reading it
    // whole would cost as much memory.
    const std::uintmax_t size = fs::file_size(full, ec);
    if (!ec) {
        if (const std::string error = SizeLimitError(full.string(), size); !error.empty()) {
            std::fprintf(stderr, "rarpack: %s\n", error.c_str());
            return false;
        }
    }
    if (!ReadWholeFile(full.string(), e.data)) {
        std::fprintf(stderr, "rarpack: cannot read %s\n", full.string().c_str());
        return false;
    }
    // A file that grew since its size was taken is caught here.
    if (const std::string error = SizeLimitError(full.string(), e.data.size()); !error.empty()) {
        std::fprintf(stderr, "rarpack: %s\n", error.c_str());
        return false;
    }
    entries.push_back(std::move(e));
    return true;
}

int create(int argc, char** argv) {
    if (argc < 4) return usage();
    const std::string archive = argv[2];
    PackOptions options;
    fs::path base = ".";
    std::vector<ArchiveEntry> entries;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--store") {
            options.store = true;
        } else if (a == "--solid") {
            options.solid = true;
        } else if (a == "--mm") {
            options.encoder.multimedia = true;
        } else if (a == "--chain" && i + 1 < argc) {
            options.encoder.maxChain = static_cast<std::uint32_t>(std::atoi(argv[++i]));
        } else if (a == "--nice" && i + 1 < argc) {
            options.encoder.niceLength = static_cast<std::uint32_t>(std::atoi(argv[++i]));
        } else if (a == "-C" && i + 1 < argc) {
            base = argv[++i];
        } else if (!addPath(base, fs::path(a).lexically_normal(), entries)) {
            return 1;
        }
    }
    const std::vector<std::uint8_t> bytes = WriteArchive(entries, options);
    if (const std::string error = SizeLimitError("the archive", bytes.size()); !error.empty()) {
        std::fprintf(stderr, "rarpack: %s; nothing written\n", error.c_str());
        return 1;
    }
    if (!WriteWholeFile(archive, bytes)) {
        std::fprintf(stderr, "rarpack: cannot write %s\n", archive.c_str());
        return 1;
    }
    return 0;
}

bool openArchive(const char* path, std::vector<std::uint8_t>& bytes, media::MemoryFile& file,
                 std::vector<media::EntryInfo>& entries) {
    if (!ReadWholeFile(path, bytes) || bytes.size() > 0xFFFFFFFFu) {
        std::fprintf(stderr, "rarpack: cannot read %s\n", path);
        return false;
    }
    file.data = bytes.data();
    file.size = static_cast<std::uint32_t>(bytes.size());
    media::ArchiveReader reader;
    if (!reader.List(&file, entries)) {
        std::fprintf(stderr, "rarpack: %s: not a RAR 2.0 archive or damaged headers\n", path);
        return !entries.empty();
    }
    return true;
}

int list(const char* path) {
    std::vector<std::uint8_t> bytes;
    media::MemoryFile file;
    std::vector<media::EntryInfo> entries;
    if (!openArchive(path, bytes, file, entries)) return 1;
    std::uint64_t packed = 0, unpacked = 0;
    std::printf("%10s %10s %6s %8s  %s\n", "size", "packed", "method", "crc", "name");
    for (const auto& e : entries) {
        std::printf("%10u %10u %6s %08x  %s%s\n", e.unpSize, e.packSize,
                    e.method == 0x30 ? "store" : "m", e.fileCrc, e.name.c_str(),
                    e.directory() ? "\\" : "");
        packed += e.packSize;
        unpacked += e.unpSize;
    }
    std::printf("%zu entries, %llu bytes, %llu packed\n", entries.size(),
                static_cast<unsigned long long>(unpacked), static_cast<unsigned long long>(packed));
    return 0;
}

// Path below `dir` for an archive name, refusing names that would leave it.
bool outputPath(const std::string& dir, const std::string& name, fs::path& out) {
    out = dir;
    std::string part;
    bool any = false;
    auto flush = [&]() {
        if (part.empty() || part == ".") return true;
        if (part == "..") return false;
        out /= part;
        any = true;
        part.clear();
        return true;
    };
    for (char c : name) {
        if (c == '\\' || c == '/') {
            if (!flush()) return false;
        } else {
            part += c;
        }
    }
    return flush() && any;
}

int testOrExtract(const char* path, const char* dir) {
    std::vector<std::uint8_t> bytes;
    media::MemoryFile file;
    std::vector<media::EntryInfo> entries;
    if (!openArchive(path, bytes, file, entries)) return 1;
    int failures = 0;
    for (const auto& e : entries) {
        std::uint8_t* data = nullptr;
        DWORD size = 0;
        const int ok = media::ExtractEntry(&data, &size, e.name.c_str(), &file, nullptr);
        bool good = ok == 1;
        if (good && dir != nullptr) {
            fs::path out;
            if (!outputPath(dir, e.name, out)) {
                std::fprintf(stderr, "rarpack: unsafe name skipped: %s\n", e.name.c_str());
                good = false;
            } else {
                std::error_code ec;
                if (e.directory()) {
                    fs::create_directories(out, ec);
                } else {
                    fs::create_directories(out.parent_path(), ec);
                    good =
                        WriteWholeFile(out.string(), std::vector<std::uint8_t>(data, data + size));
                }
            }
        }
        std::free(data);
        if (dir == nullptr)
            std::printf("%-4s %10u  %s\n", good ? "OK" : "FAIL", e.unpSize, e.name.c_str());
        if (!good) ++failures;
    }
    if (dir == nullptr)
        std::printf("%zu entries, %d failed\n", entries.size(), failures);
    else if (failures != 0)
        std::fprintf(stderr, "rarpack: %d entries failed\n", failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace eh::rarpack

int main(int argc, char** argv) {
    using namespace eh::rarpack;
    if (argc < 2) return usage();
    const std::string cmd = argv[1];
    if (cmd == "a") return create(argc, argv);
    if (cmd == "l" && argc == 3) return list(argv[2]);
    if (cmd == "t" && argc == 3) return testOrExtract(argv[2], nullptr);
    if (cmd == "x" && argc == 4) return testOrExtract(argv[2], argv[3]);
    if (cmd == "--bench" && argc >= 3)
        return RunBench(std::vector<std::string>(argv + 2, argv + argc));
    if (cmd == "--make-corpus" && argc >= 3)
        return MakeCorpus(argv[2], argc >= 4 ? static_cast<std::uint32_t>(std::atoi(argv[3])) : 8);
    return usage();
}

// Figures of rarpack: the benchmark corpus and the --bench report.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "archive_writer.h"
#include "media/archive.h"
#include "rarpack.h"

namespace fs = std::filesystem;

namespace eh::rarpack {

namespace {

struct Rng {
    std::uint64_t s;
    std::uint32_t Next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<std::uint32_t>(s >> 11);
    }
    float Unit() { return static_cast<float>(Next() & 0xFFFFFF) / 16777216.0f; }
};

// Smooth value noise in [0, 1) from a lattice of random values, several octaves.
std::vector<float> fractalNoise(int size, Rng& rng) {
    std::vector<float> out(static_cast<std::size_t>(size) * size, 0.0f);
    float amplitude = 0.5f;
    for (int cell = size / 4; cell >= 2; cell /= 2, amplitude *= 0.5f) {
        const int n = size / cell + 1;
        std::vector<float> lattice(static_cast<std::size_t>(n) * n);
        for (float& v : lattice) v = rng.Unit();
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const int gx = x / cell, gy = y / cell;
                const float fx = static_cast<float>(x % cell) / cell,
                            fy = static_cast<float>(y % cell) / cell;
                auto at = [&](int i, int j) {
                    return lattice[static_cast<std::size_t>(j) * n + i];
                };
                const float top = at(gx, gy) * (1 - fx) + at(gx + 1, gy) * fx;
                const float bottom = at(gx, gy + 1) * (1 - fx) + at(gx + 1, gy + 1) * fx;
                out[static_cast<std::size_t>(y) * size + x] +=
                    amplitude * (top * (1 - fy) + bottom * fy);
            }
        }
    }
    return out;
}

std::vector<std::uint8_t> texture(int size, Rng& rng, int variant) {
    const std::vector<float> n = fractalNoise(size, rng);
    std::vector<std::uint8_t> out;
    // A TGA-like header, then BGR pixels: a tinted noise with a little grain.
    const std::uint8_t header[18] = {0,
                                     0,
                                     2,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,
                                     static_cast<std::uint8_t>(size),
                                     static_cast<std::uint8_t>(size >> 8),
                                     static_cast<std::uint8_t>(size),
                                     static_cast<std::uint8_t>(size >> 8),
                                     24,
                                     0};
    out.insert(out.end(), header, header + 18);
    const float tint[3][3] = {{0.4f, 0.8f, 0.3f}, {0.3f, 0.5f, 0.7f}, {0.6f, 0.6f, 0.6f}};
    for (float v : n) {
        for (int c = 0; c < 3; ++c) {
            const float grain = static_cast<float>(rng.Next() % 9) - 4.0f;
            const float value = v * 255.0f * tint[variant % 3][c] * 1.4f + grain;
            out.push_back(static_cast<std::uint8_t>(std::fmin(255.0f, std::fmax(0.0f, value))));
        }
    }
    return out;
}

std::vector<std::uint8_t> mesh(int rings, int segments, Rng& rng) {
    std::vector<float> v;
    for (int r = 0; r <= rings; ++r) {
        for (int s = 0; s <= segments; ++s) {
            const float theta = 3.14159265f * r / rings, phi = 6.2831853f * s / segments;
            const float radius =
                1.0f + 0.05f * std::sin(5 * theta) * std::cos(3 * phi) + 0.002f * rng.Unit();
            const float nx = std::sin(theta) * std::cos(phi), ny = std::cos(theta),
                        nz = std::sin(theta) * std::sin(phi);
            const float vertex[8] = {radius * nx,
                                     radius * ny,
                                     radius * nz,
                                     nx,
                                     ny,
                                     nz,
                                     static_cast<float>(s) / segments,
                                     static_cast<float>(r) / rings};
            v.insert(v.end(), vertex, vertex + 8);
        }
    }
    std::vector<std::uint8_t> out(v.size() * 4);
    std::memcpy(out.data(), v.data(), out.size());
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const int a = r * (segments + 1) + s, b = a + segments + 1;
            for (int i : {a, b, a + 1, a + 1, b, b + 1}) {
                out.push_back(static_cast<std::uint8_t>(i));
                out.push_back(static_cast<std::uint8_t>(i >> 8));
            }
        }
    }
    return out;
}

std::vector<std::uint8_t> text(std::size_t bytes, Rng& rng) {
    static const char* const kWords[] = {
        "the",     "horse",  "runs",      "across",  "a",       "field",    "of",
        "grass",   "under",  "moonlight", "crows",   "rise",    "from",     "oak",
        "tree",    "sword",  "ribbon",    "wind",    "light",   "beam",     "camera",
        "track",   "vertex", "shader",    "texture", "terrain", "height",   "scene",
        "frame",   "and",    "while",     "slowly",  "bright",  "dark",     "silver",
        "ember",   "hold",   "night",     "sky",     "corona",  "sparkles", "fall",
        "through", "cloth",  "sways",     "gently",  "in",      "to",       "with"};
    constexpr std::size_t kCount = sizeof(kWords) / sizeof(kWords[0]);
    std::string s;
    std::size_t previous = 0;
    while (s.size() < bytes) {
        // Skewed choice with a dependence on the previous word, like real prose.
        std::size_t w = (rng.Next() % 3 == 0) ? (previous * 7 + 3) % kCount
                                              : rng.Next() % (rng.Next() % kCount + 1);
        s += kWords[w];
        previous = w;
        const std::uint32_t r = rng.Next() % 16;
        s += r == 0 ? ".\n" : r == 1 ? ", " : " ";
    }
    s.resize(bytes);
    return {s.begin(), s.end()};
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::uint64_t commandBytes(const std::string& cmd) {
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return 0;
    unsigned long long n = 0;
    if (std::fscanf(p, "%llu", &n) != 1) n = 0;
    pclose(p);
    return n;
}

}  // namespace

int MakeCorpus(const std::string& dir, std::uint32_t mebibytes) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    Rng rng{0x9E3779B97F4A7C15ull};
    std::uint64_t total = 0;
    const std::uint64_t target = std::uint64_t{mebibytes} << 20;
    for (int i = 0; total < target; ++i) {
        std::vector<std::uint8_t> data;
        std::string name;
        switch (i % 3) {
            case 0:
                data = texture(512, rng, i / 3);
                name = "texture" + std::to_string(i / 3) + ".tga";
                break;
            case 1:
                data = mesh(120 + 20 * (i / 3), 160, rng);
                name = "mesh" + std::to_string(i / 3) + ".emd";
                break;
            default:
                data = text(700 * 1024, rng);
                name = "text" + std::to_string(i / 3) + ".txt";
                break;
        }
        if (!WriteWholeFile(dir + "/" + name, data)) return 1;
        total += data.size();
    }
    std::printf("corpus: %llu bytes in %s\n", static_cast<unsigned long long>(total), dir.c_str());
    return 0;
}

int RunBench(const std::vector<std::string>& files) {
    std::vector<ArchiveEntry> entries;
    std::uint64_t total = 0;
    for (const std::string& f : files) {
        ArchiveEntry e;
        e.name = fs::path(f).filename().string();
        if (!ReadWholeFile(f, e.data)) {
            std::fprintf(stderr, "rarpack: cannot read %s\n", f.c_str());
            return 1;
        }
        total += e.data.size();
        entries.push_back(std::move(e));
    }
    const double mb = static_cast<double>(total) / 1e6;

    auto t0 = std::chrono::steady_clock::now();
    const std::vector<std::uint8_t> archive = WriteArchive(entries, PackOptions{});
    const double packSeconds = seconds(t0);

    media::MemoryFile file{archive.data(), static_cast<std::uint32_t>(archive.size()), 0};
    // Best round of those that fit in two seconds, as for unar below (the machine is shared).
    bool ok = true;
    double decodeSeconds = 1e9;
    const auto start = std::chrono::steady_clock::now();
    do {
        t0 = std::chrono::steady_clock::now();
        for (const ArchiveEntry& e : entries) {
            std::uint8_t* data = nullptr;
            DWORD size = 0;
            ok = ok && media::ExtractEntry(&data, &size, e.name.c_str(), &file, nullptr) == 1 &&
                 size == e.data.size();
            std::free(data);
        }
        decodeSeconds = std::min(decodeSeconds, seconds(t0));
    } while (seconds(start) < 2.0);

    const fs::path tmp =
        fs::temp_directory_path() / ("rarpack-bench-" + std::to_string(::getpid()));
    fs::create_directories(tmp);
    const std::string archivePath = (tmp / "bench.rar").string();
    WriteWholeFile(archivePath, archive);
    double unarSeconds = -1;
    if (std::system("command -v unar >/dev/null 2>&1") == 0) {
        double best = 1e9;
        for (int i = 0; i < 3; ++i) {
            const std::string out = (tmp / ("unar" + std::to_string(i))).string();
            t0 = std::chrono::steady_clock::now();
            const std::string cmd =
                "unar -q -f -o '" + out + "' '" + archivePath + "' >/dev/null 2>&1";
            if (std::system(cmd.c_str()) != 0) break;
            best = std::min(best, seconds(t0));
            fs::remove_all(out);
        }
        if (best < 1e9) unarSeconds = best;
    }
    std::uint64_t gzip = 0, xz = 0;
    for (const std::string& f : files) {
        gzip += commandBytes("gzip -9 -c '" + f + "' | wc -c");
        xz += commandBytes("xz -6 -c '" + f + "' | wc -c");
    }
    fs::remove_all(tmp);

    std::uint64_t packed = 0;
    std::vector<media::EntryInfo> infos;
    media::ArchiveReader reader;
    reader.List(&file, infos);
    for (const auto& e : infos) packed += e.packSize;

    std::printf("corpus           %10llu bytes in %zu files\n",
                static_cast<unsigned long long>(total), files.size());
    std::printf("rarpack archive  %10llu bytes (%.1f%%; entries %llu), packed at %.1f MB/s\n",
                static_cast<unsigned long long>(archive.size()), 100.0 * archive.size() / total,
                static_cast<unsigned long long>(packed), mb / packSeconds);
    std::printf("gzip -9          %10llu bytes (%.1f%%)  rarpack/gzip = %.3f\n",
                static_cast<unsigned long long>(gzip), 100.0 * gzip / total,
                gzip ? static_cast<double>(packed) / gzip : 0.0);
    std::printf("xz -6            %10llu bytes (%.1f%%)\n", static_cast<unsigned long long>(xz),
                100.0 * xz / total);
    std::printf("decode (ours)    %10.1f MB/s (in process, best round)%s\n", mb / decodeSeconds,
                ok ? "" : "  (EXTRACTION FAILED)");
    if (unarSeconds > 0)
        std::printf("decode (unar)    %10.1f MB/s (whole process, best of 3)  ours/unar = %.2f\n",
                    mb / unarSeconds, unarSeconds / decodeSeconds);
    else
        std::printf("decode (unar)    not available\n");
    return ok ? 0 : 1;
}

}  // namespace eh::rarpack

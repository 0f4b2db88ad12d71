// Writes the seed corpus of media_archive_fuzz: small archives of every kind our
// compressor makes, and damaged copies of them.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive_writer.h"
#include "rarpack/archive_check.h"

int main(int argc, char** argv) {
    using namespace eh;
    if (argc != 2) return 2;
    std::filesystem::create_directories(argv[1]);
    std::vector<rarpack::ArchiveEntry> entries = {
        {"Data", true, {}},
        {"Data\\text.txt", false, testing::TextBytes(3000, 1)},
        {"Data\\noise.bin", false, testing::RandomBytes(700, 2)},
        {"one", false, {'x'}},
        {"runs", false, std::vector<std::uint8_t>(2000, 'r')},
    };
    std::vector<std::vector<std::uint8_t>> seeds;
    for (int kind = 0; kind < 4; ++kind) {
        rarpack::PackOptions options;
        options.store = kind == 0;
        options.solid = kind == 2 || kind == 3;
        options.encoder.multimedia = kind == 3;
        seeds.push_back(rarpack::WriteArchive(entries, options));
    }
    const std::size_t clean = seeds.size();
    for (std::size_t i = 0; i < clean; ++i) {
        const std::vector<std::uint8_t> s = seeds[i];  // a copy: seeds grows below
        seeds.emplace_back(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(s.size() / 2));
        for (std::size_t k = 1; k <= 6; ++k) {
            auto damaged = s;
            damaged[(k * 2654435761u) % damaged.size()] ^= static_cast<std::uint8_t>(1u << k);
            seeds.push_back(std::move(damaged));
        }
    }
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        std::ofstream out(std::string(argv[1]) + "/seed" + std::to_string(i) + ".rar",
                          std::ios::binary);
        out.write(reinterpret_cast<const char*>(seeds[i].data()),
                  static_cast<std::streamsize>(seeds[i].size()));
    }
    std::printf("%zu seeds\n", seeds.size());
    return 0;
}

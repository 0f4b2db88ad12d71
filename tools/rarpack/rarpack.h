// Entry points of the rarpack command line, split by role (main.cpp, bench.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace eh::rarpack {

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out);
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& data);

// rarpack --make-corpus DIR [MiB]: writes the benchmark corpus (noise textures, mesh-like
// float arrays, text) of at least the given size (default 8 MiB). Returns the exit code.
int MakeCorpus(const std::string& dir, std::uint32_t mebibytes);

// rarpack --bench FILES: packs the files, times our decoder and unar on the archive, and
// compares sizes with gzip -9 and xz -6. Prints the figures; returns the exit code.
int RunBench(const std::vector<std::string>& files);

}  // namespace eh::rarpack

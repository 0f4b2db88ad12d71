// Writes RAR 2.0 archives in the layout the media reader walks: marker, 13-byte main
// header, then per entry a 32-byte file header, its name and its packed data. No end
// block. Output is deterministic: fixed file times, no host-dependent fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rar20_encoder.h"

namespace eh::rarpack {

struct ArchiveEntry {
    std::string name;  // stored as given; folder separators are backslashes
    bool directory = false;
    std::vector<std::uint8_t> data;
};

struct PackOptions {
    bool store = false;  // method 0x30 for every entry
    bool solid = false;  // one compressed stream across all file entries
    EncoderOptions encoder;
};

// DOS date and time written into every header: 2004-01-01 00:00:00.
inline constexpr std::uint32_t kFixedDosTime = ((2004u - 1980u) << 25) | (1u << 21) | (1u << 16);

// RAR 2.0 file headers hold an entry's sizes in 32 bits, and the reader addresses a whole
// archive in 32 bits: 4 GiB and more cannot be written without truncating a size.
inline constexpr std::uint64_t kMaxRar20Size = 0xFFFFFFFFu;

// Empty when `size` bytes fit a RAR 2.0 size field; otherwise a message naming `what`.
std::string SizeLimitError(const std::string& what, std::uint64_t size);

// Every entry's data must be at most kMaxRar20Size bytes (check with SizeLimitError first).
std::vector<std::uint8_t> WriteArchive(const std::vector<ArchiveEntry>& entries,
                                       const PackOptions& options);

}  // namespace eh::rarpack

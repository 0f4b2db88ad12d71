// The billboard file ("Data/Billboard.ebl"): layout, parser and writer.
//
// Layout (little-endian, packed; no magic, no version):
//   int32 count
//   count records of 20 bytes: float32 x, y, z (the anchor, world units), float32 size,
//   int32 kind
// The scene draws kinds 0 and 1 (see scene/billboards.h); other kinds are kept but unused.
//
// The parser never fails; it keeps what a damaged file still holds: a count larger than
// the whole records that follow is cut to those, and a count of zero or less, or fewer
// than 4 bytes, give no records. Bytes after the last counted record are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/math.h"

namespace eh::model::billboard {

inline constexpr std::size_t kCountSize = 4;
inline constexpr std::size_t kRecordSize = 20;

struct Record {
    Vector3 anchor{};
    float size = 0.0f;  // world units: the quad spans 1.5 x size below the anchor
    std::int32_t kind = 0;
};

// Reads the records of `size` bytes at `data` (null reads as an empty file), in file order.
std::vector<Record> Parse(const std::uint8_t* data, std::size_t size);

// Serialises the count and every record.
std::vector<std::uint8_t> Write(const std::vector<Record>& records);

}  // namespace eh::model::billboard

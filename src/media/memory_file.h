// A resource held in memory with a read position: the input of the archive reader.
#pragma once

#include <cstdint>

namespace eh::media {

// The bytes belong to whoever mapped them (the executable's resource section); a
// MemoryFile never owns or frees them. Fields in this order: data, size, position.
struct MemoryFile {
    const std::uint8_t* data = nullptr;  // null when the resource was not found
    std::uint32_t size = 0;              // 0 when the resource was not found
    std::uint32_t position = 0;          // next byte to read

    // All-or-nothing read: copies `count` bytes from `position` into `destination`,
    // advances `position` by `count` and returns `count`. Returns 0 and changes nothing
    // when `count` is 0, when fewer than `count` bytes remain, or when there is no data.
    std::uint32_t Read(void* destination, std::uint32_t count);

    // Bytes left after `position` (0 when `position` is past the end).
    std::uint32_t Remaining() const { return position < size ? size - position : 0; }
};

}  // namespace eh::media

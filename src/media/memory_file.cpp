#include "media/memory_file.h"

#include <cstring>

namespace eh::media {

std::uint32_t MemoryFile::Read(void* destination, std::uint32_t count) {
    // 64-bit sum: position + count must not wrap around past a short buffer.
    if (count == 0 || data == nullptr ||
        static_cast<std::uint64_t>(position) + count > static_cast<std::uint64_t>(size))
        return 0;
    std::memcpy(destination, data + position, count);
    position += count;
    return count;
}

}  // namespace eh::media

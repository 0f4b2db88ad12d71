// Private to src/model: the little-endian writer of the packed file formats (meshes, clips,
// terrain, camera tracks, billboards), and the name under which their parsers use the
// program's one bounds-checked reader, d3dx::ByteReader (see d3dx/d3dx_reader.h for its
// contract). Tools and the scene reach the formats through the *_format.h headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "d3dx/d3dx_reader.h"

namespace eh::model::detail {

using ByteReader = d3dx::ByteReader;

// Every value is written byte by byte, lowest first, whatever the host's byte order.
class ByteWriter {
  public:
    void Bytes(const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        out_.insert(out_.end(), b, b + n);
    }
    void U8(std::uint8_t v) { out_.push_back(v); }
    void U16(std::uint16_t v) {
        out_.push_back(static_cast<std::uint8_t>(v));
        out_.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void I32(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
    }
    void F32(float f) {
        std::int32_t bits;
        std::memcpy(&bits, &f, 4);
        I32(bits);
    }
    // Writes the string and its zero; callers keep within the format's length limits.
    void String(const std::string& s) { Bytes(s.c_str(), s.size() + 1); }
    std::vector<std::uint8_t> Take() { return std::move(out_); }

  private:
    std::vector<std::uint8_t> out_;
};

}  // namespace eh::model::detail

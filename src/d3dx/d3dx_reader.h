// ByteReader: the program's one bounds-checked little-endian cursor over a file in memory.
// The image decoders here read through it, and so do the file formats of src/model (and
// any layer above d3dx that parses bytes): d3dx is the lowest layer that reads files, so
// every parser can reach it without a dependency upward.
//
// Contract:
// - No read touches a byte outside [data, data + size).
// - A read that finds too few bytes left marks the reader failed. A failed reader stays
//   failed: every later read returns zero, Take returns null and remaining() is 0. A
//   parser may therefore read a whole header or record and test ok() once afterwards.
// - That is no licence to allocate from a count before testing it: a parser checks each
//   count against the bytes left (Fits) first, so a damaged count cannot ask for gigabytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace eh::d3dx {

class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    void Fail() { ok_ = false; }
    std::size_t offset() const { return pos_; }
    std::size_t remaining() const { return ok_ ? size_ - pos_ : 0; }
    // True when `count` records of at least `minBytes` each can still follow.
    bool Fits(std::int64_t count, std::size_t minBytes) const {
        if (count < 0) return false;
        if (minBytes == 0) return true;
        return static_cast<std::uint64_t>(count) <= remaining() / minBytes;
    }

    // Moves to an absolute offset; an offset beyond the end fails. Returns ok().
    bool Seek(std::size_t offset) {
        if (offset > size_)
            ok_ = false;
        else
            pos_ = offset;
        return ok_;
    }
    // Steps over `n` bytes; fewer left fails. Returns ok().
    bool Skip(std::size_t n) {
        if (n > remaining())
            ok_ = false;
        else
            pos_ += n;
        return ok_;
    }
    // A pointer to the next `n` bytes, advancing past them; null when fewer remain.
    const std::uint8_t* Take(std::size_t n) {
        if (!ok_ || n > size_ - pos_) {
            ok_ = false;
            return nullptr;
        }
        const std::uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    std::uint8_t U8() {
        const std::uint8_t* p = Take(1);
        return p ? p[0] : 0;
    }
    std::uint16_t U16() {
        const std::uint8_t* p = Take(2);
        return p ? static_cast<std::uint16_t>(p[0] | p[1] << 8) : 0;
    }
    std::uint32_t U32() {
        const std::uint8_t* p = Take(4);
        if (p == nullptr) return 0;
        return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    // An IEEE 754 single stored as its 32 bits, little-endian.
    float F32() {
        const std::uint32_t bits = U32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    // A zero-ended string of at most `maxChars` bytes before the zero; a longer one (or one
    // that runs past the end) fails the reader.
    std::string String(std::size_t maxChars) {
        if (!ok_) return {};
        const std::size_t limit = std::min(size_ - pos_, maxChars + 1);
        const void* zero = std::memchr(data_ + pos_, 0, limit);
        if (zero == nullptr) {
            ok_ = false;
            return {};
        }
        const auto len = static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - (data_ + pos_));
        std::string s(reinterpret_cast<const char*>(data_ + pos_), len);
        pos_ += len + 1;
        return s;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace eh::d3dx

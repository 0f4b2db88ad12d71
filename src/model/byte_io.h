// Little-endian readers and writers for the packed file formats of the models and the
// scene (meshes, clips, terrain, camera tracks, billboards). Tools reach the formats
// through the *_format.h headers and the scene's readers, not through this header.
//
// ByteReader never reads outside [data, data + size): every read checks the bytes left and,
// when they are too few, marks the reader failed and returns zero. A parser may therefore
// read a whole record and test ok() once afterwards; it must still check counts before it
// allocates for them (Fits), so that a damaged count cannot ask for gigabytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace eh::model::detail {

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

    void Seek(std::size_t offset) {
        if (offset > size_)
            ok_ = false;
        else
            pos_ = offset;
    }
    bool Read(void* out, std::size_t n) {
        if (!ok_ || n > size_ - pos_) {
            ok_ = false;
            std::memset(out, 0, n);
            return false;
        }
        std::memcpy(out, data_ + pos_, n);
        pos_ += n;
        return true;
    }
    std::uint16_t U16() {
        std::uint8_t b[2];
        Read(b, 2);
        return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    }
    std::int32_t I32() {
        std::uint8_t b[4];
        Read(b, 4);
        return static_cast<std::int32_t>(
            static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
            (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
    }
    float F32() {
        const std::uint32_t bits = static_cast<std::uint32_t>(I32());
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
        const std::size_t len = static_cast<const std::uint8_t*>(zero) - (data_ + pos_);
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

class ByteWriter {
  public:
    void Bytes(const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        out_.insert(out_.end(), b, b + n);
    }
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

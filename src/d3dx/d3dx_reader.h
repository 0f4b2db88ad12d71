// Private to src/d3dx: a bounds-checked little-endian cursor over a file in memory.
//
// Every read checks the remaining length first; a read past the end returns 0 and sets
// `failed`, which stays set, so a decoder can read a whole header and test once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace eh::d3dx {

class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool failed = false;

    std::size_t position() const { return pos_; }
    std::size_t size() const { return size_; }
    std::size_t remaining() const { return size_ - pos_; }

    // Moves to an absolute offset; an offset beyond the end fails.
    bool seek(std::size_t offset) {
        if (offset > size_) return fail();
        pos_ = offset;
        return true;
    }
    bool skip(std::size_t n) {
        if (n > remaining()) return fail();
        pos_ += n;
        return true;
    }
    std::uint8_t u8() {
        if (remaining() < 1) return fail(), 0;
        return data_[pos_++];
    }
    std::uint16_t u16() {
        if (remaining() < 2) return fail(), 0;
        const std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    std::uint32_t u32() {
        if (remaining() < 4) return fail(), 0;
        const std::uint32_t v = static_cast<std::uint32_t>(data_[pos_]) |
                                static_cast<std::uint32_t>(data_[pos_ + 1]) << 8 |
                                static_cast<std::uint32_t>(data_[pos_ + 2]) << 16 |
                                static_cast<std::uint32_t>(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }

    // A pointer to the next n bytes, advancing past them; nullptr when fewer remain.
    const std::uint8_t* take(std::size_t n) {
        if (n > remaining()) return fail(), nullptr;
        const std::uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

  private:
    bool fail() {
        failed = true;
        return false;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// One colour channel of a bit-field pixel format (BMP BI_BITFIELDS, DDS RGB masks).
class MaskChannel {
  public:
    explicit MaskChannel(std::uint32_t mask) : mask_(mask) {
        if (mask == 0) return;
        while (!((mask >> shift_) & 1u)) ++shift_;
        max_ = mask >> shift_;  // non-contiguous masks read as their span
    }
    bool present() const { return mask_ != 0; }
    // The channel scaled to 0..255; `absent` when the mask is empty.
    std::uint32_t extract(std::uint32_t pixel, std::uint32_t absent) const {
        if (mask_ == 0) return absent;
        const std::uint64_t v = (pixel & mask_) >> shift_;
        return static_cast<std::uint32_t>((v * 255 + max_ / 2) / max_);
    }

  private:
    std::uint32_t mask_;
    std::uint32_t shift_ = 0;
    std::uint64_t max_ = 1;
};

}  // namespace eh::d3dx

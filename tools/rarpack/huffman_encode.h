// Length-limited canonical Huffman codes for the RAR 2.0 compressor, and the MSB-first
// bit writer whose order the decoder's peek reads back.
#pragma once

#include <cstdint>
#include <vector>

namespace eh::rarpack {

// Code lengths (0 for unused symbols) of an optimal prefix code for `freq`, then limited
// to `maxLength` bits. A single used symbol gets length 1. Deterministic: ties are broken
// by symbol number.
std::vector<std::uint8_t> BuildCodeLengths(const std::uint32_t* freq, std::size_t count,
                                           std::uint32_t maxLength);

// Canonical code values for `lengths`: shorter codes first, ascending symbols within one
// length, the first code all zeros. Unused symbols get 0.
std::vector<std::uint16_t> CanonicalCodes(const std::uint8_t* lengths, std::size_t count);

class BitWriter {
  public:
    // Appends the low `bits` bits of `value`, most significant first; `bits` <= 24.
    void Put(std::uint32_t value, std::uint32_t bits) {
        acc_ = (acc_ << bits) | (value & ((1u << bits) - 1));
        pending_ += bits;
        while (pending_ >= 8) {
            pending_ -= 8;
            bytes_.push_back(static_cast<std::uint8_t>(acc_ >> pending_));
        }
        acc_ &= (1u << pending_) - 1;
    }
    // Pads the last byte with zero bits.
    void Align() {
        if (pending_ > 0) Put(0, 8 - pending_);
    }
    std::uint64_t bitCount() const { return bytes_.size() * 8ull + pending_; }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t acc_ = 0;
    std::uint32_t pending_ = 0;
};

}  // namespace eh::rarpack

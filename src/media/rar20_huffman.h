// Canonical Huffman decoding tables of the RAR 2.0 decoder.
//
// Codes are canonical: shorter codes first, and within one length the symbols in
// ascending order take consecutive code values. A table is searched with the next 16
// input bits (most significant first, lowest bit ignored, so codes are at most 15 bits).
#pragma once

#include <array>
#include <cstdint>

#include "media/rar20_format.h"

namespace eh::media::rar20 {

inline constexpr std::uint32_t kMaxTableSymbols = kLiteralCodes;  // largest alphabet (298)
inline constexpr std::uint32_t kQuickBits = 10;                   // direct lookup width

struct DecodeTable {
    std::uint32_t count = 0;                    // symbols in the alphabet
    std::array<std::uint32_t, 16> limits{};     // limits[i]: first 16-bit value past length i
    std::array<std::uint32_t, 16> positions{};  // index in `symbols` of the first code of length i
    std::array<std::uint16_t, kMaxTableSymbols> symbols{};  // sorted by code length
    // Lookup by the top kQuickBits of the peek: symbol and its length, or length 0 when
    // the code is longer and the limits must be searched. Filled from the same limits, so
    // it answers exactly what DecodeReference answers.
    std::array<std::uint16_t, 1u << kQuickBits> quickSymbol{};
    std::array<std::uint8_t, 1u << kQuickBits> quickLength{};
};

// Builds `table` from `count` bit lengths (0 = unused, values above 15 are treated as 0).
// Any set of lengths gives a usable table: over-full or empty code sets decode to some
// symbol below `count`, never out of range.
void BuildDecodeTable(const std::uint8_t* lengths, std::uint32_t count, DecodeTable& table);

// The plain search of the limits, kept as the reference for the quick lookup. `peek` is
// the next 16 input bits; returns the symbol and stores the code length in `bits`.
std::uint32_t DecodeReference(const DecodeTable& table, std::uint32_t peek, std::uint32_t& bits);

// Fast path: quick lookup, falling back to the limit search.
inline std::uint32_t DecodeFast(const DecodeTable& table, std::uint32_t peek, std::uint32_t& bits) {
    const std::uint32_t q = peek >> (16 - kQuickBits);
    if (table.quickLength[q] != 0) {
        bits = table.quickLength[q];
        return table.quickSymbol[q];
    }
    return DecodeReference(table, peek, bits);
}

}  // namespace eh::media::rar20

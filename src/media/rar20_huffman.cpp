#include "media/rar20_huffman.h"

namespace eh::media::rar20 {

void BuildDecodeTable(const std::uint8_t* lengths, std::uint32_t count, DecodeTable& table) {
    if (count > kMaxTableSymbols) count = kMaxTableSymbols;
    std::array<std::uint32_t, 16> lengthCount{};
    for (std::uint32_t s = 0; s < count; ++s)
        if (lengths[s] <= kMaxCodeLength) ++lengthCount[lengths[s]];
    lengthCount[0] = 0;

    table.limits[0] = 0;
    table.positions[0] = 0;
    std::array<std::uint32_t, 16> next{};
    std::uint32_t n = 0;
    for (std::uint32_t i = 1; i <= kMaxCodeLength; ++i) {
        // n is twice the first code value past length i; shifted up to 16 bits it is the
        // limit. Over-full sets would exceed 16 bits, hence the cap.
        n = 2 * (n + lengthCount[i]);
        std::uint32_t limit = n << (15 - i);
        if (limit > 0xFFFF) limit = 0xFFFF;
        table.limits[i] = limit;
        table.positions[i] = table.positions[i - 1] + lengthCount[i - 1];
        next[i] = table.positions[i];
    }
    table.symbols.fill(0);
    for (std::uint32_t s = 0; s < count; ++s) {
        const std::uint8_t len = lengths[s];
        if (len != 0 && len <= kMaxCodeLength)
            table.symbols[next[len]++] = static_cast<std::uint16_t>(s);
    }
    table.count = count;

    // Every quick index stands for the 64 peek values sharing its top bits; limits of
    // lengths up to kQuickBits are multiples of 64 (or the cap, which a masked peek never
    // reaches), so one representative decides for all of them.
    for (std::uint32_t q = 0; q < (1u << kQuickBits); ++q) {
        std::uint32_t bits = 0;
        const std::uint32_t sym = DecodeReference(table, q << (16 - kQuickBits), bits);
        if (bits <= kQuickBits) {
            table.quickSymbol[q] = static_cast<std::uint16_t>(sym);
            table.quickLength[q] = static_cast<std::uint8_t>(bits);
        } else {
            table.quickSymbol[q] = 0;
            table.quickLength[q] = 0;
        }
    }
}

std::uint32_t DecodeReference(const DecodeTable& table, std::uint32_t peek, std::uint32_t& bits) {
    const std::uint32_t v = peek & 0xFFFE;
    std::uint32_t len = kMaxCodeLength;
    for (std::uint32_t i = 1; i < kMaxCodeLength; ++i) {
        if (v < table.limits[i]) {
            len = i;
            break;
        }
    }
    bits = len;
    // v >= limits[len - 1] because len is the first length whose limit exceeds v.
    std::uint32_t k = table.positions[len] + ((v - table.limits[len - 1]) >> (16 - len));
    if (k >= table.count) k = 0;
    return table.symbols[k];
}

}  // namespace eh::media::rar20

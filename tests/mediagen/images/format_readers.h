// Minimal, bounds-checked readers of the headers the image writers produce, so the tests
// check the bytes a loader will see rather than the writer's own idea of them.
#pragma once

#include <cstdint>
#include <vector>

#include "mediagen/images/image.h"

namespace eh::mediagen::test {

inline uint32_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return at + 2 <= b.size() ? b[at] | b[at + 1] << 8 : 0;
}
inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return at + 4 <= b.size() ? Le16(b, at) | Le16(b, at + 2) << 16 : 0;
}

// Decodes an uncompressed true-colour TGA (type 2, 24 or 32 bits, either origin); false
// for anything else or when the data is short.
inline bool ReadTga(const std::vector<uint8_t>& b, Image8& out, int* bits) {
    if (b.size() < 18 || b[1] != 0 || b[2] != 2) return false;
    int w = static_cast<int>(Le16(b, 12)), h = static_cast<int>(Le16(b, 14)), bpp = b[16];
    if ((bpp != 24 && bpp != 32) || w <= 0 || h <= 0) return false;
    size_t px = bpp / 8, start = 18 + b[0];
    if (b.size() < start + static_cast<size_t>(w) * h * px) return false;
    bool topDown = (b[17] & 0x20) != 0;
    out = Image8(w, h);
    for (int y = 0; y < h; ++y) {
        int row = topDown ? y : h - 1 - y;
        for (int x = 0; x < w; ++x) {
            const uint8_t* s = &b[start + (static_cast<size_t>(row) * w + x) * px];
            uint8_t* d = out.at(x, y);
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            d[3] = px == 4 ? s[3] : 255;
        }
    }
    *bits = bpp;
    return true;
}

// Decodes a 24-bit bottom-up BI_RGB BMP; false for anything else.
inline bool ReadBmp24(const std::vector<uint8_t>& b, Image8& out) {
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || Le16(b, 28) != 24 || Le32(b, 30) != 0) {
        return false;
    }
    int w = static_cast<int>(Le32(b, 18)), h = static_cast<int>(Le32(b, 22));
    size_t off = Le32(b, 10), row = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    if (w <= 0 || h <= 0 || b.size() < off + row * h) return false;
    out = Image8(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* s = &b[off + (h - 1 - y) * row + x * 3];
            uint8_t* d = out.at(x, y);
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            d[3] = 255;
        }
    }
    return true;
}

inline float Luma(const uint8_t* p) {
    return 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2];
}

}  // namespace eh::mediagen::test

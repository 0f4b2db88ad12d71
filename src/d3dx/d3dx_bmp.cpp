// Windows and OS/2 bitmaps: 1/4/8-bit palettes, 16/24/32-bit true colour, BI_RGB and
// BI_BITFIELDS, bottom-up rows (positive height) and top-down rows (negative height).
// Run-length compressed bitmaps are refused.
//
// File header (14 bytes): "BM", file size (32), reserved (32), offset of the pixels (32).
// Info header: size (32) selects the form; 12 is the OS/2 core header with 16-bit width and
// height and 3-byte palette entries; 40 and up is the Windows header:
//   width (i32), height (i32), planes (16), bits (16), compression (32), image size (32),
//   x/y resolution (2 x 32), colours used (32), colours important (32),
//   then (size >= 52) red, green, blue masks, (size >= 56) alpha mask.
// With a 40-byte header and BI_BITFIELDS the three masks follow the header.
#include <algorithm>
#include <limits>
#include <vector>

#include "d3dx/d3dx_image.h"
#include "d3dx/d3dx_reader.h"

namespace eh::d3dx {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::size_t kFileHeaderSize = 14;

}  // namespace

bool decodeBmp(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error) {
    ByteReader in(data, size);
    if (in.U8() != 'B' || in.U8() != 'M') return error = "BMP: no signature", false;
    in.Skip(8);
    const std::uint32_t pixelOffset = in.U32();
    const std::uint32_t headerSize = in.U32();
    if (!in.ok()) return error = "BMP: truncated header", false;

    std::int64_t width = 0, height = 0;
    std::uint32_t bits = 0, compression = kBiRgb, coloursUsed = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};
    std::size_t paletteEntryBytes = 4;
    if (headerSize == 12) {
        width = in.U16();
        height = in.U16();
        in.U16();  // planes
        bits = in.U16();
        paletteEntryBytes = 3;
    } else if (headerSize >= 40) {
        width = in.I32();
        height = in.I32();
        in.U16();  // planes
        bits = in.U16();
        compression = in.U32();
        in.Skip(12);  // image size, resolution
        coloursUsed = in.U32();
        in.U32();  // colours important
        if (headerSize >= 52 || compression == kBiBitfields) {
            // The masks sit in the header (size >= 52) or right after a 40-byte one.
            for (int i = 0; i < 3; ++i) masks[i] = in.U32();
            if (headerSize >= 56) masks[3] = in.U32();
        }
    } else {
        return error = "BMP: unknown header size", false;
    }
    if (!in.ok()) return error = "BMP: truncated header", false;

    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension)
        return error = "BMP: bad size", false;
    if (compression != kBiRgb && !(compression == kBiBitfields && (bits == 16 || bits == 32)))
        return error = "BMP: unsupported compression", false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return error = "BMP: unsupported bit depth", false;

    // Palette: right after the header (and the masks of a 40-byte BI_BITFIELDS header).
    std::vector<std::uint32_t> palette;
    if (bits <= 8) {
        std::size_t paletteStart = kFileHeaderSize + headerSize;
        if (headerSize == 40 && compression == kBiBitfields) paletteStart += 12;
        std::uint32_t entries = coloursUsed != 0 ? coloursUsed : (1u << bits);
        entries = std::min(entries, 1u << bits);
        ByteReader pal(data, size);
        const std::uint8_t* p =
            pal.Seek(paletteStart) ? pal.Take(std::size_t{entries} * paletteEntryBytes) : nullptr;
        if (!p) return error = "BMP: truncated palette", false;
        // Indices past the stored entries read as opaque black.
        palette.assign(1u << bits, 0xFF000000u);
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::uint8_t* e = p + std::size_t{i} * paletteEntryBytes;
            palette[i] = 0xFF000000u | std::uint32_t{e[2]} << 16 | std::uint32_t{e[1]} << 8 | e[0];
        }
    }

    if (compression == kBiRgb) {
        if (bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
        if (bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0;
    }
    const MaskChannel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);

    const auto w = static_cast<std::uint32_t>(width);
    const auto h = static_cast<std::uint32_t>(height);
    const std::size_t stride = ((std::size_t{w} * bits + 31) / 32) * 4;
    const std::size_t lastRow = (std::size_t{w} * bits + 7) / 8;  // the final row may lack padding
    if (pixelOffset > size || size - pixelOffset < stride * (h - 1) + lastRow)
        return error = "BMP: truncated pixel data", false;

    Image img(w, h);
    for (std::uint32_t row = 0; row < h; ++row) {
        const std::uint8_t* src = data + pixelOffset + stride * row;
        const std::uint32_t y = topDown ? row : h - 1 - row;
        std::uint32_t* dst = &img.at(0, y);
        for (std::uint32_t x = 0; x < w; ++x) {
            switch (bits) {
                case 1:
                    dst[x] = palette[src[x >> 3] >> (7 - (x & 7)) & 1];
                    break;
                case 4:
                    dst[x] = palette[src[x >> 1] >> ((x & 1) ? 0 : 4) & 15];
                    break;
                case 8:
                    dst[x] = palette[src[x]];
                    break;
                case 24:
                    dst[x] = 0xFF000000u | std::uint32_t{src[3 * x + 2]} << 16 |
                             std::uint32_t{src[3 * x + 1]} << 8 | src[3 * x];
                    break;
                default: {
                    const std::uint8_t* p = src + std::size_t{x} * (bits / 8);
                    std::uint32_t v = p[0] | std::uint32_t{p[1]} << 8;
                    if (bits == 32) v |= std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
                    dst[x] = alpha.extract(v, 255) << 24 | red.extract(v, 0) << 16 |
                             green.extract(v, 0) << 8 | blue.extract(v, 0);
                }
            }
        }
    }

    out = DecodedImage{};
    out.format = alpha.present() ? kFormatA8R8G8B8 : kFormatX8R8G8B8;
    out.surfaces.push_back(std::move(img));
    return true;
}

}  // namespace eh::d3dx

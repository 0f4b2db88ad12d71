// Truevision TGA: image types 1, 2, 3 (colour-mapped, true colour, grey) and their RLE
// forms 9, 10, 11; 8/15/16/24/32 bits per pixel; both vertical and horizontal origins.
//
// Header (18 bytes, little-endian):
//   0 id length   1 colour-map type   2 image type
//   3 first map entry (16)   5 map length (16)   7 map entry bits
//   8 x origin (16)   10 y origin (16)   12 width (16)   14 height (16)
//   16 bits per pixel   17 descriptor: bits 0-3 alpha bits, bit 4 right-to-left,
//                                      bit 5 top-to-bottom (else rows are stored bottom-up)
#include <algorithm>
#include <vector>

#include "d3dx/d3dx_image.h"
#include "d3dx/d3dx_reader.h"

namespace eh::d3dx {

namespace {

// Image types of the header; a run-length encoded image adds kTypeRleOffset to its type.
constexpr std::uint8_t kTypeColourMapped = 1;
constexpr std::uint8_t kTypeTrueColour = 2;
constexpr std::uint8_t kTypeGrey = 3;
constexpr std::uint8_t kTypeRleOffset = 8;
// The colour-map type byte: 0 no map, 1 a map follows the id field.
constexpr std::uint8_t kHasColourMap = 1;

constexpr std::uint8_t kDescRightToLeft = 0x10;
constexpr std::uint8_t kDescTopToBottom = 0x20;

// Expands a 15/16-bit TGA colour (xRRRRRGG GGGBBBBB) to a D3DCOLOR.
std::uint32_t expand555(std::uint32_t v, bool useAlpha) {
    auto five = [](std::uint32_t f) { return (f << 3) | (f >> 2); };
    const std::uint32_t a = useAlpha ? ((v & 0x8000) ? 0xFFu : 0u) : 0xFFu;
    return a << 24 | five(v >> 10 & 31) << 16 | five(v >> 5 & 31) << 8 | five(v & 31);
}

// Reads one stored pixel value of `bytes` bytes (1 to 4) as a little-endian number.
std::uint32_t readRaw(const std::uint8_t* p, std::uint32_t bytes) {
    std::uint32_t v = 0;
    for (std::uint32_t i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return v;
}

}  // namespace

std::size_t rleCoverage(std::size_t bytes, std::uint32_t pixelBytes) {
    // The densest packet is a run: one header byte and one stored pixel for 128 pixels.
    return bytes / (1u + pixelBytes) * kMaxRlePacketPixels;
}

bool decodeTga(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error) {
    ByteReader in(data, size);
    const std::uint8_t idLength = in.U8();
    const std::uint8_t mapType = in.U8();
    const std::uint8_t imageType = in.U8();
    const std::uint16_t mapFirst = in.U16();
    const std::uint16_t mapLength = in.U16();
    const std::uint8_t mapBits = in.U8();
    in.Skip(4);  // x and y origin: positions on a screen, not part of the picture
    const std::uint16_t width = in.U16();
    const std::uint16_t height = in.U16();
    const std::uint8_t bits = in.U8();
    const std::uint8_t descriptor = in.U8();
    if (!in.ok()) return error = "TGA: truncated header", false;

    const bool rle = imageType > kTypeRleOffset;
    const std::uint8_t baseType = rle ? imageType - kTypeRleOffset : imageType;
    if (baseType < kTypeColourMapped || baseType > kTypeGrey || mapType > kHasColourMap)
        return error = "TGA: unsupported image type", false;
    if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension)
        return error = "TGA: bad size", false;
    if (!in.Skip(idLength)) return error = "TGA: truncated id", false;

    // Colour map (also allowed, and skipped, on true-colour images).
    std::vector<std::uint32_t> palette;
    std::uint32_t mapAlphaFormat = kFormatX8R8G8B8;
    if (mapType == kHasColourMap) {
        if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)
            return error = "TGA: bad colour-map entry size", false;
        const std::uint32_t entryBytes = (mapBits + 7u) / 8u;
        const std::uint8_t* map = in.Take(std::size_t{mapLength} * entryBytes);
        if (!map) return error = "TGA: truncated colour map", false;
        if (baseType == kTypeColourMapped) {
            palette.resize(std::size_t{mapFirst} + mapLength, 0xFF000000u);
            for (std::uint32_t i = 0; i < mapLength; ++i) {
                const std::uint32_t v = readRaw(map + std::size_t{i} * entryBytes, entryBytes);
                std::uint32_t c = 0;
                if (mapBits == 32)
                    c = v;
                else if (mapBits == 24)
                    c = v | 0xFF000000u;
                else
                    c = expand555(v, mapBits == 16 && (descriptor & 0x0F) != 0);
                palette[std::size_t{mapFirst} + i] = c;
            }
            if (mapBits == 32) mapAlphaFormat = kFormatA8R8G8B8;
        }
    } else if (baseType == kTypeColourMapped) {
        return error = "TGA: colour-mapped image without a map", false;
    }

    // Pixel interpretation by type and depth.
    bool ok = false;
    switch (baseType) {
        case kTypeColourMapped:
            ok = bits == 8 || bits == 16;
            break;
        case kTypeTrueColour:
            ok = bits == 15 || bits == 16 || bits == 24 || bits == 32;
            break;
        case kTypeGrey:
            ok = bits == 8 || bits == 16;
            break;  // 16: grey plus alpha
    }
    if (!ok) return error = "TGA: unsupported pixel depth", false;
    const std::uint32_t pixelBytes = (bits + 7u) / 8u;
    const bool alpha16 = bits == 16 && (descriptor & 0x0F) != 0;

    auto toColour = [&](std::uint32_t v, bool& bad) -> std::uint32_t {
        switch (baseType) {
            case kTypeColourMapped:
                if (v >= palette.size()) return bad = true, 0;
                return palette[v];
            case kTypeTrueColour:
                if (bits == 32) return v;
                if (bits == 24) return v | 0xFF000000u;
                return expand555(v, alpha16);
            default: {
                const std::uint32_t l = v & 0xFF;
                const std::uint32_t a = bits == 16 ? (v >> 8 & 0xFF) : 0xFFu;
                return a << 24 | l << 16 | l << 8 | l;
            }
        }
    };

    // The rest of the file must be able to hold every pixel before the image is allocated:
    // an 18-byte header may declare 8192 x 8192 pixels (256 MiB decoded).
    const std::size_t count = std::size_t{width} * height;
    if (!rle && in.remaining() / pixelBytes < count)
        return error = "TGA: truncated pixel data", false;
    if (rle && rleCoverage(in.remaining(), pixelBytes) < count)
        return error = "TGA: RLE data too short for the image size", false;

    // Decode into file order first: one pixel after another, rows as stored.
    Image img(width, height);
    bool badIndex = false;
    if (!rle) {
        const std::uint8_t* p = in.Take(count * pixelBytes);
        if (!p) return error = "TGA: truncated pixel data", false;
        for (std::size_t i = 0; i < count; ++i)
            img.pixels[i] = toColour(readRaw(p + i * pixelBytes, pixelBytes), badIndex);
    } else {
        // Packets: header bit 7 = run, low 7 bits = count - 1. Packets may span rows; a
        // packet that overruns the image is cut off at the last pixel.
        std::size_t i = 0;
        while (i < count) {
            const std::uint8_t header = in.U8();
            if (!in.ok()) return error = "TGA: truncated RLE data", false;
            const std::size_t n = std::min<std::size_t>((header & 0x7Fu) + 1u, count - i);
            if (header & 0x80) {
                const std::uint8_t* p = in.Take(pixelBytes);
                if (!p) return error = "TGA: truncated RLE data", false;
                const std::uint32_t c = toColour(readRaw(p, pixelBytes), badIndex);
                for (std::size_t k = 0; k < n; ++k) img.pixels[i++] = c;
            } else {
                const std::uint8_t* p = in.Take(n * pixelBytes);
                if (!p) return error = "TGA: truncated RLE data", false;
                for (std::size_t k = 0; k < n; ++k)
                    img.pixels[i++] = toColour(readRaw(p + k * pixelBytes, pixelBytes), badIndex);
            }
        }
    }
    if (badIndex) return error = "TGA: colour index outside the map", false;

    // To top-down, left-to-right.
    if (!(descriptor & kDescTopToBottom)) {
        for (std::uint32_t y = 0; y < height / 2u; ++y)
            std::swap_ranges(&img.at(0, y), &img.at(0, y) + width, &img.at(0, height - 1 - y));
    }
    if (descriptor & kDescRightToLeft) {
        for (std::uint32_t y = 0; y < height; ++y)
            std::reverse(&img.at(0, y), &img.at(0, y) + width);
    }

    out = DecodedImage{};
    switch (baseType) {
        case kTypeColourMapped:
            out.format = mapAlphaFormat;
            break;
        case kTypeTrueColour:
            out.format = bits == 32   ? kFormatA8R8G8B8
                         : bits == 24 ? kFormatX8R8G8B8
                         : alpha16    ? kFormatA1R5G5B5
                                      : kFormatX1R5G5B5;
            break;
        default:
            out.format = bits == 16 ? kFormatA8R8G8B8 : kFormatX8R8G8B8;
            break;
    }
    out.surfaces.push_back(std::move(img));
    return true;
}

}  // namespace eh::d3dx

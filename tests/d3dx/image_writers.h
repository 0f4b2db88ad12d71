// Tiny writers for the reference images of the decoder tests, fuzz seeds and benchmarks.
// Pixels are D3DCOLORs (0xAARRGGBB), rows top to bottom; each writer lays them out as its
// format asks (bottom-up rows, palettes, blocks) so the decoders see files as tools write them.
#pragma once

#include <cstdint>
#include <vector>

#include "d3dx/d3dx_image.h"

namespace eh::d3dx::test {

using Bytes = std::vector<std::uint8_t>;

struct TgaOptions {
    int bits = 32;              // 8 (grey or colour-mapped), 16, 24, 32
    bool grey = false;          // image type 3
    bool colourMapped = false;  // image type 1 with a 24-bit map built from the pixels
    bool rle = false;
    bool topDown = false;
    bool rightToLeft = false;
    int alphaBits = -1;  // descriptor alpha bits; -1: 8 for 32-bit, 1 for 16-bit, 0 otherwise
};
Bytes writeTga(const Image& img, const TgaOptions& options);

struct BmpOptions {
    int bits = 24;  // 1, 4, 8 (palette from the pixels), 16 (5:5:5), 24, 32
    bool topDown = false;
    bool bitfields565 = false;  // 16-bit with BI_BITFIELDS 5:6:5 masks
    bool coreHeader = false;    // 12-byte OS/2 header (palette entries of 3 bytes)
};
Bytes writeBmp(const Image& img, const BmpOptions& options);

// Uncompressed DDS with the given bit layout; `surfaces` face-major as in DecodedImage.
struct DdsRgbLayout {
    int bits = 32;
    std::uint32_t r = 0x00FF0000, g = 0x0000FF00, b = 0x000000FF, a = 0xFF000000;
};
Bytes writeDdsRgb(const std::vector<Image>& surfaces, std::uint32_t levels, bool cube,
                  const DdsRgbLayout& layout);

// DDS with raw block data (DXT1 … DXT5) for the given size and mip count.
Bytes writeDdsBlocks(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                     const char* fourCC, const Bytes& blocks, bool cube = false);

// JPEG through libjpeg: quality 100, optionally greyscale or progressive.
Bytes writeJpeg(const Image& img, bool grey, bool progressive, int quality = 100);

// PNG through libpng. colourType is a PNG_COLOR_TYPE_*; bitDepth 8 or 16. For the palette
// type, the palette is built from the pixels (alpha through tRNS).
Bytes writePng(const Image& img, int colourType, int bitDepth = 8);

// A test picture: smooth gradients in each channel plus a checker in alpha.
Image makeTestImage(std::uint32_t width, std::uint32_t height, bool withAlpha);

}  // namespace eh::d3dx::test

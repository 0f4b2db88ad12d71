// Small writers for the uncompressed image formats the program reads: TGA, BMP, DDS and
// the icon file. Each returns the complete file bytes; none of them can fail for a valid
// Image8 (width and height above 0, rgba holding width * height * 4 bytes).
//
// Byte layouts are little-endian as the formats define them. Output depends only on the
// input pixels, so the same picture always gives the same bytes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "mediagen/images/image.h"

namespace eh::mediagen {

enum class TgaDepth { k24, k32 };

// Uncompressed true-colour TGA (image type 2), 18-byte header, no id, no colour map, no
// footer, rows stored bottom-up (origin bit clear). 32-bit files carry 8 alpha bits
// (descriptor 08h); 24-bit files drop alpha. A 512 x 512 32-bit file is 1,048,594 bytes.
std::vector<uint8_t> EncodeTga(const Image8& img, TgaDepth depth);

// BI_RGB BMP with a 40-byte info header, rows bottom-up and padded to 4 bytes.
// 24-bit drops alpha.
std::vector<uint8_t> EncodeBmp24(const Image8& img);
// 8-bit palettised: indices (width * height, rows top first) into palette (up to 256
// entries, each 0x00RRGGBB).
std::vector<uint8_t> EncodeBmp8(int width, int height, const std::vector<uint8_t>& indices,
                                const std::vector<uint32_t>& palette);
// Maps an image to the fixed 6 x 7 x 6 colour cube palette (ordered dither) and encodes it
// as an 8-bit BMP, for places that want palettised bitmaps.
std::vector<uint8_t> EncodeBmp8Dithered(const Image8& img);

// DDS cube map, A8R8G8B8 (32-bit masks 00FF0000/0000FF00/000000FF/FF000000), faces in the
// order +X, -X, +Y, -Y, +Z, -Z, each followed by its mip chain when mips is set (box
// filtered, down to 1 x 1). All faces must be square and of the same size.
std::vector<uint8_t> EncodeDdsCube(const std::array<Image8, 6>& faces, bool mips);

// Windows icon file: one 32-bit BMP-style image (with an AND mask from alpha < 128) per
// entry, each square and at most 256 pixels.
std::vector<uint8_t> EncodeIco(const std::vector<Image8>& images);

// Box-filtered half-size image (odd sizes round down, never below 1).
Image8 HalveImage(const Image8& img);

}  // namespace eh::mediagen

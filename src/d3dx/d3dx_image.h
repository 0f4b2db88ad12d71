// Private to src/d3dx: decoded images and the pixel work done on them before a texture is
// filled (format conversion, box-filtered mip levels, resampling to a forced size).
//
// Everything here works on plain memory and needs no device, so the decoders, the fuzz
// targets and the benchmarks use it directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace eh::d3dx {

// Pixel formats by their Direct3D 8 numbers (D3DFMT_*), so a value passes unchanged to the
// device layer. Only the formats the texture functions convert between are listed.
enum PixelFormat : std::uint32_t {
    kFormatUnknown = 0,
    kFormatA8R8G8B8 = 21,
    kFormatX8R8G8B8 = 22,
    kFormatR5G6B5 = 23,
    kFormatX1R5G5B5 = 24,
    kFormatA1R5G5B5 = 25,
    kFormatA4R4G4B4 = 26,
};

// Bytes per pixel of a format above; 0 for one we cannot write.
std::uint32_t bytesPerPixel(std::uint32_t format);

// Largest width or height any decoder accepts. Bounds the memory a small lying file can make
// us allocate (a JPEG header costs a few bytes, its pixels 4 bytes each); no Direct3D 8
// device of the era accepted larger textures.
inline constexpr std::uint32_t kMaxDimension = 8192;

// One surface: rows top to bottom, each pixel a D3DCOLOR (0xAARRGGBB, so bytes B, G, R, A in
// memory). Formats without alpha carry alpha 0xFF.
struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> pixels;  // width * height

    Image() = default;
    Image(std::uint32_t w, std::uint32_t h) : width(w), height(h), pixels(std::size_t{w} * h) {}
    std::uint32_t& at(std::uint32_t x, std::uint32_t y) {
        return pixels[std::size_t{y} * width + x];
    }
    std::uint32_t at(std::uint32_t x, std::uint32_t y) const {
        return pixels[std::size_t{y} * width + x];
    }
};

// What a file holds: one 2D image, or (DDS) a mip chain and/or the six faces of a cube map.
struct DecodedImage {
    std::uint32_t format = kFormatUnknown;  // the image's own format, as the texture gets it
    std::uint32_t levels = 1;               // mip levels stored in the file (1 for all but DDS)
    bool cube = false;                      // six faces in the order +X, -X, +Y, -Y, +Z, -Z
    std::vector<Image> surfaces;            // face-major: surfaces[face * levels + level]

    std::uint32_t faces() const { return cube ? 6u : 1u; }
    const Image& surface(std::uint32_t face, std::uint32_t level) const {
        return surfaces[std::size_t{face} * levels + level];
    }
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

// Decoders. Each takes the whole file in memory and fills `out` on success. On failure it
// returns false, leaves a short reason in `error` and `out` in an unspecified state. None
// reads outside [data, data + size) whatever the bytes say.
bool decodeJpeg(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error);
bool decodePng(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error);
bool decodeTga(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error);
bool decodeBmp(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error);
bool decodeDds(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error);

// TGA run-length packets: a header byte whose low 7 bits hold the pixel count minus 1.
inline constexpr std::size_t kMaxRlePacketPixels = 128;

// The most pixels `bytes` of TGA RLE data can expand to at `pixelBytes` bytes per stored
// pixel: the decoder refuses an image larger than this before allocating it.
std::size_t rleCoverage(std::size_t bytes, std::uint32_t pixelBytes);

// Picks the decoder by signature (JPEG, PNG, DDS, BMP); anything else is tried as TGA, which
// has no signature.
bool decodeImage(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error);

// The next mip level: half the size in each dimension (at least 1), each pixel the mean of the
// 2 x 2 (or 2 x 1, 1 x 2) source pixels it covers, per channel, rounded to nearest.
Image boxDownsample(const Image& src);

// Number of levels in a full chain down to 1 x 1.
std::uint32_t fullMipCount(std::uint32_t width, std::uint32_t height);

// Resamples to width x height with a separable triangle filter whose support widens with the
// reduction factor, so shrinking averages every source pixel and enlarging interpolates
// linearly. Edges clamp. Width and height must be at least 1.
Image resample(const Image& src, std::uint32_t width, std::uint32_t height);

// Writes `src` into `dst` (rows `pitch` bytes apart) in `format`, which must be one of the
// PixelFormat values above. Channels are rounded to the nearest representable value; X
// formats store their unused bits as 1 as Direct3D's own conversions do.
void convertPixels(const Image& src, std::uint32_t format, void* dst, std::size_t pitch);

// Reads one pixel of `format` back into a D3DCOLOR (alpha 0xFF for formats without alpha);
// used by the tests and by anyone reading a locked surface.
std::uint32_t readPixel(std::uint32_t format, const void* src);

}  // namespace eh::d3dx

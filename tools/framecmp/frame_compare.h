// Frame comparison: two RGB pictures of the same size, the figures that say how far apart
// they are, and a picture of where.
//
// All figures are over the R, G and B channels of 8-bit pixels (alpha is not compared:
// the frames of both renderers are opaque).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace framecmp {

// An 8-bit RGB picture, top row first, 3 bytes a pixel, no row padding.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    std::size_t PixelCount() const { return static_cast<std::size_t>(width) * height; }
};

// Reads any PNG libpng reads (grey, palette, 16-bit, with alpha: converted to 8-bit RGB,
// alpha dropped). On failure returns false and says why in `error`.
bool ReadPng(const std::string& path, RgbImage& image, std::string& error);
bool WritePng(const std::string& path, const RgbImage& image);

// A PSNR of identical pictures is infinite; it is reported as this value ("inf" in text).
inline constexpr double kIdenticalPsnr = 999.0;
// A pixel "differs" when any channel is off by more than this many levels.
inline constexpr int kFarLevels = 16;

struct FrameDifference {
    double psnr = kIdenticalPsnr;  // dB, over all three channels together
    double channelPsnr[3] = {kIdenticalPsnr, kIdenticalPsnr, kIdenticalPsnr};  // R, G, B
    double meanAbs[3] = {0.0, 0.0, 0.0};  // mean |a - b| in levels, R, G, B
    double farShare = 0.0;                // share (0..1) of pixels off by > kFarLevels
    int maxAbs = 0;                       // the largest channel difference anywhere
};

// Compares `a` and `b`. PSNR is 10 log10(255^2 / MSE) with the MSE over every channel of
// every pixel. Pictures of different sizes compare as entirely different (PSNR 0, every
// pixel far off); callers report the sizes themselves.
FrameDifference Compare(const RgbImage& a, const RgbImage& b);

// |a - b| per channel times `gain`, clamped to 255: black where the pictures agree. Pixels
// off by more than kFarLevels in any channel are lifted to at least 64 in every channel,
// so that small far-off spots stay visible in a mostly dark picture. Empty when the sizes
// differ.
RgbImage DifferenceImage(const RgbImage& a, const RgbImage& b, int gain);

}  // namespace framecmp

#include "framecmp/frame_compare.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace framecmp {
namespace {

// 10 log10(255^2 / mse), or kIdenticalPsnr when nothing differs.
double psnrOf(double squaredSum, double count) {
    if (squaredSum <= 0.0 || count <= 0.0) return kIdenticalPsnr;
    const double mse = squaredSum / count;
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace

bool ReadPng(const std::string& path, RgbImage& image, std::string& error) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        error = png.message;
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.rgb.assign(PNG_IMAGE_SIZE(png), 0);
    // A 16-bit or grey file is converted by libpng; transparent pixels would be composed
    // over black, which is what an opaque frame already is.
    if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        error = png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}

bool WritePng(const std::string& path, const RgbImage& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr) != 0;
}

FrameDifference Compare(const RgbImage& a, const RgbImage& b) {
    FrameDifference d;
    if (a.width != b.width || a.height != b.height) {
        // Not comparable: as far apart as two pictures can be, never "identical".
        d.psnr = d.channelPsnr[0] = d.channelPsnr[1] = d.channelPsnr[2] = 0.0;
        d.meanAbs[0] = d.meanAbs[1] = d.meanAbs[2] = 255.0;
        d.farShare = 1.0;
        d.maxAbs = 255;
        return d;
    }
    const std::size_t pixels = a.PixelCount();
    if (pixels == 0) return d;
    // Integer sums: 255^2 * 3 * 2^32 pixels still fits in 64 bits.
    std::uint64_t squared[3] = {0, 0, 0};
    std::uint64_t absolute[3] = {0, 0, 0};
    std::size_t far = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) {
            const int delta =
                std::abs(static_cast<int>(a.rgb[i * 3 + c]) - static_cast<int>(b.rgb[i * 3 + c]));
            squared[c] += static_cast<std::uint64_t>(delta * delta);
            absolute[c] += static_cast<std::uint64_t>(delta);
            worst = std::max(worst, delta);
        }
        if (worst > kFarLevels) ++far;
        d.maxAbs = std::max(d.maxAbs, worst);
    }
    const double n = static_cast<double>(pixels);
    for (int c = 0; c < 3; ++c) {
        d.channelPsnr[c] = psnrOf(static_cast<double>(squared[c]), n);
        d.meanAbs[c] = static_cast<double>(absolute[c]) / n;
    }
    d.psnr = psnrOf(static_cast<double>(squared[0] + squared[1] + squared[2]), 3.0 * n);
    d.farShare = static_cast<double>(far) / n;
    return d;
}

RgbImage DifferenceImage(const RgbImage& a, const RgbImage& b, int gain) {
    RgbImage out;
    if (a.width != b.width || a.height != b.height) return out;
    out.width = a.width;
    out.height = a.height;
    out.rgb.assign(out.PixelCount() * 3, 0);
    for (std::size_t i = 0; i < out.PixelCount(); ++i) {
        int worst = 0;
        int amplified[3];
        for (int c = 0; c < 3; ++c) {
            const int delta =
                std::abs(static_cast<int>(a.rgb[i * 3 + c]) - static_cast<int>(b.rgb[i * 3 + c]));
            worst = std::max(worst, delta);
            amplified[c] = std::min(255, delta * gain);
        }
        for (int c = 0; c < 3; ++c) {
            if (worst > kFarLevels) amplified[c] = std::max(amplified[c], 64);
            out.rgb[i * 3 + c] = static_cast<std::uint8_t>(amplified[c]);
        }
    }
    return out;
}

}  // namespace framecmp

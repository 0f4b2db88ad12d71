// Decoder dispatch and the pixel operations shared by the texture functions.
#include "d3dx/d3dx_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace eh::d3dx {

namespace {

// Channel access on a D3DCOLOR: shift of blue, green, red, alpha.
constexpr int kShift[4] = {0, 8, 16, 24};

inline std::uint32_t channel(std::uint32_t c, int i) {
    return (c >> kShift[i]) & 0xFF;
}

// 8-bit value to an n-bit field, rounded to nearest.
inline std::uint32_t toBits(std::uint32_t v, std::uint32_t bits) {
    const std::uint32_t maxv = (1u << bits) - 1;
    return (v * maxv + 127) / 255;
}

// n-bit field back to 8 bits, replicating the high bits so 0 and max map to 0 and 255.
inline std::uint32_t fromBits(std::uint32_t v, std::uint32_t bits) {
    const std::uint32_t maxv = (1u << bits) - 1;
    return (v * 255 + maxv / 2) / maxv;
}

bool startsWith(const std::uint8_t* data, std::size_t size, const char* magic, std::size_t n) {
    return size >= n && std::memcmp(data, magic, n) == 0;
}

}  // namespace

std::uint32_t bytesPerPixel(std::uint32_t format) {
    switch (format) {
        case kFormatA8R8G8B8:
        case kFormatX8R8G8B8:
            return 4;
        case kFormatR5G6B5:
        case kFormatX1R5G5B5:
        case kFormatA1R5G5B5:
        case kFormatA4R4G4B4:
            return 2;
        default:
            return 0;
    }
}

bool decodeImage(const std::uint8_t* data, std::size_t size, DecodedImage& out,
                 std::string& error) {
    if (data == nullptr || size == 0) {
        error = "no data";
        return false;
    }
    if (startsWith(data, size, "\xFF\xD8\xFF", 3)) return decodeJpeg(data, size, out, error);
    if (startsWith(data, size, "\x89PNG\r\n\x1A\n", 8)) return decodePng(data, size, out, error);
    if (startsWith(data, size, "DDS ", 4)) return decodeDds(data, size, out, error);
    if (startsWith(data, size, "BM", 2)) return decodeBmp(data, size, out, error);
    return decodeTga(data, size, out, error);
}

std::uint32_t fullMipCount(std::uint32_t width, std::uint32_t height) {
    std::uint32_t levels = 1;
    std::uint32_t side = std::max(width, height);
    while (side > 1) {
        side >>= 1;
        ++levels;
    }
    return levels;
}

Image boxDownsample(const Image& src) {
    const std::uint32_t w = std::max(1u, src.width / 2);
    const std::uint32_t h = std::max(1u, src.height / 2);
    Image dst(w, h);
    // With an odd source size the last source row or column is folded into the last output
    // pixel's neighbour by clamping: the classic box filter of power-of-two chains.
    const std::uint32_t sx = src.width > 1 ? 2 : 1;
    const std::uint32_t sy = src.height > 1 ? 2 : 1;
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            std::uint32_t sum[4] = {0, 0, 0, 0};
            for (std::uint32_t dy = 0; dy < sy; ++dy) {
                for (std::uint32_t dx = 0; dx < sx; ++dx) {
                    const std::uint32_t c = src.at(x * sx + dx, y * sy + dy);
                    for (int i = 0; i < 4; ++i) sum[i] += channel(c, i);
                }
            }
            const std::uint32_t n = sx * sy;
            std::uint32_t c = 0;
            for (int i = 0; i < 4; ++i) c |= ((sum[i] + n / 2) / n) << kShift[i];
            dst.at(x, y) = c;
        }
    }
    return dst;
}

namespace {

// Filter taps for one axis: for each output index, the first source index and its weights.
struct Taps {
    std::vector<std::uint32_t> first;
    std::vector<std::uint32_t> count;
    std::vector<float> weights;  // count[i] weights per output index, normalised to sum 1
    std::vector<std::size_t> offset;
};

Taps buildTaps(std::uint32_t srcSize, std::uint32_t dstSize) {
    Taps t;
    const double scale = static_cast<double>(srcSize) / dstSize;
    const double radius = std::max(1.0, scale);  // triangle half-width in source pixels
    for (std::uint32_t i = 0; i < dstSize; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const auto lo = static_cast<std::int64_t>(std::ceil(centre - radius));
        const auto hi = static_cast<std::int64_t>(std::floor(centre + radius));
        const std::int64_t first = std::clamp<std::int64_t>(lo, 0, srcSize - 1);
        const std::int64_t last = std::clamp<std::int64_t>(hi, 0, srcSize - 1);
        t.first.push_back(static_cast<std::uint32_t>(first));
        t.offset.push_back(t.weights.size());
        std::vector<float> w(static_cast<std::size_t>(last - first + 1), 0.0f);
        double total = 0;
        // Taps outside the image clamp to the edge pixel, so their weight goes there.
        for (std::int64_t s = lo; s <= hi; ++s) {
            const double wt = 1.0 - std::abs(s - centre) / radius;
            if (wt <= 0) continue;
            const std::int64_t clamped = std::clamp<std::int64_t>(s, 0, srcSize - 1);
            w[static_cast<std::size_t>(clamped - first)] += static_cast<float>(wt);
            total += wt;
        }
        if (total <= 0) {  // centre exactly on a pixel with radius 1: that pixel alone
            w.assign(w.size(), 0.0f);
            const auto nearest = std::clamp<std::int64_t>(std::llround(centre), first, last);
            w[static_cast<std::size_t>(nearest - first)] = 1.0f;
            total = 1;
        }
        for (float& v : w) v = static_cast<float>(v / total);
        t.count.push_back(static_cast<std::uint32_t>(w.size()));
        t.weights.insert(t.weights.end(), w.begin(), w.end());
    }
    return t;
}

}  // namespace

Image resample(const Image& src, std::uint32_t width, std::uint32_t height) {
    if (src.width == width && src.height == height) return src;
    const Taps tx = buildTaps(src.width, width);
    const Taps ty = buildTaps(src.height, height);
    // Horizontal pass into float channels, then vertical pass.
    std::vector<float> mid(std::size_t{width} * src.height * 4);
    for (std::uint32_t y = 0; y < src.height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            float acc[4] = {0, 0, 0, 0};
            for (std::uint32_t k = 0; k < tx.count[x]; ++k) {
                const std::uint32_t c = src.at(tx.first[x] + k, y);
                const float wt = tx.weights[tx.offset[x] + k];
                for (int i = 0; i < 4; ++i) acc[i] += wt * static_cast<float>(channel(c, i));
            }
            std::copy(acc, acc + 4, &mid[(std::size_t{y} * width + x) * 4]);
        }
    }
    Image dst(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            float acc[4] = {0, 0, 0, 0};
            for (std::uint32_t k = 0; k < ty.count[y]; ++k) {
                const float* m = &mid[(std::size_t{ty.first[y] + k} * width + x) * 4];
                const float wt = ty.weights[ty.offset[y] + k];
                for (int i = 0; i < 4; ++i) acc[i] += wt * m[i];
            }
            std::uint32_t c = 0;
            for (int i = 0; i < 4; ++i) {
                const long v = std::lround(std::clamp(acc[i], 0.0f, 255.0f));
                c |= static_cast<std::uint32_t>(v) << kShift[i];
            }
            dst.at(x, y) = c;
        }
    }
    return dst;
}

void convertPixels(const Image& src, std::uint32_t format, void* dst, std::size_t pitch) {
    auto* row = static_cast<std::uint8_t*>(dst);
    for (std::uint32_t y = 0; y < src.height; ++y, row += pitch) {
        const std::uint32_t* in = &src.pixels[std::size_t{y} * src.width];
        if (format == kFormatA8R8G8B8 || format == kFormatX8R8G8B8) {
            const std::uint32_t force = format == kFormatX8R8G8B8 ? 0xFF000000u : 0u;
            auto* out = reinterpret_cast<std::uint32_t*>(row);
            for (std::uint32_t x = 0; x < src.width; ++x) out[x] = in[x] | force;
            continue;
        }
        auto* out = reinterpret_cast<std::uint16_t*>(row);
        for (std::uint32_t x = 0; x < src.width; ++x) {
            const std::uint32_t c = in[x];
            const std::uint32_t b = channel(c, 0), g = channel(c, 1), r = channel(c, 2),
                                a = channel(c, 3);
            std::uint32_t v = 0;
            switch (format) {
                case kFormatR5G6B5:  // RRRRRGGG GGGBBBBB
                    v = toBits(r, 5) << 11 | toBits(g, 6) << 5 | toBits(b, 5);
                    break;
                case kFormatX1R5G5B5:  // xRRRRRGG GGGBBBBB
                    v = 0x8000u | toBits(r, 5) << 10 | toBits(g, 5) << 5 | toBits(b, 5);
                    break;
                case kFormatA1R5G5B5:  // alpha is on from half intensity up
                    v = (a >= 128 ? 0x8000u : 0u) | toBits(r, 5) << 10 | toBits(g, 5) << 5 |
                        toBits(b, 5);
                    break;
                case kFormatA4R4G4B4:
                    v = toBits(a, 4) << 12 | toBits(r, 4) << 8 | toBits(g, 4) << 4 | toBits(b, 4);
                    break;
                default:
                    break;
            }
            out[x] = static_cast<std::uint16_t>(v);
        }
    }
}

std::uint32_t readPixel(std::uint32_t format, const void* src) {
    const auto* p = static_cast<const std::uint8_t*>(src);
    std::uint32_t v = 0;
    if (format == kFormatA8R8G8B8 || format == kFormatX8R8G8B8) {
        std::memcpy(&v, p, 4);
        return format == kFormatX8R8G8B8 ? (v | 0xFF000000u) : v;
    }
    std::uint16_t s = 0;
    std::memcpy(&s, p, 2);
    std::uint32_t a = 255, r = 0, g = 0, b = 0;
    switch (format) {
        case kFormatR5G6B5:
            r = fromBits(s >> 11 & 31, 5), g = fromBits(s >> 5 & 63, 6), b = fromBits(s & 31, 5);
            break;
        case kFormatX1R5G5B5:
        case kFormatA1R5G5B5:
            if (format == kFormatA1R5G5B5) a = (s & 0x8000) ? 255 : 0;
            r = fromBits(s >> 10 & 31, 5), g = fromBits(s >> 5 & 31, 5), b = fromBits(s & 31, 5);
            break;
        case kFormatA4R4G4B4:
            a = fromBits(s >> 12 & 15, 4), r = fromBits(s >> 8 & 15, 4);
            g = fromBits(s >> 4 & 15, 4), b = fromBits(s & 15, 4);
            break;
        default:
            return 0;
    }
    return a << 24 | r << 16 | g << 8 | b;
}

}  // namespace eh::d3dx

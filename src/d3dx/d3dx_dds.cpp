// DirectDraw Surface files: uncompressed RGB/luminance bit-field formats of 8 to 32 bits,
// DXT1 to DXT5 (decompressed here, since the device layer has no block-compressed formats),
// mip chains and complete cube maps. Volume textures are refused.
//
// Layout: "DDS " then a 124-byte header (offsets from the start of the file):
//   4 size (124)   8 flags   12 height   16 width   20 pitch or linear size   24 depth
//   28 mip count   32..75 reserved   76 pixel format (32 bytes): 76 size, 80 flags,
//   84 FourCC, 88 bit count, 92 R mask, 96 G mask, 100 B mask, 104 A mask
//   108 caps   112 caps2   116..127 reserved
// Data from offset 128: for each face (+X, -X, +Y, -Y, +Z, -Z for a cube), every mip level
// from the largest, rows tightly packed; DXT levels are 4 x 4 blocks, rows of blocks.
#include <algorithm>
#include <array>

#include "d3dx/d3dx_image.h"
#include "d3dx/d3dx_reader.h"

namespace eh::d3dx {

namespace {

constexpr std::uint32_t kDdsdMipMapCount = 0x20000;
constexpr std::uint32_t kDdpfAlphaPixels = 0x1;
constexpr std::uint32_t kDdpfFourCC = 0x4;
constexpr std::uint32_t kDdpfRgb = 0x40;
constexpr std::uint32_t kDdpfLuminance = 0x20000;
constexpr std::uint32_t kCaps2Cubemap = 0x200;
constexpr std::uint32_t kCaps2AllFaces = 0xFC00;  // POSITIVEX (0x400) .. NEGATIVEZ (0x8000)
constexpr std::uint32_t kCaps2Volume = 0x200000;
constexpr std::size_t kDataOffset = 128;

constexpr std::uint32_t fourCC(char a, char b, char c, char d) {
    return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 |
           std::uint32_t(std::uint8_t(c)) << 16 | std::uint32_t(std::uint8_t(d)) << 24;
}

// 5:6:5 colour to 8-bit channels.
std::array<std::uint32_t, 3> unpack565(std::uint32_t c) {
    const std::uint32_t r = c >> 11 & 31, g = c >> 5 & 63, b = c & 31;
    return {(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

// Decodes the 8-byte colour half of a DXT block into 16 D3DCOLORs (alpha 0xFF, or 0 for the
// transparent entry of a three-colour DXT1 block). `dxt1` enables the three-colour mode when
// colour 0 <= colour 1; DXT2-5 always use four colours.
void decodeColourBlock(const std::uint8_t* b, bool dxt1, std::uint32_t out[16]) {
    const std::uint32_t c0 = b[0] | b[1] << 8, c1 = b[2] | b[3] << 8;
    const auto p0 = unpack565(c0), p1 = unpack565(c1);
    std::uint32_t palette[4];
    auto pack = [](std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t bl) {
        return a << 24 | r << 16 | g << 8 | bl;
    };
    palette[0] = pack(255, p0[0], p0[1], p0[2]);
    palette[1] = pack(255, p1[0], p1[1], p1[2]);
    if (!dxt1 || c0 > c1) {
        std::uint32_t m[3], n[3];
        for (int i = 0; i < 3; ++i) {
            m[i] = (2 * p0[i] + p1[i] + 1) / 3;
            n[i] = (p0[i] + 2 * p1[i] + 1) / 3;
        }
        palette[2] = pack(255, m[0], m[1], m[2]);
        palette[3] = pack(255, n[0], n[1], n[2]);
    } else {
        palette[2] = pack(255, (p0[0] + p1[0]) / 2, (p0[1] + p1[1]) / 2, (p0[2] + p1[2]) / 2);
        palette[3] = 0;
    }
    const std::uint32_t indices = b[4] | b[5] << 8 | b[6] << 16 | std::uint32_t{b[7]} << 24;
    for (int i = 0; i < 16; ++i) out[i] = palette[indices >> (2 * i) & 3];
}

// DXT2/3 alpha: 16 explicit 4-bit values, row-major, low nibble first.
void decodeExplicitAlpha(const std::uint8_t* b, std::uint32_t px[16]) {
    for (int i = 0; i < 16; ++i) {
        const std::uint32_t a = (b[i / 2] >> ((i & 1) * 4)) & 15;
        px[i] = (px[i] & 0x00FFFFFFu) | (a * 17) << 24;
    }
}

// DXT4/5 alpha: two 8-bit endpoints and 16 3-bit indices (48 bits, little-endian).
void decodeInterpolatedAlpha(const std::uint8_t* b, std::uint32_t px[16]) {
    const std::uint32_t a0 = b[0], a1 = b[1];
    std::uint32_t table[8] = {a0, a1};
    if (a0 > a1) {
        for (int i = 1; i < 7; ++i) table[i + 1] = ((7 - i) * a0 + i * a1 + 3) / 7;
    } else {
        for (int i = 1; i < 5; ++i) table[i + 1] = ((5 - i) * a0 + i * a1 + 2) / 5;
        table[6] = 0;
        table[7] = 255;
    }
    std::uint64_t bitsv = 0;
    for (int i = 0; i < 6; ++i) bitsv |= std::uint64_t{b[2 + i]} << (8 * i);
    for (int i = 0; i < 16; ++i) px[i] = (px[i] & 0x00FFFFFFu) | table[bitsv >> (3 * i) & 7] << 24;
}

// Premultiplied DXT2/DXT4 colours back to straight alpha, as the texture stores them.
std::uint32_t unpremultiply(std::uint32_t c) {
    const std::uint32_t a = c >> 24;
    if (a == 0 || a == 255) return c;
    std::uint32_t out = c & 0xFF000000u;
    for (int s = 0; s < 24; s += 8)
        out |= std::min<std::uint32_t>(255, ((c >> s & 0xFF) * 255 + a / 2) / a) << s;
    return out;
}

enum class Kind { kRgb, kDxt1, kDxt3, kDxt5 };

struct Layout {
    Kind kind = Kind::kRgb;
    bool premultiplied = false;
    std::uint32_t bytes = 0;  // per pixel (kRgb) or per 4 x 4 block
    std::uint32_t masks[4] = {0, 0, 0, 0};
};

std::size_t levelSize(const Layout& l, std::uint32_t w, std::uint32_t h) {
    if (l.kind == Kind::kRgb) return std::size_t{w} * h * l.bytes;
    return std::size_t{(w + 3) / 4} * ((h + 3) / 4) * l.bytes;
}

void decodeLevel(const Layout& l, const std::uint8_t* src, Image& img) {
    if (l.kind == Kind::kRgb) {
        const MaskChannel r(l.masks[0]), g(l.masks[1]), b(l.masks[2]), a(l.masks[3]);
        // Luminance files carry one mask, used for all three colour channels.
        const bool luminance = !g.present() && !b.present();
        for (std::size_t i = 0; i < img.pixels.size(); ++i) {
            std::uint32_t v = 0;
            for (std::uint32_t k = 0; k < l.bytes; ++k)
                v |= std::uint32_t{src[i * l.bytes + k]} << (8 * k);
            const std::uint32_t rv = r.extract(v, 0);
            const std::uint32_t gv = luminance ? rv : g.extract(v, 0);
            const std::uint32_t bv = luminance ? rv : b.extract(v, 0);
            img.pixels[i] = a.extract(v, 255) << 24 | rv << 16 | gv << 8 | bv;
        }
        return;
    }
    const std::uint32_t bw = (img.width + 3) / 4, bh = (img.height + 3) / 4;
    std::uint32_t block[16];
    for (std::uint32_t by = 0; by < bh; ++by) {
        for (std::uint32_t bx = 0; bx < bw; ++bx, src += l.bytes) {
            if (l.kind == Kind::kDxt1) {
                decodeColourBlock(src, true, block);
            } else {
                decodeColourBlock(src + 8, false, block);
                if (l.kind == Kind::kDxt3)
                    decodeExplicitAlpha(src, block);
                else
                    decodeInterpolatedAlpha(src, block);
                if (l.premultiplied)
                    for (std::uint32_t& c : block) c = unpremultiply(c);
            }
            // Blocks hanging over the right or bottom edge keep only their inside pixels.
            for (std::uint32_t y = 0; y < 4 && by * 4 + y < img.height; ++y)
                for (std::uint32_t x = 0; x < 4 && bx * 4 + x < img.width; ++x)
                    img.at(bx * 4 + x, by * 4 + y) = block[y * 4 + x];
        }
    }
}

// The D3D format a file's own bit-field layout names, or a 32-bit stand-in.
std::uint32_t ownFormat(const Layout& l) {
    if (l.kind != Kind::kRgb) return kFormatA8R8G8B8;
    const std::uint32_t* m = l.masks;
    if (l.bytes == 2) {
        if (m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F) return kFormatR5G6B5;
        if (m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F)
            return m[3] == 0x8000 ? kFormatA1R5G5B5 : kFormatX1R5G5B5;
        if (m[0] == 0x0F00 && m[1] == 0x00F0 && m[2] == 0x000F && m[3] == 0xF000)
            return kFormatA4R4G4B4;
    }
    return m[3] != 0 ? kFormatA8R8G8B8 : kFormatX8R8G8B8;
}

}  // namespace

bool decodeDds(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error) {
    ByteReader in(data, size);
    if (in.U32() != fourCC('D', 'D', 'S', ' ')) return error = "DDS: no signature", false;
    const std::uint32_t headerSize = in.U32();
    const std::uint32_t flags = in.U32();
    const std::uint32_t height = in.U32();
    const std::uint32_t width = in.U32();
    in.Skip(8);  // pitch, depth
    const std::uint32_t mipCount = in.U32();
    in.Skip(44);
    const std::uint32_t pfSize = in.U32();
    const std::uint32_t pfFlags = in.U32();
    const std::uint32_t pfFourCC = in.U32();
    const std::uint32_t pfBits = in.U32();
    Layout layout;
    for (std::uint32_t& m : layout.masks) m = in.U32();
    in.U32();  // caps
    const std::uint32_t caps2 = in.U32();
    if (!in.ok() || !in.Seek(kDataOffset)) return error = "DDS: truncated header", false;
    if (headerSize != 124 || pfSize != 32) return error = "DDS: bad header size", false;
    if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension)
        return error = "DDS: bad size", false;
    if (caps2 & kCaps2Volume) return error = "DDS: volume textures are not supported", false;
    const bool cube = (caps2 & kCaps2Cubemap) != 0;
    if (cube && ((caps2 & kCaps2AllFaces) != kCaps2AllFaces || width != height))
        return error = "DDS: cube map without all six square faces", false;

    if (pfFlags & kDdpfFourCC) {
        switch (pfFourCC) {
            case fourCC('D', 'X', 'T', '1'):
                layout.kind = Kind::kDxt1, layout.bytes = 8;
                break;
            case fourCC('D', 'X', 'T', '2'):
                layout.premultiplied = true;
                [[fallthrough]];
            case fourCC('D', 'X', 'T', '3'):
                layout.kind = Kind::kDxt3, layout.bytes = 16;
                break;
            case fourCC('D', 'X', 'T', '4'):
                layout.premultiplied = true;
                [[fallthrough]];
            case fourCC('D', 'X', 'T', '5'):
                layout.kind = Kind::kDxt5, layout.bytes = 16;
                break;
            default:
                return error = "DDS: unsupported FourCC", false;
        }
    } else if (pfFlags & (kDdpfRgb | kDdpfLuminance)) {
        if (pfBits != 8 && pfBits != 16 && pfBits != 24 && pfBits != 32)
            return error = "DDS: unsupported bit count", false;
        layout.bytes = pfBits / 8;
        if (!(pfFlags & kDdpfAlphaPixels)) layout.masks[3] = 0;
        if (layout.masks[0] == 0) return error = "DDS: no colour mask", false;
    } else {
        return error = "DDS: unsupported pixel format", false;
    }

    // A lying mip count is clamped to the full chain; 0 or an absent flag means one level.
    std::uint32_t levels = (flags & kDdsdMipMapCount) && mipCount > 0 ? mipCount : 1;
    levels = std::min(levels, fullMipCount(width, height));

    out = DecodedImage{};
    out.format = ownFormat(layout);
    out.cube = cube;
    out.levels = levels;
    for (std::uint32_t face = 0; face < out.faces(); ++face) {
        for (std::uint32_t level = 0; level < levels; ++level) {
            const std::uint32_t w = std::max(1u, width >> level);
            const std::uint32_t h = std::max(1u, height >> level);
            const std::uint8_t* src = in.Take(levelSize(layout, w, h));
            if (!src) return error = "DDS: truncated surface data", false;
            Image img(w, h);
            decodeLevel(layout, src, img);
            out.surfaces.push_back(std::move(img));
        }
    }
    return true;
}

}  // namespace eh::d3dx

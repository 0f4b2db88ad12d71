#include "mediagen/images/image_writers.h"

#include <algorithm>

namespace eh::mediagen {

namespace {

class ByteWriter {
  public:
    void u8(uint32_t v) { b_.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v) {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void zeros(size_t n) { b_.insert(b_.end(), n, 0); }
    std::vector<uint8_t>& bytes() { return b_; }

  private:
    std::vector<uint8_t> b_;
};

// Pixels in the B, G, R(, A) order of the Windows formats, rows bottom-up.
void PutBgrRowsBottomUp(ByteWriter& w, const Image8& img, bool alpha, int rowPad) {
    for (int y = img.height - 1; y >= 0; --y) {
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.at(x, y);
            w.u8(p[2]);
            w.u8(p[1]);
            w.u8(p[0]);
            if (alpha) w.u8(p[3]);
        }
        w.zeros(rowPad);
    }
}

// The 40-byte BITMAPINFOHEADER. height is the stored value (twice the image for icons).
void PutInfoHeader(ByteWriter& w, int width, int height, int bits, uint32_t imageSize,
                   uint32_t colours) {
    w.u32(40);
    w.u32(static_cast<uint32_t>(width));
    w.u32(static_cast<uint32_t>(height));
    w.u16(1);
    w.u16(bits);
    w.u32(0);  // BI_RGB
    w.u32(imageSize);
    w.u32(2835);  // 72 dpi in pixels per metre
    w.u32(2835);
    w.u32(colours);
    w.u32(0);
}

}  // namespace

std::vector<uint8_t> EncodeTga(const Image8& img, TgaDepth depth) {
    bool alpha = depth == TgaDepth::k32;
    ByteWriter w;
    w.u8(0);  // id length
    w.u8(0);  // no colour map
    w.u8(2);  // uncompressed true colour
    w.zeros(5);
    w.u16(0);  // x origin
    w.u16(0);  // y origin
    w.u16(static_cast<uint32_t>(img.width));
    w.u16(static_cast<uint32_t>(img.height));
    w.u8(alpha ? 32 : 24);
    w.u8(alpha ? 8 : 0);  // alpha bits; origin bits clear = bottom-left
    PutBgrRowsBottomUp(w, img, alpha, 0);
    return std::move(w.bytes());
}

std::vector<uint8_t> EncodeBmp24(const Image8& img) {
    int rowBytes = (img.width * 3 + 3) & ~3;
    uint32_t imageSize = static_cast<uint32_t>(rowBytes) * img.height;
    ByteWriter w;
    w.u8('B');
    w.u8('M');
    w.u32(14 + 40 + imageSize);
    w.u32(0);
    w.u32(14 + 40);
    PutInfoHeader(w, img.width, img.height, 24, imageSize, 0);
    PutBgrRowsBottomUp(w, img, false, rowBytes - img.width * 3);
    return std::move(w.bytes());
}

std::vector<uint8_t> EncodeBmp8(int width, int height, const std::vector<uint8_t>& indices,
                                const std::vector<uint32_t>& palette) {
    int rowBytes = (width + 3) & ~3;
    uint32_t imageSize = static_cast<uint32_t>(rowBytes) * height;
    uint32_t paletteBytes = static_cast<uint32_t>(palette.size()) * 4;
    ByteWriter w;
    w.u8('B');
    w.u8('M');
    w.u32(14 + 40 + paletteBytes + imageSize);
    w.u32(0);
    w.u32(14 + 40 + paletteBytes);
    PutInfoHeader(w, width, height, 8, imageSize, static_cast<uint32_t>(palette.size()));
    for (uint32_t c : palette) w.u32(c & 0xFFFFFF);  // B, G, R, reserved 0
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) w.u8(indices[static_cast<size_t>(y) * width + x]);
        w.zeros(rowBytes - width);
    }
    return std::move(w.bytes());
}

std::vector<uint8_t> EncodeBmp8Dithered(const Image8& img) {
    // 6 levels of red, 7 of green, 6 of blue = 252 entries.
    std::vector<uint32_t> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back((r * 51u) << 16 | (g * 255u / 6) << 8 | b * 51u);
    static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    std::vector<uint8_t> idx(static_cast<size_t>(img.width) * img.height);
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.at(x, y);
            float t = (kBayer[y & 3][x & 3] + 0.5f) / 16.0f;
            auto level = [&](int v, int levels) {
                float f = v / 255.0f * (levels - 1);
                int i = static_cast<int>(f);
                if (f - i > t) ++i;
                return std::min(i, levels - 1);
            };
            idx[static_cast<size_t>(y) * img.width + x] =
                static_cast<uint8_t>((level(p[0], 6) * 7 + level(p[1], 7)) * 6 + level(p[2], 6));
        }
    }
    return EncodeBmp8(img.width, img.height, idx, palette);
}

Image8 HalveImage(const Image8& img) {
    int w = std::max(1, img.width / 2), h = std::max(1, img.height / 2);
    Image8 out(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int x0 = std::min(2 * x, img.width - 1), x1 = std::min(2 * x + 1, img.width - 1);
            int y0 = std::min(2 * y, img.height - 1), y1 = std::min(2 * y + 1, img.height - 1);
            for (int k = 0; k < 4; ++k) {
                int s =
                    img.at(x0, y0)[k] + img.at(x1, y0)[k] + img.at(x0, y1)[k] + img.at(x1, y1)[k];
                out.at(x, y)[k] = static_cast<uint8_t>((s + 2) / 4);
            }
        }
    }
    return out;
}

std::vector<uint8_t> EncodeDdsCube(const std::array<Image8, 6>& faces, bool mips) {
    int size = faces[0].width;
    int levels = 1;
    if (mips) {
        while ((size >> (levels - 1)) > 1) ++levels;
    }
    // Flags: CAPS | HEIGHT | WIDTH | PITCH | PIXELFORMAT, plus MIPMAPCOUNT.
    uint32_t flags = 0x1 | 0x2 | 0x4 | 0x8 | 0x1000 | (mips ? 0x20000u : 0u);
    ByteWriter w;
    w.u32(0x20534444);  // "DDS "
    w.u32(124);
    w.u32(flags);
    w.u32(static_cast<uint32_t>(size));      // height
    w.u32(static_cast<uint32_t>(size));      // width
    w.u32(static_cast<uint32_t>(size) * 4);  // pitch of the top level
    w.u32(0);                                // depth
    w.u32(mips ? static_cast<uint32_t>(levels) : 0u);
    w.zeros(11 * 4);
    // DDS_PIXELFORMAT: size 32, DDPF_RGB | DDPF_ALPHAPIXELS, 32 bits, masks.
    w.u32(32);
    w.u32(0x40 | 0x1);
    w.u32(0);
    w.u32(32);
    w.u32(0x00FF0000);
    w.u32(0x0000FF00);
    w.u32(0x000000FF);
    w.u32(0xFF000000);
    // caps: TEXTURE | COMPLEX (| MIPMAP); caps2: CUBEMAP and all six faces.
    w.u32(0x1000 | 0x8 | (mips ? 0x400000u : 0u));
    w.u32(0x200 | 0x400 | 0x800 | 0x1000 | 0x2000 | 0x4000 | 0x8000);
    w.zeros(3 * 4);
    for (const Image8& face : faces) {
        Image8 level = face;
        for (int l = 0; l < levels; ++l) {
            for (int y = 0; y < level.height; ++y) {
                for (int x = 0; x < level.width; ++x) {
                    const uint8_t* p = level.at(x, y);
                    w.u8(p[2]);
                    w.u8(p[1]);
                    w.u8(p[0]);
                    w.u8(p[3]);
                }
            }
            if (l + 1 < levels) level = HalveImage(level);
        }
    }
    return std::move(w.bytes());
}

std::vector<uint8_t> EncodeIco(const std::vector<Image8>& images) {
    ByteWriter w;
    w.u16(0);
    w.u16(1);  // icon
    w.u16(static_cast<uint32_t>(images.size()));
    std::vector<std::vector<uint8_t>> blobs;
    for (const Image8& img : images) {
        int maskRow = ((img.width + 31) / 32) * 4;
        uint32_t xorSize = static_cast<uint32_t>(img.width) * img.height * 4;
        uint32_t andSize = static_cast<uint32_t>(maskRow) * img.height;
        ByteWriter b;
        PutInfoHeader(b, img.width, img.height * 2, 32, xorSize + andSize, 0);
        PutBgrRowsBottomUp(b, img, true, 0);
        for (int y = img.height - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskRow, 0);
            for (int x = 0; x < img.width; ++x) {
                if (img.at(x, y)[3] < 128) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
            b.bytes().insert(b.bytes().end(), row.begin(), row.end());
        }
        blobs.push_back(std::move(b.bytes()));
    }
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        w.u8(images[i].width >= 256 ? 0 : images[i].width);
        w.u8(images[i].height >= 256 ? 0 : images[i].height);
        w.u8(0);  // no palette
        w.u8(0);
        w.u16(1);   // planes
        w.u16(32);  // bits
        w.u32(static_cast<uint32_t>(blobs[i].size()));
        w.u32(offset);
        offset += static_cast<uint32_t>(blobs[i].size());
    }
    for (auto& b : blobs) w.bytes().insert(w.bytes().end(), b.begin(), b.end());
    return std::move(w.bytes());
}

}  // namespace eh::mediagen

#include "d3dx/image_writers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>

namespace eh::d3dx::test {

namespace {

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void putN(Bytes& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t to555(std::uint32_t c, bool alphaBit) {
    const std::uint32_t r = (c >> 19) & 31, g = (c >> 11) & 31, b = (c >> 3) & 31;
    return (alphaBit && (c >> 31) ? 0x8000u : 0u) | r << 10 | g << 5 | b;
}

std::uint32_t grey(std::uint32_t c) {
    return (c >> 16) & 0xFF;
}  // tests use r = g = b

// Builds a palette of the distinct colours of `img` (at most `limit`).
std::vector<std::uint32_t> paletteOf(const Image& img, std::size_t limit) {
    std::vector<std::uint32_t> pal;
    for (std::uint32_t c : img.pixels)
        if (std::find(pal.begin(), pal.end(), c) == pal.end()) pal.push_back(c);
    if (pal.size() > limit) throw std::runtime_error("too many colours for a palette");
    return pal;
}

std::uint32_t indexOf(const std::vector<std::uint32_t>& pal, std::uint32_t c) {
    return static_cast<std::uint32_t>(std::find(pal.begin(), pal.end(), c) - pal.begin());
}

}  // namespace

Bytes writeTga(const Image& img, const TgaOptions& o) {
    const bool mapped = o.colourMapped;
    const int alphaBits = o.alphaBits >= 0 ? o.alphaBits : o.bits == 32 ? 8 : o.bits == 16 ? 1 : 0;
    std::vector<std::uint32_t> pal;
    if (mapped) pal = paletteOf(img, 256);
    Bytes b;
    b.push_back(3);  // id length: a short id to skip
    b.push_back(mapped ? 1 : 0);
    const int type = mapped ? 1 : o.grey ? 3 : 2;
    b.push_back(static_cast<std::uint8_t>(type + (o.rle ? 8 : 0)));
    put16(b, 0);
    put16(b, mapped ? static_cast<std::uint32_t>(pal.size()) : 0);
    b.push_back(mapped ? 24 : 0);
    put16(b, 0);
    put16(b, 0);
    put16(b, img.width);
    put16(b, img.height);
    b.push_back(static_cast<std::uint8_t>(mapped ? 8 : o.bits));
    b.push_back(
        static_cast<std::uint8_t>(alphaBits | (o.topDown ? 0x20 : 0) | (o.rightToLeft ? 0x10 : 0)));
    b.insert(b.end(), {'i', 'd', '!'});
    for (std::uint32_t c : pal) putN(b, c, 3);

    // Pixel values in storage order.
    std::vector<std::uint32_t> values;
    const int bytes = mapped ? 1 : (o.bits + 7) / 8;
    for (std::uint32_t row = 0; row < img.height; ++row) {
        const std::uint32_t y = o.topDown ? row : img.height - 1 - row;
        for (std::uint32_t col = 0; col < img.width; ++col) {
            const std::uint32_t x = o.rightToLeft ? img.width - 1 - col : col;
            const std::uint32_t c = img.at(x, y);
            std::uint32_t v = c;
            if (mapped)
                v = indexOf(pal, c);
            else if (o.grey)
                v = o.bits == 16 ? (grey(c) | (c >> 24) << 8) : grey(c);
            else if (o.bits == 16)
                v = to555(c, alphaBits > 0);
            values.push_back(v);
        }
    }
    if (!o.rle) {
        for (std::uint32_t v : values) putN(b, v, bytes);
        return b;
    }
    // RLE across row boundaries: runs of equal values (up to 128), literal packets otherwise.
    std::size_t i = 0;
    while (i < values.size()) {
        std::size_t run = 1;
        while (i + run < values.size() && run < 128 && values[i + run] == values[i]) ++run;
        if (run >= 2) {
            b.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            putN(b, values[i], bytes);
            i += run;
            continue;
        }
        std::size_t lit = 1;
        while (i + lit < values.size() && lit < 128 &&
               (i + lit + 1 >= values.size() || values[i + lit] != values[i + lit + 1]))
            ++lit;
        b.push_back(static_cast<std::uint8_t>(lit - 1));
        for (std::size_t k = 0; k < lit; ++k) putN(b, values[i + k], bytes);
        i += lit;
    }
    return b;
}

Bytes writeBmp(const Image& img, const BmpOptions& o) {
    std::vector<std::uint32_t> pal;
    if (o.bits <= 8) pal = paletteOf(img, std::size_t{1} << o.bits);
    const std::uint32_t headerSize = o.coreHeader ? 12 : 40;
    const std::uint32_t entryBytes = o.coreHeader ? 3 : 4;
    const std::uint32_t masksBytes = o.bitfields565 ? 12 : 0;
    const std::uint32_t paletteCount = o.bits <= 8 ? (1u << o.bits) : 0;
    const std::uint32_t offset = 14 + headerSize + masksBytes + paletteCount * entryBytes;
    const std::size_t stride = ((std::size_t{img.width} * o.bits + 31) / 32) * 4;
    Bytes b{'B', 'M'};
    put32(b, static_cast<std::uint32_t>(offset + stride * img.height));
    put32(b, 0);
    put32(b, offset);
    put32(b, headerSize);
    if (o.coreHeader) {
        put16(b, img.width);
        put16(b, img.height);
        put16(b, 1);
        put16(b, static_cast<std::uint32_t>(o.bits));
    } else {
        put32(b, img.width);
        put32(b, o.topDown ? static_cast<std::uint32_t>(-static_cast<std::int32_t>(img.height))
                           : img.height);
        put16(b, 1);
        put16(b, static_cast<std::uint32_t>(o.bits));
        put32(b, o.bitfields565 ? 3 : 0);
        put32(b, static_cast<std::uint32_t>(stride * img.height));
        put32(b, 2835);
        put32(b, 2835);
        put32(b, 0);
        put32(b, 0);
    }
    if (o.bitfields565) {
        put32(b, 0xF800);
        put32(b, 0x07E0);
        put32(b, 0x001F);
    }
    for (std::uint32_t i = 0; i < paletteCount; ++i) {
        const std::uint32_t c = i < pal.size() ? pal[i] : 0;
        putN(b, c, static_cast<int>(entryBytes));  // B, G, R (, reserved)
    }
    for (std::uint32_t row = 0; row < img.height; ++row) {
        const std::uint32_t y = o.topDown ? row : img.height - 1 - row;
        Bytes line(stride, 0);
        for (std::uint32_t x = 0; x < img.width; ++x) {
            const std::uint32_t c = img.at(x, y);
            switch (o.bits) {
                case 1:
                    line[x / 8] |= static_cast<std::uint8_t>(indexOf(pal, c) << (7 - x % 8));
                    break;
                case 4:
                    line[x / 2] |= static_cast<std::uint8_t>(indexOf(pal, c) << (x % 2 ? 0 : 4));
                    break;
                case 8:
                    line[x] = static_cast<std::uint8_t>(indexOf(pal, c));
                    break;
                case 16: {
                    std::uint32_t v = to555(c, false);
                    if (o.bitfields565)
                        v = ((c >> 19) & 31) << 11 | ((c >> 10) & 63) << 5 | ((c >> 3) & 31);
                    line[2 * x] = static_cast<std::uint8_t>(v);
                    line[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                    break;
                }
                default:
                    for (int k = 0; k < o.bits / 8; ++k)
                        line[x * (o.bits / 8) + k] = static_cast<std::uint8_t>(c >> (8 * k));
            }
        }
        b.insert(b.end(), line.begin(), line.end());
    }
    return b;
}

namespace {

Bytes ddsHeader(std::uint32_t w, std::uint32_t h, std::uint32_t levels, bool cube,
                std::uint32_t pfFlags, std::uint32_t fourCC, const DdsRgbLayout* rgb) {
    Bytes b{'D', 'D', 'S', ' '};
    put32(b, 124);
    put32(b, 0x1 | 0x2 | 0x4 | 0x1000 | (levels > 1 ? 0x20000 : 0));
    put32(b, h);
    put32(b, w);
    put32(b, 0);
    put32(b, 0);
    put32(b, levels);
    for (int i = 0; i < 11; ++i) put32(b, 0);
    put32(b, 32);
    put32(b, pfFlags);
    put32(b, fourCC);
    put32(b, rgb ? static_cast<std::uint32_t>(rgb->bits) : 0);
    put32(b, rgb ? rgb->r : 0);
    put32(b, rgb ? rgb->g : 0);
    put32(b, rgb ? rgb->b : 0);
    put32(b, rgb ? rgb->a : 0);
    put32(b, 0x1000 | (levels > 1 ? 0x400008 : 0) | (cube ? 0x8 : 0));
    put32(b, cube ? 0xFE00 : 0);
    for (int i = 0; i < 3; ++i) put32(b, 0);
    return b;
}

std::uint32_t packMask(std::uint32_t c, const DdsRgbLayout& l) {
    auto field = [](std::uint32_t v8, std::uint32_t mask) -> std::uint32_t {
        if (mask == 0) return 0;
        int shift = 0;
        while (!((mask >> shift) & 1)) ++shift;
        const std::uint32_t maxv = mask >> shift;
        return ((v8 * maxv + 127) / 255) << shift;
    };
    return field(c >> 16 & 0xFF, l.r) | field(c >> 8 & 0xFF, l.g) | field(c & 0xFF, l.b) |
           field(c >> 24, l.a);
}

}  // namespace

Bytes writeDdsRgb(const std::vector<Image>& surfaces, std::uint32_t levels, bool cube,
                  const DdsRgbLayout& layout) {
    const std::uint32_t flags = 0x40 | (layout.a ? 0x1 : 0);
    Bytes b = ddsHeader(surfaces[0].width, surfaces[0].height, levels, cube, flags, 0, &layout);
    for (const Image& img : surfaces)
        for (std::uint32_t c : img.pixels) putN(b, packMask(c, layout), layout.bits / 8);
    return b;
}

Bytes writeDdsBlocks(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                     const char* fourCC, const Bytes& blocks, bool cube) {
    std::uint32_t cc = 0;
    std::memcpy(&cc, fourCC, 4);
    Bytes b = ddsHeader(width, height, levels, cube, 0x4, cc, nullptr);
    b.insert(b.end(), blocks.begin(), blocks.end());
    return b;
}

Bytes writeJpeg(const Image& img, bool greyScale, bool progressive, int quality) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long memSize = 0;
    jpeg_mem_dest(&cinfo, &mem, &memSize);
    cinfo.image_width = img.width;
    cinfo.image_height = img.height;
    cinfo.input_components = greyScale ? 1 : 4;
    cinfo.in_color_space = greyScale ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // No chroma subsampling, so flat colour blocks come back nearly exact.
    for (int i = 0; i < cinfo.num_components; ++i)
        cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> row(std::size_t{img.width} * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const std::uint32_t* src = &img.pixels[std::size_t{cinfo.next_scanline} * img.width];
        if (greyScale) {
            for (std::uint32_t x = 0; x < img.width; ++x)
                row[x] = static_cast<std::uint8_t>(grey(src[x]));
        } else {
            std::memcpy(row.data(), src, row.size());
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(mem, mem + memSize);
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return out;
}

namespace {
void pngWrite(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void pngFlush(png_structp) {}
}  // namespace

Bytes writePng(const Image& img, int colourType, int bitDepth) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, pngWrite, pngFlush);
    png_set_IHDR(png, info, img.width, img.height, bitDepth, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<std::uint32_t> pal;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        pal = paletteOf(img, 256);
        std::vector<png_color> colours;
        std::vector<png_byte> alphas;
        for (std::uint32_t c : pal) {
            colours.push_back({static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                               static_cast<png_byte>(c)});
            alphas.push_back(static_cast<png_byte>(c >> 24));
        }
        png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
        png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    }
    png_write_info(png, info);
    const int channels = colourType == PNG_COLOR_TYPE_RGB          ? 3
                         : colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                         : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                   : 1;
    const int sampleBytes = bitDepth / 8;
    std::vector<png_byte> row(std::size_t{img.width} * channels * sampleBytes);
    for (std::uint32_t y = 0; y < img.height; ++y) {
        std::size_t k = 0;
        auto put = [&](std::uint32_t v8) {
            row[k++] = static_cast<png_byte>(v8);
            if (sampleBytes == 2) row[k++] = static_cast<png_byte>(v8);  // v * 257, big-endian
        };
        for (std::uint32_t x = 0; x < img.width; ++x) {
            const std::uint32_t c = img.at(x, y);
            switch (colourType) {
                case PNG_COLOR_TYPE_PALETTE:
                    row[k++] = static_cast<png_byte>(indexOf(pal, c));
                    break;
                case PNG_COLOR_TYPE_GRAY:
                    put(grey(c));
                    break;
                case PNG_COLOR_TYPE_GRAY_ALPHA:
                    put(grey(c)), put(c >> 24);
                    break;
                case PNG_COLOR_TYPE_RGB:
                    put(c >> 16 & 0xFF), put(c >> 8 & 0xFF), put(c & 0xFF);
                    break;
                default:
                    put(c >> 16 & 0xFF), put(c >> 8 & 0xFF), put(c & 0xFF), put(c >> 24);
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Image makeTestImage(std::uint32_t width, std::uint32_t height, bool withAlpha) {
    Image img(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t r = width > 1 ? x * 255 / (width - 1) : 128;
            const std::uint32_t g = height > 1 ? y * 255 / (height - 1) : 128;
            const std::uint32_t b = (x * 37 + y * 91) & 0xFF;
            const std::uint32_t a = withAlpha ? (((x / 4 + y / 4) & 1) ? 0x40u : 0xFFu) : 0xFFu;
            img.at(x, y) = a << 24 | r << 16 | g << 8 | b;
        }
    }
    return img;
}

}  // namespace eh::d3dx::test

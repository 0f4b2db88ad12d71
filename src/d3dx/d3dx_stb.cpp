// JPEG and PNG decoding from memory over stb_image (Debian's libstb-dev): the Windows
// build's decoders, and a second opinion for the Linux tests (d3dx_stb.h).
//
// stb_image decodes whatever it can and fills what it cannot with zeros; our libjpeg and
// libpng decoders refuse a damaged file instead. So before stb sees the bytes, the file's
// structure is walked here: every JPEG segment and entropy-coded scan must lie inside the
// buffer and the file must reach its end-of-image marker; every PNG chunk must lie inside
// the buffer with a correct CRC, and the file must reach IEND. The same size bounds as the
// libjpeg/libpng decoders then refuse a header that promises more pixels than the data
// can hold, before anything is allocated.
#include "d3dx/d3dx_stb.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <zlib.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 8192
#include <stb_image.h>

namespace eh::d3dx {

static_assert(STBI_MAX_DIMENSIONS == kMaxDimension, "both decoders bound sizes alike");

namespace {

std::uint32_t bigEndian16(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 8 | p[1];
}
std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

struct JpegLayout {
    int components = 0;
    std::uint64_t fewestBlocks = 0;  // 8 x 8 blocks of the sparsest component
};

// The SOF segment's body (after the length): precision, height, width, components and
// each component's sampling factors. Returns false for an inconsistent header.
bool readFrameHeader(const std::uint8_t* body, std::size_t length, JpegLayout& layout) {
    if (length < 6) return false;
    const std::uint32_t height = bigEndian16(body + 1);
    const std::uint32_t width = bigEndian16(body + 3);
    const int count = body[5];
    if (count == 0 || length < 6 + std::size_t(count) * 3) return false;
    int hMax = 1, vMax = 1;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t sampling = body[6 + i * 3 + 1];
        hMax = std::max(hMax, sampling >> 4);
        vMax = std::max(vMax, sampling & 15);
    }
    std::uint64_t fewest = UINT64_MAX;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t sampling = body[6 + i * 3 + 1];
        const int h = std::max(1, sampling >> 4), v = std::max(1, sampling & 15);
        // Component size rounded up as the format does, then whole blocks.
        const std::uint64_t cw = (std::uint64_t{width} * h + hMax - 1) / hMax;
        const std::uint64_t ch = (std::uint64_t{height} * v + vMax - 1) / vMax;
        fewest = std::min(fewest, ((cw + 7) / 8) * ((ch + 7) / 8));
    }
    layout.components = count;
    layout.fewestBlocks = fewest;
    return true;
}

// Walks the markers from SOI to EOI. Entry: data starts with FF D8. Every segment length
// and every scan's entropy-coded data must end inside the buffer; a file that stops before
// EOI is truncated.
bool walkJpeg(const std::uint8_t* data, std::size_t size, JpegLayout& layout, const char*& why) {
    std::size_t pos = 2;
    bool frame = false, scan = false;
    while (true) {
        if (pos >= size || data[pos] != 0xFF) return why = "truncated or damaged", false;
        while (pos < size && data[pos] == 0xFF) ++pos;  // fill bytes
        if (pos >= size) return why = "truncated", false;
        const std::uint8_t marker = data[pos++];
        if (marker == 0xD9) {
            if (!frame || !scan) return why = "no image data", false;
            return true;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        if (size - pos < 2) return why = "truncated", false;
        const std::size_t length = bigEndian16(data + pos);
        if (length < 2 || length > size - pos) return why = "truncated", false;
        const bool startOfFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame) {
            if (frame || !readFrameHeader(data + pos + 2, length - 2, layout))
                return why = "bad frame header", false;
            frame = true;
        }
        pos += length;
        if (marker != 0xDA) continue;
        if (!frame) return why = "scan before frame", false;
        scan = true;
        // Entropy-coded data: FF 00 is a data byte, FF D0..D7 a restart, FF FF fill; any
        // other FF xx is the next marker.
        while (true) {
            const void* hit = std::memchr(data + pos, 0xFF, size - pos);
            if (hit == nullptr) return why = "truncated", false;
            pos = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
            if (pos + 1 >= size) return why = "truncated", false;
            const std::uint8_t next = data[pos + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                pos += 2;
                continue;
            }
            if (next == 0xFF) {
                ++pos;
                continue;
            }
            break;  // a marker: back to the segment walk
        }
    }
}

struct PngLayout {
    std::uint32_t width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    bool transparency = false;  // a tRNS chunk
};

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Channels per pixel of each PNG colour type before expansion (0 for an invalid type).
int pngChannels(int colourType) {
    constexpr int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};  // grey, -, RGB, palette, grey+A, -, RGBA
    return colourType >= 0 && colourType < 7 ? kChannels[colourType] : 0;
}

// Walks the chunks from the signature to IEND: each inside the buffer, each CRC right,
// IHDR first.
bool walkPng(const std::uint8_t* data, std::size_t size, PngLayout& layout, const char*& why) {
    if (size < 8 || std::memcmp(data, kPngSignature, 8) != 0) return why = "not a PNG", false;
    std::size_t pos = 8;
    bool header = false;
    while (true) {
        if (size - pos < 12) return why = "truncated", false;
        const std::uint32_t length = bigEndian32(data + pos);
        if (length > size - pos - 12) return why = "truncated", false;
        const std::uint8_t* type = data + pos + 4;
        const std::uint8_t* body = type + 4;
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), type, static_cast<uInt>(length + 4));
        if (crc != bigEndian32(body + length)) return why = "bad chunk CRC", false;
        if (!header) {
            if (std::memcmp(type, "IHDR", 4) != 0 || length != 13) return why = "no IHDR", false;
            layout.width = bigEndian32(body);
            layout.height = bigEndian32(body + 4);
            layout.bitDepth = body[8];
            layout.colourType = body[9];
            if (pngChannels(layout.colourType) == 0) return why = "bad colour type", false;
            header = true;
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            layout.transparency = true;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            return true;
        }
        pos += std::size_t{length} + 12;
    }
}

// Deflate packs at most 1032 bytes into one (a 258-byte match in two 1-bit codes), so the
// whole file bounds the pixel bytes it can hold.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

// stb's R, G, B, A bytes to D3DCOLORs (0xAARRGGBB).
bool takePixels(stbi_uc* rgba, int width, int height, std::uint32_t format, DecodedImage& out) {
    if (rgba == nullptr) return false;
    Image img(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    for (std::size_t i = 0; i < img.pixels.size(); ++i) {
        const stbi_uc* p = rgba + i * 4;
        img.pixels[i] =
            std::uint32_t{p[3]} << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
    }
    stbi_image_free(rgba);
    out = DecodedImage{};
    out.format = format;
    out.surfaces.push_back(std::move(img));
    return true;
}

// Why the file must not reach stb_image, or null when it may.
const char* jpegRefusal(const std::uint8_t* data, std::size_t size) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return "not a JPEG";
    if (size > INT32_MAX) return "too large";
    JpegLayout layout;
    const char* why = nullptr;
    if (!walkJpeg(data, size, layout, why)) return why;
    if (layout.components != 1 && layout.components != 3) return "unsupported colour space";
    if (layout.fewestBlocks / 8 > size) return "too little data for the image size";
    return nullptr;
}

const char* pngRefusal(const std::uint8_t* data, std::size_t size, PngLayout& layout) {
    if (size > INT32_MAX) return "too large";
    const char* why = nullptr;
    if (!walkPng(data, size, layout, why)) return why;
    if (layout.width == 0 || layout.height == 0 || layout.width > kMaxDimension ||
        layout.height > kMaxDimension)
        return "bad size";
    const std::uint64_t pixelBits = std::uint64_t{layout.width} * layout.height * layout.bitDepth *
                                    pngChannels(layout.colourType);
    if (pixelBits / 8 / kMaxDeflateRatio > size) return "too little data for the image size";
    return nullptr;
}

}  // namespace

bool decodeJpegStb(const std::uint8_t* data, std::size_t size, DecodedImage& out,
                   std::string& error) {
    if (const char* why = jpegRefusal(data, size)) {
        error = std::string("JPEG: ") + why;
        return false;
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgba =
        stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 4);
    if (!takePixels(rgba, width, height, kFormatX8R8G8B8, out)) {
        error = std::string("JPEG: ") + stbi_failure_reason();
        return false;
    }
    return true;
}

bool decodePngStb(const std::uint8_t* data, std::size_t size, DecodedImage& out,
                  std::string& error) {
    PngLayout layout;
    if (const char* why = pngRefusal(data, size, layout)) {
        error = std::string("PNG: ") + why;
        return false;
    }
    const bool alpha = (layout.colourType & 4) != 0 || layout.transparency;
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgba =
        stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 4);
    if (!takePixels(rgba, width, height, alpha ? kFormatA8R8G8B8 : kFormatX8R8G8B8, out)) {
        error = std::string("PNG: ") + stbi_failure_reason();
        return false;
    }
    return true;
}

#ifdef _WIN32
// The Windows build has no libjpeg or libpng: stb is its decoder.
bool decodeJpeg(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error) {
    return decodeJpegStb(data, size, out, error);
}
bool decodePng(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error) {
    return decodePngStb(data, size, out, error);
}
#endif

}  // namespace eh::d3dx

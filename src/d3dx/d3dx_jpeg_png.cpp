// JPEG (libjpeg-turbo) and PNG (libpng) decoding from memory.
//
// Both libraries report fatal errors through longjmp. Every object with a destructor is
// created before setjmp, and nothing but plain data changes between setjmp and the jump,
// so a jump leaks nothing and skips no destructor.
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

#include "d3dx/d3dx_image.h"

namespace eh::d3dx {

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings about corrupt data the library recovers from are not fatal, but running out of
// data is: the library would pad the picture with grey, and a truncated file must fail.
// A scan cut short by a marker and a scan out of progression order are fatal too: both let
// a few bytes stand for any number of blocks, which would void the size bound below.
void jpegWarning(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_BOGUS_PROGRESSION)
        jpegErrorExit(cinfo);
}

// Every block of the first scan's components costs at least one bit (a Huffman code is never
// shorter), so the file must hold at least one bit per block of its sparsest component.
bool jpegDataCanCover(const jpeg_decompress_struct& cinfo, std::size_t size) {
    std::uint64_t fewest = UINT64_MAX;
    for (int i = 0; i < cinfo.num_components; ++i) {
        const jpeg_component_info& c = cinfo.comp_info[i];
        fewest = std::min<std::uint64_t>(fewest, std::uint64_t{c.width_in_blocks} * c.height_in_blocks);
    }
    return fewest / 8 <= size;
}

// Runs the decode proper; separated so that `out` and `error` outlive the jump.
bool runJpeg(jpeg_decompress_struct& cinfo, JpegError& err, const std::uint8_t* data,
             std::size_t size, Image& img, std::uint32_t& format) {
    if (setjmp(err.jump)) return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > kMaxDimension ||
        cinfo.image_height > kMaxDimension) {
        std::strcpy(err.message, "bad size");
        return false;
    }
    if (!jpegDataCanCover(cinfo, size)) {
        std::strcpy(err.message, "too little data for the image size");
        return false;
    }
    if (cinfo.jpeg_color_space != JCS_GRAYSCALE && cinfo.jpeg_color_space != JCS_YCbCr &&
        cinfo.jpeg_color_space != JCS_RGB) {
        std::strcpy(err.message, "unsupported colour space");
        return false;
    }
    // B, G, R, 0xFF in memory: exactly a little-endian X8R8G8B8 pixel, grey included.
    cinfo.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    img.width = cinfo.output_width;
    img.height = cinfo.output_height;
    img.pixels.resize(std::size_t{img.width} * img.height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row =
            reinterpret_cast<JSAMPROW>(&img.pixels[std::size_t{cinfo.output_scanline} * img.width]);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    format = kFormatX8R8G8B8;
    return true;
}

constexpr std::uint64_t kMaxDeflateRatio = 1032;

struct PngSource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
    const char* refusal;  // why the file was refused, when it was not the library's doing
};

void pngRead(png_structp png, png_bytep dst, png_size_t n) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > src->size - src->pos) png_error(png, "truncated");
    std::memcpy(dst, src->data + src->pos, n);
    src->pos += n;
}

void pngFail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void pngWarn(png_structp, png_const_charp) {}

bool runPng(png_structp png, png_infop info, PngSource& src, Image& img, std::uint32_t& format,
            std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &src, pngRead);
    png_set_user_limits(png, kMaxDimension, kMaxDimension);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    // Deflate packs at most 1032 bytes into one (a 258-byte match in two 1-bit codes), so
    // the whole file bounds the pixel bytes it can hold.
    const std::uint64_t pixelBits =
        std::uint64_t{w} * h * png_get_bit_depth(png, info) * png_get_channels(png, info);
    if (pixelBits / 8 / kMaxDeflateRatio > src.size) {
        src.refusal = "too little data for the image size";
        return false;
    }
    const int colourType = png_get_color_type(png, info);
    const bool alpha =
        (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
    // Everything to 8-bit B, G, R, A.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t{w} * 4) return false;
    img.width = w;
    img.height = h;
    img.pixels.resize(std::size_t{w} * h);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        rows[y] = reinterpret_cast<png_bytep>(&img.pixels[std::size_t{y} * w]);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    format = alpha ? kFormatA8R8G8B8 : kFormatX8R8G8B8;
    return true;
}

}  // namespace

bool decodeJpeg(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error) {
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.emit_message = jpegWarning;
    Image img;
    std::uint32_t format = kFormatUnknown;
    const bool ok = runJpeg(cinfo, err, data, size, img, format);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) return error = std::string("JPEG: ") + err.message, false;
    out = DecodedImage{};
    out.format = format;
    out.surfaces.push_back(std::move(img));
    return true;
}

bool decodePng(const std::uint8_t* data, std::size_t size, DecodedImage& out, std::string& error) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFail, pngWarn);
    if (!png) return error = "PNG: out of memory", false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return error = "PNG: out of memory", false;
    }
    PngSource src{data, size, 0, nullptr};
    Image img;
    std::vector<png_bytep> rows;
    std::uint32_t format = kFormatUnknown;
    const bool ok = runPng(png, info, src, img, format, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        error = std::string("PNG: ") + (src.refusal ? src.refusal : "damaged or unsupported file");
        return false;
    }
    out = DecodedImage{};
    out.format = format;
    out.surfaces.push_back(std::move(img));
    return true;
}

}  // namespace eh::d3dx

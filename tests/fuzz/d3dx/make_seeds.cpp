// Writes the small seed corpus of the d3dx fuzz targets into the folder given as argument:
// one subfolder per target, files named as listed in tests/fuzz/d3dx.cmake.
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "d3dx/image_writers.h"

namespace {

namespace t = eh::d3dx::test;

bool put(const std::filesystem::path& dir, const char* name, const t::Bytes& bytes) {
    std::filesystem::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

t::Bytes text(const std::string& s) {
    return t::Bytes(s.begin(), s.end());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const eh::d3dx::Image img = t::makeTestImage(12, 10, true);
    eh::d3dx::Image few(12, 10);
    for (std::uint32_t i = 0; i < few.pixels.size(); ++i)
        few.pixels[i] = (i / 7) % 2 ? 0xFF204060u : 0x80C0A080u;
    std::vector<eh::d3dx::Image> chain{img};
    while (chain.back().width > 1 || chain.back().height > 1)
        chain.push_back(eh::d3dx::boxDownsample(chain.back()));
    std::vector<eh::d3dx::Image> faces;
    for (int f = 0; f < 6; ++f) faces.push_back(t::makeTestImage(4, 4, f % 2 == 0));
    t::Bytes blocks(4 * 8, 0x5A);
    t::Bytes blocks16(4 * 16, 0xA5);

    bool ok = true;
    ok &= put(root / "jpeg", "baseline.jpg", t::writeJpeg(img, false, false, 80));
    ok &= put(root / "jpeg", "progressive.jpg", t::writeJpeg(img, false, true, 80));
    ok &= put(root / "jpeg", "grey.jpg", t::writeJpeg(img, true, false, 80));
    ok &= put(root / "png", "rgba.png", t::writePng(img, PNG_COLOR_TYPE_RGB_ALPHA));
    ok &= put(root / "png", "palette.png", t::writePng(few, PNG_COLOR_TYPE_PALETTE));
    ok &= put(root / "png", "grey16.png", t::writePng(img, PNG_COLOR_TYPE_GRAY, 16));
    ok &= put(root / "tga", "rgb32.tga", t::writeTga(img, {.bits = 32}));
    ok &= put(root / "tga", "rle24.tga", t::writeTga(few, {.bits = 24, .rle = true}));
    ok &= put(root / "tga", "mapped.tga", t::writeTga(few, {.colourMapped = true, .rle = true}));
    ok &= put(root / "tga", "grey16.tga",
              t::writeTga(img, {.bits = 16, .grey = true, .topDown = true}));
    ok &= put(root / "bmp", "rgb24.bmp", t::writeBmp(img, {.bits = 24}));
    ok &= put(root / "bmp", "pal8.bmp", t::writeBmp(few, {.bits = 8, .topDown = true}));
    ok &= put(root / "bmp", "pal4core.bmp", t::writeBmp(few, {.bits = 4, .coreHeader = true}));
    ok &= put(root / "bmp", "rgb565.bmp", t::writeBmp(img, {.bits = 16, .bitfields565 = true}));
    ok &= put(root / "dds", "argb_mips.dds",
              t::writeDdsRgb(chain, static_cast<std::uint32_t>(chain.size()), false, {}));
    ok &= put(root / "dds", "dxt1.dds", t::writeDdsBlocks(8, 8, 1, "DXT1", blocks));
    ok &= put(root / "dds", "dxt5.dds", t::writeDdsBlocks(8, 8, 1, "DXT5", blocks16));
    ok &= put(root / "dds", "cube.dds",
              t::writeDdsRgb(faces, 1, true, {16, 0xF800, 0x07E0, 0x001F, 0}));
    ok &= put(root / "shader", "billboard.vsh",
              text("vs.1.1\n; sway\ndef c30, 0.5, 1, 2, 3\nmov r0, v0\nmad r1.xy, r0, c0.y, -c1.x\n"
                   "mov a0.x, r1.x\nadd r2, r0, c[a0.x + 20]\nm4x4 oPos, r2, c4\nmov oD0, v5\n"
                   "mov oT0.xy, v7 // uv\nexpp r3, r1.w\nfrc r4, r1\n"));
    ok &= put(root / "shader", "errors.vsh",
              text("vs.1.0\nmov a0.x, r0\nfoo r1\nmov r0.yx, c[99]\n"));
    return ok ? 0 : 1;
}

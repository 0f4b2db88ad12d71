// Renders the demo scene at 800 x 600 on the offscreen device, prints frames per second
// and writes the last frame as a PNG.
//
//   d3d8_demo [out.png] [frames]
#include <png.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/platform/d3d8/demo_scene.h"
#include "tests/platform/d3d8/offscreen_device.h"

namespace {

bool writePng(const char* path, const std::vector<std::uint32_t>& argb, int w, int h) {
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<std::size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = argb[static_cast<std::size_t>(y) * w + x];
            row[3 * x] = (c >> 16) & 0xFF;
            row[3 * x + 1] = (c >> 8) & 0xFF;
            row[3 * x + 2] = c & 0xFF;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* out = argc > 1 ? argv[1] : "d3d8_demo.png";
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    constexpr int kW = 800, kH = 600;
    eh::d3d8test::OffscreenDevice dev(kW, kH);
    if (!dev.ok()) {
        std::fprintf(stderr, "no device\n");
        return 1;
    }
    eh::d3d8test::DemoScene scene;
    if (!scene.init(dev.get())) {
        std::fprintf(stderr, "scene set-up failed\n");
        return 1;
    }
    // Warm-up frames generate the programs; the timed run then measures steady frames.
    for (int i = 0; i < 5; ++i) {
        scene.render(i);
        dev->Present(nullptr, nullptr, nullptr, nullptr);
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        scene.render(5 + i);
        dev->Present(nullptr, nullptr, nullptr, nullptr);
    }
    const auto pixels = dev.readFront();  // also waits for the GL work to finish
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d frames at %d x %d: %.1f frames per second\n", frames, kW, kH, frames / seconds);
    scene.release();
    if (pixels.empty() || !writePng(out, pixels, kW, kH)) {
        std::fprintf(stderr, "could not write %s\n", out);
        return 1;
    }
    std::printf("wrote %s\n", out);
    return 0;
}

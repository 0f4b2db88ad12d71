// Renders the sky box with the generated faces, the corona and the light rays on the
// offscreen device and writes one PNG per view, to look at seams, the sun's place and
// the shaft:
//
//   scene_sky_shots IMAGES_DIR OUT_DIR [WIDTH HEIGHT]
//
// IMAGES_DIR is what mediagen-images --out writes (build target eh_media_images puts it
// in <build>/media/images); entries are read as IMAGES_DIR/<entry name>.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/mesh_model.h"
#include "platform/os/crt_random.h"
#include "tests/platform/d3d8/offscreen_device.h"
#include "scene/corona.h"
#include "scene/light_rays.h"
#include "scene/sky_box.h"
#include "scene/sky_render_helpers.h"

namespace {

using namespace eh;
using namespace eh::scene::testing;

bool WritePng(const std::string& path, const std::vector<std::uint32_t>& argb, int w, int h) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<std::size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                                         static_cast<std::size_t>(x)];
            row[static_cast<std::size_t>(3 * x)] = static_cast<png_byte>((c >> 16) & 0xFF);
            row[static_cast<std::size_t>(3 * x + 1)] = static_cast<png_byte>((c >> 8) & 0xFF);
            row[static_cast<std::size_t>(3 * x + 2)] = static_cast<png_byte>(c & 0xFF);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

struct Shot {
    const char* name;
    float yaw, pitch;  // degrees
    bool corona;
    bool rays;
    model::Vector3 eye;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s IMAGES_DIR OUT_DIR [WIDTH HEIGHT]\n", argv[0]);
        return 2;
    }
    const std::string images = argv[1], out = argv[2];
    const UINT width = argc > 4 ? static_cast<UINT>(std::atoi(argv[3])) : 800;
    const UINT height = argc > 4 ? static_cast<UINT>(std::atoi(argv[4])) : 600;
    const model::EntryReader read = [&images](const std::string& name,
                                              std::vector<std::uint8_t>* bytes) {
        return model::ReadWholeFile((images + "/" + name).c_str(), bytes);
    };

    d3d8test::OffscreenDevice dev(width, height);
    if (!dev.ok()) {
        std::fprintf(stderr, "no offscreen Direct3D device\n");
        return 1;
    }
    media::VertexBufferPool pool;
    media::RenderKit kit;
    pool.Init(dev.get(), nullptr);
    kit.Init(dev.d3d(), dev.get(), D3DFMT_X8R8G8B8, nullptr);

    // Set-up as the scene loads these three objects.
    os::SeedRandom(20);
    scene::LightRays rays(pool, kit);
    rays.Setup();
    std::vector<std::uint8_t> bytes;
    if (read("Texture/Rays.BMP", &bytes))
        rays.texture = kit.CreateTextureFromMemory(bytes.data(), static_cast<UINT>(bytes.size()),
                                                   "Rays.BMP", "Texture/", false);
    scene::Corona corona(pool, kit);
    corona.Setup();
    if (read("Texture/corona.tga", &bytes))
        corona.texture = kit.CreateTextureFromMemory(bytes.data(), static_cast<UINT>(bytes.size()),
                                                     "corona.tga", "Texture/", false);
    corona.SetSun(225.0f, 20.0f, 100.0f);
    scene::SkyBox sky(pool, kit);
    sky.Setup();
    sky.Load(read);
    // Let every ray run into its restart cycle, then stop where several are bright.
    for (int i = 0; i < 300; ++i) rays.Update(0.5f, {0, 0, 0});

    const model::Vector3 eye{-300.0f, 120.0f, 250.0f};
    const Shot shots[] = {
        {"sun", 225.0f, 20.0f, true, false, eye},
        {"sun_off_axis", 245.0f, 12.0f, true, false, eye},
        {"horizon_back_left", 225.0f, 0.0f, true, false, eye},
        {"front", 90.0f, 0.0f, false, false, eye},
        {"right_front_corner", 45.0f, 5.0f, false, false, eye},
        {"back_right_corner", 315.0f, 5.0f, false, false, eye},
        {"left_front_corner", 135.0f, 5.0f, false, false, eye},
        {"zenith", 200.0f, 80.0f, false, false, eye},
        {"zenith_corner", 45.0f, 60.0f, false, false, eye},
        {"nadir", 30.0f, -75.0f, false, false, eye},
        {"rays", 180.0f, 18.0f, true, true, {480.0f, 100.0f, 55.4f}},
    };
    for (const Shot& shot : shots) {
        IDirect3DDevice8* d = dev.get();
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFF00FF, 1.0f, 0);
        d->BeginScene();
        BaseState(d);
        SetMatrix(d, D3DTS_VIEW, ViewTowards(shot.eye, shot.yaw, shot.pitch));
        SkyState(d);
        sky.Draw(d, 0);
        if (shot.corona) {
            CoronaState(d);
            corona.Draw(d, 1.0f);
        }
        if (shot.rays) {
            RayState(d);
            rays.Draw(d, 1.0f);
        }
        d->EndScene();
        const std::vector<std::uint32_t> pixels = dev.presentAndRead();
        const std::string path = out + "/sky_" + shot.name + ".png";
        if (pixels.empty() ||
            !WritePng(path, pixels, static_cast<int>(width), static_cast<int>(height))) {
            std::fprintf(stderr, "could not write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s  corona %s, off-axis %.2f deg\n", path.c_str(),
                    shot.corona ? (corona.visible ? "drawn" : "hidden") : "-",
                    static_cast<double>(corona.offAxisAngle));
    }
    kit.ReleaseAll();
    pool.ReleaseAll();
    return 0;
}

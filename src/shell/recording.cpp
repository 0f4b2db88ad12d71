// Headless recording: the part of a run that is the recording's own. Initialize and
// Execute start it like a test run (on an offscreen window, the clock standing still);
// here the scene is loaded, run ahead unseen, and stepped at the fixed rate, each presented
// frame written as a PNG file.
//
// Linux reads the presented image (GetFrontBuffer: our layer keeps it, gamma applied) and
// writes it with libpng. Windows reads the lockable back buffer, which the windowed
// device's copy swap keeps after Present, in whatever format the desktop gave it, and
// writes with stb_image_write (no libpng for MinGW-w64 in Debian).
#ifdef _WIN32
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "d3dx/d3dx_image.h"
#else
#include <png.h>
#endif

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "graphics/device.h"
#include "platform/os/window.h"
#include "shell/saver_app.h"
#include "shell/start_timings.h"

namespace eh::shell {
namespace {

// Writes `rgb` (width x height, 3 bytes a pixel, top row first) as an 8-bit RGB PNG.
#ifdef _WIN32
bool writePng(const std::string& path, const std::vector<std::uint8_t>& rgb, int width,
              int height) {
    return stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3) != 0;
}
#else
bool writePng(const std::string& path, const std::vector<std::uint8_t>& rgb, int width,
              int height) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        // Fast deflate and one fixed filter: the default level with adaptive filtering
        // spent more time on one 800 x 600 frame than loading the whole scene; these write
        // the same pixels about ten times faster for a file some 15 % larger.
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                     8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y)
            png_write_row(png, rgb.data() + static_cast<std::size_t>(y) * width * 3);
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    return std::fclose(f) == 0 && ok;
}

#endif

// The presented frame as RGB bytes, top row first.
#ifdef _WIN32
bool captureFrame(IDirect3DDevice8* device, int width, int height, std::vector<std::uint8_t>& rgb) {
    IDirect3DSurface8* surface = nullptr;
    if (FAILED(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface))) return false;
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT locked{};
    bool ok = false;
    // X8R8G8B8 or R5G6B5 from a desktop of the day, A8R8G8B8 or X1R5G5B5 elsewhere; rows
    // are Pitch bytes apart, which may exceed width times pixel size.
    if (SUCCEEDED(surface->GetDesc(&desc)) && desc.Width >= static_cast<UINT>(width) &&
        desc.Height >= static_cast<UINT>(height) &&
        d3dx::bytesPerPixel(static_cast<std::uint32_t>(desc.Format)) != 0 &&
        SUCCEEDED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        const std::uint32_t bytes = d3dx::bytesPerPixel(static_cast<std::uint32_t>(desc.Format));
        rgb.resize(static_cast<std::size_t>(width) * height * 3);
        for (int y = 0; y < height; ++y) {
            const auto* row = static_cast<const std::uint8_t*>(locked.pBits) +
                              static_cast<std::ptrdiff_t>(y) * locked.Pitch;
            for (int x = 0; x < width; ++x) {
                const std::uint32_t c =
                    d3dx::readPixel(static_cast<std::uint32_t>(desc.Format), row + x * bytes);
                std::uint8_t* out = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
                out[0] = static_cast<std::uint8_t>(c >> 16);
                out[1] = static_cast<std::uint8_t>(c >> 8);
                out[2] = static_cast<std::uint8_t>(c);
            }
        }
        surface->UnlockRect();
        ok = true;
    }
    surface->Release();
    return ok;
}
#else
bool captureFrame(IDirect3DDevice8* device, int width, int height, std::vector<std::uint8_t>& rgb) {
    IDirect3DSurface8* surface = nullptr;
    if (FAILED(device->CreateImageSurface(static_cast<UINT>(width), static_cast<UINT>(height),
                                          D3DFMT_A8R8G8B8, &surface)))
        return false;
    bool ok = false;
    D3DLOCKED_RECT locked{};
    if (SUCCEEDED(device->GetFrontBuffer(surface)) &&
        SUCCEEDED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        rgb.resize(static_cast<std::size_t>(width) * height * 3);
        for (int y = 0; y < height; ++y) {
            const auto* row = static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch;
            for (int x = 0; x < width; ++x) {
                std::uint8_t* out = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
                out[0] = row[x * 4 + 2];  // A8R8G8B8 is B, G, R, A in memory
                out[1] = row[x * 4 + 1];
                out[2] = row[x * 4 + 0];
            }
        }
        surface->UnlockRect();
        ok = true;
    }
    surface->Release();
    return ok;
}
#endif

}  // namespace

void SaverApp::fastForward(const RecordingOptions& options) {
    // The steps are counted in integers: a float sum stops growing past 2^24 steps and
    // drifts long before. Nothing is drawn, so the scene gets no device and a camera cut
    // skips its crossfade capture, except over the last seconds, whose cut may still be
    // fading when the first frame is written (a crossfade lasts about one second).
    constexpr double kVisibleTailMs = 2000.0;
    const float step = 1000.0f / options.fps;
    const auto steps = static_cast<std::int64_t>(
        std::ceil(static_cast<double>(options.startMs) * options.fps / 1000.0));
    const std::int64_t visibleFrom =
        steps - static_cast<std::int64_t>(std::ceil(kVisibleTailMs * options.fps / 1000.0));
    for (std::int64_t i = 0; i < steps && !quit_; ++i) {
        FrameMove(i >= visibleFrom ? device_ : nullptr, step);
        // SIGTERM and Ctrl-C arrive as messages: look for them now and then.
        if ((i & 1023) == 1023) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        }
    }
}

int SaverApp::record(const RecordingOptions& options) {
    int result = loadRun();
    if (result != graphics::kDeviceCreated) {
        std::fprintf(stderr, "emberhold: no Direct3D device (%d)\n", result);
        return 1;
    }
    std::vector<std::uint8_t> rgb;
    auto write = [&](const char* name) {
        std::string path = (std::filesystem::path(options.directory) / name).string();
        if (captureFrame(device_, options.width, options.height, rgb) &&
            writePng(path, rgb, options.width, options.height))
            return true;
        std::fprintf(stderr, "emberhold: cannot write %s\n", path.c_str());
        return false;
    };
    // Loading draws nothing after the loading screen: it is still the presented image.
    if (options.loadingScreen && !write("loading.png")) return 1;
    quit_ = false;
    fastForward(options);
#ifdef _WIN32
    // The system's timers count real time, but a recording runs on its own clock: the FPS
    // tick comes from that clock here, due again a period after it fired as the message
    // queue of the other platforms makes it, so both show the same figure.
    DWORD fpsDue = timeGetTime() + 1000;
#else
    SetTimer(mainWindow_, kFpsTimer, 1000, nullptr);
#endif
    lastFrameTime_ = timeGetTime();
    const auto started = std::chrono::steady_clock::now();
    int drawn = 0;
    for (int i = 0; i < options.frames && !quit_; ++i) {
        // Frame i is drawn at round(i * 1000 / fps) ms after loading.
        auto next = static_cast<DWORD>(std::lround((i + 1) * 1000.0 / options.fps));
        auto now = static_cast<DWORD>(std::lround(i * 1000.0 / options.fps));
        os::AdvanceManualClock(next - now);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
#ifdef _WIN32
        if (static_cast<std::int32_t>(timeGetTime() - fpsDue) >= 0) {
            fpsDue = timeGetTime() + 1000;
            SendMessageA(mainWindow_, WM_TIMER, kFpsTimer, 0);
        }
#endif
        if (FrameStep() != S_OK) continue;
        if (i == 0) StartTimingsMark("first frame presented");
        ++drawn;
        if (options.noWrite || i % options.every != 0) continue;
        char name[32];
        std::snprintf(name, sizeof name, "frame_%04d.png", i);
        if (!write(name)) return 1;
        if (i == 0) StartTimingsMark("first frame written");
    }
    if (options.noWrite) {
        // The wall time of the frames alone (update, draw, present): loading and the run
        // ahead are not in it.
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::printf("emberhold: %d frames in %.3f s: %.2f frames/s\n", drawn, seconds,
                    seconds > 0.0 ? drawn / seconds : 0.0);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace eh::shell

// Headless recording: the saver's own loop on an offscreen window with a fixed time step,
// each presented frame written as a PNG file.
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "graphics/device.h"
#include "platform/os/saver_windows.h"
#include "platform/os/window.h"
#include "shell/render_kit_hooks.h"
#include "shell/saver_app.h"

namespace eh::shell {
namespace {

// Writes `rgba` (width x height, 4 bytes a pixel, top row first) as an 8-bit RGB PNG.
bool writePng(const std::string& path, const std::vector<std::uint8_t>& rgb, int width,
              int height) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
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

// The presented frame as RGB bytes, top row first.
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

int SaverApp::RunRecording(const RecordingOptions& options) {
    if (options.frames < 0 || options.every < 1 || options.width < 16 || options.height < 16 || options.width > 8192 ||
        options.height > 8192 || !(options.fps > 0.0f && options.fps <= 1000.0f)) {
        std::fprintf(stderr, "emberhold: bad recording options\n");
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(options.directory, ec);

    // The same start-up as a test run, on a window nobody sees, with time standing still
    // between frames.
    os::SetManualClock(true, 0);
    randomSeed_ = options.seed;
    texts_.Load();
    InitDefaults();
    mode_ = RunMode::Test;
    log_.SetEnabled(loggingSwitch_);
    log_.Open("Saver_Log.txt");
    if (FAILED(catalog_.Create(d3dFactory_))) return 1;
    CheckDeviceCaps();
    config::ReadSettings(settings_, settingsPath_);
    ReadExtraSettings();
    config::ApplyOverrides(overrides_, settings_);
    settings_.UseDesktopSettings = TRUE;  // the back buffer is the requested size

    HWND window = os::CreateOffscreenWindow(options.width, options.height);
    if (window == nullptr) return 1;
    os::AdoptWindow(window, &SaverApp::StaticWindowProc);
    mainWindow_ = window;

    int code = 0;
    int result = createDevice(window);
    if (result != graphics::kDeviceCreated) {
        std::fprintf(stderr, "emberhold: no Direct3D device (%d)\n", result);
        code = 1;
    } else {
        overlay_.LoadDigitTextures(device_, &log_);
        LoadScene(device_);
        AfterLoad(device_);
        // Recordings are silent: with music and effects off the sound start only builds
        // the creatures' first sequences, as in a run with sound switched off.
        settings_.Music = FALSE;
        settings_.SFX = FALSE;
        StartSound();
        log_.Write(config::log_lines::kAllDataLoaded);
        quit_ = false;
        fastForward(options);
        SetTimer(mainWindow_, kFpsTimer, 1000, nullptr);
        lastFrameTime_ = timeGetTime();
        std::vector<std::uint8_t> rgb;
        for (int i = 0; i < options.frames && !quit_ && code == 0; ++i) {
            // Frame i is drawn at round(i * 1000 / fps) ms after loading.
            auto next = static_cast<DWORD>(std::lround((i + 1) * 1000.0 / options.fps));
            auto now = static_cast<DWORD>(std::lround(i * 1000.0 / options.fps));
            os::AdvanceManualClock(next - now);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            if (FrameStep() != S_OK) continue;
            if (i % options.every != 0) continue;
            char name[32];
            std::snprintf(name, sizeof name, "frame_%04d.png", i);
            std::string path = (std::filesystem::path(options.directory) / name).string();
            if (!captureFrame(device_, options.width, options.height, rgb) ||
                !writePng(path, rgb, options.width, options.height)) {
                std::fprintf(stderr, "emberhold: cannot write %s\n", path.c_str());
                code = 1;
                break;
            }
        }
    }
    Shutdown();
    os::UnregisterWindow(window);
    os::DestroyOffscreenWindow(window);
    mainWindow_ = nullptr;
    os::SetManualClock(false);
    return code;
}

}  // namespace eh::shell

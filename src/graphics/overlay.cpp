#include "graphics/overlay.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "config/log_lines.h"
#include "d3dx/d3dx8.h"
#include "media/archive.h"
#include "media/memory_file.h"
#include "media/vertex_buffer_pool.h"
#include "platform/os/messages.h"
#include "platform/os/resources.h"

namespace eh::graphics {
namespace {

constexpr DWORD kWhite = 0xFFFFFFFFu;
constexpr float kDarkeningScale = 1.07f;  // the darkening quad is 7 % larger

// Archive 452 entry names in glyph order (folder "Digits\").
constexpr const char* kDigitFiles[kGlyphCount] = {
    "digit_0.JPG",    "digit_1.JPG",   "digit_2.JPG", "digit_3.JPG", "digit_4.JPG",
    "digit_5.JPG",    "digit_6.JPG",   "digit_7.JPG", "digit_8.JPG", "digit_9.JPG",
    "digit_ddot.JPG", "digit_dot.JPG", "digit_A.JPG", "digit_M.JPG", "digit_P.JPG"};
// The clock archive's password: nine characters, a different one from the scene archive's.
// No entry is encrypted, so it only has to be passed.
constexpr char kDigitPassword[] = "Kestrelle";

void writeLog(const LogLineFn& log, const char* line) {
    if (log) log(line);
}

// A texture straight from resource bytes: at the file's size, else 128 x 128 R5G6B5.
IDirect3DTexture8* textureFromResource(IDirect3DDevice8* device, int id) {
    os::ResourceData data = os::FindResourceData("CustomData", id);
    if (!data) return nullptr;
    IDirect3DTexture8* texture = nullptr;
    UINT size = static_cast<UINT>(data.size);
    if (FAILED(D3DXCreateTextureFromFileInMemoryEx(device, data.data, size, 0, 0, 0, 0,
                                                   D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                   D3DX_DEFAULT, 0, nullptr, nullptr, &texture))) {
        texture = nullptr;
        if (FAILED(D3DXCreateTextureFromFileInMemoryEx(
                device, data.data, size, 128, 128, 0, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED,
                D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture)))
            texture = nullptr;
    }
    return texture;
}

}  // namespace

struct Overlay::Impl {
    Impl(media::VertexBufferPool& p, media::RenderKit& k) : pool(&p), kit(&k) {
        for (media::TextureRef& d : digits) d = media::EmptyTextureRef();
    }
    media::VertexBufferPool* pool;
    media::RenderKit* kit;
    int quad = -1;
    media::TextureRef digits[kGlyphCount];
};

Overlay::Overlay(media::VertexBufferPool& pool, media::RenderKit& kit)
    : impl_(std::make_unique<Impl>(pool, kit)) {}
Overlay::~Overlay() = default;

int Overlay::QuadHandle() const {
    return impl_->quad;
}

void Overlay::ReleaseTextures() {
    for (media::TextureRef& d : impl_->digits) d = media::EmptyTextureRef();
}

void Overlay::ShowLoadingScreen(IDirect3DDevice8* device, const LogLineFn& log,
                                std::int32_t* frontBufferParity) {
    writeLog(log, config::log_lines::kLoadNotTableAlpha);
    media::VertexBufferPool& pool = *impl_->pool;
    impl_->quad = -1;
    pool.CreateVertexBuffer(&impl_->quad, media::VertexBufferPool::kFvfQuad2D, 4);
    if (auto* v = static_cast<media::Quad2DVertex*>(pool.LockVertexBuffer(impl_->quad))) {
        const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
        for (int i = 0; i < 4; ++i) v[i] = {0, 0, 0.99f, 1.0f, kWhite, uv[i][0], uv[i][1]};
        pool.UnlockVertexBuffer(impl_->quad);
    }

    // Background first, then the corners in the order they are drawn.
    constexpr int kIds[5] = {491, 486, 487, 489, 488};
    IDirect3DTexture8* textures[5] = {};
    for (int i = 0; i < 5; ++i) textures[i] = textureFromResource(device, kIds[i]);
    writeLog(log, config::log_lines::kLoadLoadingTexture);

    DWORD blend = 0, src = 0, dest = 0, alphaOp = 0;
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
    device->GetRenderState(D3DRS_SRCBLEND, &src);
    device->GetRenderState(D3DRS_DESTBLEND, &dest);
    device->GetTextureStageState(0, D3DTSS_ALPHAOP, &alphaOp);

    for (int pass = 0; pass < 2; ++pass) {  // both buffers of the flip chain
        device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->BeginScene();
        D3DVIEWPORT8 viewport{};
        device->GetViewport(&viewport);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        pool.SetQuad2D(impl_->quad, 0, 0, 1, 1, kWhite, 0, 0, 1, 1);
        device->SetVertexShader(media::VertexBufferPool::kFvfQuad2D);
        pool.SetStream(0, impl_->quad);
        device->SetTexture(0, textures[0]);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);

        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        LoadingCorner corners[4];
        LoadingCorners(viewport.Width, viewport.Height, corners);
        for (int c = 0; c < 4; ++c) {
            pool.SetQuad2D(impl_->quad, corners[c].x, corners[c].y, corners[c].width,
                           corners[c].height, kWhite, 0, 0, 1, 1);
            device->SetTexture(0, textures[c + 1]);
            device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
            device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        }
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        device->EndScene();
        *frontBufferParity = 1 - *frontBufferParity;
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    writeLog(log, config::log_lines::kDrawLoadingScreen);

    device->SetTexture(0, nullptr);
    for (IDirect3DTexture8* t : textures)
        if (t != nullptr) t->Release();
    writeLog(log, config::log_lines::kUnloadLoadingData);

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
    device->SetRenderState(D3DRS_SRCBLEND, src);
    device->SetRenderState(D3DRS_DESTBLEND, dest);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, alphaOp);
}

std::vector<std::string> Overlay::DigitEntryNames() {
    std::vector<std::string> names;
    for (const char* file : kDigitFiles) names.push_back(std::string("Digits\\") + file);
    return names;
}

void Overlay::LoadDigitTextures(IDirect3DDevice8* /*device*/, const LogLineFn& log) {
    media::MemoryFile file;
    media::OpenMediaResource(file, media::kClockDigitsArchive);
    const std::vector<std::string> names = DigitEntryNames();
    for (int i = 0; i < kGlyphCount; ++i) {
        const std::string& name = names[static_cast<std::size_t>(i)];
        std::uint8_t* bytes = nullptr;
        DWORD size = 0;
        char password[sizeof kDigitPassword];
        std::memcpy(password, kDigitPassword, sizeof password);  // the reader wipes it
        if (media::ExtractEntry(&bytes, &size, name.c_str(), &file, password) != 1) continue;
        impl_->digits[i] =
            impl_->kit->CreateTextureFromMemory(bytes, size, kDigitFiles[i], "Digits\\", true);
        std::free(bytes);
    }
    writeLog(log, config::log_lines::kLoadDigitTextures);
}

void Overlay::Draw(IDirect3DDevice8* device, const OverlayFrame& frame) {
    media::VertexBufferPool& pool = *impl_->pool;
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetTexture(0, nullptr);
    device->SetRenderState(D3DRS_ALPHAREF, 0);
    pool.SetStream(0, impl_->quad);

    const DWORD colour =
        0xFF000000u | (DWORD{layout.red} << 16) | (DWORD{layout.green} << 8) | DWORD{layout.blue};
    auto drawGlyph = [&](const GlyphPlacement& g) {
        if (g.glyph >= 0 && g.glyph < kGlyphCount) {
            impl_->kit->SetTexture(0, impl_->digits[g.glyph]);
        } else {
            device->SetTexture(0, nullptr);
        }
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
        pool.SetQuad2D(impl_->quad, g.x, g.y, kDarkeningScale * layout.glyphWidth,
                       kDarkeningScale * layout.glyphHeight, kWhite, 0, 0, 1, 1);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        pool.SetQuad2D(impl_->quad, g.x, g.y, layout.glyphWidth, layout.glyphHeight, colour, 0, 0,
                       1, 1);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    };

    if (frame.showTime) {
        GlyphPlacement glyphs[kMaxClockGlyphs];
        int n = LayoutClock(frame.hours, frame.minutes, frame.seconds, frame.twentyFourHour, layout,
                            glyphs);
        for (int i = 0; i < n; ++i) drawGlyph(glyphs[i]);
    }
    if (frame.showFps) {
        GlyphPlacement glyphs[kMaxFpsGlyphs];
        int n = LayoutFps(frame.fps, layout, glyphs);
        for (int i = 0; i < n; ++i) drawGlyph(glyphs[i]);
    }
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void LoadingCorners(DWORD viewportWidth, DWORD viewportHeight, LoadingCorner out[4]) {
    float fw = 256.0f / static_cast<float>(viewportWidth == 0 ? 1 : viewportWidth);
    float fh = 128.0f / static_cast<float>(viewportHeight == 0 ? 1 : viewportHeight);
    out[0] = {486, 1.0f - fw, 1.0f - fh, fw, fh};
    out[1] = {487, 0.0f, 1.0f - fh, fw, fh};
    out[2] = {489, 0.0f, 0.0f, fw, fh};
    out[3] = {488, 1.0f - fw, 0.0f, fw, fh};
}

void LocalTimeOfDay(int* hours, int* minutes, int* seconds) {
    if (os::ManualClock()) {
        // A recording runs on its own clock: its frames show 12:00:00 plus the recorded
        // time, so the same options give the same pictures.
        DWORD elapsed = timeGetTime() / 1000;
        *hours = static_cast<int>((12 + elapsed / 3600) % 24);
        *minutes = static_cast<int>(elapsed / 60 % 60);
        *seconds = static_cast<int>(elapsed % 60);
        return;
    }
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    *hours = local.tm_hour;
    *minutes = local.tm_min;
    *seconds = local.tm_sec;
}

}  // namespace eh::graphics

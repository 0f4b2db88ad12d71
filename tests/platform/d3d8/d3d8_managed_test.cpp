// Managed textures hold no second copy of their levels in memory, yet behave as Direct3D 8's
// managed pool does: what was written reads back exactly (through every format the layer
// offers), partial locks keep the rest of the level, and the content survives a device
// reset, read back and drawn.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/d3d8/d3d8_ext.h"
#include "tests/platform/d3d8/draw_helpers.h"
#include "tests/platform/d3d8/offscreen_device.h"

namespace eh::d3d8test {
namespace {

std::size_t Staged(IDirect3DDevice8* dev) {
    eh::d3d8::DeviceStats stats;
    if (FAILED(eh::d3d8::GetDeviceStats(dev, &stats))) return ~std::size_t{0};
    return stats.stagedTextureBytes;
}

// A deterministic byte pattern that differs per level, face and texture.
std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t x = 0x9E3779B9u * (seed + 1);
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 11);
    }
    return bytes;
}

void WriteLevel(IDirect3DTexture8* tex, UINT level, const std::vector<std::uint8_t>& bytes,
                UINT rowBytes, UINT rows) {
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(tex->LockRect(level, &lr, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < rows; ++y)
        std::memcpy(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch, &bytes[y * rowBytes], rowBytes);
    ASSERT_EQ(tex->UnlockRect(level), D3D_OK);
}

std::vector<std::uint8_t> ReadLevel(IDirect3DTexture8* tex, UINT level, UINT rowBytes, UINT rows) {
    std::vector<std::uint8_t> bytes(std::size_t{rowBytes} * rows);
    D3DLOCKED_RECT lr{};
    if (FAILED(tex->LockRect(level, &lr, nullptr, D3DLOCK_READONLY))) return {};
    for (UINT y = 0; y < rows; ++y)
        std::memcpy(&bytes[y * rowBytes], static_cast<BYTE*>(lr.pBits) + y * lr.Pitch, rowBytes);
    tex->UnlockRect(level);
    return bytes;
}

void LoseAndReset(OffscreenDevice& dev) {
    ASSERT_EQ(eh::d3d8::SimulateDeviceLoss(dev.get()), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(dev->Reset(&dev.presentParameters()), D3D_OK);
}

struct FormatCase {
    D3DFORMAT format;
    UINT bytesPerPixel;
};

TEST(D3D8Managed, EveryFormatReadsBackExactlyAndSurvivesResetWithoutAMemoryCopy) {
    OffscreenDevice dev(32, 32);
    ASSERT_TRUE(dev.ok());
    const FormatCase cases[] = {{D3DFMT_A8R8G8B8, 4}, {D3DFMT_X8R8G8B8, 4}, {D3DFMT_R5G6B5, 2},
                                {D3DFMT_X1R5G5B5, 2}, {D3DFMT_A1R5G5B5, 2}, {D3DFMT_A4R4G4B4, 2},
                                {D3DFMT_L8, 1},       {D3DFMT_A8, 1},       {D3DFMT_A8L8, 2}};
    // 13 x 6: odd widths make rows that are no multiple of 4 bytes; the full chain of four
    // levels ends in 1 x 1.
    constexpr UINT kW = 13, kH = 6;
    std::vector<IDirect3DTexture8*> textures;
    std::vector<std::vector<std::vector<std::uint8_t>>> written;
    unsigned seed = 0;
    for (const FormatCase& c : cases) {
        IDirect3DTexture8* tex = nullptr;
        ASSERT_EQ(dev->CreateTexture(kW, kH, 0, 0, c.format, D3DPOOL_MANAGED, &tex), D3D_OK)
            << c.format;
        ASSERT_EQ(tex->GetLevelCount(), 4u);
        textures.push_back(tex);
        written.emplace_back();
        for (UINT level = 0; level < tex->GetLevelCount(); ++level) {
            const UINT w = std::max(1u, kW >> level), h = std::max(1u, kH >> level);
            written.back().push_back(Pattern(std::size_t{w} * h * c.bytesPerPixel, seed++));
            WriteLevel(tex, level, written.back().back(), w * c.bytesPerPixel, h);
        }
    }
    // Every lock is closed: GL holds the only copy.
    EXPECT_EQ(Staged(dev.get()), 0u);

    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) LoseAndReset(dev);
        for (std::size_t t = 0; t < textures.size(); ++t) {
            const UINT bpp = cases[t].bytesPerPixel;
            for (UINT level = 0; level < 4; ++level) {
                const UINT w = std::max(1u, kW >> level), h = std::max(1u, kH >> level);
                EXPECT_EQ(ReadLevel(textures[t], level, w * bpp, h), written[t][level])
                    << "format " << cases[t].format << " level " << level << " pass " << pass;
            }
        }
        EXPECT_EQ(Staged(dev.get()), 0u);
    }
    for (IDirect3DTexture8* tex : textures) tex->Release();
}

TEST(D3D8Managed, PartialAndNestedLocksKeepTheRestAndUnwrittenLevelsReadZero) {
    OffscreenDevice dev(16, 16);
    ASSERT_TRUE(dev.ok());
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    // A level never written reads as zeros.
    EXPECT_EQ(ReadLevel(tex, 1, 16, 4), std::vector<std::uint8_t>(64, 0));

    const std::vector<std::uint8_t> base = Pattern(8 * 8 * 4, 7);
    WriteLevel(tex, 0, base, 32, 8);
    // Rewrite only the 3 x 2 rectangle at (2, 5); the rest comes back from GL.
    std::vector<std::uint8_t> expect = base;
    RECT r = {2, 5, 5, 7};
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(tex->LockRect(0, &lr, &r, 0), D3D_OK);
    for (UINT y = 0; y < 2; ++y) {
        for (UINT x = 0; x < 3; ++x) {
            const std::uint32_t v = 0xA0000000u | (y << 8) | x;
            std::memcpy(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch + x * 4, &v, 4);
            std::memcpy(&expect[((5 + y) * 8 + 2 + x) * 4], &v, 4);
        }
    }
    // A second lock while the first is open sees the first one's bytes; staging lasts until
    // the last unlock and ends there.
    D3DLOCKED_RECT inner{};
    ASSERT_EQ(tex->LockRect(0, &inner, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(static_cast<BYTE*>(inner.pBits) + 5 * inner.Pitch + 8,
                          &expect[(5 * 8 + 2) * 4], 12),
              0);
    EXPECT_GE(Staged(dev.get()), 8u * 8 * 4);
    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
    EXPECT_GE(Staged(dev.get()), 8u * 8 * 4);
    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
    EXPECT_EQ(Staged(dev.get()), 0u);
    EXPECT_EQ(tex->UnlockRect(0), D3D_OK);  // an unlock too many changes nothing
    EXPECT_EQ(ReadLevel(tex, 0, 32, 8), expect);
    // A read-only lock never uploads: bytes scribbled into it are not kept.
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::memset(lr.pBits, 0x55, 32);
    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
    EXPECT_EQ(ReadLevel(tex, 0, 32, 8), expect);
    // Bad rectangles are refused and stage nothing.
    RECT outside = {4, 4, 9, 5};
    EXPECT_EQ(tex->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(tex->LockRect(2, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(Staged(dev.get()), 0u);
    tex->Release();
}

TEST(D3D8Managed, CubeFacesAndADrawnTextureComeBackAfterReset) {
    OffscreenDevice dev(32, 32);
    ASSERT_TRUE(dev.ok());
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(dev->CreateCubeTexture(4, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    std::vector<std::vector<std::uint8_t>> faces;
    for (UINT f = 0; f < 6; ++f) {
        for (UINT level = 0; level < cube->GetLevelCount(); ++level) {
            const UINT side = std::max(1u, 4u >> level);
            faces.push_back(Pattern(std::size_t{side} * side * 4, 100 + f * 8 + level));
            D3DLOCKED_RECT lr{};
            ASSERT_EQ(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(f), level, &lr, nullptr, 0),
                      D3D_OK);
            for (UINT y = 0; y < side; ++y)
                std::memcpy(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch,
                            &faces.back()[y * side * 4], side * 4);
            ASSERT_EQ(cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(f), level), D3D_OK);
        }
    }
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    const std::uint32_t texels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    WriteLevel(tex, 0, std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(texels),
                                                 reinterpret_cast<const std::uint8_t*>(texels) + 16),
               8, 2);
    EXPECT_EQ(Staged(dev.get()), 0u);

    LoseAndReset(dev);

    std::size_t i = 0;
    for (UINT f = 0; f < 6; ++f) {
        for (UINT level = 0; level < cube->GetLevelCount(); ++level, ++i) {
            const UINT side = std::max(1u, 4u >> level);
            D3DLOCKED_RECT lr{};
            ASSERT_EQ(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(f), level, &lr, nullptr,
                                     D3DLOCK_READONLY),
                      D3D_OK);
            for (UINT y = 0; y < side; ++y) {
                EXPECT_EQ(std::memcmp(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch,
                                      &faces[i][y * side * 4], side * 4),
                          0)
                    << "face " << f << " level " << level << " row " << y;
            }
            cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(f), level);
        }
    }
    // The 2 x 2 texture still draws its texels one to one after the reset.
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    dev->SetTexture(0, tex);
    dev->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    dev->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    ASSERT_EQ(DrawQuad(dev.get(), Quad(8, 8, 24, 24, 0xFFFFFFFF)), D3D_OK);
    const auto p = dev.presentAndRead();
    ASSERT_EQ(p.size(), 32u * 32u);
    EXPECT_TRUE(NearColor(p[10 * 32 + 10], 0xFF0000, 0));
    EXPECT_TRUE(NearColor(p[10 * 32 + 20], 0x00FF00, 0));
    EXPECT_TRUE(NearColor(p[20 * 32 + 10], 0x0000FF, 0));
    EXPECT_TRUE(NearColor(p[20 * 32 + 20], 0xFFFFFF, 0));
    dev->SetTexture(0, nullptr);
    tex->Release();
    cube->Release();
}

}  // namespace
}  // namespace eh::d3d8test

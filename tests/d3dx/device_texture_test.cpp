// Texture creation on the real (OpenGL) device layer, offscreen: what the texture functions
// write must read back through the device's own LockRect. Skipped only when no device can
// be created on this machine (no EGL or GL 3.3).
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "d3dx/d3dx8.h"
#include "d3dx/d3dx_prepared.h"
#include "d3dx/image_writers.h"
#include "platform/os/window.h"
#include "support/require_device.h"

namespace eh::d3dx {
namespace {

class DeviceTexture : public ::testing::Test {
  protected:
    void SetUp() override {
        window_ = eh::os::CreateOffscreenWindow(64, 64);
        EH_REQUIRE_DEVICE(window_, "no offscreen window");
        d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
        EH_REQUIRE_DEVICE(d3d_, "no Direct3D object");
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        bool created = SUCCEEDED(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_,
                                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                                                    &dev_)) &&
                       dev_ != nullptr;
        EH_REQUIRE_DEVICE(created, "no device");
    }
    void TearDown() override {
        if (dev_) dev_->Release();
        if (d3d_) d3d_->Release();
        eh::os::DestroyOffscreenWindow(window_);
    }

    HWND window_ = nullptr;
    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* dev_ = nullptr;
};

TEST_F(DeviceTexture, ManagedTextureReadsBackWhatTheFileHeld) {
    const Image img = test::makeTestImage(16, 8, true);
    const test::Bytes file = test::writeTga(img, {.bits = 32});
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(
                  dev_, file.data(), static_cast<UINT>(file.size()), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                  D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &tex),
              D3D_OK);
    ASSERT_NE(tex, nullptr);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(tex->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_GE(desc.Width, 16u);  // 16 x 8 unless the caps ask for something else
    EXPECT_GT(tex->GetLevelCount(), 1u);
    if (desc.Width == 16 && desc.Height == 8) {
        D3DLOCKED_RECT rect{};
        ASSERT_EQ(tex->LockRect(0, &rect, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (UINT y = 0; y < 8; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(
                static_cast<const std::uint8_t*>(rect.pBits) + std::size_t(y) * rect.Pitch);
            for (UINT x = 0; x < 16; ++x) EXPECT_EQ(row[x], img.at(x, y)) << x << "," << y;
        }
        tex->UnlockRect(0);
    }
    tex->Release();
}

TEST_F(DeviceTexture, CubeAndRenderTarget) {
    std::vector<Image> faces;
    for (std::uint32_t f = 0; f < 6; ++f) {
        Image face(8, 8);
        face.pixels.assign(64, 0xFF000000u | f * 40);
        faces.push_back(face);
    }
    const test::Bytes file = test::writeDdsRgb(faces, 1, true, {});
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(
                  dev_, file.data(), static_cast<UINT>(file.size()), 0, 0, 0, D3DFMT_X8R8G8B8,
                  D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &cube),
              D3D_OK);
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->GetLevelCount(), 4u);
    cube->Release();

    IDirect3DTexture8* rt = nullptr;
    ASSERT_EQ(D3DXCreateTexture(dev_, 64, 64, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                D3DPOOL_DEFAULT, &rt),
              D3D_OK);
    ASSERT_NE(rt, nullptr);
    EXPECT_EQ(rt->GetLevelCount(), 1u);
    rt->Release();
}

// Every level of a texture as bytes, rows packed.
std::vector<std::vector<std::uint8_t>> levelBytes(IDirect3DTexture8* tex) {
    std::vector<std::vector<std::uint8_t>> levels;
    for (UINT level = 0; level < tex->GetLevelCount(); ++level) {
        D3DSURFACE_DESC desc{};
        D3DLOCKED_RECT lr{};
        if (FAILED(tex->GetLevelDesc(level, &desc)) ||
            FAILED(tex->LockRect(level, &lr, nullptr, D3DLOCK_READONLY)))
            return {};
        const std::size_t row = desc.Width * bytesPerPixel(desc.Format);
        levels.emplace_back(row * desc.Height);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(&levels.back()[y * row], static_cast<BYTE*>(lr.pBits) + y * lr.Pitch, row);
        tex->UnlockRect(level);
    }
    return levels;
}

// Preparing on one side and creating later writes exactly what the one call writes, for
// each container and pixel format the program meets; arguments that ask for anything else
// than the prepared chain are answered S_FALSE, never with a different texture.
TEST_F(DeviceTexture, PreparedTexturesEqualTheOneCallPath) {
    const Image alpha = test::makeTestImage(13, 7, true);
    const Image opaque = test::makeTestImage(40, 24, false);
    const std::vector<test::Bytes> files = {
        test::writeTga(alpha, {.bits = 32}),         test::writeTga(opaque, {.bits = 24}),
        test::writeTga(alpha, {.bits = 16}),         test::writeTga(opaque, {.bits = 8, .grey = true}),
        test::writeBmp(opaque, {.bits = 24}),        test::writeBmp(opaque, {.bits = 16}),
        test::writeJpeg(opaque, false, false, 90),   test::writePng(alpha, 6),
        // A mip chain of the file's own for two of four levels: those are kept, the rest
        // box filtered, on both paths.
        test::writeDdsRgb({test::makeTestImage(8, 8, true), test::makeTestImage(4, 4, false)}, 2,
                          false, test::DdsRgbLayout{})};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const test::Bytes& file = files[i];
        IDirect3DTexture8* direct = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(
                      dev_, file.data(), static_cast<UINT>(file.size()), 0, 0, 0, 0,
                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                      nullptr, &direct),
                  D3D_OK)
            << "file " << i;
        PreparedTexture prepared;
        ASSERT_TRUE(PrepareTexture(file.data(), static_cast<UINT>(file.size()), prepared)) << i;
        IDirect3DTexture8* later = nullptr;
        ASSERT_EQ(CreateTextureFromPrepared(dev_, prepared, 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                            D3DPOOL_MANAGED, &later),
                  D3D_OK)
            << "file " << i;
        D3DSURFACE_DESC a{}, b{};
        direct->GetLevelDesc(0, &a);
        later->GetLevelDesc(0, &b);
        EXPECT_EQ(a.Format, b.Format) << i;
        EXPECT_EQ(direct->GetLevelCount(), later->GetLevelCount()) << i;
        const auto expected = levelBytes(direct);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(levelBytes(later), expected) << "file " << i;
        direct->Release();
        later->Release();

        // Another size, level count or format than the prepared chain: not this path.
        for (const auto& [w, h, levels, format] :
             {std::tuple<UINT, UINT, UINT, D3DFORMAT>{prepared.width * 2, prepared.height, 0,
                                                      D3DFMT_UNKNOWN},
              {0, 0, 1, D3DFMT_UNKNOWN},
              {0, 0, 0, prepared.format == D3DFMT_R5G6B5 ? D3DFMT_A8R8G8B8 : D3DFMT_R5G6B5}}) {
            IDirect3DTexture8* other = direct;  // stale on purpose: the call must clear it
            EXPECT_EQ(CreateTextureFromPrepared(dev_, prepared, w, h, levels, 0, format,
                                                D3DPOOL_MANAGED, &other),
                      S_FALSE)
                << "file " << i << " " << w << "x" << h << " levels " << levels;
            EXPECT_EQ(other, nullptr);
            if (other != nullptr && other != direct) other->Release();
        }
    }
    // Nothing to prepare from damaged bytes or a cube map (those take the cube call).
    PreparedTexture none;
    const std::uint8_t junk[16] = {1, 2, 3};
    EXPECT_FALSE(PrepareTexture(junk, sizeof junk, none));
    EXPECT_TRUE(none.levels.empty());
    std::vector<Image> faces(6, test::makeTestImage(4, 4, false));
    const test::Bytes cube = test::writeDdsRgb(faces, 1, true, test::DdsRgbLayout{});
    EXPECT_FALSE(PrepareTexture(cube.data(), static_cast<UINT>(cube.size()), none));
    IDirect3DTexture8* out = nullptr;
    EXPECT_EQ(CreateTextureFromPrepared(dev_, none, 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                        &out),
              D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace eh::d3dx

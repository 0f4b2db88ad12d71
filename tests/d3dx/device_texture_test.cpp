// Texture creation on the real (OpenGL) device layer, offscreen: what the texture functions
// write must read back through the device's own LockRect. Skipped only when no device can
// be created on this machine (no EGL or GL 3.3).
#include <gtest/gtest.h>

#include "d3dx/d3dx8.h"
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

}  // namespace
}  // namespace eh::d3dx

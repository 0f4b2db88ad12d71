// An offscreen Direct3D 8 device for tests in any folder:
//
//   eh::d3d8test::OffscreenDevice dev(64, 64);
//   ASSERT_TRUE(dev.ok());
//   dev->Clear(...); ... ; auto pixels = dev.presentAndRead();
//
// Works headless: without a display SDL's "offscreen" driver renders through EGL (Mesa's
// llvmpipe in CI). Pixels read back as 0xAARRGGBB with row 0 at the top of the image.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d8/d3d8.h"
#include "platform/os/window.h"

namespace eh::d3d8test {

class OffscreenDevice {
  public:
    OffscreenDevice(UINT width, UINT height, D3DMULTISAMPLE_TYPE multiSample = D3DMULTISAMPLE_NONE,
                    D3DFORMAT depth = D3DFMT_D24X8)
        : width_(width), height_(height) {
        window_ = eh::os::CreateOffscreenWindow(static_cast<int>(width), static_cast<int>(height));
        if (window_ == nullptr) return;
        d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
        if (d3d_ == nullptr) return;
        pp_ = {};
        pp_.BackBufferWidth = width;
        pp_.BackBufferHeight = height;
        pp_.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp_.BackBufferCount = 1;
        pp_.MultiSampleType = multiSample;
        pp_.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp_.EnableAutoDepthStencil = depth != D3DFMT_UNKNOWN;
        pp_.AutoDepthStencilFormat = depth;
#ifdef _WIN32
        // The system's Direct3D 8 cannot put a full-screen device on a window nobody sees,
        // and its front buffer is the whole screen: a windowed device whose presented
        // frame stays in a lockable back buffer (copy swap) stands in for our layer's.
        pp_.Windowed = TRUE;
        pp_.SwapEffect = D3DSWAPEFFECT_COPY;
        pp_.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
#endif
        if (FAILED(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp_, &device_))) {
            device_ = nullptr;
        }
    }
    ~OffscreenDevice() {
        if (device_ != nullptr) device_->Release();
        if (d3d_ != nullptr) d3d_->Release();
        eh::os::DestroyOffscreenWindow(window_);
    }
    OffscreenDevice(const OffscreenDevice&) = delete;
    OffscreenDevice& operator=(const OffscreenDevice&) = delete;

    bool ok() const { return device_ != nullptr; }
    IDirect3DDevice8* operator->() const { return device_; }
    IDirect3DDevice8* get() const { return device_; }
    IDirect3D8* d3d() const { return d3d_; }
    D3DPRESENT_PARAMETERS& presentParameters() { return pp_; }
    UINT width() const { return width_; }
    UINT height() const { return height_; }

    // Presents the back buffer and reads the presented image back.
    std::vector<std::uint32_t> presentAndRead() {
        std::vector<std::uint32_t> pixels;
        if (FAILED(device_->Present(nullptr, nullptr, nullptr, nullptr))) return pixels;
        return readFront();
    }
    std::vector<std::uint32_t> readFront() {
        std::vector<std::uint32_t> pixels;
        IDirect3DSurface8* surface = nullptr;
#ifdef _WIN32
        if (FAILED(device_->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface))) return pixels;
        D3DLOCKED_RECT locked;
        if (SUCCEEDED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            pixels.resize(static_cast<std::size_t>(width_) * height_);
            for (UINT y = 0; y < height_; ++y) {
                const auto* row = reinterpret_cast<const std::uint32_t*>(
                    static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch);
                // X8R8G8B8: the unused byte reads as opaque, as the front buffer copy does.
                for (UINT x = 0; x < width_; ++x)
                    pixels[static_cast<std::size_t>(y) * width_ + x] = row[x] | 0xFF000000u;
            }
            surface->UnlockRect();
        }
        surface->Release();
        return pixels;
#else
        if (FAILED(device_->CreateImageSurface(width_, height_, D3DFMT_A8R8G8B8, &surface))) {
            return pixels;
        }
        if (SUCCEEDED(device_->GetFrontBuffer(surface))) {
            D3DLOCKED_RECT locked;
            if (SUCCEEDED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
                pixels.resize(static_cast<std::size_t>(width_) * height_);
                for (UINT y = 0; y < height_; ++y) {
                    std::memcpy(&pixels[static_cast<std::size_t>(y) * width_],
                                static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch,
                                width_ * 4);
                }
                surface->UnlockRect();
            }
        }
        surface->Release();
        return pixels;
#endif
    }

  private:
    UINT width_, height_;
    HWND window_ = nullptr;
    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* device_ = nullptr;
    D3DPRESENT_PARAMETERS pp_{};
};

}  // namespace eh::d3d8test

// Direct3DCreate8 and IDirect3D8: adapters are SDL's displays.
#include <SDL.h>

#ifdef EMBERHOLD_SANITIZED
#include <dlfcn.h>
#include <link.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/d3d8/d3d8_device.h"
#include "platform/os/sdl/sdl_window.h"

IDirect3D8* Direct3DCreate8(UINT SDKVersion) {
    if (SDKVersion != D3D_SDK_VERSION) return nullptr;
    if (!eh::os::AcquireVideo()) return nullptr;
    return new eh::d3d8::Direct3D();
}

namespace eh::d3d8 {

Direct3D::Direct3D() : videoStarted_(true) {
    enumerate();
}

Direct3D::~Direct3D() {
    if (videoStarted_) eh::os::ReleaseVideo();
}

void Direct3D::enumerate() {
    modes_.clear();
    const int displays = SDL_GetNumVideoDisplays();
    for (int d = 0; d < displays; ++d) {
        std::vector<D3DDISPLAYMODE> list;
        auto add = [&list](int w, int h, int hz) {
            if (w <= 0 || h <= 0) return;
            // We render offscreen at any size, so every size is offered at 32 and 16 bits.
            for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5}) {
                const bool seen = std::any_of(list.begin(), list.end(), [&](const auto& m) {
                    return m.Width == static_cast<UINT>(w) && m.Height == static_cast<UINT>(h) &&
                           m.Format == f;
                });
                if (!seen) {
                    list.push_back(
                        {static_cast<UINT>(w), static_cast<UINT>(h), static_cast<UINT>(hz), f});
                }
            }
        };
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(d, &mode) == 0) add(mode.w, mode.h, mode.refresh_rate);
        const int count = SDL_GetNumDisplayModes(d);
        for (int i = 0; i < count; ++i) {
            if (SDL_GetDisplayMode(d, i, &mode) == 0) add(mode.w, mode.h, mode.refresh_rate);
        }
        modes_.push_back(std::move(list));
    }
}

#ifdef EMBERHOLD_SANITIZED
namespace {

// LeakSanitizer looks for leaks after the process has ended, when Mesa has already unloaded
// its driver: a block the driver never freed then shows under an unknown module and cannot
// be told apart from ours. Keeping the driver's modules mapped lets the report name them
// (tests/lsan.supp lists what is Mesa's).
void keepGlDriverMapped() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void*) {
            const char* name = info->dlpi_name;
            if (name != nullptr && (std::strstr(name, "/dri/") || std::strstr(name, "libgallium") ||
                                    std::strstr(name, "libLLVM")))
                dlopen(name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

}  // namespace
#endif

const GlCaps& Direct3D::glCaps() {
    if (probed_) return caps_;
    probed_ = true;
    // A throw-away window and context; the caller's current context is restored after.
    SDL_Window* oldWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext oldContext = SDL_GL_GetCurrentContext();
    HWND probe = eh::os::CreateOffscreenWindow(16, 16);
    if (probe != nullptr) {
        SDL_GLContext ctx = SDL_GL_CreateContext(probe->sdl);
#ifdef EMBERHOLD_SANITIZED
        keepGlDriverMapped();
#endif
        if (ctx != nullptr) {
            if (epoxy_gl_version() >= 33) {
                caps_.ok = true;
                glGetIntegerv(GL_MAX_TEXTURE_SIZE, &caps_.maxTextureSize);
                glGetIntegerv(GL_MAX_SAMPLES, &caps_.maxSamples);
                caps_.renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
                caps_.vendor = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
                caps_.version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
            }
            SDL_GL_DeleteContext(ctx);
        }
        eh::os::DestroyOffscreenWindow(probe);
    }
    if (oldContext != nullptr) SDL_GL_MakeCurrent(oldWindow, oldContext);
    return caps_;
}

UINT Direct3D::GetAdapterCount() {
    return static_cast<UINT>(modes_.size());
}

HRESULT Direct3D::GetAdapterIdentifier(UINT Adapter, DWORD, D3DADAPTER_IDENTIFIER8* pIdentifier) {
    if (pIdentifier == nullptr || Adapter >= modes_.size()) return D3DERR_INVALIDCALL;
    std::memset(pIdentifier, 0, sizeof(*pIdentifier));
    const GlCaps& caps = glCaps();
    std::snprintf(pIdentifier->Driver, sizeof(pIdentifier->Driver), "OpenGL %s",
                  caps.version.c_str());
    std::snprintf(pIdentifier->Description, sizeof(pIdentifier->Description), "%s (%s)",
                  caps.renderer.c_str(), caps.vendor.c_str());
    pIdentifier->DeviceIdentifier.Data1 = Adapter;
    return D3D_OK;
}

UINT Direct3D::GetAdapterModeCount(UINT Adapter) {
    return Adapter < modes_.size() ? static_cast<UINT>(modes_[Adapter].size()) : 0;
}

HRESULT Direct3D::EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) {
    if (pMode == nullptr || Adapter >= modes_.size() || Mode >= modes_[Adapter].size()) {
        return D3DERR_INVALIDCALL;
    }
    *pMode = modes_[Adapter][Mode];
    return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
    if (pMode == nullptr || Adapter >= modes_.size()) return D3DERR_INVALIDCALL;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(static_cast<int>(Adapter), &mode) != 0) {
        return D3DERR_NOTAVAILABLE;
    }
    pMode->Width = static_cast<UINT>(mode.w);
    pMode->Height = static_cast<UINT>(mode.h);
    pMode->RefreshRate = static_cast<UINT>(mode.refresh_rate);
    pMode->Format = SDL_BITSPERPIXEL(mode.format) == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat,
                                  D3DFORMAT BackBufferFormat, BOOL) {
    if (Adapter >= modes_.size()) return D3DERR_INVALIDCALL;
    if (CheckType != D3DDEVTYPE_HAL || !glCaps().ok) return D3DERR_NOTAVAILABLE;
    if (!isBackBufferFormat(DisplayFormat) || !isBackBufferFormat(BackBufferFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                    DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
    if (Adapter >= modes_.size()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL || !glCaps().ok) return D3DERR_NOTAVAILABLE;
    if (!isBackBufferFormat(AdapterFormat)) return D3DERR_NOTAVAILABLE;
    if (Usage & D3DUSAGE_DEPTHSTENCIL) {
        return RType == D3DRTYPE_SURFACE && isDepthFormat(CheckFormat) ? D3D_OK
                                                                       : D3DERR_NOTAVAILABLE;
    }
    if (RType != D3DRTYPE_TEXTURE && RType != D3DRTYPE_CUBETEXTURE && RType != D3DRTYPE_SURFACE) {
        return D3DERR_NOTAVAILABLE;
    }
    if (Usage & D3DUSAGE_RENDERTARGET) {
        return isBackBufferFormat(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    // No block-compressed formats: textures keep their own uncompressed format.
    return glFormatOf(CheckFormat).bytesPerPixel > 0 ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType,
                                             D3DFORMAT SurfaceFormat, BOOL,
                                             D3DMULTISAMPLE_TYPE MultiSampleType) {
    if (Adapter >= modes_.size()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL || !glCaps().ok) return D3DERR_NOTAVAILABLE;
    if (!isBackBufferFormat(SurfaceFormat) && !isDepthFormat(SurfaceFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    if (MultiSampleType == D3DMULTISAMPLE_NONE) return D3D_OK;
    if (MultiSampleType == kNoSuchMultiSampleType || MultiSampleType > D3DMULTISAMPLE_16_SAMPLES) {
        return D3DERR_INVALIDCALL;
    }
    return static_cast<int>(MultiSampleType) <= glCaps().maxSamples ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType,
                                         D3DFORMAT AdapterFormat, D3DFORMAT RenderTargetFormat,
                                         D3DFORMAT DepthStencilFormat) {
    if (Adapter >= modes_.size()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL || !glCaps().ok) return D3DERR_NOTAVAILABLE;
    // Framebuffer objects combine any colour format with any depth format.
    return isBackBufferFormat(AdapterFormat) && isBackBufferFormat(RenderTargetFormat) &&
                   isDepthFormat(DepthStencilFormat)
               ? D3D_OK
               : D3DERR_NOTAVAILABLE;
}

void Direct3D::fillCaps(UINT adapter, D3DCAPS8* caps) {
    const GlCaps& gl = glCaps();
    std::memset(caps, 0, sizeof(*caps));
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->AdapterOrdinal = adapter;
    caps->Caps2 =
        D3DCAPS2_FULLSCREENGAMMA | D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_CANMANAGERESOURCE;
    caps->Caps3 = D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD;
    caps->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    caps->DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                    D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX |
                    D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_DRAWPRIMITIVES2 |
                    D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWTRANSFORMANDLIGHT |
                    D3DDEVCAPS_HWRASTERIZATION;
    caps->PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                              D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE |
                              D3DPMISCCAPS_CLIPTLVERTS | D3DPMISCCAPS_TSSARGTEMP |
                              D3DPMISCCAPS_BLENDOP;
    caps->RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX |
                       D3DPRASTERCAPS_MIPMAPLODBIAS | D3DPRASTERCAPS_COLORPERSPECTIVE;
    caps->ZCmpCaps = caps->AlphaCmpCaps = 0xFF;  // every D3DCMP function
    caps->SrcBlendCaps = caps->DestBlendCaps = 0x1FFF;
    caps->ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                      D3DPSHADECAPS_ALPHAGOURAUDBLEND | D3DPSHADECAPS_FOGGOURAUD;
    caps->TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA |
                        D3DPTEXTURECAPS_PROJECTED | D3DPTEXTURECAPS_CUBEMAP |
                        D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_MIPCUBEMAP;
    const DWORD filters = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                          D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR |
                          D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    caps->TextureFilterCaps = caps->CubeTextureFilterCaps = filters;
    caps->TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR |
                               D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_BORDER |
                               D3DPTADDRESSCAPS_INDEPENDENTUV;
    caps->MaxTextureWidth = caps->MaxTextureHeight = static_cast<DWORD>(gl.maxTextureSize);
    caps->MaxTextureRepeat = 8192;
    caps->MaxTextureAspectRatio = static_cast<DWORD>(gl.maxTextureSize);
    caps->MaxAnisotropy = 1;
    caps->MaxVertexW = 1e10f;
    caps->GuardBandLeft = caps->GuardBandTop = -8192.0f;
    caps->GuardBandRight = caps->GuardBandBottom = 8192.0f;
    caps->FVFCaps = 8 | D3DFVFCAPS_DONOTSTRIPELEMENTS;
    caps->TextureOpCaps = 0x03FFFFFF & ~(D3DTEXOPCAPS_PREMODULATE | D3DTEXOPCAPS_BUMPENVMAP |
                                         D3DTEXOPCAPS_BUMPENVMAPLUMINANCE);
    caps->MaxTextureBlendStages = caps->MaxSimultaneousTextures = kMaxStages;
    caps->VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 |
                                 D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_POSITIONALLIGHTS |
                                 D3DVTXPCAPS_LOCALVIEWER;
    caps->MaxActiveLights = kMaxLights;
    caps->MaxPointSize = 1.0f;
    caps->MaxPrimitiveCount = 0xFFFFFF;
    caps->MaxVertexIndex = 0xFFFFFF;
    caps->MaxStreams = 1;
    caps->MaxStreamStride = 255;
    caps->VertexShaderVersion = D3DVS_VERSION(1, 1);
    caps->MaxVertexShaderConst = kMaxVsConstants;
    caps->PixelShaderVersion = 0;
}

HRESULT Direct3D::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) {
    if (pCaps == nullptr || Adapter >= modes_.size()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL || !glCaps().ok) return D3DERR_NOTAVAILABLE;
    fillCaps(Adapter, pCaps);
    return D3D_OK;
}

HMONITOR Direct3D::GetAdapterMonitor(UINT) {
    return nullptr;
}

HRESULT Direct3D::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                               DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                               IDirect3DDevice8** ppReturnedDeviceInterface) {
    if (ppReturnedDeviceInterface == nullptr || pPresentationParameters == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppReturnedDeviceInterface = nullptr;
    if (Adapter >= modes_.size()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    HWND window = pPresentationParameters->hDeviceWindow != nullptr
                      ? pPresentationParameters->hDeviceWindow
                      : hFocusWindow;
    if (window == nullptr || window->sdl == nullptr) return D3DERR_INVALIDCALL;
    if (!(BehaviorFlags &
          (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
           D3DCREATE_MIXED_VERTEXPROCESSING))) {
        return D3DERR_INVALIDCALL;
    }
    auto* device = new Device(this, Adapter, window, BehaviorFlags);
    const HRESULT hr = device->init(*pPresentationParameters);
    if (FAILED(hr)) {
        device->Release();
        return hr;
    }
    *ppReturnedDeviceInterface = device;
    return D3D_OK;
}

}  // namespace eh::d3d8

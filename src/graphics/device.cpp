#include "graphics/device.h"

#include "config/log_lines.h"

namespace eh::graphics {

void BuildGammaRamp(int g, D3DGAMMARAMP* ramp) {
    for (int i = 0; i < 256; ++i) {
        int entry;
        if (g <= 100) {
            int s = 256 - 2 * (100 - g);
            entry = s * i;
        } else {
            // 256 - 1.5 (g - 100) truncated toward zero, kept in integers.
            int s = (512 - 3 * (g - 100)) / 2;
            entry = 65355 - s * (255 - i);
        }
        // Only settings outside 0..255 could leave the WORD range; clamp rather than wrap.
        if (entry < 0) entry = 0;
        if (entry > 65535) entry = 65535;
        WORD w = static_cast<WORD>(entry);
        ramp->red[i] = ramp->green[i] = ramp->blue[i] = w;
    }
}

void BuildLinearGammaRamp(D3DGAMMARAMP* ramp) {
    for (int i = 0; i < 256; ++i) {
        WORD w = static_cast<WORD>(256 * i);
        ramp->red[i] = ramp->green[i] = ramp->blue[i] = w;
    }
}

D3DPRESENT_PARAMETERS BuildPresentParameters(const AdapterCatalog& catalog, bool useDesktop,
                                             const D3DDISPLAYMODE& desktop, UINT clientWidth,
                                             UINT clientHeight) {
    D3DPRESENT_PARAMETERS pp{};
    if (useDesktop) {
        pp.BackBufferWidth = clientWidth;
        pp.BackBufferHeight = clientHeight;
        pp.BackBufferFormat = desktop.Format == D3DFMT_R8G8B8 ? D3DFMT_R5G6B5 : desktop.Format;
    } else {
        const ModeEntry& mode = catalog.CurrentMode();
        pp.BackBufferWidth = mode.Width;
        pp.BackBufferHeight = mode.Height;
        pp.BackBufferFormat = mode.Format;
    }
    pp.Windowed = FALSE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferCount = 1;
    pp.FullScreen_RefreshRateInHz = 0;
    pp.FullScreen_PresentationInterval = 0;
    pp.MultiSampleType = catalog.Mirror().multisampleType;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = catalog.Mirror().depthFormat;
    return pp;
}

DWORD ChooseBehaviorFlags(const D3DCAPS8& caps) {
    bool hardware = (caps.DevCaps & 0x40u) != 0 && caps.VertexShaderVersion >= D3DVS_VERSION(1, 0);
    return hardware ? D3DCREATE_HARDWARE_VERTEXPROCESSING : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
}

int CreateSaverDevice(AdapterCatalog& catalog, const DeviceSettings& settings, HWND window,
                      UINT clientWidth, UINT clientHeight, const LogLineFn& log,
                      IDirect3DDevice8** device, D3DPRESENT_PARAMETERS* params) {
    auto write = [&log](const char* line) {
        if (log) log(line);
    };
    *device = nullptr;
    IDirect3D8* d3d = catalog.Direct3D();
    if (d3d == nullptr) return kNoDevice;

    D3DDISPLAYMODE desktop{};
    if (FAILED(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop)) &&
        settings.useDesktopSettings) {
        write(config::log_lines::kCantGetDesktopDisplayMode);
        return kNoDesktopMode;
    }

    D3DPRESENT_PARAMETERS pp = BuildPresentParameters(catalog, settings.useDesktopSettings, desktop,
                                                      clientWidth, clientHeight);
    if (settings.windowed) {
        pp.Windowed = TRUE;
        pp.BackBufferWidth = clientWidth;
        pp.BackBufferHeight = clientHeight;
        pp.BackBufferFormat = desktop.Format;
    }
    if (FAILED(d3d->CheckDepthStencilMatch(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, pp.BackBufferFormat,
                                           pp.BackBufferFormat, pp.AutoDepthStencilFormat)))
        pp.AutoDepthStencilFormat = D3DFMT_D16;
    if (FAILED(d3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL,
                                               pp.BackBufferFormat, pp.Windowed,
                                               pp.MultiSampleType)))
        pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    if (settings.readBack) {
        pp.Flags |= D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        if (pp.Windowed) {
            pp.SwapEffect = D3DSWAPEFFECT_COPY;
            pp.MultiSampleType = D3DMULTISAMPLE_NONE;
        }
    }

    DWORD flags = ChooseBehaviorFlags(catalog.Current().caps);
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, flags, &pp, device)) ||
        *device == nullptr) {
        write(config::log_lines::kCantCreateHalTrySafe);
        pp.MultiSampleType = D3DMULTISAMPLE_NONE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        pp.BackBufferFormat = D3DFMT_R5G6B5;
        pp.BackBufferWidth = 640;
        pp.BackBufferHeight = 480;
        *device = nullptr;
        if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                     D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, device)) ||
            *device == nullptr) {
            *device = nullptr;
            write(config::log_lines::kCantCreateAnyHal);
            return kNoDevice;
        }
    }
    *params = pp;
    return kDeviceCreated;
}

void ApplyGamma(IDirect3DDevice8* device, int gamma) {
    D3DGAMMARAMP ramp{};
    device->GetGammaRamp(&ramp);
    BuildGammaRamp(gamma, &ramp);
    device->SetGammaRamp(D3DSGR_CALIBRATE, &ramp);
}

void RestoreLinearGamma(IDirect3DDevice8* device) {
    D3DGAMMARAMP ramp{};
    device->GetGammaRamp(&ramp);
    BuildLinearGammaRamp(&ramp);
    device->SetGammaRamp(D3DSGR_CALIBRATE, &ramp);
}

}  // namespace eh::graphics

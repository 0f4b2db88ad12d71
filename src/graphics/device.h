// Device lifecycle: presentation parameters from the settings, creation with its safe-mode
// retry, the gamma ramp of the GmCntrl setting, and the reset of a lost device.
//
// One device exists per saver or test run, for the main window only. Everything uses
// adapter 0 and the hardware device type. The shell owns the device; these functions only
// build, create and restore it.
#pragma once

#include "graphics/log_line.h"
#include "graphics/adapter_catalog.h"

namespace eh::graphics {

// The settings device creation reads.
struct DeviceSettings {
    bool useDesktopSettings = true;
    int gamma = 100;  // GmCntrl, percent: 10..200 from the dialog, 100 neutral
    // A device for a window rather than the screen: the back buffer is the client area
    // in the desktop's format. The Windows program's test window and recordings use it:
    // there a full-screen device would change the display mode and cover the screen
    // (our Linux layer draws a full-screen device into its window, so Linux never asks).
    bool windowed = false;
    // A recording reads every frame back from the back buffer (GetBackBuffer, LockRect),
    // so the back buffer is made lockable; a windowed one then presents by copy, which
    // keeps the frame in the back buffer after Present, and is not multisampled (such a
    // buffer cannot be locked).
    bool readBack = false;
};

// CreateSaverDevice results.
inline constexpr int kDeviceCreated = 0;
inline constexpr int kNoDesktopMode = 1;
inline constexpr int kNoDevice = 2;

// The ramp for gamma `g` (the same 256 entries for red, green and blue), in integers:
// g <= 100: slope s = 256 - 2 (100 - g), entry i = s i;
// g > 100:  s = trunc(256 - 1.5 (g - 100)), entry i = 65355 - s (255 - i).
// Any g in 0..255 (what the setting can hold) gives entries within 0..65535.
void BuildGammaRamp(int g, D3DGAMMARAMP* ramp);
// Entry i = 256 i: what Shutdown puts back.
void BuildLinearGammaRamp(D3DGAMMARAMP* ramp);

// The presentation parameters before the compatibility checks: desktop settings take the
// client size and the desktop format (R8G8B8 becomes R5G6B5); otherwise the catalog's
// current mode. Always full screen, discard, one back buffer, auto depth.
D3DPRESENT_PARAMETERS BuildPresentParameters(const AdapterCatalog& catalog, bool useDesktop,
                                             const D3DDISPLAYMODE& desktop, UINT clientWidth,
                                             UINT clientHeight);

// Hardware vertex processing when the caps have bit 0x40 of DevCaps and vertex shaders 1.0.
DWORD ChooseBehaviorFlags(const D3DCAPS8& caps);

// Creates the device for `window` (client area clientWidth x clientHeight): desktop mode,
// parameters, depth and multisample fall-backs, behaviour flags, CreateDevice and its
// 640 x 480 R5G6B5 D16 software retry. On kDeviceCreated `*device` holds it and `*params`
// the parameters to use for Reset. Gamma is applied separately (ApplyGamma).
int CreateSaverDevice(AdapterCatalog& catalog, const DeviceSettings& settings, HWND window,
                      UINT clientWidth, UINT clientHeight, const LogLineFn& log,
                      IDirect3DDevice8** device, D3DPRESENT_PARAMETERS* params);

// Reads the device's ramp, then sets the ramp of `gamma` with D3DSGR_CALIBRATE.
void ApplyGamma(IDirect3DDevice8* device, int gamma);
// Reads the ramp, then sets the linear one.
void RestoreLinearGamma(IDirect3DDevice8* device);

}  // namespace eh::graphics

// Calls outside Direct3D 8 that the platform layer and tests use on our implementation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/d3d8/d3d8.h"

namespace eh::d3d8 {

// Marks the device lost, as if its window had been minimised: the next
// TestCooperativeLevel answers D3DERR_DEVICELOST, the following ones
// D3DERR_DEVICENOTRESET until Reset succeeds.
HRESULT SimulateDeviceLoss(IDirect3DDevice8* device);

struct DeviceStats {
    std::size_t programs = 0;  // GL programs generated so far (fixed function and shaders)
    std::uint64_t draws = 0;   // draw calls that reached GL
    // Bytes of texture levels held in memory beside their GL textures: only levels that
    // are locked now (managed textures keep no second copy).
    std::size_t stagedTextureBytes = 0;
};
HRESULT GetDeviceStats(IDirect3DDevice8* device, DeviceStats* stats);

}  // namespace eh::d3d8

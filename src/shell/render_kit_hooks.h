// The framework's calls into the program-wide texture manager and vertex-buffer pool.
#pragma once

#include "platform/d3d8/d3d8.h"

namespace eh::shell {

// Hands the Direct3D object, the device, the back-buffer format and the main window to the
// texture manager, and the device and window to the vertex-buffer pool.
void AttachRenderResources(IDirect3D8* d3d, IDirect3DDevice8* device, D3DFORMAT backBufferFormat,
                           HWND window);
// Releases the textures of the texture manager and the buffers of the pool (Shutdown,
// before the device).
void ReleaseRenderResources();

}  // namespace eh::shell

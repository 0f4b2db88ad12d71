// Vertex layouts shared by the scene's effect objects, and the step that turns a vertex
// shader text from the media archive into a device shader.
#pragma once

#include <cstdint>

#include "d3dx/d3dx8.h"
#include "model/math.h"
#include "platform/d3d8/d3d8.h"

namespace eh::scene {

// Layout of flexible vertex format 0x152 (position, normal, diffuse, one texture pair):
// cloth strips, particles, rays and the billboard corner template.
struct ClothVertex {
    model::Vector3 position;
    model::Vector3 normal;
    std::uint32_t color;
    float u, v;
};
static_assert(sizeof(ClothVertex) == 36);

// Assembles vs.1.x `text` (`size` bytes, not necessarily zero-ended) and creates a shader
// with `declaration` (usage 0). The handle, or 0 when there is no text or device, the text
// does not assemble or the device refuses it: a caller holding 0 skips its layer.
inline DWORD CreateShaderFromText(IDirect3DDevice8* device, const void* text, UINT size,
                                  const DWORD* declaration) {
    if (device == nullptr || text == nullptr || size == 0) return 0;
    LPD3DXBUFFER code = nullptr;
    if (FAILED(D3DXAssembleShader(text, size, 0, nullptr, &code, nullptr)) || code == nullptr) {
        return 0;
    }
    DWORD handle = 0;
    if (FAILED(device->CreateVertexShader(
            declaration, static_cast<const DWORD*>(code->GetBufferPointer()), &handle, 0))) {
        handle = 0;
    }
    code->Release();
    return handle;
}

// One four-float vertex shader constant.
inline void SetConstant(IDirect3DDevice8* device, DWORD reg, float x, float y, float z, float w) {
    const float v[4] = {x, y, z, w};
    device->SetVertexShaderConstant(reg, v, 1);
}

}  // namespace eh::scene

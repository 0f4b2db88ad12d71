// Texture preparation apart from creation: everything D3DXCreateTextureFromFileInMemoryEx
// does before it touches a device (decoding, the mip chain, the pixel format), so that it
// can run on another thread while the device is busy, and the creation later only copies
// the prepared levels in. The bytes written are exactly those the one-call path writes.
#pragma once

#include <cstdint>
#include <vector>

#include "d3dx/d3dx8.h"

namespace eh::d3dx {

// A 2D image decoded at its own size, with a full mip chain in its own format, each level
// packed row after row (pitch = width x bytes per pixel).
struct PreparedTexture {
    UINT width = 0, height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    D3DXIMAGE_INFO info{};
    std::vector<std::vector<std::uint8_t>> levels;

    std::size_t bytes() const;
};

// Decodes `data` and builds its levels. False when it cannot be decoded, and for cube maps.
// Touches no device and no global state: safe on any thread.
bool PrepareTexture(const void* data, UINT size, PreparedTexture& out);

// Creates the texture D3DXCreateTextureFromFileInMemoryEx would create from the prepared
// image's file with these arguments, copying the prepared levels in. Answers S_FALSE with
// no texture when those arguments (or the device's size rules) ask for another size,
// level count or format than the prepared one: the caller then takes the one-call path.
HRESULT CreateTextureFromPrepared(IDirect3DDevice8* device, const PreparedTexture& prepared,
                                  UINT width, UINT height, UINT mipLevels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture);

}  // namespace eh::d3dx

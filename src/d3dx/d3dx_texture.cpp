// Texture creation: decode, choose size, levels and format, create through the device, fill
// every level by locking it.
#include <algorithm>
#include <cstring>
#include <string>

#include "d3dx/d3dx8.h"
#include "d3dx/d3dx_image.h"
#include "d3dx/d3dx_prepared.h"

namespace {

using eh::d3dx::DecodedImage;
using eh::d3dx::Image;

bool isDefault(UINT v) {
    return v == 0 || v == D3DX_DEFAULT;
}

UINT nextPow2(UINT v) {
    UINT p = 1;
    while (p < v && p < 0x80000000u) p <<= 1;
    return p;
}

// The size restrictions the device reports; a device that cannot report caps gets none.
DWORD textureCaps(IDirect3DDevice8* device) {
    D3DCAPS8 caps{};
    return SUCCEEDED(device->GetDeviceCaps(&caps)) ? caps.TextureCaps : 0;
}

// The format the texture is created in: the request when we can write it, else the image's.
D3DFORMAT chooseFormat(D3DFORMAT requested, std::uint32_t imageFormat) {
    if (requested != D3DFMT_UNKNOWN && eh::d3dx::bytesPerPixel(requested) != 0) return requested;
    return static_cast<D3DFORMAT>(imageFormat);
}

UINT chooseLevels(UINT requested, UINT width, UINT height) {
    const UINT full = eh::d3dx::fullMipCount(width, height);
    return isDefault(requested) ? full : std::min(requested, full);
}

// Walks one face's chain at the texture's size, handing each level to `use(level, image)`
// until one fails: level 0 resampled when the size changed, each further level taken from
// the file when it has one of the right size, else box filtered from the level above. The
// file's own images are handed over in place; only one made level is kept at a time.
template <typename Use>
HRESULT forEachLevel(const DecodedImage& decoded, UINT face, UINT width, UINT height,
                     UINT levels, Use use) {
    Image made;
    const Image* current = &decoded.surface(face, 0);
    if (current->width != width || current->height != height) {
        made = eh::d3dx::resample(*current, width, height);
        current = &made;
    }
    HRESULT hr = use(0u, *current);
    for (UINT level = 1; level < levels && SUCCEEDED(hr); ++level) {
        const UINT w = std::max(1u, width >> level), h = std::max(1u, height >> level);
        if (level < decoded.levels && decoded.surface(face, level).width == w &&
            decoded.surface(face, level).height == h) {
            current = &decoded.surface(face, level);
        } else {
            made = eh::d3dx::boxDownsample(*current);
            current = &made;
        }
        hr = use(level, *current);
    }
    return hr;
}

// The size a texture is created at: the request, else the image's, then the device's
// power-of-two and square rules.
void textureSize(IDirect3DDevice8* device, UINT requestWidth, UINT requestHeight, UINT mipLevels,
                 UINT imageWidth, UINT imageHeight, UINT* width, UINT* height) {
    UINT w = isDefault(requestWidth) ? imageWidth : requestWidth;
    UINT h = isDefault(requestHeight) ? imageHeight : requestHeight;
    const DWORD caps = textureCaps(device);
    const bool oneLevel = mipLevels == 1;
    if ((caps & D3DPTEXTURECAPS_POW2) &&
        !(oneLevel && (caps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL))) {
        w = nextPow2(w);
        h = nextPow2(h);
    }
    if (caps & D3DPTEXTURECAPS_SQUAREONLY) w = h = std::max(w, h);
    *width = w;
    *height = h;
}

void fillInfo(D3DXIMAGE_INFO* info, const DecodedImage& d) {
    if (!info) return;
    info->Width = d.surfaces[0].width;
    info->Height = d.surfaces[0].height;
    info->Depth = 1;
    info->MipLevels = d.levels;
    info->Format = static_cast<D3DFORMAT>(d.format);
}

// Locks, converts and unlocks one level. `lock` and `unlock` wrap the 2D or cube call.
template <typename Lock, typename Unlock>
HRESULT writeLevel(const Image& img, D3DFORMAT format, Lock lock, Unlock unlock) {
    D3DLOCKED_RECT rect{};
    const HRESULT hr = lock(&rect);
    if (FAILED(hr)) return hr;
    eh::d3dx::convertPixels(img, format, rect.pBits, static_cast<std::size_t>(rect.Pitch));
    return unlock();
}

}  // namespace

HRESULT D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 pDevice, const void* pSrcData,
                                            UINT SrcDataSize, UINT Width, UINT Height,
                                            UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, DWORD, DWORD, D3DCOLOR,
                                            D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY*,
                                            LPDIRECT3DTEXTURE8* ppTexture) {
    if (ppTexture) *ppTexture = nullptr;
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ppTexture) return D3DERR_INVALIDCALL;

    DecodedImage decoded;
    std::string error;
    if (!eh::d3dx::decodeImage(static_cast<const std::uint8_t*>(pSrcData), SrcDataSize, decoded,
                               error))
        return D3DXERR_INVALIDDATA;
    fillInfo(pSrcInfo, decoded);

    UINT width = 0, height = 0;
    textureSize(pDevice, Width, Height, MipLevels, decoded.surfaces[0].width,
                decoded.surfaces[0].height, &width, &height);
    const UINT levels = chooseLevels(MipLevels, width, height);
    const D3DFORMAT format = chooseFormat(Format, decoded.format);

    IDirect3DTexture8* texture = nullptr;
    HRESULT hr = pDevice->CreateTexture(width, height, levels, Usage, format, Pool, &texture);
    if (FAILED(hr)) return hr;
    if (!texture) return D3DERR_INVALIDCALL;

    hr = forEachLevel(decoded, 0, width, height, levels, [&](UINT level, const Image& image) {
        return writeLevel(
            image, format,
            [&](D3DLOCKED_RECT* r) { return texture->LockRect(level, r, nullptr, 0); },
            [&] { return texture->UnlockRect(level); });
    });
    if (FAILED(hr)) {
        texture->Release();
        return hr;
    }
    *ppTexture = texture;
    return D3D_OK;
}

HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 pDevice, const void* pSrcData,
                                                UINT SrcDataSize, UINT Size, UINT MipLevels,
                                                DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD,
                                                DWORD, D3DCOLOR, D3DXIMAGE_INFO* pSrcInfo,
                                                PALETTEENTRY*,
                                                LPDIRECT3DCUBETEXTURE8* ppCubeTexture) {
    if (ppCubeTexture) *ppCubeTexture = nullptr;
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ppCubeTexture) return D3DERR_INVALIDCALL;

    DecodedImage decoded;
    std::string error;
    if (!eh::d3dx::decodeImage(static_cast<const std::uint8_t*>(pSrcData), SrcDataSize, decoded,
                               error) ||
        !decoded.cube)
        return D3DXERR_INVALIDDATA;
    fillInfo(pSrcInfo, decoded);

    UINT size = isDefault(Size) ? decoded.surfaces[0].width : Size;
    if (textureCaps(pDevice) & D3DPTEXTURECAPS_CUBEMAP_POW2) size = nextPow2(size);
    const UINT levels = chooseLevels(MipLevels, size, size);
    const D3DFORMAT format = chooseFormat(Format, decoded.format);

    IDirect3DCubeTexture8* cube = nullptr;
    HRESULT hr = pDevice->CreateCubeTexture(size, levels, Usage, format, Pool, &cube);
    if (FAILED(hr)) return hr;
    if (!cube) return D3DERR_INVALIDCALL;

    for (UINT face = 0; face < 6 && SUCCEEDED(hr); ++face) {
        const auto faceType = static_cast<D3DCUBEMAP_FACES>(face);
        hr = forEachLevel(decoded, face, size, size, levels, [&](UINT level, const Image& image) {
            return writeLevel(
                image, format,
                [&](D3DLOCKED_RECT* r) { return cube->LockRect(faceType, level, r, nullptr, 0); },
                [&] { return cube->UnlockRect(faceType, level); });
        });
    }
    if (FAILED(hr)) {
        cube->Release();
        return hr;
    }
    *ppCubeTexture = cube;
    return D3D_OK;
}

HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE8 pDevice, UINT Width, UINT Height, UINT MipLevels,
                          DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          LPDIRECT3DTEXTURE8* ppTexture) {
    if (ppTexture) *ppTexture = nullptr;
    if (!pDevice || !ppTexture) return D3DERR_INVALIDCALL;
    constexpr UINT kDefaultSide = 256;
    UINT width = 0, height = 0;
    textureSize(pDevice, Width, Height, MipLevels, kDefaultSide, kDefaultSide, &width, &height);
    const UINT levels = chooseLevels(MipLevels, width, height);
    const D3DFORMAT format = Format == D3DFMT_UNKNOWN ? D3DFMT_A8R8G8B8 : Format;
    IDirect3DTexture8* texture = nullptr;
    const HRESULT hr = pDevice->CreateTexture(width, height, levels, Usage, format, Pool, &texture);
    if (FAILED(hr)) return hr;
    *ppTexture = texture;
    return texture ? D3D_OK : D3DERR_INVALIDCALL;
}

namespace eh::d3dx {

std::size_t PreparedTexture::bytes() const {
    std::size_t total = 0;
    for (const auto& level : levels) total += level.size();
    return total;
}

bool PrepareTexture(const void* data, UINT size, PreparedTexture& out) {
    out = PreparedTexture{};
    if (data == nullptr || size == 0) return false;
    DecodedImage decoded;
    std::string error;
    if (!decodeImage(static_cast<const std::uint8_t*>(data), size, decoded, error) ||
        decoded.cube)
        return false;
    fillInfo(&out.info, decoded);
    out.width = decoded.surfaces[0].width;
    out.height = decoded.surfaces[0].height;
    out.format = chooseFormat(D3DFMT_UNKNOWN, decoded.format);
    const std::uint32_t bpp = bytesPerPixel(out.format);
    if (bpp == 0) return false;
    const UINT levels = fullMipCount(out.width, out.height);
    out.levels.reserve(levels);
    forEachLevel(decoded, 0, out.width, out.height, levels, [&](UINT, const Image& image) {
        out.levels.emplace_back(std::size_t{image.width} * image.height * bpp);
        convertPixels(image, out.format, out.levels.back().data(),
                      std::size_t{image.width} * bpp);
        return D3D_OK;
    });
    return true;
}

HRESULT CreateTextureFromPrepared(IDirect3DDevice8* device, const PreparedTexture& prepared,
                                  UINT width, UINT height, UINT mipLevels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture) {
    if (texture) *texture = nullptr;
    if (!device || !texture || prepared.levels.empty()) return D3DERR_INVALIDCALL;
    UINT w = 0, h = 0;
    textureSize(device, width, height, mipLevels, prepared.width, prepared.height, &w, &h);
    const UINT levels = chooseLevels(mipLevels, w, h);
    if (w != prepared.width || h != prepared.height || levels != prepared.levels.size() ||
        chooseFormat(format, prepared.format) != prepared.format)
        return S_FALSE;
    IDirect3DTexture8* created = nullptr;
    HRESULT hr = device->CreateTexture(w, h, levels, usage, prepared.format, pool, &created);
    if (FAILED(hr)) return hr;
    if (!created) return D3DERR_INVALIDCALL;
    const std::size_t bpp = bytesPerPixel(prepared.format);
    for (UINT level = 0; level < levels && SUCCEEDED(hr); ++level) {
        D3DLOCKED_RECT rect{};
        hr = created->LockRect(level, &rect, nullptr, 0);
        if (FAILED(hr)) break;
        const UINT lw = std::max(1u, w >> level), lh = std::max(1u, h >> level);
        const std::size_t rowBytes = lw * bpp;
        const std::uint8_t* src = prepared.levels[level].data();
        auto* dst = static_cast<std::uint8_t*>(rect.pBits);
        for (UINT y = 0; y < lh; ++y)
            std::memcpy(dst + static_cast<std::size_t>(y) * rect.Pitch, src + y * rowBytes, rowBytes);
        hr = created->UnlockRect(level);
    }
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *texture = created;
    return D3D_OK;
}

}  // namespace eh::d3dx

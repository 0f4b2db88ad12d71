#include "d3dx/fake_device.h"

#include <algorithm>

#include "d3dx/d3dx_image.h"

namespace eh::d3dx::test {

namespace {
// Rows carry this many bytes of padding, so a writer that ignores the pitch is caught.
constexpr INT kRowPadding = 12;

HRESULT lockLevel(std::vector<FakeLevel>& levels, UINT level, D3DLOCKED_RECT* rect) {
    if (level >= levels.size() || !rect || levels[level].locked) return D3DERR_INVALIDCALL;
    FakeLevel& l = levels[level];
    l.locked = true;
    ++l.lockCount;
    rect->Pitch = l.pitch;
    rect->pBits = l.bytes.data();
    return D3D_OK;
}

HRESULT unlockLevel(std::vector<FakeLevel>& levels, UINT level) {
    if (level >= levels.size() || !levels[level].locked) return D3DERR_INVALIDCALL;
    levels[level].locked = false;
    return D3D_OK;
}

std::uint32_t readLevel(const FakeLevel& l, D3DFORMAT format, UINT x, UINT y) {
    const std::uint32_t bpp = bytesPerPixel(format);
    return readPixel(format, &l.bytes[std::size_t(y) * l.pitch + std::size_t(x) * bpp]);
}
}  // namespace

std::vector<FakeLevel> makeFakeLevels(UINT width, UINT height, UINT levels, D3DFORMAT format) {
    std::vector<FakeLevel> out(levels);
    for (UINT i = 0; i < levels; ++i) {
        FakeLevel& l = out[i];
        l.width = std::max(1u, width >> i);
        l.height = std::max(1u, height >> i);
        l.pitch = static_cast<INT>(l.width * bytesPerPixel(format)) + kRowPadding;
        l.bytes.assign(std::size_t(l.pitch) * l.height, 0xCD);
    }
    return out;
}

FakeTexture::FakeTexture(UINT width, UINT height, UINT count, DWORD u, D3DFORMAT f, D3DPOOL p)
    : usage(u), format(f), pool(p), levels(makeFakeLevels(width, height, count, f)) {}

HRESULT FakeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level >= levels.size() || !desc) return D3DERR_INVALIDCALL;
    *desc = D3DSURFACE_DESC{};
    desc->Format = format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage;
    desc->Pool = pool;
    desc->Width = levels[level].width;
    desc->Height = levels[level].height;
    return D3D_OK;
}

HRESULT FakeTexture::LockRect(UINT level, D3DLOCKED_RECT* rect, CONST RECT*, DWORD) {
    if (FAILED(lockResult)) return lockResult;
    return lockLevel(levels, level, rect);
}
HRESULT FakeTexture::UnlockRect(UINT level) {
    return unlockLevel(levels, level);
}
std::uint32_t FakeTexture::pixel(UINT level, UINT x, UINT y) const {
    return readLevel(levels[level], format, x, y);
}

FakeCubeTexture::FakeCubeTexture(UINT edge, UINT count, DWORD, D3DFORMAT f, D3DPOOL) : format(f) {
    for (auto& face : faces) face = makeFakeLevels(edge, edge, count, f);
}
HRESULT FakeCubeTexture::LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* rect,
                                  CONST RECT*, DWORD) {
    if (face > D3DCUBEMAP_FACE_NEGATIVE_Z) return D3DERR_INVALIDCALL;
    return lockLevel(faces[face], level, rect);
}
HRESULT FakeCubeTexture::UnlockRect(D3DCUBEMAP_FACES face, UINT level) {
    if (face > D3DCUBEMAP_FACE_NEGATIVE_Z) return D3DERR_INVALIDCALL;
    return unlockLevel(faces[face], level);
}
std::uint32_t FakeCubeTexture::pixel(UINT face, UINT level, UINT x, UINT y) const {
    return readLevel(faces[face][level], format, x, y);
}

HRESULT FakeDevice::GetDeviceCaps(D3DCAPS8* caps) {
    *caps = D3DCAPS8{};
    caps->TextureCaps = textureCaps;
    caps->MaxTextureWidth = caps->MaxTextureHeight = maxTextureSize;
    return D3D_OK;
}

HRESULT FakeDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture) {
    if (FAILED(createResult)) return createResult;
    if (width == 0 || height == 0 || width > maxTextureSize || height > maxTextureSize ||
        bytesPerPixel(format) == 0)
        return D3DERR_INVALIDCALL;
    if (levels == 0) levels = fullMipCount(width, height);
    auto* t = new FakeTexture(width, height, levels, usage, format, pool);
    t->lockResult = nextLockResult;
    textures.push_back(t);
    *texture = t;
    return D3D_OK;
}

HRESULT FakeDevice::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                                      D3DPOOL pool, IDirect3DCubeTexture8** cube) {
    if (FAILED(createResult)) return createResult;
    if (edge == 0 || edge > maxTextureSize || bytesPerPixel(format) == 0) return D3DERR_INVALIDCALL;
    if (levels == 0) levels = fullMipCount(edge, edge);
    auto* c = new FakeCubeTexture(edge, levels, usage, format, pool);
    cubes.push_back(c);
    *cube = c;
    return D3D_OK;
}

FakeDevice::~FakeDevice() {
    for (FakeTexture* t : textures) delete t;
    for (FakeCubeTexture* c : cubes) delete c;
}

}  // namespace eh::d3dx::test

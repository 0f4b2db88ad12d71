#include "support/fake_device.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "d3dx/d3dx_image.h"

namespace eh::testing {
namespace {

// Rows carry this many bytes of padding, so a writer that ignores the pitch is caught.
constexpr INT kRowPadding = 12;

template <typename... Args>
std::string callLine(const char* name, Args... args) {
    std::ostringstream out;
    out << name << '(';
    const char* sep = "";
    ((out << sep << args, sep = ","), ...);
    out << ')';
    return out.str();
}

// Bytes of one 4 x 4 block of a DXT format, 0 for any other format.
UINT blockBytes(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_DXT1:
            return 8;
        case D3DFMT_DXT2:
        case D3DFMT_DXT3:
        case D3DFMT_DXT4:
        case D3DFMT_DXT5:
            return 16;
        default:
            return 0;
    }
}

template <typename Resource>
ULONG releaseOnce(Resource* r) {
    if (r->refs == 0) {
        ++r->overReleased;
        return 0;
    }
    return --r->refs;
}

template <typename Buffer>
HRESULT lockBuffer(Buffer* b, UINT offset, BYTE** data) {
    ++b->lockCount;
    if (b->locked || b->refs == 0 || offset > b->bytes.size() || data == nullptr)
        return D3DERR_INVALIDCALL;
    b->locked = true;
    *data = b->bytes.data() + offset;
    return D3D_OK;
}

template <typename Buffer>
HRESULT unlockBuffer(Buffer* b) {
    if (!b->locked) return D3DERR_INVALIDCALL;
    b->locked = false;
    return D3D_OK;
}

HRESULT lockLevel(std::vector<FakeLevel>& levels, UINT level, D3DLOCKED_RECT* rect) {
    if (level >= levels.size() || rect == nullptr || levels[level].locked)
        return D3DERR_INVALIDCALL;
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

void describeLevel(const FakeLevel& l, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                   D3DSURFACE_DESC* desc) {
    *desc = D3DSURFACE_DESC{};
    desc->Format = format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage;
    desc->Pool = pool;
    desc->Size = static_cast<UINT>(l.bytes.size());
    desc->Width = l.width;
    desc->Height = l.height;
}

std::uint32_t readLevel(const FakeLevel& l, D3DFORMAT format, UINT x, UINT y) {
    const std::uint32_t bpp = d3dx::bytesPerPixel(format);
    return d3dx::readPixel(format, &l.bytes[std::size_t(y) * l.pitch + std::size_t(x) * bpp]);
}

}  // namespace

bool fakeTextureFormatKnown(D3DFORMAT format) {
    return d3dx::bytesPerPixel(format) != 0 || blockBytes(format) != 0;
}

std::vector<FakeLevel> makeFakeLevels(UINT width, UINT height, UINT levels, D3DFORMAT format) {
    std::vector<FakeLevel> out(levels);
    const UINT block = blockBytes(format);
    for (UINT i = 0; i < levels; ++i) {
        FakeLevel& l = out[i];
        l.width = std::max(1u, width >> i);
        l.height = std::max(1u, height >> i);
        // Block formats store rows of 4 x 4 blocks.
        const UINT rowBytes =
            block ? (l.width + 3) / 4 * block : l.width * d3dx::bytesPerPixel(format);
        const UINT rows = block ? (l.height + 3) / 4 : l.height;
        l.pitch = static_cast<INT>(rowBytes) + kRowPadding;
        l.bytes.assign(std::size_t(l.pitch) * rows, 0xCD);
    }
    return out;
}

// Textures.

FakeTexture::FakeTexture(UINT width, UINT height, UINT count, DWORD u, D3DFORMAT f, D3DPOOL p)
    : usage(u), format(f), pool(p), levels(makeFakeLevels(width, height, count, f)) {}

ULONG FakeTexture::Release() {
    return releaseOnce(this);
}

HRESULT FakeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level >= levels.size() || desc == nullptr) return D3DERR_INVALIDCALL;
    describeLevel(levels[level], usage, format, pool, desc);
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

FakeCubeTexture::FakeCubeTexture(UINT edge, UINT count, DWORD u, D3DFORMAT f, D3DPOOL p)
    : usage(u), format(f), pool(p) {
    for (auto& face : faces) face = makeFakeLevels(edge, edge, count, f);
}

ULONG FakeCubeTexture::Release() {
    return releaseOnce(this);
}

HRESULT FakeCubeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level >= faces[0].size() || desc == nullptr) return D3DERR_INVALIDCALL;
    describeLevel(faces[0][level], usage, format, pool, desc);
    return D3D_OK;
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

// Buffers.

ULONG FakeVertexBuffer::Release() {
    return releaseOnce(this);
}
HRESULT FakeVertexBuffer::Lock(UINT offset, UINT, BYTE** data, DWORD) {
    return lockBuffer(this, offset, data);
}
HRESULT FakeVertexBuffer::Unlock() {
    return unlockBuffer(this);
}
HRESULT FakeVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (desc == nullptr) return D3DERR_INVALIDCALL;
    *desc = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA,
                                 D3DRTYPE_VERTEXBUFFER,
                                 usage,
                                 pool,
                                 static_cast<UINT>(bytes.size()),
                                 fvf};
    return D3D_OK;
}

ULONG FakeIndexBuffer::Release() {
    return releaseOnce(this);
}
HRESULT FakeIndexBuffer::Lock(UINT offset, UINT, BYTE** data, DWORD) {
    return lockBuffer(this, offset, data);
}
HRESULT FakeIndexBuffer::Unlock() {
    return unlockBuffer(this);
}
HRESULT FakeIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (desc == nullptr) return D3DERR_INVALIDCALL;
    *desc = D3DINDEXBUFFER_DESC{format, D3DRTYPE_INDEXBUFFER, usage, pool,
                                static_cast<UINT>(bytes.size())};
    return D3D_OK;
}

// The device.

FakeDevice::FakeDevice() {
    setMaxTextureSize(2048);
    caps.TextureCaps = D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_CUBEMAP;
}

std::vector<std::string> FakeDevice::Calls(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& line : log) {
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    }
    return out;
}

void FakeDevice::failTextureCreation(HRESULT hr) {
    if (SUCCEEDED(hr))
        textureResult = nullptr;
    else
        textureResult = [hr](UINT, UINT, D3DFORMAT) { return hr; };
}

FakeVertexBuffer* FakeDevice::AsFake(IDirect3DVertexBuffer8* b) const {
    for (const auto& own : vertexBuffers) {
        if (own.get() == b) return own.get();
    }
    return nullptr;
}

HRESULT FakeDevice::GetDeviceCaps(D3DCAPS8* pCaps) {
    if (pCaps == nullptr) return D3DERR_INVALIDCALL;
    *pCaps = caps;
    return D3D_OK;
}

HRESULT FakeDevice::GetDisplayMode(D3DDISPLAYMODE* pMode) {
    if (pMode == nullptr) return D3DERR_INVALIDCALL;
    *pMode = D3DDISPLAYMODE{viewport.Width, viewport.Height, 60, D3DFMT_X8R8G8B8};
    return D3D_OK;
}

HRESULT FakeDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) {
    if (pParameters == nullptr) return D3DERR_INVALIDCALL;
    *pParameters = D3DDEVICE_CREATION_PARAMETERS{};
    pParameters->DeviceType = D3DDEVTYPE_HAL;
    return D3D_OK;
}

HRESULT FakeDevice::Reset(D3DPRESENT_PARAMETERS*) {
    ++resets;
    log.push_back("Reset()");
    if (SUCCEEDED(resetResult)) cooperativeLevel = D3D_OK;
    return resetResult;
}

HRESULT FakeDevice::Present(CONST RECT*, CONST RECT*, HWND, CONST RGNDATA*) {
    log.push_back("Present()");
    return D3D_OK;
}

void FakeDevice::SetGammaRamp(DWORD, CONST D3DGAMMARAMP* pRamp) {
    gammaSets.push_back(*pRamp);
    gamma_ = *pRamp;
}

void FakeDevice::GetGammaRamp(D3DGAMMARAMP* pRamp) {
    *pRamp = gamma_;
}

HRESULT FakeDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                  D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture8** ppTexture) {
    log.push_back(callLine("CreateTexture", Width, Height, Levels, Format, Pool));
    if (ppTexture == nullptr) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    const HRESULT hr = textureResult ? textureResult(Width, Height, Format) : D3D_OK;
    if (FAILED(hr)) return hr;
    if (Width == 0 || Height == 0 || Width > caps.MaxTextureWidth ||
        Height > caps.MaxTextureHeight || !fakeTextureFormatKnown(Format))
        return D3DERR_INVALIDCALL;
    const UINT levels = Levels == 0 ? d3dx::fullMipCount(Width, Height) : Levels;
    textures.push_back(std::make_unique<FakeTexture>(Width, Height, levels, Usage, Format, Pool));
    textures.back()->lockResult = nextLockResult;
    *ppTexture = textures.back().get();
    return D3D_OK;
}

HRESULT FakeDevice::CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                      D3DPOOL Pool, IDirect3DCubeTexture8** ppCubeTexture) {
    log.push_back(callLine("CreateCubeTexture", EdgeLength, Levels, Format, Pool));
    if (ppCubeTexture == nullptr) return D3DERR_INVALIDCALL;
    *ppCubeTexture = nullptr;
    const HRESULT hr = textureResult ? textureResult(EdgeLength, EdgeLength, Format) : D3D_OK;
    if (FAILED(hr)) return hr;
    if (EdgeLength == 0 || EdgeLength > caps.MaxTextureWidth || !fakeTextureFormatKnown(Format))
        return D3DERR_INVALIDCALL;
    const UINT levels = Levels == 0 ? d3dx::fullMipCount(EdgeLength, EdgeLength) : Levels;
    cubes.push_back(std::make_unique<FakeCubeTexture>(EdgeLength, levels, Usage, Format, Pool));
    *ppCubeTexture = cubes.back().get();
    return D3D_OK;
}

HRESULT FakeDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                       IDirect3DVertexBuffer8** ppVertexBuffer) {
    log.push_back(callLine("CreateVertexBuffer", Length, Usage, FVF, Pool));
    if (failVertexBuffers || Length == 0 || ppVertexBuffer == nullptr) return D3DERR_INVALIDCALL;
    vertexBuffers.push_back(std::make_unique<FakeVertexBuffer>(Length, Usage, FVF, Pool));
    *ppVertexBuffer = vertexBuffers.back().get();
    return D3D_OK;
}

HRESULT FakeDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DIndexBuffer8** ppIndexBuffer) {
    log.push_back(callLine("CreateIndexBuffer", Length, Usage, Format, Pool));
    if (failIndexBuffers || Length == 0 || ppIndexBuffer == nullptr) return D3DERR_INVALIDCALL;
    indexBuffers.push_back(std::make_unique<FakeIndexBuffer>(Length, Usage, Format, Pool));
    *ppIndexBuffer = indexBuffers.back().get();
    return D3D_OK;
}

HRESULT FakeDevice::BeginScene() {
    log.push_back("BeginScene()");
    return D3D_OK;
}

HRESULT FakeDevice::EndScene() {
    log.push_back("EndScene()");
    return D3D_OK;
}

HRESULT FakeDevice::Clear(DWORD Count, CONST D3DRECT*, DWORD Flags, D3DCOLOR Color, float, DWORD) {
    log.push_back(callLine("Clear", Count, Flags, Color));
    return D3D_OK;
}

HRESULT FakeDevice::SetTransform(D3DTRANSFORMSTATETYPE State, CONST D3DMATRIX* pMatrix) {
    log.push_back(callLine("SetTransform", State));
    transforms[State] = *pMatrix;
    return D3D_OK;
}

HRESULT FakeDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
    log.push_back(callLine("GetTransform", State));
    auto it = transforms.find(State);
    if (it != transforms.end()) {
        *pMatrix = it->second;
    } else {
        std::memset(pMatrix, 0, sizeof *pMatrix);
        pMatrix->_11 = pMatrix->_22 = pMatrix->_33 = pMatrix->_44 = 1.0f;
    }
    return D3D_OK;
}

HRESULT FakeDevice::SetViewport(CONST D3DVIEWPORT8* pViewport) {
    if (pViewport == nullptr) return D3DERR_INVALIDCALL;
    log.push_back(
        callLine("SetViewport", pViewport->X, pViewport->Y, pViewport->Width, pViewport->Height));
    viewport = *pViewport;
    return D3D_OK;
}

HRESULT FakeDevice::GetViewport(D3DVIEWPORT8* pViewport) {
    *pViewport = viewport;
    return D3D_OK;
}

HRESULT FakeDevice::SetMaterial(CONST D3DMATERIAL8* pMaterial) {
    log.push_back("SetMaterial()");
    if (pMaterial != nullptr) material = *pMaterial;
    return D3D_OK;
}

HRESULT FakeDevice::GetMaterial(D3DMATERIAL8* pMaterial) {
    *pMaterial = material;
    return D3D_OK;
}

HRESULT FakeDevice::SetLight(DWORD Index, CONST D3DLIGHT8* pLight) {
    log.push_back(callLine("SetLight", Index));
    if (pLight == nullptr) return D3DERR_INVALIDCALL;
    lights[Index] = *pLight;
    return D3D_OK;
}

HRESULT FakeDevice::GetLight(DWORD Index, D3DLIGHT8* pLight) {
    auto it = lights.find(Index);
    if (it == lights.end()) return D3DERR_INVALIDCALL;
    *pLight = it->second;
    return D3D_OK;
}

HRESULT FakeDevice::LightEnable(DWORD Index, BOOL Enable) {
    log.push_back(callLine("LightEnable", Index, Enable));
    lightsEnabled[Index] = Enable;
    return D3D_OK;
}

HRESULT FakeDevice::GetLightEnable(DWORD Index, BOOL* pEnable) {
    auto it = lightsEnabled.find(Index);
    if (it == lightsEnabled.end()) return D3DERR_INVALIDCALL;
    *pEnable = it->second;
    return D3D_OK;
}

HRESULT FakeDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    log.push_back(callLine("SetRenderState", State, Value));
    renderStates[State] = Value;
    return D3D_OK;
}

HRESULT FakeDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    auto it = renderStates.find(State);
    *pValue = it == renderStates.end() ? 0 : it->second;
    return D3D_OK;
}

HRESULT FakeDevice::GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) {
    if (Stage >= 8 || ppTexture == nullptr) return D3DERR_INVALIDCALL;
    *ppTexture = boundTextures[Stage];
    if (*ppTexture != nullptr) (*ppTexture)->AddRef();
    return D3D_OK;
}

HRESULT FakeDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
    log.push_back(callLine("SetTexture", Stage, pTexture ? "tex" : "null"));
    if (Stage >= 8) return D3DERR_INVALIDCALL;
    boundTextures[Stage] = pTexture;
    return D3D_OK;
}

HRESULT FakeDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                         DWORD* pValue) {
    auto it = stageStates.find({Stage, Type});
    *pValue = it == stageStates.end() ? 0 : it->second;
    return D3D_OK;
}

HRESULT FakeDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
    log.push_back(callLine("SetTextureStageState", Stage, Type, Value));
    stageStates[{Stage, Type}] = Value;
    return D3D_OK;
}

HRESULT FakeDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                  UINT PrimitiveCount) {
    log.push_back(callLine("DrawPrimitive", PrimitiveType, StartVertex, PrimitiveCount));
    return D3D_OK;
}

HRESULT FakeDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex,
                                         UINT NumVertices, UINT startIndex, UINT primCount) {
    log.push_back(callLine("DrawIndexedPrimitive", PrimitiveType, minIndex, NumVertices, startIndex,
                           primCount));
    return D3D_OK;
}

HRESULT FakeDevice::SetVertexShader(DWORD Handle) {
    log.push_back(callLine("SetVertexShader", Handle));
    vertexShader = Handle;
    return D3D_OK;
}

HRESULT FakeDevice::GetVertexShader(DWORD* pHandle) {
    *pHandle = vertexShader;
    return D3D_OK;
}

HRESULT FakeDevice::SetVertexShaderConstant(DWORD Register, CONST void* pConstantData,
                                            DWORD ConstantCount) {
    if (pConstantData == nullptr) return D3DERR_INVALIDCALL;
    const auto* values = static_cast<const float*>(pConstantData);
    for (DWORD i = 0; i < ConstantCount; ++i)
        std::memcpy(shaderConstants[Register + i].data(), values + 4 * i, 4 * sizeof(float));
    return D3D_OK;
}

HRESULT FakeDevice::GetVertexShaderConstant(DWORD Register, void* pConstantData,
                                            DWORD ConstantCount) {
    if (pConstantData == nullptr) return D3DERR_INVALIDCALL;
    auto* values = static_cast<float*>(pConstantData);
    for (DWORD i = 0; i < ConstantCount; ++i) {
        const auto it = shaderConstants.find(Register + i);
        const std::array<float, 4> value =
            it == shaderConstants.end() ? std::array<float, 4>{} : it->second;
        std::memcpy(values + 4 * i, value.data(), 4 * sizeof(float));
    }
    return D3D_OK;
}

HRESULT FakeDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                                    UINT Stride) {
    log.push_back(callLine("SetStreamSource", StreamNumber, pStreamData ? "vb" : "null", Stride));
    if (StreamNumber == 0) {
        stream0 = pStreamData;
        stream0Stride = Stride;
    }
    return D3D_OK;
}

HRESULT FakeDevice::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData,
                                    UINT* pStride) {
    if (ppStreamData == nullptr || pStride == nullptr) return D3DERR_INVALIDCALL;
    *ppStreamData = StreamNumber == 0 ? stream0 : nullptr;
    *pStride = StreamNumber == 0 ? stream0Stride : 0;
    if (*ppStreamData != nullptr) (*ppStreamData)->AddRef();
    return D3D_OK;
}

HRESULT FakeDevice::SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) {
    log.push_back(callLine("SetIndices", pIndexData ? "ib" : "null", BaseVertexIndex));
    indices = pIndexData;
    baseVertexIndex = BaseVertexIndex;
    return D3D_OK;
}

HRESULT FakeDevice::GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) {
    if (ppIndexData == nullptr || pBaseVertexIndex == nullptr) return D3DERR_INVALIDCALL;
    *ppIndexData = indices;
    *pBaseVertexIndex = baseVertexIndex;
    if (indices != nullptr) indices->AddRef();
    return D3D_OK;
}

}  // namespace eh::testing

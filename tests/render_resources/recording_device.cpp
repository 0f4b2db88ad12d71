#include "render_resources/recording_device.h"

#include <cstring>
#include <sstream>

namespace eh::test {
namespace {

template <typename... Args>
std::string Line(const char* name, Args... args) {
    std::ostringstream out;
    out << name << '(';
    const char* sep = "";
    ((out << sep << args, sep = ","), ...);
    out << ')';
    return out.str();
}

template <typename Buffer>
ULONG ReleaseBuffer(Buffer* b) {
    if (b->refs == 0) {
        ++b->overReleased;
        return 0;
    }
    return --b->refs;
}

template <typename Buffer>
HRESULT LockBuffer(Buffer* b, UINT offset, UINT size, BYTE** data) {
    ++b->lockCount;
    if (b->locked || b->refs == 0 || offset > b->bytes.size()) return D3DERR_INVALIDCALL;
    b->locked = true;
    *data = b->bytes.data() + offset;
    return D3D_OK;
}

template <typename Buffer>
HRESULT UnlockBuffer(Buffer* b) {
    if (!b->locked) return D3DERR_INVALIDCALL;
    b->locked = false;
    return D3D_OK;
}

UINT BytesPerPixel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
            return 2;
        default:
            return 4;
    }
}

}  // namespace

ULONG FakeVertexBuffer::Release() {
    return ReleaseBuffer(this);
}
HRESULT FakeVertexBuffer::Lock(UINT offset, UINT size, BYTE** data, DWORD) {
    return LockBuffer(this, offset, size, data);
}
HRESULT FakeVertexBuffer::Unlock() {
    return UnlockBuffer(this);
}
ULONG FakeIndexBuffer::Release() {
    return ReleaseBuffer(this);
}
HRESULT FakeIndexBuffer::Lock(UINT offset, UINT size, BYTE** data, DWORD) {
    return LockBuffer(this, offset, size, data);
}
HRESULT FakeIndexBuffer::Unlock() {
    return UnlockBuffer(this);
}

FakeTexture::FakeTexture(UINT width, UINT height, UINT levelCount, D3DFORMAT fmt, D3DPOOL p)
    : format(fmt), pool(p) {
    UINT w = width, h = height;
    for (UINT i = 0; i < levelCount; ++i) {
        const INT pitch = static_cast<INT>(w * BytesPerPixel(fmt));
        levels.push_back(
            Level{w, h, pitch, std::vector<std::uint8_t>(static_cast<std::size_t>(pitch) * h)});
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
}

HRESULT FakeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    std::memset(desc, 0, sizeof *desc);
    desc->Format = format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Pool = pool;
    desc->Width = levels[level].width;
    desc->Height = levels[level].height;
    desc->Size = static_cast<UINT>(levels[level].bytes.size());
    return D3D_OK;
}

HRESULT FakeTexture::LockRect(UINT level, D3DLOCKED_RECT* rect, CONST RECT*, DWORD) {
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    rect->Pitch = levels[level].pitch;
    rect->pBits = levels[level].bytes.data();
    return D3D_OK;
}

HRESULT FakeDirect3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                        DWORD usage, D3DRESOURCETYPE resource, D3DFORMAT format) {
    std::ostringstream out;
    out << adapter << ',' << type << ',' << adapterFormat << ',' << usage << ',' << resource << ','
        << format;
    checks.push_back(out.str());
    return offered.count(format) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

RecordingDevice::RecordingDevice() {
    caps.MaxTextureWidth = 2048;
    caps.MaxTextureHeight = 2048;
}

std::vector<std::string> RecordingDevice::Calls(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& line : log) {
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    }
    return out;
}

FakeVertexBuffer* RecordingDevice::AsFake(IDirect3DVertexBuffer8* b) const {
    for (const auto& own : vertexBuffers) {
        if (own.get() == b) return own.get();
    }
    return nullptr;
}

HRESULT RecordingDevice::GetDeviceCaps(D3DCAPS8* pCaps) {
    *pCaps = caps;
    return D3D_OK;
}

HRESULT RecordingDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD,
                                       D3DFORMAT Format, D3DPOOL Pool,
                                       IDirect3DTexture8** ppTexture) {
    log.push_back(Line("CreateTexture", Width, Height, Levels, Format, Pool));
    const HRESULT hr = textureResult ? textureResult(Width, Height, Format) : D3D_OK;
    if (FAILED(hr)) return hr;
    UINT levels = Levels;
    if (levels == 0) {
        levels = 1;
        for (UINT s = Width > Height ? Width : Height; s > 1; s /= 2) ++levels;
    }
    textures.push_back(std::make_unique<FakeTexture>(Width, Height, levels, Format, Pool));
    *ppTexture = textures.back().get();
    return D3D_OK;
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                            IDirect3DVertexBuffer8** ppVertexBuffer) {
    log.push_back(Line("CreateVertexBuffer", Length, Usage, FVF, Pool));
    if (failVertexBuffers || Length == 0) return D3DERR_INVALIDCALL;
    vertexBuffers.push_back(std::make_unique<FakeVertexBuffer>(Length, Usage, FVF, Pool));
    *ppVertexBuffer = vertexBuffers.back().get();
    return D3D_OK;
}

HRESULT RecordingDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                           IDirect3DIndexBuffer8** ppIndexBuffer) {
    log.push_back(Line("CreateIndexBuffer", Length, Usage, Format, Pool));
    if (failIndexBuffers || Length == 0) return D3DERR_INVALIDCALL;
    indexBuffers.push_back(std::make_unique<FakeIndexBuffer>(Length, Usage, Format, Pool));
    *ppIndexBuffer = indexBuffers.back().get();
    return D3D_OK;
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE State, CONST D3DMATRIX* pMatrix) {
    log.push_back(Line("SetTransform", State));
    transforms[State] = *pMatrix;
    return D3D_OK;
}

HRESULT RecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
    log.push_back(Line("GetTransform", State));
    auto it = transforms.find(State);
    if (it != transforms.end()) {
        *pMatrix = it->second;
    } else {
        std::memset(pMatrix, 0, sizeof *pMatrix);
        pMatrix->_11 = pMatrix->_22 = pMatrix->_33 = pMatrix->_44 = 1.0f;
    }
    return D3D_OK;
}

HRESULT RecordingDevice::GetViewport(D3DVIEWPORT8* pViewport) {
    *pViewport = viewport;
    return D3D_OK;
}

HRESULT RecordingDevice::SetMaterial(CONST D3DMATERIAL8*) {
    log.push_back("SetMaterial()");
    return D3D_OK;
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    log.push_back(Line("SetRenderState", State, Value));
    renderStates[State] = Value;
    return D3D_OK;
}

HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    *pValue = renderStates.count(State) ? renderStates[State] : 0;
    return D3D_OK;
}

HRESULT RecordingDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
    log.push_back(Line("SetTexture", Stage, pTexture ? "tex" : "null"));
    if (Stage >= 8) return D3DERR_INVALIDCALL;
    boundTextures[Stage] = pTexture;
    return D3D_OK;
}

HRESULT RecordingDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                              DWORD* pValue) {
    auto it = stageStates.find({Stage, Type});
    *pValue = it == stageStates.end() ? 0 : it->second;
    return D3D_OK;
}

HRESULT RecordingDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                              DWORD Value) {
    log.push_back(Line("SetTextureStageState", Stage, Type, Value));
    stageStates[{Stage, Type}] = Value;
    return D3D_OK;
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                       UINT PrimitiveCount) {
    log.push_back(Line("DrawPrimitive", PrimitiveType, StartVertex, PrimitiveCount));
    return D3D_OK;
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex,
                                              UINT NumVertices, UINT startIndex, UINT primCount) {
    log.push_back(
        Line("DrawIndexedPrimitive", PrimitiveType, minIndex, NumVertices, startIndex, primCount));
    return D3D_OK;
}

HRESULT RecordingDevice::SetVertexShader(DWORD Handle) {
    log.push_back(Line("SetVertexShader", Handle));
    vertexShader = Handle;
    return D3D_OK;
}

HRESULT RecordingDevice::GetVertexShader(DWORD* pHandle) {
    *pHandle = vertexShader;
    return D3D_OK;
}

HRESULT RecordingDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                                         UINT Stride) {
    log.push_back(Line("SetStreamSource", StreamNumber, pStreamData ? "vb" : "null", Stride));
    if (StreamNumber == 0) {
        stream0 = pStreamData;
        stream0Stride = Stride;
    }
    return D3D_OK;
}

HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) {
    log.push_back(Line("SetIndices", pIndexData ? "ib" : "null", BaseVertexIndex));
    indices = pIndexData;
    return D3D_OK;
}

}  // namespace eh::test

// A Direct3D 8 device for unit tests of the render resources, the models and the terrain:
// buffers and textures live in plain memory, the draw and state calls are written to a
// log as short text lines ("SetRenderState(27,1)", "DrawPrimitive(4,0,12)"), and the
// device's answers (caps, viewport, failures) are scripted. Nothing is drawn.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/d3d8/d3d8.h"

namespace eh::test {

class RecordingDevice;

// Buffers and textures are owned by the device that made them (whatever their reference
// counts), so that a use after the last Release shows as refs == 0, not as a crash.
class FakeVertexBuffer final : public IDirect3DVertexBuffer8 {
  public:
    FakeVertexBuffer(UINT length, DWORD usage_, DWORD fvf_, D3DPOOL pool_)
        : bytes(length), usage(usage_), fvf(fvf_), pool(pool_) {}
    virtual ~FakeVertexBuffer() = default;
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC*) override { return E_NOTIMPL; }

    std::vector<std::uint8_t> bytes;
    DWORD usage;
    DWORD fvf;
    D3DPOOL pool;
    ULONG refs = 1;
    int overReleased = 0;
    int lockCount = 0;
    bool locked = false;
};

class FakeIndexBuffer final : public IDirect3DIndexBuffer8 {
  public:
    FakeIndexBuffer(UINT length, DWORD usage_, D3DFORMAT format_, D3DPOOL pool_)
        : bytes(length), usage(usage_), format(format_), pool(pool_) {}
    virtual ~FakeIndexBuffer() = default;
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC*) override { return E_NOTIMPL; }

    std::vector<std::uint8_t> bytes;
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
    ULONG refs = 1;
    int overReleased = 0;
    int lockCount = 0;
    bool locked = false;
};

// A texture whose levels are byte arrays (4 bytes per pixel for 32-bit formats, 2 for
// 16-bit ones), enough for D3DX to fill.
class FakeTexture final : public IDirect3DTexture8 {
  public:
    FakeTexture(UINT width, UINT height, UINT levels, D3DFORMAT format, D3DPOOL pool);
    virtual ~FakeTexture() = default;
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override {
        if (refs == 0)
            ++overReleased;
        else
            --refs;
        return refs;
    }
    HRESULT GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(levels.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT, IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* rect, CONST RECT*, DWORD) override;
    HRESULT UnlockRect(UINT) override { return D3D_OK; }
    HRESULT AddDirtyRect(CONST RECT*) override { return D3D_OK; }

    struct Level {
        UINT width, height;
        INT pitch;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Level> levels;
    D3DFORMAT format;
    D3DPOOL pool;
    ULONG refs = 1;
    int overReleased = 0;
};

// The Direct3D object's format checks, answered from a set of offered formats.
class FakeDirect3D final : public IDirect3D8 {
  public:
    virtual ~FakeDirect3D() = default;
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT RegisterSoftwareDevice(void*) override { return E_NOTIMPL; }
    UINT GetAdapterCount() override { return 1; }
    HRESULT GetAdapterIdentifier(UINT, DWORD, D3DADAPTER_IDENTIFIER8*) override {
        return E_NOTIMPL;
    }
    UINT GetAdapterModeCount(UINT) override { return 0; }
    HRESULT EnumAdapterModes(UINT, UINT, D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    HRESULT GetAdapterDisplayMode(UINT, D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    HRESULT CheckDeviceType(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL) override {
        return E_NOTIMPL;
    }
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resource, D3DFORMAT format) override;
    HRESULT CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, BOOL,
                                       D3DMULTISAMPLE_TYPE) override {
        return E_NOTIMPL;
    }
    HRESULT CheckDepthStencilMatch(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT) override {
        return E_NOTIMPL;
    }
    HRESULT GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS8*) override { return E_NOTIMPL; }
    HMONITOR GetAdapterMonitor(UINT) override { return nullptr; }
    HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                         IDirect3DDevice8**) override {
        return E_NOTIMPL;
    }

    std::set<D3DFORMAT> offered;
    std::vector<std::string> checks;  // "adapter,type,adapterFormat,usage,resource,format"
};

class RecordingDevice final : public IDirect3DDevice8 {
  public:
    RecordingDevice();
    virtual ~RecordingDevice() = default;

    // Every call of the kinds listed in the class comment, in order.
    std::vector<std::string> log;
    // Scripted answers.
    D3DCAPS8 caps{};
    D3DVIEWPORT8 viewport{0, 0, 640, 480, 0.0f, 1.0f};
    bool failVertexBuffers = false;
    bool failIndexBuffers = false;
    // Decides CreateTexture's result; D3D_OK by default.
    std::function<HRESULT(UINT width, UINT height, D3DFORMAT format)> textureResult;

    // Resources made by this device (owned here, whatever their reference counts).
    std::vector<std::unique_ptr<FakeVertexBuffer>> vertexBuffers;
    std::vector<std::unique_ptr<FakeIndexBuffer>> indexBuffers;
    std::vector<std::unique_ptr<FakeTexture>> textures;
    // Current state as set through the device.
    std::map<DWORD, DWORD> renderStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> stageStates;
    std::map<DWORD, D3DMATRIX> transforms;
    IDirect3DBaseTexture8* boundTextures[8] = {};
    IDirect3DVertexBuffer8* stream0 = nullptr;
    UINT stream0Stride = 0;
    IDirect3DIndexBuffer8* indices = nullptr;
    DWORD vertexShader = 0;

    // Lines of the log that start with `prefix`.
    std::vector<std::string> Calls(const std::string& prefix) const;
    FakeVertexBuffer* AsFake(IDirect3DVertexBuffer8* b) const;

    // IUnknown
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    // IDirect3DDevice8
    HRESULT TestCooperativeLevel() override { return D3D_OK; }
    UINT GetAvailableTextureMem() override { return 64u << 20; }
    HRESULT GetDirect3D(IDirect3D8**) override { return E_NOTIMPL; }
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS*) override { return E_NOTIMPL; }
    HRESULT Reset(D3DPRESENT_PARAMETERS*) override { return E_NOTIMPL; }
    HRESULT Present(CONST RECT*, CONST RECT*, HWND, CONST RGNDATA*) override { return D3D_OK; }
    HRESULT GetBackBuffer(UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    void SetGammaRamp(DWORD, CONST D3DGAMMARAMP*) override {}
    void GetGammaRamp(D3DGAMMARAMP*) override {}
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                          D3DPOOL Pool, IDirect3DTexture8** ppTexture) override;
    HRESULT CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                              IDirect3DCubeTexture8**) override {
        return E_NOTIMPL;
    }
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer8** ppIndexBuffer) override;
    HRESULT CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE,
                                      IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    HRESULT CreateImageSurface(UINT, UINT, D3DFORMAT, IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    HRESULT GetFrontBuffer(IDirect3DSurface8*) override { return E_NOTIMPL; }
    HRESULT SetRenderTarget(IDirect3DSurface8*, IDirect3DSurface8*) override { return E_NOTIMPL; }
    HRESULT GetRenderTarget(IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT GetDepthStencilSurface(IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT BeginScene() override { return D3D_OK; }
    HRESULT EndScene() override { return D3D_OK; }
    HRESULT Clear(DWORD, CONST D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return D3D_OK; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, CONST D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(CONST D3DVIEWPORT8*) override { return E_NOTIMPL; }
    HRESULT GetViewport(D3DVIEWPORT8* pViewport) override;
    HRESULT SetMaterial(CONST D3DMATERIAL8*) override;
    HRESULT GetMaterial(D3DMATERIAL8*) override { return E_NOTIMPL; }
    HRESULT SetLight(DWORD, CONST D3DLIGHT8*) override { return D3D_OK; }
    HRESULT GetLight(DWORD, D3DLIGHT8*) override { return E_NOTIMPL; }
    HRESULT LightEnable(DWORD, BOOL) override { return D3D_OK; }
    HRESULT GetLightEnable(DWORD, BOOL*) override { return E_NOTIMPL; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT GetTexture(DWORD, IDirect3DBaseTexture8**) override { return E_NOTIMPL; }
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                 DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                          UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices,
                                 UINT startIndex, UINT primCount) override;
    HRESULT CreateVertexShader(CONST DWORD*, CONST DWORD*, DWORD*, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT SetVertexShader(DWORD Handle) override;
    HRESULT GetVertexShader(DWORD* pHandle) override;
    HRESULT DeleteVertexShader(DWORD) override { return E_NOTIMPL; }
    HRESULT SetVertexShaderConstant(DWORD, CONST void*, DWORD) override { return E_NOTIMPL; }
    HRESULT GetVertexShaderConstant(DWORD, void*, DWORD) override { return E_NOTIMPL; }
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                            UINT Stride) override;
    HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer8**, UINT*) override { return E_NOTIMPL; }
    HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8**, UINT*) override { return E_NOTIMPL; }
};

}  // namespace eh::test

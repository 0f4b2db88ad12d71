// The in-memory Direct3D 8 device every unit test uses where the real offscreen device is
// not the point. Nothing is drawn; instead:
//  - textures, cube textures, vertex and index buffers keep their contents in byte arrays
//    (texture rows carry padding, so a writer that ignores the pitch shows), and the device
//    owns them whatever their reference counts, so a use after the last Release shows as
//    refs == 0 (and an extra Release as overReleased), not as a crash;
//  - state, draw, resource and frame calls go to `log` as short text lines
//    ("SetRenderState(27,1)", "DrawPrimitive(4,0,12)", "BeginScene()"), and the state they
//    set can be read back, through the device or from the public members;
//  - the answers are scripted: caps, viewport, cooperative level, Reset's result, and
//    failures of texture and buffer creation and of texture locks.
// Interface methods no test needs (surfaces, shader objects) answer E_NOTIMPL.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d8/d3d8.h"

namespace eh::testing {

// The pixel storage of one texture level or cube face level.
struct FakeLevel {
    UINT width = 0, height = 0;
    INT pitch = 0;
    std::vector<std::uint8_t> bytes;
    bool locked = false;
    int lockCount = 0;
};

// Whether the fake can store textures of `format`: the uncompressed formats the texture
// functions write, and the DXT block formats.
bool fakeTextureFormatKnown(D3DFORMAT format);

// Levels of one 2D texture or one cube face in `format`, filled with 0xCD so that bytes
// nobody wrote stand out.
std::vector<FakeLevel> makeFakeLevels(UINT width, UINT height, UINT levels, D3DFORMAT format);

class FakeTexture final : public IDirect3DTexture8 {
  public:
    FakeTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    virtual ~FakeTexture() = default;

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
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
    HRESULT UnlockRect(UINT level) override;
    HRESULT AddDirtyRect(CONST RECT*) override { return D3D_OK; }

    // The pixel at (x, y) of a level as a D3DCOLOR (uncompressed formats).
    std::uint32_t pixel(UINT level, UINT x, UINT y) const;

    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
    std::vector<FakeLevel> levels;
    ULONG refs = 1;
    int overReleased = 0;
    HRESULT lockResult = D3D_OK;  // scripted LockRect failure
};

class FakeCubeTexture final : public IDirect3DCubeTexture8 {
  public:
    FakeCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    virtual ~FakeCubeTexture() = default;

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(faces[0].size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES, UINT, IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* rect, CONST RECT*,
                     DWORD) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) override;
    HRESULT AddDirtyRect(D3DCUBEMAP_FACES, CONST RECT*) override { return D3D_OK; }

    std::uint32_t pixel(UINT face, UINT level, UINT x, UINT y) const;

    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
    std::vector<FakeLevel> faces[6];
    ULONG refs = 1;
    int overReleased = 0;
};

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
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

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
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

    std::vector<std::uint8_t> bytes;
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
    ULONG refs = 1;
    int overReleased = 0;
    int lockCount = 0;
    bool locked = false;
};

class FakeDevice final : public IDirect3DDevice8 {
  public:
    FakeDevice();
    virtual ~FakeDevice() = default;

    // Every call of the kinds listed at the top of this file, in order.
    std::vector<std::string> log;
    // Lines of the log that start with `prefix`.
    std::vector<std::string> Calls(const std::string& prefix) const;

    // Scripted answers. Caps start as a plain device's: 2048 x 2048 textures, mipmaps and
    // cube maps.
    D3DCAPS8 caps{};
    void setMaxTextureSize(UINT side) { caps.MaxTextureWidth = caps.MaxTextureHeight = side; }
    D3DVIEWPORT8 viewport{0, 0, 640, 480, 0.0f, 1.0f};  // SetViewport replaces it
    HRESULT cooperativeLevel = D3D_OK;                  // a successful Reset makes it D3D_OK
    HRESULT resetResult = D3D_OK;
    bool failVertexBuffers = false;
    bool failIndexBuffers = false;
    // Decides CreateTexture's and CreateCubeTexture's result (a cube asks with its edge
    // twice); D3D_OK when unset. The device's own checks (size against the caps, a format
    // it can store) come after it.
    std::function<HRESULT(UINT width, UINT height, D3DFORMAT format)> textureResult;
    // Every texture and cube texture creation fails with `hr`; D3D_OK lifts that.
    void failTextureCreation(HRESULT hr);
    HRESULT nextLockResult = D3D_OK;  // the LockRect answer of each texture created from now on

    // What the device was asked to do beyond the log.
    int resets = 0;
    std::vector<D3DGAMMARAMP> gammaSets;
    ULONG refs = 1;  // AddRef and Release count; the test owns the device

    // Resources made by this device (owned here, whatever their reference counts).
    std::vector<std::unique_ptr<FakeTexture>> textures;
    std::vector<std::unique_ptr<FakeCubeTexture>> cubes;
    std::vector<std::unique_ptr<FakeVertexBuffer>> vertexBuffers;
    std::vector<std::unique_ptr<FakeIndexBuffer>> indexBuffers;
    FakeVertexBuffer* AsFake(IDirect3DVertexBuffer8* b) const;

    // Current state as set through the device.
    std::map<DWORD, DWORD> renderStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> stageStates;
    std::map<DWORD, D3DMATRIX> transforms;
    D3DMATERIAL8 material{};
    std::map<DWORD, D3DLIGHT8> lights;
    std::map<DWORD, BOOL> lightsEnabled;
    IDirect3DBaseTexture8* boundTextures[8] = {};
    IDirect3DVertexBuffer8* stream0 = nullptr;
    UINT stream0Stride = 0;
    IDirect3DIndexBuffer8* indices = nullptr;
    UINT baseVertexIndex = 0;
    DWORD vertexShader = 0;
    std::map<DWORD, std::array<float, 4>> shaderConstants;  // by register

    // IUnknown
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return refs > 0 ? --refs : 0; }
    // IDirect3DDevice8
    HRESULT TestCooperativeLevel() override { return cooperativeLevel; }
    UINT GetAvailableTextureMem() override { return 64u << 20; }
    HRESULT GetDirect3D(IDirect3D8**) override { return E_NOTIMPL; }
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT Present(CONST RECT*, CONST RECT*, HWND, CONST RGNDATA*) override;
    HRESULT GetBackBuffer(UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    void SetGammaRamp(DWORD Flags, CONST D3DGAMMARAMP* pRamp) override;
    void GetGammaRamp(D3DGAMMARAMP* pRamp) override;
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                          D3DPOOL Pool, IDirect3DTexture8** ppTexture) override;
    HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                              D3DPOOL Pool, IDirect3DCubeTexture8** ppCubeTexture) override;
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
    HRESULT SetRenderTarget(IDirect3DSurface8*, IDirect3DSurface8*) override { return D3D_OK; }
    HRESULT GetRenderTarget(IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT GetDepthStencilSurface(IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD Count, CONST D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                  DWORD Stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, CONST D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(CONST D3DVIEWPORT8* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* pViewport) override;
    HRESULT SetMaterial(CONST D3DMATERIAL8* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override;
    HRESULT SetLight(DWORD Index, CONST D3DLIGHT8* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override;
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
    HRESULT SetVertexShaderConstant(DWORD Register, CONST void* pConstantData,
                                    DWORD ConstantCount) override;
    HRESULT GetVertexShaderConstant(DWORD Register, void* pConstantData,
                                    DWORD ConstantCount) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                            UINT Stride) override;
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData,
                            UINT* pStride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) override;

  private:
    D3DGAMMARAMP gamma_{};
};

}  // namespace eh::testing

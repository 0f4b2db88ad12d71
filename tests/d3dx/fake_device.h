// An in-memory stand-in for the Direct3D 8 device, enough for the texture functions:
// textures and cube textures whose levels live in byte arrays (rows padded, so a wrong
// pitch shows), scripted caps, and scripted failures. Every other device method answers
// E_NOTIMPL.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d8/d3d8.h"

namespace eh::d3dx::test {

// Every IDirect3DDevice8 method, answering "not implemented".
class StubDevice : public IDirect3DDevice8 {
  public:
    virtual ~StubDevice() = default;
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT TestCooperativeLevel() override { return E_NOTIMPL; }
    UINT GetAvailableTextureMem() override { return 0; }
    HRESULT GetDirect3D(IDirect3D8** ppD3D8) override { return E_NOTIMPL; }
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override { return E_NOTIMPL; }
    HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override { return E_NOTIMPL; }
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override {
        return E_NOTIMPL;
    }
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override { return E_NOTIMPL; }
    HRESULT Present(CONST RECT* pSourceRect, CONST RECT* pDestRect, HWND hDestWindowOverride,
                    CONST RGNDATA* pDirtyRegion) override {
        return E_NOTIMPL;
    }
    HRESULT GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface8** ppBackBuffer) override {
        return E_NOTIMPL;
    }
    void SetGammaRamp(DWORD Flags, CONST D3DGAMMARAMP* pRamp) override {}
    void GetGammaRamp(D3DGAMMARAMP* pRamp) override {}
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                          D3DPOOL Pool, IDirect3DTexture8** ppTexture) override {
        return E_NOTIMPL;
    }
    HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                              D3DPOOL Pool, IDirect3DCubeTexture8** ppCubeTexture) override {
        return E_NOTIMPL;
    }
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override {
        return E_NOTIMPL;
    }
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer8** ppIndexBuffer) override {
        return E_NOTIMPL;
    }
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                      D3DMULTISAMPLE_TYPE MultiSample,
                                      IDirect3DSurface8** ppSurface) override {
        return E_NOTIMPL;
    }
    HRESULT CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format,
                               IDirect3DSurface8** ppSurface) override {
        return E_NOTIMPL;
    }
    HRESULT GetFrontBuffer(IDirect3DSurface8* pDestSurface) override { return E_NOTIMPL; }
    HRESULT SetRenderTarget(IDirect3DSurface8* pRenderTarget,
                            IDirect3DSurface8* pNewZStencil) override {
        return E_NOTIMPL;
    }
    HRESULT GetRenderTarget(IDirect3DSurface8** ppRenderTarget) override { return E_NOTIMPL; }
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) override {
        return E_NOTIMPL;
    }
    HRESULT BeginScene() override { return E_NOTIMPL; }
    HRESULT EndScene() override { return E_NOTIMPL; }
    HRESULT Clear(DWORD Count, CONST D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                  DWORD Stencil) override {
        return E_NOTIMPL;
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, CONST D3DMATRIX* pMatrix) override {
        return E_NOTIMPL;
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override {
        return E_NOTIMPL;
    }
    HRESULT SetViewport(CONST D3DVIEWPORT8* pViewport) override { return E_NOTIMPL; }
    HRESULT GetViewport(D3DVIEWPORT8* pViewport) override { return E_NOTIMPL; }
    HRESULT SetMaterial(CONST D3DMATERIAL8* pMaterial) override { return E_NOTIMPL; }
    HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override { return E_NOTIMPL; }
    HRESULT SetLight(DWORD Index, CONST D3DLIGHT8* pLight) override { return E_NOTIMPL; }
    HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override { return E_NOTIMPL; }
    HRESULT LightEnable(DWORD Index, BOOL Enable) override { return E_NOTIMPL; }
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override { return E_NOTIMPL; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override { return E_NOTIMPL; }
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override { return E_NOTIMPL; }
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override {
        return E_NOTIMPL;
    }
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override { return E_NOTIMPL; }
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                 DWORD* pValue) override {
        return E_NOTIMPL;
    }
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override {
        return E_NOTIMPL;
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                          UINT PrimitiveCount) override {
        return E_NOTIMPL;
    }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex, UINT NumVertices,
                                 UINT startIndex, UINT primCount) override {
        return E_NOTIMPL;
    }
    HRESULT CreateVertexShader(CONST DWORD* pDeclaration, CONST DWORD* pFunction, DWORD* pHandle,
                               DWORD Usage) override {
        return E_NOTIMPL;
    }
    HRESULT SetVertexShader(DWORD Handle) override { return E_NOTIMPL; }
    HRESULT GetVertexShader(DWORD* pHandle) override { return E_NOTIMPL; }
    HRESULT DeleteVertexShader(DWORD Handle) override { return E_NOTIMPL; }
    HRESULT SetVertexShaderConstant(DWORD Register, CONST void* pConstantData,
                                    DWORD ConstantCount) override {
        return E_NOTIMPL;
    }
    HRESULT GetVertexShaderConstant(DWORD Register, void* pConstantData,
                                    DWORD ConstantCount) override {
        return E_NOTIMPL;
    }
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                            UINT Stride) override {
        return E_NOTIMPL;
    }
    HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData,
                            UINT* pStride) override {
        return E_NOTIMPL;
    }
    HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override {
        return E_NOTIMPL;
    }
    HRESULT GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) override {
        return E_NOTIMPL;
    }
};

// The pixel storage of one texture level.
struct FakeLevel {
    UINT width = 0, height = 0;
    INT pitch = 0;
    std::vector<std::uint8_t> bytes;
    bool locked = false;
    int lockCount = 0;
};

// Levels of one 2D texture or one cube face, created in the texture's format.
std::vector<FakeLevel> makeFakeLevels(UINT width, UINT height, UINT levels, D3DFORMAT format);

class FakeTexture final : public IDirect3DTexture8 {
  public:
    FakeTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    virtual ~FakeTexture() = default;

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }  // owned by the FakeDevice
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

    // The pixel at (x, y) of a level as a D3DCOLOR.
    std::uint32_t pixel(UINT level, UINT x, UINT y) const;

    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
    std::vector<FakeLevel> levels;
    ULONG refs = 1;
    HRESULT lockResult = D3D_OK;  // scripted LockRect failure
};

class FakeCubeTexture final : public IDirect3DCubeTexture8 {
  public:
    FakeCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    virtual ~FakeCubeTexture() = default;

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(faces[0].size()); }
    HRESULT GetLevelDesc(UINT, D3DSURFACE_DESC*) override { return E_NOTIMPL; }
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES, UINT, IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* rect, CONST RECT*,
                     DWORD) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) override;
    HRESULT AddDirtyRect(D3DCUBEMAP_FACES, CONST RECT*) override { return D3D_OK; }

    std::uint32_t pixel(UINT face, UINT level, UINT x, UINT y) const;

    D3DFORMAT format;
    std::vector<FakeLevel> faces[6];
    ULONG refs = 1;
};

// Device that creates fake textures and keeps them (so tests can inspect released ones).
class FakeDevice final : public StubDevice {
  public:
    HRESULT GetDeviceCaps(D3DCAPS8* caps) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture8** texture) override;
    HRESULT CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DCubeTexture8** cube) override;

    DWORD textureCaps = D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_CUBEMAP;
    UINT maxTextureSize = 4096;
    HRESULT createResult = D3D_OK;    // scripted CreateTexture/CreateCubeTexture failure
    HRESULT nextLockResult = D3D_OK;  // given to the next texture created
    std::vector<FakeTexture*> textures;
    std::vector<FakeCubeTexture*> cubes;

    ~FakeDevice() override;
};

}  // namespace eh::d3dx::test

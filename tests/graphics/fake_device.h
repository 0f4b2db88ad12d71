// A recording IDirect3DDevice8: every call succeeds and does nothing, except the few the
// device-lifecycle and frame-loop tests look at (cooperative level, reset, gamma, the
// frame calls).
#pragma once

#include <string>
#include <vector>

#include "platform/d3d8/d3d8.h"

namespace eh::graphics::testing {

class FakeDevice final : public IDirect3DDevice8 {
  public:
    HRESULT cooperativeLevel = S_OK;
    HRESULT resetResult = S_OK;
    int resets = 0;
    int presents = 0;
    int clears = 0;
    int refs = 1;
    std::vector<D3DGAMMARAMP> gammaSets;
    std::vector<std::string> calls;  // "Reset", "Present", "BeginScene" ...

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override {
        calls.push_back("Release");
        return static_cast<ULONG>(--refs);
    }
    HRESULT TestCooperativeLevel() override { return cooperativeLevel; }
    UINT GetAvailableTextureMem() override { return 64u << 20; }
    HRESULT GetDirect3D(IDirect3D8**) override { return E_NOTIMPL; }
    HRESULT GetDeviceCaps(D3DCAPS8* caps) override {
        *caps = D3DCAPS8{};
        caps->MaxTextureWidth = caps->MaxTextureHeight = 2048;
        return S_OK;
    }
    HRESULT GetDisplayMode(D3DDISPLAYMODE*) override { return S_OK; }
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS*) override { return S_OK; }
    HRESULT Reset(D3DPRESENT_PARAMETERS*) override {
        ++resets;
        calls.push_back("Reset");
        if (SUCCEEDED(resetResult)) cooperativeLevel = S_OK;
        return resetResult;
    }
    HRESULT Present(CONST RECT*, CONST RECT*, HWND, CONST RGNDATA*) override {
        ++presents;
        calls.push_back("Present");
        return S_OK;
    }
    HRESULT GetBackBuffer(UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    void SetGammaRamp(DWORD, CONST D3DGAMMARAMP* ramp) override { gammaSets.push_back(*ramp); }
    void GetGammaRamp(D3DGAMMARAMP* ramp) override { *ramp = D3DGAMMARAMP{}; }
    HRESULT CreateTexture(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                          IDirect3DTexture8**) override {
        return E_NOTIMPL;
    }
    HRESULT CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                              IDirect3DCubeTexture8**) override {
        return E_NOTIMPL;
    }
    HRESULT CreateVertexBuffer(UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer8**) override {
        return E_NOTIMPL;
    }
    HRESULT CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer8**) override {
        return E_NOTIMPL;
    }
    HRESULT CreateDepthStencilSurface(UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE,
                                      IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    HRESULT CreateImageSurface(UINT, UINT, D3DFORMAT, IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    HRESULT GetFrontBuffer(IDirect3DSurface8*) override { return E_NOTIMPL; }
    HRESULT SetRenderTarget(IDirect3DSurface8*, IDirect3DSurface8*) override { return S_OK; }
    HRESULT GetRenderTarget(IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT GetDepthStencilSurface(IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT BeginScene() override {
        calls.push_back("BeginScene");
        return S_OK;
    }
    HRESULT EndScene() override {
        calls.push_back("EndScene");
        return S_OK;
    }
    HRESULT Clear(DWORD, CONST D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override {
        ++clears;
        return S_OK;
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, CONST D3DMATRIX*) override { return S_OK; }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return S_OK; }
    HRESULT SetViewport(CONST D3DVIEWPORT8*) override { return S_OK; }
    HRESULT GetViewport(D3DVIEWPORT8* vp) override {
        *vp = D3DVIEWPORT8{0, 0, 1024, 768, 0.0f, 1.0f};
        return S_OK;
    }
    HRESULT SetMaterial(CONST D3DMATERIAL8*) override { return S_OK; }
    HRESULT GetMaterial(D3DMATERIAL8*) override { return S_OK; }
    HRESULT SetLight(DWORD, CONST D3DLIGHT8*) override { return S_OK; }
    HRESULT GetLight(DWORD, D3DLIGHT8*) override { return S_OK; }
    HRESULT LightEnable(DWORD, BOOL) override { return S_OK; }
    HRESULT GetLightEnable(DWORD, BOOL*) override { return S_OK; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return S_OK; }
    HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD* v) override {
        *v = 0;
        return S_OK;
    }
    HRESULT GetTexture(DWORD, IDirect3DBaseTexture8**) override { return E_NOTIMPL; }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture8*) override { return S_OK; }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD* v) override {
        *v = 0;
        return S_OK;
    }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return S_OK; }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return S_OK; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT) override { return S_OK; }
    HRESULT CreateVertexShader(CONST DWORD*, CONST DWORD*, DWORD*, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT SetVertexShader(DWORD) override { return S_OK; }
    HRESULT GetVertexShader(DWORD*) override { return S_OK; }
    HRESULT DeleteVertexShader(DWORD) override { return S_OK; }
    HRESULT SetVertexShaderConstant(DWORD, CONST void*, DWORD) override { return S_OK; }
    HRESULT GetVertexShaderConstant(DWORD, void*, DWORD) override { return S_OK; }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer8*, UINT) override { return S_OK; }
    HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer8**, UINT*) override { return S_OK; }
    HRESULT SetIndices(IDirect3DIndexBuffer8*, UINT) override { return S_OK; }
    HRESULT GetIndices(IDirect3DIndexBuffer8**, UINT*) override { return S_OK; }
};

}  // namespace eh::graphics::testing

// A scripted IDirect3D8 for the tests of the adapter catalog, device creation and the
// texture manager: adapters with their mode lists and the formats, depth formats and
// multisample types they accept, formats offered for textures on every adapter, a log of
// the format checks, and CreateDevice handing out a given device (after scripted failures).
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/d3d8/d3d8.h"

namespace eh::testing {

struct FakeAdapter {
    std::vector<D3DDISPLAYMODE> modes;
    std::set<D3DFORMAT> deviceFormats{D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    std::set<D3DFORMAT> depthFormats{D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32};
    // (format, type) pairs; type 0 is always accepted unless `noNone` is set.
    std::set<std::pair<D3DFORMAT, int>> multisample;
    bool noNone = false;
    DWORD devCaps = 0;
    DWORD vertexShaderVersion = 0;
};

class FakeDirect3D final : public IDirect3D8 {
  public:
    virtual ~FakeDirect3D() = default;

    std::vector<FakeAdapter> adapters;
    // Formats CheckDeviceFormat accepts on any adapter, besides each adapter's depth formats.
    std::set<D3DFORMAT> offered;
    std::vector<std::string>
        checks;  // CheckDeviceFormat's "adapter,type,adapterFormat,usage,resource,format"
    D3DDISPLAYMODE desktop{1024, 768, 60, D3DFMT_X8R8G8B8};
    bool desktopFails = false;
    int createFailures = 0;  // CreateDevice fails this many times first
    std::vector<D3DPRESENT_PARAMETERS> createCalls;
    std::vector<DWORD> createFlags;
    IDirect3DDevice8* deviceToReturn = nullptr;
    int refs = 1;
    bool deleteOnRelease = false;  // heap objects handed out by a factory

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override;
    HRESULT RegisterSoftwareDevice(void*) override { return E_NOTIMPL; }
    UINT GetAdapterCount() override { return static_cast<UINT>(adapters.size()); }
    HRESULT GetAdapterIdentifier(UINT a, DWORD, D3DADAPTER_IDENTIFIER8* id) override;
    UINT GetAdapterModeCount(UINT a) override;
    HRESULT EnumAdapterModes(UINT a, UINT m, D3DDISPLAYMODE* mode) override;
    HRESULT GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* mode) override;
    HRESULT CheckDeviceType(UINT a, D3DDEVTYPE, D3DFORMAT f, D3DFORMAT, BOOL) override;
    HRESULT CheckDeviceFormat(UINT a, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resource, D3DFORMAT check) override;
    HRESULT CheckDeviceMultiSampleType(UINT a, D3DDEVTYPE, D3DFORMAT f, BOOL,
                                       D3DMULTISAMPLE_TYPE type) override;
    HRESULT CheckDepthStencilMatch(UINT a, D3DDEVTYPE, D3DFORMAT, D3DFORMAT,
                                   D3DFORMAT depth) override;
    HRESULT GetDeviceCaps(UINT a, D3DDEVTYPE, D3DCAPS8* caps) override;
    HMONITOR GetAdapterMonitor(UINT) override { return nullptr; }
    HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD flags, D3DPRESENT_PARAMETERS* pp,
                         IDirect3DDevice8** device) override;

  private:
    // The adapter of an ordinal, nullptr past the last.
    const FakeAdapter* adapter(UINT a) const {
        return a < adapters.size() ? &adapters[a] : nullptr;
    }
};

inline D3DDISPLAYMODE Mode(UINT w, UINT h, D3DFORMAT f, UINT refresh = 60) {
    return D3DDISPLAYMODE{w, h, refresh, f};
}

}  // namespace eh::testing

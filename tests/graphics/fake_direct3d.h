// A scripted IDirect3D8 for the adapter catalog and device creation tests: adapters with
// their mode lists and the formats, depth formats and multisample types they accept.
#pragma once

#include <set>
#include <vector>

#include "platform/d3d8/d3d8.h"

namespace eh::graphics::testing {

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
    std::vector<FakeAdapter> adapters;
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
    ULONG Release() override {
        int left = --refs;
        if (left == 0 && deleteOnRelease) delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT RegisterSoftwareDevice(void*) override { return E_NOTIMPL; }
    UINT GetAdapterCount() override { return static_cast<UINT>(adapters.size()); }
    HRESULT GetAdapterIdentifier(UINT, DWORD, D3DADAPTER_IDENTIFIER8* id) override {
        *id = D3DADAPTER_IDENTIFIER8{};
        return S_OK;
    }
    UINT GetAdapterModeCount(UINT a) override {
        return static_cast<UINT>(adapters.at(a).modes.size());
    }
    HRESULT EnumAdapterModes(UINT a, UINT m, D3DDISPLAYMODE* mode) override {
        *mode = adapters.at(a).modes.at(m);
        return S_OK;
    }
    HRESULT GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* mode) override {
        if (desktopFails) return D3DERR_NOTAVAILABLE;
        *mode = desktop;
        return S_OK;
    }
    HRESULT CheckDeviceType(UINT a, D3DDEVTYPE, D3DFORMAT f, D3DFORMAT, BOOL) override {
        return adapters.at(a).deviceFormats.count(f) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT CheckDeviceFormat(UINT a, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE,
                              D3DFORMAT check) override {
        return adapters.at(a).depthFormats.count(check) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT CheckDeviceMultiSampleType(UINT a, D3DDEVTYPE, D3DFORMAT f, BOOL,
                                       D3DMULTISAMPLE_TYPE type) override {
        const FakeAdapter& ad = adapters.at(a);
        if (type == 0 && !ad.noNone) return S_OK;
        return ad.multisample.count({f, static_cast<int>(type)}) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT CheckDepthStencilMatch(UINT a, D3DDEVTYPE, D3DFORMAT, D3DFORMAT,
                                   D3DFORMAT depth) override {
        return adapters.at(a).depthFormats.count(depth) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT GetDeviceCaps(UINT a, D3DDEVTYPE, D3DCAPS8* caps) override {
        *caps = D3DCAPS8{};
        caps->DevCaps = adapters.at(a).devCaps;
        caps->VertexShaderVersion = adapters.at(a).vertexShaderVersion;
        return S_OK;
    }
    HMONITOR GetAdapterMonitor(UINT) override { return nullptr; }
    HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD flags, D3DPRESENT_PARAMETERS* pp,
                         IDirect3DDevice8** device) override {
        createCalls.push_back(*pp);
        createFlags.push_back(flags);
        if (createFailures > 0) {
            --createFailures;
            *device = nullptr;
            return D3DERR_NOTAVAILABLE;
        }
        *device = deviceToReturn;
        return deviceToReturn != nullptr ? S_OK : D3DERR_NOTAVAILABLE;
    }
};

inline D3DDISPLAYMODE Mode(UINT w, UINT h, D3DFORMAT f, UINT refresh = 60) {
    return D3DDISPLAYMODE{w, h, refresh, f};
}

}  // namespace eh::graphics::testing

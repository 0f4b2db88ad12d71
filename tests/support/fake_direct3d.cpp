#include "support/fake_direct3d.h"

#include <sstream>

namespace eh::testing {

ULONG FakeDirect3D::Release() {
    const int left = --refs;
    if (left == 0 && deleteOnRelease) delete this;
    return static_cast<ULONG>(left);
}

HRESULT FakeDirect3D::GetAdapterIdentifier(UINT a, DWORD, D3DADAPTER_IDENTIFIER8* id) {
    if (adapter(a) == nullptr || id == nullptr) return D3DERR_INVALIDCALL;
    *id = D3DADAPTER_IDENTIFIER8{};
    return D3D_OK;
}

UINT FakeDirect3D::GetAdapterModeCount(UINT a) {
    const FakeAdapter* ad = adapter(a);
    return ad != nullptr ? static_cast<UINT>(ad->modes.size()) : 0;
}

HRESULT FakeDirect3D::EnumAdapterModes(UINT a, UINT m, D3DDISPLAYMODE* mode) {
    const FakeAdapter* ad = adapter(a);
    if (ad == nullptr || m >= ad->modes.size() || mode == nullptr) return D3DERR_INVALIDCALL;
    *mode = ad->modes[m];
    return D3D_OK;
}

HRESULT FakeDirect3D::GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* mode) {
    if (desktopFails) return D3DERR_NOTAVAILABLE;
    *mode = desktop;
    return D3D_OK;
}

HRESULT FakeDirect3D::CheckDeviceType(UINT a, D3DDEVTYPE, D3DFORMAT f, D3DFORMAT, BOOL) {
    const FakeAdapter* ad = adapter(a);
    if (ad == nullptr) return D3DERR_INVALIDCALL;
    return ad->deviceFormats.count(f) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT FakeDirect3D::CheckDeviceFormat(UINT a, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                        DWORD usage, D3DRESOURCETYPE resource, D3DFORMAT check) {
    std::ostringstream out;
    out << a << ',' << type << ',' << adapterFormat << ',' << usage << ',' << resource << ','
        << check;
    checks.push_back(out.str());
    if (offered.count(check)) return D3D_OK;
    const FakeAdapter* ad = adapter(a);
    return ad != nullptr && ad->depthFormats.count(check) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT FakeDirect3D::CheckDeviceMultiSampleType(UINT a, D3DDEVTYPE, D3DFORMAT f, BOOL,
                                                 D3DMULTISAMPLE_TYPE type) {
    const FakeAdapter* ad = adapter(a);
    if (ad == nullptr) return D3DERR_INVALIDCALL;
    if (type == 0 && !ad->noNone) return D3D_OK;
    return ad->multisample.count({f, static_cast<int>(type)}) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT FakeDirect3D::CheckDepthStencilMatch(UINT a, D3DDEVTYPE, D3DFORMAT, D3DFORMAT,
                                             D3DFORMAT depth) {
    const FakeAdapter* ad = adapter(a);
    if (ad == nullptr) return D3DERR_INVALIDCALL;
    return ad->depthFormats.count(depth) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT FakeDirect3D::GetDeviceCaps(UINT a, D3DDEVTYPE, D3DCAPS8* caps) {
    const FakeAdapter* ad = adapter(a);
    if (ad == nullptr || caps == nullptr) return D3DERR_INVALIDCALL;
    *caps = D3DCAPS8{};
    caps->DevCaps = ad->devCaps;
    caps->VertexShaderVersion = ad->vertexShaderVersion;
    return D3D_OK;
}

HRESULT FakeDirect3D::CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD flags, D3DPRESENT_PARAMETERS* pp,
                                   IDirect3DDevice8** device) {
    createCalls.push_back(*pp);
    createFlags.push_back(flags);
    if (createFailures > 0) {
        --createFailures;
        *device = nullptr;
        return D3DERR_NOTAVAILABLE;
    }
    *device = deviceToReturn;
    return deviceToReturn != nullptr ? D3D_OK : D3DERR_NOTAVAILABLE;
}

}  // namespace eh::testing

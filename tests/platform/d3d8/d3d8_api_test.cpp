// The Direct3D 8 layer's non-drawing behaviour: enumeration and checks, defaults, invalid
// calls, device loss and reset, program caching, shader and declaration refusal.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3d8/d3d8_ext.h"
#include "platform/d3d8/d3d8_vshader.h"
#include "tests/platform/d3d8/draw_helpers.h"
#include "tests/platform/d3d8/offscreen_device.h"

namespace eh::d3d8test {
namespace {

TEST(D3D8Create, RefusesOtherSdkVersions) {
    EXPECT_EQ(Direct3DCreate8(120), nullptr);
}

TEST(D3D8Enumeration, AdaptersModesChecksAndCaps) {
    OffscreenDevice dev(16, 16);
    ASSERT_TRUE(dev.ok());
    IDirect3D8* d3d = dev.d3d();
    ASSERT_GE(d3d->GetAdapterCount(), 1u);
    const UINT modes = d3d->GetAdapterModeCount(0);
    bool has32 = false, has16 = false;
    for (UINT i = 0; i < modes; ++i) {
        D3DDISPLAYMODE m;
        ASSERT_EQ(d3d->EnumAdapterModes(0, i, &m), D3D_OK);
        EXPECT_GT(m.Width, 0u);
        has32 |= m.Format == D3DFMT_X8R8G8B8;
        has16 |= m.Format == D3DFMT_R5G6B5;
    }
    EXPECT_TRUE(has32);
    EXPECT_TRUE(has16);
    D3DDISPLAYMODE m;
    EXPECT_EQ(d3d->EnumAdapterModes(0, modes, &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(0, &m), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE),
              D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_R8G8B8, D3DFMT_R8G8B8, FALSE),
              D3DERR_NOTAVAILABLE);
    for (D3DFORMAT depth : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32}) {
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                         D3DRTYPE_SURFACE, depth),
                  D3D_OK);
        EXPECT_EQ(
            d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, depth),
            D3D_OK);
    }
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE,
                                     D3DFMT_A1R5G5B5),
              D3D_OK);
    // No block-compressed formats: textures keep their own format.
    for (D3DFORMAT dxt : {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5}) {
        EXPECT_NE(
            d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, dxt),
            D3D_OK);
    }
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, FALSE,
                                              D3DMULTISAMPLE_NONE),
              D3D_OK);
    EXPECT_NE(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, FALSE,
                                              D3DMULTISAMPLE_16_SAMPLES),
              D3D_OK);  // llvmpipe and most drivers stop below 16
    D3DCAPS8 caps;
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_GE(caps.MaxTextureWidth, 1024u);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_TLVERTEXSYSTEMMEMORY);
    EXPECT_GE(caps.VertexShaderVersion, D3DVS_VERSION(1, 0));
    EXPECT_EQ(caps.MaxVertexShaderConst, 96u);
    D3DCAPS8 devCaps;
    ASSERT_EQ(dev->GetDeviceCaps(&devCaps), D3D_OK);
    EXPECT_EQ(devCaps.MaxTextureWidth, caps.MaxTextureWidth);
    D3DADAPTER_IDENTIFIER8 id;
    EXPECT_EQ(d3d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
    EXPECT_EQ(d3d->GetAdapterIdentifier(0, 0, nullptr), D3DERR_INVALIDCALL);
}

TEST(D3D8Defaults, StatesTheProgramReliesOn) {
    OffscreenDevice dev(16, 16);
    ASSERT_TRUE(dev.ok());
    auto rs = [&](D3DRENDERSTATETYPE s) {
        DWORD v = 0xDEADBEEF;
        EXPECT_EQ(dev->GetRenderState(s, &v), D3D_OK);
        return v;
    };
    EXPECT_EQ(rs(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_TRUE));
    EXPECT_EQ(rs(D3DRS_ZFUNC), static_cast<DWORD>(D3DCMP_LESSEQUAL));
    EXPECT_EQ(rs(D3DRS_ZWRITEENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(rs(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_SOLID));
    EXPECT_EQ(rs(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(rs(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ZERO));
    EXPECT_EQ(rs(D3DRS_TEXTUREFACTOR), 0xFFFFFFFFu);
    EXPECT_EQ(rs(D3DRS_COLORVERTEX), static_cast<DWORD>(TRUE));
    EXPECT_EQ(rs(D3DRS_DIFFUSEMATERIALSOURCE), static_cast<DWORD>(D3DMCS_COLOR1));
    EXPECT_EQ(rs(D3DRS_SPECULARMATERIALSOURCE), static_cast<DWORD>(D3DMCS_COLOR2));
    EXPECT_EQ(rs(D3DRS_AMBIENTMATERIALSOURCE), static_cast<DWORD>(D3DMCS_MATERIAL));
    EXPECT_EQ(rs(D3DRS_LOCALVIEWER), static_cast<DWORD>(TRUE));
    EXPECT_EQ(rs(D3DRS_MULTISAMPLEANTIALIAS), static_cast<DWORD>(TRUE));
    EXPECT_EQ(rs(D3DRS_BLENDOP), static_cast<DWORD>(D3DBLENDOP_ADD));
    EXPECT_EQ(rs(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    DWORD v = 0;
    dev->GetTextureStageState(0, D3DTSS_TEXCOORDINDEX, &v);
    EXPECT_EQ(v, 0u);
    dev->GetTextureStageState(2, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTOP_DISABLE));
    dev->GetTextureStageState(1, D3DTSS_ADDRESSW, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_WRAP));
    D3DVIEWPORT8 vp;
    ASSERT_EQ(dev->GetViewport(&vp), D3D_OK);
    EXPECT_EQ(vp.Width, 16u);
    EXPECT_EQ(vp.MaxZ, 1.0f);
}

TEST(D3D8Errors, InvalidCallsAreRefusedNotCrashing) {
    OffscreenDevice dev(16, 16);
    ASSERT_TRUE(dev.ok());
    EXPECT_EQ(dev->SetTexture(8, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_MODULATE), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetRenderState(static_cast<D3DRENDERSTATETYPE>(300), 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->GetRenderState(D3DRS_ZENABLE, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTransform(D3DTS_VIEW, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetMaterial(nullptr), D3DERR_INVALIDCALL);
    const float consts[8] = {};
    EXPECT_EQ(dev->SetVertexShaderConstant(95, consts, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateVertexBuffer(64, 0, kFvfTl, D3DPOOL_MANAGED, nullptr), D3DERR_INVALIDCALL);
    // Locking out of range.
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(4 * sizeof(TlVertex), 0, kFvfTl, D3DPOOL_MANAGED, &vb),
              D3D_OK);
    BYTE* data = nullptr;
    EXPECT_EQ(vb->Lock(100, 20, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(113, 0, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(100, 0, &data, 0), D3D_OK);  // 0 locks to the end
    vb->Unlock();
    // Drawing past the end of the buffer, or with nothing bound.
    dev->SetVertexShader(kFvfTl);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
    dev->SetStreamSource(0, vb, sizeof(TlVertex));
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);
    // A stride shorter than the format's vertex.
    dev->SetStreamSource(0, vb, 20);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    dev->SetStreamSource(0, vb, sizeof(TlVertex));
    // Indices naming vertices outside the buffer.
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(dev->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
    const WORD indices[6] = {0, 1, 2, 2, 1, 4};
    std::memcpy(data, indices, sizeof(indices));
    ib->Unlock();
    dev->SetIndices(ib, 0);
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3D_OK);
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 2), D3DERR_INVALIDCALL);
    dev->SetIndices(ib, 2);
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3DERR_INVALIDCALL);
    dev->SetIndices(nullptr, 0);
    dev->SetStreamSource(0, nullptr, 0);
    ib->Release();
    vb->Release();
    // Textures: unsupported formats, bad levels, locking a render target.
    IDirect3DTexture8* tex = nullptr;
    EXPECT_NE(dev->CreateTexture(4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &tex), D3D_OK);
    ASSERT_EQ(dev->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    EXPECT_EQ(tex->GetLevelCount(), 3u);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(tex->GetLevelDesc(2, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 1u);
    EXPECT_EQ(tex->GetLevelDesc(3, &desc), D3DERR_INVALIDCALL);
    D3DLOCKED_RECT lr;
    RECT outside = {0, 0, 5, 4};
    EXPECT_EQ(tex->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);
    tex->Release();
    ASSERT_EQ(
        dev->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &tex),
        D3D_OK);
    EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    tex->Release();
    EXPECT_EQ(dev->BeginScene(), D3D_OK);
    EXPECT_EQ(dev->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->EndScene(), D3D_OK);
    EXPECT_EQ(dev->EndScene(), D3DERR_INVALIDCALL);
}

TEST(D3D8Errors, ReferencesAreCountedAndResourcesOutliveTheDevice) {
    auto dev = std::make_unique<OffscreenDevice>(16, 16);
    ASSERT_TRUE(dev->ok());
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ((*dev)->CreateTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    EXPECT_EQ(tex->AddRef(), 2u);
    (*dev)->SetTexture(0, tex);  // the device holds a reference too
    EXPECT_EQ(tex->Release(), 2u);
    IDirect3DSurface8* level = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(level->Release(), 2u);  // a level shares its texture's count
    (*dev)->SetTexture(0, nullptr);
    dev.reset();  // the program may release the device before its textures
    D3DSURFACE_DESC desc;
    EXPECT_EQ(tex->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(tex->Release(), 0u);
}

TEST(D3D8Loss, LostDeviceResetsOnlyWithoutDefaultPoolResources) {
    OffscreenDevice dev(16, 16);
    ASSERT_TRUE(dev.ok());
    IDirect3DVertexBuffer8* vb = MakeVertexBuffer(dev.get(), Quad(0, 0, 8, 8, 0xFF123456), kFvfTl);
    ASSERT_NE(vb, nullptr);
    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, &depth),
              D3D_OK);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    ASSERT_EQ(eh::d3d8::SimulateDeviceLoss(dev.get()), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    // Draws and clears of a lost device are dropped quietly.
    dev->SetVertexShader(kFvfTl);
    dev->SetStreamSource(0, vb, sizeof(TlVertex));
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(dev->Reset(&dev.presentParameters()), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    depth->Release();
    ASSERT_EQ(dev->Reset(&dev.presentParameters()), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    DWORD value = 0;
    dev->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CCW));
    dev->GetRenderState(D3DRS_ZFUNC, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DCMP_LESSEQUAL));
    IDirect3DVertexBuffer8* bound = nullptr;
    UINT stride = 0;
    dev->GetStreamSource(0, &bound, &stride);
    EXPECT_EQ(bound, nullptr);  // Reset unbinds
    // The managed buffer survived and still draws.
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    dev->SetVertexShader(kFvfTl);
    dev->SetStreamSource(0, vb, sizeof(TlVertex));
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    const auto p = dev.presentAndRead();
    ASSERT_FALSE(p.empty());
    EXPECT_TRUE(NearColor(p[2 * 16 + 2], 0x123456, 0));
    dev->SetStreamSource(0, nullptr, 0);
    vb->Release();
}

TEST(D3D8Programs, UniformChangesDoNotMakePrograms) {
    OffscreenDevice dev(16, 16);
    ASSERT_TRUE(dev.ok());
    IDirect3DVertexBuffer8* vb =
        MakeVertexBuffer(dev.get(),
                         std::vector<LitVertex>{{-1, 1, 0.5f, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                                                {1, 1, 0.5f, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                                                {-1, -1, 0.5f, 0, 0, -1, 0xFFFFFFFF, 0, 0}},
                         kFvfLit);
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {0, 0, 1};
    dev->SetLight(0, &light);
    dev->LightEnable(0, TRUE);
    dev->SetVertexShader(kFvfLit);
    dev->SetStreamSource(0, vb, sizeof(LitVertex));
    ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    eh::d3d8::DeviceStats before;
    eh::d3d8::GetDeviceStats(dev.get(), &before);
    for (int i = 0; i < 10; ++i) {
        light.Diffuse = {0.1f * i, 0.5f, 0.5f, 1};
        dev->SetLight(0, &light);
        dev->SetRenderState(D3DRS_AMBIENT, 0xFF000000u | (i * 0x111111u));
        dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0x10101010u * i);
        dev->SetRenderState(D3DRS_ALPHAREF, i);
        D3DMATRIX m = Identity();
        m._41 = 0.01f * i;
        dev->SetTransform(D3DTS_WORLD, &m);
        ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    }
    eh::d3d8::DeviceStats after;
    eh::d3d8::GetDeviceStats(dev.get(), &after);
    EXPECT_EQ(after.programs, before.programs);
    EXPECT_EQ(after.draws, before.draws + 10);
    // A change that alters the code (a second light) does make one.
    dev->LightEnable(1, TRUE);
    ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    eh::d3d8::GetDeviceStats(dev.get(), &after);
    EXPECT_EQ(after.programs, before.programs + 1);
    dev->SetStreamSource(0, nullptr, 0);
    vb->Release();
}

TEST(D3D8Shaders, DamagedDeclarationsAndTokenStreamsAreRefused) {
    using eh::d3d8::parseVsDeclaration;
    using eh::d3d8::translateVertexShader;
    eh::d3d8::VsDeclaration decl;
    std::string error;
    // The billboard declaration: 44 bytes of data per vertex.
    const std::uint32_t billboard[] = {0x20000000, 0x40020000, 0x40020003, 0x40040005,
                                       0x40010007, 0x40010008, 0xFFFFFFFF};
    ASSERT_TRUE(parseVsDeclaration(billboard, 7, &decl, &error)) << error;
    EXPECT_EQ(decl.bytes, 44u);
    ASSERT_EQ(decl.elements.size(), 5u);
    EXPECT_EQ(decl.elements[2].offset, 24u);
    EXPECT_FALSE(parseVsDeclaration(billboard, 6, &decl, &error));  // no end in range
    const std::uint32_t twice[] = {0x20000000, 0x40020000, 0x40020000, 0xFFFFFFFF};
    EXPECT_FALSE(parseVsDeclaration(twice, 4, &decl, &error));
    const std::uint32_t badReg[] = {0x20000000, 0x40020010, 0xFFFFFFFF};  // v16
    EXPECT_FALSE(parseVsDeclaration(badReg, 3, &decl, &error));
    const std::uint32_t constBlock[] = {0x20000000, D3DVSD_CONST(94, 3), 0, 0, 0, 0, 0xFFFFFFFF};
    EXPECT_FALSE(parseVsDeclaration(constBlock, 7, &decl, &error));  // c94..c96

    std::string glsl;
    std::uint32_t inputs = 0;
    const std::uint32_t good[] = {D3DVS_VERSION(1, 0), D3DSIO_DP4, 0xC0010000,
                                  0x90E40000,          0xA0E40004, D3DVS_END()};
    ASSERT_TRUE(translateVertexShader(good, 6, &glsl, &inputs, &error)) << error;
    EXPECT_EQ(inputs, 1u);
    EXPECT_FALSE(translateVertexShader(good, 5, &glsl, &inputs, &error));  // end cut off
    std::uint32_t bad[6];
    std::memcpy(bad, good, sizeof(bad));
    bad[0] = D3DPS_VERSION(1, 1);
    EXPECT_FALSE(translateVertexShader(bad, 6, &glsl, &inputs, &error));
    std::memcpy(bad, good, sizeof(bad));
    bad[4] = 0xA0E40060;  // c96
    EXPECT_FALSE(translateVertexShader(bad, 6, &glsl, &inputs, &error));
    std::memcpy(bad, good, sizeof(bad));
    bad[1] = 77;  // not an opcode of vs.1.x
    EXPECT_FALSE(translateVertexShader(bad, 6, &glsl, &inputs, &error));
    std::memcpy(bad, good, sizeof(bad));
    bad[2] = 0x900F0000;  // writing an input register
    EXPECT_FALSE(translateVertexShader(bad, 6, &glsl, &inputs, &error));
    const std::uint32_t comment[] = {D3DVS_VERSION(1, 1), D3DSHADER_COMMENT(100), 0, D3DVS_END()};
    EXPECT_FALSE(translateVertexShader(comment, 4, &glsl, &inputs, &error));

    OffscreenDevice dev(16, 16);
    ASSERT_TRUE(dev.ok());
    DWORD handle = 0;
    EXPECT_EQ(dev->CreateVertexShader(billboard, nullptr, &handle, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateVertexShader(billboard, good, &handle, 0), D3D_OK);
    EXPECT_NE(handle & 0x80000000u, 0u);  // never an FVF code
    EXPECT_EQ(dev->SetVertexShader(handle), D3D_OK);
    EXPECT_EQ(dev->DeleteVertexShader(handle), D3D_OK);
    EXPECT_EQ(dev->SetVertexShader(handle), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace eh::d3d8test

// The fakes hold up other folders' checks, so what those checks lean on is pinned here:
// padded rows (or a pitch bug goes unseen), lock and reference bookkeeping, the scripted
// refusals, the log's spelling, and the Direct3D object's answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/fake_device.h"
#include "support/fake_direct3d.h"

namespace eh::testing {
namespace {

TEST(FakeDevice, TextureRowsArePaddedAndLocksAreTracked) {
    FakeDevice device;
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device.CreateTexture(8, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    ASSERT_EQ(device.textures.size(), 1u);
    FakeTexture& t = *device.textures[0];
    EXPECT_EQ(texture, &t);
    ASSERT_EQ(t.levels.size(), 4u);  // 8x4, 4x2, 2x1, 1x1
    EXPECT_GT(t.levels[0].pitch, 8 * 4);
    EXPECT_EQ(t.levels[3].width, 1u);

    D3DLOCKED_RECT rect{};
    ASSERT_EQ(t.LockRect(1, &rect, nullptr, 0), D3D_OK);
    EXPECT_EQ(rect.Pitch, t.levels[1].pitch);
    EXPECT_EQ(rect.pBits, t.levels[1].bytes.data());
    EXPECT_EQ(t.LockRect(1, &rect, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    EXPECT_EQ(t.UnlockRect(1), D3D_OK);
    EXPECT_EQ(t.UnlockRect(1), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.LockRect(4, &rect, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t.levels[1].lockCount, 1);
    EXPECT_EQ(t.levels[0].lockCount, 0);

    // A texel written at the pitch reads back as a colour.
    ASSERT_EQ(t.LockRect(0, &rect, nullptr, 0), D3D_OK);
    auto* row = static_cast<std::uint8_t*>(rect.pBits) + 2 * rect.Pitch;
    const std::uint32_t colour = 0x80102030u;
    std::memcpy(row + 3 * 4, &colour, 4);
    EXPECT_EQ(t.pixel(0, 3, 2), colour);
}

TEST(FakeDevice, ReleasePastZeroIsCountedAndReleasedBuffersDoNotLock) {
    FakeDevice device;
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(device.CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
    FakeVertexBuffer* fake = device.AsFake(vb);
    ASSERT_NE(fake, nullptr);
    BYTE* data = nullptr;
    ASSERT_EQ(vb->Lock(16, 0, &data, 0), D3D_OK);
    EXPECT_EQ(data, fake->bytes.data() + 16);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(fake->overReleased, 1);
    EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(fake->lockCount, 2);

    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device.CreateTexture(4, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &texture), D3D_OK);
    texture->Release();
    texture->Release();
    EXPECT_EQ(device.textures[0]->refs, 0u);
    EXPECT_EQ(device.textures[0]->overReleased, 1);
}

TEST(FakeDevice, TextureCreationRefusesWhatTheDeviceCannotHoldAndWhatTheTestScripts) {
    FakeDevice device;
    IDirect3DTexture8* texture = nullptr;
    device.setMaxTextureSize(64);
    EXPECT_EQ(device.CreateTexture(128, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(device.CreateTexture(4, 4, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device.CreateTexture(64, 64, 1, 0, D3DFMT_DXT5, D3DPOOL_MANAGED, &texture), D3D_OK);
    EXPECT_EQ(device.textures.back()->levels[0].bytes.size(),
              static_cast<std::size_t>(device.textures.back()->levels[0].pitch) * 16);

    device.textureResult = [](UINT width, UINT, D3DFORMAT) {
        return width > 16 ? D3DERR_OUTOFVIDEOMEMORY : D3D_OK;
    };
    EXPECT_EQ(device.CreateTexture(32, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(device.CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    device.failTextureCreation(E_OUTOFMEMORY);
    IDirect3DCubeTexture8* cube = nullptr;
    EXPECT_EQ(device.CreateCubeTexture(8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube),
              E_OUTOFMEMORY);
    device.failTextureCreation(D3D_OK);
    EXPECT_EQ(device.CreateCubeTexture(8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    EXPECT_EQ(device.cubes.back()->GetLevelCount(), 4u);

    device.nextLockResult = D3DERR_OUTOFVIDEOMEMORY;
    ASSERT_EQ(device.CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DLOCKED_RECT rect{};
    EXPECT_EQ(texture->LockRect(0, &rect, nullptr, 0), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(device.Calls("CreateTexture(128,4,1,").size(), 1u);  // refusals are logged too
}

TEST(FakeDevice, LogsCallsAsTextAndKeepsTheStateTheySet) {
    FakeDevice device;
    device.BeginScene();
    device.SetRenderState(D3DRS_ZENABLE, 0);
    device.SetTexture(1, nullptr);
    device.DrawPrimitive(D3DPT_TRIANGLESTRIP, 4, 2);
    device.EndScene();
    const std::vector<std::string> expected{"BeginScene()", "SetRenderState(7,0)",
                                            "SetTexture(1,null)", "DrawPrimitive(5,4,2)",
                                            "EndScene()"};
    EXPECT_EQ(device.log, expected);
    EXPECT_EQ(device.Calls("Set").size(), 2u);
    DWORD value = 1;
    device.GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, 0u);

    D3DVIEWPORT8 viewport{10, 20, 300, 200, 0.0f, 1.0f};
    device.SetViewport(&viewport);
    D3DVIEWPORT8 read{};
    device.GetViewport(&read);
    EXPECT_EQ(read.Width, 300u);
    EXPECT_EQ(read.Y, 20u);
}

TEST(FakeDevice, ResetRestoresTheCooperativeLevelOnlyWhenItSucceeds) {
    FakeDevice device;
    device.cooperativeLevel = D3DERR_DEVICENOTRESET;
    device.resetResult = D3DERR_INVALIDCALL;
    EXPECT_EQ(device.Reset(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    device.resetResult = D3D_OK;
    EXPECT_EQ(device.Reset(nullptr), D3D_OK);
    EXPECT_EQ(device.TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device.resets, 2);
    EXPECT_EQ(device.Calls("Reset()").size(), 2u);
}

TEST(FakeDirect3D, FormatChecksAreLoggedAndAnsweredFromOfferedAndDepthFormats) {
    FakeDirect3D d3d;
    d3d.offered = {D3DFMT_DXT1};
    EXPECT_EQ(
        d3d.CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_DXT1),
        D3D_OK);
    EXPECT_EQ(d3d.CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                    D3DRTYPE_SURFACE, D3DFMT_D16),
              D3DERR_NOTAVAILABLE);  // no adapter holds depth formats yet
    d3d.adapters.push_back(FakeAdapter{});
    EXPECT_EQ(d3d.CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                    D3DRTYPE_SURFACE, D3DFMT_D16),
              D3D_OK);
    ASSERT_EQ(d3d.checks.size(), 3u);
    EXPECT_EQ(d3d.checks[0], "0,1,22,0,3," + std::to_string(D3DFMT_DXT1));

    D3DDISPLAYMODE mode{};
    EXPECT_EQ(d3d.EnumAdapterModes(0, 0, &mode), D3DERR_INVALIDCALL);  // no modes
    EXPECT_EQ(d3d.GetAdapterModeCount(1), 0u);
    D3DCAPS8 caps{};
    EXPECT_EQ(d3d.GetDeviceCaps(1, D3DDEVTYPE_HAL, &caps), D3DERR_INVALIDCALL);
}

TEST(FakeDirect3D, CreateDeviceFailsTheScriptedNumberOfTimesThenHandsOutTheDevice) {
    FakeDevice device;
    FakeDirect3D d3d;
    d3d.deviceToReturn = &device;
    d3d.createFailures = 1;
    D3DPRESENT_PARAMETERS pp{};
    IDirect3DDevice8* made = &device;
    EXPECT_EQ(d3d.CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 7, &pp, &made), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(d3d.CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 9, &pp, &made), D3D_OK);
    EXPECT_EQ(made, &device);
    EXPECT_EQ(d3d.createFlags, (std::vector<DWORD>{7, 9}));
}

}  // namespace
}  // namespace eh::testing

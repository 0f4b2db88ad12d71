#include "graphics/device.h"

#include <gtest/gtest.h>

#include "support/fake_device.h"
#include "support/fake_direct3d.h"

namespace eh::graphics {
namespace {

using testing::FakeAdapter;
using testing::FakeDevice;
using testing::FakeDirect3D;
using testing::Mode;

TEST(GammaRamp, BelowAndAtNeutral) {
    D3DGAMMARAMP ramp{};
    BuildGammaRamp(100, &ramp);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(ramp.red[i], 256 * i);
    EXPECT_EQ(ramp.blue[255], 65280);
    BuildGammaRamp(10, &ramp);
    EXPECT_EQ(ramp.red[0], 0);
    EXPECT_EQ(ramp.green[1], 76);
    EXPECT_EQ(ramp.blue[255], 19380);
}

TEST(GammaRamp, AboveNeutralKeepsTheTopAt65355) {
    D3DGAMMARAMP ramp{};
    BuildGammaRamp(101, &ramp);  // s = 254
    EXPECT_EQ(ramp.red[255], 65355);
    EXPECT_EQ(ramp.red[254], 65355 - 254);
    EXPECT_EQ(ramp.red[0], 65355 - 254 * 255);
    BuildGammaRamp(200, &ramp);  // s = 106
    EXPECT_EQ(ramp.green[0], 38325);
    EXPECT_EQ(ramp.green[255], 65355);
    // The extremes the stored byte can hold stay monotonic and in range.
    for (int g : {0, 255}) {
        BuildGammaRamp(g, &ramp);
        for (int i = 1; i < 256; ++i) ASSERT_GE(ramp.red[i], ramp.red[i - 1]) << g;
    }
}

class DeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FakeAdapter a;
        a.modes = {Mode(800, 600, D3DFMT_X8R8G8B8), Mode(1024, 768, D3DFMT_X8R8G8B8)};
        a.depthFormats = {D3DFMT_D16, D3DFMT_D24X8};
        a.devCaps = 0x40;
        a.vertexShaderVersion = D3DVS_VERSION(1, 1);
        d3d.adapters = {a};
        d3d.deviceToReturn = &device;
        d3d.AddRef();
        ASSERT_EQ(catalog.Adopt(&d3d), S_OK);
    }
    FakeDirect3D d3d;
    FakeDevice device;
    AdapterCatalog catalog;
    D3DPRESENT_PARAMETERS pp{};
    IDirect3DDevice8* created = nullptr;
};

TEST_F(DeviceTest, DesktopSettingsTakeTheClientAreaAnd24BitBecomes565) {
    d3d.desktop.Format = D3DFMT_R8G8B8;
    DeviceSettings s{true, 100};
    ASSERT_EQ(CreateSaverDevice(catalog, s, nullptr, 600, 400, nullptr, &created, &pp),
              kDeviceCreated);
    EXPECT_EQ(created, &device);
    EXPECT_EQ(pp.BackBufferWidth, 600u);
    EXPECT_EQ(pp.BackBufferHeight, 400u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_R5G6B5);
    EXPECT_FALSE(pp.Windowed);
    EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    EXPECT_TRUE(pp.EnableAutoDepthStencil);
    EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D24X8);
    EXPECT_EQ(d3d.createFlags.at(0), static_cast<DWORD>(D3DCREATE_HARDWARE_VERTEXPROCESSING));
}

TEST_F(DeviceTest, ChosenModeWhenDesktopSettingsAreOff) {
    catalog.SelectMode(1024, 768, 32, 0);
    d3d.desktopFails = true;  // only matters with desktop settings
    DeviceSettings s{false, 100};
    ASSERT_EQ(CreateSaverDevice(catalog, s, nullptr, 600, 400, nullptr, &created, &pp),
              kDeviceCreated);
    EXPECT_EQ(pp.BackBufferWidth, 1024u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);

    DeviceSettings desktop{true, 100};
    EXPECT_EQ(CreateSaverDevice(catalog, desktop, nullptr, 600, 400, nullptr, &created, &pp),
              kNoDesktopMode);
}

TEST_F(DeviceTest, FailingCreationRetriesInSafeModeThenGivesUp) {
    d3d.createFailures = 1;
    DeviceSettings s{true, 100};
    ASSERT_EQ(CreateSaverDevice(catalog, s, nullptr, 600, 400, nullptr, &created, &pp),
              kDeviceCreated);
    ASSERT_EQ(d3d.createCalls.size(), 2u);
    EXPECT_EQ(pp.BackBufferWidth, 640u);
    EXPECT_EQ(pp.BackBufferHeight, 480u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(pp.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(d3d.createFlags[1], static_cast<DWORD>(D3DCREATE_SOFTWARE_VERTEXPROCESSING));

    d3d.createFailures = 2;
    EXPECT_EQ(CreateSaverDevice(catalog, s, nullptr, 600, 400, nullptr, &created, &pp), kNoDevice);
    EXPECT_EQ(created, nullptr);
}

TEST_F(DeviceTest, MismatchedDepthAndMultisampleAreReplacedBeforeCreation) {
    d3d.adapters[0].multisample = {{D3DFMT_X8R8G8B8, 2}};
    ASSERT_EQ(catalog.Enumerate(), S_OK);
    catalog.SelectMode(800, 600, 32, 2);
    d3d.desktop.Format = D3DFMT_R5G6B5;  // 2 samples are not available for it
    d3d.adapters[0].depthFormats = {D3DFMT_D16};
    DeviceSettings s{true, 100};
    ASSERT_EQ(CreateSaverDevice(catalog, s, nullptr, 800, 600, nullptr, &created, &pp),
              kDeviceCreated);
    EXPECT_EQ(pp.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D16);
}

TEST(BehaviorFlags, NeedTheTlVertexBitAndVertexShaders) {
    D3DCAPS8 caps{};
    caps.DevCaps = 0x10000;  // hardware T&L alone is not what is tested
    caps.VertexShaderVersion = D3DVS_VERSION(1, 1);
    EXPECT_EQ(ChooseBehaviorFlags(caps), static_cast<DWORD>(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
    caps.DevCaps = 0x40;
    EXPECT_EQ(ChooseBehaviorFlags(caps), static_cast<DWORD>(D3DCREATE_HARDWARE_VERTEXPROCESSING));
    caps.VertexShaderVersion = D3DVS_VERSION(0, 0);
    EXPECT_EQ(ChooseBehaviorFlags(caps), static_cast<DWORD>(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
}

TEST(GammaApply, SetsTheRampOfTheSettingAndTheLinearOneAtShutdown) {
    FakeDevice device;
    ApplyGamma(&device, 200);
    RestoreLinearGamma(&device);
    ASSERT_EQ(device.gammaSets.size(), 2u);
    EXPECT_EQ(device.gammaSets[0].red[0], 38325);
    EXPECT_EQ(device.gammaSets[1].red[255], 65280);
}

}  // namespace
}  // namespace eh::graphics

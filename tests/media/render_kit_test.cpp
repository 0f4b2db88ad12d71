#include "media/render_kit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/os/message_box.h"
#include "support/fake_device.h"
#include "support/fake_direct3d.h"

namespace eh::media {
namespace {

using testing::FakeDevice;
using testing::FakeDirect3D;

// What the scripted loader saw and how it answers.
struct LoaderScript {
    struct Call {
        UINT width, height;
        D3DFORMAT format;
    };
    std::vector<Call> calls;
    std::vector<HRESULT> answers;  // per call; D3D_OK past the end
    FakeDevice* device = nullptr;
};
LoaderScript* gScript = nullptr;

HRESULT ScriptedLoader(IDirect3DDevice8*, const void*, UINT, UINT width, UINT height,
                       D3DFORMAT format, IDirect3DTexture8** texture) {
    const std::size_t n = gScript->calls.size();
    gScript->calls.push_back({width, height, format});
    const HRESULT hr = n < gScript->answers.size() ? gScript->answers[n] : D3D_OK;
    if (FAILED(hr)) return hr;
    IDirect3DTexture8* made = nullptr;
    gScript->device->CreateTexture(width ? width : 64, height ? height : 64, 1, 0,
                                   format ? format : D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &made);
    *texture = made;
    return D3D_OK;
}

class RenderKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        script.device = &device;
        gScript = &script;
        d3d.offered = {D3DFMT_A1R5G5B5, D3DFMT_DXT5, D3DFMT_DXT1};
        kit.setTextureLoader(&ScriptedLoader);
        kit.Init(&d3d, &device, D3DFMT_X8R8G8B8, nullptr);
    }
    void TearDown() override { gScript = nullptr; }

    TextureRef Create(const char* name, const char* folder, bool reuse) {
        return kit.CreateTextureFromMemory(bytes, sizeof bytes, name, folder, reuse);
    }

    std::uint8_t bytes[4] = {1, 2, 3, 4};
    FakeDevice device;
    FakeDirect3D d3d;
    LoaderScript script;
    RenderKit kit;
    std::vector<os::MessageBoxCall> boxes;
    os::ScopedMessageBoxHandler capture{[this](const os::MessageBoxCall& c) {
        boxes.push_back(c);
        return 1;
    }};
};

TEST_F(RenderKitTest, AttachChoosesTheFirstOfferedCompressedFormat) {
    EXPECT_TRUE(kit.compressedAvailable());
    EXPECT_EQ(kit.compressedFormat(), D3DFMT_DXT5);
    EXPECT_EQ(kit.fallbackFormat(), D3DFMT_A1R5G5B5);
    EXPECT_EQ(kit.maxTextureWidth(), 2048u);
    // A1R5G5B5 first, then DXT5 which passes; all on adapter 0, HAL, the given adapter
    // format, no usage, texture resources.
    ASSERT_EQ(d3d.checks.size(), 2u);
    EXPECT_EQ(d3d.checks[0], "0,1,22,0,3,25");
    EXPECT_EQ(d3d.checks[1], "0,1,22,0,3," + std::to_string(D3DFMT_DXT5));

    FakeDirect3D other;
    other.offered = {D3DFMT_DXT3, D3DFMT_DXT1};
    RenderKit second;
    second.Init(&other, &device, D3DFMT_R5G6B5, nullptr);
    EXPECT_EQ(second.compressedFormat(), D3DFMT_DXT1);
    EXPECT_EQ(second.fallbackFormat(), D3DFMT_R5G6B5);

    FakeDirect3D none;
    RenderKit third;
    third.Init(&none, &device, D3DFMT_X8R8G8B8, nullptr);
    EXPECT_FALSE(third.compressedAvailable());
    EXPECT_EQ(third.compressedFormat(), D3DFMT_UNKNOWN);
}

TEST_F(RenderKitTest, FirstAttemptUsesTheImageSizeInTheCompressedFormat) {
    const TextureRef ref = Create("grass5.tga", "Texture/", false);
    EXPECT_EQ(ref.index, 0);
    EXPECT_STREQ(ref.secondName, "grass5.tga");
    EXPECT_STREQ(ref.firstName, "");
    ASSERT_EQ(script.calls.size(), 1u);
    EXPECT_EQ(script.calls[0].width, 0u);
    EXPECT_EQ(script.calls[0].height, 0u);
    EXPECT_EQ(script.calls[0].format, D3DFMT_DXT5);
    EXPECT_TRUE(kit.slot(0).loaded);
    EXPECT_TRUE(kit.slot(0).fromMemory);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RenderKitTest, SecondAttemptIsSquareInTheFallbackFormat) {
    script.answers = {D3DERR_INVALIDCALL};
    Create("tree01.tga", "Texture/", false);
    ASSERT_EQ(script.calls.size(), 2u);
    EXPECT_EQ(script.calls[1].width, 256u);
    EXPECT_EQ(script.calls[1].height, 256u);
    EXPECT_EQ(script.calls[1].format, D3DFMT_A1R5G5B5);
    EXPECT_TRUE(kit.slot(0).loaded);

    device.caps.MaxTextureWidth = 128;
    RenderKit small;
    small.setTextureLoader(&ScriptedLoader);
    small.Init(&d3d, &device, D3DFMT_X8R8G8B8, nullptr);
    script.calls.clear();
    script.answers = {D3DERR_INVALIDCALL};
    small.CreateTextureFromMemory(bytes, sizeof bytes, "sky.jpg", "Texture/", false);
    ASSERT_EQ(script.calls.size(), 2u);
    EXPECT_EQ(script.calls[1].width, 128u);
}

TEST_F(RenderKitTest, ReuseMatchesNameAndFolderExactly) {
    const TextureRef a = Create("digit_0.JPG", "Digits\\", true);
    const TextureRef b = Create("digit_0.JPG", "Digits\\", true);
    EXPECT_EQ(a.index, b.index);
    EXPECT_EQ(script.calls.size(), 1u);
    EXPECT_EQ(Create("DIGIT_0.JPG", "Digits\\", true).index, 1);   // case differs
    EXPECT_EQ(Create("digit_0.JPG", "Digits/", true).index, 2);    // folder differs
    EXPECT_EQ(Create("digit_0.JPG", "Digits\\", false).index, 3);  // reuse clear
    EXPECT_EQ(kit.slotCount(), 4);
}

TEST_F(RenderKitTest, FailedTexturesKeepTheirSlotAndWarnOnceEach) {
    script.answers = {D3DERR_INVALIDCALL, D3DERR_OUTOFVIDEOMEMORY, D3DERR_OUTOFVIDEOMEMORY,
                      D3DERR_INVALIDCALL};
    const TextureRef a = Create("Horse.jpg", "Texture\\", true);
    const TextureRef b = Create("corona.tga", "Texture/", false);
    EXPECT_EQ(a.index, 0);
    EXPECT_EQ(b.index, 1);
    EXPECT_FALSE(kit.slot(0).loaded);
    EXPECT_EQ(kit.slot(0).texture, nullptr);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Warning!");
    EXPECT_EQ(boxes[0].text,
              "Not enought video memory to load Horse.jpg. There why some objects will be white "
              "color.");
    EXPECT_EQ(boxes[0].type & 0xF0u, MB_ICONWARNING);
    EXPECT_EQ(boxes[1].text,
              "Texture corona.tga not loaded. There why some objects will be white color.");

    // A failed slot is returned by reuse without another attempt or another box.
    EXPECT_EQ(Create("Horse.jpg", "Texture\\", true).index, 0);
    EXPECT_EQ(boxes.size(), 2u);
    // Binding it unbinds the stage.
    device.boundTextures[0] = reinterpret_cast<IDirect3DBaseTexture8*>(&device);
    kit.SetTexture(0, a);
    EXPECT_EQ(device.boundTextures[0], nullptr);
}

TEST_F(RenderKitTest, SetTextureRangeRules) {
    const TextureRef ref = Create("particle.tga", "Texture/", false);
    kit.SetTexture(7, ref);
    EXPECT_NE(device.boundTextures[7], nullptr);
    device.log.clear();
    kit.SetTexture(8, ref);  // stage out of range
    TextureRef wrong = ref;
    wrong.index = 1;  // past the slots in use
    kit.SetTexture(0, wrong);
    wrong.index = -2;
    kit.SetTexture(0, wrong);
    EXPECT_TRUE(device.log.empty());
    kit.SetTexture(7, EmptyTextureRef());
    EXPECT_EQ(device.log, (std::vector<std::string>{"SetTexture(7,null)"}));
}

TEST_F(RenderKitTest, WithoutADeviceNothingIsCreatedOrBound) {
    RenderKit detached;
    const TextureRef ref =
        detached.CreateTextureFromMemory(bytes, sizeof bytes, "a.jpg", "Texture/", true);
    EXPECT_EQ(ref.index, -1);
    EXPECT_STREQ(ref.secondName, "a.jpg");
    EXPECT_EQ(detached.slotCount(), 0);
    detached.Init(&d3d, nullptr, D3DFMT_X8R8G8B8, nullptr);
    detached.SetTexture(0, EmptyTextureRef());
    EXPECT_TRUE(device.Calls("SetTexture").empty());
}

TEST_F(RenderKitTest, ReleaseAllReleasesLoadedTexturesOnceAndKeepsSlots) {
    Create("a.jpg", "Texture/", false);
    script.answers = {D3D_OK, D3DERR_INVALIDCALL, D3DERR_INVALIDCALL};
    Create("b.jpg", "Texture/", false);
    kit.ReleaseAll();
    kit.ReleaseAll();
    ASSERT_EQ(device.textures.size(), 1u);
    EXPECT_EQ(device.textures[0]->refs, 0u);
    EXPECT_EQ(device.textures[0]->overReleased, 0);
    EXPECT_EQ(kit.slotCount(), 2);
    EXPECT_FALSE(kit.slot(0).loaded);
}

TEST_F(RenderKitTest, TheTableHoldsAThousandSlots) {
    for (int i = 0; i < RenderKit::kMaxSlots; ++i) Create("t.jpg", "Texture/", false);
    EXPECT_EQ(Create("one_more.jpg", "Texture/", false).index, -1);
    EXPECT_EQ(kit.slotCount(), RenderKit::kMaxSlots);
    EXPECT_EQ(Create("t.jpg", "Texture/", true).index, 0);
}

// A 2 x 2 24-bit BMP.
std::vector<std::uint8_t> TinyBmp() {
    std::vector<std::uint8_t> b(54 + 16, 0);
    auto put32 = [&b](std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    b[26] = 1;
    b[28] = 24;
    put32(34, 16);
    for (std::size_t i = 54; i < b.size(); ++i) b[i] = 0x80;
    return b;
}

TEST(RenderKitD3DXTest, CreatesManagedTexturesWithAFullMipChainThroughD3DX) {
    FakeDevice device;
    FakeDirect3D d3d;
    RenderKit kit;
    kit.Init(&d3d, &device, D3DFMT_X8R8G8B8, nullptr);
    const std::vector<std::uint8_t> bmp = TinyBmp();
    const TextureRef ref = kit.CreateTextureFromMemory(bmp.data(), static_cast<UINT>(bmp.size()),
                                                       "Black.bmp", "Texture/Terra/", false);
    ASSERT_EQ(ref.index, 0);
    ASSERT_TRUE(kit.slot(0).loaded);
    ASSERT_EQ(device.textures.size(), 1u);
    EXPECT_EQ(device.textures[0]->pool, D3DPOOL_MANAGED);
    EXPECT_EQ(device.textures[0]->levels.size(), 2u);  // 2x2 and 1x1
    kit.ReleaseAll();

    std::vector<os::MessageBoxCall> boxes;
    os::ScopedMessageBoxHandler capture([&boxes](const os::MessageBoxCall& c) {
        boxes.push_back(c);
        return 1;
    });
    const std::uint8_t junk[8] = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i'};
    kit.CreateTextureFromMemory(junk, sizeof junk, "junk.jpg", "Texture/", false);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Texture junk.jpg not loaded. There why some objects will be white color.");
}

}  // namespace
}  // namespace eh::media

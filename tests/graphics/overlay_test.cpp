// The clock digits come from the embedded archive 452 through the texture manager: one slot
// per glyph under its file name in "Digits\", reused on a second load, the 256 x 256 second
// attempt in the fallback format, the warning box when both fail; Draw binds the kit's
// texture of each glyph.
#include "graphics/overlay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "platform/os/message_box.h"
#include "support/fake_device.h"
#include "support/fake_direct3d.h"

namespace eh::graphics {
namespace {

using testing::FakeDevice;
using testing::FakeDirect3D;

const char* const kFiles[kGlyphCount] = {
    "digit_0.JPG",    "digit_1.JPG",   "digit_2.JPG", "digit_3.JPG", "digit_4.JPG",
    "digit_5.JPG",    "digit_6.JPG",   "digit_7.JPG", "digit_8.JPG", "digit_9.JPG",
    "digit_ddot.JPG", "digit_dot.JPG", "digit_A.JPG", "digit_M.JPG", "digit_P.JPG"};

// What the scripted loader saw, and whether each attempt fails.
struct LoaderScript {
    struct Call {
        UINT width, height;
        D3DFORMAT format;
        UINT bytes;
    };
    std::vector<Call> calls;
    bool failFirstAttempts = false;   // every attempt at the file's own size
    bool failSecondAttempts = false;  // every attempt at a forced size
    FakeDevice* device = nullptr;
};
LoaderScript* gScript = nullptr;

HRESULT ScriptedLoader(IDirect3DDevice8*, const void*, UINT size, UINT width, UINT height,
                       D3DFORMAT format, IDirect3DTexture8** texture) {
    gScript->calls.push_back({width, height, format, size});
    const bool second = width != 0;
    if (second ? gScript->failSecondAttempts : gScript->failFirstAttempts) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    IDirect3DTexture8* made = nullptr;
    gScript->device->CreateTexture(second ? width : 64, second ? height : 64, 1, 0,
                                   format ? format : D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &made);
    *texture = made;
    return D3D_OK;
}

class OverlayDigits : public ::testing::Test {
  protected:
    void SetUp() override {
        script.device = &device;
        gScript = &script;
        d3d.offered = {D3DFMT_A1R5G5B5, D3DFMT_DXT5};
        kit.setTextureLoader(&ScriptedLoader);
        kit.Init(&d3d, &device, D3DFMT_X8R8G8B8, nullptr);
    }
    void TearDown() override { gScript = nullptr; }

    // The slot the kit holds for a glyph's file, -1 when there is none.
    int SlotOf(const char* file) const {
        for (int i = 0; i < kit.slotCount(); ++i) {
            if (kit.slot(i).name == file && kit.slot(i).folder == "Digits\\") return i;
        }
        return -1;
    }

    FakeDevice device;
    FakeDirect3D d3d;
    LoaderScript script;
    media::VertexBufferPool pool;
    media::RenderKit kit;
    Overlay overlay{pool, kit};
    std::vector<os::MessageBoxCall> boxes;
    os::ScopedMessageBoxHandler capture{[this](const os::MessageBoxCall& c) {
        boxes.push_back(c);
        return 1;
    }};
};

TEST_F(OverlayDigits, EachGlyphGetsOneSlotUnderItsFileNameAndASecondLoadReusesThem) {
    overlay.LoadDigitTextures(&device, nullptr);
    ASSERT_EQ(kit.slotCount(), kGlyphCount);
    ASSERT_EQ(script.calls.size(), static_cast<std::size_t>(kGlyphCount));
    for (int g = 0; g < kGlyphCount; ++g) {
        const media::RenderKit::TextureSlot& slot = kit.slot(g);
        EXPECT_EQ(slot.name, kFiles[g]);
        EXPECT_EQ(slot.folder, "Digits\\");
        EXPECT_TRUE(slot.fromMemory);
        EXPECT_TRUE(slot.loaded) << kFiles[g];
        // The file's own size, in the kit's format, from the entry's bytes.
        EXPECT_EQ(script.calls[static_cast<std::size_t>(g)].width, 0u);
        EXPECT_EQ(script.calls[static_cast<std::size_t>(g)].format, kit.compressedFormat());
        EXPECT_GT(script.calls[static_cast<std::size_t>(g)].bytes, 100u) << kFiles[g];
    }
    overlay.LoadDigitTextures(&device, nullptr);
    EXPECT_EQ(kit.slotCount(), kGlyphCount);
    EXPECT_EQ(script.calls.size(), static_cast<std::size_t>(kGlyphCount));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(OverlayDigits, AFailedFirstAttemptIsRetriedAt256InTheFallbackFormat) {
    script.failFirstAttempts = true;
    overlay.LoadDigitTextures(&device, nullptr);
    ASSERT_EQ(script.calls.size(), static_cast<std::size_t>(2 * kGlyphCount));
    for (std::size_t i = 0; i < script.calls.size(); i += 2) {
        EXPECT_EQ(script.calls[i].width, 0u);
        EXPECT_EQ(script.calls[i + 1].width, media::RenderKit::kFallbackSide);
        EXPECT_EQ(script.calls[i + 1].height, media::RenderKit::kFallbackSide);
        EXPECT_EQ(script.calls[i + 1].format, D3DFMT_A1R5G5B5);
    }
    for (int g = 0; g < kGlyphCount; ++g) EXPECT_TRUE(kit.slot(g).loaded) << kFiles[g];
    EXPECT_TRUE(boxes.empty());
}

TEST_F(OverlayDigits, GlyphsThatFailBothAttemptsWarnAndDrawUntextured) {
    script.failFirstAttempts = script.failSecondAttempts = true;
    overlay.LoadDigitTextures(&device, nullptr);
    ASSERT_EQ(kit.slotCount(), kGlyphCount);
    ASSERT_EQ(boxes.size(), static_cast<std::size_t>(kGlyphCount));
    EXPECT_EQ(boxes[0].caption, "Warning!");
    EXPECT_NE(boxes[0].text.find("digit_0.JPG"), std::string::npos) << boxes[0].text;
    for (int g = 0; g < kGlyphCount; ++g) EXPECT_FALSE(kit.slot(g).loaded);

    OverlayFrame frame;
    frame.showFps = true;
    frame.fps = 7;
    device.log.clear();
    overlay.Draw(&device, frame);
    EXPECT_EQ(device.boundTextures[0], nullptr);
    EXPECT_EQ(device.Calls("DrawPrimitive").size(), 2u);  // still drawn, untextured
}

TEST_F(OverlayDigits, DrawBindsEachGlyphsTextureFromTheKit) {
    overlay.LoadDigitTextures(&device, nullptr);
    const int seven = SlotOf("digit_7.JPG");
    ASSERT_GE(seven, 0);
    OverlayFrame frame;
    frame.showFps = true;
    frame.fps = 7;
    device.log.clear();
    overlay.Draw(&device, frame);
    EXPECT_EQ(device.boundTextures[0], kit.slot(seven).texture);
    EXPECT_EQ(device.Calls("SetTexture(0,tex").size(), 1u);  // one glyph, bound once
    EXPECT_EQ(device.Calls("DrawPrimitive").size(), 2u);     // darkening and additive pass

    // After Shutdown's release the overlay holds no glyph: the kit owned the textures.
    overlay.ReleaseTextures();
    device.log.clear();
    overlay.Draw(&device, frame);
    EXPECT_EQ(device.boundTextures[0], nullptr);
}

// The loading screen makes the screen quad in the pool the overlay was handed, and Draw
// streams from that buffer; an overlay on another pool leaves this one alone.
TEST_F(OverlayDigits, QuadLivesInThePoolTheOverlayWasGiven) {
    pool.Init(&device, nullptr);
    media::VertexBufferPool otherPool;
    media::RenderKit otherKit;
    Overlay other{otherPool, otherKit};
    std::int32_t parity = 1;
    other.ShowLoadingScreen(&device, nullptr, &parity);
    EXPECT_EQ(other.QuadHandle(), -1) << "its pool has no device";
    EXPECT_EQ(pool.vertexBufferCount(), 0);

    overlay.ShowLoadingScreen(&device, nullptr, &parity);
    ASSERT_GE(overlay.QuadHandle(), 0);
    EXPECT_EQ(pool.vertexBufferCount(), 1);
    IDirect3DVertexBuffer8* quad = pool.vertexBuffer(overlay.QuadHandle());
    ASSERT_NE(quad, nullptr);
    OverlayFrame frame;
    frame.showFps = true;
    frame.fps = 7;
    overlay.Draw(&device, frame);
    EXPECT_EQ(device.stream0, quad);
}

}  // namespace
}  // namespace eh::graphics

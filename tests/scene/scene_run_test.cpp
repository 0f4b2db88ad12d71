// The assembled scene on the offscreen device with the program's own media (archive 453):
// set-up, the frame update over a whole playlist, and frames compared with references.
//
// References live in tests/scene/references/. To make them anew after an intended change
// of the picture, run the test with EMBERHOLD_UPDATE_REFERENCES=1 and look at the PNGs:
//   EMBERHOLD_UPDATE_REFERENCES=1 build/dev/tests/scene/scene_run_tests
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d8/d3d8_ext.h"
#include "platform/os/message_box.h"
#include "scene/scene_world.h"
#include "support/require_device.h"

namespace eh::scene {
namespace {

constexpr UINT kWidth = 320, kHeight = 240;
constexpr std::uint32_t kSeed = 7;

struct World {
    // Every texture, mesh and clip the scene asks for must load without a warning box;
    // the catcher is in place before the scene loads.
    std::vector<std::string> boxes;
    os::ScopedMessageBoxHandler boxCatcher{[this](const os::MessageBoxCall& call) {
        boxes.push_back(call.caption + ": " + call.text);
        return IDOK;
    }};
    testing::SceneWorld loaded;
    explicit World(bool readAhead = false) : loaded(kWidth, kHeight, kSeed, readAhead) {}
    d3d8test::OffscreenDevice& device = loaded.device;
    media::RenderKit& kit = loaded.kit;
    std::unique_ptr<Scene>& scene = loaded.scene;
    std::vector<std::uint32_t> frame() { return loaded.frame(); }
};

std::string referencePath(const std::string& name) {
    return std::string(EH_REFERENCE_DIR) + "/" + name + ".png";
}

bool writePng(const std::string& path, const std::vector<std::uint32_t>& argb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = PNG_FORMAT_BGRA;
    return png_image_write_to_file(&image, path.c_str(), 0, argb.data(), 0, nullptr) != 0;
}

bool readPng(const std::string& path, std::vector<std::uint32_t>& argb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_BGRA;
    if (image.width != kWidth || image.height != kHeight) {
        png_image_free(&image);
        return false;
    }
    argb.resize(static_cast<std::size_t>(kWidth) * kHeight);
    return png_image_finish_read(&image, nullptr, argb.data(), 0, nullptr) != 0;
}

// Compares with the reference within a tolerance for rasteriser differences: the mean
// channel difference stays small and few pixels differ much.
void expectLikeReference(const std::vector<std::uint32_t>& pixels, const std::string& name) {
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(kWidth) * kHeight);
    if (const char* update = std::getenv("EMBERHOLD_UPDATE_REFERENCES"); update && *update == '1') {
        ASSERT_TRUE(writePng(referencePath(name), pixels));
        return;
    }
    std::vector<std::uint32_t> reference;
    ASSERT_TRUE(readPng(referencePath(name), reference)) << referencePath(name);
    double sum = 0.0;
    int far = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        int worst = 0;
        for (int shift : {0, 8, 16}) {
            int d = std::abs(static_cast<int>((pixels[i] >> shift) & 0xFF) -
                             static_cast<int>((reference[i] >> shift) & 0xFF));
            sum += d;
            worst = std::max(worst, d);
        }
        if (worst > 48) ++far;
    }
    double mean = sum / (pixels.size() * 3.0);
    EXPECT_LT(mean, 3.0) << name;
    EXPECT_LT(far, static_cast<int>(pixels.size() / 50)) << name;
}

// Each test loads the scene anew with the same seed, so it sees the same run whatever
// runs before it.
#define EXPECT_FAILED(expr) EXPECT_TRUE(FAILED(expr))

class SceneRun : public ::testing::Test {
protected:
    void SetUp() override {
        world = std::make_unique<World>();
        EH_REQUIRE_DEVICE(world->device.ok(), "no offscreen device");
    }
    std::unique_ptr<World> world;
};

TEST_F(SceneRun, A_LoadSceneLeavesDaylightAndTheFirstTrackRunning) {
    Scene& s = *world->scene;
    EXPECT_FLOAT_EQ(s.Timer().Value(), 0.0f);
    EXPECT_EQ(s.Timer().VisionMode(), 0);
    EXPECT_FALSE(s.Crows().active);
    EXPECT_TRUE(s.Fade().enabled);
    EXPECT_FLOAT_EQ(s.Fade().level, 0.0f);
    EXPECT_EQ(s.Playlist().count, 10);
    EXPECT_EQ(s.Playlist().position, 0);
    EXPECT_EQ(s.Camera().CurrentTrack(), s.Playlist().entries[0]);
    EXPECT_EQ(s.Horse().count, 17);
    EXPECT_GT(s.Ground().columns(), 0) << "the terrain came out of archive 453";
    EXPECT_TRUE(world->boxes.empty()) << world->boxes.front();
    // Sky 6, ground 2, grass, particle, 2 trees, 10 pictures, rays, ribbon, corona and the
    // model textures: all of them loaded.
    EXPECT_GE(world->kit.slotCount(), 30);
    for (int i = 0; i < world->kit.slotCount(); ++i) {
        const media::RenderKit::TextureSlot& slot = world->kit.slot(i);
        EXPECT_TRUE(slot.loaded) << slot.folder << slot.name;
    }
}

TEST_F(SceneRun, B_FirstFrameLooksLikeItsReference) {
    Scene& s = *world->scene;
    s.FrameMove(world->device.get(), 33.0f);
    expectLikeReference(world->frame(), "scene_start");
}

TEST_F(SceneRun, C_FrameWithZeroTimeMovesNothing) {
    Scene& s = *world->scene;
    const float timer = s.Timer().Value();
    const int horseIndex = s.Horse().index;
    const float horseTime = s.Horse().time;
    const Vector3 eye = s.Camera().Eye();
    const float fade = s.Fade().level;
    s.FrameMove(world->device.get(), 0.0f);
    EXPECT_EQ(s.Timer().Value(), timer);
    EXPECT_EQ(s.Horse().index, horseIndex);
    EXPECT_EQ(s.Horse().time, horseTime);
    EXPECT_EQ(s.Fade().level, fade);
    // The camera takes its smallest step (0.0001 scene steps) so that it never stalls.
    EXPECT_NEAR(s.Camera().Eye().x, eye.x, 0.01f);
    EXPECT_NEAR(s.Camera().Eye().z, eye.z, 0.01f);
}

TEST_F(SceneRun, D_AWholePlaylistRunsTheVisionAtItsPositions) {
    Scene& s = *world->scene;
    int lastPosition = s.Playlist().position;
    int cuts = 0;
    bool crowsFlewAtPositionOne = false;
    bool sawCycle = false;
    float wrappedTo = -1.0f;
    float maxTimer = 0.0f;
    bool fadeStartedAt255 = true;
    // 100 ms steps; a playlist of ten tracks lasts a few minutes.
    for (int step = 0; step < 20 * 60 * 10 && cuts < 11; ++step) {
        s.FrameMove(world->device.get(), 100.0f);
        int position = s.Playlist().position;
        if (position != lastPosition) {
            ++cuts;
            if (s.Fade().enabled && s.Fade().level < 250.0f) fadeStartedAt255 = false;
            switch (position) {
                case 1: crowsFlewAtPositionOne = s.Crows().active; break;
                case 5: EXPECT_EQ(s.Timer().VisionMode(), 1); break;
                case 8: EXPECT_EQ(s.Timer().VisionMode(), 2); break;
                case 9: EXPECT_EQ(s.Timer().VisionMode(), 0); break;
                default: break;
            }
            lastPosition = position;
        }
        const float before = maxTimer;
        maxTimer = std::max(maxTimer, s.Timer().Value());
        if (s.Timer().VisionMode() == 1 && s.Timer().Value() < 5200.0f && before > 19000.0f &&
            !sawCycle) {
            sawCycle = true;
            wrappedTo = s.Timer().Value();
        }
    }
    EXPECT_GE(cuts, 10) << "the playlist ran through";
    EXPECT_TRUE(crowsFlewAtPositionOne);
    EXPECT_TRUE(fadeStartedAt255) << "every cut restarts the crossfade from full";
    EXPECT_GT(maxTimer, 9000.0f) << "the vision pictures came";
    // Mode 1 lasts three tracks, longer than one picture cycle: past 20000 the timer went
    // back to 5100 and the cycle began again, instead of running on or stopping.
    EXPECT_TRUE(sawCycle) << "the picture cycle repeated in mode 1";
    EXPECT_FLOAT_EQ(wrappedTo, 5100.0f);
}

TEST_F(SceneRun, E_VisionFrameLooksLikeItsReference) {
    // Straight into the vision: mode 1 with the picture fully in.
    Scene& s = *world->scene;
    s.Timer().SetVisionMode(1);
    s.Timer().SetValue(13000.0f);
    s.FrameMove(world->device.get(), 33.0f);
    std::vector<std::uint32_t> pixels = world->frame();
    expectLikeReference(pixels, "scene_vision");
    // Darkened: the average brightness is well below the daylight frame's.
    double sum = 0;
    for (std::uint32_t p : pixels) sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
    EXPECT_LT(sum / pixels.size() / 3.0, 110.0);
}

TEST_F(SceneRun, F_DeviceResetNeedsTheDefaultPoolObjectsReleasedAndRecreated) {
    Scene& s = *world->scene;
    IDirect3DDevice8* device = world->device.get();
    ASSERT_EQ(d3d8::SimulateDeviceLoss(device), D3D_OK);
    HRESULT level = device->TestCooperativeLevel();
    for (int i = 0; i < 100 && level == D3DERR_DEVICELOST; ++i) level = device->TestCooperativeLevel();
    EXPECT_EQ(level, D3DERR_DEVICENOTRESET);
    // With the crossfade target and the spare depth surface alive, Reset must fail.
    EXPECT_FAILED(device->Reset(&world->device.presentParameters()));
    s.InvalidateDeviceObjects();
    EXPECT_FALSE(s.Fade().enabled);
    ASSERT_EQ(device->Reset(&world->device.presentParameters()), D3D_OK);
    s.InitDeviceState(device);
    s.RestoreDeviceObjects(device);
    EXPECT_TRUE(s.Fade().enabled);
    // The scene draws again after the reset, as before it.
    s.FrameMove(device, 33.0f);
    std::vector<std::uint32_t> pixels = world->frame();
    expectLikeReference(pixels, "scene_start");
}

TEST_F(SceneRun, G_MediaReadAheadOnASecondThreadLoadTheSameScene) {
    // The same moments (the first frame, a vision frame, a frame after both) drawn from a
    // scene whose media were read directly and from one that read them ahead: every pixel
    // equal, and no warning box either way.
    auto frames = [](World& w) {
        std::vector<std::vector<std::uint32_t>> out;
        Scene& s = *w.scene;
        s.FrameMove(w.device.get(), 33.0f);
        out.push_back(w.frame());
        s.Timer().SetVisionMode(1);
        s.Timer().SetValue(13000.0f);
        s.FrameMove(w.device.get(), 33.0f);
        out.push_back(w.frame());
        for (int i = 0; i < 30; ++i) s.FrameMove(w.device.get(), 33.0f);
        out.push_back(w.frame());
        return out;
    };
    const auto direct = frames(*world);
    EXPECT_TRUE(world->boxes.empty());
    const int directTextures = world->kit.slotCount();
    world.reset();
    world = std::make_unique<World>(true);
    ASSERT_TRUE(world->scene);
    const auto ahead = frames(*world);
    EXPECT_TRUE(world->boxes.empty()) << world->boxes.front();
    EXPECT_EQ(world->kit.slotCount(), directTextures);
    ASSERT_EQ(ahead.size(), direct.size());
    for (std::size_t i = 0; i < direct.size(); ++i) {
        ASSERT_EQ(ahead[i].size(), direct[i].size());
        EXPECT_TRUE(ahead[i] == direct[i]) << "frame " << i;
    }
}

}  // namespace
}  // namespace eh::scene

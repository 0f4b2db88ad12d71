// The sky box, the corona and the light rays drawn on the offscreen Direct3D 8 device.
// The sky test paints six faces from one smooth function of the view direction, using the
// face orientation table the media generator shares, and checks that every pixel of
// several views (across edges and corners) shows the colour of its own direction: a face
// turned, mirrored, culled away or bleeding at its edges shows up as a wrong colour.
// Skipped where no device can be made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/platform/d3d8/offscreen_device.h"
#include "scene/corona.h"
#include "scene/light_rays.h"
#include "scene/sky_box.h"
#include "scene/sky_render_helpers.h"
#include "support/require_device.h"

namespace eh::scene {
namespace {

using namespace eh::scene::testing;

constexpr UINT kWidth = 160, kHeight = 120;

// Uncompressed 32-bit TGA, rows stored bottom-up, from top-down ARGB pixels.
std::vector<std::uint8_t> Tga(int w, int h, const std::vector<std::uint32_t>& argb) {
    std::vector<std::uint8_t> b(18, 0);
    b[2] = 2;
    b[12] = static_cast<std::uint8_t>(w & 0xFF);
    b[13] = static_cast<std::uint8_t>(w >> 8);
    b[14] = static_cast<std::uint8_t>(h & 0xFF);
    b[15] = static_cast<std::uint8_t>(h >> 8);
    b[16] = 32;
    b[17] = 8;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = argb[static_cast<std::size_t>(y * w + x)];
            b.insert(b.end(),
                     {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                      static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 24)});
        }
    }
    return b;
}

// A smooth colour per direction; every channel changes across every edge of the box.
std::uint32_t DirectionColour(model::Vector3 d) {
    const float n = model::Length(d);
    auto ch = [](float v) { return static_cast<std::uint32_t>(std::lround(128.0f + 110.0f * v)); };
    return 0xFF000000u | ch(d.x / n) << 16 | ch(d.y / n) << 8 | ch(d.z / n);
}

// The media generator's face table (image right and down seen from inside), by Face.
struct FaceFrame {
    model::Vector3 centre, right, down;
};
FaceFrame FrameOf(SkyBox::Face f) {
    const float w = 1000.0f, h = 750.0f;
    switch (f) {
        case SkyBox::kFront:
            return {{0, 0, w}, {w, 0, 0}, {0, -h, 0}};
        case SkyBox::kBack:
            return {{0, 0, -w}, {-w, 0, 0}, {0, -h, 0}};
        case SkyBox::kLeft:
            return {{-w, 0, 0}, {0, 0, w}, {0, -h, 0}};
        case SkyBox::kRight:
            return {{w, 0, 0}, {0, 0, -w}, {0, -h, 0}};
        case SkyBox::kTop:
            return {{0, h, 0}, {w, 0, 0}, {0, 0, w}};
        default:
            return {{0, -h, 0}, {w, 0, 0}, {0, 0, -w}};
    }
}

std::vector<std::uint8_t> FaceImage(SkyBox::Face f, int size) {
    const FaceFrame fr = FrameOf(f);
    const float m = SkyBox::kUvInset;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(size * size));
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
            const float a = (u - m) / (1 - 2 * m) * 2 - 1, b = (v - m) / (1 - 2 * m) * 2 - 1;
            const model::Vector3 p = model::Add(
                fr.centre, model::Add(model::Scale(a, fr.right), model::Scale(b, fr.down)));
            px[static_cast<std::size_t>(y * size + x)] = DirectionColour(p);
        }
    }
    return Tga(size, size, px);
}

int Channel(std::uint32_t c, int shift) {
    return static_cast<int>((c >> shift) & 0xFF);
}

int ColourDistance(std::uint32_t a, std::uint32_t b) {
    return std::max({std::abs(Channel(a, 16) - Channel(b, 16)),
                     std::abs(Channel(a, 8) - Channel(b, 8)),
                     std::abs(Channel(a, 0) - Channel(b, 0))});
}

class SkyRenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EH_REQUIRE_DEVICE(dev.ok(), "no offscreen Direct3D device");
        pool.Init(dev.get(), nullptr);
        kit.Init(dev.d3d(), dev.get(), D3DFMT_X8R8G8B8, nullptr);
    }
    void TearDown() override {
        if (!dev.ok()) return;
        kit.ReleaseAll();
        pool.ReleaseAll();
    }

    // Draws the sky (faces from `images`) and optionally the corona; returns the pixels.
    std::vector<std::uint32_t> Frame(SkyBox* sky, const model::Matrix4& view,
                                     Corona* corona = nullptr, float intensity = 1.0f,
                                     float clearDepth = 1.0f) {
        IDirect3DDevice8* d = dev.get();
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, clearDepth, 0);
        d->BeginScene();
        BaseState(d);
        SetMatrix(d, D3DTS_VIEW, view);
        SkyState(d);
        if (sky != nullptr) sky->Draw(d, 0);
        if (corona != nullptr) {
            CoronaState(d);
            if (clearDepth < 1.0f) {
                // The second pass: depth test on, no depth writes.
                d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
                d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
            }
            corona->Draw(d, intensity);
        }
        d->EndScene();
        return dev.presentAndRead();
    }

    media::TextureRef Texture(const std::vector<std::uint8_t>& bytes, const char* name) {
        return kit.CreateTextureFromMemory(bytes.data(), static_cast<UINT>(bytes.size()), name, "",
                                           false);
    }

    d3d8test::OffscreenDevice dev{kWidth, kHeight};
    media::VertexBufferPool pool;
    media::RenderKit kit;
};

TEST_F(SkyRenderTest, EveryPixelShowsItsOwnDirectionAcrossEdgesAndCorners) {
    SkyBox sky(pool, kit);
    sky.Setup();
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (int f = 0; f < SkyBox::kFaceCount; ++f) {
        const std::string name = "face" + std::to_string(f);
        files[name] = FaceImage(static_cast<SkyBox::Face>(f), 128);
        sky.SetFaceFile(static_cast<SkyBox::Face>(f), name.c_str());
    }
    sky.Load([&files](const std::string& name, std::vector<std::uint8_t>* bytes) {
        *bytes = files.at(name);
        return true;
    });
    for (const auto& face : sky.faces) ASSERT_GE(face.index, 0);

    const model::Matrix4 proj = SceneProjection();
    struct View {
        float yaw, pitch;
    };
    // Face centres, vertical edges, the sun's corner, and the corners at top and bottom.
    const View views[] = {{90, 0},  {0, 0},    {225, 0}, {225, 20}, {45, 10},  {315, -10},
                          {135, 5}, {200, 80}, {45, 55}, {30, -75}, {300, -50}};
    for (const View& v : views) {
        SCOPED_TRACE("yaw " + std::to_string(v.yaw) + " pitch " + std::to_string(v.pitch));
        const model::Matrix4 view = ViewTowards({350.0f, -40.0f, 90.0f}, v.yaw, v.pitch);
        const std::vector<std::uint32_t> px = Frame(&sky, view);
        ASSERT_EQ(px.size(), static_cast<std::size_t>(kWidth * kHeight));
        int worst = 0, worstX = 0, worstY = 0;
        for (UINT y = 1; y < kHeight; y += 3) {
            for (UINT x = 1; x < kWidth; x += 3) {
                // View-space direction of the pixel centre, then world (rows of the view's
                // rotation are the world axes in view space).
                const float vx = ((x + 0.5f) / kWidth * 2 - 1) / proj.at(0, 0);
                const float vy = (1 - (y + 0.5f) / kHeight * 2) / proj.at(1, 1);
                const model::Vector3 world{vx * view.at(0, 0) + vy * view.at(0, 1) + view.at(0, 2),
                                           vx * view.at(1, 0) + vy * view.at(1, 1) + view.at(1, 2),
                                           vx * view.at(2, 0) + vy * view.at(2, 1) + view.at(2, 2)};
                const int dist = ColourDistance(px[y * kWidth + x], DirectionColour(world));
                if (dist > worst) {
                    worst = dist;
                    worstX = static_cast<int>(x);
                    worstY = static_cast<int>(y);
                }
            }
        }
        EXPECT_LE(worst, 10) << "at pixel (" << worstX << ", " << worstY << ")";
    }
}

TEST_F(SkyRenderTest, TheBoxMovesWithTheEye) {
    SkyBox sky(pool, kit);
    sky.Setup();
    sky.Load([](const std::string&, std::vector<std::uint8_t>* bytes) {
        *bytes = FaceImage(SkyBox::kFront, 32);
        return true;
    });
    const auto near = Frame(&sky, ViewTowards({0, 0, 0}, 80.0f, 10.0f));
    const auto far = Frame(&sky, ViewTowards({900.0f, 700.0f, -2500.0f}, 80.0f, 10.0f));
    ASSERT_FALSE(near.empty());
    int differing = 0;
    for (std::size_t i = 0; i < near.size(); ++i) differing += ColourDistance(near[i], far[i]) > 1;
    EXPECT_EQ(differing, 0);
}

class CoronaRenderTest : public SkyRenderTest {
  protected:
    void SetUp() override {
        SkyRenderTest::SetUp();
        if (!dev.ok()) return;
        corona.Setup();
        corona.SetSun(225.0f, 20.0f, 100.0f);
        corona.texture =
            Texture(Tga(4, 4, std::vector<std::uint32_t>(16, 0xFFFFFFFFu)), "corona.tga");
    }
    // Bounding box of the lit pixels and their brightest colour.
    struct Lit {
        int count = 0, left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
        std::uint32_t sample = 0;
    };
    static Lit Scan(const std::vector<std::uint32_t>& px) {
        Lit lit;
        for (int y = 0; y < static_cast<int>(kHeight); ++y) {
            for (int x = 0; x < static_cast<int>(kWidth); ++x) {
                const std::uint32_t c =
                    px[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)];
                if ((c & 0xFFFFFF) == 0) continue;
                ++lit.count;
                lit.left = std::min(lit.left, x);
                lit.right = std::max(lit.right, x);
                lit.top = std::min(lit.top, y);
                lit.bottom = std::max(lit.bottom, y);
                lit.sample = c;
            }
        }
        return lit;
    }
    Corona corona{pool, kit};
};

TEST_F(CoronaRenderTest, SpriteSitsOnTheSunAndScalesWithTheAngle) {
    // Looking 10 degrees left of the sun: the sprite is right of centre, at the sun.
    const Lit off = Scan(Frame(nullptr, ViewTowards({5, 5, 5}, 235.0f, 20.0f), &corona));
    ASSERT_GT(off.count, 0);
    EXPECT_GT((off.left + off.right) / 2, static_cast<int>(kWidth) / 2 + 10);
    EXPECT_NEAR(Channel(off.sample, 16), 230, 2);
    EXPECT_NEAR(Channel(off.sample, 8), 180, 2);
    EXPECT_NEAR(Channel(off.sample, 0), 55, 2);
    // Its height is SizeAt(angle) of the viewport, its width 0.75 of that in screen units.
    const float size = corona.SizeAt(corona.offAxisAngle);
    EXPECT_NEAR(off.bottom - off.top + 1, size * kHeight, 2.0f);
    EXPECT_NEAR(off.right - off.left + 1, size * 0.75f * kWidth, 2.0f);

    // Straight at the sun the sprite is centred and taller than the screen (1.1).
    const Lit at = Scan(Frame(nullptr, ViewTowards({5, 5, 5}, 225.0f, 20.0f), &corona));
    EXPECT_EQ(at.top, 0);
    EXPECT_EQ(at.bottom, static_cast<int>(kHeight) - 1);
    EXPECT_NEAR((at.left + at.right) / 2.0f, kWidth / 2.0f, 1.5f);

    // Half intensity halves the colour; 40 degrees away nothing is drawn.
    const Lit dim = Scan(Frame(nullptr, ViewTowards({5, 5, 5}, 225.0f, 20.0f), &corona, 0.5f));
    EXPECT_NEAR(Channel(dim.sample, 16), 115, 2);
    EXPECT_EQ(Scan(Frame(nullptr, ViewTowards({5, 5, 5}, 265.0f, 20.0f), &corona)).count, 0);
    EXPECT_EQ(Scan(Frame(nullptr, ViewTowards({5, 5, 5}, 45.0f, -20.0f), &corona)).count, 0);
}

TEST_F(CoronaRenderTest, NearerDepthHidesTheSecondPass) {
    // Depth 0.5 stands for geometry right in front of the camera, 0.9985 for a tree about
    // 30 units away (near 0.05, far 300); both hide the sprite. Only an empty depth buffer
    // (the sky) lets it through.
    const auto view = ViewTowards({0, 0, 0}, 225.0f, 20.0f);
    EXPECT_EQ(Scan(Frame(nullptr, view, &corona, 1.0f, 0.5f)).count, 0);
    EXPECT_EQ(Scan(Frame(nullptr, view, &corona, 1.0f, 0.9985f)).count, 0);
    EXPECT_GT(Scan(Frame(nullptr, view, &corona, 1.0f, 1.0f)).count, 0);
}

TEST_F(SkyRenderTest, RaysAddLightOnlyWithIntensityAndFromBothSides) {
    LightRays rays(pool, kit);
    rays.Setup();
    for (LightRays::Ray& r : rays.rays) {
        r.duration = 40.0f;
        r.remaining = 20.0f;  // all at their peak, 55
    }
    std::vector<std::uint8_t> bmp(54, 0);
    // A white texture: 24-bit BMPs carry no alpha, so the texel alpha is 255.
    rays.texture = Texture(Tga(4, 4, std::vector<std::uint32_t>(16, 0xFFFFFFFFu)), "Rays");
    auto draw = [&](float yaw, const model::Vector3& eye, float k) {
        IDirect3DDevice8* d = dev.get();
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        d->BeginScene();
        BaseState(d);
        SetMatrix(d, D3DTS_VIEW, ViewTowards(eye, yaw, 10.0f));
        d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        RayState(d);
        rays.Draw(d, k);
        d->EndScene();
        int brightest = 0;
        for (std::uint32_t c : dev.presentAndRead()) brightest = std::max(brightest, Channel(c, 8));
        return brightest;
    };
    const int east = draw(180.0f, {600.0f, 150.0f, 55.4f}, 1.0f);
    const int west = draw(0.0f, {-150.0f, 150.0f, 55.4f}, 1.0f);
    // At least one ray (55) and at most all ten overlapping.
    EXPECT_GE(east, 54);
    EXPECT_GE(west, 54);
    EXPECT_LE(east, 255);
    EXPECT_EQ(draw(180.0f, {600.0f, 150.0f, 55.4f}, 0.0f), 0);
    DWORD cull = 0;
    dev->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CCW));
}

}  // namespace
}  // namespace eh::scene

// The sky box, the corona and the light rays against the fake device: geometry,
// random-draw order, timers, the brightness triangle, corona size and visibility, and the
// calls and states each draw makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "platform/os/crt_random.h"
#include "scene/corona.h"
#include "scene/light_rays.h"
#include "scene/sky_box.h"
#include "support/fake_device.h"
#include "support/fake_direct3d.h"

namespace eh::scene {
namespace {

using testing::FakeDevice;
using testing::FakeDirect3D;

FakeDevice* gDevice = nullptr;

// Every texture "loads" as a 4 x 4 fake, whatever the bytes.
HRESULT FakeLoader(IDirect3DDevice8*, const void*, UINT, UINT, UINT, D3DFORMAT,
                   IDirect3DTexture8** texture) {
    return gDevice->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture);
}

class Fixture : public ::testing::Test {
  protected:
    void SetUp() override {
        gDevice = &device;
        d3d.offered = {D3DFMT_A1R5G5B5};
        kit.setTextureLoader(&FakeLoader);
        kit.Init(&d3d, &device, D3DFMT_X8R8G8B8, nullptr);
        pool.Init(&device, nullptr);
    }
    void TearDown() override { gDevice = nullptr; }

    FakeDevice device;
    FakeDirect3D d3d;
    media::RenderKit kit;
    media::VertexBufferPool pool;
};

void SetMatrix(IDirect3DDevice8* d, D3DTRANSFORMSTATETYPE which, const model::Matrix4& m) {
    D3DMATRIX out;
    std::memcpy(&out, m.m, sizeof out);
    d->SetTransform(which, &out);
}

// The scene's projection: 54 x 44 degrees, near 0.05, far 300, m44 left at 1.
model::Matrix4 SceneProjection() {
    model::Matrix4 p = model::Matrix4::Identity();
    p.at(0, 0) = 1.0f / std::tan(0.9424778f / 2.0f);
    p.at(1, 1) = 1.0f / std::tan(0.7679449f / 2.0f);
    p.at(2, 2) = 300.0f / (300.0f - 0.05f);
    p.at(2, 3) = 1.0f;
    p.at(3, 2) = -0.05f * 300.0f / (300.0f - 0.05f);
    return p;
}

// The view of a camera at `eye` looking along yaw / pitch (degrees), as the frame builds it.
model::Matrix4 ViewTowards(const model::Vector3& eye, float yawDeg, float pitchDeg) {
    const float y = yawDeg * 0.017453292f, p = pitchDeg * 0.017453292f;
    const model::Vector3 at{eye.x + std::cos(y) * std::cos(p), eye.y + std::sin(p),
                            eye.z + std::sin(y) * std::cos(p)};
    model::Matrix4 view;
    model::BuildViewMatrix(&view, eye, at, {0.0f, 1.0f, 0.0f});
    return view;
}

// ---------------------------------------------------------------------------------------
// Sky box

// The face table shared with the media generator: outward axis, image right, image down.
struct FaceBasis {
    model::Vector3 outward, right, down, normal;
};
const FaceBasis kBases[6] = {
    {{0, 0, 1}, {1, 0, 0}, {0, -1, 0}, {0, 0, -1}},   // 0-5 front
    {{0, 0, -1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}},  // 6-11 back
    {{-1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {1, 0, 0}},   // 12-17 left
    {{1, 0, 0}, {0, 0, -1}, {0, -1, 0}, {-1, 0, 0}},  // 18-23 right
    {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}},    // 24-29 top
    {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}, {0, -1, 0}},  // 30-35 bottom
};

TEST(SkyBoxGeometry, FacesLieOnTheBoxWithTheSharedImageOrientation) {
    const auto v = SkyBox::BuildVertices();
    const float m = 0.00075f;
    for (int face = 0; face < 6; ++face) {
        const FaceBasis& b = kBases[face];
        for (int i = 0; i < 6; ++i) {
            const ClothVertex& x = v[static_cast<std::size_t>(face * 6 + i)];
            SCOPED_TRACE("face " + std::to_string(face) + " vertex " + std::to_string(i));
            // On the face plane: 1000 out in x or z, 750 in y.
            const float out = model::Dot(x.position, b.outward);
            EXPECT_FLOAT_EQ(out, b.outward.y != 0 ? 750.0f : 1000.0f);
            EXPECT_EQ(x.color, 0xFFFFFFFFu);
            EXPECT_FLOAT_EQ(x.normal.x, b.normal.x);
            EXPECT_FLOAT_EQ(x.normal.y, b.normal.y);
            EXPECT_FLOAT_EQ(x.normal.z, b.normal.z);
            // The inset edge of the image sits on the side the image starts from.
            const bool leftEdge = model::Dot(x.position, b.right) < 0;
            const bool topEdge = model::Dot(x.position, b.down) < 0;
            EXPECT_FLOAT_EQ(x.u, leftEdge ? m : 1 - m);
            EXPECT_FLOAT_EQ(x.v, topEdge ? m : 1 - m);
        }
    }
}

TEST(SkyBoxGeometry, TrianglesCoverEachFaceAndTurnClockwiseFromInside) {
    const auto v = SkyBox::BuildVertices();
    for (int t = 0; t < 12; ++t) {
        const model::Vector3 a = v[static_cast<std::size_t>(3 * t)].position;
        const model::Vector3 b = v[static_cast<std::size_t>(3 * t + 1)].position;
        const model::Vector3 c = v[static_cast<std::size_t>(3 * t + 2)].position;
        const model::Vector3 n = model::Cross(model::Subtract(b, a), model::Subtract(c, a));
        // Left-handed: a triangle clockwise to the viewer has its cross product toward it.
        const model::Vector3 centroid = model::Scale(1.0f / 3.0f, model::Add(model::Add(a, b), c));
        EXPECT_LT(model::Dot(n, centroid), 0.0f) << "triangle " << t;
        // Half a face each: |n| / 2 is half the face's area.
        const FaceBasis& basis = kBases[t / 2];
        const float area = basis.outward.y != 0 ? 2000.0f * 2000.0f : 2000.0f * 1500.0f;
        EXPECT_NEAR(model::Length(n) / 2.0f, area / 2.0f, 1.0f) << "triangle " << t;
    }
}

class SkyBoxTest : public Fixture {};

TEST_F(SkyBoxTest, LoadReadsTheStoredNamesInDrawOrderAndKeepsMissingRecords) {
    SkyBox sky(pool, kit);
    sky.Setup();
    EXPECT_EQ(sky.faceSetCount, 1);
    EXPECT_STREQ(sky.faces[SkyBox::kBack].firstName, "Texture/mpcarentan_bk.jpg");
    EXPECT_EQ(sky.faces[SkyBox::kBack].index, -1);
    std::vector<std::string> asked;
    sky.Load([&asked](const std::string& name, std::vector<std::uint8_t>* bytes) {
        asked.push_back(name);
        if (name == "Texture/mpcarentan_lf.jpg") return false;
        bytes->assign(8, 0x5A);
        return true;
    });
    const std::vector<std::string> order = {
        "Texture/mpcarentan_ft.jpg", "Texture/mpcarentan_bk.jpg", "Texture/mpcarentan_lf.jpg",
        "Texture/mpcarentan_rt.jpg", "Texture/mpcarentan_up.jpg", "Texture/mpcarentan_dn.jpg"};
    EXPECT_EQ(asked, order);
    ASSERT_EQ(kit.slotCount(), 5);
    // Named by the entry, empty folder.
    EXPECT_EQ(kit.slot(0).name, "Texture/mpcarentan_ft.jpg");
    EXPECT_EQ(kit.slot(0).folder, "");
    EXPECT_EQ(sky.faces[SkyBox::kFront].index, 0);
    EXPECT_EQ(sky.faces[SkyBox::kBottom].index, 4);
    EXPECT_STREQ(sky.faces[SkyBox::kBottom].secondName, "Texture/mpcarentan_dn.jpg");
    EXPECT_EQ(sky.faces[SkyBox::kLeft].index, -1);
    EXPECT_STREQ(sky.faces[SkyBox::kLeft].firstName, "Texture/mpcarentan_lf.jpg");

    // A second box reuses the slots (reuse set).
    SkyBox again(pool, kit);
    again.SetFaceFile(SkyBox::kTop, "Texture/mpcarentan_up.jpg");
    again.Load([](const std::string&, std::vector<std::uint8_t>* bytes) {
        bytes->assign(8, 1);
        return true;
    });
    EXPECT_EQ(kit.slotCount(), 5);
    EXPECT_EQ(again.faces[SkyBox::kTop].index, sky.faces[SkyBox::kTop].index);
}

TEST_F(SkyBoxTest, RenderCentresOnTheEyeDrawsSixFacesAndRestoresTheView) {
    SkyBox sky(pool, kit);
    sky.Setup();
    // Only the front and top faces get textures, so the bindings show which face is drawn.
    sky.Load([](const std::string& name, std::vector<std::uint8_t>* bytes) {
        bytes->assign(8, 1);
        return name == "Texture/mpcarentan_ft.jpg" || name == "Texture/mpcarentan_up.jpg";
    });
    const model::Matrix4 view = ViewTowards({120.0f, 40.0f, -80.0f}, 30.0f, 10.0f);
    SetMatrix(&device, D3DTS_VIEW, view);
    device.SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    device.SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR);
    device.log.clear();

    D3DMATRIX seen{};
    std::vector<std::string> draws;
    sky.Draw(&device, 0);
    for (const std::string& line : device.log) {
        if (line.rfind("SetTexture(", 0) == 0 || line.rfind("DrawPrimitive(", 0) == 0)
            draws.push_back(line);
    }
    const std::vector<std::string> expected = {
        "SetTexture(0,tex)",     "DrawPrimitive(4,0,2)",  "SetTexture(0,null)",
        "DrawPrimitive(4,6,2)",  "SetTexture(0,null)",    "DrawPrimitive(4,12,2)",
        "SetTexture(0,null)",    "DrawPrimitive(4,18,2)", "SetTexture(0,tex)",
        "DrawPrimitive(4,24,2)", "SetTexture(0,null)",    "DrawPrimitive(4,30,2)"};
    EXPECT_EQ(draws, expected);
    // Two view settings: centred, then restored.
    EXPECT_EQ(device.Calls("SetTransform(2").size(), 2u);
    seen = device.transforms[D3DTS_VIEW];
    EXPECT_EQ(std::memcmp(&seen, view.m, sizeof seen), 0);
    EXPECT_EQ(device.stream0Stride, 36u);
    EXPECT_EQ(device.Calls("SetRenderState").size(), 0u) << "states are the caller's";
    // Faces are drawn with clamped addressing; the caller's modes come back.
    const std::vector<std::string> addressing = {
        "SetTextureStageState(0,13,3)", "SetTextureStageState(0,14,3)",
        "SetTextureStageState(0,13,1)", "SetTextureStageState(0,14,2)"};
    EXPECT_EQ(device.Calls("SetTextureStageState"), addressing);
    const auto firstDraw = std::find(device.log.begin(), device.log.end(), "DrawPrimitive(4,0,2)");
    const auto clamp = std::find(device.log.begin(), device.log.end(), addressing[1]);
    const auto lastDraw = std::find(device.log.begin(), device.log.end(), "DrawPrimitive(4,30,2)");
    const auto restore = std::find(device.log.begin(), device.log.end(), addressing[2]);
    EXPECT_LT(clamp, firstDraw);
    EXPECT_GT(restore, lastDraw);
}

TEST_F(SkyBoxTest, FaceSetsOutsideTheCountDrawNothing) {
    SkyBox sky(pool, kit);
    sky.Setup();
    sky.faceSetCount = 0;
    sky.Draw(&device, 0);
    sky.faceSetCount = 1;
    sky.Draw(&device, 1);
    sky.Draw(&device, -1);
    EXPECT_TRUE(device.Calls("DrawPrimitive").empty());
    EXPECT_TRUE(device.Calls("SetTransform").empty());
    sky.Draw(&device, 0);
    EXPECT_EQ(device.Calls("DrawPrimitive").size(), 6u);
}

TEST_F(SkyBoxTest, WithoutABufferNothingIsDrawn) {
    device.failVertexBuffers = true;
    SkyBox sky(pool, kit);
    sky.Setup();
    sky.Draw(&device, 0);
    EXPECT_TRUE(device.Calls("DrawPrimitive").empty());
}

// ---------------------------------------------------------------------------------------
// Corona

class CoronaTest : public Fixture {
  protected:
    void SetUp() override {
        Fixture::SetUp();
        corona.Setup();
        corona.SetSun(225.0f, 20.0f, 100.0f);
        SetMatrix(&device, D3DTS_PROJECTION, SceneProjection());
    }
    // The drawn quad's vertices.
    const media::Quad2DVertex* Quad() {
        auto* vb = device.AsFake(pool.vertexBuffer(corona.quad()));
        return reinterpret_cast<const media::Quad2DVertex*>(vb->bytes.data());
    }
    Corona corona{pool, kit};
};

TEST_F(CoronaTest, LoadValuesAndSunPoint) {
    EXPECT_FLOAT_EQ(corona.baseSize, 0.35f);
    EXPECT_FLOAT_EQ(corona.sizeBoost, 0.75f);
    EXPECT_FLOAT_EQ(corona.boostAngle, 22.0f);
    EXPECT_FLOAT_EQ(corona.visibleAngle, 35.0f);
    const model::Vector3 p = corona.SunPoint();
    // The direction light 0 comes from.
    EXPECT_NEAR(p.x, -66.446f, 0.001f);
    EXPECT_NEAR(p.y, 34.202f, 0.001f);
    EXPECT_NEAR(p.z, -66.446f, 0.001f);
    // The quad as created: z just short of the far plane, rhw 0.5, white, strip corners.
    const media::Quad2DVertex* q = Quad();
    const float us[4] = {0, 0, 1, 1}, vs[4] = {1, 0, 1, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(q[i].z, Corona::kQuadZ);
        EXPECT_GT(q[i].z, 0.9999f);
        EXPECT_FLOAT_EQ(q[i].rhw, 0.5f);
        EXPECT_EQ(q[i].colour, 0xFFFFFFFFu);
        EXPECT_FLOAT_EQ(q[i].u, us[i]);
        EXPECT_FLOAT_EQ(q[i].v, vs[i]);
    }
}

TEST_F(CoronaTest, SizeAndVisibilityByOffAxisAngle) {
    const model::Matrix4 proj = SceneProjection();
    auto at = [&](float deg) {
        const float r = deg * 0.017453292f;
        return corona.Place({100.0f * std::sin(r), 0.0f, 100.0f * std::cos(r)}, proj);
    };
    Corona::Placement straight = at(0.0f);
    EXPECT_TRUE(straight.visible);
    EXPECT_FLOAT_EQ(straight.angle, 0.0f);
    EXPECT_FLOAT_EQ(straight.size, 1.1f);
    EXPECT_FLOAT_EQ(straight.x, 0.5f);
    EXPECT_FLOAT_EQ(straight.y, 0.5f);
    EXPECT_NEAR(at(11.0f).size, 0.35f + 0.375f, 1e-4f);
    EXPECT_NEAR(at(22.0f).size, 0.35f, 1e-4f);
    EXPECT_FLOAT_EQ(at(30.0f).size, 0.35f);
    EXPECT_TRUE(at(34.9f).visible);
    EXPECT_FALSE(at(35.1f).visible);
    EXPECT_FALSE(at(80.0f).visible);
    // Off to the right and up: the centre moves right and up on the screen (y down).
    const Corona::Placement right = at(10.0f);
    EXPECT_GT(right.x, 0.5f);
    const Corona::Placement up = corona.Place({0.0f, 10.0f, 100.0f}, proj);
    EXPECT_LT(up.y, 0.5f);
    EXPECT_NEAR(up.angle, std::atan(0.1f) / 0.017453292f, 1e-4f);
}

TEST_F(CoronaTest, SunBehindOrBesideTheCameraIsNotVisible) {
    const model::Matrix4 proj = SceneProjection();
    const Corona::Placement behind = corona.Place({1.0f, 2.0f, -100.0f}, proj);
    EXPECT_FALSE(behind.visible);
    EXPECT_LT(behind.angle, 0.0f);
    EXPECT_FALSE(corona.Place({0.0f, 0.0f, -100.0f}, proj).visible);  // straight behind
    EXPECT_FALSE(corona.Place({5.0f, 0.0f, 0.0f}, proj).visible);     // beside: 90 degrees
    EXPECT_FALSE(corona.Place({0.0f, 0.0f, 0.0f}, proj).visible);     // no direction at all
}

TEST_F(CoronaTest, LookingAtTheSunDrawsTheFullSizeQuadInTheViewport) {
    SetMatrix(&device, D3DTS_VIEW, ViewTowards({10.0f, 20.0f, 30.0f}, 225.0f, 20.0f));
    device.log.clear();
    corona.Draw(&device, 1.0f);
    ASSERT_TRUE(corona.visible);
    EXPECT_NEAR(corona.offAxisAngle, 0.0f, 0.01f);
    ASSERT_EQ(device.Calls("DrawPrimitive"), std::vector<std::string>{"DrawPrimitive(5,0,2)"});
    EXPECT_EQ(device.stream0Stride, 28u);
    const media::Quad2DVertex* q = Quad();
    // 640 x 480: centre (320, 240), height 1.1 × 480, width 1.1 × 0.75 × 640.
    EXPECT_NEAR(q[1].x, 320.0f - 264.0f, 0.5f);
    EXPECT_NEAR(q[1].y, 240.0f - 264.0f, 0.5f);
    EXPECT_NEAR(q[2].x, 320.0f + 264.0f, 0.5f);
    EXPECT_NEAR(q[2].y, 240.0f + 264.0f, 0.5f);
    EXPECT_FLOAT_EQ(q[0].x, q[1].x);
    EXPECT_FLOAT_EQ(q[0].y, q[2].y);
    EXPECT_FLOAT_EQ(q[3].y, q[1].y);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(q[i].colour, 0xFFE6B437u);  // 230, 180, 55
        EXPECT_FLOAT_EQ(q[i].z, Corona::kQuadZ);
    }
    EXPECT_FLOAT_EQ(q[0].v, 1.0f);
    EXPECT_FLOAT_EQ(q[3].u, 1.0f);
    EXPECT_TRUE(device.Calls("SetRenderState").empty()) << "states are the caller's";
}

TEST_F(CoronaTest, TheCameraPositionDoesNotMoveTheSprite) {
    SetMatrix(&device, D3DTS_VIEW, ViewTowards({0.0f, 0.0f, 0.0f}, 235.0f, 25.0f));
    corona.Draw(&device, 1.0f);
    ASSERT_TRUE(corona.visible);
    const media::Quad2DVertex first = Quad()[1];
    SetMatrix(&device, D3DTS_VIEW, ViewTowards({-900.0f, 300.0f, 450.0f}, 235.0f, 25.0f));
    corona.Draw(&device, 1.0f);
    EXPECT_NEAR(Quad()[1].x, first.x, 0.01f);
    EXPECT_NEAR(Quad()[1].y, first.y, 0.01f);
    // Turning the camera left of the sun puts the sprite right of the centre.
    EXPECT_GT((Quad()[1].x + Quad()[2].x) / 2, 320.0f);
}

TEST_F(CoronaTest, IntensityScalesTheColourAndZeroStillDraws) {
    SetMatrix(&device, D3DTS_VIEW, ViewTowards({0, 0, 0}, 225.0f, 20.0f));
    corona.Draw(&device, 0.5f);
    EXPECT_EQ(Quad()[0].colour, 0xFF735A1Bu);  // 115, 90, 27 (27.5 truncated)
    corona.Draw(&device, 0.0f);
    EXPECT_EQ(Quad()[0].colour, 0xFF000000u);
    corona.Draw(&device, 3.0f);  // clamped
    EXPECT_EQ(Quad()[0].colour, 0xFFE6B437u);
    EXPECT_EQ(device.Calls("DrawPrimitive").size(), 3u);
}

TEST_F(CoronaTest, SunOutOfViewDrawsNothing) {
    SetMatrix(&device, D3DTS_VIEW, ViewTowards({0, 0, 0}, 45.0f, 0.0f));  // facing away
    corona.Draw(&device, 1.0f);
    EXPECT_FALSE(corona.visible);
    EXPECT_LT(corona.offAxisAngle, 0.0f);
    SetMatrix(&device, D3DTS_VIEW, ViewTowards({0, 0, 0}, 225.0f + 40.0f, 20.0f));
    corona.Draw(&device, 1.0f);
    EXPECT_FALSE(corona.visible);
    EXPECT_GT(corona.offAxisAngle, 35.0f);
    EXPECT_TRUE(device.Calls("DrawPrimitive").empty());
}

TEST_F(CoronaTest, TheQuadFollowsTheCurrentViewport) {
    // A render target's own viewport (the cut capture draws into one).
    device.viewport = {100, 50, 200, 100, 0.0f, 1.0f};
    SetMatrix(&device, D3DTS_VIEW, ViewTowards({0, 0, 0}, 225.0f, 20.0f));
    corona.Draw(&device, 1.0f);
    const media::Quad2DVertex* q = Quad();
    EXPECT_NEAR((q[1].x + q[2].x) / 2, 200.0f, 0.5f);
    EXPECT_NEAR((q[1].y + q[2].y) / 2, 100.0f, 0.5f);
    EXPECT_NEAR(q[2].y - q[1].y, 110.0f, 0.5f);
    EXPECT_NEAR(q[2].x - q[1].x, 1.1f * 0.75f * 200.0f, 0.5f);
}

// ---------------------------------------------------------------------------------------
// Light rays

class LightRaysTest : public Fixture {
  protected:
    void SetUp() override {
        Fixture::SetUp();
        os::SeedRandom(1234);
        rays.Setup();
    }
    LightRays rays{pool, kit};
};

TEST_F(LightRaysTest, InitDrawsSpareDurationAndColumnPerRayInOrder) {
    os::SeedRandom(1234);
    EXPECT_TRUE(rays.enabled);
    EXPECT_EQ(rays.rayCount, 10);
    for (int i = 0; i < 10; ++i) {
        const LightRays::Ray& r = rays.rays[static_cast<std::size_t>(i)];
        SCOPED_TRACE(i);
        EXPECT_TRUE(r.active);
        EXPECT_FLOAT_EQ(r.angle, 36.0f * i);
        EXPECT_FLOAT_EQ(r.spare, os::RandomUnit() * 75.0f + 15.0f);
        EXPECT_FLOAT_EQ(r.duration, os::RandomUnit() * 50.0f);
        EXPECT_EQ(r.remaining, r.duration);
        EXPECT_EQ(r.column, os::RandomIndex(3));
        EXPECT_FLOAT_EQ(r.vertices[0].position.y, 374.5f);
        EXPECT_FLOAT_EQ(r.vertices[3].position.y, 50.5f);
        EXPECT_EQ(pool.vertexBufferBytes(r.buffer), 144u * 36u);
    }
}

TEST_F(LightRaysTest, QuadShapeColumnsAndDirections) {
    const float uPairs[3][2] = {{0.01f, 0.5f}, {0.5f, 0.99f}, {0.01f, 0.99f}};
    float previousDirection = 1e9f;
    int unevenSteps = 0;
    for (int i = 0; i < 10; ++i) {
        const auto q = LightRays::BuildQuad(36.0f * i, 370.5f, i % 3);
        // Top half-width 30, foot 42, both about the axis through (225.4, 55.4).
        for (int k = 0; k < 4; ++k) {
            const float dx = q[k].position.x - 225.4f, dz = q[k].position.z - 55.4f;
            EXPECT_NEAR(std::sqrt(dx * dx + dz * dz), k < 2 ? 30.0f : 42.0f, 1e-3f);
            EXPECT_EQ(q[k].color, 0xFFFFFFFFu);
            EXPECT_FLOAT_EQ(q[k].normal.z, 1.0f);
        }
        // 0 and 1 (2 and 3) are opposite ends of one diameter; top and foot are parallel.
        EXPECT_NEAR(q[0].position.x + q[1].position.x, 2 * 225.4f, 1e-3f);
        EXPECT_NEAR((q[0].position.x - 225.4f) / 30.0f, (q[2].position.x - 225.4f) / 42.0f, 1e-5f);
        EXPECT_FLOAT_EQ(q[0].position.y, 370.5f);
        EXPECT_FLOAT_EQ(q[2].position.y, 50.5f);
        EXPECT_FLOAT_EQ(q[0].u, uPairs[i % 3][0]);
        EXPECT_FLOAT_EQ(q[1].u, uPairs[i % 3][1]);
        EXPECT_FLOAT_EQ(q[2].u, uPairs[i % 3][0]);
        EXPECT_FLOAT_EQ(q[0].v, 0.01f);
        EXPECT_FLOAT_EQ(q[3].v, 0.99f);
        // The direction is (angle + 90) / 0.017453292 radians: check ray 0 exactly.
        if (i == 0) {
            const double phi = 90.0f / 0.017453292f;
            EXPECT_NEAR(q[0].position.x, 225.4 + 30 * std::cos(phi), 1e-3);
            EXPECT_NEAR(q[0].position.z, 55.4 + 30 * std::sin(phi), 1e-3);
        }
        const float direction = std::atan2(q[0].position.z - 55.4f, q[0].position.x - 225.4f);
        if (previousDirection < 1e8f) {
            float step = std::fabs(direction - previousDirection) / 0.017453292f;
            if (std::fabs(step - 36.0f) > 1.0f && std::fabs(step - 324.0f) > 1.0f) ++unevenSteps;
        }
        previousDirection = direction;
    }
    EXPECT_GT(unevenSteps, 0) << "the divided angle does not spread the rays evenly";
    // Out-of-range columns are brought into 0..2.
    EXPECT_FLOAT_EQ(LightRays::BuildQuad(0, 370.5f, 7)[1].u, 0.99f);
    EXPECT_FLOAT_EQ(LightRays::BuildQuad(0, 370.5f, -1)[1].u, 0.5f);
}

TEST(LightRaysBrightness, TriangleFromZeroToPeakAndBack) {
    EXPECT_FLOAT_EQ(LightRays::Brightness(40.0f, 40.0f), 0.0f);  // just started
    EXPECT_FLOAT_EQ(LightRays::Brightness(40.0f, 30.0f), 27.5f);
    EXPECT_FLOAT_EQ(LightRays::Brightness(40.0f, 20.0f), 55.0f);  // exactly half: full
    EXPECT_FLOAT_EQ(LightRays::Brightness(40.0f, 10.0f), 27.5f);
    EXPECT_FLOAT_EQ(LightRays::Brightness(40.0f, 0.0f), 0.0f);
    // Never above the peak on either side of the middle.
    for (float r = 0.0f; r <= 33.0f; r += 0.25f) {
        const float b = LightRays::Brightness(33.0f, r);
        EXPECT_GE(b, 0.0f);
        EXPECT_LE(b, 55.0f + 1e-4f);
    }
    // A ray drawn with duration 0 (rand() = 0) is dark instead of 0 / 0.
    EXPECT_EQ(LightRays::Brightness(0.0f, 0.0f), 0.0f);
}

TEST_F(LightRaysTest, UpdateRunsTimersDownAndRestartsBelowZero) {
    LightRays::Ray& r = rays.rays[3];
    r.duration = 10.0f;
    r.remaining = 1.0f;
    r.spare = 40.0f;
    const float others = rays.rays[4].remaining;
    rays.Update(1.0f, {1e6f, -1e6f, 0.0f});  // exactly 0 left: not yet
    EXPECT_EQ(r.remaining, 0.0f);
    EXPECT_FLOAT_EQ(rays.rays[4].remaining, others - 1.0f);
    EXPECT_FLOAT_EQ(r.vertices[0].position.y, 374.5f);

    const int seed = 77;
    os::SeedRandom(seed);
    const float expectedDuration = os::RandomUnit() * 20.0f + 30.0f;
    const int expectedColumn = os::RandomIndex(3);
    os::SeedRandom(seed);
    // Only ray 3 runs out on this step, so the draws are its own.
    for (int i = 0; i < 10; ++i) rays.rays[static_cast<std::size_t>(i)].remaining = 100.0f;
    r.remaining = 0.0f;
    rays.Update(0.1f, {0, 0, 0});
    EXPECT_EQ(r.spare, 0.0f);
    EXPECT_FLOAT_EQ(r.duration, expectedDuration);
    EXPECT_EQ(r.remaining, r.duration);
    EXPECT_GE(r.duration, 30.0f);
    EXPECT_LE(r.duration, 50.0f);
    EXPECT_EQ(r.column, expectedColumn);
    EXPECT_FLOAT_EQ(r.vertices[0].position.y, 370.5f);
    EXPECT_TRUE(r.active);
    EXPECT_EQ(rays.rayCount, 10);
}

TEST_F(LightRaysTest, DisabledRaysGoOffOneByOne) {
    rays.enabled = false;
    for (int i = 0; i < 10; ++i) rays.rays[static_cast<std::size_t>(i)].remaining = 1.0f + i;
    rays.Update(2.5f, {0, 0, 0});  // rays 0 and 1 run out
    EXPECT_EQ(rays.rayCount, 8);
    EXPECT_FALSE(rays.rays[0].active);
    EXPECT_FALSE(rays.rays[1].active);
    EXPECT_TRUE(rays.rays[2].active);
    const float frozen = rays.rays[0].remaining;
    rays.Update(100.0f, {0, 0, 0});
    EXPECT_EQ(rays.rayCount, 0);
    EXPECT_EQ(rays.rays[0].remaining, frozen) << "an inactive ray's timer stops";
    rays.Update(1.0f, {0, 0, 0});
    EXPECT_EQ(rays.rayCount, 0);
}

TEST_F(LightRaysTest, LongRunKeepsEveryRayWithinItsCycle) {
    for (int frame = 0; frame < 5000; ++frame) {
        rays.Update(1.7f, {0, 0, 0});
        for (const LightRays::Ray& r : rays.rays) {
            ASSERT_TRUE(r.active);
            ASSERT_GE(r.remaining, 0.0f);
            ASSERT_LE(r.remaining, r.duration);
        }
    }
    for (const LightRays::Ray& r : rays.rays) {
        EXPECT_GE(r.duration, 30.0f);
        EXPECT_FLOAT_EQ(r.vertices[1].position.y, 370.5f);
    }
}

TEST_F(LightRaysTest, RenderColoursEachRayByItsBrightnessAndRestoresCulling) {
    for (int i = 0; i < 10; ++i) {
        LightRays::Ray& r = rays.rays[static_cast<std::size_t>(i)];
        r.duration = 40.0f;
        r.remaining = 20.0f;  // peak: 55
    }
    rays.rays[1].remaining = 30.0f;  // 27.5
    rays.rays[2].active = false;
    rays.rayCount = 9;
    device.log.clear();
    rays.Draw(&device, 0.5f);
    EXPECT_EQ(device.Calls("DrawPrimitive").size(), 9u);
    for (const std::string& d : device.Calls("DrawPrimitive")) EXPECT_EQ(d, "DrawPrimitive(5,0,2)");
    const auto culls = device.Calls("SetRenderState(22,");
    ASSERT_EQ(culls.size(), 2u);
    EXPECT_EQ(culls[0], "SetRenderState(22,1)");  // none
    EXPECT_EQ(culls[1], "SetRenderState(22,3)");  // counter-clockwise
    EXPECT_EQ(device.log.back(), "SetRenderState(22,3)");
    auto colourOf = [&](int ray) {
        auto* vb =
            device.AsFake(pool.vertexBuffer(rays.rays[static_cast<std::size_t>(ray)].buffer));
        const auto* v = reinterpret_cast<const ClothVertex*>(vb->bytes.data());
        for (int k = 1; k < 4; ++k) EXPECT_EQ(v[k].color, v[0].color);
        return v[0].color;
    };
    EXPECT_EQ(colourOf(0), 0xFF1B1B1Bu);  // truncated(55 × 0.5) = 27
    EXPECT_EQ(colourOf(1), 0xFF0D0D0Du);  // truncated(27.5 × 0.5) = 13

    // Intensity 0: black rays add nothing, so none is drawn; the states are still set and
    // culling restored, and the next bright frame colours every ray again.
    device.log.clear();
    rays.Draw(&device, 0.0f);
    EXPECT_TRUE(device.Calls("DrawPrimitive").empty());
    EXPECT_EQ(device.log.back(), "SetRenderState(22,3)");
    device.log.clear();
    rays.Draw(&device, 1.0f);
    EXPECT_EQ(device.Calls("DrawPrimitive").size(), 9u);
    EXPECT_EQ(colourOf(0), 0xFF373737u);  // 55
    // Only the rays that round to black are left out: 27.5 x 0.04 = 1.1 is drawn, the
    // peak's 55 x 0.01 = 0.55 is not.
    device.log.clear();
    rays.Draw(&device, 0.01f);
    EXPECT_TRUE(device.Calls("DrawPrimitive").empty());
    device.log.clear();
    rays.Draw(&device, 0.04f);
    EXPECT_EQ(device.Calls("DrawPrimitive").size(), 9u);
    EXPECT_EQ(colourOf(1), 0xFF010101u);
}

}  // namespace
}  // namespace eh::scene

// The billboards, the grass and the beam particles drawn through their vertex shaders and
// the fixed pipeline on the offscreen Direct3D 8 device, with the generated world's
// terrain, billboard list, shader texts and textures. Writes vegetation_view.png (and
// vegetation_near.png, vegetation_particles.png) into the test's build folder for a look.
// Skipped when no device can be made. The grass tuft's own picture is checked here too, as
// the texture loader filters it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "d3dx/d3dx_image.h"
#include "mediagen/images/image_codecs.h"
#include "mediagen/images/image_writers.h"
#include "mediagen/images/pictures.h"
#include "mediagen/world/data_files.h"
#include "model/terrain.h"
#include "platform/os/crt_random.h"
#include "tests/platform/d3d8/offscreen_device.h"
#include "scene/beam_particles.h"
#include "scene/billboards.h"
#include "scene/grass.h"
#include "support/require_device.h"

namespace eh::scene {
namespace {

using model::Matrix4;
using model::Vector3;

constexpr UINT kWidth = 480, kHeight = 360;

Matrix4 SceneProjection() {
    Matrix4 p = Matrix4::Identity();
    p.at(0, 0) = 1.0f / std::tan(0.9424778f / 2.0f);
    p.at(1, 1) = 1.0f / std::tan(0.7679449f / 2.0f);
    p.at(2, 2) = 300.0f / (300.0f - 0.05f);
    p.at(2, 3) = 1.0f;
    p.at(3, 2) = -0.05f * 300.0f / (300.0f - 0.05f);
    return p;  // m44 stays 1, as the scene sets it
}

void SetMatrix(IDirect3DDevice8* d, D3DTRANSFORMSTATETYPE which, const Matrix4& m) {
    D3DMATRIX out;
    std::memcpy(&out, m.m, sizeof out);
    d->SetTransform(which, &out);
}

// Sets the view of a camera at `eye` looking along yaw / pitch (degrees) and the frustum.
void SetCamera(IDirect3DDevice8* d, const Vector3& eye, float yawDeg, float pitchDeg,
               model::Plane4 planes[6], const Matrix4& projection = SceneProjection()) {
    const float y = yawDeg * 0.017453292f, p = pitchDeg * 0.017453292f;
    const Vector3 at{eye.x + std::cos(y) * std::cos(p), eye.y + std::sin(p),
                     eye.z + std::sin(y) * std::cos(p)};
    Matrix4 view;
    model::BuildViewMatrix(&view, eye, at, Vector3{0.0f, 1.0f, 0.0f});
    SetMatrix(d, D3DTS_VIEW, view);
    SetMatrix(d, D3DTS_PROJECTION, projection);
    model::ExtractFrustumPlanes(view, projection, planes);
}

void BaseState(IDirect3DDevice8* d) {
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    for (D3DTEXTURESTAGESTATETYPE f : {D3DTSS_MINFILTER, D3DTSS_MIPFILTER, D3DTSS_MAGFILTER})
        d->SetTextureStageState(0, f, D3DTEXF_LINEAR);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    SetMatrix(d, D3DTS_WORLD, Matrix4::Identity());
}

// The frame's states before the billboards: depth and alpha test on (0x30), no blending.
void BillboardState(IDirect3DDevice8* d) {
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, 0x30);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
}

// Before the grass: alpha reference 0 and depth writes off (left so by the corona).
void GrassState(IDirect3DDevice8* d) {
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHAREF, 0);
}

// Before the particles: alpha test on at 0x30, SRCALPHA / ONE blending, no depth writes.
void ParticleState(IDirect3DDevice8* d) {
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, 0x30);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
}

std::vector<std::uint8_t> Tga(const mediagen::Image8& image) {
    return mediagen::EncodeTga(image, mediagen::TgaDepth::k32);
}

void WriteShot(const std::vector<std::uint32_t>& px, UINT w, UINT h, const char* name) {
    mediagen::Image8 img(static_cast<int>(w), static_cast<int>(h));
    for (std::size_t i = 0; i < px.size(); ++i) {
        img.rgba[4 * i + 0] = static_cast<std::uint8_t>(px[i] >> 16);
        img.rgba[4 * i + 1] = static_cast<std::uint8_t>(px[i] >> 8);
        img.rgba[4 * i + 2] = static_cast<std::uint8_t>(px[i]);
        img.rgba[4 * i + 3] = 255;
    }
    mediagen::WritePng(std::string(EH_SHOT_DIR) + "/" + name, img);
}

int Differing(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    int n = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
    return n;
}

class VegetationRender : public ::testing::Test {
  protected:
    void SetUp() override {
        EH_REQUIRE_DEVICE(dev.ok(), "no offscreen Direct3D device");
        pool.Init(dev.get(), nullptr);
        kit.Init(dev.d3d(), dev.get(), D3DFMT_X8R8G8B8, nullptr);
        BaseState(dev.get());
    }
    // The kit and the pool leave their resources to the device unless told to let go.
    void TearDown() override {
        kit.ReleaseAll();
        pool.ReleaseAll();
    }
    void Begin(D3DCOLOR clear) {
        dev->BeginScene();
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
    }
    std::vector<std::uint32_t> End() {
        dev->EndScene();
        return dev.presentAndRead();
    }
    media::TextureRef Texture(const std::vector<std::uint8_t>& bytes, const char* name) {
        return kit.CreateTextureFromMemory(bytes.data(), static_cast<UINT>(bytes.size()), name,
                                           "Texture/", false);
    }

    d3d8test::OffscreenDevice dev{kWidth, kHeight};
    media::VertexBufferPool pool;
    media::RenderKit kit;
};

// A 64 x 64 texture: opaque red top half, opaque green bottom half.
std::vector<std::uint8_t> RedOverGreen() {
    mediagen::Image8 img(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            std::uint8_t* p = img.at(x, y);
            p[0] = y < 32 ? 255 : 0;
            p[1] = y < 32 ? 0 : 255;
            p[3] = 255;
        }
    }
    return Tga(img);
}

struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;  // inclusive
};
Box CoveredBox(const std::vector<std::uint32_t>& px, UINT w, bool (*pred)(std::uint32_t)) {
    Box b;
    for (std::size_t i = 0; i < px.size(); ++i) {
        if (!pred(px[i])) continue;
        const int x = static_cast<int>(i % w), y = static_cast<int>(i / w);
        b.left = std::min(b.left, x);
        b.right = std::max(b.right, x);
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
    }
    return b;
}
bool IsRed(std::uint32_t c) {
    return ((c >> 16) & 0xFF) > 200 && ((c >> 8) & 0xFF) < 60;
}
bool IsGreen(std::uint32_t c) {
    return ((c >> 8) & 0xFF) > 200 && ((c >> 16) & 0xFF) < 60;
}
bool IsLit(std::uint32_t c) {
    return (c & 0xFFFFFF) != 0;
}

std::vector<std::uint8_t> OneBillboard(float x, float y, float z, float size, std::int32_t kind) {
    std::vector<std::uint8_t> b(24);
    const std::int32_t count = 1;
    const float f[4] = {x, y, z, size};
    std::memcpy(&b[0], &count, 4);
    std::memcpy(&b[4], f, 16);
    std::memcpy(&b[20], &kind, 4);
    return b;
}

// One billboard of size 2 ten units in front of the camera, at an anchor x where the wind
// angle's cosine is 0 (no sway): it shows as a 4 x 4 unit rectangle whose top quarter is
// above the anchor, whatever direction it is seen from, with the texture upright.
TEST_F(VegetationRender, BillboardFacesTheCameraFromEveryDirection) {
    const float kHalfPi = 1.5707964f;
    BillboardSet set(pool, kit);
    const auto text = mediagen::world::BillboardShaderText();
    set.CreateShader(dev.get(), text.data(), static_cast<UINT>(text.size()));
    ASSERT_NE(set.shader(), 0u);
    set.CreateBuffer(0);
    set.texture[0] = Texture(RedOverGreen(), "rg.tga");
    const auto file = OneBillboard(kHalfPi, 0.0f, 0.0f, 2.0f, 0);
    set.Load(file.data(), file.size());

    // 90 degrees of view: 1 unit at distance 10 is 0.1 of the half width.
    Matrix4 wide = Matrix4::Identity();
    wide.at(2, 2) = 100.0f / 99.5f;
    wide.at(2, 3) = 1.0f;
    wide.at(3, 2) = -0.5f * 100.0f / 99.5f;
    wide.at(3, 3) = 0.0f;
    model::Plane4 planes[6];
    std::vector<Box> boxes;
    for (float yaw : {90.0f, 30.0f, 200.0f}) {
        const float r = yaw * 0.017453292f;
        SetCamera(dev.get(), Vector3{kHalfPi - 10.0f * std::cos(r), 0.0f, -10.0f * std::sin(r)},
                  yaw, 0.0f, planes, wide);
        Begin(0xFF000000);
        BillboardState(dev.get());
        set.Draw(dev.get(), 0.0f);
        const auto px = End();
        if (yaw == 90.0f) WriteShot(px, kWidth, kHeight, "vegetation_billboard.png");
        const Box red = CoveredBox(px, kWidth, IsRed), green = CoveredBox(px, kWidth, IsGreen);
        // Width 4 units = 0.4 of the half width = 96 pixels; height 4 units = 72 pixels.
        const int cx = kWidth / 2, cy = kHeight / 2;
        EXPECT_NEAR(red.left, cx - 48, 2) << yaw;
        EXPECT_NEAR(red.right, cx + 47, 2) << yaw;
        EXPECT_NEAR(red.top, cy - 18, 2) << yaw;       // 1 unit above the anchor
        EXPECT_NEAR(green.bottom, cy + 53, 2) << yaw;  // 3 units below
        EXPECT_NEAR(red.bottom, cy + 17, 3) << yaw;    // the texture's middle row
        EXPECT_EQ(green.left, red.left) << yaw;
    }
}

// The buffers are filled from the table on the first drawn frame only; a size of exactly 5
// sways by a random factor, 5.01 by 0.15; a kind other than 0 and 1 gives no vertices.
TEST_F(VegetationRender, BillboardBuffersAreFilledOnTheFirstFrameOnly) {
    BillboardSet set(pool, kit);
    set.CreateBuffer(0);
    set.CreateBuffer(1);
    set.Draw(dev.get(), 0.0f);  // no shader: nothing happens, not even the fill
    EXPECT_EQ(set.frameCounter(), 0);

    const auto text = mediagen::world::BillboardShaderText();
    set.CreateShader(dev.get(), text.data(), static_cast<UINT>(text.size()));
    ASSERT_NE(set.shader(), 0u);
    std::vector<std::uint8_t> file(4);
    const std::int32_t count = 4;
    std::memcpy(file.data(), &count, 4);
    for (const auto& r : {OneBillboard(1, 2, 3, 5.0f, 0), OneBillboard(4, 5, 6, 5.01f, 0),
                          OneBillboard(7, 8, 9, 30.0f, 2), OneBillboard(10, 11, 12, 40.0f, 1)}) {
        file.insert(file.end(), r.begin() + 4, r.end());
    }
    set.Load(file.data(), file.size());

    os::SeedRandom(77);
    const float firstRandom = os::RandomUnit();
    const int afterOne = os::Random();
    os::SeedRandom(77);
    model::Plane4 planes[6];
    SetCamera(dev.get(), Vector3{0, 0, -20}, 90.0f, 0.0f, planes);
    Begin(0xFF000000);
    BillboardState(dev.get());
    set.Draw(dev.get(), 0.0f);
    End();
    EXPECT_EQ(os::Random(), afterOne);  // one number: the sway of the size-5 billboard

    EXPECT_EQ(set.kinds[0].triangleCount, 4);
    EXPECT_EQ(set.kinds[1].triangleCount, 2);
    const auto* k0 =
        static_cast<const BillboardVertex*>(pool.LockVertexBuffer(set.kinds[0].buffer));
    ASSERT_NE(k0, nullptr);
    std::vector<BillboardVertex> kind0(k0, k0 + 12);
    pool.UnlockVertexBuffer(set.kinds[0].buffer);
    for (int i = 0; i < 6; ++i) {
        EXPECT_FLOAT_EQ(kind0[static_cast<std::size_t>(i)].sway, firstRandom * 0.25f + 0.75f);
        EXPECT_EQ(kind0[static_cast<std::size_t>(i)].anchor.z, 3.0f);
        EXPECT_EQ(kind0[static_cast<std::size_t>(i) + 6].sway, 0.15f);
        EXPECT_EQ(kind0[static_cast<std::size_t>(i) + 6].size, 5.01f);
        EXPECT_EQ(kind0[static_cast<std::size_t>(i)].color, 0x46FFFFFFu);
    }
    EXPECT_EQ(kind0[0].corner.x, -1.0f);
    EXPECT_EQ(kind0[0].corner.y, -1.5f);
    EXPECT_EQ(kind0[0].u, 0.02734375f);
    EXPECT_EQ(kind0[0].v, 1.0f - 0.02734375f);
    EXPECT_EQ(kind0[3].corner.y, 0.5f);
    EXPECT_EQ(kind0[3].u, 1.0f - 0.02734375f);

    // A new table after the first frame does not reach the buffers.
    const auto other = OneBillboard(0, 0, 0, 50.0f, 1);
    set.Load(other.data(), other.size());
    for (int frame = 0; frame < 12; ++frame) {
        Begin(0xFF000000);
        set.Draw(dev.get(), 0.1f * static_cast<float>(frame));
        End();
    }
    EXPECT_EQ(set.frameCounter(), BillboardSet::kCountedFrames);
    EXPECT_EQ(set.kinds[0].triangleCount, 4);
    EXPECT_EQ(set.kinds[1].triangleCount, 2);
    const auto* again =
        static_cast<const BillboardVertex*>(pool.LockVertexBuffer(set.kinds[0].buffer));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(std::memcmp(again, kind0.data(), 12 * sizeof(BillboardVertex)), 0);
    pool.UnlockVertexBuffer(set.kinds[0].buffer);
}

TEST_F(VegetationRender, MissingOrBrokenShadersLeaveTheHandlesEmpty) {
    BillboardSet set(pool, kit);
    GrassField grass(pool, kit);
    const char broken[] = "vs.1.0\nmov oPos, q9\n";
    set.CreateShader(dev.get(), broken, sizeof broken - 1);
    model::Terrain none(kit);
    grass.Build(dev.get(), none, model::EntryReader());  // no reader: no shader
    EXPECT_EQ(set.shader(), 0u);
    EXPECT_EQ(grass.shader(), 0u);
    // The grass draw is skipped whole: it does not touch the culling it would restore.
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    grass.Draw(dev.get(), 1.0f, 0.0f, nullptr);
    DWORD cull = 0;
    dev->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CW));
}

// The shipped tuft picture (256 x 256) as the texture loader turns it into a texture: level 0
// as painted, each further level box filtered from the one above, down to `smallest` texels
// wide.
constexpr int kTuftSize = 256;
std::vector<d3dx::Image> TuftLevels(int smallest) {
    const mediagen::Image8 tuft = mediagen::MakeGrassTuft(kTuftSize);
    d3dx::Image level(static_cast<std::uint32_t>(tuft.width),
                      static_cast<std::uint32_t>(tuft.height));
    for (int y = 0; y < tuft.height; ++y) {
        for (int x = 0; x < tuft.width; ++x) {
            const std::uint8_t* p = tuft.at(x, y);
            level.at(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)) =
                static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[0]) << 16 |
                static_cast<std::uint32_t>(p[1]) << 8 | p[2];
        }
    }
    std::vector<d3dx::Image> levels{level};
    while (static_cast<int>(levels.back().width) / 2 >= smallest) {
        levels.push_back(d3dx::boxDownsample(levels.back()));
    }
    return levels;
}

int AlphaAt(const d3dx::Image& img, int x, int y) {
    return static_cast<int>(img.at(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)) >>
                            24);
}

// The grass draw's alpha reference: texels below it are never drawn.
constexpr int kGrassAlphaRef = 0x1E;

// The tuft quad's sides and top are straight lines on the screen: a blade cut off there, or
// alpha that filtering smears there, shows that line. Down to the level an eighth of the
// picture's width (used where a tuft covers about 32 pixels) the outermost texels stay below
// the alpha reference, and at full size a margin stays empty; only the feet touch the
// bottom edge.
TEST(GrassTuft, NothingReachesTheSidesOrTopInTheLevelsThatShow) {
    const std::vector<d3dx::Image> levels = TuftLevels(kTuftSize / 8);
    ASSERT_EQ(levels.size(), 4u);
    const int margin = mediagen::kTuftMargin;
    for (int y = 0; y < kTuftSize; ++y) {
        for (int x = 0; x < kTuftSize; ++x) {
            if (x >= margin && x < kTuftSize - margin && y >= margin) continue;
            ASSERT_EQ(AlphaAt(levels[0], x, y), 0) << x << "," << y;
        }
    }
    for (std::size_t l = 0; l < levels.size(); ++l) {
        const d3dx::Image& img = levels[l];
        const int n = static_cast<int>(img.width), last = n - 1;
        int feet = 0;
        for (int i = 0; i < n; ++i) {
            EXPECT_LT(AlphaAt(img, 0, i), kGrassAlphaRef) << "level " << l << " row " << i;
            EXPECT_LT(AlphaAt(img, last, i), kGrassAlphaRef) << "level " << l << " row " << i;
            EXPECT_LT(AlphaAt(img, i, 0), kGrassAlphaRef) << "level " << l << " column " << i;
            feet += AlphaAt(img, i, last) >= kGrassAlphaRef ? 1 : 0;
        }
        EXPECT_GT(feet, n / 6) << "level " << l;  // the blades stand on the bottom edge
    }
}

// The grass is blended, unsorted and writes no depth, so a farther tuft drawn later covers a
// nearer one: where the blades merge into a solid block, that block shows as a flat patch
// ending in the quad's straight foot line. In the levels seen close up every row keeps gaps
// between its blades: no run of drawn texels longer than an eighth of the width.
TEST(GrassTuft, BladesLeaveGapsInEveryRowOfTheNearLevels) {
    const std::vector<d3dx::Image> levels = TuftLevels(kTuftSize / 2);
    ASSERT_EQ(levels.size(), 2u);
    for (std::size_t l = 0; l < levels.size(); ++l) {
        const d3dx::Image& img = levels[l];
        const int n = static_cast<int>(img.width);
        int longest = 0, drawn = 0;
        for (int y = 0; y < n; ++y) {
            int run = 0;
            for (int x = 0; x < n; ++x) {
                const bool passes = AlphaAt(img, x, y) >= kGrassAlphaRef;
                run = passes ? run + 1 : 0;
                drawn += passes ? 1 : 0;
                longest = std::max(longest, run);
            }
        }
        EXPECT_LE(longest, n / 8) << "level " << l;
        EXPECT_GT(drawn, n * n / 6) << "level " << l;  // still a full tuft
    }
}

// The generated world: terrain, both meadows of grass, the tree ring and a beam of
// particles, seen from the south-west of the sword's meadow.
class WorldRender : public VegetationRender {
  protected:
    void SetUp() override {
        VegetationRender::SetUp();
        if (IsSkipped()) return;
        const model::terrain::File land = mediagen::world::MakeTerrain();
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(model::terrain::Write(land, &bytes), S_OK);
        ASSERT_EQ(terrain.LoadTerrain(dev.get(), "Data/Land.eld", bytes.data(), bytes.size()),
                  S_OK);
        const auto ground = mediagen::EncodeJpeg(mediagen::MakeGround(256), 90);
        terrain.LoadTerrainTextures(
            [&ground](const std::string& name, std::vector<std::uint8_t>* out) {
                if (name != "Texture/Terra/Ground.jpg") return false;
                *out = ground;
                return true;
            });

        os::SeedRandom(2024);
        grass.texture = Texture(Tga(mediagen::MakeGrassTuft(256)), "grass5.tga");
        // The shader text comes through the archive reader, by its entry name.
        grass.Build(dev.get(), terrain,
                    [](const std::string& name, std::vector<std::uint8_t>* out) {
                        if (name != "shaders\\grass.vsh") return false;
                        const std::string& text = mediagen::world::GrassShaderText();
                        out->assign(text.begin(), text.end());
                        return true;
                    });
        ASSERT_NE(grass.shader(), 0u);
        ASSERT_EQ(grass.columns(), 40);

        for (int i = 0; i < 2; ++i) {
            billboards.texture[static_cast<std::size_t>(i)] =
                Texture(Tga(mediagen::MakeTree(i)), i == 0 ? "tree00.tga" : "tree01.tga");
            billboards.CreateBuffer(i);
        }
        mediagen::world::Ground heights(land);
        const auto list =
            mediagen::world::WriteBillboards(mediagen::world::MakeBillboards(heights));
        billboards.Load(list.data(), list.size());
        const auto text = mediagen::world::BillboardShaderText();
        billboards.CreateShader(dev.get(), text.data(), static_cast<UINT>(text.size()));
        ASSERT_NE(billboards.shader(), 0u);
    }
    void TearDown() override {
        grass.Release();
        terrain.ReleaseBuffers();
        VegetationRender::TearDown();
    }

    // The frame's order: billboards, terrain, grass.
    std::vector<std::uint32_t> Frame(bool withGrass, float fade, float windTime) {
        Begin(0xFF6A8FC0);
        BillboardState(dev.get());
        billboards.Draw(dev.get(), windTime);
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        terrain.RenderTerrain(dev.get());
        if (withGrass) {
            GrassState(dev.get());
            grass.Draw(dev.get(), fade, windTime, planes);
        }
        return End();
    }

    model::Terrain terrain{kit};
    GrassField grass{pool, kit};
    BillboardSet billboards{pool, kit};
    model::Plane4 planes[6];
};

TEST_F(WorldRender, GrassShowsWithFullFadeAndVanishesAtZero) {
    SetCamera(dev.get(), Vector3{60.0f, 95.0f, -90.0f}, 50.0f, -12.0f, planes);
    const auto bare = Frame(false, 1.0f, 3.0f);
    const auto grown = Frame(true, 1.0f, 3.0f);
    WriteShot(grown, kWidth, kHeight, "vegetation_view.png");
    const int shown = grass.drawnPatches();
    EXPECT_GT(shown, 0);
    EXPECT_GT(Differing(bare, grown), static_cast<int>(kWidth * kHeight / 20));

    // Faded out, every fragment falls under the alpha reference: nothing is sent and
    // nothing shows.
    const auto faded = Frame(true, 0.0f, 3.0f);
    EXPECT_EQ(grass.drawnPatches(), 0);
    EXPECT_EQ(Differing(bare, faded), 0);

    const auto windy = Frame(true, 1.0f, 9.0f);
    EXPECT_GT(Differing(grown, windy), 100);  // the tips move with the wind time

    DWORD cull = 0, alphaTest = 1, dest = 0;
    dev->GetRenderState(D3DRS_CULLMODE, &cull);
    dev->GetRenderState(D3DRS_ALPHATESTENABLE, &alphaTest);
    dev->GetRenderState(D3DRS_DESTBLEND, &dest);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_EQ(alphaTest, static_cast<DWORD>(FALSE));
    EXPECT_EQ(dest, static_cast<DWORD>(D3DBLEND_ONE));
}

// Luma of an X8R8G8B8 pixel, 0..255.
float Luma(std::uint32_t c) {
    return 0.299f * static_cast<float>((c >> 16) & 0xFF) +
           0.587f * static_cast<float>((c >> 8) & 0xFF) + 0.114f * static_cast<float>(c & 0xFF);
}

// Standing in the sword's meadow at eye height in the grass, looking across it in four
// directions: where the grass covers the ground it shows blades, not flat patches. A patch
// is an 8 x 8 block that the grass changed everywhere but whose luma hardly varies (the
// blades of a tuft merged into one block, drawn over the tufts before it).
TEST_F(WorldRender, NearGrassShowsBladesNotFlatPatches) {
    const Vector3 centre = grass.cell(27, 16).position;
    float ground = centre.y;
    terrain.HeightAt(centre.x, &ground, centre.z, 0);
    int covered = 0, flat = 0;
    for (float yaw : {0.0f, 90.0f, 180.0f, 270.0f}) {
        const float r = yaw * 0.017453292f;
        const Vector3 eye{centre.x - 60.0f * std::cos(r), 0.0f, centre.z - 60.0f * std::sin(r)};
        float eyeGround = ground;
        terrain.HeightAt(eye.x, &eyeGround, eye.z, 0);
        SetCamera(dev.get(), Vector3{eye.x, eyeGround + 20.0f, eye.z}, yaw, -10.0f, planes);
        const auto bare = Frame(false, 1.0f, 3.0f);
        const auto grown = Frame(true, 1.0f, 3.0f);
        if (yaw == 0.0f) WriteShot(grown, kWidth, kHeight, "vegetation_near.png");
        for (UINT by = 0; by + 8 <= kHeight; by += 8) {
            for (UINT bx = 0; bx + 8 <= kWidth; bx += 8) {
                int changed = 0;
                float sum = 0.0f, squares = 0.0f;
                for (UINT y = by; y < by + 8; ++y) {
                    for (UINT x = bx; x < bx + 8; ++x) {
                        const std::size_t i = static_cast<std::size_t>(y) * kWidth + x;
                        changed += (bare[i] & 0xFFFFFF) != (grown[i] & 0xFFFFFF) ? 1 : 0;
                        const float l = Luma(grown[i]);
                        sum += l;
                        squares += l * l;
                    }
                }
                if (changed < 64) continue;
                ++covered;
                const float mean = sum / 64.0f;
                flat += squares / 64.0f - mean * mean < 2.0f ? 1 : 0;
            }
        }
    }
    // The grass covers over a quarter of the four views. With a tuft whose feet merged into
    // one block, about a fifth of the covered blocks were flat; with separate blades, under
    // one in a hundred.
    EXPECT_GT(covered, static_cast<int>(4 * kWidth * kHeight / 64 / 4));
    EXPECT_LT(flat, covered / 40);
}

// The fade at which the brightest texel of the most opaque tufts still reaches the alpha
// reference (0x1E, GREATEREQUAL) is where the grass starts to be sent.
TEST_F(WorldRender, GrassIsSentOnlyWhileItsAlphaCanPassTheTest) {
    SetCamera(dev.get(), Vector3{60.0f, 95.0f, -90.0f}, 50.0f, -12.0f, planes);
    const auto bare = Frame(false, 1.0f, 3.0f);
    const float atReference = static_cast<float>(GrassField::kAlphaReference) / 255.0f;

    const auto below = Frame(true, atReference - 2.0f / 255.0f, 3.0f);
    EXPECT_EQ(grass.drawnPatches(), 0);
    EXPECT_EQ(Differing(bare, below), 0);

    Frame(true, atReference + 2.0f / 255.0f, 3.0f);
    EXPECT_GT(grass.drawnPatches(), 0);
    const auto half = Frame(true, 0.5f, 3.0f);
    EXPECT_GT(Differing(bare, half), static_cast<int>(kWidth * kHeight / 100));

    // Under an alpha test that lets low alphas through, a faded field is still sent.
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_LESSEQUAL);
    Frame(true, 0.0f, 3.0f);
    EXPECT_GT(grass.drawnPatches(), 0);
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);

    // The states are the same whether or not the tufts were sent.
    DWORD cull = 0, alphaTest = 1, dest = 0, reference = 0;
    Frame(true, 0.0f, 3.0f);
    dev->GetRenderState(D3DRS_CULLMODE, &cull);
    dev->GetRenderState(D3DRS_ALPHATESTENABLE, &alphaTest);
    dev->GetRenderState(D3DRS_DESTBLEND, &dest);
    dev->GetRenderState(D3DRS_ALPHAREF, &reference);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_EQ(alphaTest, static_cast<DWORD>(FALSE));
    EXPECT_EQ(dest, static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(reference, GrassField::kAlphaReference);
}

TEST_F(WorldRender, PatchesOutsideTheViewAreSkipped) {
    int withTufts = 0;
    for (const GrassPatch& p : grass.patches()) withTufts += p.buffer != nullptr ? 1 : 0;
    ASSERT_GE(withTufts, 3);

    // From high above the middle looking straight down (well, nearly) everything is in view.
    SetCamera(dev.get(), Vector3{0.0f, 1500.0f, 0.0f}, 90.0f, -89.0f, planes);
    WriteShot(Frame(true, 1.0f, 0.0f), kWidth, kHeight, "vegetation_overhead.png");
    EXPECT_EQ(grass.drawnPatches(), withTufts);

    // Looking east from the sword's meadow: the horse's meadow behind the camera is skipped.
    SetCamera(dev.get(), Vector3{150.0f, 90.0f, 100.0f}, 0.0f, -10.0f, planes);
    Frame(true, 1.0f, 0.0f);
    EXPECT_GT(grass.drawnPatches(), 0);
    EXPECT_LT(grass.drawnPatches(), withTufts);

    // Looking up into the sky: nothing.
    SetCamera(dev.get(), Vector3{150.0f, 90.0f, 100.0f}, 0.0f, 80.0f, planes);
    Frame(true, 1.0f, 0.0f);
    EXPECT_EQ(grass.drawnPatches(), 0);
}

TEST_F(WorldRender, BeamParticlesShowWithFullFactorAndNotAtZero) {
    BeamParticles particles(pool, kit);
    particles.Setup();
    particles.texture = Texture(Tga(mediagen::MakeParticle(64)), "particle.tga");
    os::SeedRandom(5);
    float clock = 0.0f;
    for (int frame = 0; frame < 3000; ++frame) {  // 30 s of 10 ms frames
        clock += 0.1f;
        if (clock > BeamParticles::kSpawnInterval) {
            particles.SpawnFromBeam();
            clock = 0.0f;
        }
        particles.Update(0.1f);
    }
    ASSERT_GT(particles.CountActive(), 150);

    const float yaw = 60.0f, pitch = 5.0f;
    SetCamera(dev.get(), Vector3{205.0f, 150.0f, 20.0f}, yaw, pitch, planes);
    auto frame = [&](float k) {
        Begin(0xFF000000);
        ParticleState(dev.get());
        particles.Draw(dev.get(), yaw, pitch, k);
        return End();
    };
    const auto dark = frame(0.0f);
    const auto bright = frame(1.0f);
    WriteShot(bright, kWidth, kHeight, "vegetation_particles.png");
    int lit = 0;
    for (std::uint32_t c : bright) lit += IsLit(c) ? 1 : 0;
    EXPECT_GT(lit, 200);
    for (std::uint32_t c : dark) ASSERT_FALSE(IsLit(c));  // k = 0: alpha test drops them all
    EXPECT_EQ(particles.activeCount(), particles.CountActive());
}

}  // namespace
}  // namespace eh::scene

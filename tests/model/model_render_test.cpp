// Rendering on the offscreen Direct3D 8 device: a textured, lit model in both passes and
// a two-layer terrain whose border cells cross-fade. Skipped when no device can be made.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>

#include "model/mesh_model.h"
#include "model/samples.h"
#include "model/terrain.h"
#include "tests/platform/d3d8/offscreen_device.h"
#include "support/require_device.h"

namespace eh::model {
namespace {

constexpr UINT kSize = 64;

// Uncompressed 32-bit TGA (bottom-up rows) of one colour; a 24-bit BMP when alpha is 255.
std::vector<std::uint8_t> SolidImage(std::uint32_t argb, bool tga) {
    constexpr int side = 4;
    std::vector<std::uint8_t> b;
    const std::uint8_t bl = argb & 0xFF, g = (argb >> 8) & 0xFF, r = (argb >> 16) & 0xFF,
                       a = argb >> 24;
    if (tga) {
        b.assign(18, 0);
        b[2] = 2;  // uncompressed true colour
        b[12] = side;
        b[14] = side;
        b[16] = 32;
        b[17] = 8;  // 8 alpha bits
        for (int i = 0; i < side * side; ++i) b.insert(b.end(), {bl, g, r, a});
        return b;
    }
    b.assign(54, 0);
    auto put32 = [&b](std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, 54 + side * side * 3);
    put32(10, 54);
    put32(14, 40);
    put32(18, side);
    put32(22, side);
    b[26] = 1;
    b[28] = 24;
    for (int i = 0; i < side * side; ++i) b.insert(b.end(), {bl, g, r});
    return b;
}

EntryReader Images(std::map<std::string, std::vector<std::uint8_t>> images) {
    return [images](const std::string& name, std::vector<std::uint8_t>* bytes) {
        auto it = images.find(name);
        if (it == images.end()) return false;
        *bytes = it->second;
        return true;
    };
}

void SetMatrix(IDirect3DDevice8* d, D3DTRANSFORMSTATETYPE which, const Matrix4& m) {
    D3DMATRIX out;
    std::memcpy(&out, m.m, sizeof out);
    d->SetTransform(which, &out);
}

// Perspective with 90 degrees of view, near 0.5, far 100, looking down +z in view space.
Matrix4 Projection() {
    Matrix4 p{};
    p.at(0, 0) = 1.0f;
    p.at(1, 1) = 1.0f;
    p.at(2, 2) = 100.0f / 99.5f;
    p.at(2, 3) = 1.0f;
    p.at(3, 2) = -0.5f * 100.0f / 99.5f;
    return p;
}

std::uint32_t At(const std::vector<std::uint32_t>& px, int x, int y) {
    return px[static_cast<std::size_t>(y) * kSize + static_cast<std::size_t>(x)];
}
int Red(std::uint32_t c) {
    return (c >> 16) & 0xFF;
}
int Green(std::uint32_t c) {
    return (c >> 8) & 0xFF;
}
int Blue(std::uint32_t c) {
    return c & 0xFF;
}

#define EXPECT_RGB(c, r, g, b, tol)                           \
    do {                                                      \
        EXPECT_NEAR(Red(c), (r), (tol)) << std::hex << (c);   \
        EXPECT_NEAR(Green(c), (g), (tol)) << std::hex << (c); \
        EXPECT_NEAR(Blue(c), (b), (tol)) << std::hex << (c);  \
    } while (0)

// Two quads at z = 5 facing the camera: the left one opaque (red JPEG-like BMP), the right
// one half-transparent green (TGA, so its group draws in the blended pass).
std::vector<std::uint8_t> TwoQuadMesh() {
    emd::File f;
    emd::Material red;
    red.diffuse[0] = red.diffuse[1] = red.diffuse[2] = 1.0f;
    red.texture1 = "red.bmp";
    emd::Material green = red;
    green.texture1 = "green.tga";
    f.materials = {red, green};
    emd::MeshObject o;
    o.name = "Quads";
    for (float x0 : {-4.0f, 0.5f}) {
        for (int k = 0; k < 4; ++k) {
            const float x = x0 + ((k & 1) ? 3.5f : 0.0f), y = (k & 2) ? 2.0f : -2.0f;
            emd::SkinVertex v;
            v.position = Vector3{x, y, 5.0f};
            v.normals.push_back(emd::SkinNormal{Vector3{0, 0, -1}, {}});
            v.channels.push_back({emd::TexturePair{(k & 1) ? 1.0f : 0.0f, (k & 2) ? 0.0f : 1.0f}});
            o.vertices.push_back(v);
        }
    }
    for (int q = 0; q < 2; ++q) {
        emd::FaceGroup g;
        g.material = q;
        const int b = 4 * q;
        g.positions = {{b, b + 2, b + 1}, {b + 1, b + 2, b + 3}};
        g.normals = {{0, 0, 0}, {0, 0, 0}};
        g.textures = {{{0, 0, 0}, {0, 0, 0}}};
        o.groups.push_back(g);
    }
    f.objects.push_back(o);
    std::vector<std::uint8_t> bytes;
    emd::Write(f, &bytes);
    return bytes;
}

// The two quads of TwoQuadMesh on a device of their own: red opaque on the left, half
// transparent green on the right.
struct TwoQuadModel {
    d3d8test::OffscreenDevice dev{kSize, kSize};
    media::VertexBufferPool pool;
    media::RenderKit kit;
    MeshModel model{pool, kit};

    bool Load() {
        pool.Init(dev.get(), nullptr);
        kit.Init(dev.d3d(), dev.get(), D3DFMT_X8R8G8B8, nullptr);
        const std::vector<std::uint8_t> mesh = TwoQuadMesh();
        if (model.LoadMesh("quads", mesh.data(), mesh.size()) != S_OK) return false;
        model.LoadTextures(Images({{"Texture\\red.bmp", SolidImage(0xFFFF0000u, false)},
                                   {"Texture\\green.tga", SolidImage(0x8000FF00u, true)}}));
        // The model is placed back where the mesh has it: undo the centring on its box.
        model.SetPosition(0.0f, 0.0f, 5.0f);
        return model.materials().size() == 2 && model.materials()[1].first.index >= 0;
    }
    ~TwoQuadModel() {
        kit.ReleaseAll();
        pool.ReleaseAll();
    }
};

TEST(ModelRenderTest, TexturedLitModelDrawsBothPasses) {
    TwoQuadModel quads;
    EH_REQUIRE_DEVICE(quads.dev.ok(), "no offscreen Direct3D device");
    ASSERT_TRUE(quads.Load());
    MeshModel& model = quads.model;
    d3d8test::OffscreenDevice& dev = quads.dev;

    IDirect3DDevice8* d = dev.get();
    SetMatrix(d, D3DTS_VIEW, Matrix4::Identity());
    SetMatrix(d, D3DTS_PROJECTION, Projection());
    D3DMATERIAL8 material{};
    material.Diffuse = D3DCOLORVALUE{1, 1, 1, 1};
    d->SetMaterial(&material);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = D3DCOLORVALUE{1, 1, 1, 1};
    light.Direction = D3DVECTOR{0, 0, 1};
    d->SetLight(0, &light);
    d->LightEnable(0, TRUE);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FFu, 1.0f, 0);
    ASSERT_EQ(d->BeginScene(), D3D_OK);
    model.RenderModel(d);
    d->EndScene();
    const std::vector<std::uint32_t> px = dev.presentAndRead();
    ASSERT_EQ(px.size(), kSize * kSize);

    EXPECT_EQ(model.triangleCount(), 4);
    EXPECT_RGB(At(px, 16, 32), 255, 0, 0, 8);     // opaque, lit at full strength
    EXPECT_RGB(At(px, 48, 32), 0, 128, 127, 10);  // half green over the blue clear colour
    EXPECT_RGB(At(px, 32, 4), 0, 0, 255, 2);      // nothing drawn between and above
    // What the model leaves behind for the draws after it.
    DWORD value = 0;
    d->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, FALSE);
    d->GetRenderState(D3DRS_DESTBLEND, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_ONE));
}

// An unseen model (a beam blended in at alpha 0) leaves the picture alone, and the draws
// after it find the device as a drawn one leaves it.
TEST(ModelRenderTest, AnUnseenModelSetsWhatItWouldAndSendsNothing) {
    TwoQuadModel quads;
    EH_REQUIRE_DEVICE(quads.dev.ok(), "no offscreen Direct3D device");
    ASSERT_TRUE(quads.Load());
    MeshModel& model = quads.model;
    d3d8test::OffscreenDevice& dev = quads.dev;
    model.alphaReference = 0x40;

    IDirect3DDevice8* d = dev.get();
    SetMatrix(d, D3DTS_VIEW, Matrix4::Identity());
    SetMatrix(d, D3DTS_PROJECTION, Projection());
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

    struct After {
        DWORD blend, test, reference, source, dest, addressU;
        IDirect3DBaseTexture8* texture;
    };
    auto render = [&](bool unseen, After* after) {
        d->SetRenderState(D3DRS_ALPHAREF, 7);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        d->SetTexture(0, nullptr);
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FFu, 1.0f, 0);
        d->BeginScene();
        model.unseen = unseen;
        model.RenderModel(d);
        d->EndScene();
        d->GetRenderState(D3DRS_ALPHABLENDENABLE, &after->blend);
        d->GetRenderState(D3DRS_ALPHATESTENABLE, &after->test);
        d->GetRenderState(D3DRS_ALPHAREF, &after->reference);
        d->GetRenderState(D3DRS_SRCBLEND, &after->source);
        d->GetRenderState(D3DRS_DESTBLEND, &after->dest);
        d->GetTextureStageState(0, D3DTSS_ADDRESSU, &after->addressU);
        after->texture = nullptr;
        d->GetTexture(0, &after->texture);
        if (after->texture != nullptr) after->texture->Release();
        return dev.presentAndRead();
    };

    After drawn{}, unseen{};
    const std::vector<std::uint32_t> shown = render(false, &drawn);
    const std::vector<std::uint32_t> hidden = render(true, &unseen);
    ASSERT_EQ(hidden.size(), kSize * kSize);
    EXPECT_RGB(At(shown, 16, 32), 255, 0, 0, 8);  // the seen model is there ...
    for (std::uint32_t px : hidden) ASSERT_EQ(px & 0xFFFFFFu, 0x0000FFu);  // ... the unseen not
    EXPECT_EQ(model.triangleCount(), 4);
    EXPECT_EQ(unseen.blend, drawn.blend);
    EXPECT_EQ(unseen.test, drawn.test);
    EXPECT_EQ(unseen.reference, 0x40u);
    EXPECT_EQ(unseen.source, drawn.source);
    EXPECT_EQ(unseen.dest, drawn.dest);
    EXPECT_EQ(unseen.addressU, drawn.addressU);
    EXPECT_NE(unseen.texture, nullptr);  // the last material's texture stays bound
    EXPECT_EQ(unseen.texture, drawn.texture);
}

TEST(ModelRenderTest, TwoLayerTerrainCrossFadesAcrossBorderCells) {
    d3d8test::OffscreenDevice dev(kSize, kSize);
    EH_REQUIRE_DEVICE(dev.ok(), "no offscreen Direct3D device");
    media::RenderKit kit;
    kit.Init(dev.d3d(), dev.get(), D3DFMT_X8R8G8B8, nullptr);
    IDirect3DDevice8* d = dev.get();

    // 4 x 2 points over 30 x 10 units: column 0 in layer 1 (red), the rest in layer 2
    // (green); cell (0, 0) is a border cell, cells (1, 0) and (2, 0) are green only.
    terrain::File f = samples::SampleTerrain(4, 2, 30.0f, 10.0f, {"red.bmp", "green.bmp"}, 2,
                                             [](int, int) { return 0.0f; });
    f.points[0].layer = f.points[4].layer = 1;
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(terrain::Write(f, &bytes), S_OK);
    Terrain land(kit);
    ASSERT_EQ(land.LoadTerrain(d, "land", bytes.data(), bytes.size()), S_OK);
    land.LoadTerrainTextures(Images({{"Texture/Terra/Black.bmp", SolidImage(0xFF000000u, false)},
                                     {"Texture/Terra/red.bmp", SolidImage(0xFFFF0000u, false)},
                                     {"Texture/Terra/green.bmp", SolidImage(0xFF00FF00u, false)}}));

    // Straight down from 15 units above the centre, x to the right, +z up the image.
    Matrix4 view;
    ASSERT_EQ(BuildViewMatrix(&view, Vector3{0, 15, 0}, Vector3{0, 0, 0}, Vector3{0, 0, 1}), S_OK);
    SetMatrix(d, D3DTS_VIEW, view);
    SetMatrix(d, D3DTS_PROJECTION, Projection());
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    // What the scene's set-up leaves for the blend pass: vertex alpha reaches the blender
    // (texture x diffuse) and the factors are SRCALPHA / ONE.
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);

    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FFu, 1.0f, 0);
    ASSERT_EQ(d->BeginScene(), D3D_OK);
    land.RenderTerrain(d);
    d->EndScene();
    const std::vector<std::uint32_t> px = dev.presentAndRead();
    ASSERT_EQ(px.size(), kSize * kSize);

    // World x = -15..15 maps to pixels 32 + 32 * x / 15 (90 degrees at 15 units).
    auto column = [](float x) { return static_cast<int>(32.0f + 32.0f * x / 15.0f); };
    const int row = 32;
    EXPECT_RGB(At(px, column(-14.0f), row), 240, 15, 0, 20);   // next to the layer-1 edge
    EXPECT_RGB(At(px, column(-10.0f), row), 128, 128, 0, 20);  // middle of the border cell
    EXPECT_RGB(At(px, column(-6.0f), row), 15, 240, 0, 20);    // next to the layer-2 edge
    EXPECT_RGB(At(px, column(8.0f), row), 0, 255, 0, 4);       // inside layer 2
    EXPECT_RGB(At(px, column(0.0f), 2), 0, 0, 255, 2);         // beyond the grid: clear colour
    land.ReleaseBuffers();
    kit.ReleaseAll();
}

}  // namespace
}  // namespace eh::model

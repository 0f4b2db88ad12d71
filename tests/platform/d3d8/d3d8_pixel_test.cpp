// Pixel tests of the Direct3D 8 layer: each draws a small case offscreen and reads the
// presented image back, comparing with values from Direct3D 8's documented formulas.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/platform/d3d8/draw_helpers.h"
#include "tests/platform/d3d8/offscreen_device.h"

namespace eh::d3d8test {
namespace {

constexpr UINT kW = 64, kH = 48;

class PixelTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dev_.ok()); }
    void clear(D3DCOLOR c) {
        ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, c, 1.0f, 0), D3D_OK);
    }
    std::uint32_t at(const std::vector<std::uint32_t>& p, UINT x, UINT y) const {
        return p.at(static_cast<std::size_t>(y) * kW + x);
    }
    OffscreenDevice dev_{kW, kH};
};

TEST_F(PixelTest, ClearFillsTheTargetAndRectanglesNarrowIt) {
    clear(0xFF336699);
    D3DRECT r = {4, 6, 10, 9};
    ASSERT_EQ(dev_->Clear(1, &r, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    const auto p = dev_.presentAndRead();
    ASSERT_EQ(p.size(), kW * kH);
    EXPECT_TRUE(NearColor(at(p, 0, 0), 0x336699, 0));
    EXPECT_TRUE(NearColor(at(p, 63, 47), 0x336699, 0));
    EXPECT_TRUE(NearColor(at(p, 4, 6), 0xFF0000, 0));
    EXPECT_TRUE(NearColor(at(p, 9, 8), 0xFF0000, 0));
    EXPECT_TRUE(NearColor(at(p, 10, 8), 0x336699, 0));
    EXPECT_TRUE(NearColor(at(p, 9, 9), 0x336699, 0));
}

TEST_F(PixelTest, PretransformedQuadCoversExactPixelRectangle) {
    clear(0xFF000000);
    ASSERT_EQ(DrawQuad(dev_.get(), Quad(10, 20, 30, 35, 0xFF00FF00)), D3D_OK);
    const auto p = dev_.presentAndRead();
    for (UINT y = 0; y < kH; ++y) {
        for (UINT x = 0; x < kW; ++x) {
            const bool inside = x >= 10 && x < 30 && y >= 20 && y < 35;
            ASSERT_TRUE(NearColor(at(p, x, y), inside ? 0x00FF00 : 0x000000, 0))
                << "at " << x << "," << y;
        }
    }
}

TEST_F(PixelTest, TextureRowZeroIsTheTopAndTexelsMapOneToOne) {
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(dev_->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    auto* row0 = static_cast<std::uint32_t*>(lr.pBits);
    auto* row1 = reinterpret_cast<std::uint32_t*>(static_cast<BYTE*>(lr.pBits) + lr.Pitch);
    row0[0] = 0xFFFF0000;  // top left red
    row0[1] = 0xFF00FF00;  // top right green
    row1[0] = 0xFF0000FF;  // bottom left blue
    row1[1] = 0xFFFFFFFF;
    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
    clear(0xFF000000);
    dev_->SetTexture(0, tex);
    // Direct3D samples pixel centres at integer coordinates: a quad from (4.5, 4.5) maps
    // texels 1:1 even with bilinear filtering, while one from (5, 5) lands on texel edges.
    dev_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    dev_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    ASSERT_EQ(DrawQuad(dev_.get(), Quad(4.5f, 4.5f, 6.5f, 6.5f, 0xFFFFFFFF)), D3D_OK);
    ASSERT_EQ(DrawQuad(dev_.get(), Quad(10, 5, 12, 7, 0xFFFFFFFF)), D3D_OK);
    dev_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    dev_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    ASSERT_EQ(DrawQuad(dev_.get(), Quad(20, 10, 40, 30, 0xFFFFFFFF)), D3D_OK);
    const auto p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 5, 5), 0xFF0000, 1));
    EXPECT_TRUE(NearColor(at(p, 6, 5), 0x00FF00, 1));
    EXPECT_TRUE(NearColor(at(p, 5, 6), 0x0000FF, 1));
    EXPECT_TRUE(NearColor(at(p, 6, 6), 0xFFFFFF, 1));
    EXPECT_TRUE(NearColor(at(p, 10, 5), 0x808080, 1));  // all four texels, wrapped
    EXPECT_TRUE(NearColor(at(p, 22, 12), 0xFF0000, 0));
    EXPECT_TRUE(NearColor(at(p, 38, 12), 0x00FF00, 0));
    EXPECT_TRUE(NearColor(at(p, 22, 28), 0x0000FF, 0));
    dev_->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(PixelTest, VertexColourModulatesTheUnboundTextureAsWhite) {
    clear(0xFF000000);
    ASSERT_EQ(DrawQuad(dev_.get(), Quad(0, 0, 64, 48, 0xFF40C080)), D3D_OK);
    const auto p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 32, 24), 0x40C080, 0));
}

// Direct3D 8 lighting, one directional light: colour = Ca * (Ga + La) + Cd * Ld * (N . L),
// with Cd from the vertex colour (COLORVERTEX, DIFFUSEMATERIALSOURCE COLOR1 by default)
// and Ca from the material.
TEST_F(PixelTest, DirectionalLightFollowsTheLightingFormula) {
    clear(0xFF000000);
    D3DMATERIAL8 mat = {};
    mat.Diffuse = {1, 1, 1, 1};
    mat.Ambient = {0.5f, 0.5f, 0.5f, 1};
    mat.Power = 25;
    dev_->SetMaterial(&mat);
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.5f, 0.25f, 0.1f, 0};
    light.Ambient = {0.1f, 0.1f, 0.1f, 0};
    light.Direction = {0, 0, 1};  // into the screen: lights surfaces facing the viewer
    light.Range = 100;
    dev_->SetLight(0, &light);
    dev_->LightEnable(0, TRUE);
    dev_->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
    dev_->SetRenderState(D3DRS_LIGHTING, TRUE);
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    // Left half faces the viewer; right half tilted by 60 degrees (N . L = 0.5).
    const float c = 0.5f, s = std::sqrt(3.0f) / 2;
    std::vector<LitVertex> v = {
        {-1, 1, 0.5f, 0, 0, -1, 0xFF808080, 0, 0},  {0, 1, 0.5f, 0, 0, -1, 0xFF808080, 0, 0},
        {-1, -1, 0.5f, 0, 0, -1, 0xFF808080, 0, 0}, {0, 1, 0.5f, 0, 0, -1, 0xFF808080, 0, 0},
        {0, -1, 0.5f, 0, 0, -1, 0xFF808080, 0, 0},  {-1, -1, 0.5f, 0, 0, -1, 0xFF808080, 0, 0},
        {0, 1, 0.5f, s, 0, -c, 0xFF808080, 0, 0},   {1, 1, 0.5f, s, 0, -c, 0xFF808080, 0, 0},
        {0, -1, 0.5f, s, 0, -c, 0xFF808080, 0, 0},  {1, 1, 0.5f, s, 0, -c, 0xFF808080, 0, 0},
        {1, -1, 0.5f, s, 0, -c, 0xFF808080, 0, 0},  {0, -1, 0.5f, s, 0, -c, 0xFF808080, 0, 0}};
    IDirect3DVertexBuffer8* vb = MakeVertexBuffer(dev_.get(), v, kFvfLit);
    ASSERT_NE(vb, nullptr);
    dev_->SetVertexShader(kFvfLit);
    dev_->SetStreamSource(0, vb, sizeof(LitVertex));
    ASSERT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 4), D3D_OK);
    const auto p = dev_.presentAndRead();
    const double ga = 0x20 / 255.0, cd = 0x80 / 255.0;
    auto expected = [&](double ndotl) {
        return rgb(0.5 * (ga + 0.1) + cd * 0.5 * ndotl, 0.5 * (ga + 0.1) + cd * 0.25 * ndotl,
                   0.5 * (ga + 0.1) + cd * 0.1 * ndotl);
    };
    EXPECT_TRUE(NearColor(at(p, 16, 24), expected(1.0)));
    EXPECT_TRUE(NearColor(at(p, 48, 24), expected(0.5)));
    vb->Release();
}

TEST_F(PixelTest, AlphaTestComparesEightBitAlphaWithTheReference) {
    clear(0xFF000000);
    UseDiffuseOnly(dev_.get());
    dev_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    dev_->SetRenderState(D3DRS_ALPHAREF, 0x80);
    DrawQuad(dev_.get(), Quad(0, 0, 16, 16, 0x7FFF0000));   // 0x7F < 0x80: rejected
    DrawQuad(dev_.get(), Quad(16, 0, 32, 16, 0x80FF0000));  // equal: passes
    dev_->SetRenderState(D3DRS_ALPHAREF, 0x30);
    DrawQuad(dev_.get(), Quad(32, 0, 48, 16, 0x30FF0000));  // billboards' reference, equal
    DrawQuad(dev_.get(), Quad(48, 0, 64, 16, 0x2FFF0000));
    const auto p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 8, 8), 0x000000, 0));
    EXPECT_TRUE(NearColor(at(p, 24, 8), 0xFF0000, 0));
    EXPECT_TRUE(NearColor(at(p, 40, 8), 0xFF0000, 0));
    EXPECT_TRUE(NearColor(at(p, 56, 8), 0x000000, 0));
}

// A reference no alpha can fail leaves the test out of the program; moving the reference
// off that edge alone must bring the test back.
TEST_F(PixelTest, AlphaTestAtTheEdgeReferencesAndLeavingThem) {
    clear(0xFF000000);
    UseDiffuseOnly(dev_.get());
    dev_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    dev_->SetRenderState(D3DRS_ALPHAREF, 0);
    DrawQuad(dev_.get(), Quad(0, 0, 16, 16, 0x00FF0000));  // 0 >= 0: passes
    dev_->SetRenderState(D3DRS_ALPHAREF, 1);
    DrawQuad(dev_.get(), Quad(16, 0, 32, 16, 0x0000FF00));  // 0 < 1: rejected
    DrawQuad(dev_.get(), Quad(32, 0, 48, 16, 0x010000FF));  // equal: passes
    dev_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_LESSEQUAL);
    dev_->SetRenderState(D3DRS_ALPHAREF, 0xFF);
    DrawQuad(dev_.get(), Quad(48, 0, 64, 16, 0xFFFFFF00));  // 255 <= 255: passes
    dev_->SetRenderState(D3DRS_ALPHAREF, 0xFE);
    DrawQuad(dev_.get(), Quad(0, 16, 16, 32, 0xFF00FFFF));  // 255 > 254: rejected
    // The test off again: nothing is rejected whatever the reference.
    dev_->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    DrawQuad(dev_.get(), Quad(16, 16, 32, 32, 0xFFFF00FF));
    const auto p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 8, 8), 0xFF0000, 0));
    EXPECT_TRUE(NearColor(at(p, 24, 8), 0x000000, 0));
    EXPECT_TRUE(NearColor(at(p, 40, 8), 0x0000FF, 0));
    EXPECT_TRUE(NearColor(at(p, 56, 8), 0xFFFF00, 0));
    EXPECT_TRUE(NearColor(at(p, 8, 24), 0x000000, 0));
    EXPECT_TRUE(NearColor(at(p, 24, 24), 0xFF00FF, 0));
}

TEST_F(PixelTest, BlendPairsMatchTheirFormulas) {
    clear(0xFF808080);
    UseDiffuseOnly(dev_.get());
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    struct Case {
        DWORD src, dst;
        D3DCOLOR color;
        float x;
    } cases[] = {{D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0x40FF0000, 0},
                 {D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0x40400000, 16},
                 {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR, 0xFF4080C0, 32},
                 {D3DBLEND_ZERO, D3DBLEND_INVSRCALPHA, 0x40000000, 48}};
    for (const Case& c : cases) {
        dev_->SetRenderState(D3DRS_SRCBLEND, c.src);
        dev_->SetRenderState(D3DRS_DESTBLEND, c.dst);
        ASSERT_EQ(DrawQuad(dev_.get(), Quad(c.x, 0, c.x + 16, 16, c.color)), D3D_OK);
    }
    const auto p = dev_.presentAndRead();
    const double d = 0x80 / 255.0, a = 0x40 / 255.0;
    EXPECT_TRUE(NearColor(at(p, 8, 8), rgb(1.0 * a + d * (1 - a), d * (1 - a), d * (1 - a))));
    EXPECT_TRUE(NearColor(at(p, 24, 8), rgb(0x40 / 255.0 * a + d, d, d)));
    EXPECT_TRUE(NearColor(
        at(p, 40, 8), rgb(d * (1 - 0x40 / 255.0), d * (1 - 0x80 / 255.0), d * (1 - 0xC0 / 255.0))));
    EXPECT_TRUE(NearColor(at(p, 56, 8), rgb(d * (1 - a), d * (1 - a), d * (1 - a))));
}

TEST_F(PixelTest, CullCcwRemovesCounterClockwiseTrianglesOnScreen) {
    clear(0xFF000000);
    // Clockwise on screen (y down): (0,0) -> (16,0) -> (0,16).
    std::vector<TlVertex> cw = {{0, 0, 0.5f, 1, 0xFFFF0000, 0, 0},
                                {16, 0, 0.5f, 1, 0xFFFF0000, 0, 0},
                                {0, 16, 0.5f, 1, 0xFFFF0000, 0, 0}};
    std::vector<TlVertex> ccw = {{32, 0, 0.5f, 1, 0xFF00FF00, 0, 0},
                                 {32, 16, 0.5f, 1, 0xFF00FF00, 0, 0},
                                 {48, 0, 0.5f, 1, 0xFF00FF00, 0, 0}};
    auto draw = [&](const std::vector<TlVertex>& tri) {
        IDirect3DVertexBuffer8* vb = MakeVertexBuffer(dev_.get(), tri, kFvfTl);
        dev_->SetVertexShader(kFvfTl);
        dev_->SetStreamSource(0, vb, sizeof(TlVertex));
        EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
        vb->Release();
    };
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    draw(cw);
    draw(ccw);
    auto p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 3, 3), 0xFF0000, 0));
    EXPECT_TRUE(NearColor(at(p, 35, 3), 0x000000, 0));
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    draw(ccw);
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    clear(0xFF000000);
    draw(cw);
    p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 3, 3), 0x000000, 0));
}

TEST_F(PixelTest, DepthTestUsesLessEqualAndWritesCanBeTurnedOff) {
    clear(0xFF000000);
    UseDiffuseOnly(dev_.get());
    DrawQuad(dev_.get(), Quad(0, 0, 32, 16, 0xFFFF0000, 0.3f));
    DrawQuad(dev_.get(), Quad(0, 0, 64, 16, 0xFF00FF00, 0.6f));  // behind: only right half
    DrawQuad(dev_.get(), Quad(0, 16, 64, 32, 0xFF0000FF, 0.4f));
    DrawQuad(dev_.get(), Quad(0, 16, 32, 32, 0xFFFFFF00, 0.4f));  // equal depth passes
    dev_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    DrawQuad(dev_.get(), Quad(0, 32, 64, 48, 0xFFFF00FF, 0.2f));
    DrawQuad(dev_.get(), Quad(32, 32, 64, 48, 0xFF00FFFF, 0.5f));  // nothing written before
    const auto p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 8, 8), 0xFF0000, 0));
    EXPECT_TRUE(NearColor(at(p, 40, 8), 0x00FF00, 0));
    EXPECT_TRUE(NearColor(at(p, 8, 24), 0xFFFF00, 0));
    EXPECT_TRUE(NearColor(at(p, 40, 24), 0x0000FF, 0));
    EXPECT_TRUE(NearColor(at(p, 8, 40), 0xFF00FF, 0));
    EXPECT_TRUE(NearColor(at(p, 40, 40), 0x00FFFF, 0));
}

TEST_F(PixelTest, TextureFactorAndAddSmooth) {
    clear(0xFF000000);
    dev_->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80204060);
    dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);  // unbound: 1
    DrawQuad(dev_.get(), Quad(0, 0, 16, 16, 0xFFFFFFFF));
    // Stage 1 ADDSMOOTH(TFACTOR, CURRENT) on the diffuse colour; stage 1 alpha DISABLE
    // passes stage 0's alpha on, which the blend then uses.
    dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    dev_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADDSMOOTH);
    dev_->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    dev_->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    dev_->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    DrawQuad(dev_.get(), Quad(16, 0, 32, 16, 0xFF806040));
    const auto p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 8, 8), 0x204060, 0));
    auto smooth = [](double a, double b) { return a + b - a * b; };
    const double alpha = 0x80 / 255.0;
    EXPECT_TRUE(NearColor(at(p, 24, 8), rgb(smooth(0x20 / 255.0, 0x80 / 255.0) * alpha,
                                            smooth(0x40 / 255.0, 0x60 / 255.0) * alpha,
                                            smooth(0x60 / 255.0, 0x40 / 255.0) * alpha)));
}

// The sword's set-up: a cube map looked up with the camera-space reflection vector,
// transformed by the stage's texture matrix with COUNT3.
TEST_F(PixelTest, CubeMapByCameraSpaceReflectionVector) {
    IDirect3DCubeTexture8* cube = nullptr;
    ASSERT_EQ(dev_->CreateCubeTexture(4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube), D3D_OK);
    const D3DCOLOR faces[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                               0xFFFFFF00, 0xFFFF00FF, 0xFF00FFFF};
    for (int f = 0; f < 6; ++f) {
        D3DLOCKED_RECT lr;
        ASSERT_EQ(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(f), 0, &lr, nullptr, 0), D3D_OK);
        for (int i = 0; i < 16; ++i) static_cast<std::uint32_t*>(lr.pBits)[i] = faces[f];
        cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(f), 0);
    }
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    dev_->SetTexture(0, cube);
    dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev_->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
    dev_->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3);
    std::vector<LitVertex> v = {{-0.1f, 0.1f, 0.5f, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                                {0.1f, 0.1f, 0.5f, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                                {-0.1f, -0.1f, 0.5f, 0, 0, -1, 0xFFFFFFFF, 0, 0},
                                {0.1f, -0.1f, 0.5f, 0, 0, -1, 0xFFFFFFFF, 0, 0}};
    IDirect3DVertexBuffer8* vb = MakeVertexBuffer(dev_.get(), v, kFvfLit);
    dev_->SetVertexShader(kFvfLit);
    dev_->SetStreamSource(0, vb, sizeof(LitVertex));
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    // Identity: the surface faces the viewer, so R = (0, 0, -1): the -Z face.
    D3DMATRIX m = Identity();
    dev_->SetTransform(D3DTS_TEXTURE0, &m);
    clear(0xFF000000);
    ASSERT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    auto p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 32, 24), faces[D3DCUBEMAP_FACE_NEGATIVE_Z], 0));
    // RotationY(90 degrees) turns (0, 0, -1) into (-1, 0, 0): the -X face.
    m = Identity();
    m._11 = 0, m._13 = -1, m._31 = 1, m._33 = 0;
    dev_->SetTransform(D3DTS_TEXTURE0, &m);
    clear(0xFF000000);
    ASSERT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 32, 24), faces[D3DCUBEMAP_FACE_NEGATIVE_X], 0));
    dev_->SetTexture(0, nullptr);
    dev_->SetStreamSource(0, nullptr, 0);
    vb->Release();
    cube->Release();
}

TEST_F(PixelTest, RenderToTextureKeepsTopRowOnTop) {
    IDirect3DTexture8* rt = nullptr;
    ASSERT_EQ(dev_->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                  D3DPOOL_DEFAULT, &rt),
              D3D_OK);
    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(dev_->CreateDepthStencilSurface(32, 32, D3DFMT_D16, D3DMULTISAMPLE_NONE, &depth),
              D3D_OK);
    IDirect3DSurface8 *savedRt = nullptr, *savedDs = nullptr, *level = nullptr;
    ASSERT_EQ(dev_->GetRenderTarget(&savedRt), D3D_OK);
    ASSERT_EQ(dev_->GetDepthStencilSurface(&savedDs), D3D_OK);
    ASSERT_EQ(rt->GetSurfaceLevel(0, &level), D3D_OK);
    ASSERT_EQ(dev_->SetRenderTarget(level, depth), D3D_OK);
    D3DVIEWPORT8 vp;
    dev_->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 32u);
    EXPECT_EQ(vp.Height, 32u);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    DrawQuad(dev_.get(), Quad(0, 0, 32, 16, 0xFFFF0000));
    ASSERT_EQ(dev_->SetRenderTarget(savedRt, savedDs), D3D_OK);
    dev_->GetViewport(&vp);
    EXPECT_EQ(vp.Width, kW);
    clear(0xFF000000);
    dev_->SetTexture(0, rt);
    dev_->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);  // one level only
    DrawQuad(dev_.get(), Quad(0, 0, 64, 48, 0xFFFFFFFF));
    const auto p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 32, 8), 0xFF0000, 0));
    EXPECT_TRUE(NearColor(at(p, 32, 40), 0x0000FF, 0));
    dev_->SetTexture(0, nullptr);
    level->Release();
    savedRt->Release();
    savedDs->Release();
    depth->Release();
    rt->Release();
}

// A managed 4-vertex buffer rewritten between two draws (SetQuad2D's pattern) draws each
// time with the contents it had at that draw.
TEST_F(PixelTest, BufferRewrittenBetweenDrawsIsReadAtDrawTime) {
    clear(0xFF000000);
    IDirect3DVertexBuffer8* vb = MakeVertexBuffer(dev_.get(), Quad(0, 0, 8, 8, 0xFFFF0000), kFvfTl);
    dev_->SetVertexShader(kFvfTl);
    dev_->SetStreamSource(0, vb, sizeof(TlVertex));
    ASSERT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    BYTE* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    const auto second = Quad(16, 0, 24, 8, 0xFF00FF00);
    std::memcpy(data, second.data(), sizeof(TlVertex) * 4);
    vb->Unlock();
    ASSERT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    const auto p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 4, 4), 0xFF0000, 0));
    EXPECT_TRUE(NearColor(at(p, 20, 4), 0x00FF00, 0));
    dev_->SetStreamSource(0, nullptr, 0);
    vb->Release();
}

TEST_F(PixelTest, GammaRampAppliesAtPresentOnly) {
    D3DGAMMARAMP ramp;
    for (int i = 0; i < 256; ++i) {
        ramp.red[i] = static_cast<WORD>(65535 - 257 * i);  // inverted red
        ramp.green[i] = static_cast<WORD>(256 * i);        // identity (top byte)
        ramp.blue[i] = static_cast<WORD>(i < 128 ? 0 : 65355);
    }
    dev_->SetGammaRamp(D3DSGR_CALIBRATE, &ramp);
    D3DGAMMARAMP back;
    dev_->GetGammaRamp(&back);
    EXPECT_EQ(std::memcmp(&back, &ramp, sizeof(ramp)), 0);
    clear(0xFF2080C0);
    auto p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 5, 5), 0xDF80FF, 0));
    for (int i = 0; i < 256; ++i)
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<WORD>(256 * i);
    dev_->SetGammaRamp(D3DSGR_CALIBRATE, &ramp);
    clear(0xFF2080C0);
    p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 5, 5), 0x2080C0, 0));
}

// vs.1.1 token stream written by hand:
//   m4x4 oPos, v0, c0      ; position through c0..c3
//   mul  oD0, v5, c4       ; colour scaled by c4
//   mov  r0, c5
//   mov  oD0.y, -r0.x      ; write mask and negation
TEST_F(PixelTest, VertexShaderWithConstants) {
    const DWORD decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3),
                          D3DVSD_REG(5, D3DVSDT_D3DCOLOR), D3DVSD_END()};
    const DWORD code[] = {D3DVS_VERSION(1, 1), D3DSIO_M4x4, 0xC00F0000, 0x90E40000,
                          0xA0E40000,          D3DSIO_MUL,  0xD00F0000, 0x90E40005,
                          0xA0E40004,          D3DSIO_MOV,  0x800F0000, 0xA0E40005,
                          D3DSIO_MOV,          0xD0020000,  0x81000000,  // -r0.xxxx
                          D3DVS_END()};
    DWORD handle = 0;
    ASSERT_EQ(dev_->CreateVertexShader(decl, code, &handle, 0), D3D_OK);
    struct V {
        float x, y, z;
        D3DCOLOR c;
    };
    std::vector<V> v = {{-1, 1, 0.5f, 0xFF80FF40},
                        {1, 1, 0.5f, 0xFF80FF40},
                        {-1, -1, 0.5f, 0xFF80FF40},
                        {1, -1, 0.5f, 0xFF80FF40}};
    IDirect3DVertexBuffer8* vb = nullptr;
    // 0x102's data in a 20-byte stride, layout from the declaration.
    vb = MakeVertexBuffer(dev_.get(), v, D3DFVF_XYZ | D3DFVF_TEX1, sizeof(V));
    const float consts[6][4] = {{1, 0, 0, 0}, {0, 1, 0, 0},          {0, 0, 1, 0},
                                {0, 0, 0, 1}, {0.5f, 1.0f, 1.0f, 1}, {-0.25f, 0, 0, 0}};
    ASSERT_EQ(dev_->SetVertexShaderConstant(0, consts, 6), D3D_OK);
    ASSERT_EQ(dev_->SetVertexShader(handle), D3D_OK);
    dev_->SetStreamSource(0, vb, sizeof(V));
    UseDiffuseOnly(dev_.get());
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    clear(0xFF000000);
    ASSERT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    const auto p = dev_.presentAndRead();
    EXPECT_TRUE(NearColor(at(p, 32, 24), rgb(0x80 / 255.0 * 0.5, 0.25, 0x40 / 255.0)));
    dev_->SetStreamSource(0, nullptr, 0);
    vb->Release();
}

TEST(PixelMultisample, PresentResolvesMultisampling) {
    OffscreenDevice dev(32, 32, D3DMULTISAMPLE_4_SAMPLES);
    if (!dev.ok()) GTEST_SKIP() << "4 samples not available";
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    DrawQuad(dev.get(), Quad(0, 0, 16, 32, 0xFFFFFFFF));
    const auto p = dev.presentAndRead();
    ASSERT_EQ(p.size(), 32u * 32u);
    EXPECT_TRUE(NearColor(p[5 * 32 + 4], 0xFFFFFF, 0));
    EXPECT_TRUE(NearColor(p[5 * 32 + 20], 0x000000, 0));
}

}  // namespace
}  // namespace eh::d3d8test

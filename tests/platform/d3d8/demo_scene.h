// A small lit, textured, blended scene drawn the way the saver draws: a lit terrain grid
// (FVF 0x152), lit indexed boxes with a 56-byte stride (0x352), an alpha-tested blended
// particle cloud of many small draws, a specular box with a cube-map reflection on stage 1
// (ADDSMOOTH, camera-space reflection vector, COUNT3), and 2D quads (0x144) that rewrite
// one buffer between draws. Used by the demo program and the frame benchmark.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d8/d3d8.h"

namespace eh::d3d8test {

class DemoScene {
  public:
    static constexpr DWORD kFvfTerrain = 0x152;
    static constexpr DWORD kFvfModel = 0x352;
    static constexpr DWORD kFvfQuad = 0x144;

    bool init(IDirect3DDevice8* dev) {
        dev_ = dev;
        D3DVIEWPORT8 vp;
        dev->GetViewport(&vp);
        width_ = static_cast<float>(vp.Width);
        height_ = static_cast<float>(vp.Height);
        if (!makeTexture(&ground_, 64, [](int x, int y) {
                const bool c = ((x / 8) + (y / 8)) & 1;
                return c ? 0xFF6A8A3Au : 0xFF4E6E2Cu;
            })) {
            return false;
        }
        if (!makeTexture(&crate_, 32, [](int x, int y) {
                const bool edge = x < 2 || y < 2 || x > 29 || y > 29;
                return edge ? 0xFF402010u : 0xFFB07840u;
            })) {
            return false;
        }
        if (!makeTexture(&spark_, 32, [](int x, int y) {
                const float dx = (x - 15.5f) / 16, dy = (y - 15.5f) / 16;
                const float d = std::fmax(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy));
                const auto a = static_cast<std::uint32_t>(d * 255);
                return (a << 24) | 0x00FFD080u;
            })) {
            return false;
        }
        if (FAILED(dev->CreateCubeTexture(16, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &cube_))) {
            return false;
        }
        const std::uint32_t faces[6] = {0xFF8090C0, 0xFF706050, 0xFFC0D0FF,
                                        0xFF303020, 0xFF90A0B0, 0xFF605040};
        for (int f = 0; f < 6; ++f) {
            D3DLOCKED_RECT lr;
            cube_->LockRect(static_cast<D3DCUBEMAP_FACES>(f), 0, &lr, nullptr, 0);
            for (int i = 0; i < 256; ++i) static_cast<std::uint32_t*>(lr.pBits)[i] = faces[f];
            cube_->UnlockRect(static_cast<D3DCUBEMAP_FACES>(f), 0);
        }
        buildTerrain();
        buildBox();
        if (FAILED(dev->CreateVertexBuffer(6 * 36 * kParticles, 0, kFvfTerrain, D3DPOOL_MANAGED,
                                           &particles_)) ||
            FAILED(dev->CreateVertexBuffer(4 * 28, 0, kFvfQuad, D3DPOOL_MANAGED, &quad_))) {
            return false;
        }
        setUpState();
        return true;
    }

    void release() {
        for (IUnknown** p :
             {reinterpret_cast<IUnknown**>(&ground_), reinterpret_cast<IUnknown**>(&crate_),
              reinterpret_cast<IUnknown**>(&spark_), reinterpret_cast<IUnknown**>(&cube_),
              reinterpret_cast<IUnknown**>(&terrain_), reinterpret_cast<IUnknown**>(&box_),
              reinterpret_cast<IUnknown**>(&boxIndices_), reinterpret_cast<IUnknown**>(&particles_),
              reinterpret_cast<IUnknown**>(&quad_)}) {
            if (*p != nullptr) (*p)->Release();
            *p = nullptr;
        }
    }

    // Draws frame `frame` (time = frame / 60 seconds) into the back buffer; no Present.
    void render(int frame) {
        IDirect3DDevice8* d = dev_;
        const float t = frame / 60.0f;
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF6080B0, 1.0f, 0);
        d->BeginScene();
        D3DMATRIX view = lookAt(std::sin(t * 0.2f) * 6, 4.0f, -12.0f + std::cos(t * 0.2f) * 2);
        d->SetTransform(D3DTS_VIEW, &view);
        D3DMATRIX world = identity();
        d->SetTransform(D3DTS_WORLD, &world);
        // Terrain, lit.
        d->SetRenderState(D3DRS_LIGHTING, TRUE);
        d->SetRenderState(D3DRS_AMBIENT, 0xFF7D7D7D);
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        d->SetTexture(0, ground_);
        d->SetVertexShader(kFvfTerrain);
        d->SetStreamSource(0, terrain_, 36);
        d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, kGrid * kGrid * 2);
        // Boxes, lit, indexed, 56-byte stride.
        d->SetRenderState(D3DRS_AMBIENT, 0xFF191919);
        d->SetTexture(0, crate_);
        d->SetVertexShader(kFvfModel);
        d->SetStreamSource(0, box_, 56);
        d->SetIndices(boxIndices_, 0);
        for (int i = 0; i < kBoxes; ++i) {
            const float a = t + i * 0.7f;
            D3DMATRIX m = rotationY(a);
            m._41 = std::cos(i * 1.3f) * 5;
            m._42 = 0.6f;
            m._43 = std::sin(i * 1.3f) * 5;
            d->SetTransform(D3DTS_WORLD, &m);
            d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 24, 0, 12);
        }
        // A shiny box: specular plus the cube map added on stage 1.
        D3DMATRIX m = rotationY(t * 0.5f);
        m._42 = 1.5f;
        d->SetTransform(D3DTS_WORLD, &m);
        d->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
        d->SetTexture(1, cube_);
        d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADDSMOOTH);
        d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR);
        d->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3);
        D3DMATRIX texRot = rotationY(t);
        d->SetTransform(D3DTS_TEXTURE1, &texRot);
        d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 24, 0, 12);
        d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
        d->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        d->SetTexture(1, nullptr);
        d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
        // Particles: unlit, alpha tested and blended, one small draw each.
        fillParticles(t);
        world = identity();
        d->SetTransform(D3DTS_WORLD, &world);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        d->SetRenderState(D3DRS_ALPHAREF, 0x10);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetTexture(0, spark_);
        d->SetVertexShader(kFvfTerrain);
        d->SetStreamSource(0, particles_, 36);
        for (int i = 0; i < kParticles; ++i) d->DrawPrimitive(D3DPT_TRIANGLELIST, i * 6, 2);
        d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        // 2D quads rewriting one buffer between draws: a darkening band and a row of marks.
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        d->SetTexture(0, nullptr);
        d->SetVertexShader(kFvfQuad);
        d->SetStreamSource(0, quad_, 28);
        setQuad(0, height_ - 40, width_, height_, 0x80000000);
        d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        d->SetTexture(0, spark_);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        for (int i = 0; i < kMarks; ++i) {
            const float x = 20 + i * 28.0f;
            setQuad(x, height_ - 34, x + 24, height_ - 10, 0xFFFFFFFF);
            d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        }
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        d->EndScene();
    }

  private:
    static constexpr int kGrid = 24;
    static constexpr int kBoxes = 16;
    static constexpr int kParticles = 120;
    static constexpr int kMarks = 12;

    struct V152 {
        float x, y, z, nx, ny, nz;
        D3DCOLOR c;
        float u, v;
    };
    struct V352 {
        float x, y, z, nx, ny, nz;
        D3DCOLOR c;
        float u0, v0, u1, v1, t0, t1, t2;  // 56 bytes, as the model buffers
    };
    struct V144 {
        float x, y, z, rhw;
        D3DCOLOR c;
        float u, v;
    };

    template <class F>
    bool makeTexture(IDirect3DTexture8** out, int size, F texel) {
        if (FAILED(dev_->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, out))) {
            return false;
        }
        D3DLOCKED_RECT lr;
        (*out)->LockRect(0, &lr, nullptr, 0);
        for (int y = 0; y < size; ++y) {
            auto* row =
                reinterpret_cast<std::uint32_t*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch);
            for (int x = 0; x < size; ++x) row[x] = texel(x, y);
        }
        (*out)->UnlockRect(0);
        return true;
    }

    static D3DMATRIX identity() {
        D3DMATRIX m{};
        m._11 = m._22 = m._33 = m._44 = 1;
        return m;
    }
    static D3DMATRIX rotationY(float a) {
        D3DMATRIX m = identity();
        m._11 = std::cos(a), m._13 = -std::sin(a), m._31 = std::sin(a), m._33 = std::cos(a);
        return m;
    }
    // Left-handed look-at towards the origin, up (0, 1, 0).
    static D3DMATRIX lookAt(float ex, float ey, float ez) {
        float zx = -ex, zy = -ey, zz = -ez;
        float l = std::sqrt(zx * zx + zy * zy + zz * zz);
        zx /= l, zy /= l, zz /= l;
        float xx = zz, xy = 0, xz = -zx;  // up x z
        l = std::sqrt(xx * xx + xz * xz);
        xx /= l, xz /= l;
        const float yx = zy * xz - zz * xy, yy = zz * xx - zx * xz, yz = zx * xy - zy * xx;
        D3DMATRIX m = identity();
        m._11 = xx, m._12 = yx, m._13 = zx;
        m._21 = xy, m._22 = yy, m._23 = zy;
        m._31 = xz, m._32 = yz, m._33 = zz;
        m._41 = -(xx * ex + xy * ey + xz * ez);
        m._42 = -(yx * ex + yy * ey + yz * ez);
        m._43 = -(zx * ex + zy * ey + zz * ez);
        return m;
    }

    void setUpState() {
        IDirect3DDevice8* d = dev_;
        // The saver's projection: fixed 54 x 44 degree angles, m34 = 1 and m44 = 1.
        D3DMATRIX proj = identity();
        proj._11 = 1.96261f, proj._22 = 2.47509f, proj._33 = 1.0001667f;
        proj._34 = 1.0f, proj._43 = -0.0500083f;
        d->SetTransform(D3DTS_PROJECTION, &proj);
        D3DMATERIAL8 mat = {};
        mat.Diffuse = {1, 1, 1, 1};
        mat.Ambient = {0.85f, 0.85f, 0.85f, 1};
        mat.Specular = {0.8f, 0.8f, 0.8f, 1};
        mat.Power = 25;
        d->SetMaterial(&mat);
        D3DLIGHT8 l = {};
        l.Type = D3DLIGHT_DIRECTIONAL;
        l.Diffuse = {0.35f, 0.35f, 0.35f, 0};
        l.Specular = {0.7f, 0.7f, 0.7f, 0};
        l.Ambient = {0.15f, 0.15f, 0.15f, 0};
        l.Direction = {0.66446f, -0.34202f, 0.66446f};
        d->SetLight(0, &l);
        l.Diffuse = {0.45f, 0.45f, 0.35f, 0};
        l.Direction = {-0.85165f, -0.34202f, -0.39713f};
        d->SetLight(1, &l);
        d->LightEnable(0, TRUE);
        d->LightEnable(1, TRUE);
        d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
        d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        for (DWORD s = 0; s < 2; ++s) {
            d->SetTextureStageState(s, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
            d->SetTextureStageState(s, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
            d->SetTextureStageState(s, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
        }
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
        d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }

    float height(float x, float z) const { return 0.4f * std::sin(x * 0.5f) * std::cos(z * 0.4f); }

    void buildTerrain() {
        std::vector<V152> v;
        const float step = 20.0f / kGrid;
        auto vertex = [&](int i, int j) {
            const float x = -10 + i * step, z = -10 + j * step;
            const float hx = height(x + 0.1f, z) - height(x - 0.1f, z);
            const float hz = height(x, z + 0.1f) - height(x, z - 0.1f);
            float nx = -hx / 0.2f, ny = 1, nz = -hz / 0.2f;
            const float l = std::sqrt(nx * nx + ny * ny + nz * nz);
            v.push_back(
                {x, height(x, z), z, nx / l, ny / l, nz / l, 0xFFFFFFFF, i * 0.5f, j * 0.5f});
        };
        for (int i = 0; i < kGrid; ++i) {
            for (int j = 0; j < kGrid; ++j) {
                // Clockwise seen from above (+y), so CCW culling keeps the top side.
                vertex(i, j), vertex(i, j + 1), vertex(i + 1, j);
                vertex(i + 1, j), vertex(i, j + 1), vertex(i + 1, j + 1);
            }
        }
        dev_->CreateVertexBuffer(static_cast<UINT>(v.size() * sizeof(V152)), D3DUSAGE_WRITEONLY,
                                 kFvfTerrain, D3DPOOL_MANAGED, &terrain_);
        BYTE* p = nullptr;
        terrain_->Lock(0, 0, &p, 0);
        std::memcpy(p, v.data(), v.size() * sizeof(V152));
        terrain_->Unlock();
    }

    void buildBox() {
        std::vector<V352> v;
        std::vector<WORD> idx;
        const float n[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
        for (int f = 0; f < 6; ++f) {
            const float nx = n[f][0], ny = n[f][1], nz = n[f][2];
            // Two axes spanning the face, chosen so the corners wind clockwise from outside.
            float ux = ny, uy = nz, uz = nx;
            float wx = ny * uz - nz * uy, wy = nz * ux - nx * uz, wz = nx * uy - ny * ux;
            const WORD base = static_cast<WORD>(v.size());
            const float s[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
            for (int c = 0; c < 4; ++c) {
                const float a = s[c][0] * 0.5f, b = s[c][1] * 0.5f;
                v.push_back({nx * 0.5f + ux * a + wx * b, ny * 0.5f + uy * a + wy * b,
                             nz * 0.5f + uz * a + wz * b, nx, ny, nz, 0xFFFFFFFF, (s[c][0] + 1) / 2,
                             (s[c][1] + 1) / 2, 0, 0, 0, 0, 0});
            }
            for (WORD k : {0, 2, 1, 0, 3, 2}) idx.push_back(static_cast<WORD>(base + k));
        }
        dev_->CreateVertexBuffer(static_cast<UINT>(v.size() * 56), 0, kFvfModel, D3DPOOL_MANAGED,
                                 &box_);
        BYTE* p = nullptr;
        box_->Lock(0, 0, &p, 0);
        std::memcpy(p, v.data(), v.size() * 56);
        box_->Unlock();
        dev_->CreateIndexBuffer(static_cast<UINT>(idx.size() * 2), 0, D3DFMT_INDEX16,
                                D3DPOOL_MANAGED, &boxIndices_);
        boxIndices_->Lock(0, 0, &p, 0);
        std::memcpy(p, idx.data(), idx.size() * 2);
        boxIndices_->Unlock();
    }

    void fillParticles(float t) {
        BYTE* p = nullptr;
        particles_->Lock(0, 0, &p, 0);
        auto* v = reinterpret_cast<V152*>(p);
        for (int i = 0; i < kParticles; ++i) {
            const float a = i * 2.39996f + t * 0.3f;
            const float r = 1.0f + (i % 17) * 0.3f;
            const float x = std::cos(a) * r, z = std::sin(a) * r;
            const float y = 1.0f + std::fmod(i * 0.37f + t * 0.5f, 4.0f);
            const float s = 0.25f;
            const D3DCOLOR c = 0xC0FFFFFF;
            const V152 q[6] = {
                {x - s, y + s, z, 0, 0, -1, c, 0, 0}, {x + s, y + s, z, 0, 0, -1, c, 1, 0},
                {x - s, y - s, z, 0, 0, -1, c, 0, 1}, {x + s, y + s, z, 0, 0, -1, c, 1, 0},
                {x + s, y - s, z, 0, 0, -1, c, 1, 1}, {x - s, y - s, z, 0, 0, -1, c, 0, 1}};
            std::memcpy(v + i * 6, q, sizeof(q));
        }
        particles_->Unlock();
    }

    void setQuad(float x1, float y1, float x2, float y2, D3DCOLOR c) {
        BYTE* p = nullptr;
        quad_->Lock(0, 0, &p, 0);
        const V144 q[4] = {{x1, y1, 0.99f, 1, c, 0, 0},
                           {x2, y1, 0.99f, 1, c, 1, 0},
                           {x1, y2, 0.99f, 1, c, 0, 1},
                           {x2, y2, 0.99f, 1, c, 1, 1}};
        std::memcpy(p, q, sizeof(q));
        quad_->Unlock();
    }

    IDirect3DDevice8* dev_ = nullptr;
    float width_ = 0, height_ = 0;
    IDirect3DTexture8 *ground_ = nullptr, *crate_ = nullptr, *spark_ = nullptr;
    IDirect3DCubeTexture8* cube_ = nullptr;
    IDirect3DVertexBuffer8 *terrain_ = nullptr, *box_ = nullptr, *particles_ = nullptr;
    IDirect3DVertexBuffer8* quad_ = nullptr;
    IDirect3DIndexBuffer8* boxIndices_ = nullptr;
};

}  // namespace eh::d3d8test

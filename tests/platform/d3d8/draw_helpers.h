// Small drawing helpers shared by the Direct3D 8 layer's tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d8/d3d8.h"

namespace eh::d3d8test {

struct TlVertex {  // FVF 0x144: XYZRHW | DIFFUSE | TEX1
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kFvfTl = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct LitVertex {  // FVF 0x152: XYZ | NORMAL | DIFFUSE | TEX1
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kFvfLit = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;

inline std::uint8_t red(std::uint32_t c) {
    return (c >> 16) & 0xFF;
}
inline std::uint8_t green(std::uint32_t c) {
    return (c >> 8) & 0xFF;
}
inline std::uint8_t blue(std::uint32_t c) {
    return c & 0xFF;
}

// Expects each channel of `actual` within `tolerance` of `expected` (alpha ignored).
inline ::testing::AssertionResult NearColor(std::uint32_t actual, std::uint32_t expected,
                                            int tolerance = 2) {
    const int dr = std::abs(red(actual) - red(expected));
    const int dg = std::abs(green(actual) - green(expected));
    const int db = std::abs(blue(actual) - blue(expected));
    if (dr <= tolerance && dg <= tolerance && db <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    char buf[96];
    std::snprintf(buf, sizeof(buf), "got %06X, expected %06X (tolerance %d)", actual & 0xFFFFFF,
                  expected & 0xFFFFFF, tolerance);
    return ::testing::AssertionFailure() << buf;
}

inline std::uint32_t rgb(double r, double g, double b) {
    auto q = [](double v) {
        return static_cast<std::uint32_t>(std::lround(std::fmin(std::fmax(v, 0.0), 1.0) * 255.0));
    };
    return 0xFF000000u | (q(r) << 16) | (q(g) << 8) | q(b);
}

// A managed vertex buffer filled with `vertices`.
template <class V>
IDirect3DVertexBuffer8* MakeVertexBuffer(IDirect3DDevice8* dev, const std::vector<V>& vertices,
                                         DWORD fvf, UINT stride = sizeof(V)) {
    IDirect3DVertexBuffer8* vb = nullptr;
    const UINT length = static_cast<UINT>(vertices.size()) * stride;
    if (FAILED(dev->CreateVertexBuffer(length, 0, fvf, D3DPOOL_MANAGED, &vb))) return nullptr;
    BYTE* data = nullptr;
    vb->Lock(0, 0, &data, 0);
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        std::memcpy(data + i * stride, &vertices[i], sizeof(V));
    }
    vb->Unlock();
    return vb;
}

// A pre-transformed quad [x1, x2) x [y1, y2) in pixels as a clockwise strip, the way the
// program's 2D quads are wound.
inline std::vector<TlVertex> Quad(float x1, float y1, float x2, float y2, D3DCOLOR color,
                                  float z = 0.5f) {
    return {{x1, y1, z, 1.0f, color, 0.0f, 0.0f},
            {x2, y1, z, 1.0f, color, 1.0f, 0.0f},
            {x1, y2, z, 1.0f, color, 0.0f, 1.0f},
            {x2, y2, z, 1.0f, color, 1.0f, 1.0f}};
}

// Draws a pre-transformed strip quad with the current state.
inline HRESULT DrawQuad(IDirect3DDevice8* dev, const std::vector<TlVertex>& quad) {
    IDirect3DVertexBuffer8* vb = MakeVertexBuffer(dev, quad, kFvfTl);
    if (vb == nullptr) return E_FAIL;
    dev->SetVertexShader(kFvfTl);
    dev->SetStreamSource(0, vb, sizeof(TlVertex));
    const HRESULT hr = dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    dev->SetStreamSource(0, nullptr, 0);
    vb->Release();
    return hr;
}

inline D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// Stage 0 passes the vertex colour and alpha through (no texture).
inline void UseDiffuseOnly(IDirect3DDevice8* dev) {
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
}

}  // namespace eh::d3d8test

// Helpers for drawing the sky, the corona and the light rays on a real Direct3D 8 device
// the way the scene does: its projection, its views, and the render states the frame sets
// around each of these draws.
#pragma once

#include <cmath>
#include <cstring>

#include "model/math.h"
#include "platform/d3d8/d3d8.h"

namespace eh::scene::testing {

// The scene's projection: 54 x 44 degrees of view, near 0.05, far 300, m44 left at 1.
inline model::Matrix4 SceneProjection() {
    model::Matrix4 p = model::Matrix4::Identity();
    p.at(0, 0) = 1.0f / std::tan(0.9424778f / 2.0f);
    p.at(1, 1) = 1.0f / std::tan(0.7679449f / 2.0f);
    p.at(2, 2) = 300.0f / (300.0f - 0.05f);
    p.at(2, 3) = 1.0f;
    p.at(3, 2) = -0.05f * 300.0f / (300.0f - 0.05f);
    return p;
}

// The view of a camera at `eye` looking along yaw / pitch (degrees), built as the frame
// builds it (yaw 0 looks along +x, 90 along +z).
inline model::Matrix4 ViewTowards(const model::Vector3& eye, float yawDeg, float pitchDeg) {
    const float y = yawDeg * 0.017453292f, p = pitchDeg * 0.017453292f;
    const model::Vector3 at{eye.x + std::cos(y) * std::cos(p), eye.y + std::sin(p),
                            eye.z + std::sin(y) * std::cos(p)};
    model::Matrix4 view;
    model::BuildViewMatrix(&view, eye, at, {0.0f, 1.0f, 0.0f});
    return view;
}

inline void SetMatrix(IDirect3DDevice8* d, D3DTRANSFORMSTATETYPE which, const model::Matrix4& m) {
    D3DMATRIX out;
    std::memcpy(&out, m.m, sizeof out);
    d->SetTransform(which, &out);
}

// The part of the scene's base state these draws rely on: additive source alpha / one,
// stage 0 texture × diffuse (alpha diffuse × texture), linear filters with wrapping,
// alpha reference 0x30 with greater-or-equal, counter-clockwise culling, the projection.
inline void BaseState(IDirect3DDevice8* d) {
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    for (D3DTEXTURESTAGESTATETYPE f : {D3DTSS_MINFILTER, D3DTSS_MIPFILTER, D3DTSS_MAGFILTER})
        d->SetTextureStageState(0, f, D3DTEXF_LINEAR);
    d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    d->SetRenderState(D3DRS_ALPHAREF, 0x30);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    model::Matrix4 identity = model::Matrix4::Identity();
    SetMatrix(d, D3DTS_WORLD, identity);
    SetMatrix(d, D3DTS_PROJECTION, SceneProjection());
}

// Before the sky: no fog, no lighting, no blending, no depth test.
inline void SkyState(IDirect3DDevice8* d) {
    d->SetRenderState(D3DRS_FOGENABLE, FALSE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
}

// Before the first corona: blending on (the base source alpha / one).
inline void CoronaState(IDirect3DDevice8* d) {
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}

// Before the rays: alpha test at 0x30, blending source alpha / one, no lighting, no depth
// writes, stage 0 alpha texture × diffuse.
inline void RayState(IDirect3DDevice8* d) {
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, 0x30);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
}

}  // namespace eh::scene::testing

#include "scene/corona.h"

#include <cstdint>
#include <cstring>

namespace eh::scene {

namespace {

model::Matrix4 FromD3D(const D3DMATRIX& d) {
    model::Matrix4 m;
    static_assert(sizeof m == sizeof d);
    std::memcpy(m.m, &d, sizeof m.m);
    return m;
}

// One colour channel: truncated(value × k) within 0..255.
DWORD Channel(float value, float k) {
    const float c = value * k;
    if (!(c > 0.0f)) return 0;
    if (c >= 255.0f) return 255;
    return static_cast<DWORD>(c);
}

}  // namespace

Corona::Corona(media::VertexBufferPool& pool, media::RenderKit& kit)
    : texture(media::EmptyTextureRef()), pool_(&pool), kit_(&kit) {}

void Corona::Setup() {
    pool_->CreateVertexBuffer(&quad_, media::VertexBufferPool::kFvfQuad2D, 4);
    const media::Quad2DVertex corners[4] = {
        {0.0f, 0.0f, kQuadZ, kQuadRhw, 0xFFFFFFFFu, 0.0f, 1.0f},
        {0.0f, 0.0f, kQuadZ, kQuadRhw, 0xFFFFFFFFu, 0.0f, 0.0f},
        {0.0f, 0.0f, kQuadZ, kQuadRhw, 0xFFFFFFFFu, 1.0f, 1.0f},
        {0.0f, 0.0f, kQuadZ, kQuadRhw, 0xFFFFFFFFu, 1.0f, 0.0f},
    };
    pool_->FillVertexBuffer(quad_, corners, sizeof corners);

    baseSize = 0.35f;
    sizeBoost = 0.75f;
    boostAngle = 22.0f;
    visibleAngle = 35.0f;
    red = 230.0f;
    green = 180.0f;
    blue = 55.0f;
    visible = false;
    offAxisAngle = 0.0f;
}

void Corona::SetSun(float azimuthDeg, float elevationDeg, float sunDistance) {
    azimuth = azimuthDeg;
    elevation = elevationDeg;
    distance = sunDistance;
}

model::Vector3 Corona::SunPoint() const {
    const float a = model::Radians(azimuth);
    const float e = model::Radians(elevation);
    return {model::cos(e) * model::cos(a) * distance, model::sin(e) * distance,
            model::cos(e) * model::sin(a) * distance};
}

float Corona::SizeAt(float angleDeg) const {
    float size = baseSize;
    if (angleDeg < boostAngle && boostAngle > 0.0f) {
        size += (boostAngle - angleDeg) / boostAngle * sizeBoost;
    }
    return size;
}

Corona::Placement Corona::Place(const model::Vector3& q, const model::Matrix4& projection) const {
    Placement out;
    // A sun behind the camera (q.z < 0) gives a negative angle; q.z = 0 gives +-90
    // degrees, and a degenerate q (zero distance) gives NaN: none of them is in view.
    out.angle = model::atan(model::sqrt(q.x * q.x + q.y * q.y) / q.z) / model::kRadiansPerDegree;
    // Straight behind the camera the ratio is -0 and the angle -0: q.z decides.
    if (!(q.z > 0.0f && out.angle >= 0.0f && out.angle <= visibleAngle)) return out;

    const model::Matrix4& p = projection;
    const float x = q.x * p.m[0] + q.y * p.m[4] + q.z * p.m[8] + p.m[12];
    const float y = q.x * p.m[1] + q.y * p.m[5] + q.z * p.m[9] + p.m[13];
    const float w = q.x * p.m[3] + q.y * p.m[7] + q.z * p.m[11] + p.m[15];
    if (!(w > 0.0f)) return out;
    out.visible = true;
    out.x = (x / w + 1.0f) * 0.5f;
    out.y = (1.0f - y / w) * 0.5f;
    out.size = SizeAt(out.angle);
    return out;
}

void Corona::Draw(IDirect3DDevice8* device, float intensity) {
    visible = false;
    if (device == nullptr) return;

    D3DVIEWPORT8 viewport{};
    D3DMATRIX worldD3D, viewD3D, projectionD3D;
    device->GetViewport(&viewport);
    device->GetTransform(D3DTS_WORLD, &worldD3D);
    device->GetTransform(D3DTS_VIEW, &viewD3D);
    model::Matrix4 view = FromD3D(viewD3D);
    view.m[12] = view.m[13] = view.m[14] = 0.0f;
    view.m[15] = 1.0f;
    model::Matrix4 worldView;
    model::MatrixMultiply(&worldView, FromD3D(worldD3D), view);
    const model::Vector3 q = model::TransformNormal(SunPoint(), worldView);

    device->GetTransform(D3DTS_PROJECTION, &projectionD3D);
    const Placement place = Place(q, FromD3D(projectionD3D));
    offAxisAngle = place.angle;
    if (!place.visible) return;
    visible = true;

    float k = intensity;
    if (!(k > 0.0f)) k = 0.0f;
    if (k > 1.0f) k = 1.0f;
    const DWORD colour =
        0xFF000000u | Channel(red, k) << 16 | Channel(green, k) << 8 | Channel(blue, k);

    // The quad in pixels of the current viewport (a capture target has its own), laid
    // out like VertexBufferPool::SetQuad2D: bottom-left, top-left, bottom-right, top-right.
    auto* v = static_cast<media::Quad2DVertex*>(pool_->LockVertexBuffer(quad_));
    if (v == nullptr) return;
    const float width = place.size * kAspect;
    const float left = place.x - width * 0.5f;
    const float top = place.y - place.size * 0.5f;
    const float vx = static_cast<float>(viewport.X), vy = static_cast<float>(viewport.Y);
    const float vw = static_cast<float>(viewport.Width), vh = static_cast<float>(viewport.Height);
    const float x0 = vw * left + vx, x1 = vw * (left + width) + vx;
    const float y0 = vh * top + vy, y1 = vh * (top + place.size) + vy;
    const float xs[4] = {x0, x0, x1, x1};
    const float ys[4] = {y1, y0, y1, y0};
    const float us[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    const float vs[4] = {1.0f, 0.0f, 1.0f, 0.0f};
    for (int i = 0; i < 4; ++i) {
        v[i].x = xs[i];
        v[i].y = ys[i];
        v[i].colour = colour;
        v[i].u = us[i];
        v[i].v = vs[i];
    }
    pool_->UnlockVertexBuffer(quad_);

    kit_->SetTexture(0, texture);
    pool_->SetStream(0, quad_);
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

}  // namespace eh::scene

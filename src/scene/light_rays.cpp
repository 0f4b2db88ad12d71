#include "scene/light_rays.h"

#include "platform/os/crt_random.h"

namespace eh::scene {

namespace {

constexpr float kTopV = 0.01f;
constexpr float kFootV = 0.99f;
constexpr float kColumnU[3][2] = {{0.01f, 0.5f}, {0.5f, 0.99f}, {0.01f, 0.99f}};

}  // namespace

LightRays::LightRays(media::VertexBufferPool& pool, media::RenderKit& kit)
    : texture(media::EmptyTextureRef()), pool_(&pool), kit_(&kit) {}

void LightRays::Setup() {
    enabled = true;
    CreateBuffers();
    Init();
}

void LightRays::CreateBuffers() {
    for (Ray& ray : rays) {
        pool_->CreateVertexBuffer(&ray.buffer, media::VertexBufferPool::kFvfColoured,
                                  kBufferVertices);
    }
}

std::array<ClothVertex, 4> LightRays::BuildQuad(float angleDeg, float top, int column) {
    if (column < 0) column = 0;
    if (column > 2) column = 2;
    // Divided, not multiplied: the directions this gives are the ones the shaft has.
    const float phi = (angleDeg + 90.0f) / model::kRadiansPerDegree;
    const float c = model::cos(phi), s = model::sin(phi);
    const float u1 = kColumnU[column][0], u2 = kColumnU[column][1];
    const model::Vector3 normal{0.0f, 0.0f, 1.0f};
    std::array<ClothVertex, 4> q;
    q[0] = {{kCentreX + kTopHalfWidth * c, top, kCentreZ + kTopHalfWidth * s},
            normal,
            0xFFFFFFFFu,
            u1,
            kTopV};
    q[1] = {{kCentreX - kTopHalfWidth * c, top, kCentreZ - kTopHalfWidth * s},
            normal,
            0xFFFFFFFFu,
            u2,
            kTopV};
    q[2] = {{kCentreX + kFootHalfWidth * c, kFootY, kCentreZ + kFootHalfWidth * s},
            normal,
            0xFFFFFFFFu,
            u1,
            kFootV};
    q[3] = {{kCentreX - kFootHalfWidth * c, kFootY, kCentreZ - kFootHalfWidth * s},
            normal,
            0xFFFFFFFFu,
            u2,
            kFootV};
    return q;
}

void LightRays::Init() {
    enabled = true;
    rayCount = 0;
    for (int i = 0; i < kMaxRays; ++i) {
        Ray& ray = rays[static_cast<std::size_t>(i)];
        ray.active = true;
        ++rayCount;
        ray.angle = static_cast<float>(i) * 36.0f;
        ray.spare = os::RandomUnit() * 75.0f + 15.0f;
        ray.duration = os::RandomUnit() * 50.0f;
        ray.remaining = ray.duration;
        ray.column = os::RandomIndex(3);
        ray.vertices = BuildQuad(ray.angle, kFirstTop, ray.column);
    }
}

void LightRays::Update(float s, const model::Vector3& /*eye*/) {
    for (Ray& ray : rays) {
        if (!ray.active) continue;
        ray.remaining -= s;
        if (!(ray.remaining < 0.0f)) continue;
        if (enabled) {
            ray.spare = 0.0f;
            ray.duration = os::RandomUnit() * 20.0f + 30.0f;
            ray.remaining = ray.duration;
            ray.column = os::RandomIndex(3);
            ray.vertices = BuildQuad(ray.angle, kRestartTop, ray.column);
        } else {
            ray.active = false;
            --rayCount;
        }
    }
}

float LightRays::Brightness(float duration, float remaining) {
    // A ray that starts with duration 0 (rand() = 0) would divide 0 by 0.
    if (!(duration > 0.0f)) return 0.0f;
    if (duration / 2.0f >= remaining) return remaining * 2.0f / duration * kPeakBrightness;
    return (duration - remaining) * 2.0f / duration * kPeakBrightness;
}

void LightRays::Draw(IDirect3DDevice8* device, float intensity) {
    if (device == nullptr) return;
    float k = intensity;
    if (!(k > 0.0f)) k = 0.0f;
    if (k > 1.0f) k = 1.0f;

    kit_->SetTexture(0, texture);
    device->SetVertexShader(media::VertexBufferPool::kFvfColoured);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    for (Ray& ray : rays) {
        if (!ray.active || pool_->vertexBuffer(ray.buffer) == nullptr) continue;
        const float grey = Brightness(ray.duration, ray.remaining) * k;
        DWORD g = grey > 0.0f ? static_cast<DWORD>(grey) : 0;
        if (g > 255) g = 255;
        // A black ray adds nothing (its colour is the texture times black, blended by
        // ONE onto targets that keep no alpha): most of the day the rays are at
        // intensity 0, and their quads cover a fifth of the screen for nothing.
        if (g == 0) continue;
        const DWORD colour = 0xFF000000u + g * 0x010101u;
        for (ClothVertex& v : ray.vertices) v.color = colour;
        pool_->FillVertexBuffer(ray.buffer, ray.vertices.data(), sizeof ray.vertices);
        pool_->SetStream(0, ray.buffer);
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

}  // namespace eh::scene

#include "scene/beam_particles.h"

#include <cstring>

#include "d3dx/d3dx8.h"
#include "platform/os/crt_random.h"

namespace eh::scene {

namespace {

// The beam's axis and the height where particles are born (world units).
constexpr float kBeamX = 225.4f;
constexpr float kBeamZ = 55.4f;
constexpr float kBirthHeight = 274.5f;
constexpr float kBirthRadius = 15.0f;

D3DXVECTOR3 AsD3DX(const model::Vector3& v) {
    return D3DXVECTOR3(v.x, v.y, v.z);
}

}  // namespace

BeamParticles::BeamParticles(media::VertexBufferPool& pool, media::RenderKit& kit)
    : pool_(&pool), kit_(&kit) {}

void BeamParticles::Setup() {
    // Two triangles: (-1,-1) (-1,1) (1,-1), then (1,1) (1,-1) (-1,1); v = 0 at the top.
    struct Corner {
        float x, y, u, v;
    };
    static constexpr Corner kCorners[kVerticesPerParticle] = {
        {-1, -1, 0, 1}, {-1, 1, 0, 0}, {1, -1, 1, 1}, {1, 1, 1, 0}, {1, -1, 1, 1}, {-1, 1, 0, 0},
    };
    for (int i = 0; i < kVerticesPerParticle; ++i) {
        const Corner& c = kCorners[i];
        corners_[static_cast<std::size_t>(i)] =
            ClothVertex{{c.x, c.y, 0.0f}, {0.0f, 0.0f, 1.0f}, 0xFFFFFFFFu, c.u, c.v};
    }
    pool_->CreateVertexBuffer(&buffer_, media::VertexBufferPool::kFvfColoured,
                              kMaxParticles * kVerticesPerParticle);
}

bool BeamParticles::Spawn(const model::Vector3& position, const model::Vector3& velocity,
                          float speedScale, float startSize, float endSize, float life, float alpha,
                          float fadeStart) {
    for (BeamParticle& p : particles_) {
        if (p.active) continue;
        p.position = position;
        p.velocity = velocity;
        p.speedScale = speedScale;
        p.startSize = startSize;
        p.endSize = endSize;
        p.size = startSize;
        p.life = life;
        p.alpha = alpha;
        p.fadeStart = fadeStart;
        p.age = 0.0f;
        p.active = true;
        return true;
    }
    return false;
}

bool BeamParticles::SpawnFromBeam() {
    const float theta = model::Radians(os::RandomUnit() * 360.0f);
    const float life = os::RandomUnit() * 32.0f + 260.0f;  // 26 to 29.2 s
    const float size = os::RandomUnit() * 1.25f + 0.05f;
    const float vx = (os::RandomUnit() - 0.5f) * 0.15f;
    const float vz = (os::RandomUnit() - 0.5f) * 0.15f;
    const model::Vector3 position{kBeamX + kBirthRadius * model::cos(theta), kBirthHeight,
                                  kBeamZ + kBirthRadius * model::sin(theta)};
    return Spawn(position, model::Vector3{vx, -1.0f, vz}, 1.0f, size, 0.5f * size, life, 255.0f,
                 0.75f * life);
}

void BeamParticles::Update(float s) {
    for (BeamParticle& p : particles_) {
        if (!p.active) continue;
        p.position = model::Add(p.position, model::Scale(s * p.speedScale, p.velocity));
        p.age += s;
        if (p.age > p.life) p.active = false;
    }
}

int BeamParticles::CountActive() const {
    int n = 0;
    for (const BeamParticle& p : particles_) n += p.active ? 1 : 0;
    return n;
}

float BeamParticles::CurrentAlpha(const BeamParticle& p) {
    if (p.age <= p.fadeStart) return p.alpha;
    const float span = p.life - p.fadeStart;
    // A particle spawned with its fade starting at (or after) its death has nothing to fade
    // over: it is already at the end of its life.
    if (span <= 0.0f) return 0.0f;
    const float a = p.alpha * (p.life - p.age) / span;
    return a < 0.0f ? 0.0f : a;
}

void BeamParticles::Draw(IDirect3DDevice8* device, float yaw, float pitch, float k) {
    if (device == nullptr) return;
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHAREF, 100);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

    // The quad's plane turned to face a camera looking along (yaw, pitch): the x axis about
    // by -pitch, then the y axis by 90 degrees - yaw.
    D3DXMATRIX rx, ry, turn;
    D3DXMatrixRotationX(&rx, model::Radians(-pitch));
    D3DXMatrixRotationY(&ry, model::Radians(90.0f - yaw));
    D3DXMatrixMultiply(&turn, &rx, &ry);
    const float factor = k < 0.0f ? 0.0f : (k > 1.0f ? 1.0f : k);

    activeCount_ = CountActive();
    if (activeCount_ > 0) {
        auto* out = static_cast<ClothVertex*>(pool_->LockVertexBuffer(buffer_));
        if (out != nullptr) {
            for (BeamParticle& p : particles_) {
                if (!p.active) continue;
                p.size = p.life > 0.0f ? p.startSize + (p.endSize - p.startSize) * p.age / p.life
                                       : p.startSize;
                D3DXMATRIX scale, orient;
                D3DXMatrixScaling(&scale, p.size, p.size, 0.0f);
                D3DXMatrixMultiply(&orient, &scale, &turn);
                int grey = static_cast<int>(CurrentAlpha(p) * factor);
                grey = grey < 0 ? 0 : (grey > 255 ? 255 : grey);
                const DWORD g = static_cast<DWORD>(grey);
                const DWORD colour = g << 24 | g << 16 | g << 8 | g;
                for (const ClothVertex& c : corners_) {
                    D3DXVECTOR3 corner = AsD3DX(c.position), normal = AsD3DX(c.normal), at, n;
                    D3DXVec3TransformNormal(&at, &corner, &orient);
                    D3DXVec3TransformNormal(&n, &normal, &orient);
                    *out++ =
                        ClothVertex{{at.x + p.position.x, at.y + p.position.y, at.z + p.position.z},
                                    {n.x, n.y, n.z},
                                    colour,
                                    c.u,
                                    c.v};
                }
            }
            pool_->UnlockVertexBuffer(buffer_);
            pool_->SetStream(0, buffer_);
            kit_->SetTexture(0, texture);
            device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(2 * activeCount_));
        }
    }

    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
}

}  // namespace eh::scene

// BeamParticles: a fixed pool of 500 textured motes that sink through the light beam over
// the sword, shrinking as they age and fading out over the last quarter of their life,
// drawn as quads turned towards the camera.
//
// Times and ages are scene-step units (1 unit = 100 ms); velocities are world units per
// scene-step unit; camera angles are degrees. The pool's vertex buffer belongs to the
// VertexBufferPool given at construction, its texture to the RenderKit.
#pragma once

#include <array>

#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "model/math.h"
#include "platform/d3d8/d3d8.h"
#include "scene/vertex_formats.h"

namespace eh::scene {

struct BeamParticle {
    model::Vector3 position{};
    float speedScale = 0.0f;  // multiplies the velocity
    model::Vector3 velocity{};
    bool active = false;
    float age = 0.0f;
    float life = 0.0f;       // age at which the particle dies
    float alpha = 0.0f;      // full alpha, 0..255
    float fadeStart = 0.0f;  // age from which alpha falls linearly to 0 at `life`
    float size = 0.0f;       // current half-size, recomputed by Draw
    float startSize = 0.0f, endSize = 0.0f;
};

class BeamParticles {
  public:
    static constexpr int kMaxParticles = 500;
    static constexpr int kVerticesPerParticle = 6;
    static constexpr float kSpawnInterval = 1.25f;  // scene steps between births (125 ms)

    // The particle buffer goes to `pool`, the texture to `kit`; both must outlive the
    // particles.
    BeamParticles(media::VertexBufferPool& pool, media::RenderKit& kit);

    // Builds the corner template and creates the 3000-vertex 0x152 buffer in the pool (whose
    // device must be attached). Without a buffer, Draw draws nothing.
    void Setup();

    // Stores a particle in the lowest inactive slot with age 0; false (nothing stored) when
    // all slots are in use.
    bool Spawn(const model::Vector3& position, const model::Vector3& velocity, float speedScale,
               float startSize, float endSize, float life, float alpha, float fadeStart);

    // One particle born on the circle of radius 15 around the beam axis, 274.5 high. Draws
    // five random numbers in this order whether or not a slot is free: angle, life, size,
    // x velocity, z velocity. Returns Spawn's result.
    bool SpawnFromBeam();

    // Moves every active particle by s x velocity x speed scale and ages it by s; a particle
    // whose age passes its life becomes inactive.
    void Update(float s);

    // Between BeginScene and EndScene: refills the buffer with a camera-facing quad per active
    // particle (slot order) and draws them with the texture, colour and alpha all equal to
    // truncated(alpha x k) (alpha fading after fade start). `yaw` and `pitch` are the camera's,
    // in degrees; k in [0, 1]. Sets depth writes off, alpha reference 100, stage 0 colour and
    // alpha texture x diffuse, SRCALPHA / INVSRCALPHA; leaves depth writes on, blending and
    // alpha test off, DESTBLEND ONE. Alpha test itself is the caller's (faint particles are
    // then cut away rather than faded).
    void Draw(IDirect3DDevice8* device, float yaw, float pitch, float k);

    // The alpha (0..255) a particle is drawn with before the factor k.
    static float CurrentAlpha(const BeamParticle& p);

    media::TextureRef texture = media::EmptyTextureRef();

    const std::array<BeamParticle, kMaxParticles>& particles() const { return particles_; }
    // Active particles as counted by the last Draw.
    int activeCount() const { return activeCount_; }
    int CountActive() const;
    int buffer() const { return buffer_; }
    const std::array<ClothVertex, kVerticesPerParticle>& cornerTemplate() const { return corners_; }

  private:
    media::VertexBufferPool* pool_;
    media::RenderKit* kit_;
    std::array<BeamParticle, kMaxParticles> particles_{};
    std::array<ClothVertex, kVerticesPerParticle> corners_{};
    int activeCount_ = 0;
    int buffer_ = -1;
};

}  // namespace eh::scene

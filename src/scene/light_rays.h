// LightRays: ten textured strips that form a shaft of light over the sword, each fading
// in and out on its own timer. They are drawn additively, so a dark ray adds nothing.
//
// Each ray is a quad (a 4-vertex strip) from a 60-unit-wide top at y 374.5 (370.5 once it
// has restarted) down to an 84-unit-wide foot at y 50.5, around the vertical axis through
// (225.4, 55.4) in x and z, turned by a fixed direction per ray. Its brightness rises
// linearly from 0 to 55 over the first half of its duration and falls back to 0 over the
// second half (a triangle), then it restarts with a new duration of 3 to 5 seconds and a
// new texture column pair; once disabled, rays that run out stay off.
//
// Times are scene-step units (1 unit = 100 ms). Random numbers come from eh::os::Random in
// a fixed order (see Init and Update). Life: Setup, texture = (Rays.BMP); then Update and
// Draw every frame. GUI thread only.
#pragma once

#include <array>

#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "model/math.h"
#include "platform/d3d8/d3d8.h"
#include "scene/vertex_formats.h"

namespace eh::scene {

class LightRays {
  public:
    static constexpr int kMaxRays = 10;
    static constexpr UINT kBufferVertices = 144;  // reserved per ray; 4 are used
    static constexpr float kCentreX = 225.4f;
    static constexpr float kCentreZ = 55.4f;
    static constexpr float kFirstTop = 374.5f;    // top height of the initial quads
    static constexpr float kRestartTop = 370.5f;  // top height after a restart
    static constexpr float kFootY = 50.5f;
    static constexpr float kTopHalfWidth = 30.0f;
    static constexpr float kFootHalfWidth = 42.0f;
    static constexpr float kPeakBrightness = 55.0f;

    struct Ray {
        bool active = false;
        float angle = 0.0f;      // degrees
        float spare = 0.0f;      // drawn and kept, read by nothing
        float duration = 0.0f;   // scene steps
        float remaining = 0.0f;  // scene steps
        int buffer = -1;         // 0x152, kBufferVertices vertices
        int column = 0;          // texture column pair 0..2
        std::array<ClothVertex, 4> vertices{};
    };

    LightRays(media::VertexBufferPool& pool, media::RenderKit& kit);

    // The load step: enabled on, CreateBuffers, Init.
    void Setup();

    // Creates the ten 0x152 buffers of kBufferVertices vertices each.
    void CreateBuffers();

    // Enables the rays and starts all ten: ray i gets angle i × 36, then per ray, in this
    // order, spare = rand / 32767 × 75 + 15, duration = rand / 32767 × 50 (remaining =
    // duration), and its quad with top kFirstTop and a random column pair.
    void Init();

    // Runs every active ray's timer down by `s` scene steps. A ray whose remaining time
    // drops below 0 restarts while the rays are enabled (spare 0, duration rand / 32767 ×
    // 20 + 30, remaining = duration, quad rebuilt with top kRestartTop and a new column
    // pair, in this order) and goes off otherwise. `eye` is accepted for the frame's call
    // and not used: the shaft looks the same from everywhere.
    void Update(float s, const model::Vector3& eye);

    // Draws the active rays with grey Brightness × intensity (intensity clamped to 0..1).
    // Binds the rays texture to stage 0, turns culling off for the strips and back to
    // counter-clockwise after them; blending, alpha test, lighting and depth writes are
    // the caller's.
    void Draw(IDirect3DDevice8* device, float intensity);

    // The brightness triangle (0..55): remaining × 2 / duration × 55 while at most half the
    // duration is left, (duration − remaining) × 2 / duration × 55 before that. A ray
    // without duration (0 or less) is dark.
    static float Brightness(float duration, float remaining);

    // The quad of a ray at `angleDeg` (its direction is (angle + 90) / 0.017453292 taken
    // as radians, which spreads the ten rays unevenly) with top height `top` and texture
    // columns: 0 → u 0.01..0.5, 1 → 0.5..0.99, 2 → 0.01..0.99.
    static std::array<ClothVertex, 4> BuildQuad(float angleDeg, float top, int column);

    bool enabled = false;
    media::TextureRef texture;
    int rayCount = 0;  // active rays
    std::array<Ray, kMaxRays> rays;

  private:
    media::VertexBufferPool* pool_;
    media::RenderKit* kit_;
};

}  // namespace eh::scene

// Corona: the sun flare, a screen-space sprite drawn where the sun stands on the screen.
//
// The sun is a direction, not a place: its point (azimuth, elevation, distance) is turned
// by the world and view rotations only, so it keeps its place in the sky however the
// camera moves. The sprite grows as the view turns toward the sun and disappears when the
// sun is more than kVisibleAngle degrees off the view axis or behind the camera. It is
// drawn twice a frame by the scene: once after the sky with depth test off, once after
// the opaque scene with depth test on, so nearer geometry hides it (the quad lies at
// depth 0.99).
//
// Screen units: 0..1 across the current viewport (1 is the whole width or height).
// Angles in degrees. Life: Setup, texture = (corona.tga), SetSun; then Draw twice a frame.
// GUI thread only.
#pragma once

#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "model/math.h"
#include "platform/d3d8/d3d8.h"

namespace eh::scene {

class Corona {
  public:
    // Depth of the sprite. Near the far plane, so that the second pass is hidden by
    // whatever stands in front of the sun: at 0.99 (the depth the other screen quads use)
    // only geometry closer than about 5 units (near 0.05, far 300) would hide it, and the
    // glare showed through a tree 30 units away.
    static constexpr float kQuadZ = 0.99999f;
    static constexpr float kQuadRhw = 0.5f;
    // Width of the sprite relative to its height (screen units).
    static constexpr float kAspect = 0.75f;

    // Where and how large the sprite is for a sun at view-space point q.
    struct Placement {
        bool visible = false;
        float angle = 0.0f;        // off-axis angle, degrees; negative behind the camera
        float size = 0.0f;         // sprite height, screen units
        float x = 0.0f, y = 0.0f;  // sprite centre, screen units (y down)
    };

    Corona(media::VertexBufferPool& pool, media::RenderKit& kit);

    // Creates the 4-vertex 0x144 screen quad (z 0.99, rhw 0.5, white, texture corners
    // (0,1), (0,0), (1,1), (1,0)) and sets the constants below to their load values.
    void Setup();

    // The sun's direction and distance: azimuth 0 is +x and 90 is +z, elevation upward.
    void SetSun(float azimuthDeg, float elevationDeg, float sunDistance);

    // The sun point (cos e cos a, sin e, cos e sin a) × distance, world units.
    model::Vector3 SunPoint() const;

    // Off-axis angle and size of the sprite for a sun at view-space point q, and its
    // centre after `projection` (row vectors; X / W and Y / W mapped to 0..1).
    Placement Place(const model::Vector3& q, const model::Matrix4& projection) const;

    // The sprite height for an off-axis angle: the base size, plus up to the size boost
    // as the angle falls below the boost angle (base + boost straight at the sun).
    float SizeAt(float angleDeg) const;

    // Draws the sprite when the sun is in view, with colour (red, green, blue) × intensity
    // (clamped to 0..1; 0 draws it black, adding nothing under additive blending). Reads
    // the viewport (the quad is placed in the current render target's viewport), the
    // world, view and projection transforms; sets stage 0's texture and the stream.
    // Blending and depth states are the caller's. Updates `visible` and `offAxisAngle`.
    void Draw(IDirect3DDevice8* device, float intensity);

    // Set at load (Setup, SetSun).
    float azimuth = 0.0f;    // degrees
    float elevation = 0.0f;  // degrees
    float distance = 0.0f;
    media::TextureRef texture;
    float baseSize = 0.0f;      // screen units
    float sizeBoost = 0.0f;     // screen units added straight at the sun
    float boostAngle = 0.0f;    // degrees
    float visibleAngle = 0.0f;  // degrees
    float red = 0.0f, green = 0.0f, blue = 0.0f;
    // Set by each Draw.
    bool visible = false;
    float offAxisAngle = 0.0f;  // degrees

    int quad() const { return quad_; }

  private:
    media::VertexBufferPool* pool_;
    media::RenderKit* kit_;
    int quad_ = -1;
};

}  // namespace eh::scene

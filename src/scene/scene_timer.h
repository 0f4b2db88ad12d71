// The scene-wide clock of the vision sequence, and the envelopes that read it.
//
// `SceneTimer` counts milliseconds. At 0 the scene is in full daylight; while it runs the
// scene darkens, the beam, rays and particles fade in, and from 9000 ms a vision picture
// fades in and out with the vision sound. `VisionMode` (changed only at camera cuts)
// decides how the timer runs: 0 lets it fall back to 0, 1 cycles it through 5100..20000
// (a 14.9 s picture cycle), 2 lets it run on past 20000 so no new cycle starts.
#pragma once

namespace eh::scene {

class SceneTimer {
public:
    float Value() const { return t_; }  // milliseconds
    int VisionMode() const { return mode_; }
    void SetVisionMode(int mode) { mode_ = mode; }
    void SetValue(float t) { t_ = t; }

    // Advances by `dt` milliseconds (not negative).
    void Advance(float dt);

    // The envelopes, each clamped to 0..1.
    float VisionSoundFactor() const;
    float PictureAlphaFactor() const;
    float CoronaIntensity() const;
    float Darkening() const;
    float LightBeamAlpha() const;
    float GrassFade() const;
    float LightRayIntensity() const;
    float BeamParticleAlpha() const;

    // The vision mode after the playlist position `position` was reached at a cut, or
    // `current` when that position does not change it (5 → 1, 8 → 2, 9 → 0).
    static int VisionModeAtPosition(int position, int current);

private:
    float t_ = 0.0f;
    int mode_ = 0;
};

}  // namespace eh::scene

#include "scene/scene_timer.h"

namespace eh::scene {
namespace {

// (T - a) / (b - a), the rising edge between a and b.
float ramp(float t, float a, float b) { return (t - a) / (b - a); }

}  // namespace

void SceneTimer::Advance(float dt) {
    if (mode_ > 0 || t_ > 5000.0f) {
        t_ += dt;
        if (t_ > 20000.0f) {
            if (mode_ == 0) t_ = 5000.0f;
            else if (mode_ == 1) t_ = 5100.0f;
            // mode 2 keeps counting
        }
    } else {
        t_ -= dt;
        if (t_ < 0.0f) t_ = 0.0f;
    }
}

float SceneTimer::VisionSoundFactor() const {
    if (t_ < 9000.0f) return 0.0f;
    if (t_ < 12000.0f) return ramp(t_, 9000.0f, 12000.0f);
    if (t_ < 14000.0f) return 1.0f;
    if (t_ < 18000.0f) return 1.0f - (t_ - 14000.0f) / 4000.0f;
    return 0.0f;
}

float SceneTimer::PictureAlphaFactor() const {
    if (t_ < 9000.0f) return 0.0f;
    if (t_ < 12000.0f) return ramp(t_, 9000.0f, 12000.0f);
    if (t_ < 15000.0f) return 1.0f;
    if (t_ < 18000.0f) return 1.0f - (t_ - 15000.0f) / 3000.0f;
    return 0.0f;
}

float SceneTimer::CoronaIntensity() const { return t_ < 5000.0f ? 1.0f - t_ / 5000.0f : 0.0f; }

float SceneTimer::Darkening() const { return t_ < 5000.0f ? t_ / 5000.0f : 1.0f; }

float SceneTimer::LightBeamAlpha() const {
    if (t_ < 1500.0f) return 0.0f;
    if (t_ < 4500.0f) return ramp(t_, 1500.0f, 4500.0f);
    return 1.0f;
}

float SceneTimer::GrassFade() const { return t_ < 4000.0f ? 1.0f - t_ / 4000.0f : 0.0f; }

float SceneTimer::LightRayIntensity() const { return t_ < 4000.0f ? t_ / 4000.0f : 1.0f; }

float SceneTimer::BeamParticleAlpha() const { return t_ < 2000.0f ? t_ / 2000.0f : 1.0f; }

int SceneTimer::VisionModeAtPosition(int position, int current) {
    switch (position) {
        case 5: return 1;
        case 8: return 2;
        case 9: return 0;
        default: return current;
    }
}

}  // namespace eh::scene

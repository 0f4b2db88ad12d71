#include "scene/scene_timer.h"

#include <gtest/gtest.h>

namespace eh::scene {
namespace {

SceneTimer at(float t, int mode = 0) {
    SceneTimer s;
    s.SetValue(t);
    s.SetVisionMode(mode);
    return s;
}

TEST(SceneTimerEnvelopes, PictureAndSoundRiseHoldAndFall) {
    EXPECT_FLOAT_EQ(at(8999).PictureAlphaFactor(), 0.0f);
    EXPECT_FLOAT_EQ(at(10500).PictureAlphaFactor(), 0.5f);
    EXPECT_FLOAT_EQ(at(14999).PictureAlphaFactor(), 1.0f);
    EXPECT_FLOAT_EQ(at(16500).PictureAlphaFactor(), 0.5f);
    EXPECT_FLOAT_EQ(at(18000).PictureAlphaFactor(), 0.0f);
    EXPECT_FLOAT_EQ(at(13999).VisionSoundFactor(), 1.0f);
    EXPECT_FLOAT_EQ(at(16000).VisionSoundFactor(), 0.5f);
    EXPECT_FLOAT_EQ(at(25000).VisionSoundFactor(), 0.0f);
}

TEST(SceneTimerEnvelopes, DaylightEffectsAtTheirEnds) {
    EXPECT_FLOAT_EQ(at(0).CoronaIntensity(), 1.0f);
    EXPECT_FLOAT_EQ(at(2500).CoronaIntensity(), 0.5f);
    EXPECT_FLOAT_EQ(at(6000).CoronaIntensity(), 0.0f);
    EXPECT_FLOAT_EQ(at(2500).Darkening(), 0.5f);
    EXPECT_FLOAT_EQ(at(9000).Darkening(), 1.0f);
    EXPECT_FLOAT_EQ(at(1500).LightBeamAlpha(), 0.0f);
    EXPECT_FLOAT_EQ(at(3000).LightBeamAlpha(), 0.5f);
    EXPECT_FLOAT_EQ(at(4500).LightBeamAlpha(), 1.0f);
    EXPECT_FLOAT_EQ(at(1000).GrassFade(), 0.75f);
    EXPECT_FLOAT_EQ(at(4000).GrassFade(), 0.0f);
    EXPECT_FLOAT_EQ(at(1000).LightRayIntensity(), 0.25f);
    EXPECT_FLOAT_EQ(at(1000).BeamParticleAlpha(), 0.5f);
    EXPECT_FLOAT_EQ(at(3000).BeamParticleAlpha(), 1.0f);
}

TEST(SceneTimerAdvance, ModeZeroFromZeroStaysAtZero) {
    SceneTimer s = at(0, 0);
    s.Advance(1000);
    EXPECT_FLOAT_EQ(s.Value(), 0.0f);
    s.Advance(0);
    EXPECT_FLOAT_EQ(s.Value(), 0.0f);
}

TEST(SceneTimerAdvance, WrapsByModePastTwentySeconds) {
    SceneTimer m1 = at(19990, 1);
    m1.Advance(20);
    EXPECT_FLOAT_EQ(m1.Value(), 5100.0f);
    SceneTimer m2 = at(19990, 2);
    m2.Advance(20);
    EXPECT_FLOAT_EQ(m2.Value(), 20010.0f);
    SceneTimer m0 = at(19990, 0);
    m0.Advance(20);
    EXPECT_FLOAT_EQ(m0.Value(), 5000.0f);
    // Mode 0 at exactly 5000 no longer counts up: it falls back to daylight.
    m0.Advance(100);
    EXPECT_FLOAT_EQ(m0.Value(), 4900.0f);
    m0.Advance(10000);
    EXPECT_FLOAT_EQ(m0.Value(), 0.0f);
}

TEST(SceneTimerAdvance, ModeOneStartsFromZeroAndCycles) {
    SceneTimer s = at(0, 1);
    float lastWrapValue = -1;
    for (int i = 0; i < 4000; ++i) {
        s.Advance(16);
        if (s.Value() == 5100.0f) lastWrapValue = s.Value();
        EXPECT_LE(s.Value(), 20000.0f);
    }
    EXPECT_EQ(lastWrapValue, 5100.0f);
}

TEST(SceneTimerVisionMode, ChangesOnlyAtPositionsFiveEightNine) {
    EXPECT_EQ(SceneTimer::VisionModeAtPosition(5, 0), 1);
    EXPECT_EQ(SceneTimer::VisionModeAtPosition(8, 1), 2);
    EXPECT_EQ(SceneTimer::VisionModeAtPosition(9, 2), 0);
    for (int p : {0, 1, 2, 3, 4, 6, 7, 10}) EXPECT_EQ(SceneTimer::VisionModeAtPosition(p, 2), 2);
}

}  // namespace
}  // namespace eh::scene

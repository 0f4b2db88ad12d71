// The beam particle pool: slot use and its limit, the random draws of a birth, ageing and
// death, the fade, and the quads Draw writes (on the fake device).
#include "scene/beam_particles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/os/crt_random.h"
#include "support/fake_device.h"

namespace eh::scene {
namespace {

using model::Vector3;

class BeamParticlesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pool.Init(&device, nullptr);
        particles.Setup();
    }
    bool SpawnSimple(float life = 100.0f) {
        return particles.Spawn(Vector3{0, 0, 0}, Vector3{0, -1, 0}, 1.0f, 1.0f, 0.5f, life, 255.0f,
                               0.75f * life);
    }
    const ClothVertex* Vertices() {
        return static_cast<const ClothVertex*>(
            static_cast<void*>(device.AsFake(pool.vertexBuffer(particles.buffer()))->bytes.data()));
    }

    testing::FakeDevice device;
    media::VertexBufferPool pool;
    media::RenderKit kit;
    BeamParticles particles{pool, kit};
};

TEST_F(BeamParticlesTest, FiveHundredSlotsAndTheNextSpawnIsRefused) {
    EXPECT_EQ(pool.vertexBufferBytes(particles.buffer()), 3000u * 36u);
    for (int i = 0; i < BeamParticles::kMaxParticles; ++i) ASSERT_TRUE(SpawnSimple());
    EXPECT_EQ(particles.CountActive(), 500);
    EXPECT_FALSE(SpawnSimple(7.0f));  // the 501st
    for (const BeamParticle& p : particles.particles()) EXPECT_EQ(p.life, 100.0f);
}

TEST_F(BeamParticlesTest, LowestFreeSlotIsTakenAndDeathFreesIt) {
    ASSERT_TRUE(particles.Spawn(Vector3{}, Vector3{}, 1.0f, 1.0f, 0.5f, 1.0f, 255.0f, 0.75f));
    ASSERT_TRUE(SpawnSimple());
    ASSERT_TRUE(SpawnSimple());
    particles.Update(1.0f);  // age 1 = life: still alive
    EXPECT_TRUE(particles.particles()[0].active);
    particles.Update(0.01f);  // age passes life
    EXPECT_FALSE(particles.particles()[0].active);
    EXPECT_TRUE(particles.particles()[1].active);
    ASSERT_TRUE(particles.Spawn(Vector3{}, Vector3{}, 1.0f, 1.0f, 0.5f, 42.0f, 255.0f, 30.0f));
    EXPECT_EQ(particles.particles()[0].life, 42.0f);
    EXPECT_EQ(particles.particles()[0].age, 0.0f);
}

TEST_F(BeamParticlesTest, UpdateMovesBySpeedScaledVelocity) {
    ASSERT_TRUE(particles.Spawn(Vector3{1, 2, 3}, Vector3{0.5f, -1, 0.25f}, 2.0f, 1.0f, 0.5f,
                                100.0f, 255.0f, 75.0f));
    particles.Update(0.5f);
    particles.Update(1.5f);
    const BeamParticle& p = particles.particles()[0];
    EXPECT_FLOAT_EQ(p.position.x, 1.0f + 2.0f * 2.0f * 0.5f);
    EXPECT_FLOAT_EQ(p.position.y, 2.0f - 2.0f * 2.0f);
    EXPECT_FLOAT_EQ(p.position.z, 3.0f + 2.0f * 2.0f * 0.25f);
    EXPECT_FLOAT_EQ(p.age, 2.0f);
}

TEST_F(BeamParticlesTest, BirthInTheBeamDrawsFiveNumbersInOrder) {
    os::SeedRandom(1234);
    float r[6];
    for (float& v : r) v = os::RandomUnit();
    os::SeedRandom(1234);
    ASSERT_TRUE(particles.SpawnFromBeam());
    EXPECT_FLOAT_EQ(os::RandomUnit(), r[5]);  // exactly five were drawn

    const BeamParticle& p = particles.particles()[0];
    const double theta = r[0] * 360.0 * 0.017453292;
    EXPECT_NEAR(p.position.x, 225.4 + 15.0 * std::cos(theta), 1e-3);
    EXPECT_FLOAT_EQ(p.position.y, 274.5f);
    EXPECT_NEAR(p.position.z, 55.4 + 15.0 * std::sin(theta), 1e-3);
    EXPECT_FLOAT_EQ(p.life, r[1] * 32.0f + 260.0f);
    EXPECT_FLOAT_EQ(p.fadeStart, 0.75f * p.life);
    EXPECT_FLOAT_EQ(p.startSize, r[2] * 1.25f + 0.05f);
    EXPECT_FLOAT_EQ(p.endSize, 0.5f * p.startSize);
    EXPECT_FLOAT_EQ(p.velocity.x, (r[3] - 0.5f) * 0.15f);
    EXPECT_FLOAT_EQ(p.velocity.y, -1.0f);
    EXPECT_FLOAT_EQ(p.velocity.z, (r[4] - 0.5f) * 0.15f);
    EXPECT_EQ(p.speedScale, 1.0f);
    EXPECT_EQ(p.alpha, 255.0f);

    // With every slot taken the numbers are still drawn.
    while (SpawnSimple()) {
    }
    os::SeedRandom(99);
    os::Random();
    os::Random();
    os::Random();
    os::Random();
    os::Random();
    const int sixth = os::Random();
    os::SeedRandom(99);
    EXPECT_FALSE(particles.SpawnFromBeam());
    EXPECT_EQ(os::Random(), sixth);
}

TEST_F(BeamParticlesTest, SteadyStateAtEightPerSecondStaysBelowTwoHundredThirtyFive) {
    os::SeedRandom(7);
    float clock = 0.0f;
    int most = 0;
    const float s = 0.01f;  // 1 ms frames: a birth every 1.26 steps, 7.9 per second
    for (int frame = 0; frame < 40000; ++frame) {  // 40 s
        clock += s;
        if (clock > BeamParticles::kSpawnInterval) {
            particles.SpawnFromBeam();
            clock = 0.0f;
        }
        particles.Update(s);
        most = std::max(most, particles.CountActive());
    }
    // Lives of 260 to 292 steps at one birth per 1.26 steps: 206 to 233 alive.
    EXPECT_LE(most, 234);
    EXPECT_GE(most, 206);
}

TEST(BeamParticleAlpha, FullUpToFadeStartThenLinearToZero) {
    BeamParticle p;
    p.alpha = 255.0f;
    p.life = 200.0f;
    p.fadeStart = 150.0f;
    p.age = 150.0f;  // exactly at the fade start
    EXPECT_EQ(BeamParticles::CurrentAlpha(p), 255.0f);
    p.age = 175.0f;
    EXPECT_FLOAT_EQ(BeamParticles::CurrentAlpha(p), 127.5f);
    p.age = 200.0f;
    EXPECT_FLOAT_EQ(BeamParticles::CurrentAlpha(p), 0.0f);
    // No span to fade over: nothing left to show, and no division by zero.
    p.fadeStart = 200.0f;
    p.age = 200.5f;
    EXPECT_EQ(BeamParticles::CurrentAlpha(p), 0.0f);
}

TEST_F(BeamParticlesTest, DrawWritesCameraFacingQuadsAndRestoresStates) {
    ASSERT_TRUE(
        particles.Spawn(Vector3{10, 20, 30}, Vector3{}, 1.0f, 2.0f, 1.0f, 100.0f, 255.0f, 75.0f));
    ASSERT_TRUE(
        particles.Spawn(Vector3{0, 0, 0}, Vector3{}, 1.0f, 2.0f, 1.0f, 100.0f, 255.0f, 75.0f));
    particles.Update(50.0f);  // half their life: size 1.5
    device.log.clear();
    const float yaw = 30.0f, pitch = -20.0f;
    particles.Draw(&device, yaw, pitch, 1.0f);

    EXPECT_EQ(particles.activeCount(), 2);
    EXPECT_FLOAT_EQ(particles.particles()[0].size, 1.5f);
    EXPECT_EQ(device.Calls("DrawPrimitive"), std::vector<std::string>{"DrawPrimitive(4,0,4)"});
    const double d = 0.017453292;
    const double look[3] = {std::cos(yaw * d) * std::cos(pitch * d), std::sin(pitch * d),
                            std::sin(yaw * d) * std::cos(pitch * d)};
    const ClothVertex* v = Vertices();
    for (int i = 0; i < 6; ++i) {
        const double off[3] = {v[i].position.x - 10.0, v[i].position.y - 20.0,
                               v[i].position.z - 30.0};
        // In the plane facing the camera, at the corner's distance 1.5 x sqrt(2).
        EXPECT_NEAR(off[0] * look[0] + off[1] * look[1] + off[2] * look[2], 0.0, 1e-4);
        EXPECT_NEAR(std::sqrt(off[0] * off[0] + off[1] * off[1] + off[2] * off[2]),
                    1.5 * std::sqrt(2.0), 1e-4);
        EXPECT_EQ(v[i].color, 0xFFFFFFFFu);
        EXPECT_EQ(v[i].u, particles.cornerTemplate()[static_cast<std::size_t>(i)].u);
        EXPECT_EQ(v[i].v, particles.cornerTemplate()[static_cast<std::size_t>(i)].v);
    }
    // Corner (-1, 1) is up on screen: above the centre when the camera looks level or down.
    EXPECT_GT(v[1].position.y, 20.0f);
    EXPECT_LT(v[0].position.y, 20.0f);
    EXPECT_NEAR(v[6].position.x, v[0].position.x - 10.0f, 1e-4f);  // the second quad, at the origin

    EXPECT_EQ(device.renderStates[D3DRS_ZWRITEENABLE], static_cast<DWORD>(TRUE));
    EXPECT_EQ(device.renderStates[D3DRS_ALPHABLENDENABLE], static_cast<DWORD>(FALSE));
    EXPECT_EQ(device.renderStates[D3DRS_ALPHATESTENABLE], static_cast<DWORD>(FALSE));
    EXPECT_EQ(device.renderStates[D3DRS_DESTBLEND], static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(device.renderStates[D3DRS_SRCBLEND], static_cast<DWORD>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(device.renderStates[D3DRS_ALPHAREF], 100u);
    EXPECT_EQ((device.stageStates[{0, D3DTSS_ALPHAOP}]), static_cast<DWORD>(D3DTOP_MODULATE));
    // Depth writes went off before the draw.
    const auto& log = device.log;
    const auto off = std::find(log.begin(), log.end(), "SetRenderState(14,0)");
    const auto draw = std::find(log.begin(), log.end(), "DrawPrimitive(4,0,4)");
    EXPECT_LT(off - log.begin(), draw - log.begin());
}

TEST_F(BeamParticlesTest, FadeAndFactorSetTheGreyOfAllFourBytes) {
    ASSERT_TRUE(particles.Spawn(Vector3{}, Vector3{}, 1.0f, 1.0f, 1.0f, 100.0f, 255.0f, 60.0f));
    particles.Update(80.0f);  // half way through the fade: alpha 127.5
    particles.Draw(&device, 0.0f, 0.0f, 0.5f);
    EXPECT_EQ(Vertices()[0].color, 0x3F3F3F3Fu);  // truncated(127.5 x 0.5) = 63

    particles.Draw(&device, 0.0f, 0.0f, 0.0f);  // k = 0: every byte 0, alpha test drops them
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Vertices()[i].color, 0u);
    EXPECT_EQ(device.Calls("DrawPrimitive").size(), 2u);  // still drawn
}

TEST_F(BeamParticlesTest, EmptyPoolDrawsNothingButRestoresStates) {
    particles.Draw(&device, 0.0f, 0.0f, 1.0f);
    EXPECT_TRUE(device.Calls("DrawPrimitive").empty());
    EXPECT_EQ(device.renderStates[D3DRS_ZWRITEENABLE], static_cast<DWORD>(TRUE));
    EXPECT_EQ(particles.activeCount(), 0);
}

}  // namespace
}  // namespace eh::scene

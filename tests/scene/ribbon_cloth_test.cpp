#include "scene/ribbon_cloth.h"

#include <gtest/gtest.h>

#include <cmath>
#include "platform/os/crt_random.h"

namespace eh::scene {
namespace {

RibbonCloth strip() {
    RibbonCloth c;
    c.Create(32, 16, {222.0f, 40.0f, 60.0f}, {0.0f, -0.6f, 0.45f}, 1.0f, 1.0f, 0.0f, 0.0f, 0xFFFFFFFF);
    c.PinFirstColumn();
    return c;
}

TEST(RibbonClothCreate, GridSpringsAndTriangles) {
    RibbonCloth c = strip();
    ASSERT_EQ(c.Particles().size(), 512u);
    EXPECT_FLOAT_EQ(c.Particles()[33].position.y, 40.0f - 0.6f);
    EXPECT_FLOAT_EQ(c.Particles()[33].position.z, 60.0f + 0.45f);
    // A corner has 3 near and 3 far neighbours; an inner particle 8 and 8.
    EXPECT_EQ(c.Particles()[0].springs.size(), 6u);
    EXPECT_EQ(c.Particles()[5 + 5 * 32].springs.size(), 16u);
    EXPECT_EQ(c.Vertices().size(), 31u * 15u * 6u);
    EXPECT_EQ(c.TriangleCount(), 62 * 15);
    // Cell (1, 0): vertices (1,0) (2,0) (2,1) (1,0) (2,1) (1,1) with u = c / 32.
    const ClothVertex& v = c.Vertices()[6 + 2];
    EXPECT_FLOAT_EQ(v.u, 2.0f / 32.0f);
    EXPECT_FLOAT_EQ(v.v, 1.0f / 16.0f);
    for (int r = 0; r < 16; ++r) EXPECT_TRUE(c.Particles()[r * 32].pinned);
}

TEST(RibbonClothStep, AllPinnedDoesNotMove) {
    RibbonCloth c = strip();
    for (auto& p : c.Particles()) p.pinned = true;
    auto before = c.Particles()[100].position;
    for (int i = 0; i < 100; ++i) c.Step(0.0125f);
    EXPECT_EQ(c.Particles()[100].position.y, before.y);
}

TEST(RibbonClothStep, GravityPullsFreeParticlesDown) {
    RibbonCloth c = strip();
    float y = c.Particles()[31].position.y;
    for (int i = 0; i < 50; ++i) c.Step(0.0125f);
    EXPECT_LT(c.Particles()[31].position.y, y);
    EXPECT_EQ(c.Vertices()[0].position.y, c.Particles()[0].position.y);
}

// One integration step written the plain way, one spring at a time from each particle's
// own spring list: what the cloth's step must reproduce to the bit, however it organises
// the work.
void PlainStep(std::vector<RibbonCloth::Particle>& particles, float dt) {
    const float damping = std::pow(0.5f, dt);
    std::vector<model::Vector3> before;
    for (const auto& p : particles) before.push_back(p.position);
    for (auto& p : particles) {
        if (p.pinned) continue;
        p.velocity = model::Scale(damping, p.velocity);
        for (const auto& s : p.springs) {
            model::Vector3 delta =
                model::Subtract(before[static_cast<std::size_t>(s.neighbour)], p.position);
            float d = model::Length(delta);
            if (!(d > 0.0f)) continue;
            float k = (d - s.restLength) / d;
            p.velocity = model::Add(p.velocity, model::Scale(dt * 350.0f * 3.0f * k, delta));
        }
        p.velocity = model::Add(p.velocity, model::Scale(dt, model::Vector3{0.0f, -5.0f, 0.0f}));
    }
    for (auto& p : particles)
        if (!p.pinned) p.position = model::Add(p.position, model::Scale(dt, p.velocity));
}

// Strips of the scene's size and of sizes where rows are short (a neighbour two columns
// on can be the next row's first particle) or odd, kicked at random, with pinned particles
// anywhere: every position, velocity and vertex matches the plain step exactly.
TEST(RibbonClothStep, MatchesThePlainStepToTheBit) {
    struct Size {
        int columns, rows;
    };
    for (Size size : {Size{32, 16}, Size{2, 2}, Size{3, 5}, Size{7, 3}, Size{13, 9}}) {
        RibbonCloth c;
        c.Create(size.columns, size.rows, {222.0f, 40.0f, 60.0f}, {0.0f, -0.6f, 0.45f}, 1.0f, 1.0f,
                 0.0f, 0.0f, 0xFFFFFFFF);
        c.PinFirstColumn();
        const int n = size.columns * size.rows;
        if (n > 4) c.Particles()[static_cast<std::size_t>(n / 2)].pinned = true;
        std::vector<RibbonCloth::Particle> plain = c.Particles();
        eh::os::SeedRandom(21);
        for (int step = 0; step < 3000; ++step) {
            // Gusty kicks, strong enough to fold the strip over itself now and then.
            for (int kick = 0; kick < 6; ++kick) {
                int at = eh::os::RandomIndex(n);
                model::Vector3 impulse{eh::os::RandomUnit() - 0.3f, eh::os::RandomUnit() * 0.5f,
                                       eh::os::RandomUnit() - 0.7f};
                c.AddImpulse(at, impulse);
                auto& p = plain[static_cast<std::size_t>(at)];
                p.velocity = model::Add(p.velocity, impulse);
            }
            const float dt = step % 97 == 0 ? 0.004f : 0.0125f;
            c.Step(dt);
            PlainStep(plain, dt);
        }
        for (int i = 0; i < n; ++i) {
            const auto& a = c.Particles()[static_cast<std::size_t>(i)];
            const auto& b = plain[static_cast<std::size_t>(i)];
            ASSERT_TRUE(a.position.x == b.position.x && a.position.y == b.position.y &&
                        a.position.z == b.position.z && a.velocity.x == b.velocity.x &&
                        a.velocity.y == b.velocity.y && a.velocity.z == b.velocity.z)
                << size.columns << "x" << size.rows << " particle " << i;
        }
        for (std::size_t v = 0; v < c.Vertices().size(); ++v) {
            const model::Vector3& pos = c.Vertices()[v].position;
            bool found = false;
            for (const auto& p : plain)
                found = found || (p.position.x == pos.x && p.position.y == pos.y &&
                                  p.position.z == pos.z);
            ASSERT_TRUE(found) << "vertex " << v << " shows a particle's position";
        }
    }
}

TEST(RibbonClothWind, TenMinutesOfGustsStayFiniteAndBounded) {
    eh::os::SeedRandom(11);
    RibbonCloth a = strip();
    RibbonCloth b = strip();
    ClothWind wind;
    // Ten minutes at 60 frames per second: s = 1/6 scene steps per frame.
    float maxSpeed = 0.0f;
    for (int frame = 0; frame < 36000; ++frame) {
        wind.Update(1.0f / 6.0f, a, b);
        if (frame % 600 != 599) continue;
        for (const RibbonCloth* c : {&a, &b}) {
            for (const auto& p : c->Particles()) {
                if (p.pinned) continue;  // kicks on pinned particles never move anything
                ASSERT_TRUE(std::isfinite(p.position.x) && std::isfinite(p.position.y) &&
                            std::isfinite(p.position.z));
                float speed = model::Length(p.velocity);
                maxSpeed = std::max(maxSpeed, speed);
                // The strips stay near the sword: no particle wanders off.
                EXPECT_LT(std::fabs(p.position.y - 40.0f), 40.0f);
            }
        }
    }
    // Gusts keep the free particles moving at a few units per step; a spring instability
    // would grow without bound.
    EXPECT_GT(maxSpeed, 0.5f);
    EXPECT_LT(maxSpeed, 100.0f);
}

TEST(RibbonClothWind, GustTimerFlipsTheGustWithinItsRanges) {
    eh::os::SeedRandom(12);
    RibbonCloth a = strip();
    RibbonCloth b = strip();
    ClothWind wind;
    EXPECT_TRUE(wind.Gusting());
    for (int i = 0; i < 51; ++i) wind.Update(1.0f, a, b);
    EXPECT_FALSE(wind.Gusting());
    EXPECT_GE(wind.GustTimer(), 35.0f + 5.0f - 1.0f);
    EXPECT_LE(wind.GustTimer(), 70.0f + 30.0f);
}

}  // namespace
}  // namespace eh::scene

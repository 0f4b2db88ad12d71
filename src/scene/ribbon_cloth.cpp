#include "scene/ribbon_cloth.h"

#include <cmath>

#include "platform/os/crt_random.h"

namespace eh::scene {
namespace {


// Wind directions of the two strips, in radians (155° and 195°).
constexpr float kFirstDirection = 2.7052603f;
constexpr float kSecondDirection = 3.4033920f;

// Neighbour offsets (column, row) of the springs; each is also used at twice its length.
constexpr int kOffsets[8][2] = {{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}};

}  // namespace

void RibbonCloth::Create(int columns, int rows, const Vector3& origin, const Vector3& spacing,
                         float uScale, float vScale, float uOffset, float vOffset,
                         std::uint32_t color) {
    columns_ = columns > 1 ? columns : 2;
    rows_ = rows > 1 ? rows : 2;
    particles_.assign(static_cast<std::size_t>(columns_ * rows_), Particle{});
    for (int r = 0; r < rows_; ++r) {
        for (int c = 0; c < columns_; ++c) {
            particles_[static_cast<std::size_t>(c + r * columns_)].position =
                Vector3{origin.x, origin.y + r * spacing.y, origin.z + c * spacing.z};
        }
    }
    for (int r = 0; r < rows_; ++r) {
        for (int c = 0; c < columns_; ++c) {
            Particle& p = particles_[static_cast<std::size_t>(c + r * columns_)];
            for (int reach = 1; reach <= 2; ++reach) {
                for (const auto& o : kOffsets) {
                    int nc = c + o[0] * reach;
                    int nr = r + o[1] * reach;
                    if (nc < 0 || nc >= columns_ || nr < 0 || nr >= rows_) continue;
                    int n = nc + nr * columns_;
                    float rest = model::Length(model::Subtract(
                        particles_[static_cast<std::size_t>(n)].position, p.position));
                    p.springs.push_back({n, rest});
                }
            }
        }
    }

    vertices_.clear();
    cellParticles_.clear();
    auto addVertex = [&](int c, int r) {
        ClothVertex v{};
        v.position = particles_[static_cast<std::size_t>(c + r * columns_)].position;
        v.normal = Vector3{0.0f, 0.0f, 0.0f};
        v.color = color;
        v.u = static_cast<float>(c) / columns_ * uScale + uOffset;
        v.v = static_cast<float>(r) / rows_ * vScale + vOffset;
        vertices_.push_back(v);
        cellParticles_.push_back(c + r * columns_);
    };
    for (int r = 0; r + 1 < rows_; ++r) {
        for (int c = 0; c + 1 < columns_; ++c) {
            addVertex(c, r);
            addVertex(c + 1, r);
            addVertex(c + 1, r + 1);
            addVertex(c, r);
            addVertex(c + 1, r + 1);
            addVertex(c, r + 1);
        }
    }
}

void RibbonCloth::PinFirstColumn() {
    for (int r = 0; r < rows_; ++r) particles_[static_cast<std::size_t>(r * columns_)].pinned = true;
}

void RibbonCloth::AddImpulse(int index, const Vector3& impulse) {
    if (index < 0 || index >= static_cast<int>(particles_.size())) return;
    Particle& p = particles_[static_cast<std::size_t>(index)];
    p.velocity = model::Add(p.velocity, impulse);
}

void RibbonCloth::Step(float dt) {
    const float damping = std::pow(0.5f, dt);
    for (Particle& p : particles_) {
        if (p.pinned) continue;
        p.velocity = model::Scale(damping, p.velocity);
        for (const Spring& s : p.springs) {
            Vector3 delta =
                model::Subtract(particles_[static_cast<std::size_t>(s.neighbour)].position, p.position);
            float d = model::Length(delta);
            // Two particles in the same place pull in no direction.
            if (!(d > 0.0f)) continue;
            float k = (d - s.restLength) / d;
            p.velocity = model::Add(p.velocity, model::Scale(dt * kSpringStiffness * k, delta));
        }
        p.velocity = model::Add(p.velocity, model::Scale(dt, gravity_));
    }
    for (Particle& p : particles_) {
        if (!p.pinned) p.position = model::Add(p.position, model::Scale(dt, p.velocity));
    }
    writePositions();
}

void RibbonCloth::writePositions() {
    for (std::size_t i = 0; i < vertices_.size(); ++i)
        vertices_[i].position = particles_[static_cast<std::size_t>(cellParticles_[i])].position;
}

void ClothWind::Update(float s, RibbonCloth& first, RibbonCloth& second) {
    timer_ -= s;
    if (timer_ < 0.0f) {
        timer_ = os::RandomUnit() * 35.0f + 35.0f;
        gust_ = !gust_;
        if (!gust_) timer_ += os::RandomUnit() * 25.0f + 5.0f;
    }

    auto kick = [&](RibbonCloth& strip, float direction, bool strong) {
        int impulses = static_cast<int>(os::RandomUnit() * 20.0f + 30.0f);
        for (int i = 0; i < impulses; ++i) {
            float c0 = os::RandomUnit() * 30.0f;
            float r0 = os::RandomUnit() * 14.0f;
            float t = os::RandomUnit() + 0.5f;
            float a = strong ? s * t : s * t * 0.05f;
            Vector3 impulse{std::sin(direction) * a, 0.5f * a, std::cos(direction) * a};
            // Rows are indexed with a stride of 16, not the strip's 32 columns: each kick
            // lands as a diagonal smear across two rows, which is how the ribbons flutter.
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k)
                    strip.AddImpulse((static_cast<int>(r0) + j) * 16 + static_cast<int>(c0) + 2 + k, impulse);
        }
    };
    kick(first, kFirstDirection, gust_);
    kick(second, kSecondDirection, gust_ && timer_ >= 5.0f);

    float dt = s * 3.0f;
    if (dt > RibbonCloth::kMaxStep) dt = RibbonCloth::kMaxStep;
    first.Step(dt);
    second.Step(dt);
}

}  // namespace eh::scene

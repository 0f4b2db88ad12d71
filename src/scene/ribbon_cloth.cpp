#include "scene/ribbon_cloth.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define EH_CLOTH_SSE 1
#endif

#include "platform/os/crt_random.h"

namespace eh::scene {
namespace {


// Wind directions of the two strips, in radians (155° and 195°).
constexpr float kFirstDirection = 2.7052603f;
constexpr float kSecondDirection = 3.4033920f;

// A lane of an SSE mask with every bit set, as a float (a NaN).
const float kAllBits = [] {
    const std::uint32_t bits = 0xFFFFFFFFu;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}();

// Neighbour offsets (column, row) of the springs; each is also used at twice its length.
// The first four and the last four are opposite directions, in the same order.
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
    buildLinks();
}

void RibbonCloth::buildLinks() {
    const int n = columns_ * rows_;
    for (int reach = 1; reach <= 2; ++reach) {
        for (int o = 0; o < 4; ++o) {
            Link& link = links_[(reach - 1) * 4 + o];
            link.dc = kOffsets[o][0] * reach;
            link.dr = kOffsets[o][1] * reach;
            link.offset = link.dc + link.dr * columns_;
        }
    }
    const auto size = static_cast<std::size_t>(kLinks) * static_cast<std::size_t>(n);
    rest_.assign(size, 0.0f);
    pullX_.assign(size, 0.0f);
    pullY_.assign(size, 0.0f);
    pullZ_.assign(size, 0.0f);
    live_.assign(size, 0.0f);
    // A link's rest length is that of the spring from the particle at its start.
    for (int i = 0; i < n; ++i) {
        const int c = i % columns_, r = i / columns_;
        for (const Spring& spring : particles_[static_cast<std::size_t>(i)].springs) {
            const int dc = spring.neighbour % columns_ - c;
            const int dr = spring.neighbour / columns_ - r;
            for (int l = 0; l < kLinks; ++l) {
                if (links_[l].dc == dc && links_[l].dr == dr)
                    rest_[static_cast<std::size_t>(l) * static_cast<std::size_t>(n) +
                          static_cast<std::size_t>(i)] = spring.restLength;
            }
        }
    }
    for (auto* v : {&posX_, &posY_, &posZ_, &velX_, &velY_, &velZ_})
        v->assign(static_cast<std::size_t>(n), 0.0f);
}

void RibbonCloth::PinFirstColumn() {
    for (int r = 0; r < rows_; ++r) particles_[static_cast<std::size_t>(r * columns_)].pinned = true;
}

void RibbonCloth::AddImpulse(int index, const Vector3& impulse) {
    if (index < 0 || index >= static_cast<int>(particles_.size())) return;
    Particle& p = particles_[static_cast<std::size_t>(index)];
    p.velocity = model::Add(p.velocity, impulse);
}

// The pull of every link for the positions before the step: with Δ from the particle to
// its neighbour, d = |Δ| and k = (d - rest) / d, the pull is (dt · stiffness · k) · Δ,
// computed exactly as one spring at a time would (the same operations in the same order;
// SSE's square root and division round as the scalar ones do). Two particles in the same
// place pull in no direction.
void RibbonCloth::computePulls(float stiffnessStep) {
    const int n = columns_ * rows_;
    for (int l = 0; l < kLinks; ++l) {
        const Link& link = links_[l];
        const std::size_t base = static_cast<std::size_t>(l) * static_cast<std::size_t>(n);
        const int c0 = std::max(0, -link.dc), c1 = std::min(columns_, columns_ - link.dc);
        const int r0 = std::max(0, -link.dr), r1 = std::min(rows_, rows_ - link.dr);
        for (int r = r0; r < r1; ++r) {
            const int first = c0 + r * columns_, last = c1 + r * columns_;
            const float* x = posX_.data();
            const float* y = posY_.data();
            const float* z = posZ_.data();
            const float* rest = rest_.data() + base;
            float* px = pullX_.data() + base;
            float* py = pullY_.data() + base;
            float* pz = pullZ_.data() + base;
            float* on = live_.data() + base;
            int i = first;
#ifdef EH_CLOTH_SSE
            const __m128 step4 = _mm_set1_ps(stiffnessStep);
            const __m128 zero = _mm_setzero_ps();
            for (; i + 4 <= last; i += 4) {
                const int j = i + link.offset;
                const __m128 dx = _mm_sub_ps(_mm_loadu_ps(x + j), _mm_loadu_ps(x + i));
                const __m128 dy = _mm_sub_ps(_mm_loadu_ps(y + j), _mm_loadu_ps(y + i));
                const __m128 dz = _mm_sub_ps(_mm_loadu_ps(z + j), _mm_loadu_ps(z + i));
                const __m128 dd = _mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)),
                                             _mm_mul_ps(dz, dz));
                const __m128 d = _mm_sqrt_ps(dd);
                const __m128 k = _mm_div_ps(_mm_sub_ps(d, _mm_loadu_ps(rest + i)), d);
                const __m128 live = _mm_cmpgt_ps(d, zero);
                const __m128 a = _mm_mul_ps(step4, k);
                _mm_storeu_ps(px + i, _mm_and_ps(live, _mm_mul_ps(a, dx)));
                _mm_storeu_ps(py + i, _mm_and_ps(live, _mm_mul_ps(a, dy)));
                _mm_storeu_ps(pz + i, _mm_and_ps(live, _mm_mul_ps(a, dz)));
                _mm_storeu_ps(on + i, live);
            }
#endif
            for (; i < last; ++i) {
                const int j = i + link.offset;
                const Vector3 delta{x[j] - x[i], y[j] - y[i], z[j] - z[i]};
                const float d = model::Length(delta);
                if (!(d > 0.0f)) {
                    px[i] = py[i] = pz[i] = on[i] = 0.0f;
                    continue;
                }
                on[i] = kAllBits;
                const float a = stiffnessStep * ((d - rest[i]) / d);
                px[i] = a * delta.x;
                py[i] = a * delta.y;
                pz[i] = a * delta.z;
            }
        }
    }
}

void RibbonCloth::addPulls(int link, bool along) {
    const Link& l = links_[link];
    const int n = columns_ * rows_;
    // Along the link the particle is its start; against it, its end, and the pull is the
    // start's, reversed (the same spring seen from the other side).
    const int dc = along ? l.dc : -l.dc, dr = along ? l.dr : -l.dr;
    const int shift = along ? 0 : -l.offset;
    const std::size_t base = static_cast<std::size_t>(link) * static_cast<std::size_t>(n);
    const float* fx = pullX_.data() + base + shift;
    const float* fy = pullY_.data() + base + shift;
    const float* fz = pullZ_.data() + base + shift;
    const float* on = live_.data() + base + shift;
    float* vx = velX_.data();
    float* vy = velY_.data();
    float* vz = velZ_.data();
    const int c0 = std::max(0, -dc), c1 = std::min(columns_, columns_ - dc);
    const int r0 = std::max(0, -dr), r1 = std::min(rows_, rows_ - dr);
    for (int r = r0; r < r1; ++r) {
        int i = c0 + r * columns_;
        const int last = c1 + r * columns_;
#ifdef EH_CLOTH_SSE
        // Subtracting the pull is adding its reverse: x - p and x + (-p) round alike.
        auto add = [along](__m128 v, __m128 p, __m128 live) {
            const __m128 sum = along ? _mm_add_ps(v, p) : _mm_sub_ps(v, p);
            return _mm_or_ps(_mm_and_ps(live, sum), _mm_andnot_ps(live, v));
        };
        for (; i + 4 <= last; i += 4) {
            const __m128 live = _mm_loadu_ps(on + i);
            _mm_storeu_ps(vx + i, add(_mm_loadu_ps(vx + i), _mm_loadu_ps(fx + i), live));
            _mm_storeu_ps(vy + i, add(_mm_loadu_ps(vy + i), _mm_loadu_ps(fy + i), live));
            _mm_storeu_ps(vz + i, add(_mm_loadu_ps(vz + i), _mm_loadu_ps(fz + i), live));
        }
#endif
        for (; i < last; ++i) {
            if (on[i] == 0.0f) continue;  // the mask's bits read as a NaN, never as 0
            vx[i] = along ? vx[i] + fx[i] : vx[i] - fx[i];
            vy[i] = along ? vy[i] + fy[i] : vy[i] - fy[i];
            vz[i] = along ? vz[i] + fz[i] : vz[i] - fz[i];
        }
    }
}

void RibbonCloth::Step(float dt) {
    const int n = static_cast<int>(particles_.size());
    if (n != columns_ * rows_ || posX_.size() != particles_.size()) return;
    const float damping = std::pow(0.5f, dt);
    for (int i = 0; i < n; ++i) {
        const Particle& p = particles_[static_cast<std::size_t>(i)];
        const auto at = static_cast<std::size_t>(i);
        posX_[at] = p.position.x;
        posY_[at] = p.position.y;
        posZ_[at] = p.position.z;
        velX_[at] = damping * p.velocity.x;
        velY_[at] = damping * p.velocity.y;
        velZ_[at] = damping * p.velocity.z;
    }
    computePulls(dt * kSpringStiffness);
    // The springs in the order of every particle's list (Create's: the eight directions at
    // one step, then at two), then gravity. Pinned particles are summed too but keep their
    // velocity.
    for (int reach = 0; reach < 2; ++reach) {
        for (int o = 0; o < 8; ++o) addPulls(reach * 4 + (o & 3), o < 4);
    }
    const Vector3 fall = model::Scale(dt, gravity_);
    for (int i = 0; i < n; ++i) {
        Particle& p = particles_[static_cast<std::size_t>(i)];
        if (p.pinned) continue;
        const auto at = static_cast<std::size_t>(i);
        p.velocity = Vector3{velX_[at] + fall.x, velY_[at] + fall.y, velZ_[at] + fall.z};
        p.position = model::Add(p.position, model::Scale(dt, p.velocity));
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

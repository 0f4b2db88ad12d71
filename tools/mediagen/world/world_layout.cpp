#include "mediagen/world/world_layout.h"

#include <algorithm>
#include <cmath>

#include "mediagen/world/world_math.h"
#include "model/terrain.h"

namespace eh::mediagen::world {

const Placement kHorsePlacement{
    92.0f, 0.0078537f, 0.99997f, {-422.248f, 79.8004f, 7.354f}, {24.0f, 46.0f, 58.0f}};
const Placement kSwordPlacement{
    164.8f, -0.98643f, 0.164187f, {222.475f, 60.8652f, 62.9201f}, {150.0f, 82.4f, 150.0f}};
const Placement kSpotlightPlacement{
    521.9f, 1.0f, 0.0f, {222.475f, -43.8652f, 62.9201f}, {60.0f, 260.95f, 60.0f}};
const Placement kOakPlacement{
    521.9f, -0.568565f, -0.822646f, {-533.706f, 214.096f, 135.629f}, {190.0f, 260.95f, 190.0f}};

Vector3 LocalToWorld(const Placement& p, const Vector3& l) {
    const float c = p.cosTheta, s = p.sinTheta;
    return Vector3{l.x * c + l.z * s + p.position.x, l.y + p.position.y,
                   -l.x * s + l.z * c + p.position.z};
}

Vector3 WorldToLocal(const Placement& p, const Vector3& w) {
    const float c = p.cosTheta, s = p.sinTheta;
    const float x = w.x - p.position.x, z = w.z - p.position.z;
    return Vector3{x * c - z * s, w.y - p.position.y, x * s + z * c};
}

namespace {

struct Plateau {
    float x, z;
    float height;
    float inner, outer;  // flat inside `inner`, blended out to the surroundings at `outer`
};

// The flat ground each placement needs. The sword's meadow and the horse's patch are
// level so that hooves and blade meet the ground wherever they stand on it; the oak
// stands on a gentle rise.
constexpr Plateau kPlateaus[] = {
    {-422.248f, 7.354f, kHorseGround, 110.0f, 180.0f},
    {222.475f, 62.9201f, kSwordGround, 95.0f, 190.0f},
    {-533.706f, 135.629f, kOakGround, 55.0f, 135.0f},
};

}  // namespace

float DesignHeight(float x, float z) {
    // Rolling meadow: a few long, low waves.
    float h = 40.0f + 7.0f * std::sin(x / 97.0f + 0.7f) * std::cos(z / 131.0f - 0.4f) +
              5.0f * std::sin((x + 0.6f * z) / 173.0f + 1.3f) +
              3.0f * std::cos((0.8f * x - z) / 61.0f);
    // Hills rising toward the edges, highest in the far corners.
    const float edge = std::max(std::fabs(x), std::fabs(z));
    h += 85.0f * SmoothStep(330.0f, 600.0f, edge) *
         (0.75f + 0.25f * std::sin(x / 150.0f + z / 210.0f));
    for (const Plateau& p : kPlateaus) {
        const float d = std::hypot(x - p.x, z - p.z);
        const float w = 1.0f - SmoothStep(p.inner, p.outer, d);
        h += (p.height - h) * w;
    }
    return h;
}

model::terrain::File MakeTerrain() {
    model::terrain::File f;
    f.textureNames = {"Ground.jpg"};
    f.width = kTerrainSize;
    f.depth = kTerrainSize;
    f.columns = kTerrainColumns;
    f.rows = kTerrainRows;
    const float cell = kTerrainSize / static_cast<float>(kTerrainColumns - 1);
    for (int r = 0; r < kTerrainRows; ++r) {
        for (int c = 0; c < kTerrainColumns; ++c) {
            const float x = -kTerrainSize / 2.0f + static_cast<float>(c) * cell;
            const float z = kTerrainSize / 2.0f - static_cast<float>(r) * cell;
            // Heights are rounded to 1/64 so the file does not depend on the last bits of
            // the library's sine.
            const float y = std::round(DesignHeight(x, z) * 64.0f) / 64.0f;
            f.points.push_back({1, Vector3{x, y, z}});
        }
    }
    return f;
}

struct Ground::Impl {
    // Never attached to a device: the terrain only reads its grid here.
    media::RenderKit kit;
    model::Terrain terrain{kit};
};

Ground::Ground(const model::terrain::File& file) : impl_(new Impl) {
    std::vector<std::uint8_t> bytes;
    model::terrain::Write(file, &bytes);
    // Without a device the terrain reads its grid and builds no buffers.
    impl_->terrain.LoadTerrain(nullptr, "Data/Land.eld", bytes.data(), bytes.size());
}

Ground::~Ground() {
    delete impl_;
}

float Ground::HeightAt(float x, float z, int level) const {
    float y = 0.0f;
    impl_->terrain.HeightAt(x, &y, z, level);
    return y;
}

}  // namespace eh::mediagen::world

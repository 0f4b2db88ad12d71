// Terrain, placements on it, billboards and camera tracks, checked with the product's
// HeightAt (through Ground) and the model's track file parser.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "mediagen/world/data_files.h"
#include "mediagen/world/generated_world.h"
#include "mediagen/world/models.h"
#include "mediagen/world/world.h"
#include "mediagen/world/world_layout.h"
#include "model/emd_format.h"
#include "model/track_format.h"

namespace eh::mediagen::world {
namespace {

using model::Vector3;

const EntryMap& entries() {
    return GeneratedEntries();
}

const Ground& ground() {
    static const Ground g(MakeTerrain());
    return g;
}

model::emd::File mesh(const std::string& name) {
    const auto& bytes = entries().at("Meshes/" + name);
    model::emd::File f;
    EXPECT_EQ(model::emd::Parse(bytes.data(), bytes.size(), &f), S_OK);
    return f;
}

TEST(WorldTerrain, GridLayerAndOrientation) {
    const auto& bytes = entries().at("Data/Land.eld");
    EXPECT_EQ(bytes.size(), 25631u);
    model::terrain::File f;
    ASSERT_EQ(model::terrain::Parse(bytes.data(), bytes.size(), &f), S_OK);
    ASSERT_EQ(f.textureNames, std::vector<std::string>{"Ground.jpg"});
    EXPECT_EQ(f.columns, 40);
    EXPECT_EQ(f.rows, 40);
    EXPECT_FLOAT_EQ(f.width, 1200.0f);
    for (int r = 0; r < 40; ++r)
        for (int c = 0; c < 40; ++c) {
            const auto& p = f.points[static_cast<std::size_t>(r * 40 + c)];
            EXPECT_EQ(p.layer, 1);
            EXPECT_NEAR(p.position.x, -600.0f + static_cast<float>(c) * 1200.0f / 39.0f, 1e-3f);
            EXPECT_NEAR(p.position.z, 600.0f - static_cast<float>(r) * 1200.0f / 39.0f, 1e-3f);
            EXPECT_GT(p.position.y, 20.0f);
            EXPECT_LT(p.position.y, 140.0f);
        }
    // HeightAt agrees with the designed field away from the grid's facets.
    EXPECT_NEAR(ground().SurfaceAt(0.0f, 0.0f), DesignHeight(0.0f, 0.0f), 3.0f);
}

TEST(WorldPlacements, HoovesStandOnTheGround) {
    const model::emd::File horse = mesh("horse.EMD");
    int soles = 0;
    for (const auto& v : horse.objects.front().vertices) {
        if (v.position.y > -45.99f) continue;
        ++soles;
        const Vector3 w = LocalToWorld(kHorsePlacement, v.position);
        // HeightAt solves its plane in single precision with coordinates of several
        // hundred units, which costs it a few tenths of a unit out here.
        EXPECT_NEAR(w.y, ground().SurfaceAt(w.x, w.z), 0.5f);
    }
    EXPECT_GE(soles, 4);
}

TEST(WorldPlacements, SwordBladeEntersTheMeadowBelowTheGuardAndRibbonKnot) {
    const model::emd::File sword = mesh("sword.EMD");
    float lowest = 1e9f;
    for (const auto& v : sword.objects.front().vertices) lowest = std::min(lowest, v.position.y);
    const Vector3 tip = LocalToWorld(kSwordPlacement, {0, lowest, 0});
    const float groundY = ground().SurfaceAt(tip.x, tip.z);
    EXPECT_LT(tip.y, groundY - 20.0f);  // the point is buried
    EXPECT_GT(LocalToWorld(kSwordPlacement, {0, 29.5f, 0}).y, groundY + 30.0f);  // guard well above
    EXPECT_LT(groundY, 50.5f);  // the light rays end at 50.5, above the turf
    // Level meadow round the sword, so blade and crows meet it everywhere.
    for (float a = 0; a < 360.0f; a += 30.0f) {
        const float x = tip.x + 60.0f * std::cos(model::Radians(a)),
                    z = tip.z + 60.0f * std::sin(model::Radians(a));
        EXPECT_NEAR(ground().SurfaceAt(x, z), groundY, 0.05f);
    }
    // The knot sits where the cloth ribbons are tied.
    const model::emd::File knot = mesh("ribbon.EMD");
    const Vector3 cloth = WorldToLocal(kSwordPlacement, {228.3f, 88.55f, 60.87f});
    float nearest = 1e9f;
    for (const auto& v : knot.objects.front().vertices)
        nearest = std::min(nearest, model::Length(model::Subtract(v.position, cloth)));
    EXPECT_LT(nearest, 2.0f);
}

TEST(WorldPlacements, OakRootsMeetItsRiseAndTheBeamReachesTheMeadow) {
    const model::emd::File oak = mesh("oak.EMD");
    float lowest = 1e9f;
    for (const auto& v : oak.objects.front().vertices) lowest = std::min(lowest, v.position.y);
    const Vector3 foot = LocalToWorld(kOakPlacement, {0, lowest, 0});
    const float groundY = ground().SurfaceAt(foot.x, foot.z);
    EXPECT_LT(foot.y, groundY - 5.0f);
    EXPECT_GT(foot.y, groundY - 40.0f);
    for (float a = 0; a < 360.0f; a += 45.0f) {
        const float x = foot.x + 30.0f * std::cos(model::Radians(a)),
                    z = foot.z + 30.0f * std::sin(model::Radians(a));
        EXPECT_NEAR(ground().SurfaceAt(x, z), groundY, 1.0f);
    }
    const model::emd::File beam = mesh("spotlight.EMD");
    float bottom = 1e9f;
    for (const auto& v : beam.objects.front().vertices) bottom = std::min(bottom, v.position.y);
    const float beamFoot = LocalToWorld(kSpotlightPlacement, {0, bottom, 0}).y;
    EXPECT_GT(beamFoot, kSwordGround);
    EXPECT_LT(beamFoot, kSwordGround + 10.0f);
}

TEST(WorldBillboards, CountsKindsSizesAndStandingOnTheGround) {
    const auto& bytes = entries().at("Data/Billboard.ebl");
    ASSERT_EQ(bytes.size(), 4u + 159u * 20u);
    std::int32_t count = 0;
    std::memcpy(&count, bytes.data(), 4);
    ASSERT_EQ(count, 159);
    int kinds[2] = {0, 0};
    float smallest = 1e9f, largest = 0.0f;
    for (int i = 0; i < count; ++i) {
        float f[4];
        std::int32_t kind = 0;
        std::memcpy(f, bytes.data() + 4 + i * 20, 16);
        std::memcpy(&kind, bytes.data() + 4 + i * 20 + 16, 4);
        ASSERT_TRUE(kind == 0 || kind == 1);
        ++kinds[kind];
        smallest = std::min(smallest, f[3]);
        largest = std::max(largest, f[3]);
        const float footY = f[1] - 1.5f * f[3];
        const float groundY = ground().SurfaceAt(f[0], f[2]);
        EXPECT_LE(footY, groundY + 0.01f);
        EXPECT_GE(footY, groundY - 2.5f);
        EXPECT_LE(std::max(std::fabs(f[0]), std::fabs(f[2])), 590.0f);
        EXPECT_GE(std::max(std::fabs(f[0]), std::fabs(f[2])), 440.0f);  // the woods ring
        EXPECT_GT(std::hypot(f[0] - kOakPlacement.position.x, f[2] - kOakPlacement.position.z),
                  90.0f);
    }
    EXPECT_EQ(kinds[0], 84);
    EXPECT_EQ(kinds[1], 75);
    EXPECT_FLOAT_EQ(smallest, 24.4f);
    EXPECT_FLOAT_EQ(largest, 63.3f);
}

TEST(WorldTracks, SixteenSmoothTracksAboveTheGroundAndClearOfModelsAndWoods) {
    const auto& bytes = entries().at("Data/Cam_Tracks.evd");
    const model::track::File file = model::track::Parse(bytes.data(), bytes.size());
    ASSERT_EQ(file.tracks.size(), 16u);
    const std::vector<CameraTrackPlan> plans = MakeCameraTracks(ground());
    for (std::size_t t = 0; t < 16; ++t) {
        SCOPED_TRACE(t);
        const model::track::Track& track = file.tracks[t];
        const int keyCount = static_cast<int>(track.keys.size());
        EXPECT_FALSE(track.skip);
        ASSERT_EQ(keyCount % 3, 1);
        ASSERT_GE(keyCount, 4);
        ASSERT_EQ(keyCount, static_cast<int>(plans[t].keys.size()));
        const int segments = (keyCount - 1) / 3;
        for (int s = 0; s < segments; ++s) {
            const auto& k = track.keys;
            if (track.pivot) {
                EXPECT_TRUE(k[static_cast<std::size_t>(3 * s)].hasTarget);
            }
            EXPECT_GE(k[static_cast<std::size_t>(3 * s)].speed, 0.2f);
            // The eye's direction is continuous through every joint: the handles on both
            // sides are aligned (a pivot track's path is only an aim point and may turn).
            if (s > 0 && !track.pivot) {
                const Vector3 in = model::Subtract(k[static_cast<std::size_t>(3 * s)].position,
                                                   k[static_cast<std::size_t>(3 * s - 1)].position);
                const Vector3 out = model::Subtract(k[static_cast<std::size_t>(3 * s + 1)].position,
                                                    k[static_cast<std::size_t>(3 * s)].position);
                EXPECT_GT(model::Dot(in, out), 0.999f * model::Length(in) * model::Length(out));
            }
        }
        float seconds = 0.0f;
        for (int s = 0; s < segments; ++s) seconds += SegmentSeconds(plans[t], s);
        EXPECT_GT(seconds, 12.0f);
        EXPECT_LT(seconds, 60.0f);
        for (const Vector3& e : EyePath(plans[t], 150)) {
            EXPECT_GE(e.y - ground().HeightAt(e.x, e.z, 0), 12.0f);
            EXPECT_GE(ModelClearance(e), 10.0f);
            EXPECT_LE(std::max(std::fabs(e.x), std::fabs(e.z)), 400.0f);
        }
    }
    for (int special = 7; special <= 9; ++special)
        EXPECT_FALSE(file.tracks[static_cast<std::size_t>(special)].pivot);
}

TEST(WorldTracks, ClearanceCheckCatchesAnEyeInsideAModel) {
    EXPECT_LT(ModelClearance({-420.0f, 80.0f, 7.0f}), 0.0f);     // in the horse
    EXPECT_LT(ModelClearance({222.0f, 100.0f, 60.0f}), 0.0f);    // in the sword's column
    EXPECT_LT(ModelClearance({-534.0f, 300.0f, 136.0f}), 0.0f);  // in the crown
    EXPECT_GT(ModelClearance({0.0f, 80.0f, 0.0f}), 100.0f);
}

}  // namespace
}  // namespace eh::mediagen::world

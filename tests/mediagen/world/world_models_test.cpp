// The generated meshes and clips, read back through the product's own parsers, clip
// evaluation and skinning: the properties the scene relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include "mediagen/world/generated_world.h"
#include "mediagen/world/models.h"
#include "mediagen/world/world.h"
#include "mediagen/world/world_layout.h"
#include "model/animation.h"
#include "model/emd_format.h"
#include "model/esa_format.h"
#include "model/mesh_build.h"

namespace eh::mediagen::world {
namespace {

using model::Vector3;

const EntryMap& entries() {
    return GeneratedEntries();
}

model::emd::File mesh(const std::string& name) {
    const auto& bytes = entries().at("Meshes/" + name);
    model::emd::File f;
    EXPECT_EQ(model::emd::Parse(bytes.data(), bytes.size(), &f), S_OK) << name;
    return f;
}

model::esa::Clip clip(const std::string& name, int bones) {
    const auto& bytes = entries().at("Meshes/" + name);
    model::esa::Clip c;
    EXPECT_EQ(model::esa::Parse(bytes.data(), bytes.size(), bones, &c), S_OK) << name;
    return c;
}

struct MeshCase {
    const char* file;
    const Placement* placement;
    bool alpha;  // textures are TGA (blended pass)
    int maxInfluences;
};
const MeshCase kMeshes[] = {
    {"horse.EMD", &kHorsePlacement, false, 4},        {"crow.EMD", &kSwordPlacement, true, 5},
    {"sword.EMD", &kSwordPlacement, false, 0},        {"ribbon.EMD", &kSwordPlacement, true, 0},
    {"spotlight.EMD", &kSpotlightPlacement, true, 0}, {"oak.EMD", &kOakPlacement, false, 0},
};

TEST(WorldMeshes, BoxObjectSetsTheModelBoxSoFitHeightScalesByOneAndCentres) {
    for (const MeshCase& c : kMeshes) {
        SCOPED_TRACE(c.file);
        const model::emd::File f = mesh(c.file);
        const model::emd::MeshObject& box = f.objects.back();
        ASSERT_EQ(box.vertices.size(), 8u);
        ASSERT_EQ(box.groups.size(), 1u);
        EXPECT_EQ(box.groups[0].material, -1);
        EXPECT_EQ(box.groups[0].faceCount(), 0u);
        Vector3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
        for (const auto& o : f.objects) {
            for (const auto& v : o.vertices) {
                lo = {std::min(lo.x, v.position.x), std::min(lo.y, v.position.y),
                      std::min(lo.z, v.position.z)};
                hi = {std::max(hi.x, v.position.x), std::max(hi.y, v.position.y),
                      std::max(hi.z, v.position.z)};
                EXPECT_TRUE(v.normals.empty() ||
                            std::fabs(v.position.y) <= c.placement->halfBox.y + 1e-3f);
            }
        }
        // Scale fit / height = 1 and the box centre is the frame's origin.
        EXPECT_NEAR(hi.y - lo.y, c.placement->fitHeight, 0.01f);
        EXPECT_NEAR((hi.x + lo.x) * 0.5f, 0.0f, 0.01f);
        EXPECT_NEAR((hi.y + lo.y) * 0.5f, 0.0f, 0.01f);
        EXPECT_NEAR((hi.z + lo.z) * 0.5f, 0.0f, 0.01f);
        // The box object is the box: all geometry lies inside it.
        EXPECT_NEAR(hi.x, c.placement->halfBox.x, 1e-3f);
        EXPECT_NEAR(hi.z, c.placement->halfBox.z, 1e-3f);
    }
}

TEST(WorldMeshes, MaterialsNameListedTexturesWithTheRightAlphaRule) {
    std::ifstream in(std::string(EH_SOURCE_DIR) + "/tools/mediagen/archive453/entries453.txt");
    ASSERT_TRUE(in);
    std::stringstream list;
    list << in.rdbuf();
    for (const MeshCase& c : kMeshes) {
        SCOPED_TRACE(c.file);
        const model::emd::File f = mesh(c.file);
        ASSERT_FALSE(f.materials.empty());
        for (const auto& m : f.materials) {
            EXPECT_EQ(model::IsAlphaTextureName(m.texture1), c.alpha) << m.texture1;
            // The program asks for "Texture\" + name; the entry list must carry it.
            const std::string wanted = "Texture\\" + m.texture1, other = "Texture/" + m.texture1;
            EXPECT_TRUE(list.str().find(wanted) != std::string::npos ||
                        list.str().find(other) != std::string::npos)
                << m.texture1;
            EXPECT_TRUE(m.texture2.empty());
        }
    }
}

TEST(WorldMeshes, InfluenceCountsWeightsAndBindOffsets) {
    for (const MeshCase& c : kMeshes) {
        SCOPED_TRACE(c.file);
        const model::emd::File f = mesh(c.file);
        if (c.maxInfluences == 0) {
            EXPECT_TRUE(f.bones.empty());
        }
        std::size_t most = 0;
        for (const auto& o : f.objects) {
            for (const auto& v : o.vertices) {
                most = std::max(most, v.influences.size());
                float sum = 0.0f;
                for (const auto& inf : v.influences) {
                    ASSERT_GE(inf.bone, 0);
                    ASSERT_LT(inf.bone, static_cast<int>(f.bones.size()));
                    sum += inf.weight;
                }
                if (!v.influences.empty()) {
                    EXPECT_NEAR(sum, 1.0f, 1e-4f);
                }
                for (const auto& n : v.normals) EXPECT_EQ(n.influences.size(), v.influences.size());
            }
        }
        EXPECT_LE(most, static_cast<std::size_t>(c.maxInfluences));
        if (c.maxInfluences > 0) {
            EXPECT_GE(most, 2u);  // joints blend between bones
        }
    }
}

TEST(WorldMeshes, FrontFacesAreClockwiseFromOutsideWithOutwardNormals) {
    for (const MeshCase& c : kMeshes) {
        SCOPED_TRACE(c.file);
        const model::emd::File f = mesh(c.file);
        const model::emd::MeshObject& o = f.objects.front();
        double volume = 0.0;
        std::size_t faces = 0, agree = 0;
        for (const auto& g : o.groups) {
            for (std::size_t i = 0; i < g.faceCount(); ++i) {
                const auto& t = g.positions[i];
                const Vector3 a = o.vertices[static_cast<std::size_t>(t[0])].position;
                const Vector3 b = o.vertices[static_cast<std::size_t>(t[1])].position;
                const Vector3 d = o.vertices[static_cast<std::size_t>(t[2])].position;
                const Vector3 n = model::Cross(model::Subtract(b, a), model::Subtract(d, a));
                volume += model::Dot(a, model::Cross(b, d)) / 6.0;
                Vector3 sum{0, 0, 0};
                for (int k = 0; k < 3; ++k) {
                    const auto& v =
                        o.vertices[static_cast<std::size_t>(t[static_cast<std::size_t>(k)])];
                    sum = model::Add(sum, v.normals[static_cast<std::size_t>(
                                                        g.normals[i][static_cast<std::size_t>(k)])]
                                              .rest);
                }
                ++faces;
                if (model::Dot(n, sum) > 0.0f) ++agree;
            }
        }
        ASSERT_GT(faces, 0u);
        // The beam's normals lean toward the lights on both sides of each plane.
        if (std::string(c.file) != "spotlight.EMD") {
            EXPECT_EQ(agree, faces);
        }
        // A closed surface wound clockwise from outside encloses a positive volume; the
        // two-sided panels cancel out.
        if (std::string(c.file) != "spotlight.EMD") {
            EXPECT_GT(volume, 0.0);
        }
    }
}

TEST(WorldMeshes, OakIsOneObjectOfAbout3250Vertices) {
    const model::emd::File f = mesh("oak.EMD");
    ASSERT_EQ(f.objects.size(), 2u);
    EXPECT_GE(f.objects[0].vertices.size(), 3200u);
    EXPECT_LE(f.objects[0].vertices.size(), 3250u);
    EXPECT_EQ(f.materials.size(), 2u);
}

// Seen edge-on a crow must still read as a bird: the arm carries a rounded leading edge
// and the hand's separate primaries curl up, so the parts on each wing bone have depth
// across the wing plane (a flat wing panel has none).
TEST(WorldMeshes, CrowWingsHaveDepthAcrossTheWingPlane) {
    const model::emd::File f = mesh("crow.EMD");
    for (int crow = 0; crow < kCrowCount; ++crow) {
        for (int bone = 1; bone < kBonesPerCrow; ++bone) {
            SCOPED_TRACE(f.bones[static_cast<std::size_t>(crow * kBonesPerCrow + bone)].name);
            float lo = 1e9f, hi = -1e9f, inner = 1e9f, outer = -1e9f;
            for (const auto& v : f.objects.front().vertices) {
                if (v.influences.size() != 1 || v.influences[0].bone != crow * kBonesPerCrow + bone)
                    continue;
                const Vector3 o = v.influences[0].offset;
                lo = std::min(lo, o.y), hi = std::max(hi, o.y);
                inner = std::min(inner, std::fabs(o.x)), outer = std::max(outer, std::fabs(o.x));
            }
            ASSERT_LT(lo, hi);
            EXPECT_GT(hi - lo, 1.5f);        // thickness seen from ahead
            EXPECT_GT(outer - inner, 3.0f);  // and a real span along the wing
        }
    }
}

// Bone matrices of a clip at time t, as the scene evaluates them.
std::vector<model::Matrix4> evaluate(const model::esa::Clip& c, float t) {
    std::vector<model::Matrix4> m;
    for (const auto& track : c.tracks) m.push_back(model::EvaluateBone(track, c.keySpacing, t));
    return m;
}

// Largest distance between the skinned and the rest positions of the first object.
float restError(const model::emd::File& f, const std::vector<model::Matrix4>& bones) {
    model::BuiltObject built;
    EXPECT_TRUE(model::BuildObject(f.objects.front(), f.materials, &built));
    std::vector<model::ModelVertex> out(built.renderedCount);
    model::WriteRestVertices(built, out.data());
    const std::vector<model::ModelVertex> rest = out;
    model::SkinObject(&built, bones.data(), out.data());
    float worst = 0.0f;
    for (std::size_t i = 0; i < out.size(); ++i) {
        worst = std::max(worst, model::Length(model::Subtract(out[i].position, rest[i].position)));
    }
    return worst;
}

float poseDifference(const std::vector<model::Matrix4>& a, const std::vector<model::Matrix4>& b) {
    float worst = 0.0f;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (int k = 0; k < 16; ++k) {
            // Rotation entries and translations (units) weighed alike.
            worst = std::max(worst, std::fabs(a[i].m[k] - b[i].m[k]));
        }
    return worst;
}

TEST(WorldClips, FirstHorseClipAndSecondCrowClipReproduceTheRestPoseAtTimeZero) {
    const model::emd::File horse = mesh("horse.EMD");
    const model::esa::Clip loop = clip("horse_loop.ESA", static_cast<int>(horse.bones.size()));
    EXPECT_LT(restError(horse, evaluate(loop, 0.0f)), 1e-3f);
    // A moving pose does move the vertices (the check above is not vacuous).
    EXPECT_GT(restError(horse, evaluate(clip("horse_head.ESA", 20), 1933.0f)), 3.0f);

    const model::emd::File crows = mesh("crow.EMD");
    const model::esa::Clip crow2 = clip("crow2.ESA", static_cast<int>(crows.bones.size()));
    EXPECT_LT(restError(crows, evaluate(crow2, 0.0f)), 1e-3f);
}

TEST(WorldClips, KeyCountsTimesAndLengths) {
    const int horseBones = static_cast<int>(mesh("horse.EMD").bones.size());
    const int crowBones = static_cast<int>(mesh("crow.EMD").bones.size());
    EXPECT_EQ(crowBones, kCrowCount * kBonesPerCrow);
    const char* horseClips[] = {"horse_loop.ESA", "horse_tail.ESA",        "horse_leg.ESA",
                                "horse_head.ESA", "horse_tailhl_loop.ESA", "horse_tailhl_out.ESA"};
    std::vector<std::pair<std::string, int>> spaced;
    for (const char* n : horseClips) spaced.push_back({n, horseBones});
    for (int i = 1; i <= 6; ++i) spaced.push_back({"crow" + std::to_string(i) + ".ESA", crowBones});
    for (const auto& [name, bones] : spaced) {
        SCOPED_TRACE(name);
        const model::esa::Clip c = clip(name, bones);
        EXPECT_EQ(c.keySpacing, 100);
        ASSERT_TRUE(c.length == 9333 || c.length == 10000);
        const std::size_t keys = c.length == 9333 ? 95u : 101u;
        ASSERT_EQ(c.tracks.size(), static_cast<std::size_t>(bones));
        for (const auto& t : c.tracks) {
            ASSERT_EQ(t.positions.size(), keys);
            ASSERT_EQ(t.rotations.size(), keys);
            for (std::size_t k = 0; k + 1 < keys; ++k)
                EXPECT_EQ(t.positions[k].time, static_cast<int>(k) * 100);
            EXPECT_EQ(t.positions.back().time, c.length);
            for (std::size_t k = 0; k < keys; ++k)
                EXPECT_EQ(t.rotations[k].time, t.positions[k].time);
        }
    }
    const model::esa::Clip in = clip("horse_tailhl_in.ESA", horseBones);
    EXPECT_EQ(in.keySpacing, 66);
    EXPECT_EQ(in.length, 3166);
    for (const auto& t : in.tracks) {
        ASSERT_EQ(t.positions.size(), 50u);
        const int expected[] = {0, 65, 131, 197};
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(t.positions[static_cast<std::size_t>(k)].time, expected[k]);
        EXPECT_EQ(t.positions[48].time, 3160);
        EXPECT_EQ(t.positions[49].time, 3166);
    }
}

TEST(WorldClips, ClipsFlowIntoEachOtherWithoutBlending) {
    const int hb = 20, cb = kCrowCount * kBonesPerCrow;
    const auto rest = evaluate(clip("horse_loop.ESA", hb), 0.0f);
    auto start = [&](const char* n, int b) { return evaluate(clip(n, b), 0.0f); };
    auto end = [&](const char* n, int b) {
        const model::esa::Clip c = clip(n, b);
        return evaluate(c, static_cast<float>(c.length));
    };
    for (const char* n : {"horse_loop.ESA", "horse_tail.ESA", "horse_leg.ESA", "horse_head.ESA"}) {
        SCOPED_TRACE(n);
        EXPECT_LT(poseDifference(start(n, hb), rest), 1e-3f);
        EXPECT_LT(poseDifference(end(n, hb), rest), 2e-3f);
    }
    EXPECT_LT(poseDifference(start("horse_tailhl_in.ESA", hb), rest), 1e-3f);
    EXPECT_LT(poseDifference(end("horse_tailhl_in.ESA", hb), start("horse_tailhl_loop.ESA", hb)),
              2e-3f);
    EXPECT_LT(poseDifference(end("horse_tailhl_loop.ESA", hb), start("horse_tailhl_loop.ESA", hb)),
              2e-3f);
    EXPECT_LT(poseDifference(start("horse_tailhl_out.ESA", hb), start("horse_tailhl_loop.ESA", hb)),
              2e-3f);
    EXPECT_LT(poseDifference(end("horse_tailhl_out.ESA", hb), rest), 2e-3f);
    // The raised tail really differs from the rest pose.
    EXPECT_GT(poseDifference(start("horse_tailhl_loop.ESA", hb), rest), 0.3f);

    const auto crowRest = evaluate(clip("crow2.ESA", cb), 0.0f);
    for (const char* n : {"crow2.ESA", "crow3.ESA", "crow4.ESA", "crow5.ESA"}) {
        SCOPED_TRACE(n);
        EXPECT_LT(poseDifference(start(n, cb), crowRest), 1e-3f);
        EXPECT_LT(poseDifference(end(n, cb), crowRest), 0.02f);
    }
    EXPECT_LT(poseDifference(end("crow1.ESA", cb), crowRest), 0.02f);
    EXPECT_LT(poseDifference(start("crow6.ESA", cb), crowRest), 1e-3f);
    EXPECT_GT(poseDifference(start("crow1.ESA", cb), crowRest), 20.0f);  // perched, not flying
}

// World position of bone b's origin in a flock clip.
Vector3 crowBody(const model::esa::Clip& c, int crow, float t) {
    const model::Matrix4 m = model::EvaluateBone(
        c.tracks[static_cast<std::size_t>(crow * kBonesPerCrow)], c.keySpacing, t);
    return LocalToWorld(kSwordPlacement, Vector3{m.m[12], m.m[13], m.m[14]});
}

TEST(WorldClips, CrowsTakeOffAtTheirCueAndNeverHitGroundSwordOrOak) {
    const Ground ground(MakeTerrain());
    const int cb = kCrowCount * kBonesPerCrow;
    const model::esa::Clip crow1 = clip("crow1.ESA", cb);
    for (int c = 0; c < kCrowCount; ++c) {
        // Perched until the take-off cue, then rising.
        const Vector3 before = crowBody(crow1, c, 4500.0f);
        EXPECT_NEAR(before.y - ground.SurfaceAt(before.x, before.z), 4.2f, 0.5f);
        const Vector3 later = crowBody(crow1, c, 6500.0f);
        EXPECT_GT(later.y - ground.SurfaceAt(later.x, later.z), 20.0f);
    }
    for (int i = 1; i <= 6; ++i) {
        const model::esa::Clip c = clip("crow" + std::to_string(i) + ".ESA", cb);
        for (int crow = 0; crow < kCrowCount; ++crow) {
            for (float t = 0.0f; t <= static_cast<float>(c.length); t += 50.0f) {
                const Vector3 p = crowBody(c, crow, t);
                const float above = p.y - ground.SurfaceAt(p.x, p.z);
                EXPECT_GT(above, i == 1 ? 3.0f : 20.0f)
                    << "crow" << i << " bird " << crow << " t " << t;
                const float fromSword =
                    std::hypot(p.x - kSwordPlacement.position.x, p.z - kSwordPlacement.position.z);
                if (p.y < 150.0f) {
                    EXPECT_GT(fromSword, 25.0f) << "crow" << i << " t " << t;
                }
                EXPECT_GT(
                    std::hypot(p.x - kOakPlacement.position.x, p.z - kOakPlacement.position.z),
                    250.0f);
            }
        }
    }
    // Leaving: far away by the end of the closer.
    const model::esa::Clip crow6 = clip("crow6.ESA", cb);
    for (int crow = 0; crow < kCrowCount; ++crow) {
        const Vector3 p = crowBody(crow6, crow, 10000.0f);
        EXPECT_GT(
            std::hypot(p.x - kSwordPlacement.position.x, p.z - kSwordPlacement.position.z) + p.y,
            700.0f);
    }
}

TEST(WorldClips, HorseGesturesPeakAtTheirSoundCues) {
    const model::emd::File horse = mesh("horse.EMD");
    const model::esa::Clip leg = clip("horse_leg.ESA", 20);
    // Front right pastern bone (index 13): lifted at 250 ms, down at 500 ms.
    auto hoofY = [&](float t) {
        return model::EvaluateBone(leg.tracks[13], leg.keySpacing, t).m[13];
    };
    const float restY = hoofY(0.0f);
    EXPECT_GT(hoofY(250.0f) - restY, 5.0f);
    EXPECT_NEAR(hoofY(500.0f), restY, 0.05f);
    const model::esa::Clip head = clip("horse_head.ESA", 20);
    auto headY = [&](float t) {
        return model::EvaluateBone(head.tracks[2], head.keySpacing, t).m[13];
    };
    EXPECT_GT(headY(1933.0f), headY(0.0f) + 2.0f);
}

TEST(WorldMeshes, GenerationIsDeterministic) {
    EntryMap again;
    std::string error;
    ASSERT_TRUE(GenerateWorld(&again, &error)) << error;
    ASSERT_EQ(again.size(), entries().size());
    for (const auto& [name, bytes] : entries()) EXPECT_TRUE(again.at(name) == bytes) << name;
}

}  // namespace
}  // namespace eh::mediagen::world

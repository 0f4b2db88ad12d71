// The horse mesh against its coat atlas and its skeleton: the texture coordinates the
// mesh generator lays out must land on the parts the coat painter paints, every object
// must stay within 16-bit indices, and the leg joints must blend their bones so a bent
// knee or hock does not fold into a crease.
#include <gtest/gtest.h>

#include <cmath>

#include "mediagen/images/pictures.h"
#include "mediagen/world/models.h"

namespace eh::mediagen::world {
namespace {

const AnimatedModel& horse() {
    static const AnimatedModel h = MakeHorse();
    return h;
}

const Image8& coat() {
    static const Image8 c = MakeHorseCoat();
    return c;
}

struct Texel {
    float r, g, b;
};
Texel sample(float u, float v) {
    const Image8& img = coat();
    const int x = std::clamp(static_cast<int>(u * static_cast<float>(img.width)), 0, img.width - 1);
    const int y =
        std::clamp(static_cast<int>(v * static_cast<float>(img.height)), 0, img.height - 1);
    const std::uint8_t* p = img.at(x, y);
    return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
}

TEST(HorseMesh, ObjectsStayUnderTheSixteenBitIndexLimit) {
    for (const auto& o : horse().mesh.objects) EXPECT_LT(o.vertices.size(), 65536u) << o.name;
}

TEST(HorseMesh, CoatAtlasPaintsEachPartWhereTheMeshLooksForIt) {
    const auto& body = horse().mesh.objects.front();
    int soles = 0, cannons = 0, backs = 0;
    for (const auto& v : body.vertices) {
        ASSERT_EQ(v.channels.size(), 1u);
        const Texel t = sample(v.channels[0][0].u, v.channels[0][0].v);
        const float luma = 0.3f * t.r + 0.59f * t.g + 0.11f * t.b;
        const Vector3& p = v.position;
        if (p.y < -45.9f) {  // hoof soles: dark horn
            ++soles;
            EXPECT_LT(luma, 0.35f) << p.x << " " << p.z;
        } else if (p.y < -28.0f && p.y > -35.0f && std::fabs(p.x) > 3.0f) {
            // cannons: the black points of a bay (the tail hangs between the legs)
            ++cannons;
            EXPECT_LT(luma, 0.2f) << p.x << " " << p.y << " " << p.z;
        } else if (p.y > 16.0f && std::fabs(p.x) < 4.0f && p.z > -30.0f && p.z < 5.0f) {
            ++backs;  // the top line: lit red-brown coat
            EXPECT_GT(t.r, t.g + 0.1f);
            EXPECT_GT(t.g, t.b);
            EXPECT_GT(t.r, 0.45f);
        }
    }
    EXPECT_GE(soles, 4);
    EXPECT_GE(cannons, 40);
    EXPECT_GE(backs, 10);
}

TEST(HorseMesh, LegJointsBlendTheBonesAboveAndBelow) {
    const std::vector<Matrix4> rest = horse().rest(0.0f);
    const auto& body = horse().mesh.objects.front();
    const auto& names = horse().skeleton.names;
    for (std::size_t b = 0; b < names.size(); ++b) {
        const bool joint = names[b].find("_lower") != std::string::npos ||
                           names[b].find("_pastern") != std::string::npos;
        if (!joint) continue;
        SCOPED_TRACE(names[b]);
        const Vector3 pivot = TranslationOf(rest[b]);
        int near = 0;
        for (const auto& v : body.vertices) {
            const Vector3& p = v.position;
            if (std::fabs(p.y - pivot.y) > 0.6f || std::hypot(p.x - pivot.x, p.z - pivot.z) > 5.0f)
                continue;
            ++near;
            EXPECT_GE(v.influences.size(), 2u) << p.x << " " << p.y << " " << p.z;
            float sum = 0.0f;
            for (const auto& i : v.influences) sum += i.weight;
            EXPECT_NEAR(sum, 1.0f, 1e-4f);
        }
        EXPECT_GE(near, 8);
    }
}

}  // namespace
}  // namespace eh::mediagen::world

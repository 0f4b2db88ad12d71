// The horse: a standing horse about 92 units tall at the ear tips, facing +z, hooves on
// y = -46 (the bottom of its model box). Legs are skeleton roots of their own, so the
// body's breathing never slides a hoof; everything else hangs off the body bone.
//
// Bone rest matrices are pure translations to each joint (the pivot), so a pose is the
// chain R_b * T(pivot_b - pivot_parent) * M_parent with R_b the joint's rotation.
#include <array>
#include <cmath>

#include "mediagen/world/models.h"
#include "mediagen/world/world_layout.h"

namespace eh::mediagen::world {
namespace {

enum HorseBone {
    kBody,
    kNeck,
    kHead,
    kEarLeft,
    kEarRight,
    kTail1,
    kTail2,
    kTail3,
    kLegBase,  // 4 legs x 3 bones: upper, lower, pastern
    kBoneCount = kLegBase + 12,
};

enum Leg { kFrontLeft, kFrontRight, kHindLeft, kHindRight };

int legBone(int leg, int part) {
    return kLegBase + leg * 3 + part;
}

struct Joints {
    std::array<Vector3, kBoneCount> pivot;
    std::array<int, kBoneCount> parent;
};

const Joints& joints() {
    static const Joints j = [] {
        Joints r{};
        auto set = [&](int b, Vector3 p, int parent) {
            r.pivot[static_cast<std::size_t>(b)] = p;
            r.parent[static_cast<std::size_t>(b)] = parent;
        };
        set(kBody, {0, 2, -2}, -1);
        set(kNeck, {0, 10, 22}, kBody);
        set(kHead, {0, 35, 39}, kNeck);
        set(kEarLeft, {3.0f, 39.5f, 39.5f}, kHead);
        set(kEarRight, {-3.0f, 39.5f, 39.5f}, kHead);
        set(kTail1, {0, 8, -35}, kBody);
        set(kTail2, {0, -3, -39}, kTail1);
        set(kTail3, {0, -15, -41}, kTail2);
        for (int leg = 0; leg < 4; ++leg) {
            const bool front = leg < 2;
            const float x = (leg % 2 == 0) ? 6.5f : -6.5f;
            if (front) {
                set(legBone(leg, 0), {x, -4, 20}, -1);
                set(legBone(leg, 1), {x, -23, 20.5f}, legBone(leg, 0));
                set(legBone(leg, 2), {x, -39, 21}, legBone(leg, 1));
            } else {
                set(legBone(leg, 0), {x, 0, -22}, -1);
                set(legBone(leg, 1), {x, -21, -27}, legBone(leg, 0));
                set(legBone(leg, 2), {x, -39, -26}, legBone(leg, 1));
            }
        }
        return r;
    }();
    return j;
}

// Joint rotations in degrees (pitch about x, yaw about y, roll about z).
struct Angles {
    float pitch = 0, yaw = 0, roll = 0;
};
using HorsePose = std::array<Angles, kBoneCount>;

std::vector<Matrix4> solve(const HorsePose& pose) {
    const Joints& j = joints();
    std::vector<Matrix4> m(kBoneCount);
    for (int b = 0; b < kBoneCount; ++b) {
        const std::size_t i = static_cast<std::size_t>(b);
        const Angles& a = pose[i];
        const Matrix4 r = RotationYawPitchRoll(model::Radians(a.yaw), model::Radians(a.pitch),
                                               model::Radians(a.roll));
        const int p = j.parent[i];
        if (p < 0) {
            m[i] = Multiply(r, Translation(j.pivot[i]));
        } else {
            const Vector3 d = model::Subtract(j.pivot[i], j.pivot[static_cast<std::size_t>(p)]);
            m[i] = Multiply(Multiply(r, Translation(d)), m[static_cast<std::size_t>(p)]);
        }
    }
    return m;
}

// Idle motion over a clip of length L: breathing, a little weight shift, ear twitches and
// a lazy tail. Every term is a whole number of sine periods over L, so the pose at 0 and
// at L is the rest pose.
void addIdle(HorsePose& p, float t, float length) {
    const float w = 2.0f * kPi * t / length;
    p[kBody].pitch += 0.35f * std::sin(3.0f * w);
    p[kBody].roll += 0.5f * std::sin(w);
    p[kNeck].yaw += 3.0f * std::sin(w);
    p[kNeck].pitch += 1.5f * std::sin(2.0f * w);
    p[kHead].pitch += 2.0f * std::sin(2.0f * w + 0.0f) * std::sin(w);
    p[kEarLeft].yaw += 8.0f * std::pow(std::sin(4.0f * w), 3.0f);
    p[kEarRight].yaw -= 6.0f * std::pow(std::sin(3.0f * w), 3.0f);
    p[kTail1].roll += 3.0f * std::sin(2.0f * w);
    p[kTail2].roll += 4.0f * std::sin(2.0f * w);
}

// A pulse from 0 to 1 and back between t0 and t1 (ms), smooth at both ends.
float pulse(float t, float t0, float t1) {
    if (t <= t0 || t >= t1) return 0.0f;
    return Bump((t - t0) / (t1 - t0));
}

HorsePose tailSwish(float t) {
    HorsePose p{};
    addIdle(p, t, 9333.0f);
    // Three swishes from the first frame (the swish sound starts at 0 ms), fading by 2.6 s.
    if (t < 2600.0f) {
        const float env = std::sin(kPi * t / 2600.0f);
        const float s = std::sin(2.0f * kPi * t / 866.67f);
        p[kTail1].roll += 22.0f * env * s;
        p[kTail1].pitch += 12.0f * env;
        p[kTail2].roll += 18.0f * env * std::sin(2.0f * kPi * t / 866.67f - 0.6f);
        p[kTail3].roll += 14.0f * env * std::sin(2.0f * kPi * t / 866.67f - 1.2f);
    }
    return p;
}

HorsePose legStamp(float t) {
    HorsePose p{};
    addIdle(p, t, 9333.0f);
    // Front right hoof: lifted at 250 ms, down on the turf at exactly 500 ms (the stamp
    // sound), a second paw landing at 1400 ms.
    const float lift = pulse(t, 0.0f, 500.0f) + 0.7f * pulse(t, 900.0f, 1400.0f);
    const int leg = kFrontRight;
    p[static_cast<std::size_t>(legBone(leg, 0))].pitch -= 35.0f * lift;
    p[static_cast<std::size_t>(legBone(leg, 1))].pitch += 80.0f * lift;
    p[static_cast<std::size_t>(legBone(leg, 2))].pitch += 25.0f * lift;
    p[kNeck].pitch += 4.0f * pulse(t, 0.0f, 1600.0f);
    p[kHead].pitch += 5.0f * pulse(t, 200.0f, 1500.0f);
    return p;
}

HorsePose headToss(float t) {
    HorsePose p{};
    addIdle(p, t, 9333.0f);
    // Head raised and tossed at 1933 ms (the snort), a nod and a shake, calm by 4 s.
    const float up = pulse(t, 1200.0f, 2666.0f);
    const float nod = pulse(t, 2300.0f, 3200.0f);
    p[kNeck].pitch += -22.0f * up + 10.0f * nod;
    p[kHead].pitch += -20.0f * up + 14.0f * nod;
    if (t > 2400.0f && t < 3900.0f) {
        const float s = std::sin(kPi * (t - 2400.0f) / 1500.0f);
        p[kHead].roll += 12.0f * s * std::sin(2.0f * kPi * (t - 2400.0f) / 375.0f);
        p[kNeck].yaw += 6.0f * s * std::sin(2.0f * kPi * (t - 2400.0f) / 750.0f);
    }
    p[kEarLeft].pitch += 25.0f * up;
    p[kEarRight].pitch += 25.0f * up;
    return p;
}

// The raised tail, held out and arched.
void addTailUp(HorsePose& p, float amount) {
    p[kTail1].pitch += 62.0f * amount;
    p[kTail2].pitch += -28.0f * amount;
    p[kTail3].pitch += -22.0f * amount;
}

void build(MeshBuilder& mesh) {
    const Joints& j = joints();
    constexpr int kCoat = 0, kHair = 0;
    const Vector3 zAxis{0, 0, 1};

    // Barrel: rings along z, widest behind the shoulder; rump rounded.
    struct BodyRing {
        float z, y, rx, ry;
    };
    const BodyRing body[] = {{-40, 4, 3, 3},      {-38, 4, 8, 9},         {-34, 4, 11.5f, 13},
                             {-26, 3, 13, 15.5f}, {-12, 2, 13.5f, 15.5f}, {4, 2, 13.5f, 16},
                             {16, 3, 12.5f, 15},  {24, 4, 10.5f, 13},     {29, 5, 7, 9},
                             {31, 5, 2.5f, 3}};
    std::vector<Ring> rings;
    for (std::size_t i = 0; i < std::size(body); ++i) {
        const BodyRing& b = body[i];
        rings.push_back(Ring{{0, b.y, b.z},
                             {1, 0, 0},
                             {0, 1, 0},
                             b.rx,
                             b.ry,
                             0.05f + 0.4f * static_cast<float>(i) / 9.0f,
                             Skin{{kBody, 1}}});
    }
    // Rings are ordered along +z; their frame (side x, up y) spans the cross-section.
    Loft(mesh, kCoat, rings, LoftOptions{14, 0.0f, 1.0f, true, true});

    // Neck: from inside the chest up and forward to the poll.
    rings.clear();
    const Vector3 neckBase{0, 8, 20}, poll{0, 36, 38};
    const int neckRings = 6;
    for (int i = 0; i <= neckRings; ++i) {
        const float s = static_cast<float>(i) / neckRings;
        Vector3 c = Lerp(neckBase, poll, s);
        c.z -= 3.0f * std::sin(kPi * s);  // a slight arch
        Vector3 side, ringUp;
        RingFrame(model::Subtract(poll, neckBase), zAxis, &side, &ringUp);
        const float rx = 7.5f - 3.0f * s, ry = 11.0f - 5.5f * s;
        Skin skin = s < 0.2f ? Blend(kBody, kNeck, s / 0.2f)
                             : (s > 0.8f ? Blend(kNeck, kHead, (s - 0.8f) / 0.2f * 0.5f)
                                         : Skin{{kNeck, 1}});
        rings.push_back(Ring{c, side, ringUp, rx, ry, 0.45f + 0.12f * s, skin});
    }
    Loft(mesh, kCoat, rings, LoftOptions{12, 0.0f, 1.0f, true, true});

    // Head: from the poll down and forward to the muzzle.
    rings.clear();
    const Vector3 muzzle{0, 15, 55};
    const float headR[][2] = {{4.5f, 5.0f}, {5.2f, 6.2f}, {4.6f, 5.6f}, {3.8f, 4.6f},
                              {3.6f, 4.2f}, {3.7f, 4.0f}, {1.5f, 1.8f}};
    const int headRings = static_cast<int>(std::size(headR));
    for (int i = 0; i < headRings; ++i) {
        const float s = static_cast<float>(i) / static_cast<float>(headRings - 1);
        const Vector3 c = Lerp(Vector3{0, 37, 38}, muzzle, s);
        Vector3 side, ringUp;
        RingFrame(model::Subtract(muzzle, Vector3{0, 37, 38}), zAxis, &side, &ringUp);
        rings.push_back(
            Ring{c, side, ringUp, headR[i][0], headR[i][1], 0.57f + 0.15f * s, Skin{{kHead, 1}}});
    }
    Loft(mesh, kCoat, rings, LoftOptions{12, 0.0f, 1.0f, true, true});
    // Dark muzzle tip and eyes.
    Ellipsoid(mesh, kCoat, Translation({0, 15.5f, 54}), {3.6f, 3.4f, 2.6f}, 4, 8, 0.6f, 0.8f, 0.9f,
              0.95f, Skin{{kHead, 1}});
    for (float side : {1.0f, -1.0f}) {
        Ellipsoid(mesh, kCoat, Translation({side * 4.3f, 31.5f, 42.5f}), {0.9f, 1.1f, 1.3f}, 3, 6,
                  0.6f, 0.8f, 0.9f, 0.95f, Skin{{kHead, 1}});
    }

    // Ears.
    for (int e = 0; e < 2; ++e) {
        const int bone = e == 0 ? kEarLeft : kEarRight;
        const Vector3 base = j.pivot[static_cast<std::size_t>(bone)];
        const float side = e == 0 ? 1.0f : -1.0f;
        const Vector3 tip{base.x + side * 0.8f, 46.0f, base.z - 0.5f};
        rings.clear();
        for (int i = 0; i <= 3; ++i) {
            const float s = static_cast<float>(i) / 3.0f;
            rings.push_back(Ring{Lerp(base, tip, s),
                                 {1, 0, 0},
                                 {0, 0, 1},
                                 1.5f * (1.0f - s) + 0.05f,
                                 1.0f * (1.0f - s) + 0.05f,
                                 0.6f,
                                 Skin{{bone, 1}}});
        }
        Loft(mesh, kCoat, rings, LoftOptions{6, 0.1f, 0.3f, true, true});
    }

    // Mane: a thin crest along the top of the neck, from the withers to the poll.
    rings.clear();
    for (int i = 0; i <= 6; ++i) {
        const float s = static_cast<float>(i) / 6.0f;
        Vector3 c = Lerp(Vector3{0, 17, 14}, Vector3{0, 40.5f, 35.5f}, s);
        c.z -= 3.0f * std::sin(kPi * s);
        Skin skin = s < 0.15f ? Blend(kBody, kNeck, s / 0.15f)
                              : (s > 0.85f ? Blend(kNeck, kHead, 0.5f) : Skin{{kNeck, 1}});
        rings.push_back(Ring{c,
                             {1, 0, 0},
                             Normalize({0, -0.6f, 0.8f}),
                             1.3f,
                             4.0f - 1.5f * s,
                             0.78f + 0.2f * s,
                             skin});
    }
    Loft(mesh, kHair, rings, LoftOptions{6, 0.05f, 0.45f, true, true});

    // Tail: hangs from the croup, fans out a little, ends in a tuft.
    rings.clear();
    const Vector3 tailPts[] = {{0, 8, -36},   {0, 3, -39},      {0, -3, -40},  {0, -10, -41},
                               {0, -16, -42}, {0, -23, -42.5f}, {0, -29, -42}, {0, -32, -41.5f}};
    const float tailR[] = {2.2f, 2.6f, 3.0f, 3.4f, 3.6f, 3.4f, 2.4f, 0.6f};
    for (std::size_t i = 0; i < std::size(tailPts); ++i) {
        const float y = tailPts[i].y;
        Skin skin;
        if (y > 0.0f)
            skin = Blend(kTail1, kTail2, (8.0f - y) / 8.0f * 0.5f);
        else if (y > -12.0f)
            skin = Blend(kTail2, kTail3, (-y) / 12.0f * 0.6f);
        else
            skin = Skin{{kTail3, 1}};
        if (i == 0) skin = Blend(kBody, kTail1, 0.7f);
        rings.push_back(Ring{tailPts[i],
                             {1, 0, 0},
                             {0, 0, 1},
                             tailR[i],
                             tailR[i] * 0.8f,
                             0.78f + 0.2f * static_cast<float>(i) / 7.0f,
                             skin});
    }
    Loft(mesh, kHair, rings, LoftOptions{8, 0.05f, 0.45f, true, true});

    // Legs: coat down to the fetlock, dark hoof below.
    for (int leg = 0; leg < 4; ++leg) {
        const bool front = leg < 2;
        const Vector3 top = j.pivot[static_cast<std::size_t>(legBone(leg, 0))];
        const Vector3 knee = j.pivot[static_cast<std::size_t>(legBone(leg, 1))];
        const Vector3 fet = j.pivot[static_cast<std::size_t>(legBone(leg, 2))];
        const int b0 = legBone(leg, 0), b1 = legBone(leg, 1), b2 = legBone(leg, 2);
        struct LegRing {
            Vector3 c;
            float rx, rz;
            Skin skin;
        };
        std::vector<LegRing> lr;
        if (front) {
            lr = {{{top.x, 6, top.z}, 4.5f, 6.5f, {{b0, 1}}},
                  {{top.x, -6, top.z + 0.5f}, 4.2f, 5.5f, {{b0, 1}}},
                  {{top.x, -16, top.z + 0.5f}, 3.2f, 3.8f, {{b0, 1}}},
                  {knee, 2.9f, 3.3f, Blend(b0, b1, 0.5f)},
                  {{knee.x, -30, 20.8f}, 2.0f, 2.3f, {{b1, 1}}},
                  {fet, 2.6f, 2.8f, Blend(b1, b2, 0.5f)},
                  {{fet.x, -42, 21.6f}, 2.6f, 2.8f, {{b2, 1}}}};
        } else {
            lr = {{{top.x, 9, top.z}, 5.5f, 9.0f, {{b0, 1}}},
                  {{top.x, -5, -23}, 5.0f, 7.0f, {{b0, 1}}},
                  {{top.x, -14, -25.5f}, 3.4f, 4.2f, {{b0, 1}}},
                  {knee, 2.8f, 3.6f, Blend(b0, b1, 0.5f)},
                  {{knee.x, -30, -26.5f}, 2.0f, 2.4f, {{b1, 1}}},
                  {fet, 2.6f, 2.8f, Blend(b1, b2, 0.5f)},
                  {{fet.x, -42, -25.4f}, 2.6f, 2.8f, {{b2, 1}}}};
        }
        rings.clear();
        for (std::size_t i = 0; i < lr.size(); ++i) {
            rings.push_back(Ring{lr[i].c,
                                 {1, 0, 0},
                                 {0, 0, 1},
                                 lr[i].rx,
                                 lr[i].rz,
                                 0.3f + 0.4f * static_cast<float>(i) / 6.0f,
                                 lr[i].skin});
        }
        // Rings run downward; their frame is (x, z).
        Loft(mesh, kCoat, rings, LoftOptions{10, 0.0f, 1.0f, true, false});
        // Hoof.
        rings.clear();
        const Vector3 h0 = lr.back().c;
        rings.push_back(Ring{h0, {1, 0, 0}, {0, 0, 1}, 2.7f, 2.9f, 0.82f, {{b2, 1}}});
        rings.push_back(
            Ring{{h0.x, -44.0f, h0.z + 0.3f}, {1, 0, 0}, {0, 0, 1}, 3.1f, 3.4f, 0.88f, {{b2, 1}}});
        rings.push_back(
            Ring{{h0.x, -46.0f, h0.z + 0.4f}, {1, 0, 0}, {0, 0, 1}, 3.3f, 3.6f, 0.95f, {{b2, 1}}});
        Loft(mesh, kCoat, rings, LoftOptions{10, 0.55f, 0.95f, false, true});
    }
}

}  // namespace

std::vector<int> TailRaiseKeyTimes() {
    std::vector<int> times;
    for (int i = 0; i <= 48; ++i) times.push_back(i * 3160 / 48);
    times.push_back(3166);
    return times;
}

AnimatedModel MakeHorse() {
    AnimatedModel horse;
    const Joints& j = joints();
    const char* names[kBoneCount] = {
        "body",     "neck",     "head",       "ear_l",      "ear_r",    "tail1",     "tail2",
        "tail3",    "fl_upper", "fl_lower",   "fl_pastern", "fr_upper", "fr_lower",  "fr_pastern",
        "hl_upper", "hl_lower", "hl_pastern", "hr_upper",   "hr_lower", "hr_pastern"};
    for (int b = 0; b < kBoneCount; ++b)
        horse.skeleton.Add(names[b], j.parent[static_cast<std::size_t>(b)]);
    horse.rest = [](float) { return solve(HorsePose{}); };

    MeshBuilder mesh("horse");
    build(mesh);
    horse.mesh.materials.push_back(TextureMaterial("horse.jpg"));
    horse.mesh.bones = BoneTable(horse.skeleton);
    horse.mesh.objects.push_back(mesh.Build(solve(HorsePose{})));
    horse.mesh.objects.push_back(BoxObject(kHorsePlacement.halfBox));

    auto clip = [&](const char* name, int length, auto poseAt) {
        PoseFunction f = [poseAt](float t) { return solve(poseAt(t)); };
        horse.clips.push_back({name, SampleClip(f, kBoneCount, length, 100)});
    };
    clip("horse_loop.ESA", 9333, [](float t) {
        HorsePose p{};
        addIdle(p, t, 9333.0f);
        return p;
    });
    clip("horse_tail.ESA", 9333, tailSwish);
    clip("horse_leg.ESA", 9333, legStamp);
    clip("horse_head.ESA", 9333, headToss);
    {
        PoseFunction f = [](float t) {
            HorsePose p{};
            addIdle(p, t, 3166.0f);
            addTailUp(p, Ease(t / 3166.0f));
            return solve(p);
        };
        horse.clips.push_back(
            {"horse_tailhl_in.ESA", SampleClipAt(f, kBoneCount, 3166, 66, TailRaiseKeyTimes())});
    }
    clip("horse_tailhl_loop.ESA", 10000, [](float t) {
        HorsePose p{};
        addIdle(p, t, 10000.0f);
        addTailUp(p, 1.0f);
        const float w = 2.0f * kPi * t / 10000.0f;
        p[kTail2].roll += 6.0f * std::sin(3.0f * w);
        p[kTail3].roll += 9.0f * std::sin(3.0f * w - 0.5f) * std::sin(w);
        return p;
    });
    clip("horse_tailhl_out.ESA", 9333, [](float t) {
        HorsePose p{};
        addIdle(p, t, 9333.0f);
        addTailUp(p, 1.0f - Ease(t / 2400.0f));
        return p;
    });
    return horse;
}

}  // namespace eh::mediagen::world

// The horse: a standing horse about 92 units tall at the ear tips, facing +z, hooves on
// y = -46 (the bottom of its model box). Legs are skeleton roots of their own, so the
// body's breathing never slides a hoof; everything else hangs off the body bone.
//
// Bone rest matrices are pure translations to each joint (the pivot), so a pose is the
// chain R_b * T(pivot_b - pivot_parent) * M_parent with R_b the joint's rotation.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

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
        set(kNeck, {0, 12, 24}, kBody);
        set(kHead, {0, 36, 37.5f}, kNeck);
        set(kEarLeft, {2.3f, 38.4f, 39.4f}, kHead);
        set(kEarRight, {-2.3f, 38.4f, 39.4f}, kHead);
        set(kTail1, {0, 13, -38.5f}, kBody);
        set(kTail2, {0, 4, -43.5f}, kTail1);
        set(kTail3, {0, -9, -45}, kTail2);
        for (int leg = 0; leg < 4; ++leg) {
            const bool front = leg < 2;
            const float x = (leg % 2 == 0) ? 1.0f : -1.0f;
            // Elbow / stifle, knee / hock, fetlock: where the leg sections bend.
            if (front) {
                set(legBone(leg, 0), {6.6f * x, 2, 21}, -1);
                set(legBone(leg, 1), {6.0f * x, -25.5f, 21.5f}, legBone(leg, 0));
                set(legBone(leg, 2), {5.7f * x, -37.5f, 21.0f}, legBone(leg, 1));
            } else {
                set(legBone(leg, 0), {7.8f * x, 5, -27}, -1);
                set(legBone(leg, 1), {6.0f * x, -22.5f, -33.6f}, legBone(leg, 0));
                set(legBone(leg, 2), {5.7f * x, -37.5f, -32.5f}, legBone(leg, 1));
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

using model::Add;
using model::Cross;
using model::Dot;
using model::Scale;
using model::Subtract;

// The coat atlas (512 x 512, painted by MakeHorseCoat in tools/mediagen/images): each
// part has its own rectangle in pixels, so the painter can shade by where a texel sits
// on the body. Keep these in step with the painter's layout.
struct Area {
    float x0, y0, x1, y1;
};
constexpr Area kBodyArea{4, 4, 252, 252};       // across: belly .. spine, down: chest .. rump
constexpr Area kNeckArea{260, 4, 380, 252};     // across: throat .. crest, down: withers .. poll
constexpr Area kHeadArea{388, 4, 508, 252};     // across: jaw .. face, down: poll .. muzzle
constexpr Area kForeLegArea{4, 260, 124, 444};  // across: back .. front, down: y = 10 .. -46
constexpr Area kHindLegArea{132, 260, 252, 444};
constexpr Area kHairArea{260, 260, 508, 444};  // mane and tail locks, along the hair
constexpr Area kEyeArea{4, 452, 60, 508};
constexpr Area kNostrilArea{68, 452, 124, 508};
constexpr Area kEarArea{132, 452, 252, 508};  // across: back .. inside of the ear
constexpr float kLegTop = 10.0f;              // leg rows: y = kLegTop - 56 * row

GridPoint atlasPoint(const Vector3& p, const Area& a, float s, float t, Skin skin) {
    s = Clamp(s, 0.0f, 1.0f);
    t = Clamp(t, 0.0f, 1.0f);
    return GridPoint{p, (a.x0 + s * (a.x1 - a.x0)) / 512.0f, (a.y0 + t * (a.y1 - a.y0)) / 512.0f,
                     std::move(skin)};
}

// Around a ring, angle a = -pi/2 is the underside and pi/2 the top; both halves map to
// the same texture column (0 under, 1 over), so left and right share the paint.
float aroundColumn(float a) {
    return std::acos(Clamp(-std::sin(a), -1.0f, 1.0f)) / kPi;
}

float ringAngle(int c, int cols) {
    return -0.5f * kPi + 2.0f * kPi * static_cast<float>(c) / static_cast<float>(cols);
}

// Skin from weighted bones: drops tiny weights, keeps the strongest four, sums to 1.
Skin makeSkin(std::vector<Influence> w) {
    std::sort(w.begin(), w.end(),
              [](const Influence& a, const Influence& b) { return a.weight > b.weight; });
    Skin s;
    float total = 0.0f;
    for (const Influence& i : w) {
        if (i.weight < 1e-3f || s.size() == 4) continue;
        s.push_back(i);
        total += i.weight;
    }
    for (Influence& i : s) i.weight /= total;
    return s;
}

// Catmull-Rom through rows of numbers, at a fractional row index.
template <std::size_t N>
std::array<float, N> spline(const std::vector<std::array<float, N>>& keys, float x) {
    const int last = static_cast<int>(keys.size()) - 1;
    x = Clamp(x, 0.0f, static_cast<float>(last));
    const int i = std::min(static_cast<int>(x), last - 1);
    const float t = x - static_cast<float>(i);
    auto key = [&](int k) -> const std::array<float, N>& {
        return keys[static_cast<std::size_t>(std::clamp(k, 0, last))];
    };
    std::array<float, N> r{};
    for (std::size_t n = 0; n < N; ++n) {
        const float p0 = key(i - 1)[n], p1 = key(i)[n], p2 = key(i + 1)[n], p3 = key(i + 2)[n];
        r[n] =
            0.5f * (2.0f * p1 + (-p0 + p2) * t + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * t * t +
                    (-p0 + 3.0f * p1 - 3.0f * p2 + p3) * t * t * t);
    }
    return r;
}

Vector3 bezier(const Vector3& a, const Vector3& b, const Vector3& c, float t) {
    return Lerp(Lerp(a, b, t), Lerp(b, c, t), t);
}
Vector3 bezier(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d, float t) {
    return Lerp(bezier(a, b, c, t), bezier(b, c, d, t), t);
}

// A muscle or bone showing under the skin: pushes the surface out (or in) along its
// local outward direction; mirrored to both sides.
struct Swell {
    Vector3 centre, size;
    float amount;
};
float swelling(const std::vector<Swell>& swells, const Vector3& p) {
    float d = 0.0f;
    for (const Swell& s : swells) {
        const float cx = p.x < 0.0f ? -s.centre.x : s.centre.x;
        const float dx = (p.x - cx) / s.size.x, dy = (p.y - s.centre.y) / s.size.y,
                    dz = (p.z - s.centre.z) / s.size.z;
        d += s.amount * std::exp(-(dx * dx + dy * dy + dz * dz));
    }
    return d;
}

// The trunk: chest, withers, barrel, loin and hindquarters, as cross-sections along z.
// Each key: z, top, underside, half width, and how much narrower (-) or wider (+) the
// upper half is than the lower (narrow at the withers, broad over the croup).
const std::vector<std::array<float, 5>>& trunkKeys() {
    static const std::vector<std::array<float, 5>> keys = {
        {-39.5f, 11.0f, -1.0f, 8.5f, 0.12f},   {-36.0f, 16.0f, -6.5f, 11.8f, 0.12f},
        {-30.0f, 18.6f, -8.8f, 13.2f, 0.12f},  {-24.0f, 19.4f, -9.4f, 13.6f, 0.08f},
        {-17.0f, 18.2f, -9.2f, 13.0f, 0.0f},   {-9.0f, 16.6f, -11.6f, 13.9f, -0.08f},
        {0.0f, 16.9f, -13.2f, 14.5f, -0.12f},  {9.0f, 18.8f, -13.8f, 13.8f, -0.25f},
        {16.0f, 20.3f, -12.8f, 12.2f, -0.42f}, {22.0f, 21.0f, -10.5f, 10.8f, -0.42f},
        {26.5f, 18.5f, -8.0f, 9.4f, -0.38f},   {30.0f, 12.0f, -5.0f, 8.2f, -0.25f}};
    return keys;
}
const std::vector<Swell>& trunkSwells() {
    static const std::vector<Swell> swells = {
        {{12.5f, 8.0f, 19.0f}, {5.0f, 7.0f, 5.0f}, 0.9f},     // shoulder blade
        {{11.5f, -2.0f, 24.5f}, {5.0f, 5.0f, 4.0f}, 0.8f},    // upper arm
        {{8.5f, 0.5f, 30.5f}, {4.0f, 4.0f, 3.0f}, 0.7f},      // point of shoulder
        {{12.5f, -7.0f, 16.5f}, {4.0f, 4.0f, 4.0f}, 0.7f},    // elbow and triceps
        {{13.0f, 15.0f, -18.0f}, {3.5f, 3.0f, 3.5f}, 0.8f},   // point of hip
        {{12.5f, 6.0f, -31.0f}, {5.5f, 7.0f, 5.5f}, 1.2f},    // quarters
        {{13.0f, 5.0f, -13.5f}, {3.0f, 4.0f, 3.0f}, -0.7f},   // flank hollow
        {{0.0f, -14.0f, -3.0f}, {12.0f, 3.0f, 11.0f}, 0.8f},  // belly
        {{0.0f, 21.0f, -25.0f}, {1.2f, 2.0f, 9.0f}, -0.4f},   // groove over the croup
    };
    return swells;
}
constexpr float kTrunkBackR = 3.0f, kTrunkFrontR = 3.2f;
// Under 1 the breast is a blunt dome rather than a round one: a round cap narrows to a
// point whose shading pinches into a dimple.
constexpr float kBreastFullness = 0.8f;

// A point of a trunk cross-section (key k, cap scale) at ring angle a.
Vector3 trunkPoint(const std::array<float, 5>& k, float z, float scale, float a) {
    const float top = k[1], bottom = k[2], half = k[3], taper = k[4];
    const float mid = 0.5f * (top + bottom), h = 0.5f * (top - bottom) * scale;
    const float ca = std::cos(a), sa = std::sin(a);
    const float x =
        half * scale * std::copysign(std::pow(std::fabs(ca), 0.85f), ca) * (1.0f + taper * sa);
    Vector3 p{x, mid + h * sa, z};
    const Vector3 out = Normalize(Vector3{x, h * sa, 0.0f});
    return Add(p, Scale(swelling(trunkSwells(), p) * scale, out));
}

// How far the trunk's side stands out from the middle at height y and length z, or a
// negative number where (y, z) is above, below or ahead of it. The neck's base follows it
// so the neck grows out of the chest and shoulders instead of sitting on them.
float trunkSide(float y, float z) {
    const auto& keys = trunkKeys();
    std::array<float, 5> k = keys.back();
    float scale = 1.0f;
    if (z > keys.back()[0]) {
        const float q = (z - keys.back()[0]) / kTrunkFrontR;
        if (q >= 1.0f) return -1.0f;
        scale = std::pow(1.0f - q * q, 0.5f * kBreastFullness);
    } else {
        std::size_t i = 0;
        while (i + 2 < keys.size() && keys[i + 1][0] < z) ++i;
        const float t = Clamp((z - keys[i][0]) / (keys[i + 1][0] - keys[i][0]), 0.0f, 1.0f);
        k = spline(keys, static_cast<float>(i) + t);
    }
    const float mid = 0.5f * (k[1] + k[2]), h = 0.5f * (k[1] - k[2]) * scale;
    const float sa = (y - mid) / h;
    if (sa <= -1.0f || sa >= 1.0f) return -1.0f;
    return trunkPoint(k, z, scale, std::atan2(sa, std::sqrt(1.0f - sa * sa))).x;
}

void buildTrunk(MeshBuilder& mesh, int material) {
    const auto& keys = trunkKeys();
    const int cols = 28, steps = 2;
    const int keyRows = (static_cast<int>(keys.size()) - 1) * steps + 1;
    const int capRows = 4;
    // Rows: rounded cap behind, the keyed length, rounded cap in front.
    struct RowShape {
        std::array<float, 5> k;
        float z, scale;
    };
    std::vector<RowShape> rowShapes;
    const float backR = kTrunkBackR, frontR = kTrunkFrontR;
    // The rump's cap hides behind the dock and the quarters: fewer rings do there.
    const int backCapRows = 3;
    for (int i = backCapRows; i >= 1; --i) {
        const float phi = 0.5f * kPi * static_cast<float>(i) / backCapRows;
        rowShapes.push_back({keys.front(), keys.front()[0] - backR * std::sin(phi), std::cos(phi)});
    }
    for (int r = 0; r < keyRows; ++r) {
        const auto k = spline(keys, static_cast<float>(r) / steps);
        rowShapes.push_back({k, k[0], 1.0f});
    }
    for (int i = 1; i <= capRows; ++i) {
        const float phi = 0.5f * kPi * static_cast<float>(i) / capRows;
        rowShapes.push_back({keys.back(), keys.back()[0] + frontR * std::sin(phi),
                             std::pow(std::max(std::cos(phi), 0.0f), kBreastFullness)});
    }
    const float zMin = rowShapes.front().z, zMax = rowShapes.back().z;
    std::vector<GridPoint> points;
    for (const RowShape& row : rowShapes) {
        for (int c = 0; c < cols; ++c) {
            const float a = ringAngle(c, cols);
            const Vector3 p = trunkPoint(row.k, row.z, row.scale, a);
            points.push_back(atlasPoint(p, kBodyArea, aroundColumn(a),
                                        (zMax - row.z) / (zMax - zMin), Skin{{kBody, 1.0f}}));
        }
    }
    GridSurface(mesh, material, points, static_cast<int>(rowShapes.size()), cols);
}

// The neck runs between two curves in the middle plane: the crest above and the throat
// below; its rings span them.
struct NeckRing {
    Vector3 crest, throat;
    float half, taper;
};
NeckRing neckRing(float s) {
    NeckRing r;
    r.crest =
        bezier(Vector3{0, 17.0f, 12.0f}, Vector3{0, 34.0f, 20.0f}, Vector3{0, 39.5f, 35.5f}, s);
    r.throat =
        bezier(Vector3{0, -3.0f, 33.0f}, Vector3{0, 12.0f, 36.0f}, Vector3{0, 30.0f, 36.5f}, s);
    r.half = 9.0f - 7.0f * s + 2.6f * s * s;
    r.taper = -0.3f;
    return r;
}
Vector3 neckPoint(const NeckRing& r, float a, Vector3* out) {
    const Vector3 centre = Lerp(r.crest, r.throat, 0.5f);
    const Vector3 up = Scale(0.5f, Subtract(r.crest, r.throat));
    const float ca = std::cos(a), sa = std::sin(a);
    const float x =
        r.half * std::copysign(std::pow(std::fabs(ca), 0.9f), ca) * (1.0f + r.taper * sa);
    if (out) *out = Normalize(Add(Vector3{x, 0, 0}, Scale(sa, up)));
    return Add(centre, Add(Vector3{x, 0, 0}, Scale(sa, up)));
}
Skin neckSkin(float s) {
    const float wn = SmoothStep(0.05f, 0.45f, s), wh = SmoothStep(0.72f, 1.0f, s);
    return makeSkin({{kBody, 1.0f - wn}, {kNeck, wn * (1.0f - wh)}, {kHead, wn * wh}});
}

void buildNeck(MeshBuilder& mesh, int material) {
    const int rows = 18, cols = 24;
    std::vector<GridPoint> points;
    const std::vector<Swell> swells = {
        {{6.0f, 8.0f, 27.0f}, {2.0f, 9.0f, 3.0f}, -0.35f},  // the jugular groove
        {{5.0f, 26.0f, 26.0f}, {3.0f, 6.0f, 6.0f}, 0.4f},   // muscle under the crest
    };
    for (int r = 0; r < rows; ++r) {
        const float s = static_cast<float>(r) / (rows - 1);
        const NeckRing ring = neckRing(s);
        for (int c = 0; c < cols; ++c) {
            const float a = ringAngle(c, cols);
            Vector3 out;
            Vector3 p = neckPoint(ring, a, &out);
            p = Add(p, Scale(swelling(swells, p), out));
            // Low on the neck, the sides beside the trunk are laid just under its skin, so
            // the neck leaves the chest and shoulders at a slant instead of a crease.
            const float blend = 1.0f - SmoothStep(0.0f, 0.42f, s);
            const float sideAt = trunkSide(p.y, p.z);
            if (blend > 0.0f && sideAt > 0.0f && std::fabs(std::cos(a)) > 1e-3f) {
                const float ax = std::fabs(p.x), target = sideAt - 0.3f;
                p.x = std::copysign(ax + (target - ax) * blend, std::cos(a));
            }
            points.push_back(atlasPoint(p, kNeckArea, aroundColumn(a), s, neckSkin(s)));
        }
    }
    // Close the base inside the chest, so no open end can show where it meets the trunk.
    const NeckRing base = neckRing(0.0f);
    const Vector3 inside = Add(Lerp(base.crest, base.throat, 0.5f), Vector3{0, -2.0f, -3.0f});
    for (int c = 0; c < cols; ++c) {
        GridPoint g = points[static_cast<std::size_t>(c)];
        g.position = inside;
        points.insert(points.begin() + c, g);
    }
    GridSurface(mesh, material, points, rows + 1, cols);
}

// The head: from the poll down and forward to the muzzle. Rings are spanned by the side
// (x) and the face direction; keys give, along the head, the reach toward the face and
// toward the jaw, and the half widths of the upper and lower half.
const Vector3 kPoll{0, 37.5f, 37.5f}, kMuzzle{0, 14.5f, 53.0f};
Vector3 headAlong() {
    return Subtract(kMuzzle, kPoll);
}
Vector3 headFace() {
    const Vector3 d = Normalize(headAlong());
    return Vector3{0, d.z, -d.y};  // forward and up, square to the head
}
const std::vector<std::array<float, 5>>& headKeys() {
    static const std::vector<std::array<float, 5>> keys = {
        // s, to face, to jaw, upper half width, lower half width
        {0.0f, 2.6f, 4.5f, 3.6f, 3.4f},  {0.08f, 3.8f, 6.4f, 4.3f, 4.2f},
        {0.22f, 4.5f, 8.2f, 4.8f, 4.7f}, {0.36f, 4.4f, 7.0f, 4.3f, 4.0f},
        {0.5f, 4.1f, 5.0f, 3.6f, 3.2f},  {0.65f, 3.8f, 4.0f, 3.0f, 2.7f},
        {0.8f, 3.7f, 3.7f, 2.9f, 2.65f}, {0.9f, 4.0f, 4.0f, 3.3f, 3.0f},
        {0.97f, 3.6f, 3.7f, 3.0f, 2.8f}};
    return keys;
}
struct HeadRing {
    Vector3 centre;
    float face, jaw, upper, lower;
};
HeadRing headRing(float s, float scale) {
    const auto& keys = headKeys();
    // Find the keyed interval and interpolate smoothly.
    std::size_t i = 0;
    while (i + 2 < keys.size() && keys[i + 1][0] < s) ++i;
    const float t = (s - keys[i][0]) / (keys[i + 1][0] - keys[i][0]);
    const auto k = spline(keys, static_cast<float>(i) + Clamp(t, 0.0f, 1.5f));
    return HeadRing{Add(kPoll, Scale(s, headAlong())), k[1] * scale, k[2] * scale, k[3] * scale,
                    k[4] * scale};
}
Vector3 headPoint(const HeadRing& r, float a, Vector3* out) {
    const Vector3 f = headFace();
    const float ca = std::cos(a), sa = std::sin(a);
    const float reach = sa > 0.0f ? r.face : r.jaw;
    const float half = r.lower + (r.upper - r.lower) * 0.5f * (sa + 1.0f);
    const float x = half * std::copysign(std::pow(std::fabs(ca), 0.8f), ca);
    if (out) *out = Normalize(Add(Vector3{x, 0, 0}, Scale(sa * reach, f)));
    return Add(r.centre, Add(Vector3{x, 0, 0}, Scale(sa * reach, f)));
}
// The frame of the head: x to the side, y toward the face, z along to the muzzle.
Matrix4 headFrame(const Vector3& at) {
    const Vector3 f = headFace(), d = Normalize(headAlong());
    Matrix4 m = Matrix4::Identity();
    m.m[0] = 1, m.m[1] = 0, m.m[2] = 0;
    m.m[4] = f.x, m.m[5] = f.y, m.m[6] = f.z;
    m.m[8] = d.x, m.m[9] = d.y, m.m[10] = d.z;
    m.m[12] = at.x, m.m[13] = at.y, m.m[14] = at.z;
    return m;
}

void buildHead(MeshBuilder& mesh, int material) {
    const Vector3 f = headFace();
    auto onHead = [&](float s, float toFace, float side) {
        return Add(Add(kPoll, Scale(s, headAlong())), Add(Scale(toFace, f), Vector3{side, 0, 0}));
    };
    const std::vector<Swell> swells = {
        {onHead(0.25f, 3.2f, 4.6f), {1.8f, 1.4f, 1.6f}, 0.55f},   // brow over the eye
        {onHead(0.42f, -0.5f, 4.2f), {1.2f, 1.4f, 3.5f}, 0.45f},  // cheekbone ridge
        {onHead(0.2f, -4.5f, 4.6f), {1.6f, 3.5f, 3.0f}, 0.9f},    // round of the jowl
        {onHead(0.88f, 1.6f, 3.2f), {1.2f, 1.6f, 1.5f}, 0.55f},   // nostril flare
        {onHead(0.95f, -3.4f, 0.0f), {2.2f, 1.0f, 1.2f}, 0.5f},   // lower lip and chin
        {onHead(0.7f, 3.6f, 0.0f), {1.0f, 0.8f, 4.0f}, 0.25f},    // nasal bone
    };
    const int cols = 28;
    std::vector<float> along;
    for (int r = 0; r <= 18; ++r) along.push_back(0.97f * static_cast<float>(r) / 18.0f);
    std::vector<float> scales(along.size(), 1.0f);
    for (int i = 1; i <= 4; ++i) {  // the round end of the muzzle
        const float phi = 0.5f * kPi * static_cast<float>(i) / 4.0f;
        along.push_back(0.97f + 0.13f * std::sin(phi));
        scales.push_back(std::cos(phi));
    }
    std::vector<GridPoint> points;
    const float sEnd = along.back();
    for (std::size_t r = 0; r < along.size(); ++r) {
        const float s = along[r];
        HeadRing ring = headRing(std::min(s, 0.97f), scales[r]);
        ring.centre = Add(kPoll, Scale(s, headAlong()));
        for (int c = 0; c < cols; ++c) {
            const float a = ringAngle(c, cols);
            Vector3 out;
            Vector3 p = headPoint(ring, a, &out);
            p = Add(p, Scale(swelling(swells, p) * scales[r], out));
            points.push_back(
                atlasPoint(p, kHeadArea, aroundColumn(a), s / sEnd, Skin{{kHead, 1.0f}}));
        }
    }
    // Close the back of the skull inside the top of the neck.
    for (int c = 0; c < cols; ++c) {
        GridPoint g = points[static_cast<std::size_t>(c)];
        g.position = Add(kPoll, Scale(-0.04f, headAlong()));
        points.insert(points.begin() + c, g);
    }
    GridSurface(mesh, material, points, static_cast<int>(along.size()) + 1, cols);

    auto spot = [&](const Area& area) {
        return std::array<float, 4>{(area.x0 + 6) / 512.0f, (area.y0 + 6) / 512.0f,
                                    (area.x1 - 6) / 512.0f, (area.y1 - 6) / 512.0f};
    };
    for (float side : {1.0f, -1.0f}) {
        // Eye: a dark glossy ball set into the socket under the brow.
        const HeadRing eyeRing = headRing(0.26f, 1.0f);
        const auto e = spot(kEyeArea);
        Ellipsoid(mesh, material, headFrame(onHead(0.26f, 1.9f, side * (eyeRing.upper * 0.84f))),
                  {0.95f, 1.05f, 1.35f}, 5, 8, e[0], e[1], e[2], e[3], Skin{{kHead, 1.0f}});
        // Nostril: a dark slot in the flare.
        const HeadRing noseRing = headRing(0.89f, 1.0f);
        const auto n = spot(kNostrilArea);
        Ellipsoid(mesh, material, headFrame(onHead(0.89f, 1.3f, side * (noseRing.upper * 0.92f))),
                  {0.55f, 1.25f, 0.85f}, 4, 8, n[0], n[1], n[2], n[3], Skin{{kHead, 1.0f}});
    }
}

// Ears: leaves cupped to the front, standing from the poll.
void buildEars(MeshBuilder& mesh, int material, const Joints& j) {
    for (int e = 0; e < 2; ++e) {
        const int bone = e == 0 ? kEarLeft : kEarRight;
        const float side = e == 0 ? 1.0f : -1.0f;
        const Vector3 base = j.pivot[static_cast<std::size_t>(bone)];
        const Vector3 dir = Normalize({side * 0.2f, 0.96f, 0.12f});
        Vector3 across, front;
        RingFrame(dir, {0, 0, 1}, &across, &front);
        const int rows = 8, cols = 10;
        const float length = 6.6f;
        std::vector<GridPoint> points;
        for (int r = 0; r < rows; ++r) {
            const float t = static_cast<float>(r) / (rows - 1);
            const float w = r == rows - 1 ? 0.0f
                                          : 1.55f * std::pow(1.0f - t, 0.7f) *
                                                (0.8f + 0.45f * std::sin(kPi * t));
            const Vector3 c = Add(base, Scale(length * t, dir));
            for (int k = 0; k < cols; ++k) {
                const float a = ringAngle(k, cols);
                const float ca = std::cos(a), sa = std::sin(a);
                // Flat and hollow-looking in front, round behind.
                const float depth = w * (sa > 0.0f ? 0.25f : 0.75f);
                const Vector3 p = Add(c, Add(Scale(w * ca, across), Scale(depth * sa, front)));
                points.push_back(
                    atlasPoint(p, kEarArea, 1.0f - aroundColumn(a), t, Skin{{bone, 1.0f}}));
            }
        }
        GridSurface(mesh, material, points, rows, cols);
    }
}

// A lock of hair: a flattened tube along `path`, `width` across (along `wide`) and
// `thickness` the other way, both scaled by `profile` along the lock; the ends close.
void hairLock(MeshBuilder& mesh, int material, const std::vector<Vector3>& path,
              const std::vector<Vector3>& wide, float width, float thickness,
              const std::function<float(float)>& profile,
              const std::function<Skin(const Vector3&)>& skin, float column) {
    const int rows = static_cast<int>(path.size()), cols = 6;
    std::vector<GridPoint> points;
    for (int r = 0; r < rows; ++r) {
        const float t = static_cast<float>(r) / static_cast<float>(rows - 1);
        const Vector3 along = Subtract(path[static_cast<std::size_t>(std::min(r + 1, rows - 1))],
                                       path[static_cast<std::size_t>(std::max(r - 1, 0))]);
        Vector3 w = wide[static_cast<std::size_t>(r)];
        w = Normalize(
            Subtract(w, Scale(Dot(w, along) / std::max(Dot(along, along), 1e-6f), along)));
        const Vector3 thick = Normalize(Cross(along, w));
        const float k = (r == 0 || r == rows - 1) ? 0.0f : profile(t);
        for (int c = 0; c < cols; ++c) {
            const float a = ringAngle(c, cols);
            const Vector3 p = Add(
                path[static_cast<std::size_t>(r)],
                Add(Scale(k * width * std::cos(a), w), Scale(k * thickness * std::sin(a), thick)));
            points.push_back(
                atlasPoint(p, kHairArea, column + 0.18f * aroundColumn(a), t, skin(p)));
        }
    }
    GridSurface(mesh, material, points, rows, cols);
}

// Mane: a roll along the crest and locks falling to the +x side (the side the close
// camera shots see), overlapping like a carved mane; a forelock between the ears.
void buildMane(MeshBuilder& mesh, int material) {
    Random random(4711);
    auto skinAt = [](float s) { return neckSkin(s); };
    {
        std::vector<Vector3> path, wide;
        for (int r = 0; r <= 12; ++r) {
            const float s = 0.04f + 0.94f * static_cast<float>(r) / 12.0f;
            Vector3 out;
            const Vector3 p = neckPoint(neckRing(s), 0.5f * kPi, &out);
            path.push_back(Add(p, Scale(0.5f, out)));
            wide.push_back({1, 0, 0});
        }
        hairLock(
            mesh, material, path, wide, 1.3f, 1.4f, [](float) { return 1.0f; },
            [&](const Vector3& p) { return skinAt(Clamp((p.z - 11.0f) / 24.5f, 0.0f, 1.0f)); },
            0.05f);
    }
    const int locks = 16;
    for (int i = 0; i < locks; ++i) {
        const float s =
            0.07f + 0.9f * (static_cast<float>(i) + random.Range(-0.2f, 0.2f)) / (locks - 1);
        const NeckRing ring = neckRing(Clamp(s, 0.0f, 1.0f));
        const Vector3 tangent = Normalize(Subtract(neckRing(Clamp(s + 0.02f, 0.0f, 1.0f)).crest,
                                                   neckRing(Clamp(s - 0.02f, 0.0f, 1.0f)).crest));
        // Longer locks mid-neck, short ones at the withers and the poll.
        const float reach =
            (0.75f + 0.6f * std::sin(kPi * Clamp(s, 0.0f, 1.0f))) * random.Range(0.8f, 1.15f);
        const float wave = random.Range(-0.6f, 0.6f);
        std::vector<Vector3> path, wide;
        const int rows = 7;
        for (int r = 0; r < rows; ++r) {
            const float t = static_cast<float>(r) / (rows - 1);
            const float a = 0.5f * kPi + 0.1f - t * reach;  // to the +x side
            Vector3 out;
            const Vector3 p = neckPoint(ring, a, &out);
            const float lift = 1.1f - 0.6f * t + 0.35f * std::sin(kPi * t);
            Vector3 q = Add(p, Scale(lift, out));
            q = Add(q, Scale(wave * std::sin(kPi * t) - 0.6f * t, tangent));
            path.push_back(q);
            wide.push_back(tangent);
        }
        const float width = 0.55f * 24.5f * 1.25f / (locks - 1) * 1.4f;
        hairLock(
            mesh, material, path, wide, width, 0.75f,
            [](float t) { return std::pow(1.0f - t, 0.45f) * (0.7f + 0.3f * std::sin(kPi * t)); },
            [&](const Vector3&) { return skinAt(Clamp(s, 0.0f, 1.0f)); },
            0.2f + 0.6f * static_cast<float>(i % 4) / 4.0f);
    }
    // Forelock: down the face between the eyes.
    for (float side : {-0.7f, 0.6f}) {
        std::vector<Vector3> path, wide;
        for (int r = 0; r < 7; ++r) {
            const float t = static_cast<float>(r) / 6.0f;
            const float s = 0.0f + 0.26f * t;
            Vector3 out;
            const Vector3 p = headPoint(headRing(s, 1.0f), 0.5f * kPi, &out);
            path.push_back(
                Add(Add(p, Scale(0.5f - 0.2f * t, out)), Vector3{side * (0.3f + t), 0, 0}));
            wide.push_back({1, 0, 0});
        }
        hairLock(
            mesh, material, path, wide, 1.3f, 0.5f,
            [](float t) { return std::pow(1.0f - t, 0.5f); },
            [](const Vector3&) {
                return Skin{{kHead, 1.0f}};
            },
            0.5f);
    }
}

Skin tailSkin(const Vector3& p) {
    const float w1 = SmoothStep(2.0f, 10.0f, p.y), w3 = SmoothStep(-4.0f, -14.0f, p.y);
    const float w2 = std::max(0.0f, 1.0f - w1 - w3);
    // The root of the dock belongs to the body and hands over to the tail along a third
    // of the dock, so a raised tail bends its skin over a length instead of folding it
    // at the croup.
    const float wb = SmoothStep(8.5f, 14.5f, p.y);
    return makeSkin({{kBody, wb},
                     {kTail1, w1 * (1.0f - wb)},
                     {kTail2, w2 * (1.0f - wb)},
                     {kTail3, w3 * (1.0f - wb)}});
}

// Tail: the dock from the croup and locks falling from it to just below the hocks.
void buildTail(MeshBuilder& mesh, int material) {
    const Vector3 d0{0, 14.5f, -37.5f}, d1{0, 12.5f, -43.0f}, d2{0, 3.0f, -44.8f};
    {
        std::vector<Vector3> path, wide;
        for (int r = 0; r <= 8; ++r) {
            path.push_back(bezier(d0, d1, d2, static_cast<float>(r) / 8.0f));
            wide.push_back({1, 0, 0});
        }
        hairLock(
            mesh, material, path, wide, 2.3f, 2.0f, [](float t) { return 1.0f - 0.35f * t; },
            tailSkin, 0.05f);
    }
    Random random(1234);
    const int locks = 11;
    for (int i = 0; i < locks; ++i) {
        const float u = static_cast<float>(i) / (locks - 1);
        const float t0 = 0.3f + 0.6f * random.Uniform();
        const Vector3 start = bezier(d0, d1, d2, t0);
        const float spread = (u - 0.5f) * 7.0f;
        const float end = random.Range(-31.0f, -26.0f);
        const Vector3 c1{spread * 0.6f, start.y - 5.0f, start.z - 2.8f};
        const Vector3 c2{spread * 1.1f, (start.y + end) * 0.5f - 3.0f,
                         -46.8f + random.Range(-0.6f, 0.6f)};
        const Vector3 c3{spread * 0.5f + random.Range(-0.6f, 0.6f), end,
                         -45.0f + random.Range(-1.0f, 1.0f)};
        std::vector<Vector3> path, wide;
        for (int r = 0; r < 8; ++r) {
            path.push_back(bezier(start, c1, c2, c3, static_cast<float>(r) / 7.0f));
            wide.push_back({1, 0, 0});
        }
        hairLock(
            mesh, material, path, wide, 2.1f, 1.1f,
            [](float t) {
                return (0.55f + 0.45f * std::sin(kPi * std::min(t * 1.4f, 1.0f) * 0.5f + 0.3f)) *
                       std::pow(1.0f - t, 0.35f);
            },
            tailSkin, 0.1f + 0.7f * u);
    }
}

// Legs: cross-sections keyed down the leg (y, x, z, side and front-back half widths, and a
// bulge behind for the tendons, hock and fetlock), then the hoof.
void buildLeg(MeshBuilder& mesh, int material, int leg, const Joints& j) {
    const bool front = leg < 2;
    const float side = (leg % 2 == 0) ? 1.0f : -1.0f;
    // Muscled forearm and gaskin tapering into the joints; a flat, bony knee wider than
    // the bone above and below it; the hock's point standing out behind; cannons narrower
    // side to side than front to back; a round fetlock with the tendons bulging behind.
    const std::vector<std::array<float, 6>> foreKeys = {
        {4.0f, 6.2f, 21.0f, 4.0f, 6.0f, 0.0f},       {-4.0f, 6.5f, 20.6f, 4.8f, 6.4f, 0.8f},
        {-11.0f, 6.4f, 20.8f, 4.4f, 5.2f, 0.5f},     {-18.0f, 6.2f, 21.0f, 3.1f, 3.6f, 0.0f},
        {-22.5f, 6.1f, 21.3f, 2.55f, 3.0f, 0.0f},    {-25.5f, 6.0f, 21.6f, 3.3f, 3.2f, 0.4f},
        {-28.0f, 5.9f, 21.3f, 2.3f, 2.8f, 0.1f},     {-31.0f, 5.8f, 21.2f, 1.8f, 2.6f, 0.35f},
        {-35.0f, 5.75f, 21.1f, 1.8f, 2.6f, 0.45f},   {-37.5f, 5.7f, 21.0f, 2.55f, 3.1f, 1.0f},
        {-39.3f, 5.7f, 21.6f, 2.05f, 2.4f, 0.3f},    {-41.2f, 5.7f, 22.5f, 1.9f, 2.0f, 0.0f},
        {-42.6f, 5.7f, 23.2f, 2.3f, 2.4f, 0.0f}};
    const std::vector<std::array<float, 6>> hindKeys = {
        {10.0f, 7.8f, -28.0f, 6.0f, 10.0f, 0.0f}, {2.0f, 8.0f, -28.0f, 6.6f, 10.5f, 0.0f},
        {-5.0f, 7.6f, -28.6f, 5.8f, 8.8f, 0.0f},  {-10.5f, 7.0f, -30.2f, 4.5f, 6.4f, 0.3f},
        {-15.5f, 6.4f, -32.0f, 3.0f, 4.0f, 0.2f}, {-19.0f, 6.1f, -33.0f, 2.8f, 3.6f, 1.9f},
        {-22.5f, 6.0f, -33.6f, 3.0f, 3.6f, 0.9f}, {-25.5f, 5.9f, -33.0f, 2.2f, 3.0f, 0.3f},
        {-30.0f, 5.8f, -32.6f, 1.85f, 2.75f, 0.4f}, {-35.0f, 5.75f, -32.4f, 1.85f, 2.75f, 0.45f},
        {-37.5f, 5.7f, -32.5f, 2.55f, 3.1f, 1.0f}, {-39.3f, 5.7f, -31.9f, 2.1f, 2.4f, 0.3f},
        {-41.2f, 5.7f, -31.0f, 1.9f, 2.0f, 0.0f}, {-42.6f, 5.7f, -30.4f, 2.3f, 2.4f, 0.0f}};
    const auto& keys = front ? foreKeys : hindKeys;
    const Area& area = front ? kForeLegArea : kHindLegArea;
    const int b0 = legBone(leg, 0), b1 = legBone(leg, 1), b2 = legBone(leg, 2);
    const float joint1 = j.pivot[static_cast<std::size_t>(b1)].y;
    const float joint2 = j.pivot[static_cast<std::size_t>(b2)].y;
    auto skinAt = [&](float y) {
        const float wl = SmoothStep(joint1 + 2.5f, joint1 - 2.5f, y);
        const float wp = SmoothStep(joint2 + 1.2f, joint2 - 1.8f, y);
        const float wb =
            front ? 0.7f * SmoothStep(-5.0f, 4.0f, y) : 0.8f * SmoothStep(-4.0f, 10.0f, y);
        return makeSkin({{kBody, wb},
                         {b0, (1.0f - wb) * (1.0f - wl)},
                         {b1, (1.0f - wb) * wl * (1.0f - wp)},
                         {b2, (1.0f - wb) * wl * wp}});
    };
    const int cols = 10, steps = 2;
    const int rows = (static_cast<int>(keys.size()) - 1) * steps + 1;
    auto ringPoints = [&](float y, float x, float z, float rx, float rz, float back,
                          std::vector<GridPoint>& out) {
        for (int c = 0; c < cols; ++c) {
            const float a = ringAngle(c, cols);  // sin a = +1 is the front of the leg
            const float ca = std::cos(a), sa = std::sin(a);
            const float behind = sa < 0.0f ? back * sa * sa : 0.0f;
            // The front of the knee is flat and square, the bones under the skin.
            const float flat = front ? std::exp(-((y - joint1) * (y - joint1)) / 3.2f) : 0.0f;
            const float ahead = sa > 0.0f ? sa + (std::pow(sa, 0.4f) - sa) * flat : sa;
            const Vector3 p{side * x + rx * ca, y, z + rz * ahead - behind};
            out.push_back(
                atlasPoint(p, area, aroundColumn(a), (kLegTop - y) / (kLegTop + 46.0f), skinAt(y)));
        }
    };
    std::vector<GridPoint> points;
    for (int r = 0; r < rows; ++r) {
        const auto k = spline(keys, static_cast<float>(r) / steps);
        ringPoints(k[0], k[1], k[2], k[3], k[4], k[5], points);
    }
    // Close the top inside the body.
    for (int c = 0; c < cols; ++c) {
        GridPoint g = points[static_cast<std::size_t>(c)];
        g.position = Vector3{side * keys.front()[1], keys.front()[0] + 2.0f, keys.front()[2]};
        points.insert(points.begin() + c, g);
    }
    GridSurface(mesh, material, points, rows + 1, cols);
    // Hoof: from the coronet band flaring to the sole, toe forward, sole flat.
    const auto& c = keys.back();
    std::vector<GridPoint> hoof;
    const float hy[] = {c[0], -44.4f, -45.5f, -46.0f};
    const float grow[] = {0.0f, 0.45f, 0.7f, 0.78f};
    for (int r = 0; r < 4; ++r) {
        ringPoints(hy[r], c[1], c[2] + grow[r] * 0.9f, c[3] + grow[r] * 0.75f, c[4] + grow[r], 0.0f,
                   hoof);
    }
    for (int k = 0; k < cols; ++k) {
        GridPoint g = hoof[static_cast<std::size_t>(3 * cols + k)];
        g.position = Vector3{side * c[1], -46.0f, c[2] + 0.7f};
        hoof.push_back(g);
    }
    GridSurface(mesh, material, hoof, 5, cols);
}

void build(MeshBuilder& mesh) {
    const Joints& j = joints();
    constexpr int kCoat = 0;
    // Far parts first is no concern: the scene draws the horse with depth writes on.
    buildTrunk(mesh, kCoat);
    buildNeck(mesh, kCoat);
    buildHead(mesh, kCoat);
    buildEars(mesh, kCoat, j);
    buildMane(mesh, kCoat);
    buildTail(mesh, kCoat);
    for (int leg = 0; leg < 4; ++leg) buildLeg(mesh, kCoat, leg, j);
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

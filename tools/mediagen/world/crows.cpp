// The crow flock: five crows in one mesh, each with a body, two wings and two wing tips.
// Crows are authored facing +z with wings along x, then placed at their rest pose: level
// flight on a circle around the sword, wings spread. The clips move whole birds through
// their body bones; the flock shares the sword's frame (origin at the sword's box centre,
// y up, world scale).
#include <array>
#include <cmath>

#include "mediagen/world/models.h"
#include "mediagen/world/world_layout.h"

namespace eh::mediagen::world {
namespace {

using model::Scale;

constexpr float kRestLength = 9333.0f;  // length of the flight loops (ms)
constexpr float kBank = 14.0f;          // degrees, into the turn
// The meadow under the flock in the flock's frame (the sword plateau is level).
constexpr float kGroundLocal = kSwordGround - 60.8652f;
constexpr float kStandHeight = 4.2f;  // body centre above the ground when perched

struct CrowRest {
    float angle;  // radians on the circle, positions (r cos a, y, r sin a)
    float radius;
    float height;
};

constexpr std::array<CrowRest, kCrowCount> kRest = {{
    {0.30f, 100.0f, 52.0f},
    {1.55f, 112.0f, 62.0f},
    {2.70f, 96.0f, 46.0f},
    {3.95f, 108.0f, 68.0f},
    {5.10f, 118.0f, 56.0f},
}};

// Angular speed of the rest circle: one lap per loop clip (radians per ms).
constexpr float kOmega = 2.0f * kPi / kRestLength;

struct BirdState {
    Vector3 position;
    Vector3 velocity;        // units per ms, gives heading and pitch
    float flap = 0.0f;       // wing angle, degrees (up positive)
    float tipLag = 0.0f;     // extra tip angle, degrees
    float fold = 0.0f;       // 0 spread .. 1 folded along the body
    float pitchBias = 0.0f;  // degrees, nose down positive (pecking)
    float bankSign = 1.0f;
    float pitchLimit = 30.0f;
};

Vector3 circlePoint(const CrowRest& r, float angle, float radius, float height) {
    (void)r;
    return Vector3{radius * std::cos(angle), height, radius * std::sin(angle)};
}

// Bones of one bird from its state.
void birdBones(const BirdState& s, std::vector<Matrix4>& out, int crow) {
    const float hx = s.velocity.x, hz = s.velocity.z;
    const float horizontal = std::sqrt(hx * hx + hz * hz);
    const float yaw = std::atan2(hx, hz);
    float pitch = -std::atan2(s.velocity.y, std::max(horizontal, 1e-6f)) / model::kRadiansPerDegree;
    pitch = Clamp(pitch, -s.pitchLimit, s.pitchLimit) + s.pitchBias;
    const float bank = kBank * s.bankSign * (1.0f - s.fold);
    const Matrix4 body =
        Multiply(RotationYawPitchRoll(yaw, model::Radians(pitch), model::Radians(bank)),
                 Translation(s.position));
    const int b = crow * kBonesPerCrow;
    for (int side = 0; side < 2; ++side) {
        const float sign = side == 0 ? 1.0f : -1.0f;
        const Vector3 shoulder{sign * 2.5f, 0.8f, 0.0f};
        // The wrist joint sits on the raised wing line (see the wing's dihedral).
        const Vector3 elbow{sign * 9.0f, 0.95f, -0.5f};  // from the shoulder
        // Folding swings the wing back along the body; flapping rolls it about the body axis.
        const Matrix4 wing =
            Multiply(Multiply(RotationYawPitchRoll(model::Radians(sign * 80.0f * s.fold), 0.0f,
                                                   model::Radians(sign * s.flap)),
                              Translation(shoulder)),
                     body);
        const Matrix4 tip =
            Multiply(Multiply(RotationYawPitchRoll(model::Radians(sign * 35.0f * s.fold), 0.0f,
                                                   model::Radians(sign * s.tipLag)),
                              Translation(elbow)),
                     wing);
        out[static_cast<std::size_t>(b + 1 + side * 2)] = wing;
        out[static_cast<std::size_t>(b + 2 + side * 2)] = tip;
    }
    out[static_cast<std::size_t>(b)] = body;
}

// Level flight on the rest circle, the reference every loop starts and ends at.
BirdState restState(int crow) {
    const CrowRest& r = kRest[static_cast<std::size_t>(crow)];
    BirdState s;
    s.position = circlePoint(r, r.angle, r.radius, r.height);
    s.velocity = Vector3{-r.radius * kOmega * std::sin(r.angle), 0.0f,
                         r.radius * kOmega * std::cos(r.angle)};
    s.bankSign = 1.0f;
    return s;
}

// A flight loop: whole laps with radius and height excursions that vanish, with their
// slopes, at both ends; wing beats a whole number of periods.
struct LoopShape {
    int laps;
    float radiusSwing, radiusWaves;
    float heightSwing, heightWaves;
    int beats;
};

BirdState loopState(int crow, float t, float length, const LoopShape& shape) {
    const CrowRest& r = kRest[static_cast<std::size_t>(crow)];
    auto at = [&](float time) {
        const float u = time / length;
        // Whole laps come back to exactly the start angle.
        const double turns = static_cast<double>(shape.laps) * static_cast<double>(u);
        const float a =
            r.angle + static_cast<float>(2.0 * 3.141592653589793 * (turns - std::floor(turns)));
        const float phase = 1.0f + 0.15f * static_cast<float>(crow % 3);
        const float radius = r.radius + shape.radiusSwing * phase * Bump(shape.radiusWaves * u);
        const float height =
            r.height + shape.heightSwing * (2.0f - phase) * Bump(shape.heightWaves * u);
        return circlePoint(r, a, radius, height);
    };
    BirdState s;
    s.position = at(t);
    const float h = 2.0f;
    s.velocity = Scale(1.0f / (2.0f * h), model::Subtract(at(t + h), at(t - h)));
    const float beat = std::sin(2.0f * kPi * static_cast<float>(shape.beats) * t / length);
    const float glide = 0.65f + 0.35f * std::cos(2.0f * kPi * 2.0f * t / length);
    s.flap = 38.0f * glide * beat;
    s.tipLag = 20.0f * glide *
               std::sin(2.0f * kPi * static_cast<float>(shape.beats) * t / length - 0.0f) *
               std::fabs(beat);
    s.bankSign = 1.0f;
    return s;
}

// Take-off: perched on the meadow around the sword, pecking, then up at 4667 ms into the
// circle, reached level and at rest speed at the clip's end.
constexpr float kTakeOff = 4666.67f;
constexpr float kRamp = 1500.0f;  // ms for the circling speed to build up

float sweptAngle(float t, float length) {
    // Integral of kOmega * Ease((tau - kTakeOff) / kRamp) from kTakeOff to t.
    if (t <= kTakeOff) return 0.0f;
    const float s = (t - kTakeOff) / kRamp;
    if (s <= 1.0f) return kOmega * kRamp * (s * s * s - 0.5f * s * s * s * s);
    (void)length;
    return kOmega * kRamp * 0.5f + kOmega * (t - kTakeOff - kRamp);
}

Vector3 takeOffPoint(int crow, float t, float length) {
    const CrowRest& r = kRest[static_cast<std::size_t>(crow)];
    const float a = r.angle - (sweptAngle(length, length) - sweptAngle(t, length));
    const float groundRadius = 30.0f + 5.0f * static_cast<float>(crow % 3);
    const float groundY = kGroundLocal + kStandHeight;
    if (t <= kTakeOff) return circlePoint(r, a, groundRadius, groundY);
    const float u = (t - kTakeOff) / (length - kTakeOff);
    const float radius = groundRadius + (r.radius - groundRadius) * Ease(u);
    const float rise = 1.0f - (1.0f - u) * (1.0f - u) * (1.0f - u);
    return circlePoint(r, a, radius, groundY + (r.height - groundY) * rise);
}

BirdState takeOffState(int crow, float t, float length) {
    BirdState s;
    s.position = takeOffPoint(crow, t, length);
    // Heading is fixed on the ground (the direction the bird will leave in).
    const float tv = std::max(t, kTakeOff + 300.0f);
    const float h = 2.0f;
    s.velocity = Scale(1.0f / (2.0f * h), model::Subtract(takeOffPoint(crow, tv + h, length),
                                                          takeOffPoint(crow, tv - h, length)));
    if (t < kTakeOff + 300.0f) {
        Vector3 flat = s.velocity;
        const float climb = Ease((t - kTakeOff) / 300.0f);
        flat.y *= climb;
        s.velocity = flat;
    }
    s.fold = 1.0f - Ease((t - (kTakeOff - 300.0f)) / 300.0f);
    s.bankSign = 1.0f;
    s.pitchLimit = 35.0f;
    if (t > kTakeOff) {
        const float u = (t - kTakeOff) / (length - kTakeOff);
        const float beat = std::sin(2.0f * kPi * 9.0f * u);
        s.flap = (55.0f - 20.0f * u) * beat;
        s.tipLag = 25.0f * beat * std::fabs(beat);
        // Banking grows with the circling speed.
        s.bankSign = Ease((t - kTakeOff) / kRamp);
    } else {
        // Pecking at the turf: two quick dips per bird at its own times.
        const float offset = 400.0f * static_cast<float>(crow);
        s.pitchBias = 15.0f * (Bump(Clamp((t - 500.0f - offset) / 500.0f, 0.0f, 1.0f)) +
                               Bump(Clamp((t - 2300.0f - offset * 0.5f) / 400.0f, 0.0f, 1.0f)));
        // A small hop at 3.6 s.
        s.position.y += 2.5f * Bump(Clamp((t - 3500.0f) / 300.0f, 0.0f, 1.0f) * 0.5f) *
                        (t > 3500.0f && t < 3800.0f ? 1.0f : 0.0f);
        s.bankSign = 0.0f;
    }
    if (t <= kTakeOff) {
        // Folded wings lie down along the flanks, the hands crossed low over the tail.
        s.flap = -7.0f * s.fold;
        s.tipLag = -12.0f * s.fold;
    }
    return s;
}

// Departure: the circle continues until 5267 ms, then each bird straightens out, speeds
// up and climbs away to the north-west, far beyond the meadow by the clip's end.
constexpr float kLeave = 5266.67f;

struct Departure {
    std::vector<Vector3> points;  // every 10 ms
};

const Departure& departure(int crow) {
    static const std::array<Departure, kCrowCount> paths = [] {
        std::array<Departure, kCrowCount> d;
        for (int c = 0; c < kCrowCount; ++c) {
            const CrowRest& r = kRest[static_cast<std::size_t>(c)];
            Vector3 p{}, v{};
            for (int step = 0; step <= 1000; ++step) {
                const float t = static_cast<float>(step) * 10.0f;
                if (t <= kLeave) {
                    const float a = r.angle + kOmega * t;
                    p = circlePoint(r, a, r.radius, r.height);
                    v = Vector3{-r.radius * kOmega * std::sin(a), 0.0f,
                                r.radius * kOmega * std::cos(a)};
                } else {
                    const float u = (t - kLeave) / (10000.0f - kLeave);
                    // Turn toward the departure heading at a bounded rate.
                    const float wanted = 2.3f + 0.12f * static_cast<float>(c);
                    float heading = std::atan2(v.z, v.x);
                    float delta = std::remainder(wanted - heading, 2.0f * kPi);
                    heading += Clamp(delta, -0.0012f * 10.0f, 0.0012f * 10.0f);
                    const float speed = r.radius * kOmega * (1.0f + 2.2f * Ease(u * 1.5f));
                    const float climb = 0.07f * Ease(u * 2.0f);
                    v = Vector3{speed * std::cos(heading), climb, speed * std::sin(heading)};
                    p = model::Add(p, Scale(10.0f, v));
                }
                d[static_cast<std::size_t>(c)].points.push_back(p);
            }
        }
        return d;
    }();
    return paths[static_cast<std::size_t>(crow)];
}

Vector3 departurePoint(int crow, float t) {
    const Departure& d = departure(crow);
    const float f = Clamp(t, 0.0f, 10000.0f) / 10.0f;
    const int i = std::min(static_cast<int>(f), 999);
    return Lerp(d.points[static_cast<std::size_t>(i)], d.points[static_cast<std::size_t>(i + 1)],
                f - static_cast<float>(i));
}

BirdState departureState(int crow, float t) {
    BirdState s;
    s.position = departurePoint(crow, t);
    const float h = 5.0f;
    s.velocity = Scale(1.0f / (2.0f * h),
                       model::Subtract(departurePoint(crow, t + h), departurePoint(crow, t - h)));
    if (t - h < 0.0f) s.velocity = restState(crow).velocity;
    const float beat = std::sin(2.0f * kPi * 13.0f * t / 10000.0f);
    s.flap = (30.0f + 20.0f * Ease((t - kLeave) / 1500.0f)) * beat;
    s.tipLag = 18.0f * beat * std::fabs(beat);
    s.bankSign = 1.0f - Ease((t - kLeave) / 1200.0f);
    return s;
}

// Texture sheet regions (crow.tga, 256 px): see MakeCrowFeathers.
constexpr float kPx = 1.0f / 256.0f;
// Round parts wrap the body feathers (columns 0-127) with their seam kept away from the
// transparent tail region next door, so filtering never opens a see-through seam.
constexpr float kSeamU0 = 8.0f * kPx, kSeamU1 = 120.0f * kPx;

// Wings rise from the shoulder at this slope (a slight dihedral), so a bird seen from
// ahead shows a shallow V rather than one straight line.
constexpr float kDihedral = 0.105f;  // tan 6 degrees
constexpr float kShoulderX = 2.0f;

float wingLift(float x) {
    return 0.8f + std::max(0.0f, x - kShoulderX) * kDihedral;
}

// A two-sided curved sheet over a grid of points (rows x columns, row-major), one texture
// pair and skin per point; both faces carry the sheet's own normals.
void TwoSidedSheet(MeshBuilder& mesh, int material, int rows, int cols,
                   const std::vector<Vector3>& p, const std::vector<std::array<float, 2>>& uv,
                   const std::vector<Skin>& skin) {
    auto at = [cols](int r, int c) { return static_cast<std::size_t>(r * cols + c); };
    for (float side : {1.0f, -1.0f}) {
        const int first = mesh.VertexCount();
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < cols; ++c) {
                const int r0 = std::max(r - 1, 0), r1 = std::min(r + 1, rows - 1);
                const int c0 = std::max(c - 1, 0), c1 = std::min(c + 1, cols - 1);
                const Vector3 n = model::Cross(model::Subtract(p[at(r, c1)], p[at(r, c0)]),
                                               model::Subtract(p[at(r1, c)], p[at(r0, c)]));
                mesh.AddVertex(p[at(r, c)], Scale(side, n), uv[at(r, c)][0], uv[at(r, c)][1],
                               skin[at(r, c)]);
            }
        }
        for (int r = 0; r + 1 < rows; ++r)
            for (int c = 0; c + 1 < cols; ++c)
                mesh.AddQuad(material, first + static_cast<int>(at(r, c)),
                             first + static_cast<int>(at(r, c + 1)),
                             first + static_cast<int>(at(r + 1, c + 1)),
                             first + static_cast<int>(at(r + 1, c)));
    }
}

// One wing, authored for the left side (x > 0) and mirrored by `sign`: a shaped arm and
// hand along the leading edge, a cambered inner wing of secondaries, the hand panel and
// five separate primaries spread as fingers, each curled up a little more toward the tip.
void buildWing(MeshBuilder& mesh, int material, float sign, int body, int wing, int tip) {
    auto mirror = [sign](Vector3 v) { return Vector3{sign * v.x, v.y, v.z}; };
    auto skinAt = [&](float x) {
        if (x < 3.0f) return Blend(body, wing, 0.5f);
        if (x < 10.5f) return Skin{{wing, 1}};
        if (x < 12.5f) return Blend(wing, tip, 0.5f);
        return Skin{{tip, 1}};
    };
    // Leading-edge line (x, z) from the shoulder out to the hand.
    auto leadZ = [](float x) {
        if (x < 7.0f) return 3.0f + 0.5f * (x - kShoulderX) / (7.0f - kShoulderX);
        if (x < 11.5f) return 3.5f - 0.5f * (x - 7.0f) / 4.5f;
        return 3.0f - 0.6f * (x - 11.5f);
    };
    // Inner wing and hand as one cambered sheet per part: rows run from the leading edge
    // back, columns outward; the texture's trailing rows carry the rounded feather tips.
    struct Part {
        float x0, x1, trail0, trail1, u0, u1, v0, v1;
    };
    const Part parts[2] = {
        {kShoulderX, 11.5f, -5.8f, -6.6f, 0.5f * kPx, 127.5f * kPx, 68.0f * kPx, 191.5f * kPx},
        {11.5f, 17.5f, -6.6f, -7.4f, 128.5f * kPx, 255.5f * kPx, 96.0f * kPx, 191.5f * kPx}};
    for (const Part& part : parts) {
        constexpr int kRows = 4, kCols = 3;
        std::vector<Vector3> p;
        std::vector<std::array<float, 2>> uv;
        std::vector<Skin> skin;
        for (int r = 0; r < kRows; ++r) {
            const float f = static_cast<float>(r) / (kRows - 1);
            for (int c = 0; c < kCols; ++c) {
                const float g = static_cast<float>(c) / (kCols - 1);
                const float x = part.x0 + (part.x1 - part.x0) * g;
                const float lead = leadZ(x) - 0.3f;
                const float trail = part.trail0 + (part.trail1 - part.trail0) * g;
                // Camber: highest a third back from the leading edge, less toward the tip.
                const float camber =
                    (0.7f - 0.25f * (x - kShoulderX) / 15.5f) * std::sin(kPi * std::pow(f, 0.7f));
                p.push_back(mirror({x, wingLift(x) + camber, lead + (trail - lead) * f}));
                uv.push_back(
                    {part.u0 + (part.u1 - part.u0) * g, part.v0 + (part.v1 - part.v0) * f});
                skin.push_back(skinAt(x));
            }
        }
        TwoSidedSheet(mesh, material, kRows, kCols, p, uv, skin);
    }
    // Primaries P10 (outermost) .. P6: roots in the hand, tips spread like fingers.
    const Vector3 tips[5] = {{21.2f, 0, 0.4f},
                             {23.4f, 0, -1.1f},
                             {24.1f, 0, -2.9f},
                             {23.6f, 0, -4.7f},
                             {22.3f, 0, -6.3f}};
    for (int k = 0; k < 5; ++k) {
        const Vector3 root{14.6f + 0.35f * static_cast<float>(k), 0.0f,
                           1.2f - 1.15f * static_cast<float>(k)};
        const Vector3 end = tips[k];
        const float curl = 1.5f - 0.25f * static_cast<float>(k);
        Vector3 along = model::Subtract(end, root);
        along.y = 0.0f;
        const Vector3 across = Normalize(Vector3{-along.z, 0.0f, along.x});  // toward the front
        constexpr int kRows = 2, kCols = 3;
        std::vector<Vector3> p;
        std::vector<std::array<float, 2>> uv;
        std::vector<Skin> skin;
        const float slotU = static_cast<float>(k % 2) * 0.5f;
        const float slotV = (192.0f + static_cast<float>(k / 2) * (64.0f / 3.0f)) * kPx;
        for (int r = 0; r < kRows; ++r) {
            // Row 0 the leading vane edge, row 1 the trailing; the feather twists nose up
            // toward its tip.
            const float w = r == 0 ? 1.05f : -1.05f;
            for (int c = 0; c < kCols; ++c) {
                const float t = static_cast<float>(c) / (kCols - 1);
                Vector3 q = model::Add(root, Scale(t, along));
                q = model::Add(q, Scale(w, across));
                q.y = wingLift(q.x) + 0.25f + curl * t * t + (r == 0 ? 0.25f : -0.25f) * t;
                p.push_back(mirror(q));
                uv.push_back({slotU + (0.5f + 126.0f * t) * kPx,
                              slotV + (r == 0 ? 0.5f : 64.0f / 3.0f - 0.5f) * kPx});
                skin.push_back(Skin{{tip, 1}});
            }
        }
        TwoSidedSheet(mesh, material, kRows, kCols, p, uv, skin);
    }
    // The arm and hand as a volume: a thick rounded leading edge tapering to the tip.
    struct Station {
        float x, chord, up;
    };
    const Station stations[6] = {{1.6f, 2.1f, 1.5f},  {4.5f, 1.8f, 1.25f},  {8.0f, 1.4f, 0.95f},
                                 {11.5f, 1.0f, 0.7f}, {14.5f, 0.7f, 0.45f}, {17.2f, 0.2f, 0.14f}};
    std::vector<Ring> rings;
    for (const Station& st : stations) {
        const Vector3 centre{st.x, wingLift(st.x) + 0.25f * st.up, leadZ(st.x) - 0.8f * st.chord};
        rings.push_back(Ring{mirror(centre),
                             {0, 0, 1},
                             {0, 1, 0},
                             st.chord,
                             st.up,
                             (2.0f + 40.0f * st.x / 17.2f) * kPx,
                             skinAt(st.x)});
    }
    Loft(mesh, material, rings, LoftOptions{8, kSeamU0, kSeamU1, true, true});
}

void buildCrow(MeshBuilder& mesh, int crow, const std::vector<Matrix4>& rest) {
    const int b = crow * kBonesPerCrow;
    const int first = mesh.VertexCount();
    constexpr int kMat = 0;
    const Skin body{{b, 1}};
    // Wings first: drawn without depth writes, the body then covers their roots.
    for (int side = 0; side < 2; ++side) {
        const float sign = side == 0 ? 1.0f : -1.0f;
        buildWing(mesh, kMat, sign, b, b + 1 + side * 2, b + 2 + side * 2);
    }
    // Tail: a fan of two halves meeting in a shallow ridge, mapped onto the sheet's tail
    // trapezoid at 10 px per unit so the painted feather tips keep their shape.
    {
        const float rootZ = -6.0f, endZ = -15.5f, rootHalf = 1.4f, endHalf = 4.5f;
        for (float sign : {1.0f, -1.0f}) {
            const std::vector<Vector3> p = {{0, 1.15f, rootZ},
                                            {sign * rootHalf, 0.9f, rootZ},
                                            {0, 0.55f, endZ},
                                            {sign * endHalf, 0.3f, endZ}};
            auto u = [](float x) { return (192.0f + 10.0f * x) * kPx; };
            const std::vector<std::array<float, 2>> uv = {{u(0), 0.5f * kPx},
                                                          {u(sign * rootHalf), 0.5f * kPx},
                                                          {u(0), 95.5f * kPx},
                                                          {u(sign * endHalf), 95.5f * kPx}};
            TwoSidedSheet(mesh, kMat, 2, 2, p, uv, {body, body, body, body});
        }
    }
    // Body: a rounded chest tapering to the tail root.
    {
        struct Station {
            float z, y, side, up;
        };
        const Station stations[7] = {{-8.5f, 0.9f, 0.5f, 0.35f}, {-6.5f, 0.75f, 1.5f, 1.1f},
                                     {-4.0f, 0.3f, 2.5f, 2.3f},  {-0.5f, 0.0f, 3.1f, 3.0f},
                                     {3.0f, -0.1f, 3.0f, 3.0f},  {5.5f, 0.5f, 2.3f, 2.4f},
                                     {7.2f, 1.2f, 1.9f, 2.0f}};
        std::vector<Ring> rings;
        for (const Station& st : stations)
            rings.push_back(Ring{{0, st.y, st.z},
                                 {1, 0, 0},
                                 {0, 1, 0},
                                 st.side,
                                 st.up,
                                 (2.0f + 44.0f * (st.z + 8.5f) / 15.7f) * kPx,
                                 body});
        Loft(mesh, kMat, rings, LoftOptions{10, kSeamU0, kSeamU1, true, true});
    }
    // Head, a little flat on the crown, and the heavy beak with its arched ridge.
    Ellipsoid(mesh, kMat, Translation({0, 1.7f, 8.4f}), {2.2f, 2.3f, 2.7f}, 7, 10, kSeamU0, 2 * kPx,
              kSeamU1, 46 * kPx, body);
    {
        struct Station {
            float z, y, side, up;
        };
        const Station stations[5] = {{9.6f, 1.35f, 0.95f, 1.05f},
                                     {11.0f, 1.25f, 0.78f, 0.9f},
                                     {12.4f, 1.05f, 0.5f, 0.62f},
                                     {13.6f, 0.7f, 0.22f, 0.32f},
                                     {14.3f, 0.3f, 0.04f, 0.05f}};
        std::vector<Ring> rings;
        for (const Station& st : stations)
            rings.push_back(Ring{{0, st.y, st.z},
                                 {1, 0, 0},
                                 {0, 1, 0},
                                 st.side,
                                 st.up,
                                 (49.0f + 13.0f * (st.z - 9.6f) / 4.7f) * kPx,
                                 body});
        Loft(mesh, kMat, rings, LoftOptions{8, kSeamU0, kSeamU1, true, true});
    }
    // Authored at the body bone's rest frame: move it there.
    mesh.Transform(first, rest[static_cast<std::size_t>(b)]);
}

std::vector<Matrix4> flockPose(auto stateOf) {
    std::vector<Matrix4> bones(static_cast<std::size_t>(kCrowCount * kBonesPerCrow));
    for (int c = 0; c < kCrowCount; ++c) birdBones(stateOf(c), bones, c);
    return bones;
}

}  // namespace

AnimatedModel MakeCrows() {
    AnimatedModel crows;
    const char* parts[kBonesPerCrow] = {"body", "wing_l", "tip_l", "wing_r", "tip_r"};
    const int parentOf[kBonesPerCrow] = {-1, 0, 1, 0, 3};
    for (int c = 0; c < kCrowCount; ++c) {
        for (int p = 0; p < kBonesPerCrow; ++p) {
            const int parent = parentOf[p] < 0 ? -1 : c * kBonesPerCrow + parentOf[p];
            crows.skeleton.Add("crow" + std::to_string(c + 1) + "_" + parts[p], parent);
        }
    }
    crows.rest = [](float) { return flockPose([](int c) { return restState(c); }); };
    const std::vector<Matrix4> rest = crows.rest(0.0f);

    MeshBuilder mesh("crows");
    for (int c = 0; c < kCrowCount; ++c) buildCrow(mesh, c, rest);
    crows.mesh.materials.push_back(TextureMaterial("crow.tga"));
    crows.mesh.bones = BoneTable(crows.skeleton);
    model::emd::MeshObject object = mesh.Build(rest);
    // Two unreferenced corner points widen the object's culling box to the whole region
    // the birds fly through near the sword, so a flight is not culled by its rest box.
    for (float s : {-1.0f, 1.0f}) {
        model::emd::SkinVertex v;
        v.position = Vector3{s * 145.0f, s > 0 ? 82.0f : -20.0f, s * 145.0f};
        object.vertices.push_back(v);
    }
    crows.mesh.objects.push_back(std::move(object));
    crows.mesh.objects.push_back(BoxObject(kSwordPlacement.halfBox));

    const int boneCount = kCrowCount * kBonesPerCrow;
    auto add = [&](const char* name, int length, auto stateAt) {
        PoseFunction f = [stateAt](float t) {
            return flockPose([&](int c) { return stateAt(c, t); });
        };
        crows.clips.push_back({name, SampleClip(f, boneCount, length, 100)});
    };
    add("crow1.ESA", 10000, [](int c, float t) { return takeOffState(c, t, 10000.0f); });
    const LoopShape shapes[4] = {{1, 22.0f, 2.0f, 14.0f, 3.0f, 12},
                                 {1, -28.0f, 2.0f, 22.0f, 1.0f, 11},
                                 {2, 35.0f, 1.0f, -18.0f, 2.0f, 13},
                                 {1, 55.0f, 1.0f, 26.0f, 1.0f, 10}};
    const char* loopNames[4] = {"crow2.ESA", "crow3.ESA", "crow4.ESA", "crow5.ESA"};
    for (int i = 0; i < 4; ++i) {
        const LoopShape shape = shapes[i];
        add(loopNames[i], 9333,
            [shape](int c, float t) { return loopState(c, t, kRestLength, shape); });
    }
    add("crow6.ESA", 10000, [](int c, float t) { return departureState(c, t); });
    return crows;
}

}  // namespace eh::mediagen::world

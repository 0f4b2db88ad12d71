// The camera tracks. Each shot is written as a list of way points; the Bezier handles
// between them come from the neighbouring points (Catmull-Rom tangents / 3), so the path
// passes through every way point with a continuous direction.
//
// Where the camera may go (world units): inside +-400 (the billboard woods start at 450),
// at least 12 above the ground, clear of the horse's box, the sword and beam (radius 40
// round x 222.5, z 62.9 up to y 220), the oak's trunk and crown, and above the meadow
// grass (tufts up to 44 tall) near the two meadows.
#include <cmath>

#include "mediagen/world/data_files.h"
#include "mediagen/world/world_math.h"
#include "model/track_format.h"

namespace eh::mediagen::world {
namespace {

using model::Add;
using model::Scale;
using model::Subtract;

struct WayPoint {
    Vector3 p;
    float speed = 2.5f;
    float hold = 0.0f;
    bool hasTarget = false;
    Vector3 target{};
};

WayPoint at(float x, float y, float z, float speed, const Vector3* target = nullptr,
            float hold = 0.0f) {
    WayPoint w;
    w.p = Vector3{x, y, z};
    w.speed = speed;
    w.hold = hold;
    if (target) {
        w.hasTarget = true;
        w.target = *target;
    }
    return w;
}

CameraTrackPlan smooth(const char* title, const std::vector<WayPoint>& w) {
    CameraTrackPlan plan;
    plan.title = title;
    const std::size_t n = w.size();
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const Vector3 prev = w[k > 0 ? k - 1 : k].p, a = w[k].p, b = w[k + 1].p;
        const Vector3 next = w[k + 2 < n ? k + 2 : k + 1].p;
        const float ka = k > 0 ? 1.0f / 6.0f : 1.0f / 3.0f;
        const float kb = k + 2 < n ? 1.0f / 6.0f : 1.0f / 3.0f;
        const Vector3 h1 = Add(a, Scale(ka, Subtract(b, prev)));
        const Vector3 h2 = Subtract(b, Scale(kb, Subtract(next, a)));
        CameraKeyPlan start;
        start.position = a;
        start.speed = w[k].speed;
        start.hold = w[k].hold;
        start.hasTarget = w[k].hasTarget;
        start.target = w[k].target;
        plan.keys.push_back(start);
        CameraKeyPlan inner;
        inner.speed = w[k].speed;
        inner.position = h1;
        plan.keys.push_back(inner);
        inner.position = h2;
        plan.keys.push_back(inner);
    }
    CameraKeyPlan last;
    last.position = w.back().p;
    last.speed = w.back().speed;
    last.hold = w.back().hold;
    last.hasTarget = w.back().hasTarget;
    last.target = w.back().target;
    plan.keys.push_back(last);
    return plan;
}

// A pivot track: the eye stays at `eye` (the look-at fields of every segment start) and
// aims at the moving path point.
CameraTrackPlan pivot(const char* title, const Vector3& eye, const std::vector<WayPoint>& path) {
    std::vector<WayPoint> w = path;
    for (WayPoint& p : w) {
        p.hasTarget = true;
        p.target = eye;
    }
    CameraTrackPlan plan = smooth(title, w);
    plan.pivot = true;
    return plan;
}

// A circle of way points around `centre` at `radius` and height y, from angle a0 to a1
// (degrees, azimuth: 0 = +x, 90 = +z), all aimed at `target`.
std::vector<WayPoint> arc(const Vector3& centre, float radius, float y0, float y1, float a0,
                          float a1, int points, float speed, const Vector3& target) {
    std::vector<WayPoint> w;
    for (int i = 0; i < points; ++i) {
        const float s = static_cast<float>(i) / static_cast<float>(points - 1);
        const float a = model::Radians(a0 + (a1 - a0) * s);
        w.push_back(at(centre.x + radius * std::cos(a), y0 + (y1 - y0) * s,
                       centre.z + radius * std::sin(a), speed, &target));
    }
    return w;
}

}  // namespace

std::vector<CameraTrackPlan> MakeCameraTracks(const Ground& ground) {
    (void)ground;
    const Vector3 sword{222.5f, 92.0f, 62.9f};  // at the crossguard
    const Vector3 swordLow{222.5f, 70.0f, 62.9f};
    const Vector3 beam{222.5f, 160.0f, 62.9f};
    const Vector3 horse{-405.0f, 88.0f, 7.4f};
    const Vector3 oakCrown{-534.0f, 290.0f, 136.0f};
    const Vector3 ribbons{226.0f, 86.0f, 48.0f};
    std::vector<CameraTrackPlan> t(16);

    t[0] = smooth("meadow glide to the sword",
                  {at(380, 120, -330, 3.0f, &sword, 10.0f), at(360, 95, -190, 3.0f, &sword),
                   at(330, 85, -60, 2.6f, &sword), at(340, 88, 90, 2.4f, &sword),
                   at(290, 96, 210, 2.4f, &sword), at(180, 100, 250, 2.4f, &sword)});
    {
        auto w = arc({222.5f, 0, 62.9f}, 135.0f, 78.0f, 96.0f, -60.0f, 60.0f, 6, 1.6f, swordLow);
        w[0].hold = 15.0f;
        t[1] = smooth("around the sword as the crows rise", w);
    }
    t[2] = smooth("past the horse",
                  {at(-240, 78, -140, 2.0f, &horse, 8.0f), at(-300, 72, -108, 1.6f, &horse),
                   at(-355, 70, -88, 1.3f, &horse), at(-398, 74, -80, 1.2f, &horse)});
    t[3] = smooth("up to the oak",
                  {at(-180, 70, 330, 2.6f, &oakCrown, 10.0f), at(-270, 95, 370, 2.6f, &oakCrown),
                   at(-330, 140, 360, 2.2f, &oakCrown), at(-320, 190, 300, 2.0f, &oakCrown),
                   at(-300, 220, 220, 2.0f, &oakCrown)});
    t[4] = smooth("across the meadow",
                  {at(-260, 72, -260, 3.2f), at(-120, 66, -220, 3.2f), at(30, 70, -170, 3.0f),
                   at(130, 80, -110, 2.6f), at(150, 95, -20, 2.4f, &sword)});
    {
        const Vector3 sun{-120.0f, 240.0f, -90.0f};
        t[5] = smooth("toward the evening sun",
                      {at(330, 70, 330, 2.4f, &sun, 10.0f), at(250, 120, 300, 2.4f, &sun),
                       at(160, 170, 250, 2.2f, &sun), at(60, 200, 180, 2.2f, &sun)});
    }
    t[6] = pivot("pan from the sword to the horse", {150.0f, 115.0f, -230.0f},
                 {at(222, 90, 63, 2.6f, nullptr, 10.0f), at(40, 70, 60, 2.6f),
                  at(-180, 70, 40, 2.6f), at(-420, 85, 10, 2.6f), at(-530, 200, 136, 2.6f)});

    // The vision: close, slow shots of the sword under the beam.
    t[7] = smooth("dolly up the sword",
                  {at(270, 62, 6, 0.35f, &sword, 10.0f), at(274, 82, 16, 0.35f, &sword),
                   at(270, 105, 24, 0.35f, &beam), at(264, 125, 28, 0.35f, &beam)});
    t[8] = smooth("slow orbit of the beam", arc({222.5f, 0, 62.9f}, 95.0f, 100.0f, 112.0f, 200.0f,
                                                300.0f, 5, 1.0f, {222.5f, 110.0f, 62.9f}));
    t[9] = smooth("up the beam from below",
                  {at(318, 62, 118, 0.3f, &beam, 10.0f), at(304, 64, 136, 0.3f, &beam),
                   at(290, 67, 150, 0.3f, &beam), at(274, 70, 160, 0.3f, &beam)});

    t[10] = smooth("the ribbons in the light",
                   {at(262, 92, -8, 0.4f, &ribbons, 10.0f), at(276, 94, 4, 0.4f, &ribbons),
                    at(288, 96, 20, 0.4f, &ribbons), at(294, 98, 38, 0.4f, &ribbons)});
    t[11] = smooth("the beam across the meadow",
                   {at(380, 100, -160, 1.3f, &beam, 10.0f), at(385, 110, -90, 1.3f, &beam),
                    at(380, 118, -20, 1.3f, &beam), at(370, 122, 40, 1.3f, &beam)});
    t[12] = pivot("up the shaft of light and down", {120.0f, 75.0f, -50.0f},
                  {at(222, 70, 63, 1.2f, nullptr, 10.0f), at(224, 180, 60, 1.2f),
                   at(225, 300, 55, 1.2f), at(224, 180, 60, 1.2f), at(222, 95, 63, 1.2f)});
    t[13] = smooth("over the grass toward the sword",
                   {at(140, 72, 250, 0.8f, &sword, 10.0f), at(170, 74, 210, 0.8f, &sword),
                    at(200, 78, 175, 0.7f, &sword), at(215, 84, 160, 0.7f, &sword)});
    t[14] = smooth("crane down to the sword",
                   {at(300, 260, 220, 1.1f, &sword, 10.0f), at(300, 200, 190, 1.0f, &sword),
                    at(290, 150, 160, 0.9f, &sword), at(280, 120, 140, 0.8f, &sword)});
    t[15] = smooth("wide circle in the dusk", arc({222.5f, 0, 62.9f}, 170.0f, 130.0f, 115.0f, 20.0f,
                                                  160.0f, 6, 1.8f, {222.5f, 110.0f, 62.9f}));
    return t;
}

HRESULT WriteCameraTracks(const std::vector<CameraTrackPlan>& plans,
                          std::vector<std::uint8_t>* out) {
    model::track::File file;
    for (const CameraTrackPlan& plan : plans) {
        model::track::Track track;
        track.pivot = plan.pivot;
        for (const CameraKeyPlan& k : plan.keys) {
            model::track::Key key;
            key.position = k.position;
            key.hasTarget = k.hasTarget;
            key.target = k.target;
            key.speed = k.speed;
            key.hold = k.hold;
            track.keys.push_back(key);
        }
        file.tracks.push_back(std::move(track));
    }
    return model::track::Write(file, out);
}

std::vector<Vector3> EyePath(const CameraTrackPlan& track, int perSegment) {
    std::vector<Vector3> eyes;
    const int segments = (static_cast<int>(track.keys.size()) - 1) / 3;
    for (int s = 0; s < segments; ++s) {
        const auto& k = track.keys;
        if (track.pivot) {
            eyes.push_back(k[static_cast<std::size_t>(3 * s)].target);
            continue;
        }
        const Vector3 p[4] = {k[static_cast<std::size_t>(3 * s)].position,
                              k[static_cast<std::size_t>(3 * s + 1)].position,
                              k[static_cast<std::size_t>(3 * s + 2)].position,
                              k[static_cast<std::size_t>(3 * s + 3)].position};
        for (int i = 0; i <= perSegment; ++i) {
            Vector3 out;
            model::BezierPoint(&out, 1.0f - static_cast<float>(i) / static_cast<float>(perSegment),
                               p);
            eyes.push_back(out);
        }
    }
    return eyes;
}

}  // namespace eh::mediagen::world

#include <algorithm>
#include <cmath>

#include "mediagen/world/data_files.h"
#include "mediagen/world/world.h"

namespace eh::mediagen::world {

float ModelClearance(const Vector3& p) {
    float best = 1e9f;
    // Horse: its model box in world (local z runs along world +x).
    {
        const float dx = std::max({-480.3f - p.x, 0.0f, p.x - (-364.2f)});
        const float dy = std::max({33.8f - p.y, 0.0f, p.y - 125.8f});
        const float dz = std::max({-16.7f - p.z, 0.0f, p.z - 31.4f});
        float d = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (d == 0.0f) d = -1.0f;
        best = std::min(best, d);
    }
    // Sword, ribbons and beam: a column round the sword up to the beam's top.
    {
        const float r = std::hypot(p.x - 222.475f, p.z - 62.9201f) - 40.0f;
        const float dy = std::max(0.0f, p.y - 220.0f);
        best = std::min(best, r > 0.0f ? std::hypot(r, dy) : (dy > 0.0f ? dy : r));
    }
    // Oak trunk and crown.
    {
        const float r = std::hypot(p.x + 533.706f, p.z - 135.629f);
        const float trunk = p.y < 260.0f ? r - 32.0f : 1e9f;
        const float ex = (p.x + 533.706f) / 190.0f, ey = (p.y - 300.0f) / 180.0f,
                    ez = (p.z - 135.629f) / 190.0f;
        const float crown = (std::sqrt(ex * ex + ey * ey + ez * ez) - 1.0f) * 180.0f;
        best = std::min({best, trunk, crown});
    }
    return best;
}

float SegmentLength(const CameraTrackPlan& track, int s) {
    const auto& k = track.keys;
    const Vector3 p[4] = {k[static_cast<std::size_t>(3 * s)].position,
                          k[static_cast<std::size_t>(3 * s + 1)].position,
                          k[static_cast<std::size_t>(3 * s + 2)].position,
                          k[static_cast<std::size_t>(3 * s + 3)].position};
    float length = 0.0f;
    Vector3 prev = p[0];
    for (int i = 1; i <= 150; ++i) {
        Vector3 q;
        model::BezierPoint(&q, 1.0f - static_cast<float>(i) / 150.0f, p);
        length += model::Length(model::Subtract(q, prev));
        prev = q;
    }
    return length;
}

float SegmentSeconds(const CameraTrackPlan& track, int s) {
    const float v0 = std::max(track.keys[static_cast<std::size_t>(3 * s)].speed, 0.01f);
    const float v1 = std::max(track.keys[static_cast<std::size_t>(3 * s + 3)].speed, 0.01f);
    const float length = SegmentLength(track, s);
    // Speed grows linearly with the distance covered: t = L ln(v1 / v0) / (v1 - v0).
    const float steps =
        std::fabs(v1 - v0) < 1e-4f ? length / v0 : length * std::log(v1 / v0) / (v1 - v0);
    return (steps + track.keys[static_cast<std::size_t>(3 * s)].hold) * 0.1f;
}

bool CheckTracks(std::FILE* out) {
    const model::terrain::File land = MakeTerrain();
    const Ground ground(land);
    const std::vector<CameraTrackPlan> tracks = MakeCameraTracks(ground);
    bool ok = true;
    std::fprintf(out,
                 "track keys segs  length   seconds  min-clear  min-model  |x|,|z|max  shot\n");
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        const CameraTrackPlan& track = tracks[t];
        const int segments = (static_cast<int>(track.keys.size()) - 1) / 3;
        float length = 0.0f, seconds = 0.0f;
        for (int s = 0; s < segments; ++s) {
            length += SegmentLength(track, s);
            seconds += SegmentSeconds(track, s);
        }
        float clearance = 1e9f, model = 1e9f, reach = 0.0f;
        for (const Vector3& e : EyePath(track, 150)) {
            clearance = std::min(clearance, e.y - ground.HeightAt(e.x, e.z, 0));
            model = std::min(model, ModelClearance(e));
            reach = std::max({reach, std::fabs(e.x), std::fabs(e.z)});
        }
        const bool good = clearance >= 12.0f && model >= 10.0f && reach <= 400.0f &&
                          track.keys.size() % 3 == 1 && track.keys.size() <= 150;
        ok = ok && good;
        std::fprintf(out, "%5zu %4zu %4d %7.1f %9.1f %10.1f %10.1f %11.1f  %s%s%s\n", t,
                     track.keys.size(), segments, static_cast<double>(length),
                     static_cast<double>(seconds), static_cast<double>(clearance),
                     static_cast<double>(model), static_cast<double>(reach),
                     track.pivot ? "[pivot] " : "", track.title.c_str(), good ? "" : "  <-- FAILS");
    }
    return ok;
}

}  // namespace eh::mediagen::world

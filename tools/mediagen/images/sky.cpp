#include "mediagen/images/sky.h"

#include <algorithm>
#include <cmath>

#include "mediagen/images/noise.h"

namespace eh::mediagen {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr uint32_t kCloudSeed = 4711;
constexpr uint32_t kRidgeSeed = 1302;
constexpr uint32_t kFieldSeed = 877;

float Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 Normalize(Vec3 v) {
    float l = std::sqrt(Dot(v, v));
    return {v.x / l, v.y / l, v.z / l};
}

Color Rgbf(float r, float g, float b) {
    return {r, g, b, 1};
}

// Elevation (radians) of a landscape ridge line at azimuth az (radians). The noise is
// sampled on a circle so the ridge closes up all the way round.
float Ridge(float az, float radius, float base, float amp, int octaves, uint32_t seed) {
    float n = Fbm2(std::cos(az) * radius, std::sin(az) * radius, octaves, seed);
    return base + amp * n;
}

// Cloud density at a point of the cloud layer (world-like units, arbitrary scale).
float CloudDensity(float px, float pz) {
    // Domain warp gives the streaks of evening altocumulus a little swirl.
    float wx = Fbm2(px * 0.35f, pz * 0.35f, 3, kCloudSeed + 1);
    float wz = Fbm2(px * 0.35f + 17.3f, pz * 0.35f - 9.1f, 3, kCloudSeed + 2);
    float qx = px * 0.55f + wx * 0.9f, qz = pz * 1.25f + wz * 0.9f;  // stretched east-west
    float n = Fbm2(qx, qz, 6, kCloudSeed, 0, 0, 0.55f);
    float coverage = 0.5f + 0.5f * Fbm2(px * 0.12f + 40, pz * 0.12f, 2, kCloudSeed + 3);
    return Smoothstep(0.62f - 0.45f * coverage, 0.95f - 0.45f * coverage, n * 0.5f + 0.5f);
}

}  // namespace

Vec3 SunDirection() {
    float a = 225.0f * kPi / 180, e = 20.0f * kPi / 180;
    return {std::cos(e) * std::cos(a), std::sin(e), std::cos(e) * std::sin(a)};
}

Color SkyColor(Vec3 dir, float pixelAngle) {
    Vec3 d = Normalize(dir);
    Vec3 s = SunDirection();
    float cosS = Dot(d, s);
    float el = std::asin(std::clamp(d.y, -1.0f, 1.0f));
    float az = std::atan2(d.z, d.x);
    float horiz = std::sqrt(d.x * d.x + d.z * d.z);
    float sunAz = std::atan2(s.z, s.x);
    // 1 toward the sun's azimuth, 0 opposite.
    float sunSide = horiz > 1e-4f ? 0.5f + 0.5f * std::cos(az - sunAz) : 0.5f;

    // --- Sky dome ---------------------------------------------------------------------
    float t = std::max(d.y, 0.0f);
    Color zenith = Rgbf(0.20f, 0.33f, 0.60f);
    Color mid = Rgbf(0.48f, 0.60f, 0.78f);
    Color warm = Rgbf(1.00f, 0.74f, 0.45f);
    Color cool = Rgbf(0.84f, 0.74f, 0.74f);
    Color horizon = Mix(cool, warm, sunSide * sunSide);
    Color sky = Mix(zenith, mid, std::pow(1 - t, 2.0f));
    sky = Mix(sky, horizon, std::pow(1 - t, 5.0f));
    float cs = std::max(cosS, 0.0f);
    float glow =
        0.30f * std::pow(cs, 6.0f) + 0.45f * std::pow(cs, 60.0f) + 0.6f * std::pow(cs, 900.0f);
    sky = sky + Rgbf(1.0f, 0.72f, 0.38f) * glow;

    // --- Clouds: a flat layer above the eye --------------------------------------------
    if (d.y > 0.005f) {
        float k = 1.0f / (d.y + 0.10f);
        float px = d.x * k * 1.4f, pz = d.z * k * 1.4f;
        float dens = CloudDensity(px, pz) * Smoothstep(0.005f, 0.16f, d.y);
        if (dens > 0.001f) {
            // Light reaching the cloud: less where the layer is thick toward the sun.
            float step = 0.18f;
            float sx = s.x / std::sqrt(s.x * s.x + s.z * s.z),
                  sz = s.z / std::sqrt(s.x * s.x + s.z * s.z);
            float toward = CloudDensity(px + sx * step, pz + sz * step);
            float lit = Clamp01(0.65f - (toward - dens) * 1.6f + 0.25f * (1 - dens));
            Color shadow = Rgbf(0.38f, 0.36f, 0.48f);
            Color light = Mix(Rgbf(0.95f, 0.80f, 0.72f), Rgbf(1.0f, 0.70f, 0.40f), sunSide);
            Color cloud = Mix(shadow, light, lit);
            // Silver lining: thin cloud close to the sun glows.
            float rim = std::pow(cs, 24.0f) * (1 - dens) * 1.2f;
            cloud = cloud + Rgbf(1.0f, 0.85f, 0.6f) * rim;
            // Clouds far off fade into the horizon haze.
            cloud = Mix(cloud, horizon, std::pow(1 - t, 8.0f) * 0.7f);
            sky = Mix(sky, cloud, dens * 0.92f);
        }
    }

    // Sun disc, about 1.2 degrees across, over the clouds only where they are thin.
    float ang = std::acos(std::clamp(cosS, -1.0f, 1.0f));
    float disc = Clamp01((0.0105f - ang) / std::max(pixelAngle, 1e-4f) + 0.5f);
    sky = Mix(sky, Rgbf(1.0f, 0.96f, 0.84f), disc);

    // --- Distant landscape ---------------------------------------------------------------
    float farRidge = Ridge(az, 1.6f, 0.06f, 0.075f, 5, kRidgeSeed);
    float nearRidge = Ridge(az, 2.5f, 0.022f, 0.03f, 4, kRidgeSeed + 7) +
                      0.005f * Fbm2(std::cos(az) * 16, std::sin(az) * 16, 3, kRidgeSeed + 9);
    float aa = std::max(pixelAngle, 1e-4f);
    float farCover = Clamp01((farRidge - el) / aa + 0.5f);
    float landCover = Clamp01((nearRidge - el) / aa + 0.5f);
    if (farCover <= 0 && landCover <= 0) return sky;

    // Far hills: blue-grey haze, backlit (darker) on the sun side.
    Color farHill = Mix(Rgbf(0.46f, 0.48f, 0.60f), Rgbf(0.44f, 0.36f, 0.42f), sunSide);
    farHill = Mix(farHill, horizon, 0.2f + 0.25f * Clamp01(el / 0.08f));
    Color out = Mix(sky, farHill, farCover);
    if (landCover <= 0) return out;

    // Near land: fields and groves seen on a ground plane, hazier toward the horizon.
    float down = std::max(-d.y, 0.035f);
    float gx = d.x / down, gz = d.z / down;
    float fields = Fbm2(gx * 0.35f, gz * 0.35f, 4, kFieldSeed);
    float groves = Fbm2(gx * 1.3f + 5, gz * 1.3f, 3, kFieldSeed + 1);
    Color grass =
        Mix(Rgbf(0.25f, 0.33f, 0.13f), Rgbf(0.44f, 0.45f, 0.20f), Smoothstep(-0.2f, 0.4f, fields));
    Color land = Mix(grass, Rgbf(0.12f, 0.18f, 0.09f), Smoothstep(0.15f, 0.35f, groves) * 0.85f);
    // Close to the horizon the plane projection degenerates into streaks; blend it out.
    land = Mix(Rgbf(0.24f, 0.30f, 0.14f), land, Smoothstep(0.0f, 0.09f, -el));
    // Wooded hills rise above the horizon line.
    land = Mix(land, Rgbf(0.16f, 0.22f, 0.12f), Smoothstep(-0.004f, 0.01f, el));
    // Lit warmly on the side away from the sun, in its own shadow toward it.
    land = land * (1.05f - 0.35f * sunSide);
    land = land + Rgbf(0.10f, 0.06f, 0.0f) * (1 - sunSide);
    float haze = std::exp(-std::max(-el, 0.0f) * 9.0f) * 0.7f;
    if (el > 0) haze = 0.55f;
    land = Mix(land, Mix(farHill, horizon, 0.3f), haze);
    // The ground straight below darkens; the box floor is rarely seen.
    land = land * (1.0f - 0.35f * Smoothstep(0.3f, 1.2f, -el));
    land.a = 1;
    return Mix(out, land, landCover);
}

const char* SkyFaceSuffix(SkyFace f) {
    static const char* kNames[] = {"ft", "bk", "lf", "rt", "up", "dn"};
    return kNames[static_cast<int>(f)];
}

Vec3 SkyFacePoint(SkyFace f, float u, float v) {
    // Texture coordinate to the face parameter in [-1, 1].
    float a = ((u - kSkyUvInset) / (1 - 2 * kSkyUvInset)) * 2 - 1;
    float b = ((v - kSkyUvInset) / (1 - 2 * kSkyUvInset)) * 2 - 1;
    const float w = kSkyHalfWidth, h = kSkyHalfHeight;
    switch (f) {
        case SkyFace::kFront:
            return {a * w, -b * h, w};
        case SkyFace::kBack:
            return {-a * w, -b * h, -w};
        case SkyFace::kLeft:
            return {-w, -b * h, a * w};
        case SkyFace::kRight:
            return {w, -b * h, -a * w};
        case SkyFace::kTop:
            return {a * w, h, b * w};
        case SkyFace::kBottom:
            return {a * w, -h, -b * w};
    }
    return {0, 0, 1};
}

Image8 RenderSkyFace(SkyFace f, int size) {
    Image8 img(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
            Vec3 p = SkyFacePoint(f, u, v);
            float dist = std::sqrt(Dot(p, p));
            // One texel spans about 2000 / size world units at distance dist.
            float pixelAngle = (2 * kSkyHalfWidth / size) / dist;
            Color c = SkyColor(p, pixelAngle);
            uint8_t* o = img.at(x, y);
            o[0] = static_cast<uint8_t>(std::lround(Clamp01(c.r) * 255));
            o[1] = static_cast<uint8_t>(std::lround(Clamp01(c.g) * 255));
            o[2] = static_cast<uint8_t>(std::lround(Clamp01(c.b) * 255));
            o[3] = 255;
        }
    }
    return img;
}

Vec3 CubeFaceDirection(int face, float s, float t) {
    switch (face) {
        case 0:
            return {1, -t, -s};
        case 1:
            return {-1, -t, s};
        case 2:
            return {s, 1, t};
        case 3:
            return {s, -1, -t};
        case 4:
            return {s, -t, 1};
        default:
            return {-s, -t, -1};
    }
}

std::array<Image8, 6> RenderEnvironmentCube(int size) {
    std::array<Image8, 6> faces;
    constexpr int kSub = 2;
    for (int f = 0; f < 6; ++f) {
        Image8 img(size, size);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                Color acc{0, 0, 0, 0};
                for (int j = 0; j < kSub; ++j) {
                    for (int i = 0; i < kSub; ++i) {
                        float s = (x + (i + 0.5f) / kSub) / size * 2 - 1;
                        float t = (y + (j + 0.5f) / kSub) / size * 2 - 1;
                        acc = acc + SkyColor(CubeFaceDirection(f, s, t), 2.0f / size);
                    }
                }
                acc = acc * (1.0f / (kSub * kSub));
                // Mid value: ADDSMOOTH brightens the steel by a + b - ab.
                const float kLevel = 0.62f;
                uint8_t* o = img.at(x, y);
                o[0] = static_cast<uint8_t>(std::lround(Clamp01(acc.r * kLevel) * 255));
                o[1] = static_cast<uint8_t>(std::lround(Clamp01(acc.g * kLevel) * 255));
                o[2] = static_cast<uint8_t>(std::lround(Clamp01(acc.b * kLevel) * 255));
                o[3] = 255;
            }
        }
        faces[f] = std::move(img);
    }
    return faces;
}

}  // namespace eh::mediagen

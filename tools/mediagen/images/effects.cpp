// Effect textures (sparkle, rays, corona, beam, ribbon) and the model textures of the
// crow, the horse and the sword.
#include <algorithm>
#include <cmath>

#include "mediagen/images/noise.h"
#include "mediagen/images/paint.h"
#include "mediagen/images/pictures.h"

namespace eh::mediagen {

namespace {

constexpr float kPi = 3.14159265358979f;

Color Rgbf(float r, float g, float b, float a = 1) {
    return {r, g, b, a};
}

float Gauss(float x, float sigma) {
    return std::exp(-(x * x) / (sigma * sigma));
}

}  // namespace

Image8 MakeParticle(int size) {
    Canvas c(size, size);
    float half = size / 2.0f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float dx = (x + 0.5f - half) / half, dy = (y + 0.5f - half) / half;
            float r = std::sqrt(dx * dx + dy * dy);
            float core = Gauss(r, 0.20f);
            float glow = 0.22f * Gauss(r, 0.55f);
            // Four thin points along the axes and four fainter ones on the diagonals.
            float axis = Gauss(std::min(std::fabs(dx), std::fabs(dy)), 0.035f) * Gauss(r, 0.55f);
            float du = (dx + dy) * 0.7071f, dv = (dx - dy) * 0.7071f;
            float diag = Gauss(std::min(std::fabs(du), std::fabs(dv)), 0.03f) * Gauss(r, 0.32f);
            float edge = 1 - Smoothstep(0.8f, 1.0f, r);
            float a = Clamp01(core + glow + 0.42f * axis + 0.25f * diag) * edge;
            Color col =
                Mix(Rgbf(1.0f, 0.86f, 0.55f), Rgbf(1.0f, 0.99f, 0.94f), Clamp01(core * 1.3f));
            col.a = a;
            c.at(x, y) = col;
        }
    }
    return ToImage8(c);
}

Image8 MakeRays() {
    constexpr int kW = 256, kH = 512, kHalf = kW / 2;
    Mask streaks(kW, kH);
    Rng rng(9090);
    for (int half = 0; half < 2; ++half) {
        // The left half holds a few broad shafts, the right half finer ones.
        int count = half == 0 ? 5 : 9;
        for (int i = 0; i < count; ++i) {
            float cx = half * kHalf + rng.uniform(16, kHalf - 16.0f);
            float sigma = half == 0 ? rng.uniform(5, 12) : rng.uniform(2, 6);
            float gain = rng.uniform(0.45f, 1.0f);
            float slant = rng.uniform(-6, 6);
            uint32_t seed = 9100 + static_cast<uint32_t>(half * 20 + i);
            for (int y = 0; y < kH; ++y) {
                float v = (y + 0.5f) / kH;
                float flicker = 0.75f + 0.25f * Fbm2(v * 5, static_cast<float>(i), 2, seed);
                float centre = cx + slant * (v - 0.5f);
                for (int x = half * kHalf; x < (half + 1) * kHalf; ++x) {
                    streaks.at(x, y) += gain * flicker * Gauss(x + 0.5f - centre, sigma);
                }
            }
        }
    }
    Image8 img(kW, kH);
    for (int y = 0; y < kH; ++y) {
        float v = (y + 0.5f) / kH;
        float env = Smoothstep(0.0f, 0.22f, v) * (1 - Smoothstep(0.72f, 1.0f, v));
        for (int x = 0; x < kW; ++x) {
            int inHalf = x % kHalf;
            float side =
                Smoothstep(0, 10, static_cast<float>(std::min(inHalf, kHalf - 1 - inHalf)));
            float k = Clamp01(streaks.at(x, y) * 0.9f) * env * side;
            uint8_t* o = img.at(x, y);
            o[0] = static_cast<uint8_t>(std::lround(255 * k));
            o[1] = static_cast<uint8_t>(std::lround(255 * k * 0.95f));
            o[2] = static_cast<uint8_t>(std::lround(255 * k * 0.80f));
            o[3] = 255;
        }
    }
    return img;
}

Image8 MakeCorona(int size) {
    Canvas c(size, size);
    float half = size / 2.0f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float dx = (x + 0.5f - half) / half, dy = (y + 0.5f - half) / half;
            float r = std::sqrt(dx * dx + dy * dy);
            float ang = std::atan2(dy, dx);
            float core = Gauss(r, 0.07f);
            float halo = 0.55f * Gauss(r, 0.25f) + 0.22f * Gauss(r, 0.55f);
            float ring = 0.10f * Gauss(r - 0.70f, 0.035f);
            // Faint spokes whose strength wanders a little with the angle.
            float spokeNoise = Noise2(std::cos(ang) * 3, std::sin(ang) * 3, 61);
            float spokes = std::pow(std::fabs(std::cos(ang * 8 + spokeNoise)), 40.0f) * 0.18f *
                           std::exp(-r / 0.35f);
            float edge = 1 - Smoothstep(0.78f, 0.98f, r);
            float k = Clamp01(core + halo + ring + spokes) * edge;
            float s = std::sqrt(k);
            c.at(x, y) = {s, s, s, s};
        }
    }
    return ToImage8(c);
}

Image8 MakeRibbon() {
    constexpr int kW = 512, kH = 64;
    Canvas c(kW, kH);
    Color cloth = Rgbf(0.86f, 0.14f, 0.16f);
    Color gold = Rgbf(1.0f, 0.82f, 0.36f);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            float weave = 0.06f * std::sin(x * kPi * 0.5f) * std::sin(y * kPi * 0.5f + 1) +
                          0.05f * Fbm2(x / 24.0f, y / 8.0f, 3, 71);
            // The cloth uses the top 15/16 of the width: borders sit inside that band.
            float v = (y + 0.5f) / 60.0f;
            float border = Smoothstep(0.05f, 0.08f, v) * (1 - Smoothstep(0.15f, 0.18f, v)) +
                           Smoothstep(0.82f, 0.85f, v) * (1 - Smoothstep(0.92f, 0.95f, v));
            // Diamonds every 32 pixels along the ribbon.
            float px = std::fmod(static_cast<float>(x), 32.0f) - 16, py = (v - 0.5f) * 60;
            float diamond = 1 - Smoothstep(8.5f, 10.0f, std::fabs(px) + std::fabs(py) * 1.2f);
            float hollow = 1 - Smoothstep(4.0f, 5.5f, std::fabs(px) + std::fabs(py) * 1.2f);
            float motif = Clamp01(diamond - hollow * 0.85f);
            Color col = Mix(cloth, gold, Clamp01(border + motif * 0.9f));
            col = col * (1 + weave);
            // Shading of the folds across the width.
            col = col * (0.88f + 0.12f * std::sin(v * kPi));
            col.a = 1;
            c.at(x, y) = col;
        }
    }
    return ToImage8(c);
}

Image8 MakeSpotlightBeam() {
    constexpr int kW = 128, kH = 256;
    Canvas c(kW, kH);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            float u = (x + 0.5f) / kW, v = (y + 0.5f) / kH;
            float across = std::pow(std::sin(kPi * u), 1.6f);
            float ends = Smoothstep(0.0f, 0.18f, v) * (1 - Smoothstep(0.65f, 1.0f, v));
            float dust = 0.82f + 0.18f * Fbm2(u * 8, v * 2, 3, 81, 8, 0);
            float a = Clamp01(across * ends * dust * 0.85f);
            Color col = Mix(Rgbf(1.0f, 0.88f, 0.62f), Rgbf(1.0f, 0.98f, 0.90f), across);
            col.a = a;
            c.at(x, y) = col;
        }
    }
    return ToImage8(c);
}

Image8 MakeCrowFeathers() {
    constexpr int kSize = 256;
    Canvas c(kSize, kSize, Rgbf(0.16f, 0.16f, 0.20f, 0));
    Rng rng(123);
    Color base = Rgbf(0.17f, 0.17f, 0.21f);
    Color sheen = Rgbf(0.38f, 0.40f, 0.52f);
    // Top half: body feathers overlapping like scales, opaque.
    for (int y = 0; y < kSize / 2; ++y)
        for (int x = 0; x < kSize; ++x) c.at(x, y) = base;
    for (int row = 0; row < 12; ++row) {
        for (int col = 0; col < 14; ++col) {
            float cx = col * 20.0f + (row % 2) * 10 + rng.uniform(-2, 2);
            float cy = row * 11.0f + rng.uniform(-1, 1);
            Color f = Mix(base, sheen, rng.uniform(0.1f, 0.6f));
            PaintEllipse(c, cx, cy, 11, 9, 0, f);
            PaintEllipse(c, cx, cy - 3, 8, 5, 0, Mix(f, base, 0.5f));
            PaintSegment(c, {cx, cy - 8}, {cx, cy + 6}, 0.7f, 0.4f, Mix(f, sheen, 0.5f));
        }
    }
    for (int y = kSize / 2 - 6; y < kSize / 2; ++y)
        for (int x = 0; x < kSize; ++x) c.at(x, y).a = 1;
    // Bottom half: long primary feathers with separate tips (cut-outs between them).
    for (int i = 0; i < 9; ++i) {
        float cx = 16 + i * 28.0f, top = kSize / 2.0f - 4, len = rng.uniform(100, 124);
        std::vector<Vec2> outline;
        for (int side = 0; side < 2; ++side) {
            for (int k = 0; k <= 20; ++k) {
                float t = side == 0 ? k / 20.0f : 1 - k / 20.0f;
                float w =
                    13 * std::pow(std::sin(kPi * std::min(0.5f + t * 0.5f, 1.0f - 1e-3f)), 0.5f);
                if (t < 0.5f) w = 13;
                outline.push_back({cx + (side == 0 ? w : -w), top + t * len});
            }
        }
        Color f = Mix(base, sheen, rng.uniform(0.1f, 0.4f));
        PaintPolygon(c, outline, f);
        for (int b = 0; b < 16; ++b) {  // barbs
            float t = b / 16.0f;
            float y0 = top + t * len * 0.9f;
            PaintSegment(c, {cx, y0}, {cx + 11, y0 + 9}, 0.4f, 0.3f, Mix(f, sheen, 0.4f) * 1.0f);
            PaintSegment(c, {cx, y0}, {cx - 11, y0 + 9}, 0.4f, 0.3f, Mix(f, base, 0.5f));
        }
        PaintSegment(c, {cx, top}, {cx, top + len - 6}, 1.2f, 0.5f, Rgbf(0.45f, 0.45f, 0.50f));
    }
    return ToImage8(c);
}

Image8 MakeHorseCoat() {
    constexpr int kSize = 512;
    Canvas c(kSize, kSize);
    // Rows 0..383: body coat (bay); bottom left: mane and tail; bottom right: muzzle, legs
    // and hooves (dark).
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            float u = static_cast<float>(x) / kSize, v = static_cast<float>(y) / kSize;
            Color col;
            if (y < 384) {
                float tone = Fbm2(u * 3, v * 3, 4, 91) * 0.5f + 0.5f;
                float dapple = Smoothstep(0.3f, 0.6f, Fbm2(u * 14, v * 14, 2, 92) * 0.5f + 0.5f);
                col = Mix(Rgbf(0.56f, 0.32f, 0.17f), Rgbf(0.74f, 0.46f, 0.25f), tone);
                col = col * (1 + 0.06f * dapple);
            } else if (x < 256) {
                col = Rgbf(0.14f, 0.10f, 0.08f) * (1 + 0.3f * Fbm2(u * 40, v * 4, 2, 93));
            } else {
                float t = Smoothstep(400, 500, static_cast<float>(y));
                col = Mix(Rgbf(0.30f, 0.24f, 0.20f), Rgbf(0.18f, 0.16f, 0.15f), t);
                col = col * (1 + 0.1f * Fbm2(u * 20, v * 20, 2, 94));
            }
            col.a = 1;
            c.at(x, y) = col;
        }
    }
    Rng rng(95);
    for (int i = 0; i < 9000; ++i) {  // coat hair
        float x = rng.uniform(0, kSize), y = rng.uniform(0, 380);
        float ang = rng.uniform(-0.25f, 0.25f), len = rng.uniform(4, 9);
        bool lightHair = rng.uniform() < 0.5f;
        Color col = lightHair ? Rgbf(0.82f, 0.56f, 0.32f, 0.25f) : Rgbf(0.40f, 0.22f, 0.12f, 0.25f);
        PaintSegment(c, {x, y}, {x + std::cos(ang) * len, y + std::sin(ang) * len}, 0.6f, 0.4f,
                     col);
    }
    for (int i = 0; i < 700; ++i) {  // long mane and tail hair
        float x = rng.uniform(0, 256), y = rng.uniform(384, 420);
        float bend = rng.uniform(-20, 20);
        std::vector<Vec2> pts =
            QuadraticPoints({x, y}, {x + bend, y + 50}, {x + bend * 0.3f, 512}, 10);
        Color col = rng.uniform() < 0.5f ? Rgbf(0.30f, 0.22f, 0.16f, 0.35f)
                                         : Rgbf(0.05f, 0.04f, 0.03f, 0.35f);
        for (int k = 0; k < 10; ++k) PaintSegment(c, pts[k], pts[k + 1], 0.7f, 0.7f, col);
    }
    return ToImage8(c);
}

Image8 MakeSwordSteel() {
    constexpr int kW = 256, kH = 512;
    Canvas c(kW, kH);
    // Columns 0..159: blade (bevelled edges, central fuller), brushed along its length.
    // Columns 160..255: crossguard (rows 0..127), grip (128..319), pommel (320..447),
    // gilt fittings (448..511).
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            float u = static_cast<float>(x) / kW, v = static_cast<float>(y) / kH;
            float brush = Fbm2(u * 64, v * 2, 3, 101) * 0.5f + 0.5f;
            Color col;
            if (x < 160) {
                float bx = x / 159.0f;
                float bevel = Smoothstep(0.0f, 0.12f, bx) * (1 - Smoothstep(0.88f, 1.0f, bx));
                float fuller = Gauss(bx - 0.5f, 0.06f);
                col = Mix(Rgbf(0.78f, 0.80f, 0.84f), Rgbf(0.56f, 0.58f, 0.62f), bevel);
                col = Mix(col, Rgbf(0.36f, 0.38f, 0.42f), fuller * 0.8f);
                col = col * (0.92f + 0.14f * brush);
            } else if (y < 128) {
                float engr = Gauss(std::fmod(static_cast<float>(y), 32.0f) - 16, 1.2f);
                col = Mix(Rgbf(0.48f, 0.50f, 0.54f), Rgbf(0.20f, 0.20f, 0.22f), engr * 0.7f);
                col = col * (0.92f + 0.12f * brush);
            } else if (y < 320) {
                float band = std::fmod(x * 0.5f + y, 16.0f) / 16.0f;
                float ridge = std::sin(band * kPi);
                col = Mix(Rgbf(0.22f, 0.13f, 0.08f), Rgbf(0.48f, 0.30f, 0.17f), ridge);
                col = col * (0.9f + 0.15f * Fbm2(u * 30, v * 30, 2, 102));
            } else {
                float shine = Fbm2(u * 8, v * 8, 3, 103) * 0.5f + 0.5f;
                Color gold = y < 448 ? Rgbf(0.72f, 0.56f, 0.26f) : Rgbf(0.82f, 0.66f, 0.32f);
                col = gold * (0.8f + 0.35f * shine);
            }
            col.a = 1;
            c.at(x, y) = col;
        }
    }
    return ToImage8(c);
}

}  // namespace eh::mediagen

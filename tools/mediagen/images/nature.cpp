// Terrain and vegetation pictures: the tileable meadow ground, the grass tuft, the two
// billboard trees and the oak's bark and leaves.
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

// Transparent texels keep a colour close to the foliage so that filtering and mip maps do
// not pull dark fringes into the cut-out edges.
Canvas TransparentCanvas(int w, int h, Color bg) {
    bg.a = 0;
    return Canvas(w, h, bg);
}

}  // namespace

Image8 MakeGround(int size) {
    Canvas c(size, size);
    const float inv = 1.0f / size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float u = x * inv, v = y * inv;
            float lush = Fbm2(u * 4, v * 4, 5, 11, 4, 4) * 0.5f + 0.5f;
            float earth = Smoothstep(0.30f, 0.62f, Fbm2(u * 3, v * 3, 5, 12, 3, 3) * 0.5f + 0.5f);
            float fine = Fbm2(u * 32, v * 32, 2, 13, 32, 32);
            Color grass = Mix(Rgbf(0.27f, 0.36f, 0.13f), Rgbf(0.45f, 0.52f, 0.20f), lush);
            Color soil = Mix(Rgbf(0.40f, 0.32f, 0.20f), Rgbf(0.50f, 0.42f, 0.28f), lush);
            Color base = Mix(grass, soil, earth * 0.75f);
            c.at(x, y) = base * (1 + 0.10f * fine);
            c.at(x, y).a = 1;
        }
    }
    // Short blades painted with wrap-around, sparser on the bare patches.
    Rng rng(2024);
    int blades = size * size / 28;
    for (int i = 0; i < blades; ++i) {
        float x = rng.uniform(0, static_cast<float>(size)),
              y = rng.uniform(0, static_cast<float>(size));
        float earth =
            Smoothstep(0.30f, 0.62f, Fbm2(x * inv * 3, y * inv * 3, 5, 12, 3, 3) * 0.5f + 0.5f);
        if (rng.uniform() < earth * 0.8f) continue;
        float len = rng.uniform(3.5f, 9.0f);
        float ang = -kPi / 2 + rng.uniform(-0.7f, 0.7f);
        Vec2 a{x, y}, b{x + std::cos(ang) * len, y + std::sin(ang) * len};
        float shade = rng.uniform();
        Color col =
            shade < 0.5f
                ? Mix(Rgbf(0.18f, 0.26f, 0.08f), Rgbf(0.30f, 0.40f, 0.14f), shade * 2)
                : Mix(Rgbf(0.44f, 0.54f, 0.20f), Rgbf(0.62f, 0.64f, 0.30f), (shade - 0.5f) * 2);
        col.a = rng.uniform(0.35f, 0.7f);
        PaintSegment(c, a, b, 0.9f, 0.35f, col, true);
    }
    // A few small flowers and pebbles.
    for (int i = 0; i < size / 6; ++i) {
        float x = rng.uniform(0, static_cast<float>(size)),
              y = rng.uniform(0, static_cast<float>(size));
        float kind = rng.uniform();
        Color col = kind < 0.4f   ? Rgbf(0.85f, 0.78f, 0.35f, 0.8f)
                    : kind < 0.7f ? Rgbf(0.82f, 0.80f, 0.72f, 0.7f)
                                  : Rgbf(0.52f, 0.48f, 0.42f, 0.8f);
        PaintEllipse(c, x, y, rng.uniform(0.8f, 1.6f), rng.uniform(0.8f, 1.4f), 0, col, true);
    }
    return ToImage8(c);
}

Image8 MakeGrassTuft(int size) {
    Canvas c = TransparentCanvas(size, size, Rgbf(0.55f, 0.68f, 0.30f));
    const float s = size / 256.0f;
    // The grass is drawn unsorted, blended and without depth writes, so a farther tuft
    // painted later lies over a nearer one: a solid block of overlapping blade feet then
    // shows as a flat patch ending in the quad's straight foot line. Feet therefore stand in
    // their own slots with gaps between them, in the middle of the bottom edge, and the
    // blades fan out from there, so a tuft meets the ground along a short broken line. The
    // margin keeps every blade off the left, right and top edges, where the quad's outline
    // would otherwise cut it straight; 8 texels stay empty down to the 32 x 32 mip level.
    const float margin = kTuftMargin * s;
    constexpr int kBlades = 26;
    constexpr float kFootBand = 0.75f;  // of the width inside the margins
    const float half = size * 0.5f - margin;
    const float slot = 2 * half * kFootBand / kBlades;
    Rng rng(515);
    std::vector<int> order(kBlades);
    for (int i = 0; i < kBlades; ++i) order[static_cast<std::size_t>(i)] = i;
    for (int i = kBlades - 1; i > 0; --i)
        std::swap(order[static_cast<std::size_t>(i)],
                  order[static_cast<std::size_t>(rng.below(i + 1))]);
    for (int i : order) {
        const float w = rng.uniform(1.3f, 2.0f) * s;  // half width at the foot
        const float lo = margin + w + 1, hi = size - margin - w - 1;
        const float footX =
            size * 0.5f - half * kFootBand + (i + 0.5f + rng.uniform(-0.25f, 0.25f)) * slot;
        const float spread = (footX - size * 0.5f) / (half * kFootBand);  // -1 .. 1
        // Taller blades toward the middle, leaning outward toward the sides.
        const float height =
            (size - margin) * (0.62f + 0.36f * (1 - std::fabs(spread))) * rng.uniform(0.72f, 1.0f);
        const float tipX = size * 0.5f + spread * half * 0.92f + rng.uniform(-0.06f, 0.06f) * size;
        const Vec2 p0{footX, size + 2.0f};
        const Vec2 p1{std::clamp(tipX, lo, hi), size - height};
        // A quadratic curve stays inside the hull of its three points, so clamping them
        // keeps the whole blade inside the margin.
        const Vec2 ctrl{std::clamp(footX + (tipX - footX) * 0.15f + rng.uniform(-8, 8) * s, lo, hi),
                        size - height * 0.55f};
        // Each blade has its own shade, darker at one edge, so crossing blades stay apart.
        const float shade = rng.uniform();
        const Color dark = Mix(Rgbf(0.40f, 0.54f, 0.18f), Rgbf(0.56f, 0.64f, 0.26f), shade);
        const Color light =
            Mix(Rgbf(0.74f, 0.86f, 0.42f), Rgbf(0.92f, 0.90f, 0.55f), rng.uniform());
        const float side = rng.uniform() < 0.5f ? -1.0f : 1.0f;
        std::vector<Vec2> pts = QuadraticPoints(p0, ctrl, p1, 24);
        auto alphaAt = [](int k) {
            // Soft tips: the alpha falls to nothing at the tip, below the alpha reference
            // for the last texels rather than ending in a hard cut.
            const float t = (k + 0.5f) / 24;
            return t < 0.7f ? 1.0f : 1.0f - (t - 0.7f) / 0.3f;
        };
        auto radius = [w](int k) { return w * (1 - static_cast<float>(k) / 24) + 0.3f; };
        // The shade runs from the foot to the tip only part of the way, so that a tuft's foot
        // drawn over a nearer tuft's blades shows little contrast.
        auto shadeAt = [&](int k) { return Mix(dark, light, 0.3f + 0.7f * (k + 0.5f) / 24); };
        for (int k = 0; k < 24; ++k) {
            Color col = shadeAt(k);
            col.a = alphaAt(k);
            PaintSegment(c, pts[k], pts[k + 1], radius(k), radius(k + 1), col);
        }
        // The darker edge goes on after the whole blade, so no joint of the blade covers it.
        for (int k = 0; k < 24; ++k) {
            Color edge = Mix(shadeAt(k), Rgbf(0.16f, 0.26f, 0.06f), 0.45f);
            edge.a = alphaAt(k);
            const float dx0 = side * radius(k) * 0.55f, dx1 = side * radius(k + 1) * 0.55f;
            PaintSegment(c, {pts[k].x + dx0, pts[k].y}, {pts[k + 1].x + dx1, pts[k + 1].y},
                         radius(k) * 0.45f, radius(k + 1) * 0.45f, edge);
        }
    }
    return ToImage8(c);
}

namespace {

// Paints a billboard tree: a trunk with branches and a crown of leaf clumps lit from the
// upper left (the low evening sun seen from the meadow).
Image8 PaintTree(uint64_t seed, float crownCx, float crownCy, float crownRx, float crownRy,
                 float clumpMin, float clumpMax, int clumps, Color dark, Color mid, Color lit,
                 float trunkTopY, float trunkWidth) {
    constexpr int kSize = 512;
    constexpr int kMargin = 14;  // the billboard quad shows texture coordinates 14/512 in
    Canvas c = TransparentCanvas(kSize, kSize, mid);
    Rng rng(seed);
    Color bark = Rgbf(0.22f, 0.17f, 0.12f);
    float footY = kSize - kMargin - 3.0f;
    // Trunk and main branches.
    std::vector<Vec2> trunk =
        QuadraticPoints({256, footY}, {250, (footY + trunkTopY) / 2}, {258, trunkTopY}, 12);
    for (int i = 0; i < 12; ++i) {
        float r0 = trunkWidth * (1 - 0.4f * i / 12.0f),
              r1 = trunkWidth * (1 - 0.4f * (i + 1) / 12.0f);
        PaintSegment(c, trunk[i], trunk[i + 1], r0, r1, bark);
    }
    for (int i = 0; i < 7; ++i) {
        float ang = -kPi / 2 + (i - 3) * 0.32f + rng.uniform(-0.1f, 0.1f);
        Vec2 a{258, trunkTopY + rng.uniform(0, 40)};
        float len = crownRx * rng.uniform(0.5f, 0.8f);
        Vec2 b{a.x + std::cos(ang) * len, a.y + std::sin(ang) * len * (crownRy / crownRx)};
        PaintSegment(c, a, b, trunkWidth * 0.45f, 1.5f, bark);
    }
    // Leaf clumps, back to front: deep ones first and dark, outer lit ones last.
    struct Clump {
        float x, y, r, light, depth;
    };
    std::vector<Clump> list;
    while (static_cast<int>(list.size()) < clumps) {
        float a = rng.uniform(0, 2 * kPi), q = std::sqrt(rng.uniform());
        float edge =
            1 + 0.16f * Noise2(std::cos(a) * 2.5f, std::sin(a) * 2.5f, static_cast<uint32_t>(seed));
        float x = crownCx + std::cos(a) * q * crownRx * edge,
              y = crownCy + std::sin(a) * q * crownRy * edge;
        // Gaps let the sky show through the crown.
        if (Fbm2(x / 60, y / 60, 3, static_cast<uint32_t>(seed) + 5) > 0.32f && q > 0.45f) continue;
        float nx = (x - crownCx) / crownRx, ny = (y - crownCy) / crownRy;
        float light = Clamp01(0.5f + 0.55f * (-0.7f * nx - 0.7f * ny) + rng.uniform(-0.15f, 0.15f));
        list.push_back({x, y, rng.uniform(clumpMin, clumpMax), light, q});
    }
    std::sort(list.begin(), list.end(), [](const Clump& p, const Clump& q) {
        return p.depth + p.light * 0.3f < q.depth + q.light * 0.3f;
    });
    for (const Clump& k : list) {
        Color col =
            k.light < 0.5f ? Mix(dark, mid, k.light * 2) : Mix(mid, lit, (k.light - 0.5f) * 2);
        PaintEllipse(c, k.x, k.y, k.r, k.r * 0.8f, rng.uniform(0, kPi), col);
        // A smaller highlight on the lit side of each clump.
        Color hi = Mix(col, lit, 0.35f);
        PaintEllipse(c, k.x - k.r * 0.25f, k.y - k.r * 0.25f, k.r * 0.5f, k.r * 0.4f, 0, hi);
    }
    Image8 img = ToImage8(c);
    // Nothing may reach into the margin the billboard does not show.
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            if (x < kMargin || y < kMargin || x >= kSize - kMargin || y >= kSize - kMargin) {
                img.at(x, y)[3] = 0;
            }
        }
    }
    return img;
}

}  // namespace

Image8 MakeTree(int kind) {
    if (kind == 0) {
        return PaintTree(100, 256, 205, 200, 165, 7, 17, 1500, Rgbf(0.09f, 0.14f, 0.07f),
                         Rgbf(0.20f, 0.30f, 0.12f), Rgbf(0.50f, 0.50f, 0.22f), 300, 13);
    }
    return PaintTree(200, 256, 250, 92, 225, 5, 12, 1700, Rgbf(0.08f, 0.13f, 0.08f),
                     Rgbf(0.18f, 0.30f, 0.15f), Rgbf(0.46f, 0.52f, 0.26f), 430, 8);
}

Image8 MakeOakBark() {
    constexpr int kW = 256, kH = 512;
    Canvas c(kW, kH);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            float u = static_cast<float>(x) / kW, v = static_cast<float>(y) / kH;
            // Long vertical plates: low frequency along v, high across u.
            float warp = Fbm2(u * 4, v * 4, 3, 31, 4, 4) * 0.25f;
            float plates = Fbm2(u * 10 + warp * 4, v * 3, 4, 32, 10, 3);
            float ridge = 1 - std::fabs(plates);
            float cracks = Smoothstep(0.55f, 0.9f, ridge);
            float grain = Fbm2(u * 48, v * 12, 2, 33, 48, 12);
            float moss = Smoothstep(0.2f, 0.6f, Fbm2(u * 3, v * 2, 4, 34, 3, 2));
            Color plate =
                Mix(Rgbf(0.50f, 0.45f, 0.38f), Rgbf(0.62f, 0.57f, 0.48f), grain * 0.5f + 0.5f);
            Color col = Mix(plate, Rgbf(0.14f, 0.11f, 0.08f), cracks);
            col = Mix(col, Rgbf(0.36f, 0.42f, 0.20f), moss * (1 - cracks) * 0.5f);
            col.a = 1;
            c.at(x, y) = col;
        }
    }
    return ToImage8(c);
}

Image8 MakeOakLeaves() {
    constexpr int kSize = 256;
    Canvas c(kSize, kSize, Rgbf(0.08f, 0.13f, 0.05f));
    Rng rng(77);
    for (int i = 0; i < 420; ++i) {
        float cx = rng.uniform(0, kSize), cy = rng.uniform(0, kSize);
        float ang = rng.uniform(0, 2 * kPi), len = rng.uniform(13, 22), wid = len * 0.42f;
        float ca = std::cos(ang), sa = std::sin(ang);
        // Lobed oak-leaf outline: half-width along the midrib with rounded lobes.
        std::vector<Vec2> outline;
        for (int side = 0; side < 2; ++side) {
            for (int k = 0; k <= 24; ++k) {
                float t = side == 0 ? k / 24.0f : 1 - k / 24.0f;
                float x = (t * 2 - 1) * len;
                float env = std::sqrt(std::max(0.0f, 1 - (t * 2 - 1) * (t * 2 - 1)));
                float lobes = 0.6f + 0.4f * std::fabs(std::sin(t * kPi * 4.5f));
                float yv = wid * env * lobes * (side == 0 ? 1 : -1);
                outline.push_back({cx + x * ca - yv * sa, cy + x * sa + yv * ca});
            }
        }
        float depth = static_cast<float>(i) / 420;
        Color col = Mix(Rgbf(0.16f, 0.26f, 0.09f), Rgbf(0.42f, 0.54f, 0.20f),
                        depth * 0.7f + rng.uniform(0, 0.3f));
        PaintPolygon(c, outline, col, true);
        Color rib = Mix(col, Rgbf(0.70f, 0.72f, 0.40f), 0.35f);
        PaintSegment(c, {cx - ca * len, cy - sa * len},
                     {cx + ca * len * 0.8f, cy + sa * len * 0.8f}, 0.6f, 0.3f, rib, true);
    }
    return ToImage8(c);
}

}  // namespace eh::mediagen

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

namespace {

// One feather's outline from `base` to `tip`: vanes `lead` and `trail` pixels wide (left
// and right of the shaft seen from base to tip), full to 45 % of the length, then, when
// `notched`, narrowed as a crow's outer primaries are, and rounded at the tip.
std::vector<Vec2> FeatherOutline(Vec2 base, Vec2 tip, float lead, float trail, bool notched) {
    const float dx = tip.x - base.x, dy = tip.y - base.y;
    const float len = std::sqrt(dx * dx + dy * dy);
    const Vec2 along{dx / len, dy / len}, across{-along.y, along.x};
    auto width = [&](float t) {
        float w = 0.8f + 0.2f * Smoothstep(0.0f, 0.15f, t);
        if (notched) w *= 1.0f - 0.38f * Smoothstep(0.42f, 0.6f, t);
        if (t > 0.72f) w *= std::sqrt(std::max(0.0f, 1.0f - std::pow((t - 0.72f) / 0.28f, 2.0f)));
        return w;
    };
    std::vector<Vec2> out;
    constexpr int kSteps = 24;
    for (int k = 0; k <= kSteps; ++k) {
        const float t = static_cast<float>(k) / kSteps, w = width(t) * trail;
        out.push_back(
            {base.x + along.x * t * len + across.x * w, base.y + along.y * t * len + across.y * w});
    }
    for (int k = kSteps; k >= 0; --k) {
        const float t = static_cast<float>(k) / kSteps, w = width(t) * lead;
        out.push_back(
            {base.x + along.x * t * len - across.x * w, base.y + along.y * t * len - across.y * w});
    }
    return out;
}

// A flight feather painted on the crow sheet: the vane, a darker trailing half, the pale
// shaft and a few barb lines, all inside the outline.
void PaintFlightFeather(Canvas& c, Vec2 base, Vec2 tip, float lead, float trail, bool notched,
                        Color tone, Color sheen) {
    PaintPolygon(c, FeatherOutline(base, tip, lead, trail, notched), tone);
    PaintPolygon(c, FeatherOutline(base, tip, 0.0f, trail * 0.8f, notched),
                 Mix(tone, Rgbf(0.06f, 0.06f, 0.08f), 0.35f));
    const float dx = tip.x - base.x, dy = tip.y - base.y;
    for (int b = 1; b < 9; ++b) {
        const float t = b / 10.0f;
        const Vec2 p{base.x + dx * t, base.y + dy * t};
        const Vec2 q{p.x + dx * 0.06f - dy * 0.04f, p.y + dy * 0.06f + dx * 0.04f};
        PaintSegment(c, p, q, 0.35f, 0.25f, Mix(tone, sheen, 0.35f));
    }
    PaintSegment(c, base, {base.x + dx * 0.93f, base.y + dy * 0.93f}, 0.8f, 0.3f,
                 Rgbf(0.24f, 0.24f, 0.29f));
}

}  // namespace

// 256 x 256 crow sheet; every region's alpha is the silhouette the model shows:
//   x 0-127,   y 0-47    body and head feathers (opaque)
//   x 0-127,   y 48-63   beak horn (opaque)
//   x 128-255, y 0-95    tail fan, a trapezoid 28 px wide at the root and 90 px at the
//                        end (10 px per model unit), feather tips cut out
//   x 0-127,   y 64-191  inner wing: coverts, then secondaries with rounded tips
//   x 128-255, y 96-191  hand: primary coverts and the inner primaries
//   y 192-255            six single primaries, two per row, each 128 x 21 px from the
//                        root (left) to the tip (right): the separated wing-tip fingers
Image8 MakeCrowFeathers() {
    constexpr int kSize = 256;
    Canvas c(kSize, kSize, Rgbf(0.12f, 0.12f, 0.15f, 0));
    Rng rng(123);
    const Color base = Rgbf(0.15f, 0.15f, 0.19f);
    const Color sheen = Rgbf(0.36f, 0.38f, 0.52f);
    // Body feathers overlapping like scales.
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 128; ++x) c.at(x, y) = base;
    for (int row = 0; row < 6; ++row) {
        for (int col = 0; col < 8; ++col) {
            const float cx = col * 17.0f + (row % 2) * 8.5f + rng.uniform(-1.5f, 1.5f);
            const float cy = row * 9.0f + rng.uniform(-1, 1);
            const Color f = Mix(base, sheen, rng.uniform(0.1f, 0.5f));
            PaintEllipse(c, cx, cy, 9, 7, 0, f);
            PaintEllipse(c, cx, cy - 2.5f, 6.5f, 4, 0, Mix(f, base, 0.5f));
        }
    }
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 128; ++x) c.at(x, y).a = 1;
    // Beak: dark horn, a faint sheen along the ridge (the middle rows).
    for (int y = 48; y < 64; ++y) {
        for (int x = 0; x < 128; ++x) {
            const float ridge = Gauss((y - 55.5f) / 8.0f, 0.5f);
            c.at(x, y) = Mix(Rgbf(0.09f, 0.09f, 0.10f), Rgbf(0.26f, 0.26f, 0.29f), 0.5f * ridge);
        }
    }
    // Tail: twelve feathers fanning from a point above the root, the middle ones longest,
    // clipped to the trapezoid the tail mesh maps.
    {
        Canvas tail(kSize, kSize, Rgbf(0.12f, 0.12f, 0.15f, 0));
        const Vec2 apex{192.0f, -20.0f};
        for (int i = 0; i < 12; ++i) {
            // Outer feathers first, the middle pair on top.
            const int k = i < 6 ? i : 17 - i;
            const float f = (static_cast<float>(k) - 5.5f) / 5.5f;  // -1 .. 1
            const float ang = f * 0.40f;
            const float reach = 113.0f - 10.0f * f * f;
            const Vec2 tip{apex.x + std::sin(ang) * reach, apex.y + std::cos(ang) * reach};
            const Vec2 root{apex.x + std::sin(ang) * 22.0f, apex.y + std::cos(ang) * 22.0f};
            PaintFlightFeather(tail, root, tip, 6.5f, 6.5f, false,
                               Mix(base, sheen, rng.uniform(0.1f, 0.35f)), sheen);
        }
        for (int y = 0; y < 96; ++y) {
            const float half = 14.0f + 31.0f * y / 95.0f;
            for (int x = 128; x < 256; ++x) {
                Color t = tail.at(x, y);
                const float inside = Clamp01(half - std::fabs(x + 0.5f - 192.0f) + 0.5f);
                t.a *= inside;
                if (y < 30) t.a = std::max(t.a, inside);  // the root is solid
                c.at(x, y) = t;
            }
        }
    }
    // Inner wing: small coverts in rows, the greater coverts, then eleven secondaries
    // whose rounded tips scallop the trailing edge.
    for (int i = 0; i < 11; ++i) {
        const float x = 4.0f + i * 11.8f + rng.uniform(-1, 1);
        const float tip = 184.0f + rng.uniform(-3, 3);
        PaintFlightFeather(c, {x - 2.0f, 100.0f}, {x + 1.0f, tip}, 6.0f, 6.5f, false,
                           Mix(base, sheen, rng.uniform(0.05f, 0.3f)), sheen);
    }
    for (int row = 0; row < 5; ++row) {
        const float y = 66.0f + row * 9.0f;
        for (int col = 0; col < 11; ++col) {
            const float cx = col * 12.0f + (row % 2) * 6.0f + 4.0f;
            const Color f = Mix(base, sheen, rng.uniform(0.15f, 0.5f));
            PaintEllipse(c, cx, y + 7.0f + row * 2.0f, 7.5f, 6.5f + row * 1.5f, 0, f);
        }
    }
    for (int y = 64; y < 100; ++y)
        for (int x = 0; x < 128; ++x) c.at(x, y).a = 1;
    // Hand: primary coverts over the five inner primaries, each tip further out.
    for (int i = 0; i < 5; ++i) {
        const float x = 134.0f + i * 20.0f;
        const Vec2 root{x, 110.0f}, tip{x + 6.0f + i * 4.0f, 185.0f - i * 1.5f};
        PaintFlightFeather(c, root, tip, 10.0f, 11.0f, false,
                           Mix(base, sheen, rng.uniform(0.05f, 0.3f)), sheen);
    }
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 9; ++col) {
            const float cx = 132.0f + col * 15.0f + (row % 2) * 7.0f;
            const Color f = Mix(base, sheen, rng.uniform(0.15f, 0.5f));
            PaintEllipse(c, cx, 108.0f + row * 10.0f, 9.0f, 9.0f + row * 2.0f, 0, f);
        }
    }
    for (int y = 96; y < 110; ++y)
        for (int x = 128; x < 256; ++x) c.at(x, y).a = 1;
    // The separate primaries, root solid under the coverts, tips narrowed.
    for (int slot = 0; slot < 6; ++slot) {
        const float x0 = (slot % 2) * 128.0f, y0 = 192.0f + (slot / 2) * (64.0f / 3.0f);
        const float mid = y0 + 64.0f / 6.0f;
        PaintFlightFeather(c, {x0 + 1.0f, mid}, {x0 + 126.0f, mid}, 6.0f, 9.0f, true,
                           Mix(base, sheen, 0.12f + 0.05f * slot), sheen);
    }
    return ToImage8(c);
}

namespace {

// The horse atlas layout, in pixels; tools/mediagen/world/horse.cpp lays its texture
// coordinates out on the same rectangles. Across / down inside each one:
//   body   (4,4)-(252,252):     belly .. spine,         chest .. rump
//   neck   (260,4)-(380,252):   throat .. crest,        withers .. poll
//   head   (388,4)-(508,252):   jaw .. face,            poll .. muzzle
//   legs   (4,260)-(124,444) fore, (132,260)-(252,444) hind: back .. front, y 10 .. -46
//   hair   (260,260)-(508,444): mane and tail locks, along the hair
//   eye (4,452)-(60,508), nostril (68,452)-(124,508), ear (132,452)-(252,508)
struct CoatArea {
    int x0, y0, x1, y1;
};
constexpr CoatArea kCoatBody{4, 4, 252, 252}, kCoatNeck{260, 4, 380, 252},
    kCoatHead{388, 4, 508, 252}, kCoatForeLeg{4, 260, 124, 444}, kCoatHindLeg{132, 260, 252, 444},
    kCoatHair{260, 260, 508, 444}, kCoatEye{4, 452, 60, 508}, kCoatNostril{68, 452, 124, 508},
    kCoatEar{132, 452, 252, 508};

// Bay under evening light: a warm red-brown, gold where the low sun catches the top
// line, deep brown where the body turns away from it.
const Color kBayShadow = Rgbf(0.30f, 0.13f, 0.06f), kBay = Rgbf(0.60f, 0.29f, 0.13f),
            kBayLight = Rgbf(0.86f, 0.52f, 0.26f), kPoints = Rgbf(0.07f, 0.05f, 0.045f),
            kMealy = Rgbf(0.78f, 0.56f, 0.38f);

float Mix1(float a, float b, float t) {
    return a + (b - a) * t;
}

// Coat tone from the body's light (0 shadow, 0.5 mid, 1 highlight) with fine mottling.
Color BayTone(float light, float u, float v, uint32_t seed) {
    float n = Fbm2(u * 9, v * 9, 3, seed) * 0.5f;
    light = Clamp01(light + 0.10f * n);
    Color c = light < 0.5f ? Mix(kBayShadow, kBay, light * 2) : Mix(kBay, kBayLight, light * 2 - 1);
    return c;
}

// Soft dapples: rounded lighter spots from thresholded noise, strongest where the coat is lit.
float Dapples(float u, float v, uint32_t seed) {
    float n = Fbm2(u * 22, v * 22, 2, seed) * 0.5f + 0.5f;
    float ring = Smoothstep(0.52f, 0.62f, n) * (1 - Smoothstep(0.70f, 0.80f, n));
    return ring;
}

// Short strokes of hair following `angle` (radians, in atlas pixels) over a rectangle.
void HairStrokes(Canvas& c, const CoatArea& a, int count, float angle, float spread, float len,
                 float alpha, Rng& rng) {
    for (int i = 0; i < count; ++i) {
        float x = rng.uniform(static_cast<float>(a.x0), static_cast<float>(a.x1));
        float y = rng.uniform(static_cast<float>(a.y0), static_cast<float>(a.y1));
        float ang = angle + rng.uniform(-spread, spread), l = rng.uniform(len * 0.5f, len);
        Color under = c.at(static_cast<int>(x), static_cast<int>(y));
        Color col = rng.uniform() < 0.5f ? under * 1.25f : under * 0.72f;
        col.a = alpha;
        Vec2 b{
            std::clamp(x + std::cos(ang) * l, static_cast<float>(a.x0), static_cast<float>(a.x1)),
            std::clamp(y + std::sin(ang) * l, static_cast<float>(a.y0), static_cast<float>(a.y1))};
        PaintSegment(c, {x, y}, b, 0.6f, 0.35f, col);
    }
}

// Fills a rectangle (with a few pixels of margin so the JPEG's blocks and filtering do
// not bleed into its neighbour) from a colour function of (across, down) in 0..1.
template <class F>
void FillArea(Canvas& c, const CoatArea& a, F colour) {
    for (int y = std::max(0, a.y0 - 4); y < std::min(c.height(), a.y1 + 4); ++y) {
        for (int x = std::max(0, a.x0 - 4); x < std::min(c.width(), a.x1 + 4); ++x) {
            float s = Clamp01((x + 0.5f - a.x0) / static_cast<float>(a.x1 - a.x0));
            float t = Clamp01((y + 0.5f - a.y0) / static_cast<float>(a.y1 - a.y0));
            Color col = colour(s, t);
            col.a = 1;
            c.at(x, y) = col;
        }
    }
}

}  // namespace

Image8 MakeHorseCoat() {
    constexpr int kSize = 512;
    Canvas c(kSize, kSize);
    // Body: the belly falls into shadow, the back, the croup and the top of the shoulder
    // catch the light; dapples show over the quarters and the barrel.
    FillArea(c, kCoatBody, [](float s, float t) {
        float light = 0.12f + 0.62f * Smoothstep(0.0f, 0.75f, s);
        light += 0.28f * Gauss(s - 0.92f, 0.2f) *
                 (0.6f + 0.6f * Gauss(t - 0.78f, 0.14f) + 0.3f * Gauss(t - 0.25f, 0.1f));
        light -= 0.12f * Gauss(t - 0.0f, 0.12f) * (1 - s);                  // between the forelegs
        light -= 0.10f * Gauss(t - 0.62f, 0.06f) * Gauss(s - 0.55f, 0.2f);  // flank hollow
        Color col = BayTone(light, s, t, 301);
        float d = Dapples(s * 1.2f, t * 1.6f, 302) * Smoothstep(0.35f, 0.8f, s) *
                  (0.5f + 0.5f * Gauss(t - 0.75f, 0.25f));
        col = Mix(col, col * 1.14f, d * 0.6f);
        return col;
    });
    // Neck: dark under the throat, gold along the crest, black where the mane grows.
    FillArea(c, kCoatNeck, [](float s, float t) {
        float light = 0.22f + 0.63f * Smoothstep(0.05f, 0.85f, s) - 0.08f * t * (1 - s);
        // Into the chest and shoulder: the base takes the body's light where it lies on
        // the trunk (throat .. crest there meet the body's breast .. withers), so the join
        // shows no step in tone.
        const float body = 0.14f + 0.62f * Smoothstep(0.0f, 0.75f, 0.35f + 0.65f * s);
        light = Mix1(body, light, Smoothstep(0.1f, 0.5f, t));
        Color col = BayTone(light, s * 0.5f + 3, t, 311);
        col = Mix(col, kPoints, 0.85f * Smoothstep(0.9f, 0.97f, s));
        return col;
    });
    // Head: shadowed jaw and throat, a lit forehead and face, a small star, a mealy
    // muzzle with a dark mouth line.
    FillArea(c, kCoatHead, [](float s, float t) {
        float light =
            0.18f + 0.62f * Smoothstep(0.0f, 0.8f, s) - 0.1f * Gauss(t - 0.2f, 0.12f) * (1 - s);
        Color col = BayTone(light, s * 0.5f + 7, t, 321);
        float muzzle = Smoothstep(0.74f, 0.9f, t);
        col = Mix(col, kMealy * (0.7f + 0.3f * s), muzzle * 0.85f);
        float eyeRing = Gauss(t - 0.24f, 0.05f) * Gauss(s - 0.62f, 0.12f);
        col = Mix(col, kMealy * 0.9f, eyeRing * 0.35f);
        float star = Gauss(t - 0.27f, 0.035f) * Smoothstep(0.9f, 0.97f, s);
        col = Mix(col, Rgbf(0.92f, 0.88f, 0.80f), star * 0.9f);
        float mouth = Gauss(s - 0.3f, 0.035f) * Smoothstep(0.86f, 0.92f, t);
        col = Mix(col, Rgbf(0.10f, 0.07f, 0.06f), mouth);
        float chin = Smoothstep(0.93f, 1.0f, t) * (1 - Smoothstep(0.2f, 0.4f, s));
        col = Mix(col, Rgbf(0.25f, 0.18f, 0.14f), chin * 0.5f);
        return col;
    });
    // Legs: bay above, black from below the forearm and gaskin, dark horn hooves.
    for (int hind = 0; hind < 2; ++hind) {
        const CoatArea& area = hind ? kCoatHindLeg : kCoatForeLeg;
        FillArea(c, area, [hind](float s, float t) {
            float y = 10.0f - 56.0f * t;
            float light =
                0.2f + 0.55f * Smoothstep(0.0f, 0.9f, s) - 0.2f * Smoothstep(-5, -15, y) * (1 - s);
            Color col = BayTone(light, s + 11.0f * hind, t * 2, 331);
            float blackFrom = hind ? -17.0f : -19.0f;
            float black = Smoothstep(blackFrom, blackFrom - 5.0f, y);
            Color point = kPoints * (0.8f + 0.9f * Smoothstep(0.2f, 1.0f, s));
            col = Mix(col, point, black);
            if (y < -42.3f) {  // hoof wall: vertical growth lines, darker at the coronet
                float streak = Fbm2(s * 40.0f, t * 3.0f, 2, 333) * 0.5f + 0.5f;
                col = Mix(Rgbf(0.16f, 0.13f, 0.11f), Rgbf(0.34f, 0.29f, 0.24f), streak);
                col = col * (0.65f + 0.35f * Smoothstep(-42.4f, -43.6f, y)) * (0.8f + 0.3f * s);
            }
            return col;
        });
    }
    // Mane and tail: near-black hair with a warm sheen running along each lock.
    FillArea(c, kCoatHair, [](float s, float t) {
        float strand = Fbm2(s * 90.0f, t * 5.0f, 3, 341) * 0.5f + 0.5f;
        float sheen = Gauss(std::fmod(s * 5.55f, 1.0f) - 0.5f, 0.3f);
        Color col = Mix(Rgbf(0.04f, 0.03f, 0.025f), Rgbf(0.26f, 0.17f, 0.11f),
                        strand * 0.6f + sheen * 0.35f);
        return col * (0.9f + 0.2f * (1 - t));
    });
    // Eye: deep brown-black with a glint; nostril: almost black inside a dark rim.
    FillArea(c, kCoatEye, [](float s, float t) {
        Color col =
            Mix(Rgbf(0.05f, 0.035f, 0.03f), Rgbf(0.22f, 0.12f, 0.06f), Gauss(t - 0.5f, 0.15f));
        return Mix(col, Rgbf(0.85f, 0.8f, 0.75f), Gauss(s - 0.3f, 0.05f) * Gauss(t - 0.32f, 0.06f));
    });
    FillArea(c, kCoatNostril, [](float, float t) {
        return Mix(Rgbf(0.03f, 0.02f, 0.02f), Rgbf(0.16f, 0.10f, 0.08f),
                   Smoothstep(0.3f, 0.0f, t) + Smoothstep(0.7f, 1.0f, t));
    });
    // Ear: dark hollow inside with pale fringe, coat outside, black tip.
    FillArea(c, kCoatEar, [](float s, float t) {
        Color out = BayTone(0.35f + 0.4f * s, s, t, 351);
        Color in =
            Mix(Rgbf(0.10f, 0.06f, 0.04f), Rgbf(0.55f, 0.45f, 0.36f), Gauss(s - 0.28f, 0.05f));
        Color col = Mix(in, out, Smoothstep(0.25f, 0.35f, s));
        return Mix(col, kPoints, Smoothstep(0.7f, 0.9f, t));
    });
    // Hair lie: short strokes along the way the coat grows (backward on the body, down
    // the neck, down the face, down the legs).
    Rng rng(95);
    HairStrokes(c, kCoatBody, 9000, 0.5f * kPi, 0.25f, 5.0f, 0.22f, rng);
    HairStrokes(c, kCoatNeck, 3500, kPi, 0.25f, 4.0f, 0.22f, rng);
    HairStrokes(c, kCoatHead, 2500, 0.5f * kPi, 0.2f, 3.0f, 0.18f, rng);
    HairStrokes(c,
                CoatArea{kCoatForeLeg.x0, kCoatForeLeg.y0, kCoatHindLeg.x1, kCoatForeLeg.y0 + 120},
                2500, 0.5f * kPi, 0.15f, 4.0f, 0.18f, rng);
    for (int i = 0; i < 1600; ++i) {  // long hair along the locks
        float x = rng.uniform(static_cast<float>(kCoatHair.x0), static_cast<float>(kCoatHair.x1));
        float y = rng.uniform(static_cast<float>(kCoatHair.y0), kCoatHair.y0 + 60.0f);
        float bend = rng.uniform(-3, 3);
        std::vector<Vec2> pts = QuadraticPoints(
            {x, y}, {x + bend, y + 60}, {x + bend * 0.3f, static_cast<float>(kCoatHair.y1)}, 10);
        Color col = rng.uniform() < 0.5f ? Rgbf(0.36f, 0.24f, 0.16f, 0.3f)
                                         : Rgbf(0.02f, 0.02f, 0.02f, 0.35f);
        for (int k = 0; k < 10; ++k) PaintSegment(c, pts[k], pts[k + 1], 0.6f, 0.6f, col);
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

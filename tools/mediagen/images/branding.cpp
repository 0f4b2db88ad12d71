// The product's own pictures: clock digits, the emblem (a sword before an ember in a gold
// ring), the loading screen, the dialog bitmaps and the icon images.
#include <algorithm>
#include <cmath>

#include "mediagen/images/noise.h"
#include "mediagen/images/paint.h"
#include "mediagen/images/pictures.h"
#include "mediagen/images/sky.h"

namespace eh::mediagen {

namespace {

constexpr float kPi = 3.14159265358979f;

Color Rgbf(float r, float g, float b, float a = 1) {
    return {r, g, b, a};
}

const Color kGold = Rgbf(0.98f, 0.78f, 0.36f);
const Color kDarkGold = Rgbf(0.55f, 0.36f, 0.12f);

// One sample of the emblem at p in [-1, 1]^2 (y down). Transparent outside the ring
// unless opaque is set.
Color EmblemSample(float x, float y, bool opaque) {
    float r = std::sqrt(x * x + y * y);
    Color bg = opaque ? Rgbf(0.09f, 0.07f, 0.07f) : Rgbf(0.55f, 0.36f, 0.12f, 0);
    if (r > 0.95f) return bg;
    if (r > 0.80f) {  // gold ring, lit from the upper left
        float shade = 0.75f + 0.25f * (-(x + y) / (r * 1.4142f));
        float bevel = 1 - std::fabs((r - 0.875f) / 0.075f);
        return Mix(kDarkGold, kGold, Clamp01(shade * (0.6f + 0.4f * bevel)));
    }
    // Ember behind the crossguard.
    float gy = y + 0.18f;
    float ember = std::exp(-(x * x + gy * gy) / 0.10f);
    Color col = Mix(Rgbf(0.07f, 0.03f, 0.02f), Rgbf(0.40f, 0.10f, 0.03f), Clamp01(1 - r / 0.8f));
    col = col + Rgbf(1.0f, 0.50f, 0.12f) * (ember * 0.95f);
    // Flame tongues rising from the ember.
    float flame = std::exp(-(x * x) / (0.02f + 0.05f * Clamp01(-y))) * Smoothstep(0.2f, -0.6f, y) *
                  (0.6f + 0.4f * std::sin(y * 18 + x * 6));
    col = col + Rgbf(1.0f, 0.65f, 0.2f) * (flame * 0.5f);
    // Sword, point down: pommel, grip, guard, blade.
    float ax = std::fabs(x);
    bool pommel = (x * x + (y + 0.66f) * (y + 0.66f)) < 0.075f * 0.075f;
    bool grip = ax < 0.045f && y > -0.62f && y < -0.30f;
    bool guard = ax < 0.44f && y > -0.33f && y < -0.24f;
    float bladeHalf = 0.085f * Clamp01((0.74f - y) / 0.5f);
    bool blade = y >= -0.24f && y < 0.74f && ax < bladeHalf;
    if (pommel || guard) {
        float shade = Clamp01(0.6f - y * 0.5f - x * 0.4f);
        return Mix(kDarkGold, kGold, shade);
    }
    if (grip)
        return Mix(Rgbf(0.25f, 0.12f, 0.06f), Rgbf(0.45f, 0.25f, 0.12f),
                   std::sin(y * 90) * 0.5f + 0.5f);
    if (blade) {
        Color steel = x < 0 ? Rgbf(0.92f, 0.93f, 0.96f) : Rgbf(0.62f, 0.64f, 0.70f);
        if (ax < 0.012f) steel = Rgbf(0.78f, 0.80f, 0.85f);
        return steel;
    }
    col.a = 1;
    return col;
}

void PaintEmblem(Canvas& c, float cx, float cy, float radius, bool opaque) {
    int sub = radius < 20 ? 8 : 4;
    int x0 = std::max(0, static_cast<int>(cx - radius - 1)),
        x1 = std::min(c.width() - 1, static_cast<int>(cx + radius + 1));
    int y0 = std::max(0, static_cast<int>(cy - radius - 1)),
        y1 = std::min(c.height() - 1, static_cast<int>(cy + radius + 1));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            Color acc{0, 0, 0, 0};
            float wsum = 0;
            for (int j = 0; j < sub; ++j) {
                for (int i = 0; i < sub; ++i) {
                    float px = (x + (i + 0.5f) / sub - cx) / radius,
                          py = (y + (j + 0.5f) / sub - cy) / radius;
                    Color s = EmblemSample(px, py, opaque);
                    acc.r += s.r * s.a;
                    acc.g += s.g * s.a;
                    acc.b += s.b * s.a;
                    acc.a += s.a;
                    wsum += 1;
                }
            }
            if (acc.a <= 0) continue;
            Color s{acc.r / acc.a, acc.g / acc.a, acc.b / acc.a, 1};
            c.over(x, y, s, acc.a / wsum);
        }
    }
}

// Gold text with a dark outline, so it reads on any background.
void PaintTitle(Canvas& c, const std::string& text, float x, float y, float height, float stroke) {
    Mask m(c.width(), c.height()), outline(c.width(), c.height());
    StrokeText(outline, text, x, y, height, stroke + std::max(1.0f, height * 0.08f));
    StrokeText(m, text, x, y, height, stroke);
    c.overMask(outline, 0, 0, Rgbf(0.10f, 0.05f, 0.02f, 0.85f));
    Canvas grad(c.width(), c.height());
    for (int yy = 0; yy < c.height(); ++yy) {
        for (int xx = 0; xx < c.width(); ++xx) {
            float k = m.at(xx, yy);
            if (k <= 0) continue;
            float t = Clamp01((yy - y) / height);
            c.over(xx, yy, Mix(Rgbf(1.0f, 0.93f, 0.62f), Rgbf(0.86f, 0.56f, 0.20f), t), k);
        }
    }
}

}  // namespace

const char* DigitFileName(int index) {
    static const char* kNames[kDigitCount] = {
        "digit_0.jpg",    "digit_1.jpg",   "digit_2.jpg", "digit_3.jpg", "digit_4.jpg",
        "digit_5.jpg",    "digit_6.jpg",   "digit_7.jpg", "digit_8.jpg", "digit_9.jpg",
        "digit_ddot.jpg", "digit_dot.jpg", "digit_A.jpg", "digit_M.jpg", "digit_P.jpg"};
    return kNames[std::clamp(index, 0, kDigitCount - 1)];
}

Image8 MakeDigit(int index) {
    static const char kChars[kDigitCount + 1] = "0123456789:.AMP";
    char ch = kChars[std::clamp(index, 0, kDigitCount - 1)];
    constexpr int kSize = 64;
    constexpr float kHeight = 44;  // ink stays inside the central 79 % the glyphs overlap by
    Mask m(kSize, kSize);
    std::string text(1, ch);
    float w = TextWidth(text, kHeight);
    StrokeText(m, text, (kSize - w) / 2, (kSize - kHeight) / 2, kHeight, 3.6f);
    Image8 img(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            uint8_t v = static_cast<uint8_t>(std::lround(255 * Clamp01(m.at(x, y))));
            uint8_t* o = img.at(x, y);
            o[0] = o[1] = o[2] = v;
            o[3] = 255;
        }
    }
    return img;
}

Image8 MakeEmblem(int size, bool opaqueBackground) {
    Canvas c(size, size,
             opaqueBackground ? Rgbf(0.09f, 0.07f, 0.07f) : Rgbf(0.55f, 0.36f, 0.12f, 0));
    PaintEmblem(c, size / 2.0f, size / 2.0f, size / 2.0f, opaqueBackground);
    return ToImage8(c);
}

Image8 RenderSceneMiniature(int width, int height) {
    Canvas c(width, height);
    const float yaw = 215 * kPi / 180, pitch = 4 * kPi / 180;
    const float tanH = std::tan(30 * kPi / 180), tanV = tanH * height / width;
    Vec3 fwd{std::cos(yaw) * std::cos(pitch), std::sin(pitch), std::sin(yaw) * std::cos(pitch)};
    Vec3 right{std::sin(yaw), 0, -std::cos(yaw)};
    Vec3 up{-std::cos(yaw) * std::sin(pitch), std::cos(pitch), -std::sin(yaw) * std::sin(pitch)};
    const float eyeHeight = 14;
    float pixelAngle = 2 * tanH / width;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float sx = ((x + 0.5f) / width * 2 - 1) * tanH,
                  sy = (1 - (y + 0.5f) / height * 2) * tanV;
            Vec3 d{fwd.x + right.x * sx + up.x * sy, fwd.y + right.y * sx + up.y * sy,
                   fwd.z + right.z * sx + up.z * sy};
            Color col = SkyColor(d, pixelAngle);
            float len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
            float dy = d.y / len;
            if (dy < -0.012f) {  // the meadow in front, fading into the distant landscape
                float t = eyeHeight / -dy;
                float gx = d.x / len * t, gz = d.z / len * t;
                float n = Fbm2(gx * 0.08f, gz * 0.08f, 4, 7) * 0.5f + 0.5f;
                Color meadow = Mix(Rgbf(0.20f, 0.28f, 0.09f), Rgbf(0.42f, 0.44f, 0.16f), n);
                meadow = meadow + Rgbf(0.10f, 0.06f, 0.0f) * Clamp01(1 - t / 300);
                col = Mix(meadow, col, Smoothstep(60, 900, t));
            }
            col.a = 1;
            c.at(x, y) = col;
        }
    }
    float s = width / 512.0f, hs = height / 512.0f;
    auto P = [&](float px, float py) { return Vec2{px * s, py * hs}; };
    Mask sil(width, height), rim(width, height);
    // Oak on the right, backlit: a dark crown of overlapping clumps on a short trunk.
    Rng rng(4242);
    StrokeSegment(sil, P(402, 385), P(398, 270), 9 * s, 6 * s);
    StrokeSegment(sil, P(399, 300), P(360, 255), 4 * s, 2 * s);
    StrokeSegment(sil, P(400, 290), P(445, 250), 4 * s, 2 * s);
    for (int i = 0; i < 140; ++i) {
        float a = rng.uniform(0, 2 * kPi), q = std::sqrt(rng.uniform());
        Vec2 p = P(400 + std::cos(a) * q * 100, 225 + std::sin(a) * q * 62);
        FillEllipse(sil, p.x, p.y, rng.uniform(8, 16) * s, rng.uniform(7, 12) * s);
    }
    // Horse at the left, standing side-on, head raised toward the sword.
    const float hx = 80, hy = 352;
    FillEllipse(sil, hx * s, hy * hs, 30 * s, 13 * s);
    StrokeSegment(sil, P(hx + 22, hy - 5), P(hx + 36, hy - 30), 9 * s, 6 * s);
    FillEllipse(sil, (hx + 43) * s, (hy - 29) * hs, 10 * s, 5 * s, 0.55f);
    FillPolygon(sil, {P(hx + 33, hy - 36), P(hx + 35, hy - 44), P(hx + 38, hy - 35)});
    for (float lx : {-22.0f, -14.0f, 14.0f, 22.0f}) {
        StrokeSegment(sil, P(hx + lx, hy + 6), P(hx + lx + (lx < 0 ? -1 : 1), hy + 33), 3.2f * s,
                      2.2f * s);
    }
    std::vector<Vec2> tail =
        QuadraticPoints(P(hx - 29, hy - 6), P(hx - 40, hy), P(hx - 36, hy + 22), 6);
    for (int k = 0; k < 6; ++k) StrokeSegment(sil, tail[k], tail[k + 1], 3 * s, 1.5f * s);
    // Sword standing in the meadow with the sun behind its hilt.
    const float sx0 = 182;
    Mask sword(width, height);
    FillPolygon(sword, {P(sx0 - 5, 200), P(sx0 + 5, 200), P(sx0 + 2, 405), P(sx0 - 2, 405)});
    StrokeSegment(sword, P(sx0 - 30, 198), P(sx0 + 30, 198), 4 * s, 4 * s);
    StrokeSegment(sword, P(sx0, 196), P(sx0, 160), 4 * s, 3.5f * s);
    FillEllipse(sword, sx0 * s, 154 * hs, 7 * s, 7 * s);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) sil.at(x, y) = std::max(sil.at(x, y), sword.at(x, y));
    rim = sil;
    BoxBlur(rim, std::max(1, width / 256));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float k = sil.at(x, y);
            if (k <= 0) continue;
            float edge = Clamp01((k - rim.at(x, y)) * 3);
            Color dark = Mix(Rgbf(0.07f, 0.08f, 0.05f), Rgbf(1.0f, 0.75f, 0.40f), edge * 0.45f);
            c.over(x, y, dark, k);
        }
    }
    // Two red ribbons tied below the guard, streaming in the wind.
    for (int r = 0; r < 2; ++r) {
        std::vector<Vec2> pts =
            QuadraticPoints(P(sx0 + 2, 212 + r * 6.0f), P(sx0 + 30, 200 + r * 18.0f),
                            P(sx0 + 60, 226 + r * 14.0f), 12);
        for (int k = 0; k < 12; ++k)
            PaintSegment(c, pts[k], pts[k + 1], 2.6f * s, 1.6f * s, Rgbf(0.75f, 0.10f, 0.10f));
    }
    // Grass blades along the bottom edge.
    for (int i = 0; i < 160; ++i) {
        float x = rng.uniform(0, 512), h = rng.uniform(20, 70);
        Vec2 a = P(x, 512), b = P(x + rng.uniform(-25, 25), 512 - h);
        PaintSegment(c, a, b, 2.2f * s, 0.5f * s,
                     Mix(Rgbf(0.06f, 0.09f, 0.03f), Rgbf(0.30f, 0.30f, 0.10f), rng.uniform()));
    }
    return ToImage8(c);
}

Image8 MakeKeyArt() {
    return RenderSceneMiniature(512, 512);
}

Image8 MakeLogo() {
    Canvas c(256, 128, Rgbf(0.10f, 0.05f, 0.02f, 0));
    PaintEmblem(c, 52, 64, 46, false);
    PaintTitle(c, "EMBERHOLD", 106, 40, 17, 1.7f);
    PaintTitle(c, "3D SCREENSAVER", 107, 72, 9, 1.0f);
    return ToImage8(c);
}

Image8 MakePreviewBitmap() {
    return RenderSceneMiniature(155, 115);
}

Image8 MakeConfigBitmap() {
    Image8 scene = RenderSceneMiniature(190, 144);
    Canvas c = FromImage8(scene);
    for (int y = 104; y < 144; ++y)  // a dark band for the name
        for (int x = 0; x < 190; ++x)
            c.at(x, y) = Mix(c.at(x, y), Rgbf(0.05f, 0.03f, 0.02f),
                             Smoothstep(104, 116, static_cast<float>(y)) * 0.8f);
    PaintEmblem(c, 22, 122, 17, false);
    PaintTitle(c, "EMBERHOLD 3D", 46, 116, 12, 1.2f);
    for (int y = 0; y < 144; ++y)
        for (int x = 0; x < 190; ++x) c.at(x, y).a = 1;
    return ToImage8(c);
}

Image8 MakeAboutBitmap() {
    return MakeEmblem(70, true);
}

}  // namespace eh::mediagen

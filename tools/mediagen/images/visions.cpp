// The ten vision pictures of the night sequence: luminous figures from the sword's legend
// on pure black. They are added to the darkened screen, so black is invisible and every
// edge of the picture is vignetted to black.
//
// Each picture is drawn as three masks: solid shapes (shown as a dim, brush-textured body
// with a bright rim and an outer glow), bright lines, and glow sources (soft halos). A
// per-picture colour turns the light into the final image.
#include <algorithm>
#include <cmath>

#include "mediagen/images/noise.h"
#include "mediagen/images/paint.h"
#include "mediagen/images/pictures.h"

namespace eh::mediagen {

namespace {

constexpr float kPi = 3.14159265358979f;

struct Layers {
    Mask body, lines, glow;
    explicit Layers(int n) : body(n, n), lines(n, n), glow(n, n) {}
};

// All shapes are designed on a 512 grid and scaled by s.
struct Pen {
    Layers& l;
    float s;
    Vec2 p(float x, float y) const { return {x * s, y * s}; }
    void poly(Mask& m, std::initializer_list<Vec2> pts) const {
        std::vector<Vec2> v;
        for (Vec2 q : pts) v.push_back(p(q.x, q.y));
        FillPolygon(m, v);
    }
    void ellipse(Mask& m, float x, float y, float rx, float ry, float ang = 0,
                 float val = 1) const {
        FillEllipse(m, x * s, y * s, rx * s, ry * s, ang, val);
    }
    void seg(Mask& m, float x0, float y0, float x1, float y1, float r0, float r1,
             float val = 1) const {
        StrokeSegment(m, p(x0, y0), p(x1, y1), r0 * s, r1 * s, val);
    }
    void curve(Mask& m, Vec2 a, Vec2 c, Vec2 b, float r0, float r1, float val = 1) const {
        StrokeCurve(m, p(a.x, a.y), p(c.x, c.y), p(b.x, b.y), r0 * s, r1 * s, val);
    }
};

// A sword standing point down (dir = 1) or up (dir = -1) with its hilt at (x, y).
void Sword(const Pen& d, float x, float y, float len, float dir, bool bright) {
    Mask& m = bright ? d.l.lines : d.l.body;
    d.poly(m, {{x - 9, y}, {x + 9, y}, {x + 2, y + dir * len}, {x - 2, y + dir * len}});
    d.seg(m, x - 46, y, x + 46, y, 6, 6);
    d.seg(m, x, y, x, y - dir * 60, 6, 5);
    d.ellipse(m, x, y - dir * 68, 11, 11);
    d.seg(d.l.lines, x, y + dir * 10, x, y + dir * (len - 30), 1.4f, 0.6f, 0.9f);
}

void Stars(const Pen& d, uint64_t seed, int count) {
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        float x = rng.uniform(40, 472), y = rng.uniform(40, 472);
        float r = rng.uniform(0.6f, 1.8f);
        d.ellipse(d.l.lines, x, y, r, r, 0, rng.uniform(0.4f, 1.0f));
    }
}

void DrawKnight(const Pen& d) {
    Mask& b = d.l.body;
    d.poly(b, {{196, 250}, {196, 150}, {210, 112}, {256, 96}, {302, 112}, {316, 150}, {316, 250}});
    d.poly(b, {{150, 512}, {170, 330}, {342, 330}, {362, 512}});
    d.ellipse(b, 178, 330, 64, 42, -0.3f);
    d.ellipse(b, 334, 330, 64, 42, 0.3f);
    d.seg(b, 236, 250, 236, 300, 22, 22);
    d.seg(b, 276, 250, 276, 300, 22, 22);
    // Visor slit, breathing holes and the cross on the tabard as light.
    d.seg(d.l.lines, 212, 170, 300, 170, 3, 3);
    d.seg(d.l.lines, 256, 186, 256, 236, 2, 2);
    d.seg(d.l.lines, 256, 350, 256, 490, 5, 5);
    d.seg(d.l.lines, 206, 400, 306, 400, 5, 5);
    d.curve(d.l.lines, {256, 96}, {320, 40}, {380, 80}, 7, 1);
    d.curve(d.l.lines, {256, 100}, {330, 60}, {370, 110}, 5, 1, 0.7f);
    d.ellipse(d.l.glow, 256, 170, 120, 40, 0, 0.5f);
}

void DrawCastle(const Pen& d) {
    Mask& b = d.l.body;
    d.ellipse(b, 256, 560, 330, 170);
    d.poly(b, {{150, 410}, {150, 300}, {362, 300}, {362, 410}});
    for (int i = 0; i < 9; ++i)
        d.poly(b, {{150.0f + i * 24, 300},
                   {150.0f + i * 24, 286},
                   {162.0f + i * 24, 286},
                   {162.0f + i * 24, 300}});
    d.poly(b, {{226, 300}, {226, 190}, {286, 190}, {286, 300}});
    d.poly(b, {{218, 190}, {256, 120}, {294, 190}});
    d.poly(b, {{130, 330}, {130, 230}, {172, 230}, {172, 330}});
    d.poly(b, {{124, 230}, {151, 176}, {178, 230}});
    d.poly(b, {{340, 330}, {340, 240}, {382, 240}, {382, 330}});
    d.poly(b, {{334, 240}, {361, 186}, {388, 240}});
    d.seg(d.l.lines, 256, 120, 256, 96, 1.5f, 1.5f);
    d.poly(d.l.lines, {{256, 98}, {282, 104}, {256, 110}});
    for (float wx : {151.0f, 240.0f, 272.0f, 361.0f})
        d.ellipse(d.l.lines, wx, wx == 151 || wx == 361 ? 270 : 230, 4, 7, 0, 0.9f);
    d.poly(d.l.lines, {{246, 410}, {246, 370}, {256, 360}, {266, 370}, {266, 410}});
    d.ellipse(d.l.glow, 390, 110, 40, 40);
    d.ellipse(d.l.lines, 390, 110, 34, 34, 0, 0.8f);
    Stars(d, 301, 40);
}

void DrawBattle(const Pen& d) {
    Rng rng(311);
    for (int i = 0; i < 9; ++i) {  // a forest of spears behind
        float x = 60 + i * 48 + rng.uniform(-8, 8), lean = rng.uniform(-40, 40);
        d.seg(d.l.body, x, 470, x + lean, 120, 3, 2);
        d.poly(d.l.lines, {{x + lean - 6, 124}, {x + lean, 96}, {x + lean + 6, 124}});
        if (i % 3 == 1)
            d.poly(d.l.body,
                   {{x + lean * 0.9f, 140}, {x + lean * 0.9f + 60, 160}, {x + lean * 0.9f, 182}});
    }
    d.ellipse(d.l.body, 256, 290, 96, 110);
    d.ellipse(d.l.lines, 256, 290, 14, 14, 0, 0.9f);
    // Two crossed swords in front of the shield, the fight's light.
    Mask& ln = d.l.lines;
    d.seg(ln, 120, 440, 392, 130, 6, 3);
    d.seg(ln, 392, 440, 120, 130, 6, 3);
    d.seg(ln, 130, 392, 180, 444, 5, 5);
    d.seg(ln, 382, 392, 332, 444, 5, 5);
    d.ellipse(d.l.glow, 256, 285, 60, 60);
    d.ellipse(d.l.body, 256, 540, 320, 90);
}

void DrawDragon(const Pen& d) {
    Mask& b = d.l.body;
    // Wings: membranes between long fingers.
    d.poly(b, {{250, 250},
               {150, 120},
               {60, 110},
               {90, 170},
               {70, 230},
               {120, 250},
               {110, 300},
               {200, 290}});
    d.poly(b, {{270, 250},
               {360, 120},
               {450, 100},
               {430, 160},
               {452, 220},
               {400, 245},
               {414, 300},
               {320, 290}});
    for (Vec2 t : {Vec2{60, 110}, Vec2{90, 170}, Vec2{70, 230}, Vec2{110, 300}})
        d.seg(d.l.lines, 250, 250, t.x, t.y, 2.5f, 1, 0.8f);
    for (Vec2 t : {Vec2{450, 100}, Vec2{430, 160}, Vec2{452, 220}, Vec2{414, 300}})
        d.seg(d.l.lines, 270, 250, t.x, t.y, 2.5f, 1, 0.8f);
    // Body, neck, head and a long tail curling down.
    d.ellipse(b, 260, 280, 36, 70, 0.1f);
    d.curve(b, {255, 230}, {230, 170}, {270, 140}, 20, 12);
    d.poly(b, {{260, 128}, {300, 142}, {312, 156}, {282, 156}, {262, 150}});
    d.curve(b, {262, 340}, {300, 430}, {220, 450}, 22, 4);
    d.curve(b, {220, 450}, {160, 460}, {180, 400}, 4, 1.5f);
    // Fire from the jaws.
    d.poly(d.l.glow, {{305, 150}, {470, 110}, {480, 200}});
    d.poly(d.l.lines, {{305, 150}, {430, 135}, {440, 175}});
    d.ellipse(d.l.lines, 286, 142, 3, 3);
}

void DrawCrown(const Pen& d) {
    d.poly(d.l.body, {{150, 330},
                      {140, 200},
                      {190, 270},
                      {220, 170},
                      {256, 250},
                      {292, 170},
                      {322, 270},
                      {372, 200},
                      {362, 330}});
    d.seg(d.l.lines, 150, 330, 362, 330, 6, 6);
    d.seg(d.l.lines, 148, 300, 364, 300, 3, 3, 0.8f);
    for (Vec2 j : {Vec2{140, 200}, Vec2{220, 170}, Vec2{292, 170}, Vec2{372, 200}})
        d.ellipse(d.l.lines, j.x, j.y, 9, 9);
    for (float x : {190.0f, 256.0f, 322.0f}) d.ellipse(d.l.lines, x, 315, 7, 9, 0, 0.9f);
    for (int i = 0; i < 24; ++i) {  // radiance
        float a = i * 2 * kPi / 24;
        d.seg(d.l.lines, 256 + std::cos(a) * 150, 260 + std::sin(a) * 150, 256 + std::cos(a) * 215,
              260 + std::sin(a) * 215, 1.6f, 0.4f, 0.6f);
    }
    d.ellipse(d.l.glow, 256, 260, 110, 90);
}

void DrawSwordInStone(const Pen& d) {
    d.poly(d.l.body, {{110, 512}, {140, 400}, {200, 360}, {300, 350}, {370, 390}, {410, 512}});
    Sword(d, 256, 150, 240, 1, true);
    d.poly(d.l.glow, {{226, 0}, {286, 0}, {320, 380}, {192, 380}});
    Stars(d, 361, 60);
}

void DrawCrowsAndOak(const Pen& d) {
    Mask& b = d.l.body;
    d.ellipse(d.l.glow, 256, 190, 70, 70);
    d.ellipse(d.l.lines, 256, 190, 60, 60, 0, 0.7f);
    d.curve(b, {256, 512}, {250, 420}, {262, 330}, 24, 14);
    Rng rng(371);
    for (int i = 0; i < 60; ++i) {
        float a = rng.uniform(0, 2 * kPi), r = std::sqrt(rng.uniform());
        d.ellipse(b, 256 + std::cos(a) * r * 150, 270 + std::sin(a) * r * 80, rng.uniform(20, 40),
                  rng.uniform(16, 28));
    }
    for (int i = 0; i < 11; ++i) {  // crows circling in an ellipse around the crown
        float a = i * 2 * kPi / 11 + rng.uniform(-0.1f, 0.1f);
        float x = 256 + std::cos(a) * 200, y = 200 + std::sin(a) * 110;
        float w = rng.uniform(14, 20), up = rng.uniform(-8, 6);
        d.poly(d.l.lines, {{x - w, y + up},
                           {x - w * 0.4f, y - 3},
                           {x, y + 3},
                           {x + w * 0.4f, y - 3},
                           {x + w, y + up},
                           {x + w * 0.3f, y + 4},
                           {x, y + 7},
                           {x - w * 0.3f, y + 4}});
    }
}

void DrawHorse(const Pen& d) {
    Mask& b = d.l.body;
    // A horse rearing toward the left.
    d.ellipse(b, 280, 290, 95, 52, -0.65f);
    d.curve(b, {230, 240}, {205, 180}, {190, 140}, 34, 22);
    d.ellipse(b, 168, 140, 40, 20, -0.9f);
    d.seg(b, 150, 166, 136, 178, 12, 9);
    d.poly(b, {{188, 108}, {196, 86}, {204, 112}});
    d.curve(b, {320, 340}, {350, 400}, {330, 470}, 20, 9);  // hind legs
    d.curve(b, {345, 320}, {390, 390}, {372, 470}, 18, 9);
    d.curve(b, {220, 260}, {170, 270}, {150, 230}, 15, 8);  // fore legs raised
    d.curve(b, {236, 270}, {200, 300}, {168, 288}, 14, 8);
    for (int i = 0; i < 6; ++i) {  // mane and tail
        d.curve(d.l.lines, {200.0f + i * 6, 130.0f + i * 14}, {240.0f + i * 4, 140.0f + i * 12},
                {250.0f + i * 3, 190.0f + i * 10}, 2, 0.5f, 0.8f);
        d.curve(d.l.lines, {365, 320}, {420.0f + i * 8, 300.0f + i * 10},
                {410.0f + i * 10, 420.0f + i * 8}, 2.5f, 0.5f, 0.7f);
    }
    d.ellipse(d.l.lines, 175, 132, 3, 3);
    d.ellipse(d.l.body, 256, 560, 300, 80);
    d.ellipse(d.l.glow, 270, 300, 140, 100, 0, 0.6f);
}

void DrawShield(const Pen& d) {
    d.poly(d.l.body, {{156, 120}, {356, 120}, {350, 280}, {256, 400}, {162, 280}});
    d.seg(d.l.lines, 156, 120, 356, 120, 4, 4);
    d.seg(d.l.lines, 356, 120, 350, 280, 4, 4);
    d.seg(d.l.lines, 350, 280, 256, 400, 4, 4);
    d.seg(d.l.lines, 256, 400, 162, 280, 4, 4);
    d.seg(d.l.lines, 162, 280, 156, 120, 4, 4);
    Sword(d, 256, 175, 180, 1, true);
    for (int i = 0; i < 22; ++i) {  // laurel ring
        float a = kPi * 0.15f + i * kPi * 1.7f / 21;
        float x = 256 + std::cos(a + kPi / 2) * 200, y = 250 + std::sin(a + kPi / 2) * 200;
        d.ellipse(d.l.lines, x, y, 14, 6, a + kPi / 2 + 0.6f, 0.7f);
    }
    d.ellipse(d.l.glow, 256, 250, 100, 120, 0, 0.6f);
}

void DrawRisingSword(const Pen& d) {
    for (int i = 0; i < 7; ++i) {  // ripples of the lake
        float y = 380 + i * 16, w = 80 + i * 40;
        d.seg(d.l.lines, 256 - w, y, 256 + w, y, 1.5f, 1.5f, 0.8f - i * 0.08f);
    }
    Mask& b = d.l.body;
    d.curve(b, {256, 400}, {250, 350}, {256, 300}, 22, 17);  // forearm
    d.ellipse(b, 256, 290, 24, 20);                          // hand
    Sword(d, 256, 268, 230, -1, true);
    d.ellipse(d.l.glow, 256, 150, 60, 140);
    Stars(d, 391, 30);
}

void DrawScene(int index, const Pen& d) {
    switch (index) {
        case 0:
            DrawKnight(d);
            break;
        case 1:
            DrawCastle(d);
            break;
        case 2:
            DrawBattle(d);
            break;
        case 3:
            DrawDragon(d);
            break;
        case 4:
            DrawCrown(d);
            break;
        case 5:
            DrawSwordInStone(d);
            break;
        case 6:
            DrawCrowsAndOak(d);
            break;
        case 7:
            DrawHorse(d);
            break;
        case 8:
            DrawShield(d);
            break;
        default:
            DrawRisingSword(d);
            break;
    }
}

struct Palette {
    float r, g, b;
};

const Palette kPalettes[kVisionCount] = {
    {0.85f, 0.90f, 1.00f}, {1.00f, 0.80f, 0.50f}, {1.00f, 0.62f, 0.35f}, {1.00f, 0.50f, 0.25f},
    {1.00f, 0.85f, 0.45f}, {0.80f, 0.90f, 1.00f}, {0.70f, 0.80f, 1.00f}, {1.00f, 0.82f, 0.60f},
    {1.00f, 0.88f, 0.55f}, {0.65f, 0.88f, 1.00f}};

}  // namespace

const char* VisionTitle(int index) {
    static const char* kTitles[kVisionCount] = {
        "knight",         "castle",        "battle", "dragon", "crown",
        "sword in stone", "crows and oak", "horse",  "shield", "sword from the lake"};
    return kTitles[std::clamp(index, 0, kVisionCount - 1)];
}

Image8 MakeVision(int index, int size) {
    Layers l(size);
    Pen pen{l, size / 512.0f};
    DrawScene(index, pen);
    int r1 = std::max(1, size / 170), r2 = std::max(2, size / 40), r3 = std::max(3, size / 16);
    Mask inner = l.body;
    BoxBlur(inner, r1);
    Mask outer = l.body;
    BoxBlur(outer, r2);
    Mask lineGlow = l.lines;
    BoxBlur(lineGlow, r1 * 2);
    Mask halo = l.glow;
    BoxBlur(halo, r3);
    Mask wideLines = l.lines;
    BoxBlur(wideLines, r2);
    Palette pal = kPalettes[index];
    float rot = 0.6f + index * 0.4f, ca = std::cos(rot), sa = std::sin(rot);
    uint32_t seed = 500 + static_cast<uint32_t>(index);
    Image8 img(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float u = static_cast<float>(x) / size, v = static_cast<float>(y) / size;
            // Brush strokes: noise stretched along one direction per picture.
            float su = (u * ca + v * sa) * 4, sv = (-u * sa + v * ca) * 40;
            float brush = 0.55f + 0.45f * Fbm2(su, sv, 3, seed);
            float mist = Smoothstep(0.1f, 0.8f, Fbm2(u * 3, v * 3, 4, seed + 50) * 0.5f + 0.5f);
            float body = l.body.at(x, y);
            float rim = Clamp01((body - inner.at(x, y)) * 2.6f);
            float outGlow = Clamp01(outer.at(x, y) - body) * 0.9f;
            float lum = 0.20f * body * brush + 0.95f * rim * brush + 0.55f * outGlow +
                        0.95f * l.lines.at(x, y) + 0.55f * lineGlow.at(x, y) +
                        0.35f * wideLines.at(x, y) + 0.75f * halo.at(x, y) + 0.10f * mist * brush;
            float dx = u * 2 - 1, dy = v * 2 - 1;
            float vignette = 1 - Smoothstep(0.55f, 0.97f, std::sqrt(dx * dx + dy * dy));
            lum *= vignette;
            float white = Clamp01(lum - 0.9f) * 0.7f;
            float k = Clamp01(lum);
            uint8_t* o = img.at(x, y);
            o[0] = static_cast<uint8_t>(std::lround(255 * Clamp01(pal.r * k + white)));
            o[1] = static_cast<uint8_t>(std::lround(255 * Clamp01(pal.g * k + white)));
            o[2] = static_cast<uint8_t>(std::lround(255 * Clamp01(pal.b * k + white)));
            o[3] = 255;
        }
    }
    return img;
}

}  // namespace eh::mediagen

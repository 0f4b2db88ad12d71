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
    float dy = 0;  // shifts a whole figure up or down the grid
    Vec2 p(float x, float y) const { return {x * s, (y + dy) * s}; }
    void poly(Mask& m, std::initializer_list<Vec2> pts, float val = 1) const {
        std::vector<Vec2> v;
        for (Vec2 q : pts) v.push_back(p(q.x, q.y));
        FillPolygon(m, v, val);
    }
    void ellipse(Mask& m, float x, float y, float rx, float ry, float ang = 0,
                 float val = 1) const {
        FillEllipse(m, x * s, (y + dy) * s, rx * s, ry * s, ang, val);
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

// A circle of bright line, for rings of light behind a figure.
void Ring(const Pen& d, float x, float y, float r, float width, float val) {
    constexpr int kSteps = 96;
    for (int i = 0; i < kSteps; ++i) {
        float a0 = i * 2 * kPi / kSteps, a1 = (i + 1) * 2 * kPi / kSteps;
        d.seg(d.l.lines, x + std::cos(a0) * r, y + std::sin(a0) * r, x + std::cos(a1) * r,
              y + std::sin(a1) * r, width, width, val);
    }
}

// A knight keeping vigil: great helm, rounded pauldrons, both gauntlets resting on the
// pommel of a sword standing point down, a ring of light behind the helm.
void DrawKnight(const Pen& pen) {
    // Drawn 30 units higher than designed, so the sword's guard clears the vignette.
    const Pen d{pen.l, pen.s, pen.dy - 30};
    Mask& b = d.l.body;
    Mask& ln = d.l.lines;
    Ring(d, 256, 170, 104, 1.6f, 0.55f);
    d.ellipse(d.l.glow, 256, 170, 96, 96, 0, 0.45f);
    // Helm: a dome over a tapering face plate, and the gorget below it. The plates are
    // filled at different strengths: the steps between them light up as rims, so the arms
    // read in front of the breastplate.
    d.ellipse(b, 256, 150, 50, 56);
    d.poly(b, {{206, 148}, {306, 148}, {300, 222}, {256, 236}, {212, 222}});
    d.poly(b, {{224, 226}, {288, 226}, {300, 262}, {212, 262}}, 0.8f);
    // Pauldrons, arms and the breastplate narrowing to the waist.
    d.poly(b, {{186, 286}, {326, 286}, {338, 322}, {328, 362}, {314, 396}, {322, 432},
               {338, 512}, {174, 512}, {190, 432}, {198, 396}, {184, 362}, {174, 322}},
           0.62f);
    d.ellipse(b, 184, 290, 58, 36, -0.32f, 0.85f);
    d.ellipse(b, 328, 290, 58, 36, 0.32f, 0.85f);
    d.seg(b, 146, 306, 160, 384, 24, 19);
    d.seg(b, 366, 306, 352, 384, 24, 19);
    d.seg(b, 160, 384, 238, 380, 17, 14);
    d.seg(b, 352, 384, 274, 380, 17, 14);
    d.ellipse(b, 244, 380, 17, 15, 0.2f);
    d.ellipse(b, 268, 380, 17, 15, -0.2f);
    // Light on the armour: visor slit, the helm's ridge and breaths, the pauldrons' lames.
    d.seg(ln, 214, 168, 298, 168, 3.2f, 3.2f);
    d.seg(ln, 256, 98, 256, 160, 1.6f, 1.2f, 0.7f);
    d.seg(ln, 256, 176, 256, 232, 1.8f, 1.2f, 0.8f);
    for (int i = 0; i < 4; ++i) {
        d.ellipse(ln, 274 + i * 6.0f, 192 + i * 6.0f, 1.8f, 1.8f, 0, 0.8f);
        d.ellipse(ln, 238 - i * 6.0f, 192 + i * 6.0f, 1.8f, 1.8f, 0, 0.8f);
    }
    for (int i = 0; i < 3; ++i) {
        float k = i * 11.0f;
        d.curve(ln, {130, 300 + k}, {176, 254 + k}, {228, 272 + k}, 1.8f, 1.2f, 0.8f - i * 0.15f);
        d.curve(ln, {382, 300 + k}, {336, 254 + k}, {284, 272 + k}, 1.8f, 1.2f, 0.8f - i * 0.15f);
    }
    d.curve(ln, {200, 300}, {256, 320}, {312, 300}, 1.6f, 1.6f, 0.6f);  // breastplate's edge
    d.seg(ln, 256, 300, 256, 352, 1.6f, 1.2f, 0.6f);                      // its ridge
    for (int i = 0; i < 2; ++i) {  // the tassets' lames either side of the blade
        float y = 440 + i * 26.0f;
        d.curve(ln, {194, y}, {218, y + 8}, {240, y + 6}, 1.5f, 1.2f, 0.5f - i * 0.1f);
        d.curve(ln, {318, y}, {294, y + 8}, {272, y + 6}, 1.5f, 1.2f, 0.5f - i * 0.1f);
    }
    // The sword: pommel above the gauntlets, guard below, the blade into the dark.
    d.ellipse(ln, 256, 350, 10, 10);
    d.seg(ln, 256, 356, 256, 368, 3, 3, 0.8f);
    d.seg(ln, 204, 410, 308, 410, 5, 5);
    d.poly(ln, {{247, 414}, {265, 414}, {259, 560}, {253, 560}});
    d.ellipse(d.l.glow, 256, 410, 60, 40, 0, 0.6f);
    // A plume streaming from the crest.
    d.curve(ln, {256, 96}, {310, 62}, {374, 96}, 6, 1);
    d.curve(ln, {258, 100}, {318, 76}, {368, 128}, 4.5f, 1, 0.75f);
    d.curve(ln, {256, 102}, {306, 94}, {340, 146}, 3.5f, 0.8f, 0.55f);
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

// A horse rearing toward the left against a fan of light: one flowing silhouette for
// head, neck and body, legs as tapering strokes (the far pair dimmer, so their edges read
// against the body), mane and tail as streaming lines.
void DrawHorse(const Pen& d) {
    Mask& b = d.l.body;
    Mask& ln = d.l.lines;
    for (int i = 0; i < 15; ++i) {  // the fan, from behind the withers upward
        float a = kPi * (1.08f + 0.84f * i / 14.0f);
        d.seg(ln, 270 + std::cos(a) * 150, 250 + std::sin(a) * 150, 270 + std::cos(a) * 225,
              250 + std::sin(a) * 225, 1.5f, 0.4f, 0.5f);
    }
    d.ellipse(d.l.glow, 268, 240, 130, 120, 0, 0.55f);
    d.poly(b, {{132, 150}, {136, 138}, {160, 120}, {186, 100}, {198, 88},  {212, 90},
               {230, 104}, {250, 130}, {268, 162}, {284, 190}, {312, 214}, {342, 240},
               {366, 262}, {384, 290}, {390, 318}, {384, 346}, {370, 366}, {344, 372},
               {318, 352}, {290, 330}, {258, 308}, {232, 292}, {212, 276}, {198, 256},
               {194, 230}, {196, 204}, {194, 180}, {190, 164}, {176, 162}, {158, 160},
               {142, 160}});
    d.poly(b, {{204, 94}, {212, 64}, {220, 96}});
    d.poly(b, {{214, 98}, {228, 70}, {230, 104}}, 0.8f);
    // Hind legs planted, the far one dimmer.
    d.seg(b, 374, 340, 394, 402, 20, 10, 0.75f);
    d.seg(b, 394, 402, 380, 440, 8, 7, 0.75f);
    d.seg(b, 380, 440, 372, 452, 7, 9, 0.75f);
    d.seg(b, 350, 344, 362, 404, 25, 11);
    d.seg(b, 362, 404, 338, 442, 9, 7);
    d.seg(b, 338, 442, 328, 454, 7, 9);
    // Forelegs folded up under the chest.
    d.seg(b, 230, 282, 186, 282, 14, 9, 0.75f);
    d.seg(b, 186, 282, 188, 326, 7, 6, 0.75f);
    d.seg(b, 188, 326, 200, 336, 6, 8, 0.75f);
    d.seg(b, 214, 262, 162, 236, 16, 10);
    d.seg(b, 162, 236, 150, 282, 8, 7);
    d.seg(b, 150, 282, 160, 296, 7, 9);
    // Eye, nostril, the shoulder and the hip as light.
    d.ellipse(ln, 182, 118, 3.5f, 2.5f, -0.5f);
    d.ellipse(ln, 142, 146, 2, 2, 0, 0.6f);
    d.curve(ln, {282, 198}, {236, 222}, {228, 280}, 1.6f, 1.0f, 0.45f);
    d.curve(ln, {362, 266}, {332, 302}, {352, 350}, 1.6f, 1.0f, 0.45f);
    // The mane streaming back from the crest, a forelock, and the tail flying out.
    Rng rng(381);
    for (int i = 0; i < 16; ++i) {  // each lock an S: up off the crest, then back down
        float t = (i + rng.uniform(0.0f, 0.6f)) / 16.0f;
        float x = 214 + t * 70, y = 94 + t * 96;
        float len = rng.uniform(48, 84) * (1.0f - 0.35f * t), lift = rng.uniform(10, 22);
        Vec2 mid{x + len * 0.5f, y - lift}, end{x + len, y - lift * 0.4f + rng.uniform(0, 14)};
        float w = rng.uniform(1.6f, 2.6f), v = 0.9f - 0.3f * t;
        d.curve(ln, {x, y}, {x + len * 0.2f, y - lift * 1.4f}, mid, w, w * 0.7f, v);
        d.curve(ln, mid, {x + len * 0.8f, y + lift * 0.4f - lift}, end, w * 0.7f, 0.4f, v * 0.9f);
    }
    d.curve(ln, {204, 92}, {184, 92}, {172, 108}, 2.2f, 0.6f, 0.8f);
    d.curve(ln, {208, 94}, {190, 100}, {182, 112}, 1.8f, 0.5f, 0.6f);
    for (int i = 0; i < 9; ++i) {
        float k = static_cast<float>(i);
        Vec2 mid{420 + k * 3, 300 + k * 9};
        d.curve(ln, {386, 292}, {410 + k * 4, 268 + k * 6}, mid, 2.8f, 1.8f, 0.85f - k * 0.05f);
        d.curve(ln, mid, {440 + k * 2, 350 + k * 14}, {418 + k * 6, 400 + k * 10}, 1.8f, 0.4f,
                0.8f - k * 0.05f);
    }
    // The ground under the hooves, and dust thrown up.
    d.seg(ln, 250, 458, 450, 458, 1.4f, 1.4f, 0.5f);
    d.ellipse(d.l.glow, 350, 456, 70, 12, 0, 0.7f);
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

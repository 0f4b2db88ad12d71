#include "mediagen/images/paint.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

namespace eh::mediagen {

namespace {

constexpr float kPi = 3.14159265358979f;

// Calls fn(x, y, coverage) for every pixel a tapered capsule touches.
template <class F>
void SegmentCoverage(Vec2 a, Vec2 b, float ra, float rb, F&& fn) {
    float r = std::max(ra, rb) + 1;
    int x0 = static_cast<int>(std::floor(std::min(a.x, b.x) - r));
    int x1 = static_cast<int>(std::ceil(std::max(a.x, b.x) + r));
    int y0 = static_cast<int>(std::floor(std::min(a.y, b.y) - r));
    int y1 = static_cast<int>(std::ceil(std::max(a.y, b.y) + r));
    float dx = b.x - a.x, dy = b.y - a.y;
    float len2 = dx * dx + dy * dy;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            float px = x + 0.5f - a.x, py = y + 0.5f - a.y;
            float t = len2 > 0 ? Clamp01((px * dx + py * dy) / len2) : 0;
            float ex = px - t * dx, ey = py - t * dy;
            float d = std::sqrt(ex * ex + ey * ey);
            float rad = ra + (rb - ra) * t;
            float k = rad >= 0.5f ? Clamp01(rad - d + 0.5f) : Clamp01(1 - d) * 2 * rad;
            if (k > 0) fn(x, y, k);
        }
    }
}

template <class F>
void EllipseCoverage(float cx, float cy, float rx, float ry, float angleRad, F&& fn) {
    float c = std::cos(angleRad), s = std::sin(angleRad);
    float r = std::max(rx, ry) + 1;
    int x0 = static_cast<int>(std::floor(cx - r)), x1 = static_cast<int>(std::ceil(cx + r));
    int y0 = static_cast<int>(std::floor(cy - r)), y1 = static_cast<int>(std::ceil(cy + r));
    float minR = std::min(rx, ry);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float u = (dx * c + dy * s) / rx, v = (-dx * s + dy * c) / ry;
            float q = std::sqrt(u * u + v * v);
            // Distance to the edge, approximated in pixels along the smaller radius.
            float k = Clamp01((1 - q) * minR + 0.5f);
            if (minR < 0.5f) k *= 2 * minR;
            if (k > 0) fn(x, y, k);
        }
    }
}

void WrapIndex(int& x, int& y, int w, int h) {
    x = ((x % w) + w) % w;
    y = ((y % h) + h) % h;
}

void Put(Mask& m, int x, int y, float v, bool wrap) {
    if (wrap) {
        x = ((x % m.width()) + m.width()) % m.width();
        y = ((y % m.height()) + m.height()) % m.height();
    } else if (x < 0 || y < 0 || x >= m.width() || y >= m.height()) {
        return;
    }
    float& d = m.at(x, y);
    if (v > d) d = v;
}

}  // namespace

void FillPolygon(Mask& m, const std::vector<Vec2>& pts, float value) {
    if (pts.size() < 3) return;
    float minY = pts[0].y, maxY = pts[0].y;
    for (const Vec2& p : pts) {
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    int y0 = std::max(0, static_cast<int>(std::floor(minY)));
    int y1 = std::min(m.height() - 1, static_cast<int>(std::ceil(maxY)));
    constexpr int kSub = 4;
    std::vector<float> cover(static_cast<size_t>(m.width()) + 2);
    std::vector<float> xs;
    for (int y = y0; y <= y1; ++y) {
        std::fill(cover.begin(), cover.end(), 0.0f);
        bool any = false;
        for (int s = 0; s < kSub; ++s) {
            float sy = y + (s + 0.5f) / kSub;
            xs.clear();
            for (size_t i = 0; i < pts.size(); ++i) {
                Vec2 a = pts[i], b = pts[(i + 1) % pts.size()];
                if ((a.y <= sy && b.y > sy) || (b.y <= sy && a.y > sy)) {
                    xs.push_back(a.x + (sy - a.y) / (b.y - a.y) * (b.x - a.x));
                }
            }
            std::sort(xs.begin(), xs.end());
            for (size_t i = 0; i + 1 < xs.size(); i += 2) {
                float xa = std::max(0.0f, xs[i]);
                float xb = std::min(static_cast<float>(m.width()), xs[i + 1]);
                if (xb <= xa) continue;
                any = true;
                int ia = static_cast<int>(xa), ib = static_cast<int>(xb);
                if (ia == ib) {
                    cover[ia] += (xb - xa) / kSub;
                    continue;
                }
                cover[ia] += (ia + 1 - xa) / kSub;
                for (int x = ia + 1; x < ib; ++x) cover[x] += 1.0f / kSub;
                if (ib < m.width()) cover[ib] += (xb - ib) / kSub;
            }
        }
        if (!any) continue;
        for (int x = 0; x < m.width(); ++x) {
            if (cover[x] > 0) Put(m, x, y, std::min(1.0f, cover[x]) * value, false);
        }
    }
}

void FillEllipse(Mask& m, float cx, float cy, float rx, float ry, float angleRad, float value,
                 bool wrap) {
    EllipseCoverage(cx, cy, rx, ry, angleRad,
                    [&](int x, int y, float k) { Put(m, x, y, k * value, wrap); });
}

void StrokeSegment(Mask& m, Vec2 a, Vec2 b, float ra, float rb, float value, bool wrap) {
    SegmentCoverage(a, b, ra, rb, [&](int x, int y, float k) { Put(m, x, y, k * value, wrap); });
}

void PaintSegment(Canvas& c, Vec2 a, Vec2 b, float ra, float rb, Color col, bool wrap) {
    SegmentCoverage(a, b, ra, rb, [&](int x, int y, float k) {
        if (wrap) WrapIndex(x, y, c.width(), c.height());
        c.over(x, y, col, k);
    });
}

void PaintEllipse(Canvas& c, float cx, float cy, float rx, float ry, float angleRad, Color col,
                  bool wrap) {
    EllipseCoverage(cx, cy, rx, ry, angleRad, [&](int x, int y, float k) {
        if (wrap) WrapIndex(x, y, c.width(), c.height());
        c.over(x, y, col, k);
    });
}

void PaintPolygon(Canvas& c, const std::vector<Vec2>& pts, Color col, bool wrap) {
    if (pts.empty()) return;
    float minX = pts[0].x, minY = pts[0].y, maxX = minX, maxY = minY;
    for (const Vec2& p : pts) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    int ox = static_cast<int>(std::floor(minX)) - 1, oy = static_cast<int>(std::floor(minY)) - 1;
    Mask m(static_cast<int>(std::ceil(maxX)) - ox + 2, static_cast<int>(std::ceil(maxY)) - oy + 2);
    std::vector<Vec2> local;
    for (const Vec2& p : pts) local.push_back({p.x - ox, p.y - oy});
    FillPolygon(m, local);
    c.overMask(m, ox, oy, col, wrap);
}

void StrokePolyline(Mask& m, const std::vector<Vec2>& pts, float radius, float value) {
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        StrokeSegment(m, pts[i], pts[i + 1], radius, radius, value);
    }
    if (pts.size() == 1) StrokeSegment(m, pts[0], pts[0], radius, radius, value);
}

std::vector<Vec2> QuadraticPoints(Vec2 p0, Vec2 c, Vec2 p1, int n) {
    std::vector<Vec2> out;
    for (int i = 0; i <= n; ++i) {
        float t = static_cast<float>(i) / n, u = 1 - t;
        out.push_back({u * u * p0.x + 2 * u * t * c.x + t * t * p1.x,
                       u * u * p0.y + 2 * u * t * c.y + t * t * p1.y});
    }
    return out;
}

void StrokeCurve(Mask& m, Vec2 p0, Vec2 c, Vec2 p1, float r0, float r1, float value, bool wrap) {
    float approxLen = std::hypot(c.x - p0.x, c.y - p0.y) + std::hypot(p1.x - c.x, p1.y - c.y);
    int n = std::clamp(static_cast<int>(approxLen / 3), 2, 64);
    std::vector<Vec2> pts = QuadraticPoints(p0, c, p1, n);
    for (int i = 0; i < n; ++i) {
        float ra = r0 + (r1 - r0) * i / n, rb = r0 + (r1 - r0) * (i + 1) / n;
        StrokeSegment(m, pts[i], pts[i + 1], ra, rb, value, wrap);
    }
}

// ---- Stroke font ----------------------------------------------------------------------

namespace {

// Glyph outlines: "M x y" starts a stroke, "L x y" continues it, "A cx cy rx ry a0 a1"
// continues it with an elliptic arc from angle a0 to a1 in degrees (y grows downwards, so
// 90 is the bottom of the arc; a1 < a0 runs the other way round).
const std::map<char, const char*>& GlyphSource() {
    static const std::map<char, const char*> kGlyphs = {
        {'0', "A 2 3 2 3 0 360"},
        {'1', "M 0.9 1.3 L 2.4 0 L 2.4 6"},
        {'2', "A 2 1.9 1.9 1.9 200 390 L 0 6 L 4 6"},
        {'3', "A 2 1.6 1.8 1.6 200 450 A 2 4.5 2 1.5 270 520"},
        {'4', "M 3 6 L 3 0 L 0 4.2 L 4 4.2"},
        {'5', "M 3.8 0 L 0.7 0 L 0.55 2.8 A 2 4.1 1.95 1.9 225 520"},
        {'6', "M 3.4 0.1 A 4 4 3.9 4 260 180 A 2 4.1 1.9 1.9 180 540"},
        {'7', "M 0 0 L 4 0 L 1.5 6"},
        {'8', "A 2 1.5 1.6 1.5 0 360 M 2 3 A 2 4.45 1.95 1.55 270 630"},
        {'9', "M 0.6 5.9 A 0 2 3.9 4 80 0 A 2 1.9 1.9 1.9 0 360"},
        {':', "M 2 1.7 L 2 1.71 M 2 4.6 L 2 4.61"},
        {'.', "M 2 5.6 L 2 5.61"},
        {'_', "M 0 6.6 L 4 6.6"},
        {'-', "M 0.8 3.2 L 3.2 3.2"},
        {'/', "M 3.6 0 L 0.4 6"},
        {'\\', "M 0.4 0 L 3.6 6"},
        {'A', "M 0 6 L 2 0 L 4 6 M 0.7 4 L 3.3 4"},
        {'B',
         "M 0 3 L 2.4 3 M 0 6 L 0 0 L 2.2 0 A 2.2 1.5 1.5 1.5 270 450 M 2.3 3 "
         "A 2.3 4.5 1.7 1.5 270 450 L 0 6"},
        {'C', "A 2.2 3 2.1 3 320 40"},
        {'D', "M 0 0 L 0 6 L 1.8 6 A 1.8 3 2.2 3 90 -90 L 0 0"},
        {'E', "M 4 0 L 0 0 L 0 6 L 4 6 M 0 3 L 3 3"},
        {'F', "M 4 0 L 0 0 L 0 6 M 0 3 L 3 3"},
        {'G', "A 2.2 3 2.1 3 320 40 L 4.2 5.4 L 4.2 3.4 L 2.7 3.4"},
        {'H', "M 0 0 L 0 6 M 4 0 L 4 6 M 0 3 L 4 3"},
        {'I', "M 2 0 L 2 6 M 1 0 L 3 0 M 1 6 L 3 6"},
        {'J', "M 3.5 0 L 3.5 4.3 A 1.9 4.3 1.6 1.7 0 160"},
        {'K', "M 0 0 L 0 6 M 4 0 L 0 3.6 M 1.3 2.8 L 4 6"},
        {'L', "M 0 0 L 0 6 L 3.8 6"},
        {'M', "M 0 6 L 0 0 L 2.5 4 L 5 0 L 5 6"},
        {'N', "M 0 6 L 0 0 L 4 6 L 4 0"},
        {'O', "A 2.2 3 2.2 3 0 360"},
        {'P', "M 0 6 L 0 0 L 2.4 0 A 2.4 1.6 1.6 1.6 270 450 L 0 3.2"},
        {'Q', "A 2.2 3 2.2 3 0 360 M 2.6 4.2 L 4.4 6.2"},
        {'R', "M 0 6 L 0 0 L 2.4 0 A 2.4 1.6 1.6 1.6 270 450 L 0 3.2 M 2 3.2 L 4 6"},
        {'S', "A 2 1.55 1.8 1.55 340 90 A 2 4.45 1.95 1.55 270 520"},
        {'T', "M 0 0 L 4.4 0 M 2.2 0 L 2.2 6"},
        {'U', "M 0 0 L 0 4 A 2 4 2 2 180 0 L 4 0"},
        {'V', "M 0 0 L 2 6 L 4 0"},
        {'W', "M 0 0 L 1.3 6 L 2.5 2 L 3.7 6 L 5 0"},
        {'X', "M 0 0 L 4 6 M 4 0 L 0 6"},
        {'Y', "M 0 0 L 2 3 L 4 0 M 2 3 L 2 6"},
        {'Z', "M 0 0 L 4 0 L 0 6 L 4 6"},
        {' ', ""},
    };
    return kGlyphs;
}

std::vector<std::vector<Vec2>> ParseGlyph(const char* src) {
    std::vector<std::vector<Vec2>> strokes;
    std::istringstream in(src);
    std::string cmd;
    while (in >> cmd) {
        if (cmd == "M" || cmd == "L") {
            Vec2 p;
            in >> p.x >> p.y;
            if (cmd == "M" || strokes.empty()) strokes.emplace_back();
            strokes.back().push_back(p);
        } else if (cmd == "A") {
            float cx, cy, rx, ry, a0, a1;
            in >> cx >> cy >> rx >> ry >> a0 >> a1;
            if (strokes.empty()) strokes.emplace_back();
            int n = std::max(4, static_cast<int>(std::fabs(a1 - a0) / 10));
            for (int i = 0; i <= n; ++i) {
                float a = (a0 + (a1 - a0) * i / n) * kPi / 180;
                strokes.back().push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
            }
        }
    }
    return strokes;
}

float GlyphWidth(char c) {
    if (c == ' ') return 2.5f;
    float w = 0;
    for (const auto& s : GlyphStrokes(c))
        for (const Vec2& p : s) w = std::max(w, p.x);
    return w;
}

constexpr float kGap = 1.7f;  // space between glyphs in font units

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

const std::vector<std::vector<Vec2>>& GlyphStrokes(char c) {
    static std::map<char, std::vector<std::vector<Vec2>>> cache = [] {
        std::map<char, std::vector<std::vector<Vec2>>> out;
        for (const auto& [ch, src] : GlyphSource()) out[ch] = ParseGlyph(src);
        return out;
    }();
    static const std::vector<std::vector<Vec2>> kEmpty;
    auto it = cache.find(Upper(c));
    return it == cache.end() ? kEmpty : it->second;
}

float TextWidth(const std::string& text, float height) {
    float w = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        w += GlyphWidth(Upper(text[i]));
        if (i + 1 < text.size()) w += kGap;
    }
    return w * height / 6.0f;
}

void StrokeText(Mask& m, const std::string& text, float x, float y, float height,
                float strokeRadius, float value) {
    float scale = height / 6.0f;
    float pen = 0;
    for (char raw : text) {
        char c = Upper(raw);
        for (const auto& stroke : GlyphStrokes(c)) {
            std::vector<Vec2> pts;
            for (const Vec2& p : stroke) pts.push_back({x + (pen + p.x) * scale, y + p.y * scale});
            StrokePolyline(m, pts, strokeRadius, value);
        }
        pen += GlyphWidth(c) + kGap;
    }
}

}  // namespace eh::mediagen

#include "mediagen/images/image.h"

#include <algorithm>
#include <cmath>

namespace eh::mediagen {

Color operator+(Color x, Color y) {
    return {x.r + y.r, x.g + y.g, x.b + y.b, x.a + y.a};
}
Color operator*(Color x, float k) {
    return {x.r * k, x.g * k, x.b * k, x.a * k};
}
Color Mix(Color x, Color y, float t) {
    return {Lerp(x.r, y.r, t), Lerp(x.g, y.g, t), Lerp(x.b, y.b, t), Lerp(x.a, y.a, t)};
}
Color Rgb(int r, int g, int b, int a) {
    return {r / 255.f, g / 255.f, b / 255.f, a / 255.f};
}

float Clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

float Smoothstep(float e0, float e1, float x) {
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

namespace {

int Wrap(int i, int n) {
    int r = i % n;
    return r < 0 ? r + n : r;
}

int ClampIndex(int i, int n) {
    return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

// One box pass of radius r over a strided line, with the edge clamped or wrapped.
void BoxLine(float* line, int n, int stride, int r, bool wrap, std::vector<float>& tmp) {
    tmp.resize(n);
    for (int i = 0; i < n; ++i) tmp[i] = line[static_cast<size_t>(i) * stride];
    auto get = [&](int i) { return tmp[wrap ? Wrap(i, n) : ClampIndex(i, n)]; };
    float sum = 0;
    for (int i = -r; i <= r; ++i) sum += get(i);
    float inv = 1.0f / (2 * r + 1);
    for (int i = 0; i < n; ++i) {
        line[static_cast<size_t>(i) * stride] = sum * inv;
        sum += get(i + r + 1) - get(i - r);
    }
}

}  // namespace

float Mask::sample(float x, float y, bool wrap) const {
    x -= 0.5f;
    y -= 0.5f;
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = x - x0, fy = y - y0;
    auto get = [&](int ix, int iy) {
        ix = wrap ? Wrap(ix, w_) : ClampIndex(ix, w_);
        iy = wrap ? Wrap(iy, h_) : ClampIndex(iy, h_);
        return at(ix, iy);
    };
    float a = Lerp(get(x0, y0), get(x0 + 1, y0), fx);
    float b = Lerp(get(x0, y0 + 1), get(x0 + 1, y0 + 1), fx);
    return Lerp(a, b, fy);
}

Color Canvas::sample(float x, float y, bool wrap) const {
    x -= 0.5f;
    y -= 0.5f;
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = x - x0, fy = y - y0;
    auto get = [&](int ix, int iy) {
        ix = wrap ? Wrap(ix, w_) : ClampIndex(ix, w_);
        iy = wrap ? Wrap(iy, h_) : ClampIndex(iy, h_);
        return at(ix, iy);
    };
    return Mix(Mix(get(x0, y0), get(x0 + 1, y0), fx), Mix(get(x0, y0 + 1), get(x0 + 1, y0 + 1), fx),
               fy);
}

void Canvas::over(int x, int y, Color c, float k) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || k <= 0) return;
    Color& d = at(x, y);
    float sa = Clamp01(c.a * k);
    float outA = sa + d.a * (1 - sa);
    if (outA <= 0) return;
    float wd = d.a * (1 - sa);
    d.r = (c.r * sa + d.r * wd) / outA;
    d.g = (c.g * sa + d.g * wd) / outA;
    d.b = (c.b * sa + d.b * wd) / outA;
    d.a = outA;
}

void Canvas::add(int x, int y, Color c, float k) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    Color& d = at(x, y);
    d.r += c.r * k;
    d.g += c.g * k;
    d.b += c.b * k;
}

void Canvas::overMask(const Mask& m, int ox, int oy, Color c, bool wrap) {
    for (int y = 0; y < m.height(); ++y) {
        for (int x = 0; x < m.width(); ++x) {
            float k = m.at(x, y);
            if (k <= 0) continue;
            int tx = ox + x, ty = oy + y;
            if (wrap) {
                tx = Wrap(tx, w_);
                ty = Wrap(ty, h_);
            }
            over(tx, ty, c, k);
        }
    }
}

Image8 ToImage8(const Canvas& c) {
    Image8 img(c.width(), c.height());
    auto q = [](float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); };
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) {
            const Color& p = c.at(x, y);
            uint8_t* d = img.at(x, y);
            d[0] = q(p.r);
            d[1] = q(p.g);
            d[2] = q(p.b);
            d[3] = q(p.a);
        }
    }
    return img;
}

Canvas FromImage8(const Image8& img) {
    Canvas c(img.width, img.height);
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* s = img.at(x, y);
            c.at(x, y) = Rgb(s[0], s[1], s[2], s[3]);
        }
    }
    return c;
}

void BoxBlur(Mask& m, int radius, bool wrap) {
    if (radius <= 0) return;
    std::vector<float> tmp;
    float* d = m.data().data();
    int w = m.width(), h = m.height();
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            BoxLine(d + static_cast<size_t>(y) * w, w, 1, radius, wrap, tmp);
        for (int x = 0; x < w; ++x) BoxLine(d + x, h, w, radius, wrap, tmp);
    }
}

void BoxBlur(Canvas& c, int radius, bool wrap) {
    int w = c.width(), h = c.height();
    Mask ch[4] = {Mask(w, h), Mask(w, h), Mask(w, h), Mask(w, h)};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Color& p = c.at(x, y);
            ch[0].at(x, y) = p.r;
            ch[1].at(x, y) = p.g;
            ch[2].at(x, y) = p.b;
            ch[3].at(x, y) = p.a;
        }
    }
    for (Mask& m : ch) BoxBlur(m, radius, wrap);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            c.at(x, y) = {ch[0].at(x, y), ch[1].at(x, y), ch[2].at(x, y), ch[3].at(x, y)};
        }
    }
}

Mask Downsample(const Mask& m, int f) {
    Mask out(m.width() / f, m.height() / f);
    float inv = 1.0f / (f * f);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            float s = 0;
            for (int j = 0; j < f; ++j)
                for (int i = 0; i < f; ++i) s += m.at(x * f + i, y * f + j);
            out.at(x, y) = s * inv;
        }
    }
    return out;
}

Canvas Downsample(const Canvas& c, int f) {
    Canvas out(c.width() / f, c.height() / f);
    float inv = 1.0f / (f * f);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            // Alpha-weighted colour, so transparent samples do not darken the edges.
            Color s{0, 0, 0, 0};
            float plain[3] = {0, 0, 0};
            for (int j = 0; j < f; ++j) {
                for (int i = 0; i < f; ++i) {
                    const Color& p = c.at(x * f + i, y * f + j);
                    s.r += p.r * p.a;
                    s.g += p.g * p.a;
                    s.b += p.b * p.a;
                    s.a += p.a;
                    plain[0] += p.r;
                    plain[1] += p.g;
                    plain[2] += p.b;
                }
            }
            if (s.a > 1e-6f) {
                out.at(x, y) = {s.r / s.a, s.g / s.a, s.b / s.a, s.a * inv};
            } else {
                out.at(x, y) = {plain[0] * inv, plain[1] * inv, plain[2] * inv, 0};
            }
        }
    }
    return out;
}

Image8 ResizeArea(const Image8& img, int w, int h) {
    Image8 out(w, h);
    double sx = static_cast<double>(img.width) / w, sy = static_cast<double>(img.height) / h;
    for (int y = 0; y < h; ++y) {
        int y0 = static_cast<int>(y * sy), y1 = std::max(y0 + 1, static_cast<int>((y + 1) * sy));
        for (int x = 0; x < w; ++x) {
            int x0 = static_cast<int>(x * sx);
            int x1 = std::max(x0 + 1, static_cast<int>((x + 1) * sx));
            double acc[4] = {0, 0, 0, 0};
            int n = 0;
            for (int j = y0; j < y1 && j < img.height; ++j) {
                for (int i = x0; i < x1 && i < img.width; ++i, ++n) {
                    const uint8_t* p = img.at(i, j);
                    for (int k = 0; k < 4; ++k) acc[k] += p[k];
                }
            }
            for (int k = 0; k < 4; ++k) out.at(x, y)[k] = static_cast<uint8_t>(acc[k] / n + 0.5);
        }
    }
    return out;
}

}  // namespace eh::mediagen
